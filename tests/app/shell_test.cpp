#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <thread>

#include "app/app_fixture.h"
#include "app/colour_animation.h"
#include "app/shell.h"
#include "device/device_link.h"
#include "drive/playback.h"
#include "macros/macro_files.h"
#include "platform/private_profile.h"
#include "skin/layout.h"
#include "support/missing_file.h"
#include "support/fake_clock.h"

namespace orv::test {
namespace {

TEST(HideSwitch, LastDashFollowedByExactlyHide) {
  struct Case {
    const char* line;
    bool hide;
  } cases[] = {
      {"/opt/orv/ORV_ZIduzu -HIDE", true},
      {"/opt/orv/ORV_ZIduzu -HIDEX", true},      // characters after it are ignored
      {"/opt/orv/ORV_ZIduzu -hide", false},      // case-sensitive
      {"/opt/orv/ORV_ZIduzu -HID", false},
      {"/opt/orv/ORV_ZIduzu -HIDE -x", false},   // only the last dash counts
      {"/opt/orv-tools/ORV_ZIduzu -HIDE", true},
      {"/opt/orv/ORV_ZIduzu", false},
      {"HIDE/ORV_ZIduzu", true},                 // no dash: the line's first 4 characters
      {"", false},
      {"-", false},
  };
  for (const Case& c : cases) EXPECT_EQ(app::HideSwitchPresent(c.line), c.hide) << c.line;
}

TEST(HideSwitch, CommandLineIsTheArgumentsJoinedBySingleSpaces) {
  const char* argv[] = {"/opt/orv/ORV_ZIduzu", "-HIDE", "x"};
  EXPECT_EQ(app::JoinCommandLine(3, argv), "/opt/orv/ORV_ZIduzu -HIDE x");
  EXPECT_EQ(app::JoinCommandLine(0, argv), "");
}

TEST(HideSwitch, ConsumedOnce) {
  app::AppState s;
  EXPECT_FALSE(app::ConsumeHideAtStart(s));
  s.hideAtStart = 1;
  EXPECT_TRUE(app::ConsumeHideAtStart(s));
  EXPECT_FALSE(app::ConsumeHideAtStart(s));
}

TEST(ExeDir, CutBeforeTheLastSlash) {
  EXPECT_EQ(app::ExeDirFromExecutable("/opt/orv/ORV_ZIduzu"), "/opt/orv");
  EXPECT_EQ(app::ExeDirFromExecutable("/ORV_ZIduzu"), "");
  EXPECT_EQ(app::ExeDirFromExecutable("ORV_ZIduzu"), "");
  EXPECT_EQ(app::MacroFilePathFor("", 1), "/Macro_EN.dat");
  EXPECT_EQ(app::MacroFilePathFor("/opt/orv", 0), "/opt/orv/Macro_CN.dat");
}

TEST(TrayMenu, AboutItem) {
  EXPECT_EQ(app::AboutMenuText(1), "&About ORV_ZIduzu...");
}

class ShellTest : public AppFixture {
 protected:
  void UseShippedSkin() {
    std::filesystem::copy(std::filesystem::path(ORV_PORTABLE_DIR) / "skins" / "INI_EN", s.skinDir / "INI_EN");
    std::filesystem::copy(std::filesystem::path(ORV_PORTABLE_DIR) / "skins" / "INI_CN", s.skinDir / "INI_CN");
    for (const char* name : {"Macro_EN.dat", "Macro_CN.dat"}) {
      std::filesystem::copy_file(std::filesystem::path(ORV_PORTABLE_DIR) / name, dir.path() / name);
    }
  }
};

TEST_F(ShellTest, LanguageSwitchStoresTheChoiceAndReloadsEverything) {
  UseShippedSkin();
  for (int32_t language : {0, 1}) {
    port.Clear();
    s.ui.page = app::kPageMain;
    ASSERT_TRUE(app::SwitchLanguage(s, port, language));
    EXPECT_EQ(s.language, language);
    EXPECT_EQ(GetProfileString(s.configPath, "Init", "VER_SEL", 5), language ? "1" : "0");
    EXPECT_EQ(settings::ReadLanguage(s.configPath), language);
    EXPECT_EQ(s.macroFilePath, dir.path() / (language ? "Macro_EN.dat" : "Macro_CN.dat"));
    skin::SkinLayout expected;
    ASSERT_TRUE(skin::LoadAllLayouts(expected, s.skinDir, language));
    EXPECT_EQ(s.layout.mainTexts, expected.mainTexts);
    EXPECT_EQ(s.layout.advancedHits, expected.advancedHits);
    // Not on the Advanced page: the lists are left alone.
    EXPECT_EQ(port.Actions(), (std::vector<std::string>{"LoadMenus " + std::to_string(language),
                                                        "SetTitle KTR-580 GAMING MOUSE"}));
  }
  // On the Advanced page both lists are refilled at once.
  s.ui.page = app::kPageAdvanced;
  port.Clear();
  ASSERT_TRUE(app::SwitchLanguage(s, port, 0));
  EXPECT_EQ(port.Actions(), (std::vector<std::string>{"RefillMacroLists", "LoadMenus 0", "SetTitle KTR-580 GAMING MOUSE"}));
}

TEST_F(ShellTest, LanguageSwitchDropsUnsavedMacroEdits) {
  UseShippedSkin();
  {
    std::lock_guard lock(s.macros.mutex);
    s.macros.userMacroCount = 5;
    macros::SetMacroName(s.macros.userMacros[0], "unsaved");
  }
  ASSERT_TRUE(app::SwitchLanguage(s, port, 0));
  macros::MacroTables turkish;
  macros::LoadMacros(dir.path() / "Macro_CN.dat", "Macros", turkish, macros::MacroTarget::User);
  EXPECT_EQ(s.macros.userMacroCount, turkish.userMacroCount);
  EXPECT_NE(macros::MacroName(s.macros.userMacros[0]), "unsaved");
}

TEST_F(ShellTest, LanguageSwitchWithAMissingLayoutEndsTheProgram) {
  UseShippedSkin();
  std::filesystem::remove(s.skinDir / "INI_CN" / "skin_advance.ini");
  EXPECT_FALSE(app::SwitchLanguage(s, port, 0));
  ExpectOneMissingFileMessage(port.messages, "skin_advance.ini");
  EXPECT_EQ(port.Actions(), (std::vector<std::string>{"ShowMessage", "TrayRemove", "DestroyWindow"}));
  EXPECT_EQ(mouse.Features(), std::vector<Report>{Report({7, 0x20, 0, 0, 0, 0, 0, 0})});
}

TEST_F(ShellTest, LanguageButtonsSwitchOnRelease) {
  UseShippedSkin();
  Click(MainAt(17));
  EXPECT_EQ(s.language, 0);
  UseGridLayout();  // the switch loaded the shipped layout
  Click(MainAt(18));
  EXPECT_EQ(s.language, 1);
}

TEST_F(ShellTest, HostExitTellsTheMouseUnlessItsCollectionFailedToOpen) {
  app::HostExit(s, port);
  EXPECT_EQ(port.Actions(), (std::vector<std::string>{"TrayRemove", "DestroyWindow"}));
  EXPECT_EQ(mouse.Features(), std::vector<Report>{Report({7, 0x20, 0, 0, 0, 0, 0, 0})});

  app::AppState failed;
  failed.session.channel.SetWriteCollection(device::HandleState::Invalid, hid, 8);
  FakePort p;
  app::HostExit(failed, p);
  EXPECT_EQ(mouse.Features().size(), 1u);
  EXPECT_TRUE(p.destroyed);
}

// The program ends while a macro plays: the macro's release reports go out
// first, and the host-exit report is the last one the mouse gets.
TEST_F(ShellTest, HostExitComesAfterAPlayingMacrosReleases) {
  macros::MacroRecord& m = s.macros.userMacros[0];
  m.mode = macros::MODE_HELD;
  m.eventCount = 2;
  m.events[0] = {0x04, macros::ACTION_DOWN};
  m.events[1] = {0x04, macros::ACTION_UP};
  m.delays[0] = m.delays[1] = 1000;
  s.settings.K[1] = 41;  // button 1 (wire code 2) plays user macro 0
  std::shared_ptr<device::InputReportSource> input = OpenInput(mouse);
  FakeClock clock(FakeClock::Waits::Block);  // waits end only when stopped
  drive::PlaybackDeps deps;
  deps.settings = &s.settings;
  deps.macros = &s.macros;
  deps.channel = &s.session.channel;
  deps.input = input.get();
  deps.clock = &clock;
  s.playback.engine = std::make_unique<drive::PlaybackEngine>(std::move(deps));
  s.playback.engine->Start();
  mouse.Deliver({6, 0xF2, 0x01});
  // The executor sends the key press, then waits on the clock until interrupted.
  while (mouse.Features().size() == 0) std::this_thread::yield();

  app::HostExit(s, port);
  const std::vector<Report> reports = mouse.Features();
  ASSERT_GE(reports.size(), 4u);
  EXPECT_EQ(FormatReport(reports.back()), "07 20 00 00 00 00 00 00");
  EXPECT_EQ(FormatReport(reports[reports.size() - 2]).substr(0, 5), "07 15");  // keys up, just before
  EXPECT_TRUE(port.destroyed);
}

TEST(AppName, IsTheExecutablesNameWithoutExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"/opt/orv/ORV_ZIduzu", "ORV_ZIduzu"}, {"/usr/bin/orv-ziduzu", "orv-ziduzu"},
      {"C:/Tools/ORV_ZIduzu.exe", "ORV_ZIduzu"}, {"relative/name.bin", "name"}, {"", "ORV_ZIduzu"}, {"/", "ORV_ZIduzu"}};
  for (auto [path, name] : cases) EXPECT_EQ(app::AppNameOf(path), name) << path;
}

TEST_F(ShellTest, TrayCommandsOfBothLanguagesShowOrEnd) {
  struct Case {
    int id;
    bool handled;
    const char* action;
  } cases[] = {{32801, true, "ShowAndRestore"}, {32837, true, "ShowAndRestore"},
               {32800, true, "DestroyWindow"}, {32838, true, "DestroyWindow"},
               {32802, false, nullptr}, {0, false, nullptr}};
  for (const Case& c : cases) {
    port.Clear();
    EXPECT_EQ(app::OnTrayCommand(s, c.id, port), c.handled) << c.id;
    EXPECT_EQ(port.Has("DestroyWindow") || port.Has("ShowAndRestore"), c.handled) << c.id;
    if (c.action != nullptr) {
      EXPECT_TRUE(port.Has(c.action)) << c.id;
    }
  }
}

TEST_F(ShellTest, MenusFollowTheLanguage) {
  app::LoadMenusForLanguage(s, 1);
  EXPECT_EQ(s.trayMenu.entries[1].text, "Show Window");
  EXPECT_EQ(s.contextMenu.entryCount, 23);
  app::LoadMenusForLanguage(s, 0);
  EXPECT_EQ(s.trayMenu.entries[2], (skin::MenuEntry{"Sürücüden çık", 32838}));
  EXPECT_EQ(s.contextMenu.entries[3], (skin::MenuEntry{"Aşağı   ", 32817}));
}

TEST_F(ShellTest, ShowFromTrayShowsAndRestores) {
  app::ShowFromTray(s, port);
  EXPECT_EQ(port.Actions(), std::vector<std::string>{"ShowAndRestore"});
}

TEST_F(ShellTest, RemovalOfTheMouseEndsWithoutTellingIt) {
  s.session.link = std::make_unique<device::DeviceLink>(mouse, s.session.channel);
  ASSERT_TRUE(s.session.link->FindMouse());
  const std::string ours = mouse.FeaturePath();
  std::string oursInCapitals = ours;
  for (char& c : oursInCapitals) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ASSERT_NE(oursInCapitals, ours);
  const size_t before = mouse.Features().size();

  using Kind = device::DeviceEvent::Kind;
  EXPECT_FALSE(app::OnDeviceEvents(s, port, {{Kind::Removal, "/dev/hidraw9"}, {Kind::Arrival, ours},
                                             {Kind::Other, ours}}));
  EXPECT_TRUE(port.Actions().empty());
  EXPECT_TRUE(app::OnDeviceEvents(s, port, {{Kind::Removal, oursInCapitals}}));
  EXPECT_EQ(port.Actions(), (std::vector<std::string>{"TrayRemove", "DestroyWindow"}));
  EXPECT_EQ(mouse.Features().size(), before);
  EXPECT_FALSE(s.session.link->DeviceConnected());
  s.session.link.reset();
}

TEST_F(ShellTest, PowerEventsSendTheSettingsAgain) {
  app::OnPowerEvent(s, port);
  app::OnPowerEvent(s, port);
  EXPECT_EQ(mouse.Features().size(), 44u);
}

// ---- Colour preview ----

TEST(ColourPreview, NextColourThatIsOn) {
  struct Case {
    uint8_t current, mask, next;
  } cases[] = {{0, 0x7F, 1}, {6, 0x7F, 0}, {0, 0x05, 2}, {2, 0x05, 0}, {3, 0x08, 3}, {4, 0x00, 4}, {6, 0x40, 6}};
  for (const Case& c : cases) EXPECT_EQ(app::NextCycleColour(c.current, c.mask), c.next) << int(c.current);
}

TEST(ColourPreview, PauseFollowsTheCycleTimeWithinItsRange) {
  struct Case {
    uint8_t time;
    uint32_t ms;
  } cases[] = {{0, 1200}, {1, 1000}, {5, 200}, {6, 200}, {200, 200}};
  for (const Case& c : cases) EXPECT_EQ(app::PreviewPauseMs(c.time), c.ms) << int(c.time);
}

TEST(ColourPreview, ModeOneAlternatesGreyAndTheNextColourOtherModesStayGrey) {
  app::AppState s;
  s.preview.cycleMask = 0x05;  // colours 0 and 2
  s.preview.ledType = 1;
  std::vector<std::pair<int, int>> seen;
  for (int pass = 0; pass < 4; ++pass) {
    app::PreviewStep(s);
    seen.emplace_back(s.preview.index.load(), s.preview.blinkPhase.load());
  }
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{0, 1}, {2, 0}, {2, 1}, {0, 0}}));
  s.preview.ledType = 2;
  for (int pass = 0; pass < 3; ++pass) {
    app::PreviewStep(s);
    EXPECT_EQ(s.preview.blinkPhase, 1);
    EXPECT_EQ(s.preview.index, 0);
  }
}

// The worker on a clock that only moves when told: one pass per pause, the
// pause set by the cycle time, and the page change noticed at the end of a pause.
TEST(ColourPreview, WorkerStepsOncePerPauseWhileTheColorPageIsShown) {
  app::AppState s;
  FakeClock& clock = UseFakeClock(s, FakeClock::Waits::Block);
  s.preview.cycleTime = 4;  // 400 ms passes
  s.preview.ledType = 1;
  s.preview.cycleMask = 0x7F;
  s.ui.page = app::kPageColor;
  std::atomic<int> repaints{0};
  app::ColourAnimation animation(s, [&] { ++repaints; });
  s.preview.running = true;
  animation.Start();
  clock.AwaitWaits(1);
  EXPECT_EQ(repaints.load(), 1);
  clock.AdvanceMs(399);  // not yet the end of the pause
  clock.AdvanceMs(1);
  clock.AwaitWaits(2);
  EXPECT_EQ(repaints.load(), 2);
  EXPECT_EQ(s.preview.index.load(), 1);
  s.ui.page = app::kPageMain;
  clock.AdvanceMs(400);
  while (s.preview.running) std::this_thread::yield();
  EXPECT_EQ(repaints.load(), 2);
  EXPECT_EQ(clock.waitsMs, (std::vector<uint32_t>{400, 400}));
  // A second start after the first ended runs again, and Stop() cuts its
  // pause short (the pause never ends by itself: a Stop() that waited for it
  // would hang, which the test runner's timeout catches).
  s.ui.page = app::kPageColor;
  s.preview.running = true;
  animation.Start();
  clock.AwaitWaits(3);
  animation.Stop();
  EXPECT_FALSE(s.preview.running);
  EXPECT_EQ(repaints.load(), 3);
}

}  // namespace
}  // namespace orv::test
