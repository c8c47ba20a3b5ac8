#include "settings/kde_config.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orv::settings {
namespace {

// A kdeglobals as KDE leaves it: mixed-case keys that are distinct, locale and
// option markers, comments, blank lines and no line ending at the end.
constexpr std::string_view kSample =
    "# written by hand\n"
    "[General]\n"
    "ColorScheme=BreezeDark\n"
    "Name[de]=Allgemein\n"
    "\n"
    "[KDE]\n"
    "wheelscrolllines=9\n"
    "  SingleClick = false  \n"
    "WheelScrollLines[de]=7\n"
    "WheelScrollLines=3\n"
    "AnimationDurationFactor=0.5\n"
    "\n"
    "[KDE][Extra]\n"
    "WheelScrollLines=11\n"
    "\n"
    "[WM]\n"
    "activeBackground=49,54,59";

TEST(KdeConfig, ReadsCaseSensitiveKeysOfTheGroup) {
  EXPECT_EQ(GetKdeConfigValue(kSample, "KDE", "WheelScrollLines"), "3");
  EXPECT_EQ(GetKdeConfigValue(kSample, "KDE", "wheelscrolllines"), "9");
  EXPECT_EQ(GetKdeConfigValue(kSample, "KDE", "SingleClick"), "false");
  EXPECT_EQ(GetKdeConfigValue(kSample, "KDE][Extra", "WheelScrollLines"), "11");
  EXPECT_EQ(GetKdeConfigValue(kSample, "kde", "WheelScrollLines"), std::nullopt);
  EXPECT_EQ(GetKdeConfigValue(kSample, "WM", "WheelScrollLines"), std::nullopt);
  // A later entry of the same group wins, as in KDE.
  EXPECT_EQ(GetKdeConfigValue("[KDE]\nA=1\n[X]\n[KDE]\nA=2\n", "KDE", "A"), "2");
}

// Only the value of the exact key changes; every other byte stays.
TEST(KdeConfig, RewritesOnlyTheExactKey) {
  std::string text(kSample);
  ASSERT_EQ(SetKdeConfigValue(text, "KDE", "WheelScrollLines", "5"), Outcome());
  std::string expected(kSample);
  expected.replace(expected.find("WheelScrollLines=3"), 18, "WheelScrollLines=5");
  EXPECT_EQ(text, expected);

  // Spelling, blanks before '=', options and a CRLF ending are kept.
  std::string crlf = "[KDE]\r\nWheelScrollLines[$e] = 3\r\n";
  ASSERT_EQ(SetKdeConfigValue(crlf, "KDE", "WheelScrollLines", "12"), Outcome());
  EXPECT_EQ(crlf, "[KDE]\r\nWheelScrollLines[$e] =12\r\n");
}

TEST(KdeConfig, CreatesMissingKeyAndGroup) {
  struct Case {
    const char* name;
    std::string before, after;
  } cases[] = {
      {"empty file", "", "[KDE]\nWheelScrollLines=4\n"},
      {"key after the group's last line, blank separator kept",
       "[KDE]\nwheelscrolllines=9\n\n[WM]\nx=1\n", "[KDE]\nwheelscrolllines=9\nWheelScrollLines=4\n\n[WM]\nx=1\n"},
      {"group without line ending at the end", "[KDE]\nA=1", "[KDE]\nA=1\nWheelScrollLines=4"},
      {"new group after a blank line", "[WM]\nx=1", "[WM]\nx=1\n\n[KDE]\nWheelScrollLines=4\n"},
      {"file ending with a blank line", "[WM]\nx=1\n\n", "[WM]\nx=1\n\n[KDE]\nWheelScrollLines=4\n"},
      {"a nested group is another group", "[KDE][Extra]\nA=1\n",
       "[KDE][Extra]\nA=1\n\n[KDE]\nWheelScrollLines=4\n"},
      {"a localised entry is another entry", "[KDE]\nWheelScrollLines[de]=7\n",
       "[KDE]\nWheelScrollLines[de]=7\nWheelScrollLines=4\n"},
      {"comment only", "# nothing\n", "# nothing\n\n[KDE]\nWheelScrollLines=4\n"},
  };
  for (Case& c : cases) {
    ASSERT_EQ(SetKdeConfigValue(c.before, "KDE", "WheelScrollLines", "4"), Outcome()) << c.name;
    EXPECT_EQ(c.before, c.after) << c.name;
    EXPECT_EQ(GetKdeConfigValue(c.before, "KDE", "WheelScrollLines"), "4") << c.name;
  }
}

// An administrator's lock is respected: an immutable file, group or entry is
// not changed, and the caller learns why.
TEST(KdeConfig, ImmutableFileGroupOrKeyIsLeftAlone) {
  for (const char* locked : {"[$i]\n[KDE]\nWheelScrollLines=3\n", "[KDE][$i]\nWheelScrollLines=3\n",
                             "[KDE]\nWheelScrollLines[$i]=3\n", "[KDE]\nA=1\n[X]\n[KDE][$i]\n",
                             "# lock\n[$i]\n"}) {
    std::string text = locked;
    EXPECT_NE(SetKdeConfigValue(text, "KDE", "WheelScrollLines", "5").value_or(Failure{}).Text().find("immutable"),
              std::string::npos)
        << locked;
    EXPECT_EQ(text, locked);
  }
  // A lock on another key or group does not matter.
  std::string other = "[WM][$i]\nx=1\n[KDE]\nwheelscrolllines[$i]=9\nWheelScrollLines=3\n";
  EXPECT_EQ(SetKdeConfigValue(other, "KDE", "WheelScrollLines", "5"), Outcome());
  EXPECT_EQ(other, "[WM][$i]\nx=1\n[KDE]\nwheelscrolllines[$i]=9\nWheelScrollLines=5\n");
}

TEST(KdeConfig, FileIsWrittenAtomicallyAndCreatedWhenMissing) {
  test::TempDir dir;
  const auto file = dir / "kdeglobals";
  ASSERT_EQ(WriteKdeConfigValue(file, "KDE", "WheelScrollLines", "6"), Outcome());
  EXPECT_EQ(test::ReadText(file), "[KDE]\nWheelScrollLines=6\n");
  test::WriteText(file, std::string(kSample));
  ASSERT_EQ(WriteKdeConfigValue(file, "KDE", "WheelScrollLines", "5"), Outcome());
  EXPECT_EQ(GetKdeConfigValue(test::ReadText(file), "KDE", "WheelScrollLines"), "5");
  EXPECT_EQ(GetKdeConfigValue(test::ReadText(file), "KDE", "wheelscrolllines"), "9");
  test::WriteText(file, "[KDE][$i]\n");
  EXPECT_NE(WriteKdeConfigValue(file, "KDE", "WheelScrollLines", "5"), Outcome());
  EXPECT_EQ(test::ReadText(file), "[KDE][$i]\n");
}

}  // namespace
}  // namespace orv::settings
