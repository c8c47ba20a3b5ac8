// The listener's and the executor's rules, run on the test thread with a
// clock that only pretends to wait: every report is stamped with the time it
// went out, so the schedule can be checked to the millisecond.
#include "drive/playback.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/private_profile.h"
#include "support/fake_clock.h"
#include "support/memory_mouse.h"
#include "support/temp_dir.h"

namespace orv::drive {
namespace {

using namespace orv::macros;

using test::FakeClock;
using Nanos = Clock::Nanos;
constexpr Nanos kMs = kNanosPerMs;

// Keeps each report with the time it was sent.
class TimedHid final : public device::HidWriter {
 public:
  explicit TimedHid(FakeClock& c) : clock(c) {}
  bool SetFeature(const uint8_t* data, size_t length) override {
    sent.push_back(std::to_string(clock.Now() / kMs) + " " + test::FormatReport(data, length));
    return true;
  }
  FakeClock& clock;
  std::vector<std::string> sent;
};

class NoInput final : public device::InputReportSource {
 public:
  int ReadReport(uint8_t*, size_t) override { return -1; }
  void Interrupt() override {}
};

MacroRecord Macro(uint8_t mode, uint16_t repeat, std::vector<std::pair<MacroEvent, uint16_t>> events) {
  MacroRecord r;
  r.mode = mode;
  r.repeatCount = repeat;
  r.eventCount = static_cast<uint8_t>(events.size());
  for (size_t k = 0; k < events.size(); ++k) {
    r.events[k] = events[k].first;
    r.delays[k] = events[k].second;
  }
  return r;
}

constexpr MacroEvent kPressA{4, ACTION_DOWN};
constexpr MacroEvent kReleaseA{4, ACTION_UP};

// Wire codes of buttons 0 ... 6: 1, 2, 3, 5, 4, 8, 6.
class PlaybackTest : public ::testing::Test {
 public:
  PlaybackTest() {
    channel.SetWriteCollection(device::HandleState::Open, hid, 8);
    for (int b = 0; b < settings::kButtonCount; ++b) settings.K[b] = b + 1;
  }

  PlaybackDeps Deps() {
    PlaybackDeps d;
    d.settings = &settings;
    d.macros = &tables;
    d.channel = &channel;
    d.input = &input;
    d.profileLocation = [this] { return ProfileLocation{dir / "config.ini", 2}; };
    d.repaint = [this] { ++repaints; };
    d.launcher = &launcher;
    d.clock = &clock;
    return d;
  }

  void Report(uint8_t event, uint8_t data) {
    const uint8_t r[8] = {6, event, data, 0, 0, 0, 0, 0};
    engine.HandleReport(r, sizeof r);
  }
  void Press(uint8_t wire, uint8_t data = 1) { Report(static_cast<uint8_t>(0xF0 + wire), data); }
  void Release(uint8_t wire) { Report(static_cast<uint8_t>(0xF0 + wire), 0x80); }
  // Delivers `report` once the playback clock is `at` ms on from now.
  void At(Nanos at, std::function<void()> report) {
    clock.onTime = [due = clock.Now() + at * kMs, report, done = false](Nanos now) mutable {
      if (!done && now >= due) {
        done = true;
        report();
      }
    };
  }
  bool Idle() const {
    return engine.handOff().triggerPending.load() == 0 && engine.handOff().stopRequested.load() == 0;
  }
  // Presses a button and lets the executor carry it out.
  void Run(uint8_t wire, uint8_t data = 1) {
    Press(wire, data);
    ASSERT_TRUE(engine.RunPendingTrigger());
    EXPECT_TRUE(Idle());
  }
  size_t Passes() const {  // each pass ends with the two release reports
    size_t n = 0;
    for (const std::string& s : hid->sent) n += s.find(" 07 16 ") != std::string::npos;
    return n;
  }

  test::TempDir dir;
  settings::MouseSettings settings;
  MacroTables tables;
  device::ReportChannel channel;
  FakeClock clock;
  std::shared_ptr<TimedHid> hid = std::make_shared<TimedHid>(clock);
  NoInput input;
  RecordingLauncher launcher;
  int repaints = 0;
  PlaybackEngine engine{Deps()};
};

TEST_F(PlaybackTest, CountedMacroPlaysItsPassesOnAnAbsoluteSchedule) {
  tables.userMacros[0] = Macro(MODE_COUNTED, 3, {{kPressA, 40}, {kReleaseA, 30}});
  settings.K[3] = 41;
  Run(5);
  std::vector<std::string> expected;
  for (int pass = 0; pass < 3; ++pass) {
    const int t = pass * 90;
    expected.push_back(std::to_string(t) + " 07 15 04 00 00 00 00 00");
    expected.push_back(std::to_string(t + 40) + " 07 15 00 00 00 00 00 00");
    expected.push_back(std::to_string(t + 80) + " 07 16 00 FF 00 00 00 00");
    expected.push_back(std::to_string(t + 90) + " 07 15 00 00 00 00 00 00");
  }
  EXPECT_EQ(hid->sent, expected);
}

TEST_F(PlaybackTest, ShortDelaysArePlayedAsFifteenMilliseconds) {
  tables.userMacros[0] = Macro(MODE_ONCE, 0, {{kPressA, 0}, {kReleaseA, 10}, {kPressA, 1000}, {kReleaseA, 16}});
  settings.K[0] = 41;
  Run(1);
  EXPECT_EQ(hid->sent, (std::vector<std::string>{
                           "0 07 15 04 00 00 00 00 00", "15 07 15 00 00 00 00 00 00", "30 07 15 04 00 00 00 00 00",
                           "1030 07 15 00 00 00 00 00 00", "1056 07 16 00 FF 00 00 00 00",
                           "1066 07 15 00 00 00 00 00 00"}));
}

TEST_F(PlaybackTest, OversleepingIsMadeUpButNeverBelowFifteenMillisecondsBetweenSends) {
  tables.userMacros[0] = Macro(MODE_ONCE, 0, {{kPressA, 40}, {kReleaseA, 40}, {kPressA, 15}, {kReleaseA, 15}});
  settings.K[0] = 41;
  clock.lateness = {5 * kMs, 0, 4 * kMs};  // the first and third waits wake late
  Run(1);
  ASSERT_GE(hid->sent.size(), 4u);
  // Due at 40, sent at 45: the next stays due at 80. Due at 95, sent at 99:
  // the pass's end is due at 114 (15 after that send), not at 110.
  EXPECT_EQ(hid->sent[0].substr(0, 2), "0 ");
  EXPECT_EQ(hid->sent[1].substr(0, 3), "45 ");
  EXPECT_EQ(hid->sent[2].substr(0, 3), "80 ");
  EXPECT_EQ(hid->sent[3].substr(0, 3), "99 ");
  EXPECT_EQ(hid->sent[4].substr(0, 4), "124 ");  // 114 + the 10 ms release wait
}

TEST_F(PlaybackTest, StopRules) {
  struct Case {
    const char* name;
    uint8_t mode;
    uint16_t repeat;
    std::function<void(PlaybackTest&)> during;  // at 70 ms: in the second pass
    size_t passes;
  };
  // Button 3 (wire 5) plays macro 0; button 1 (wire 2) holds a MODE_HELD macro (slot 1).
  const Case cases[] = {
      {"counted: no stop", MODE_COUNTED, 5, nullptr, 5},
      {"counted: second press", MODE_COUNTED, 5, [](PlaybackTest& t) { t.Press(5); }, 2},
      {"counted: event 0x05", MODE_COUNTED, 5, [](PlaybackTest& t) { t.Report(0x05, 0); }, 2},
      {"counted: event 0xF0", MODE_COUNTED, 5, [](PlaybackTest& t) { t.Report(0xF0, 1); }, 2},
      {"counted: press 0xF9", MODE_COUNTED, 5, [](PlaybackTest& t) { t.Report(0xF9, 1); }, 2},
      {"counted: press of a held-macro button", MODE_COUNTED, 5, [](PlaybackTest& t) { t.Press(2); }, 5},
      {"counted: release of its button", MODE_COUNTED, 5, [](PlaybackTest& t) { t.Release(5); }, 5},
      {"counted: release of a held-macro button", MODE_COUNTED, 5, [](PlaybackTest& t) { t.Release(2); }, 2},
      {"counted: repeat count 0", MODE_COUNTED, 0, nullptr, 0},
      {"once", MODE_ONCE, 5, nullptr, 1},
      {"held: release", MODE_HELD, 0, [](PlaybackTest& t) { t.Release(5); }, 2},
      {"held: press of another button", MODE_HELD, 0, [](PlaybackTest& t) { t.Press(1); }, 2},
      {"held: its own press again", MODE_HELD, 0, [](PlaybackTest& t) { t.Press(5); }, kHeldPasses},
      {"held: never released", MODE_HELD, 0, nullptr, kHeldPasses},
      {"mode 3 plays as held", 3, 7, nullptr, kHeldPasses},
      {"mode 5 plays as counted", 5, 7, nullptr, 7},
  };
  for (const Case& c : cases) {
    hid->sent.clear();
    tables.userMacros[0] = Macro(c.mode, c.repeat, {{kPressA, 20}, {kReleaseA, 20}});
    tables.userMacros[1] = Macro(MODE_HELD, 0, {});
    settings.K[3] = 41;
    settings.K[1] = 42;
    clock.onTime = nullptr;
    if (c.during) At(70, [this, &c] { c.during(*this); });
    Run(5);
    EXPECT_EQ(Passes(), c.passes) << c.name;
  }
}

TEST_F(PlaybackTest, ASecondPressOfAOnceMacroOnlyStopsIt) {
  tables.userMacros[0] = Macro(MODE_ONCE, 0, {{kPressA, 20}, {kReleaseA, 20}});
  settings.K[3] = 41;
  At(10, [this] {
    Press(5);
    EXPECT_EQ(engine.handOff().stopRequested.load(), 1u);
  });
  Run(5);
  EXPECT_EQ(hid->sent.size(), 4u);
  EXPECT_FALSE(engine.RunPendingTrigger());  // the second press started nothing
}

TEST_F(PlaybackTest, ButtonEventsWithoutAButtonStartNothing) {
  tables.userMacros[0] = Macro(MODE_ONCE, 0, {{kPressA, 20}});
  for (int b = 0; b < settings::kButtonCount; ++b) settings.K[b] = 41;
  for (int event : {0xF7, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF}) {
    Report(static_cast<uint8_t>(event), 1);
    EXPECT_EQ(engine.handOff().triggerEvent.load(), event);
    EXPECT_TRUE(engine.RunPendingTrigger());
  }
  EXPECT_TRUE(hid->sent.empty());
  EXPECT_TRUE(Idle());
}

TEST_F(PlaybackTest, AnEmptyMacroStillReleasesEverythingEachPass) {
  tables.userMacros[0] = Macro(MODE_COUNTED, 2, {});
  settings.K[0] = 41;
  Run(1);
  EXPECT_EQ(hid->sent, (std::vector<std::string>{"10 07 16 00 FF 00 00 00 00", "20 07 15 00 00 00 00 00 00",
                                                 "30 07 16 00 FF 00 00 00 00", "40 07 15 00 00 00 00 00 00"}));
}

TEST_F(PlaybackTest, ConstantMacrosConsumerKeysAndPrograms) {
  tables.constMacros[7] = Macro(MODE_HELD, 0, {{kPressA, 20}});  // built-in macros play one pass
  tables.userMacros[0] = Macro(MODE_ONCE, 0, {{kPressA, 20}});
  settings.K[0] = 38;
  Run(1);
  EXPECT_EQ(Passes(), 1u);
  EXPECT_EQ(hid->sent[0].substr(hid->sent[0].find(' ') + 1), "07 15 04 00 00 00 00 00");

  hid->sent.clear();
  settings.K[0] = 24;
  Run(1);
  Release(1);
  EXPECT_EQ(hid->sent.size(), 1u);  // no release report for a media key
  EXPECT_EQ(hid->sent[0].substr(hid->sent[0].find(' ') + 1), "07 17 00 E9 00 00 00 00");

  hid->sent.clear();
  settings.K[0] = 39;
  settings.K[1] = 40;
  Run(1);
  Run(2);
  EXPECT_EQ(launcher.Lines(), (std::vector<std::string>{"launch calc.exe", "launch cmd.exe"}));
  for (int code : {0, 1, 17, 20, 53, -1}) {
    settings.K[0] = code;
    Run(1);
  }
  EXPECT_TRUE(hid->sent.empty());
  EXPECT_EQ(launcher.Lines().size(), 2u);
}

TEST_F(PlaybackTest, DpiButtonPressStoresOnlyTheActiveLevel) {
  const std::string config =
      "[Init]\r\nCurConfig=2\r\n[Config2]\r\nK0=1\r\nDPI_LEVEL=1\r\nDPI_SET0=2\r\n[Config1]\r\nDPI_LEVEL=4\r\n";
  test::WriteText(dir / "config.ini", config);
  settings.K[5] = 15;
  settings.dpiFunctionButton[5] = true;
  settings.DPI_LEVEL = 1;
  Run(8, 3);
  EXPECT_EQ(settings.DPI_LEVEL.load(), 3);
  EXPECT_EQ(repaints, 1);
  EXPECT_TRUE(hid->sent.empty());
  std::string expected = config;
  expected.replace(expected.find("DPI_LEVEL=1"), 11, "DPI_LEVEL=3");
  EXPECT_EQ(test::ReadText(dir / "config.ini"), expected);

  // A level the mouse cannot have is not taken.
  Run(8, 6);
  Run(8, 0x7F);
  EXPECT_EQ(settings.DPI_LEVEL.load(), 3);
  EXPECT_EQ(repaints, 1);
  EXPECT_EQ(test::ReadText(dir / "config.ini"), expected);
}

TEST_F(PlaybackTest, ADpiPressDuringAMacroOnlyStopsIt) {
  tables.userMacros[0] = Macro(MODE_COUNTED, 5, {{kPressA, 20}, {kReleaseA, 20}});
  settings.K[3] = 41;
  settings.K[5] = 15;
  settings.dpiFunctionButton[5] = true;
  settings.DPI_LEVEL = 1;
  At(10, [this] { Press(8, 4); });
  Run(5);
  EXPECT_EQ(Passes(), 1u);
  EXPECT_EQ(settings.DPI_LEVEL.load(), 1);
  EXPECT_EQ(repaints, 0);
}

TEST_F(PlaybackTest, ListenerRules) {
  tables.userMacros[0] = Macro(MODE_HELD, 0, {});
  tables.userMacros[1] = Macro(MODE_ONCE, 0, {});
  settings.K[0] = 41;  // wire 1: held macro
  settings.K[1] = 42;  // wire 2: once macro
  struct Case {
    const char* name;
    bool running;
    std::vector<uint8_t> report;
    bool pending, stop;
    uint8_t event, data;
  };
  const Case cases[] = {
      {"press starts", false, {6, 0xF2, 0x07}, true, false, 0xF2, 0x07},
      {"held-macro press starts", false, {6, 0xF1, 0x01}, true, false, 0xF1, 0x01},
      {"release starts nothing", false, {6, 0xF2, 0x80}, false, false, 0, 0},
      {"other event while idle", false, {6, 0x10, 0x00}, false, false, 0, 0},
      {"other event while running", true, {6, 0x10, 0x00}, true, true, 0xF2, 0x01},
      {"press while running", true, {6, 0xF3, 0x01}, true, true, 0xF2, 0x01},
      {"held-macro press while running", true, {6, 0xF1, 0x01}, true, false, 0xF2, 0x01},
      {"held-macro release while running", true, {6, 0xF1, 0x80}, true, true, 0xF2, 0x01},
      {"release while running", true, {6, 0xF2, 0x80}, true, false, 0xF2, 0x01},
      {"wire 7 press while running", true, {6, 0xF7, 0x01}, true, true, 0xF2, 0x01},
      {"other report id", false, {5, 0xF2, 0x01}, false, false, 0, 0},
      {"too short to tell a release", false, {6, 0xF2}, false, false, 0, 0},
  };
  for (const Case& c : cases) {
    PlaybackEngine fresh(Deps());
    if (c.running) {
      const uint8_t start[] = {6, 0xF2, 0x01};
      fresh.HandleReport(start, sizeof start);
    }
    fresh.HandleReport(c.report.data(), c.report.size());
    const HandOff& h = fresh.handOff();
    EXPECT_EQ(h.triggerPending.load() != 0, c.pending) << c.name;
    EXPECT_EQ(h.stopRequested.load() != 0, c.stop) << c.name;
    EXPECT_EQ(h.triggerEvent.load(), c.event) << c.name;
    EXPECT_EQ(h.triggerData.load(), c.data) << c.name;
  }
}

TEST_F(PlaybackTest, AStaleStopRequestDoesNotCutTheNextMacroShort) {
  tables.userMacros[0] = Macro(MODE_HELD, 0, {});
  tables.userMacros[1] = Macro(MODE_COUNTED, 3, {{kPressA, 20}});
  settings.K[0] = 41;
  settings.K[1] = 42;
  Release(1);  // a held macro's button let go after its macro had ended
  Run(2);
  EXPECT_EQ(Passes(), 3u);
}

TEST_F(PlaybackTest, AnEditDuringPlaybackShowsInTheEventsAfterIt) {
  tables.userMacros[0] = Macro(MODE_ONCE, 0, {{kPressA, 20}, {kReleaseA, 20}, {kPressA, 20}});
  settings.K[0] = 41;
  At(5, [this] {
    std::lock_guard lock(tables.mutex);
    tables.userMacros[0].events[2].code = 5;  // B
    tables.userMacros[0].eventCount = 4;
    tables.userMacros[0].events[3] = {5, ACTION_UP};
  });
  Run(1);
  ASSERT_EQ(hid->sent.size(), 6u);
  EXPECT_EQ(hid->sent[2], "40 07 15 05 00 00 00 00 00");
  EXPECT_EQ(hid->sent[3], "60 07 15 00 00 00 00 00 00");
}

}  // namespace
}  // namespace orv::drive
