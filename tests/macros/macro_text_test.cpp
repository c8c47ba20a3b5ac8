#include "tools/macro_pack/macro_text.h"

#include <gtest/gtest.h>

#include "macros/key_names.h"

namespace orv::macros {
namespace {

TEST(MacroText, ReadsNamesModesAndEvents) {
  const char* text =
      "\xEF\xBB\xBF# comment\r\n"
      "\n"
      "macro  Çift Tıklama \r\n"
      "mode counted\n"
      "repeat 300\n"
      "  L-KEY down 30\n"
      "l-key UP 45ms\n"
      "code:53 3 0\n"
      "' down 65535\n"
      "end down 1\n"  // the END key, not the end of the macro
      "end\n"
      "macro Plain\n"
      "end\n";
  std::vector<MacroRecord> records;
  MacroTextError error;
  ASSERT_TRUE(ParseMacroText(text, records, error)) << error.line << ": " << error.message;
  ASSERT_EQ(records.size(), 2u);
  const MacroRecord& r = records[0];
  EXPECT_EQ(MacroName(r), "Çift Tıklama");
  EXPECT_EQ(r.mode, MODE_COUNTED);
  EXPECT_EQ(r.repeatCount, 300);
  ASSERT_EQ(r.eventCount, 5);
  EXPECT_EQ(r.events[0], (MacroEvent{CODE_LEFT_BUTTON, ACTION_DOWN}));
  EXPECT_EQ(r.events[1], (MacroEvent{CODE_LEFT_BUTTON, ACTION_UP}));
  EXPECT_EQ(r.events[2], (MacroEvent{53, 3}));
  EXPECT_EQ(r.events[3], (MacroEvent{52, ACTION_DOWN}));
  EXPECT_EQ(r.events[4], (MacroEvent{77, 1}));
  EXPECT_EQ(r.delays[1], 45);
  EXPECT_EQ(r.delays[3], 65535);
  EXPECT_EQ(records[1].mode, MODE_ONCE);
  EXPECT_EQ(records[1].repeatCount, 1);
  EXPECT_EQ(records[1].eventCount, 0);
}

TEST(MacroText, BadInputNamesTheLine) {
  std::string tooManyEvents = "macro Long\n";
  for (int i = 0; i < 256; ++i) tooManyEvents += "A down 1\n";
  tooManyEvents += "end\n";
  std::string tooManyMacros;
  for (int i = 0; i < 13; ++i) tooManyMacros += "macro m\nend\n";
  struct Case {
    std::string text;
    int line;
    const char* says;
  } cases[] = {
      {"A down 30\n", 1, "macro"},
      {"macro\n", 1, "without a name"},
      {"macro a\nmacro b\n", 2, "line 1"},
      {"macro a\nA down\nend\n", 2, "expected"},
      {"# x\nmacro a\nFOO down 30\nend\n", 3, "unknown key \"FOO\""},
      {"macro a\nA sideways 30\nend\n", 2, "action"},
      {"macro a\nA down 65536\nend\n", 2, "delay"},
      {"macro a\nA down -1\nend\n", 2, "delay"},
      {"macro a\ncode:256 down 1\nend\n", 2, "unknown key"},
      {"macro a\nmode sometimes\nend\n", 2, "mode"},
      {"macro a\nrepeat 70000\nend\n", 2, "repeat"},
      {"macro abcdefghijklmnopqrst\nend\n", 1, "longer than 19"},
      {"macro a\xFF\nend\n", 1, "UTF-8"},
      {"\nmacro a\nA down 1\n", 2, "no \"end\""},
      {tooManyEvents, 257, "255 events"},
      {tooManyMacros, 25, "more than 12"},
  };
  for (const Case& c : cases) {
    std::vector<MacroRecord> records;
    MacroTextError error;
    EXPECT_FALSE(ParseMacroText(c.text, records, error)) << c.text;
    EXPECT_EQ(error.line, c.line) << c.text;
    EXPECT_NE(error.message.find(c.says), std::string::npos) << error.message;
  }
}

}  // namespace
}  // namespace orv::macros
