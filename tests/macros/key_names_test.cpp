#include "macros/key_names.h"

#include <gtest/gtest.h>

#include <string>

namespace orv::macros {
namespace {

TEST(KeyTables, SpotValuesOfEachRowOfTheConversion) {
  struct Case {
    uint8_t vk, usage;
  } cases[] = {
      {0x08, 42},  {0x09, 43},  {0x0C, 156}, {0x0D, 40},  {0x13, 72},  {0x14, 57},  {0x1B, 41},  {0x20, 44},
      {0x21, 75},  {0x24, 74},  {0x25, 80},  {0x28, 81},  {0x29, 119}, {0x2B, 116}, {0x2F, 117}, {0x30, 39},
      {0x31, 30},  {0x39, 38},  {0x41, 4},   {0x5A, 29},  {0x5B, 227}, {0x5C, 231}, {0x5D, 101}, {0x60, 98},
      {0x61, 89},  {0x69, 97},  {0x6A, 85},  {0x6C, 159}, {0x6F, 84},  {0x70, 58},  {0x7B, 69},  {0x7C, 104},
      {0x87, 115}, {0x90, 83},  {0x91, 71},  {0xA0, 225}, {0xA2, 224}, {0xA5, 230}, {0xBA, 51},  {0xBB, 46},
      {0xC0, 50},  {0xDB, 47},  {0xDC, 49},  {0xDE, 52},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VkToUsage(c.vk), c.usage) << "vk " << int{c.vk};
    EXPECT_EQ(UsageToVk(c.usage), c.vk) << "usage " << int{c.usage};
  }
}

TEST(KeyTables, UsageToVkIsTheExactInverseOverTheWholeRange) {
  int converted = 0;
  int unnamed = 0;
  for (int v = 0; v < 256; ++v) {
    const auto vk = static_cast<uint8_t>(v);
    const uint8_t usage = VkToUsage(vk);
    if (usage != vk) {
      ++converted;
      EXPECT_EQ(UsageToVk(usage), vk) << "vk " << v;
      if (KeyNameFor(usage) == kNonAvailableName) ++unnamed;
    }
    // Whatever a file holds reads back to a code that writes back to itself.
    EXPECT_EQ(VkToUsage(UsageToVk(usage)), usage) << "vk " << v;
    const uint8_t back = UsageToVk(vk);
    if (back != vk) {
      EXPECT_EQ(VkToUsage(back), vk) << "usage " << v;
    }
  }
  // The table's 120 keys, and 8 keys of other layouts that have no name.
  EXPECT_EQ(converted, 128);
  EXPECT_EQ(unnamed, 8);
}

TEST(KeyTables, CodesOutsideTheTablePassThrough) {
  for (uint8_t code : {CODE_LEFT_BUTTON, CODE_RIGHT_BUTTON, CODE_MIDDLE_BUTTON}) {
    EXPECT_EQ(VkToUsage(code), code);
    EXPECT_EQ(UsageToVk(code), code);
  }
  // The generic Shift code is no key of its own: it stays 16, the letter M.
  EXPECT_EQ(VkToUsage(0x10), 16);
  EXPECT_EQ(KeyNameFor(VkToUsage(0x10)), "M");
  // 53 (the key left of 1) is written as a code of its own and reads back
  // as 53, not as the 5 key whose virtual key is 53.
  EXPECT_EQ(VkToUsage(UsageToVk(53)), 53);
  EXPECT_EQ(VkToUsage(53), 34);
  EXPECT_EQ(KeyNameFor(53), kNonAvailableName);
}

TEST(KeyNames, NamesByCode) {
  struct Case {
    int code;
    const char* name;
  } cases[] = {
      {0, "NON-AVAILABLE"}, {3, "NON-AVAILABLE"}, {4, "A"},          {29, "Z"},         {30, "1"},
      {38, "9"},            {39, "0"},            {40, "RETURN"},    {44, "SPACE"},     {45, "-"},
      {47, "[{"},           {49, "\\|"},          {50, "`~"},        {51, ";:"},        {52, " ' "},
      {53, "NON-AVAILABLE"}, {54, ","},           {56, "/?"},        {57, "CAPITAL"},   {58, "F1"},
      {69, "F12"},          {70, "SNAPSHOT"},     {75, "PRIOR"},     {82, "UP"},        {87, "ADD"},
      {88, "NON-AVAILABLE"}, {89, "NUMPAD1"},     {97, "NUMPAD9"},   {98, "NUMPAD0"},   {99, "DECIMAL"},
      {100, "NON-AVAILABLE"}, {101, "APPS"},      {104, "F13"},      {115, "F24"},      {116, "EXECUTE"},
      {119, "SELECT"},      {156, "CLEAR"},       {159, "SEPARATOR"}, {224, "LCONTROL"}, {227, "LWIN"},
      {231, "RWIN"},        {232, "NON-AVAILABLE"}, {240, "L-KEY"},  {241, "R-KEY"},    {242, "M-KEY"},
      {243, "NON-AVAILABLE"}, {255, "NON-AVAILABLE"},
  };
  for (const Case& c : cases) EXPECT_EQ(KeyNameFor(static_cast<uint8_t>(c.code)), c.name) << "code " << c.code;

  int named = 0;
  for (int code = 0; code < 256; ++code) named += KeyNameFor(static_cast<uint8_t>(code)) != kNonAvailableName;
  EXPECT_EQ(named, 124);
}

TEST(EventLines, EventAndDelayTexts) {
  EXPECT_EQ(EventLineText({4, ACTION_DOWN}), "[\u2193]A");
  EXPECT_EQ(EventLineText({4, ACTION_UP}), "[\u2191]A");
  EXPECT_EQ(EventLineText({CODE_LEFT_BUTTON, ACTION_DOWN}), "[\u2193]L-KEY");
  EXPECT_EQ(EventLineText({4, 0}), "A");
  EXPECT_EQ(EventLineText({4, 3}), "A");
  EXPECT_EQ(EventLineText({53, ACTION_DOWN}), "[\u2193]NON-AVAILABLE");
  EXPECT_EQ(DelayLineText(120), "    120ms");
  EXPECT_EQ(DelayLineText(0), "    0ms");
  EXPECT_EQ(DelayLineText(65535), "    65535ms");
}

TEST(EventLines, AlternateEventsAndDelaysWithoutTheLastDelay) {
  MacroRecord r;
  EXPECT_TRUE(EventListLines(r).empty());

  r.eventCount = 2;
  r.events[0] = {4, ACTION_DOWN};
  r.events[1] = {4, ACTION_UP};
  r.delays[0] = 120;
  r.delays[1] = 30;
  r.events[2] = {5, ACTION_DOWN};  // beyond eventCount: not shown
  EXPECT_EQ(EventListLines(r), (std::vector<std::string>{"[\u2193]A", "    120ms", "[\u2191]A"}));

  r.eventCount = 255;
  for (int k = 0; k < 255; ++k) r.delays[k] = static_cast<uint16_t>(k);
  const auto lines = EventListLines(r);
  ASSERT_EQ(lines.size(), 509u);
  EXPECT_EQ(lines[507], "    253ms");
  EXPECT_EQ(lines[508], EventLineText(r.events[254]));
}

}  // namespace
}  // namespace orv::macros
