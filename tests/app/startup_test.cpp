#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/fake_port.h"
#include "app/shell.h"
#include "app/startup.h"
#include "device/device_link.h"
#include "drive/apply.h"
#include "drive/playback.h"
#include "platform/launch.h"
#include "platform/log.h"
#include "device/simulated/simulated_mouse.h"
#include "platform/file_problem.h"
#include "platform/private_profile.h"
#include "settings/host_settings.h"
#include "support/fake_clock.h"
#include "support/missing_file.h"
#include "support/temp_dir.h"

namespace orv::test {
namespace {

// A program folder made of the shipped skin and configuration, with the
// simulated mouse plugged in or not.
class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::filesystem::path portable = ORV_PORTABLE_DIR;
    std::filesystem::create_directories(dir.path() / "skins");
    for (const char* sub : {"INI_EN", "INI_CN", "config"}) {
      std::filesystem::copy(portable / "skins" / sub, dir.path() / "skins" / sub,
                            std::filesystem::copy_options::recursive);
    }
    for (const char* name : {"Macro_EN.dat", "Macro_CN.dat", "constMacro.dat"}) {
      std::filesystem::copy_file(portable / name, dir.path() / name);
    }
    s.exeDir = dir.path();
    auto mouse = std::make_unique<device::SimulatedMouse>();
    backend = mouse.get();
    backend->SetPlugged(false);
    s.session.backend = std::move(mouse);
    auto recording = std::make_unique<settings::RecordingHostSettings>();
    host = recording.get();
    s.session.host = std::move(recording);
  }

  void PlugMouse() { backend->SetPlugged(true); }
  std::filesystem::path ConfigPath() const { return dir.path() / "skins" / "config" / "config.ini"; }
  size_t Sent() const { return backend->Features().size(); }

  app::StartupResult Start(const std::string& commandLine = "/opt/orv/ORV_ZIduzu") {
    return app::InitialiseMainWindow(s, port, {commandLine});
  }

  // Index of the first call starting with `prefix` (calls.size() when none).
  size_t At(const std::string& prefix) const {
    const auto it = std::find_if(port.calls.begin(), port.calls.end(),
                                 [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    return static_cast<size_t>(it - port.calls.begin());
  }

  TempDir dir;
  app::AppState s;
  FakePort port;
  device::SimulatedMouse* backend = nullptr;
  settings::RecordingHostSettings* host = nullptr;
  FakeClock& clock = UseFakeClock(s);
};

TEST_F(StartupTest, WithTheMouseTheProfileIsAppliedAndTheTrayIconAdded) {
  PlugMouse();
  ASSERT_EQ(Start(), app::StartupResult::Running);
  EXPECT_EQ(port.Actions(), (std::vector<std::string>{"SetIcon", "SetTitle KTR-580 GAMING MOUSE",
                                                      "ApplyWindowShape main_mask.jpg", "LoadMenus 1", "TrayAdd"}));
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(s.skinDir, dir.path() / "skins");
  EXPECT_EQ(s.configPath, ConfigPath());
  EXPECT_EQ(s.macroFilePath, dir.path() / "Macro_EN.dat");
  EXPECT_EQ(s.profile.curProfile, 1);
  EXPECT_EQ(s.language, 1);
  EXPECT_EQ(s.windowWidth, 800);
  EXPECT_EQ(s.windowHeight, 600);
  EXPECT_FALSE(s.layout.mainTexts[0].empty());
  EXPECT_FALSE(s.layout.FunctionNames[1].empty());
  EXPECT_EQ(clock.waitsMs, std::vector<uint32_t>{5});
  EXPECT_EQ(Sent(), 22u);
  EXPECT_EQ(host->Lines(), (std::vector<std::string>{"mouse-speed 8", "wheel-lines 3"}));
  EXPECT_EQ(s.ui.page, app::kPageMain);
  EXPECT_EQ(s.hideAtStart, 0);
}

TEST_F(StartupTest, ProfileAndLanguageComeFromTheConfiguration) {
  PlugMouse();
  ASSERT_EQ(WriteProfileString(ConfigPath(), "Init", "CurConfig", "3"), Outcome());
  ASSERT_EQ(WriteProfileString(ConfigPath(), "Init", "VER_SEL", "0"), Outcome());
  ASSERT_EQ(Start(), app::StartupResult::Running);
  EXPECT_EQ(s.profile.curProfile, 3);
  EXPECT_EQ(s.language, 0);
  EXPECT_EQ(s.macroFilePath, dir.path() / "Macro_CN.dat");
  EXPECT_TRUE(port.Has("LoadMenus 0"));
}

TEST_F(StartupTest, StartMinimisedSwitchIsTakenFromTheCommandLine) {
  PlugMouse();
  ASSERT_EQ(Start("/opt/orv/ORV_ZIduzu -HIDE"), app::StartupResult::Running);
  EXPECT_EQ(s.hideAtStart, 1);
}

TEST_F(StartupTest, WithoutTheMouseThePromptInTheStoredLanguageEndsTheProgram) {
  struct Case {
    const char* verSel;  // nullptr: no key
    std::string prompt;
  } cases[] = {
      {"1", "Please plug-in【KTR-580】USB Mouse"},
      {"0", "Lütfen【KTR-580】USB Mouse'u Takınız"},
      {nullptr, "Lütfen【KTR-580】USB Mouse'u Takınız"},
  };
  for (const Case& c : cases) {
    app::AppState state;
    state.exeDir = dir.path();
    auto absent = std::make_unique<device::SimulatedMouse>();
    absent->SetPlugged(false);
    device::SimulatedMouse* none = absent.get();
    state.session.backend = std::move(absent);
    auto recording = std::make_unique<settings::RecordingHostSettings>();
    settings::RecordingHostSettings* desk = recording.get();
    state.session.host = std::move(recording);
    if (c.verSel) {
      ASSERT_EQ(WriteProfileString(ConfigPath(), "Init", "VER_SEL", c.verSel), Outcome());
    } else {
      WriteText(ConfigPath(), "[Init]\nCurConfig=1\n[Config1]\nK0=1\n");
    }
    const std::string before = ReadText(ConfigPath());
    FakePort p;
    const FakeClock& wait = UseFakeClock(state);
    ASSERT_EQ(app::InitialiseMainWindow(state, p, {"ORV_ZIduzu"}), app::StartupResult::Ended);
    EXPECT_EQ(p.messages, std::vector<std::string>{c.prompt});
    const std::vector<std::string> actions = p.Actions();
    ASSERT_GE(actions.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(actions.end() - 3, actions.end()),
              (std::vector<std::string>{"ShowMessage", "TrayRemove", "DestroyWindow"}));
    EXPECT_FALSE(p.Has("TrayAdd"));
    EXPECT_TRUE(none->Features().empty());
    EXPECT_TRUE(wait.waitsMs.empty());
    EXPECT_TRUE(desk->Lines().empty());
    EXPECT_EQ(ReadText(ConfigPath()), before) << "nothing applied, nothing saved";
    EXPECT_EQ(state.hideAtStart, 0);
  }
}

// The mouse is there but this user may not open it: the message, in either
// language, names the rule file that grants access, and nothing is applied.
// Every box the start-up shows is in the log too: the plug-in prompt, and a
// missing file of built-in macros (read without the mouse's profile in it).
TEST_F(StartupTest, EveryMessageShownIsAlsoLogged) {
  struct Lines final : log::Sink {
    Lines() { log::SetSink(this); }
    ~Lines() override { log::SetSink(nullptr); }
    void Write(log::Level, std::string_view, std::string_view text) override { texts.emplace_back(text); }
    std::vector<std::string> texts;
  } lines;
  struct Case {
    const char* what;
    bool plugged;
    const char* removed;  // a file taken away first, or nullptr
    size_t shown;
  } cases[] = {{"no mouse", false, nullptr, 1}, {"no built-in macros", true, "constMacro.dat", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.removed) std::filesystem::remove(dir.path() / c.removed);
    app::AppState state;
    state.exeDir = dir.path();
    auto mouse = std::make_unique<device::SimulatedMouse>();
    mouse->SetPlugged(c.plugged);
    state.session.backend = std::move(mouse);
    state.session.host = std::make_unique<settings::RecordingHostSettings>();
    UseFakeClock(state);
    FakePort p;
    lines.texts.clear();
    app::InitialiseMainWindow(state, p, {"ORV_ZIduzu"});
    ASSERT_EQ(p.messages.size(), c.shown);
    for (const std::string& m : p.messages) {
      EXPECT_NE(std::find(lines.texts.begin(), lines.texts.end(), m), lines.texts.end()) << m;
    }
    if (c.removed) ExpectOneMissingFileMessage(p.messages, c.removed);
  }
}

TEST_F(StartupTest, AMouseTheUserMayNotOpenNamesTheRuleFileAndEndsTheProgram) {
  for (const char* verSel : {"1", "0"}) {
    ASSERT_EQ(WriteProfileString(ConfigPath(), "Init", "VER_SEL", verSel), Outcome());
    auto refusing = std::make_unique<device::SimulatedMouse>();
    for (const std::string& path : {refusing->InputPath(), refusing->FeaturePath()}) {
      refusing->SetOpenStatus(path, device::OpenStatus::PermissionDenied, device::OpenStatus::PermissionDenied);
    }
    const device::SimulatedMouse* mouse = refusing.get();
    app::AppState state;
    state.exeDir = dir.path();
    state.session.backend = std::move(refusing);
    state.session.host = std::make_unique<settings::RecordingHostSettings>();
    FakePort p;
    const FakeClock& wait = UseFakeClock(state);
    ASSERT_EQ(app::InitialiseMainWindow(state, p, {"ORV_ZIduzu"}), app::StartupResult::Ended) << verSel;
    ASSERT_EQ(p.messages.size(), 1u) << verSel;
    EXPECT_NE(p.messages[0].find(std::string("udev/") + device::kUdevRuleFile), std::string::npos) << p.messages[0];
    EXPECT_NE(p.messages[0].find(device::kModelName), std::string::npos) << p.messages[0];
    EXPECT_FALSE(p.Has("TrayAdd"));
    EXPECT_TRUE(wait.waitsMs.empty());
    EXPECT_TRUE(mouse->Features().empty());
  }
}

// Arrivals and removals are watched before the mouse is looked for, so a
// removal during the rest of the start-up waits for the window's loop.
TEST_F(StartupTest, DeviceEventsAreWatchedBeforeTheMouseIsOpened) {
  PlugMouse();
  ASSERT_EQ(Start(), app::StartupResult::Running);
  const std::vector<std::string> requests = backend->Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.front(), "events");
  EXPECT_NE(std::find(requests.begin(), requests.end(), "list"), requests.end());
}

// A configuration file with nothing of ours in it would give six dead buttons
// and one 200-DPI level: it is kept aside, the shipped one takes its place,
// the user is told, and the mouse gets the factory profile.
TEST_F(StartupTest, ADamagedConfigurationIsKeptAsideAndReplaced) {
  PlugMouse();
  WriteText(ConfigPath(), std::string("\x01\x02garbage\xFF\n", 12));
  ASSERT_EQ(Start(), app::StartupResult::Running);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_NE(port.messages[0].find("config.ini.damaged"), std::string::npos) << port.messages[0];
  EXPECT_TRUE(std::filesystem::exists(ConfigPath().string() + ".damaged"));
  EXPECT_EQ(s.profile.curProfile, 1);
  EXPECT_EQ(int32_t(s.settings.K[0]), 1);  // the left click is back
  EXPECT_EQ(Sent(), 22u);
}

// Temporary files left by a write that was killed before its rename are
// removed at start-up once they are old, in every folder the program writes
// to; a fresh one may belong to a write in progress and stays.
TEST_F(StartupTest, StaleTemporaryFilesOfCutShortWritesAreRemoved) {
  PlugMouse();
  const auto configDir = ConfigPath().parent_path();
  const auto stale = configDir / ".config.ini.Ab12Cd";
  const auto staleMacros = dir.path() / ".Macro_EN.dat.Qw34Er";
  const auto fresh = configDir / ".config.ini.Zz98Yy";
  const auto foreign = configDir / "notes.txt";
  for (const auto& f : {stale, staleMacros, fresh, foreign}) WriteText(f, "x");
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5);
  std::filesystem::last_write_time(stale, old);
  std::filesystem::last_write_time(staleMacros, old);
  std::filesystem::last_write_time(foreign, old);
  ASSERT_EQ(Start(), app::StartupResult::Running);
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_FALSE(std::filesystem::exists(staleMacros)) << "the macro files' folder too";
  EXPECT_TRUE(std::filesystem::exists(fresh));
  EXPECT_TRUE(std::filesystem::exists(foreign));
}

TEST_F(StartupTest, MissingLayoutShowsItsMessageAndEndsBeforeTheShape) {
  PlugMouse();
  std::filesystem::remove(dir.path() / "skins" / "INI_EN" / "skin_color_en.ini");
  ASSERT_EQ(Start(), app::StartupResult::Failed);
  ExpectOneMissingFileMessage(port.messages, "skin_color_en.ini");
  EXPECT_EQ(port.Actions(), (std::vector<std::string>{"SetIcon", "SetTitle KTR-580 GAMING MOUSE", "ShowMessage",
                                                      "TrayRemove", "DestroyWindow"}));
  EXPECT_EQ(Sent(), 0u);
}

TEST_F(StartupTest, MissingWarningLayoutAndMissingMaskEndTheProgramToo) {
  PlugMouse();
  std::filesystem::remove(dir.path() / "skins" / "INI_EN" / "LBWarning_en.ini");
  ASSERT_EQ(Start(), app::StartupResult::Failed);
  EXPECT_FALSE(port.Has("ApplyWindowShape"));

  app::AppState state;
  state.exeDir = dir.path();
  state.session.backend = std::make_unique<device::SimulatedMouse>();
  WriteText(dir.path() / "skins" / "INI_EN" / "LBWarning_en.ini", "[BUTTONPOS]\n");
  FakePort p;
  p.maskLoads = false;
  ASSERT_EQ(app::InitialiseMainWindow(state, p, {"ORV_ZIduzu"}), app::StartupResult::Failed);
  ExpectOneMissingFileMessage(p.messages, "main_mask.jpg", "not a picture");
  EXPECT_TRUE(p.destroyed);
  EXPECT_FALSE(p.Has("TrayAdd"));
}

TEST_F(StartupTest, PlaybackThreadsRunFromStartUpAndStop) {
  PlugMouse();
  s.clock = std::make_unique<SteadyClock>();  // the threads wait in real time
  s.playback.launcher = std::make_unique<RecordingLauncher>();
  ASSERT_EQ(Start(), app::StartupResult::Running);
  ASSERT_NE(s.playback.engine, nullptr);
  EXPECT_EQ(s.playback.engine->handOff().triggerPending.load(), 0u);
  EXPECT_EQ(s.playback.profile.Get().profile, 1);
  EXPECT_EQ(s.playback.profile.Get().configPath, ConfigPath());
  app::StopWorkers(s);
}

TEST_F(StartupTest, AnAutomaticStartWithoutTheMouseEndsSilently) {
  const std::string before = ReadText(ConfigPath());
  ASSERT_EQ(app::InitialiseMainWindow(s, port, {"orv-ziduzu --when-present", true}),
            app::StartupResult::Ended);
  EXPECT_TRUE(port.messages.empty());
  EXPECT_TRUE(port.destroyed);
  EXPECT_FALSE(port.Has("TrayAdd"));
  EXPECT_TRUE(backend->Features().empty());
  EXPECT_TRUE(host->Lines().empty());
  EXPECT_EQ(ReadText(ConfigPath()), before);
}

TEST_F(StartupTest, AnAutomaticStartWithTheMouseAppliesAndStartsMinimised) {
  PlugMouse();
  ASSERT_EQ(app::InitialiseMainWindow(s, port, {"orv-ziduzu --when-present", true}),
            app::StartupResult::Running);
  EXPECT_EQ(Sent(), 22u);
  EXPECT_EQ(s.hideAtStart, 1);
  EXPECT_TRUE(port.Has("TrayAdd"));
}

TEST_F(StartupTest, TheSwitchIsAWholeArgument) {
  struct Case {
    std::vector<const char*> argv;
    bool given;
  } cases[] = {
      {{"orv-ziduzu", "--when-present"}, true},
      {{"orv-ziduzu", "-HIDE", "--when-present"}, true},
      {{"orv-ziduzu"}, false},
      {{"--when-present"}, false},  // the program's own path
      {{"orv-ziduzu", "--when-present=1"}, false},
      {{"orv-ziduzu", "--when"}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app::WhenPresentSwitchGiven(static_cast<int>(c.argv.size()), c.argv.data()), c.given) << c.argv.back();
  }
}

// Installed: the data is read from one folder, the user's files are written
// in another, and the data folder is left as it was.
TEST_F(StartupTest, InstalledFoldersReadTheDataAndWriteTheUsersFiles) {
  PlugMouse();
  TempDir user;
  s.folders = {dir.path(), user.path(), user.path() / "config.ini", user.path()};
  ASSERT_TRUE(PrepareUserFolder(s.folders).empty());
  ASSERT_EQ(WriteProfileString(user.path() / "config.ini", "Init", "CurConfig", "2"), Outcome());
  const std::string shipped = ReadText(ConfigPath());
  ASSERT_EQ(Start(), app::StartupResult::Running);
  EXPECT_EQ(s.skinDir, dir.path() / "skins");
  EXPECT_EQ(s.configPath, user.path() / "config.ini");
  EXPECT_EQ(s.macroFilePath, user.path() / "Macro_EN.dat");
  EXPECT_EQ(s.profile.curProfile, 2) << "the profile comes from the user's file";
  EXPECT_EQ(Sent(), 22u);
  EXPECT_EQ(ReadText(ConfigPath()), shipped) << "the shipped file is only read";
  EXPECT_EQ(app::MakeApplyContext(s, nullptr).exeDir, user.path()) << "macros are saved to the user";
}

}  // namespace
}  // namespace orv::test
