#pragma once
// Macro playback: two worker threads turn the mouse's input reports into the
// functions of its buttons. The listener reads the reports and raises a
// trigger (a press while nothing runs) or a stop request (the running macro
// ends after its pass); the executor carries out the triggered button's
// function, playing macros through the key and button reports of the mouse.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

#include "device/hid_transport.h"
#include "device/report_protocol.h"
#include "macros/macro_model.h"
#include "platform/clock.h"
#include "platform/launch.h"
#include "settings/mouse_settings.h"


namespace orv::drive {

// Passes a MODE_HELD macro plays at most.
inline constexpr uint32_t kHeldPasses = 10000;
// Played events are at least this far apart.
inline constexpr uint32_t kMinEventGapMs = 15;
// The listener's pause after every read.
inline constexpr uint32_t kListenerPauseMs = 2;

// The absolute schedule of one playback: each send is due a fixed time after
// the previous one was due, so oversleeping never adds up, but never less
// than the minimum gap after the previous send actually went out. Every wait
// ends right before a send.
// A wait that `stop` cuts short ends the schedule's waits at once.
class PlaybackSchedule final {
 public:
  PlaybackSchedule(Clock& clock, std::stop_token stop);
  // Starts the schedule now; the first send is due at once.
  void Begin();
  void Wait(uint32_t ms, uint32_t minGapMs);

 private:
  Clock& clock_;
  std::stop_token stop_;
  Clock::Nanos due_ = 0;
  Clock::Nanos sent_ = 0;
};

// The listener-to-executor hand-off. triggerEvent and triggerData are written
// before triggerPending is set (release) and read after it was seen (acquire).
struct HandOff {
  std::atomic<uint32_t> triggerPending{0};
  std::atomic<uint8_t> triggerEvent{0};
  std::atomic<uint8_t> triggerData{0};
  std::atomic<uint32_t> stopRequested{0};
};

struct ProfileLocation {
  std::filesystem::path configPath;
  int32_t profile = 0;
};

struct PlaybackDeps {
  settings::MouseSettings* settings = nullptr;
  macros::MacroTables* macros = nullptr;
  device::ReportChannel* channel = nullptr;
  device::InputReportSource* input = nullptr;
  // Where the active level is saved (called on the executor thread).
  std::function<ProfileLocation()> profileLocation;
  // Asks the window to repaint; must only post to the window's thread.
  std::function<void()> repaint;
  ProgramLauncher* launcher = nullptr;
  Clock* clock = nullptr;
};

class PlaybackEngine {
 public:
  explicit PlaybackEngine(PlaybackDeps deps);
  ~PlaybackEngine();  // stops the threads
  PlaybackEngine(const PlaybackEngine&) = delete;
  PlaybackEngine& operator=(const PlaybackEngine&) = delete;

  // Clears both flags and starts the listener, then the executor, each at the
  // highest priority the system grants (not being granted more is no error).
  void Start();
  // Ends both threads and waits for them: unblocks the listener's read and
  // the executor's waits; a macro being played ends with nothing held.
  void Stop();

  // What the listener does with one input report.
  void HandleReport(const uint8_t* data, size_t length);
  // One turn of the executor: carries out the pending trigger, if any, then
  // clears both flags. Returns whether there was one.
  bool RunPendingTrigger();

  const HandOff& handOff() const { return handOff_; }

 private:
  void ListenerLoop();
  void ExecutorLoop();
  void CarryOut(int button, uint8_t data);
  void PlayMacro(bool user, int slot, uint32_t passes);
  uint8_t MacroModeOfWireCode(uint8_t wireCode) const;
  bool Stopping() const { return quit_.load(std::memory_order_acquire); }

  PlaybackDeps deps_;
  HandOff handOff_;
  std::atomic<bool> quit_{false};
  // Requested with quit_: cuts the waits of both threads short.
  std::stop_source stop_;
  PlaybackSchedule schedule_;
  // Stop may be called from two threads at once (the exit sequence and the
  // exit guard); the second waits for the first.
  std::mutex stopMutex_;
  std::mutex wakeMutex_;
  std::condition_variable wake_;
  std::thread listener_;
  std::thread executor_;
};

}  // namespace orv::drive
