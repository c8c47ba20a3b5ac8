#include "settings/app_rules.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orv::settings {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

std::string Describe(const AppRules& r) {
  std::string out;
  for (const AppRule& rule : r.rules) out += rule.appId + ":" + std::to_string(rule.profile) + " ";
  return out + "D" + std::to_string(r.defaultProfile) + " ignored " + std::to_string(r.ignored.size());
}

// What a file on disk gives, and what becomes of a damaged one.
TEST(AppRules, FilesReadAsRules) {
  struct Case {
    const char* name;
    std::string bytes;  // "-": no file
    std::string rules;
    bool keptDamaged;
  };
  const Case cases[] = {
      {"missing", "-", "D0 ignored 0", false},
      {"empty", "", "D0 ignored 0", false},
      {"rules and default", "[Applications]\nfirefox=2\nSteam = 5\n[Init]\nDefault=1\n", "firefox:2 Steam:5 D1 ignored 0",
       false},
      {"CRLF, case of sections", "[applications]\r\nGimp=3\r\n[INIT]\r\ndefault=0\r\n", "Gimp:3 D0 ignored 0", false},
      {"values that name no profile",
       "[Applications]\na=0\nb=6\nc=-1\nd=x\ne=\nf=2\n[Init]\nDefault=9\n", "f:2 D0 ignored 6", false},
      {"an id spelt twice counts once", "[Applications]\nfoo=1\nFOO=4\n", "foo:1 D0 ignored 0", false},
      {"damaged", std::string("\x00\xff\x13garbage", 10), "D0 ignored 0", true},
      {"another program's file", "[Other]\nx=1\n", "D0 ignored 0", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const auto path = dir.path() / "app_profiles.ini";
    if (c.bytes != "-") WriteText(path, c.bytes);
    const AppRulesLoad load = LoadAppRules(path);
    EXPECT_EQ(Describe(load.rules), c.rules);
    EXPECT_EQ(!load.keptAs.empty(), c.keptDamaged);
    if (c.keptDamaged) {
      EXPECT_EQ(ReadText(load.keptAs), c.bytes);
      EXPECT_FALSE(std::filesystem::exists(path));
      EXPECT_NE(load.message.find(load.keptAs.string()), std::string::npos);
      // A rule written afterwards starts a clean file.
      EXPECT_EQ(WriteAppRule(path, "beta", 2), Outcome());
      EXPECT_EQ(Describe(LoadAppRules(path).rules), "beta:2 D0 ignored 0");
    }
  }
}

// Writing rules keeps the rest of the file, matches ids without regard to
// case, and refuses what the file could not hold.
TEST(AppRules, WritingRules) {
  TempDir dir;
  const auto path = dir.path() / "app_profiles.ini";
  EXPECT_EQ(WriteAppRule(path, "alpha", kKeepProfile), Outcome());  // removing from no file makes none
  EXPECT_FALSE(std::filesystem::exists(path));
  WriteText(path, "; my rules\n[Applications]\nAlpha=1\nbeta=2\n");
  EXPECT_EQ(WriteAppRule(path, "ALPHA", 4), Outcome());
  EXPECT_EQ(WriteAppRule(path, "beta", kKeepProfile), Outcome());
  EXPECT_EQ(WriteAppRule(path, "gamma", 5), Outcome());
  EXPECT_EQ(WriteDefaultProfile(path, 3), Outcome());
  EXPECT_EQ(ReadText(path), "; my rules\n[Applications]\nAlpha=4\ngamma=5\n[Init]\nDefault=3\n");
  for (const char* bad : {"", "  ", "a=b", "[x]", ";x", "a\nb"}) EXPECT_NE(WriteAppRule(path, bad, 1), Outcome()) << bad;
  EXPECT_NE(WriteAppRule(path, "alpha", 6), Outcome());
  EXPECT_NE(WriteDefaultProfile(path, -1), Outcome());
  EXPECT_EQ(LoadAppRules(path).rules.Find("aLpHa")->profile, 4);
}

}  // namespace
}  // namespace orv::settings
