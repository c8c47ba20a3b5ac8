#include "app/app_switch.h"

#include "app/app_rules_menu.h"

#include "app/app_fixture.h"

namespace orv::app {
namespace {

settings::AppRules Rules() {
  settings::AppRules r;
  r.rules = {{"Alpha", 2}, {"beta", 3}};
  return r;
}

// Focus changes as they come, on a clock the test keeps: what each match gives
// and when a switch settles.
TEST(AppSwitcher, MatchesAndCoalescesFocusChanges) {
  struct Focus {
    int64_t atMs;
    FocusedWindow window;
  };
  struct Case {
    const char* name;
    int32_t defaultProfile;
    std::vector<Focus> focus;
    int64_t takeAtMs;
    std::optional<int32_t> profile;  // nullopt: nothing due
    std::string rule;
  };
  const Case cases[] = {
      {"class, any case", 0, {{0, {"ALPHA", "x"}}}, 150, 2, "Alpha=2"},
      {"instance when the class has no rule", 0, {{0, {"Xmessage", "Beta"}}}, 150, 3, "beta=3"},
      {"class before instance", 0, {{0, {"beta", "alpha"}}}, 150, 3, "beta=3"},
      {"not settled yet", 0, {{0, {"alpha", ""}}}, 149, std::nullopt, ""},
      {"no rule, Default 0 keeps", 0, {{0, {"gamma", "gamma"}}}, 150, 0, ""},
      {"no rule, Default", 4, {{0, {"gamma", ""}}}, 150, 4, "Default=4"},
      {"an empty class matches nothing", 0, {{0, {"", ""}}}, 150, 0, ""},
      {"the last of quick changes wins", 0, {{0, {"alpha", ""}}, {100, {"beta", ""}}, {200, {"alpha", ""}}}, 349,
       std::nullopt, ""},
      {"... once it settles", 0, {{0, {"alpha", ""}}, {100, {"beta", ""}}, {200, {"beta", ""}}}, 350, 3, "beta=3"},
      {"our own window changes nothing", 0, {{0, {"alpha", ""}}, {100, {"ORV", "orv", true}}}, 150, 2, "Alpha=2"},
      {"only our own window", 0, {{0, {"alpha", "alpha", true}}}, 1000, std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AppSwitcher sw;
    settings::AppRules rules = Rules();
    rules.defaultProfile = c.defaultProfile;
    sw.SetRules(rules);
    for (const Focus& f : c.focus) sw.OnFocus(f.window, f.atMs);
    const std::optional<AppSwitch> due = sw.Take(c.takeAtMs);
    ASSERT_EQ(due.has_value(), c.profile.has_value());
    if (!due) continue;
    EXPECT_EQ(due->profile, *c.profile);
    EXPECT_EQ(due->rule, c.rule);
    EXPECT_FALSE(sw.Take(c.takeAtMs + 1000).has_value()) << "taken once";
  }
}

using AppSwitchTest = test::AppFixture;

// An automatic switch never drops edits that were not applied: it waits, and
// goes through once they are applied; it sends the profile as Apply does.
TEST_F(AppSwitchTest, UnappliedEditsHoldTheSwitchUntilApplied) {
  ApplyCurrentProfile(s, port, false);
  size_t sent = mouse.Features().size();
  const int32_t edited = s.settings.FIRE_TIME + 10;
  s.settings.FIRE_TIME = edited;
  AppSwitcher sw;
  sw.SetRules(Rules());
  sw.OnFocus({"alpha", ""}, 0);
  std::optional<AppSwitch> due = sw.Take(150);
  ASSERT_TRUE(due);
  EXPECT_NE(RunAppSwitch(s, port, *due), "");
  sw.Defer(*due);
  EXPECT_EQ(s.profile.curProfile, 1);
  EXPECT_EQ(s.settings.FIRE_TIME, edited);
  EXPECT_EQ(mouse.Features().size(), sent);

  ApplyCurrentProfile(s, port, false);
  sent = mouse.Features().size();
  due = sw.Take(151);
  ASSERT_TRUE(due);
  EXPECT_EQ(RunAppSwitch(s, port, *due), "");
  EXPECT_EQ(s.profile.curProfile, 2);
  EXPECT_EQ(s.activeAppRule, "Alpha=2");
  EXPECT_EQ(mouse.Features().size(), sent + 22);
  // Going back to profile 1 finds its applied edit in the file.
  EXPECT_EQ(RunAppSwitch(s, port, {1, "x=1"}), "");
  EXPECT_EQ(s.settings.FIRE_TIME, edited);
}

}  // namespace
}  // namespace orv::app

namespace orv::app {
namespace {

// The chip menu names each open application once, by the id its rule uses,
// and a choice toggles that rule (or Default) for the chip.
TEST(ProfileChipMenu, ListsOpenApplicationsAndTogglesTheirRules) {
  test::TempDir dir;
  const auto file = dir.path() / "app_profiles.ini";
  test::WriteText(file, "[Applications]\nalpha=2\n");
  const std::vector<FocusedWindow> open = {
      {"Xmessage", "alpha"}, {"Xmessage", "beta"}, {"xmessage", "gamma"}, {"ORV", "orv", true}, {"", ""}};
  auto texts = [&](int32_t chip) {
    std::string out;
    for (const ChipMenuItem& i : ProfileChipMenu(settings::LoadAppRules(file).rules, open, chip, 1)) {
      out += i.text + (i.checked ? "*" : "") + "|";
    }
    return out;
  };
  auto choose = [&](int32_t chip, const std::string& text) {
    const settings::AppRules rules = settings::LoadAppRules(file).rules;
    for (const ChipMenuItem& i : ProfileChipMenu(rules, open, chip, 1)) {
      if (i.text == text) {
        EXPECT_EQ(ChooseChipMenuItem(file, rules, i, chip), Outcome());
      }
    }
  };
  EXPECT_EQ(texts(2), "alpha*|Xmessage|Default profile|");
  choose(3, "alpha");  // alpha's rule moves to chip 3
  choose(3, "Default profile");  // Default becomes 3
  EXPECT_EQ(texts(3), "alpha*|Xmessage|Default profile*|");
  choose(3, "alpha");  // and both back off again: alpha is one more Xmessage now
  choose(3, "Default profile");
  EXPECT_EQ(texts(3), "Xmessage|Default profile|");
  choose(3, "Xmessage");
  EXPECT_EQ(texts(3), "Xmessage*|Default profile|");
  EXPECT_EQ(test::ReadText(file), "[Applications]\nXmessage=3\n[Init]\nDefault=0\n");
  EXPECT_EQ(ProfileChipMenu({}, {}, 1, 0).front().enabled, false);  // the note when nothing is open
}

}  // namespace
}  // namespace orv::app
