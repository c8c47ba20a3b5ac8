#include "platform/decimal.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(ReadDecimal, FollowsTheReadingRule) {
  struct Case {
    const char* text;
    int32_t want;
  } cases[] = {
      {"", 0},        {"   ", 0},     {"abc", 0},        {"12", 12},         {"  42", 42},
      {"\t-7", -7},   {"+5", 5},      {"12abc", 12},     {"1 2", 1},         {"- 3", 0},
      {"--3", 0},     {"007", 7},     {"1234", 1234},    {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1}, {"99999999999999999999", 2147483647},
      {"-99999999999999999999", -2147483647 - 1}, {"2147483648", 2147483647}, {"-2147483649", -2147483647 - 1},
      {"0000000000000000000000000000012", 12}, {"-0", 0}, {"0x1F", 0}, {"1e3", 1}, {"\v\f9", 9},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadDecimal(std::string_view(c.text)), c.want) << '"' << c.text << '"';
  }
}

TEST(ReadDecimal, WideTextUsesTheSameRule) {
  EXPECT_EQ(ReadDecimal(std::u16string_view(u"  -15x")), -15);
  EXPECT_EQ(ReadDecimal(std::u16string_view(u"\u0661\u0662")), 0);  // only ASCII digits count
  EXPECT_EQ(ReadDecimal(std::u16string_view(u"-99999999999999999999")), -2147483647 - 1);
  EXPECT_EQ(ReadDecimal(std::u16string_view(u"\u0130 7")), 0);
}

}  // namespace
}  // namespace orv
