#include "drive/apply.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <set>
#include <thread>

#include "macros/macro_files.h"
#include "platform/atomic_file.h"
#include "platform/private_profile.h"
#include "settings/macro_pair.h"
#include "support/memory_mouse.h"
#include "support/temp_dir.h"

namespace orv::drive {
namespace {

using namespace orv::settings;

using test::FormatReport;
using test::TempDir;

class FakeWindow final : public WindowPort {
 public:
  bool macroPageOpen = false;
  std::vector<std::string> calls;
  std::function<void()> onTakeRepeatCount;
  bool MacroPageOpen() override { return macroPageOpen; }
  void TakeRepeatCount() override {
    calls.push_back("take-repeat-count");
    if (onTakeRepeatCount) onTakeRepeatCount();
  }
  void RefillMacroLists() override { calls.push_back("refill"); }
  void Repaint() override { calls.push_back("repaint"); }
};

struct Rig {
  TempDir dir;
  MouseSettings settings;
  macros::MacroTables tables;
  ProfileState profile;
  device::ReportChannel channel;
  device::SimulatedMouse mouse;
  RecordingHostSettings host;
  FakeWindow window;
  ApplyContext ctx{ConfigContext{settings, tables, &profile, 0}, channel};

  explicit Rig(int32_t language = 1, device::HandleState state = device::HandleState::Open) {
    channel.SetWriteCollection(state, test::OpenFeatures(mouse), 8);
    profile.curProfile = 1;
    ctx.config.language = language;
    ctx.exeDir = dir.path();
    ctx.configPath = dir / "skins/config/config.ini";
    ctx.macroFilePath = dir / (language ? "Macro_EN.dat" : "Macro_CN.dat");
    ctx.host = &host;
    ctx.window = &window;
  }
  void LoadFactory() {
    ResetToFactory(settings);
    settings.colourCycleFlags.fill(true);
  }
  std::vector<std::string> Wire() const {
    std::vector<std::string> out;
    for (const auto& r : mouse.Features()) out.push_back(FormatReport(r));
    return out;
  }
  std::string Config(const std::string& section, const std::string& key) const {
    return GetProfileString(ctx.configPath, section, key, 4000);
  }
};

const std::vector<std::string> kFactoryApply = {
    "07 10 01 01 00 00 00 00", "07 10 02 02 00 00 00 00", "07 10 03 03 00 00 00 00", "07 10 05 05 00 00 00 00",
    "07 10 04 04 00 00 00 00", "07 10 08 0B 00 00 00 00", "07 10 06 0C 00 00 00 00", "07 11 00 00 00 00 00 00",
    "07 13 7F 92 00 00 00 00", "07 09 41 38 3F 00 00 00", "07 14 00 0F 3F 00 00 00", "07 09 41 59 3F 00 00 00",
    "07 14 2F F0 3F 00 00 00", "07 09 41 6A 3F 00 00 00", "07 14 4F 00 3F 00 00 00", "07 09 41 9B 3F 00 00 00",
    "07 14 60 FF 3F 00 00 00", "07 09 41 DC 3F 00 00 00", "07 14 8F 0F 3F 00 00 00", "07 09 41 FD 3F 00 00 00",
    "07 14 A0 00 3F 00 00 00", "07 12 00 06 00 00 00 00",
};

TEST(Apply, FactoryProfileSendsTheGoldenSequence) {
  Rig rig;
  rig.LoadFactory();
  const ApplyOutcome outcome = ApplySettings(rig.ctx);
  EXPECT_TRUE(outcome.writeErrors.empty());
  EXPECT_FALSE(outcome.repaired);
  EXPECT_EQ(rig.Wire(), kFactoryApply);
  EXPECT_EQ(rig.host.Lines(), (std::vector<std::string>{"mouse-speed 8", "wheel-lines 3"}));
  EXPECT_EQ(rig.window.calls, (std::vector<std::string>{"repaint"}));
}

// Values the editors never give reach the mouse only within the model's
// ranges; the profile keeps what it holds until the user saves it.
TEST(Apply, DamagedValuesAreSentWithinTheModelsRanges) {
  struct Case {
    const char* what;
    std::function<void(MouseSettings&)> damage;
    size_t reportIndex;
    std::string want;
  } cases[] = {
      {"fire time -100", [](MouseSettings& s) { s.FIRE_TIME = -100; }, 21, "07 12 00 00 00 00 00 00"},
      {"fire time 100000", [](MouseSettings& s) { s.FIRE_TIME = 100000; }, 21, "07 12 00 25 00 00 00 00"},
      {"wheel status -1", [](MouseSettings& s) { s.WHEEL_STATUS = -1; }, 7, "07 11 00 00 00 00 00 00"},
      {"wheel status 7", [](MouseSettings& s) { s.WHEEL_STATUS = 7; }, 7, "07 11 01 00 00 00 00 00"},
      {"step beyond the table", [](MouseSettings& s) { s.levels[2].step = 200; }, 13, "07 09 41 1A 3F 00 00 00"},
      {"enabled flag 2 sets its own bit", [](MouseSettings& s) { s.levels[5].enabled = 2; }, 19,
       "07 09 41 FD 3F 00 00 00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig;
    rig.LoadFactory();
    c.damage(rig.settings);
    const int32_t fire = rig.settings.FIRE_TIME, wheel = rig.settings.WHEEL_STATUS;
    ApplySettings(rig.ctx);
    const auto wire = rig.Wire();
    ASSERT_EQ(wire.size(), kFactoryApply.size());
    EXPECT_EQ(wire[c.reportIndex], c.want);
    EXPECT_EQ(rig.settings.FIRE_TIME, fire);
    EXPECT_EQ(rig.settings.WHEEL_STATUS, wheel);
  }
}

TEST(Apply, PointerSpeedTable) {
  const int32_t want[] = {1, 2, 4, 6, 8, 10, 12, 14, 16, 18, 18, 18};
  for (int step = 0; step < 12; ++step) EXPECT_EQ(PointerSpeedFor(static_cast<uint8_t>(step)), want[step]) << step;
  EXPECT_EQ(PointerSpeedFor(255), 18);
}

TEST(Apply, HostSettingsFollowTheProfileAndAreSkippedWhenUnavailable) {
  struct Case {
    bool pointer, wheel;
    uint8_t dpiSpeed, wheelSpeed;
    std::vector<std::string> want;
  } cases[] = {
      {true, true, 0, 0, {"mouse-speed 1", "wheel-lines 1"}},
      {true, true, 9, 9, {"mouse-speed 18", "wheel-lines 10"}},
      {true, true, 8, 255, {"mouse-speed 16", "wheel-lines 0"}},
      {false, true, 4, 2, {"wheel-lines 3"}},
      {true, false, 4, 2, {"mouse-speed 8"}},
      {false, false, 4, 2, {}},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.LoadFactory();
    rig.host.SetAvailable(c.pointer, c.wheel);
    rig.settings.DPI_SPEED = c.dpiSpeed;
    rig.settings.WHEEL_SPEED = c.wheelSpeed;
    ApplySettings(rig.ctx);
    EXPECT_EQ(rig.host.Lines(), c.want) << int(c.dpiSpeed) << " " << int(c.wheelSpeed);
    EXPECT_EQ(rig.mouse.Features().size(), 22u);
  }
}

TEST(Apply, DpiFunctionButtonsAreMarkedAndSentWithTheirDeviceCode) {
  Rig rig;
  rig.LoadFactory();
  SetButtonFunction(rig.settings, 0, 15);  // function 1 moves to button 1
  ApplySettings(rig.ctx);
  EXPECT_EQ(rig.Wire()[0], "07 10 01 0B 00 00 00 00");
  const bool want[] = {true, false, false, false, false, true, true};
  for (int b = 0; b < kButtonCount; ++b) EXPECT_EQ(bool(rig.settings.dpiFunctionButton[b]), want[b]) << b;
  // A later Apply clears a flag whose button lost its DPI function.
  SetButtonFunction(rig.settings, 0, 3);
  ApplySettings(rig.ctx);
  EXPECT_FALSE(rig.settings.dpiFunctionButton[0]);
}

TEST(Apply, WriteCollectionStates) {
  struct Case {
    device::HandleState state;
    size_t recorded;  // reports that reached the writer
    uint64_t failed;
  } cases[] = {
      {device::HandleState::Open, 22, 0},
      {device::HandleState::Invalid, 0, 15},     // button functions skipped, the rest attempted
      {device::HandleState::NeverOpened, 0, 22},
  };
  for (const Case& c : cases) {
    Rig rig(1, c.state);
    rig.LoadFactory();
    SetButtonFunction(rig.settings, 3, 6);
    const ApplyOutcome outcome = ApplySettings(rig.ctx);
    EXPECT_EQ(rig.mouse.Features().size(), c.recorded);
    EXPECT_EQ(rig.channel.FailedSends(), c.failed);
    EXPECT_TRUE(rig.settings.dpiFunctionButton[3]);
    // Files and host settings are written whatever the mouse does.
    EXPECT_TRUE(outcome.writeErrors.empty());
    EXPECT_EQ(rig.Config("Init", "CurConfig"), "1");
    EXPECT_EQ(rig.Config("Config6", "K3"), "6");
    EXPECT_EQ(rig.host.Lines().size(), 2u);
  }
}

TEST(Apply, WritesCurConfigSnapshotProfileAndMacroFileOnceEach) {
  Rig rig;
  rig.LoadFactory();
  rig.profile.curProfile = 3;
  rig.settings.FIRE_TIME = 120;
  rig.tables.userMacroCount = 2;
  macros::SetMacroName(rig.tables.userMacros[0], "One");
  macros::SetMacroName(rig.tables.userMacros[1], "Two");
  const uint64_t writesBefore = IniFileWriteCount();
  ApplySettings(rig.ctx);
  EXPECT_EQ(IniFileWriteCount() - writesBefore, 2u);  // config.ini and the macro file
  EXPECT_EQ(rig.Config("Init", "CurConfig"), "3");
  EXPECT_EQ(rig.Config("Config6", "FIRE_TIME"), "120");
  EXPECT_EQ(rig.Config("Config3", "FIRE_TIME"), "120");
  EXPECT_EQ(rig.Config("Config3", "macroNum"), "2");
  EXPECT_EQ(rig.Config("Config6", "0"), rig.Config("Config3", "0"));
  EXPECT_EQ(GetProfileString(rig.ctx.macroFilePath, "Macros", "macroNum", 3), "2");
  EXPECT_EQ(rig.settings.CYC_7COL_EN, 0x7F);
}

// Lets the first `allowed` writes through and refuses every later one, as a
// kill at that moment would.
class StopAfterWrites final : public WriteGate {
 public:
  explicit StopAfterWrites(int allowed) : left_(allowed) {}
  Outcome Check(const std::filesystem::path&) override {
    if (left_ == 0) return Failure::Of("stopped");
    --left_;
    ++done;
    return {};
  }
  int done = 0;

 private:
  int left_;
};

// The function code of user macro 0.
constexpr int32_t kUserMacro0 = 41;

void SetMacros(macros::MacroTables& tables, const std::vector<std::string>& names) {
  tables.userMacroCount = static_cast<int16_t>(names.size());
  for (size_t k = 0; k < names.size(); ++k) macros::SetMacroName(tables.userMacros[k], names[k]);
}

// Apply writes the configuration and the macro file; whenever it is cut
// short, the next start reads either the old pair or the new one, so a
// button never plays another macro than the one it was given.
TEST(Apply, AKillBetweenItsWritesLeavesTheOldPairOrTheNewOne) {
  for (int allowed = 0;; ++allowed) {
    SCOPED_TRACE(allowed);
    Rig rig;
    rig.LoadFactory();
    // Applied: macros A and B, button 4 plays B (macro 1).
    SetMacros(rig.tables, {"A", "B"});
    rig.settings.K[4] = kUserMacro0 + 1;
    ASSERT_TRUE(ApplySettings(rig.ctx).writeErrors.empty());
    // Then A is deleted, so B is macro 0 and button 4 follows it.
    SetMacros(rig.tables, {"B"});
    rig.settings.K[4] = kUserMacro0;
    StopAfterWrites gate(allowed);
    SetWriteGate(&gate);
    ApplySettings(rig.ctx);
    SetWriteGate(nullptr);

    // The next start: the current profile, then the macro file.
    MouseSettings settings;
    macros::MacroTables tables;
    ProfileState profile;
    ReadCurrentProfile(rig.ctx.configPath, profile);
    ConfigContext config{settings, tables, &profile, 1};
    LoadConfig(config, rig.ctx.configPath, profile.curProfile, false);
    EXPECT_EQ(LoadUserMacros(rig.ctx.configPath, rig.ctx.macroFilePath, 1, profile, tables), Outcome());
    const int32_t slot = settings.K[4] - kUserMacro0;
    ASSERT_TRUE(slot >= 0 && slot < tables.userMacroCount) << slot;
    EXPECT_EQ(macros::MacroName(tables.userMacros[slot]), "B");
    if (gate.done < allowed) break;  // every write of the Apply went through
  }
}

TEST(Apply, TakesTheRepeatCountFirstWhenTheMacroPageIsOpen) {
  Rig rig;
  rig.LoadFactory();
  rig.tables.userMacroCount = 1;
  rig.window.macroPageOpen = true;
  rig.window.onTakeRepeatCount = [&] { rig.tables.userMacros[0].repeatCount = 300; };
  ApplySettings(rig.ctx);
  EXPECT_EQ(rig.window.calls, (std::vector<std::string>{"take-repeat-count", "repaint"}));
  macros::MacroTables loaded;
  macros::LoadMacros(rig.ctx.macroFilePath, "Macros", loaded, macros::MacroTarget::User);
  EXPECT_EQ(loaded.userMacros[0].repeatCount, 300);
}

TEST(Apply, ColourCycleMaskIsRebuiltFromTheFlags) {
  Rig rig;
  rig.LoadFactory();
  rig.settings.colourCycleFlags = {true, false, true, false, false, false, true};
  ApplySettings(rig.ctx);
  EXPECT_EQ(rig.Wire()[8], "07 13 45 92 00 00 00 00");
  EXPECT_EQ(rig.Config("Config1", "CYC_7COL_EN"), "69");
  // The applied snapshot holds the mask that was sent, not the one from before.
  EXPECT_EQ(rig.Config("Config6", "CYC_7COL_EN"), "69");
}

// A profile whose keys are all but one missing loads as zeros: no left click,
// no enabled level, no cycle colour. Apply repairs that before sending, so the
// mouse keeps a left click, and saves what it sent.
TEST(Apply, RepairsAProfileThatWouldLeaveTheMouseUnusable) {
  Rig rig;
  test::WriteText(rig.ctx.configPath, "[Init]\nCurConfig=1\n[Config1]\nK0=0\n");
  ConfigContext config{rig.settings, rig.tables, &rig.profile, 1};
  LoadConfig(config, rig.ctx.configPath, 1, false);
  ASSERT_EQ(int32_t(rig.settings.K[0]), 0);
  const ApplyOutcome outcome = ApplySettings(rig.ctx);
  EXPECT_TRUE(outcome.repaired);
  const auto wire = rig.Wire();
  ASSERT_EQ(wire.size(), 22u);
  EXPECT_EQ(wire[0], "07 10 01 01 00 00 00 00");
  EXPECT_EQ(wire[8], "07 13 7F 80 00 00 00 00");
  EXPECT_EQ(wire[9], "07 09 40 18 01 00 00 00");  // level 0 active and enabled
  EXPECT_EQ(rig.Config("Config1", "K0"), "1");
  EXPECT_EQ(rig.Config("Config1", "DPI_SET_EN0"), "1");
  EXPECT_EQ(rig.Config("Config6", "CYC_7COL_EN"), "127");
}

TEST(Apply, WriteFailuresAreReportedAndTheMouseStillGetsTheProfile) {
  Rig rig;
  rig.LoadFactory();
  test::WriteText(rig.dir / "skins", "a file where the skin folder should be");
  const ApplyOutcome outcome = ApplySettings(rig.ctx);
  // The configuration could not be written, so neither is the macro file it describes.
  ASSERT_EQ(outcome.writeErrors.size(), 2u);
  EXPECT_NE(outcome.writeErrors[0].Text().find("config"), std::string::npos);
  EXPECT_NE(outcome.writeErrors[1].Text().find("Macro_EN.dat"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(rig.ctx.macroFilePath));
  EXPECT_EQ(rig.mouse.Features().size(), 22u);
}

// A config.ini whose factory sections differ, to see which one Reset reads.
void WriteFactorySections(const std::filesystem::path& configPath) {
  std::string text = "[Init]\nCurConfig=2\nVER_SEL=1\n";
  const struct {
    const char* section;
    int fire;
  } factory[] = {{"CfgReset2", 16}, {"CfgReset3", 24}, {"CfgReset4", 32}, {"CfgReset5", 40}, {"CfgReset_EN5", 48}};
  for (const auto& f : factory) {
    text += std::string("[") + f.section + "]\nK0=1\nDPI_LEVEL=0\nDPI_SET_EN0=1\nCYC_7COL_EN=127\nFIRE_TIME=" +
            std::to_string(f.fire) + "\n";
  }
  macros::MacroRecord kept;
  macros::SetMacroName(kept, "Kept");
  text += "[Config2]\nFIRE_TIME=200\nmacroNum=1\n0=" + macros::EncodeMacroEntry(kept) + "\n";
  test::WriteText(configPath, text);
}

TEST(Reset, RestoresFactoryProfilesByLanguageAndApplies) {
  struct Case {
    int32_t language;
    const char* profile5Fire;
  } cases[] = {{1, "48"}, {0, "40"}, {2, "40"}};
  for (const Case& c : cases) {
    Rig rig(c.language);
    WriteFactorySections(rig.ctx.configPath);
    rig.profile.curProfile = 2;
    rig.tables.userMacroCount = 1;
    macros::SetMacroName(rig.tables.userMacros[0], "Mine");
    rig.settings.MACRO_MODE2 = 77;
    rig.window.macroPageOpen = true;
    const uint64_t writesBefore = IniFileWriteCount();
    const ApplyOutcome outcome = ResetAllProfiles(rig.ctx);
    EXPECT_TRUE(outcome.writeErrors.empty());
    EXPECT_EQ(IniFileWriteCount() - writesBefore, 2u);
    EXPECT_EQ(rig.Config("Config1", "FIRE_TIME"), "50");
    EXPECT_EQ(rig.Config("Config1", "MACRO_MODE2"), "77");
    EXPECT_EQ(rig.Config("Config1", "macroNum"), "");  // profile 1 is saved without macros
    EXPECT_EQ(rig.Config("Config3", "FIRE_TIME"), "24");
    EXPECT_EQ(rig.Config("Config4", "FIRE_TIME"), "32");
    EXPECT_EQ(rig.Config("Config5", "FIRE_TIME"), c.profile5Fire) << c.language;
    // The current profile (2) was reset too, then reloaded with its section's
    // macros and applied.
    EXPECT_EQ(rig.settings.FIRE_TIME, 16);
    EXPECT_EQ(rig.tables.userMacroCount, 1);
    EXPECT_EQ(macros::MacroName(rig.tables.userMacros[0]), "Kept");
    EXPECT_EQ(rig.Config("Config6", "FIRE_TIME"), "16");
    EXPECT_EQ(rig.Wire().back(), "07 12 00 02 00 00 00 00");
    const char* macroFile = c.language ? "Macro_EN.dat" : "Macro_CN.dat";
    EXPECT_EQ(GetProfileString(rig.dir / macroFile, "Macros", "macroNum", 3), "1");
    EXPECT_EQ(rig.window.calls,
              (std::vector<std::string>{"refill", "repaint", "take-repeat-count", "repaint"}));
  }
}

// A macro playing on the executor thread while the window thread applies: the
// wire shows whole reports only, each either a settings report or a key report.
TEST(Apply, MacroReportsAndApplyInterleaveWholeReportsOnly) {
  Rig rig;
  rig.LoadFactory();
  std::atomic<bool> done{false};
  std::thread player([&] {
    const uint8_t keys[] = {4, 5, 6};
    while (!done.load()) {
      for (uint8_t k : keys) rig.channel.SendKeyOrButton(k, macros::ACTION_DOWN);
      for (uint8_t k : keys) rig.channel.SendKeyOrButton(k, macros::ACTION_UP);
    }
  });
  for (int i = 0; i < 20; ++i) ApplySettings(rig.ctx);
  done = true;
  player.join();

  std::vector<std::string> settingsReports;
  for (const auto& r : rig.mouse.Features()) {
    ASSERT_EQ(r.size(), 8u);
    ASSERT_EQ(r[0], 7);
    if (r[1] == 0x15) {
      // Held keys are a prefix of 4 5 6 in press order, or 5 6 / 6 after releases.
      const std::string keys = FormatReport(r.data() + 2, 6);
      static const std::set<std::string> valid = {
          "00 00 00 00 00 00", "04 00 00 00 00 00", "04 05 00 00 00 00", "04 05 06 00 00 00",
          "05 06 00 00 00 00", "06 00 00 00 00 00"};
      EXPECT_TRUE(valid.count(keys)) << keys;
    } else {
      settingsReports.push_back(FormatReport(r));
    }
  }
  ASSERT_EQ(settingsReports.size(), 20 * kFactoryApply.size());
  // Bytes a settings report does not write may hold key bytes left by a key
  // report in between; bytes 0 ... 3, which every settings command writes, must
  // match the golden run in its order.
  for (size_t i = 0; i < settingsReports.size(); ++i) {
    EXPECT_EQ(settingsReports[i].substr(0, 11), kFactoryApply[i % kFactoryApply.size()].substr(0, 11)) << i;
  }
}

}  // namespace
}  // namespace orv::drive
