#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(TextCodec, Utf16RoundTripIncludingSurrogatePairs) {
  const std::string samples[] = {"", "ASCII", "Lütfen【KTR-580】USB Mouse'u Takınız", "找不到配置文件", "\xF0\x9F\x96\xB1"};
  for (const std::string& s : samples) EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x96\xB1").size(), 2u);
}

TEST(TextCodec, InvalidInputBecomesReplacementCharacter) {
  EXPECT_EQ(Utf8ToUtf16("a\xC3"), (std::u16string{u'a', 0xFFFD}));
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), (std::u16string{0xFFFD, 0xFFFD, 0xFFFD}));  // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");
}

TEST(TextCodec, PrefixForUnitsNeverSplitsACharacter) {
  struct Case {
    const char* text;
    size_t units;
    size_t bytes;
  } cases[] = {
      {"abc", 2, 2}, {"abc", 9, 3}, {"çok", 1, 2}, {"\xF0\x9F\x96\xB1z", 1, 0}, {"\xF0\x9F\x96\xB1z", 2, 4},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8PrefixForUnits(c.text, c.units), c.bytes) << c.text << " " << c.units;
}

TEST(TextCodec, DetectsAndKeepsEncodings) {
  const std::string utf16 = EncodeText("[A]", TextEncoding::Utf16LeBom);
  EXPECT_EQ(utf16, std::string("\xFF\xFE[\0A\0]\0", 8));
  const DecodedText d = DecodeText(utf16);
  EXPECT_EQ(d.encoding, TextEncoding::Utf16LeBom);
  EXPECT_EQ(d.utf8, "[A]");
  EXPECT_EQ(DecodeText("\xEF\xBB\xBFx").encoding, TextEncoding::Utf8Bom);
  EXPECT_EQ(DecodeText("\xEF\xBB\xBFx").utf8, "x");
  EXPECT_EQ(DecodeText("x").encoding, TextEncoding::Utf8);
}

}  // namespace
}  // namespace orv
