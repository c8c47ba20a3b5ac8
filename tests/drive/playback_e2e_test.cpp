// The whole path with real threads: the simulated mouse's FIFO feeds the
// listener, the executor plays through the device link, and the reports land
// in feature.log; plus the engine's own threads under concurrent edits.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <thread>

#include "device/device_link.h"
#include "device/simulated/simulated_mouse.h"
#include "drive/playback.h"
#include "support/fake_clock.h"
#include "support/memory_mouse.h"
#include "support/temp_dir.h"
#include "tools/sim/sim_text.h"

namespace orv::drive {
namespace {

using namespace orv::macros;

using namespace std::chrono_literals;

// Waits (up to a generous bound, for sanitizer builds) until `done` holds.
template <typename F>
bool Eventually(F done) {
  for (int i = 0; i < 2000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(5ms);
  }
  return done();
}

size_t LineCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

MacroRecord TypeA(uint8_t mode, uint16_t delay) {
  MacroRecord r;
  r.mode = mode;
  r.repeatCount = 1;
  r.eventCount = 2;
  r.events[0] = {4, ACTION_DOWN};
  r.events[1] = {4, ACTION_UP};
  r.delays[0] = r.delays[1] = delay;
  return r;
}

TEST(PlaybackEndToEnd, ButtonWithAUserMacroPlaysItThroughTheSimulatedMouse) {
  test::TempDir dir;
  device::SimulatedMouse mouse(dir.path());
  device::ReportChannel channel;
  device::DeviceLink link(mouse, channel);
  ASSERT_EQ(device::ConnectAtStartup(link), device::StartupOutcome::Ready);

  settings::MouseSettings settings;
  MacroTables tables;
  tables.userMacros[0] = TypeA(MODE_ONCE, 20);
  settings.K[0] = 1;
  settings.K[3] = 41;  // button 3, wire code 5
  settings.K[4] = 39;  // button 4, wire code 4
  RecordingLauncher launcher(dir / device::kHostLogName);
  SteadyClock clock;
  std::atomic<int> repaints{0};

  PlaybackDeps deps;
  deps.settings = &settings;
  deps.macros = &tables;
  deps.channel = &channel;
  deps.input = &link;
  deps.profileLocation = [&] { return ProfileLocation{dir / "config.ini", 1}; };
  deps.repaint = [&] { ++repaints; };
  deps.launcher = &launcher;
  deps.clock = &clock;
  PlaybackEngine engine(deps);
  engine.Start();

  std::string error;
  ASSERT_TRUE(sim::SendFifoLine(dir.path(), sim::PressLine(5), error)) << error;
  ASSERT_TRUE(sim::SendFifoLine(dir.path(), sim::ReleaseLine(5), error)) << error;
  const auto log = dir / device::kFeatureLogName;
  ASSERT_TRUE(Eventually([&] { return LineCount(test::ReadText(log)) >= 4; }));
  EXPECT_EQ(test::ReadText(log),
            "07 15 04 00 00 00 00 00\n07 15 00 00 00 00 00 00\n07 16 00 FF 00 00 00 00\n07 15 00 00 00 00 00 00\n");
  EXPECT_EQ(sim::DescribeFeatureLog(test::ReadText(log)),
            (std::vector<std::string>{"CMD_KEY_STATE A", "CMD_KEY_STATE none", "CMD_BUTTON_STATE held none",
                                      "CMD_KEY_STATE none"}));

  // The idle engine takes the next press at once: a program launch.
  ASSERT_TRUE(Eventually([&] { return engine.handOff().triggerPending.load() == 0; }));
  ASSERT_TRUE(sim::SendFifoLine(dir.path(), sim::PressLine(4), error)) << error;
  ASSERT_TRUE(Eventually([&] { return test::ReadText(dir / device::kHostLogName) == "launch calc.exe\n"; }));

  engine.Stop();
  EXPECT_EQ(LineCount(test::ReadText(log)), 4u);
  EXPECT_EQ(repaints.load(), 0);
}

TEST(PlaybackThreads, HeldMacroPlaysWhileTheWindowEditsItAndStopsOnRelease) {
  settings::MouseSettings settings;
  MacroTables tables;
  tables.userMacros[2] = TypeA(MODE_HELD, 15);
  settings.K[1] = 43;  // button 1, wire code 2
  device::SimulatedMouse mouse;
  device::ReportChannel channel;
  channel.SetWriteCollection(device::HandleState::Open, test::OpenFeatures(mouse), 8);
  std::shared_ptr<device::InputReportSource> input = test::OpenInput(mouse);
  // Time passes only as the engine waits.
  test::FakeClock clock;
  RecordingLauncher launcher;

  PlaybackDeps deps;
  deps.settings = &settings;
  deps.macros = &tables;
  deps.channel = &channel;
  deps.input = input.get();
  deps.launcher = &launcher;
  deps.clock = &clock;
  PlaybackEngine engine(deps);
  // After 200 reports the button is released; the executor's wait lasts
  // until the listener has taken the release.
  std::atomic<bool> released{false};
  clock.onTime = [&](Clock::Nanos) {
    if (released.load() || mouse.Features().size() < 200) return;
    released = true;
    mouse.Deliver({6, 0xF2, 0x80});
    while (engine.handOff().stopRequested.load() == 0) std::this_thread::yield();
  };
  engine.Start();
  mouse.Deliver({6, 0xF2, 0x01});

  // The window thread edits the record being played, and the button functions.
  std::atomic<bool> editing{true};
  std::thread window([&] {
    for (uint8_t code = 4; editing.load(); code = code == 29 ? 4 : static_cast<uint8_t>(code + 1)) {
      {
        std::lock_guard lock(tables.mutex);
        tables.userMacros[2].events[0].code = code;
        tables.userMacros[2].events[1].code = code;
        tables.userMacros[2].delays[0] = code;
      }
      settings.K[0] = code % 2 == 0 ? 1 : 2;
      std::this_thread::yield();
    }
  });
  // Done once the release has come and the executor has ended its pass (the
  // press may not even be taken yet when this starts waiting).
  ASSERT_TRUE(Eventually([&] { return released.load() && engine.handOff().triggerPending.load() == 0; }));
  editing = false;
  window.join();
  const size_t count = mouse.Features().size();
  engine.Stop();
  EXPECT_EQ(mouse.Features().size(), count);
  EXPECT_LT(count, 4u * kHeldPasses);  // the release ended it
  EXPECT_EQ(count % 4, 0u);            // ... after a whole pass
  EXPECT_EQ(channel.HeldKeys(), (std::array<uint8_t, 6>{}));
}

TEST(PlaybackThreads, StopEndsALongMacroWithNothingHeld) {
  settings::MouseSettings settings;
  MacroTables tables;
  tables.userMacros[0] = TypeA(MODE_HELD, 60000);
  settings.K[0] = 41;
  device::SimulatedMouse mouse;
  device::ReportChannel channel;
  channel.SetWriteCollection(device::HandleState::Open, test::OpenFeatures(mouse), 8);
  std::shared_ptr<device::InputReportSource> input = test::OpenInput(mouse);
  test::FakeClock clock(test::FakeClock::Waits::Block);  // waits end only when stopped
  PlaybackDeps deps;
  deps.settings = &settings;
  deps.macros = &tables;
  deps.channel = &channel;
  deps.input = input.get();
  deps.clock = &clock;
  PlaybackEngine engine(deps);
  engine.Start();
  mouse.Deliver({6, 0xF1, 0x01});
  ASSERT_TRUE(Eventually([&] { return mouse.Features().size() >= 1; }));
  engine.Stop();  // in the middle of a wait that only an interruption ends
  EXPECT_EQ(test::FormatReport(test::LastFeature(mouse)), "07 15 00 00 00 00 00 00");
}

}  // namespace
}  // namespace orv::drive
