#include "drive/playback.h"

#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>

#include "device/input_report.h"
#include "device/report_text.h"
#include "device/wire_codes.h"
#include "platform/log.h"
#include "settings/config_file.h"

namespace orv::drive {
using namespace orv::macros;
namespace {

using Nanos = Clock::Nanos;

// A macro function's place in its run is its slot in the macro tables.
constexpr int32_t RunLength(device::FunctionKind kind) {
  return device::LastCodeOf(kind) - device::FirstCodeOf(kind) + 1;
}
static_assert(RunLength(device::FunctionKind::UserMacro) == MAX_USER_MACROS);
static_assert(RunLength(device::FunctionKind::BuiltInMacro) <= MACRO_SLOTS);

// The highest priority the system grants this thread: a real-time round-robin
// priority (the lowest one: above every ordinary thread, below real-time
// services such as audio) where permitted, otherwise the nice value -20, or
// the lowest that RLIMIT_NICE allows. Ordinary priorities do not bound how
// late a wake-up comes while other programs keep the processors busy; a
// real-time one does. Programs this thread starts get ordinary priority back
// (reset on fork). A thread that gets nothing more keeps its priority; that
// is no error. The timer slack is cut to the minimum so waits end when asked.
void RaiseThreadPriority() {
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  sched_param realtime{};
  realtime.sched_priority = 1;
  if (::sched_setscheduler(0, SCHED_RR | SCHED_RESET_ON_FORK, &realtime) == 0) return;
  sched_param ordinary{};
  ::sched_setscheduler(0, SCHED_OTHER | SCHED_RESET_ON_FORK, &ordinary);
  const pid_t tid = ::gettid();
  if (::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), -20) == 0) return;
  rlimit limit{};
  if (::getrlimit(RLIMIT_NICE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return;
  errno = 0;
  const int current = ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  if (errno != 0) return;
  const int lowest = 20 - static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 40));
  if (lowest < current) ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), lowest);
}

}  // namespace

// ---- Schedule -------------------------------------------------------------

PlaybackSchedule::PlaybackSchedule(Clock& clock, std::stop_token stop) : clock_(clock), stop_(std::move(stop)) {}

void PlaybackSchedule::Begin() { due_ = sent_ = clock_.Now(); }

void PlaybackSchedule::Wait(uint32_t ms, uint32_t minGapMs) {
  due_ = std::max(due_ + static_cast<Nanos>(ms) * kNanosPerMs, sent_ + static_cast<Nanos>(minGapMs) * kNanosPerMs);
  clock_.SleepUntil(due_, stop_);
  sent_ = clock_.Now();  // the send that follows goes out now
}

// ---- Engine ---------------------------------------------------------------

PlaybackEngine::PlaybackEngine(PlaybackDeps deps)
    : deps_(std::move(deps)), schedule_(*deps_.clock, stop_.get_token()) {}

PlaybackEngine::~PlaybackEngine() { Stop(); }

void PlaybackEngine::Start() {
  if (listener_.joinable() || executor_.joinable() || Stopping()) return;
  handOff_.triggerPending.store(0);
  handOff_.stopRequested.store(0);
  listener_ = std::thread([this] {
    RaiseThreadPriority();
    ListenerLoop();
  });
  executor_ = std::thread([this] {
    RaiseThreadPriority();
    ExecutorLoop();
  });
}

void PlaybackEngine::Stop() {
  std::lock_guard stopping(stopMutex_);
  // Once stopped, later calls (the exit sequence, then the state's end) do nothing.
  if (quit_.exchange(true, std::memory_order_acq_rel) && !listener_.joinable() && !executor_.joinable()) return;
  deps_.input->Interrupt();
  stop_.request_stop();
  {
    std::lock_guard lock(wakeMutex_);
  }
  wake_.notify_all();
  if (listener_.joinable()) listener_.join();
  if (executor_.joinable()) executor_.join();
}

void PlaybackEngine::ListenerLoop() {
  // The input-report buffer, as large as any report the mouse can have.
  std::array<uint8_t, device::kFeatureBufferSize> buffer{};
  while (!Stopping()) {
    const int n = deps_.input->ReadReport(buffer.data(), buffer.size());
    if (Stopping()) return;
    if (n > 0) {
      const size_t length = std::min(static_cast<size_t>(n), buffer.size());
      if (log::DebugEnabled()) log::Debug(log::kPlayback, "received " + device::DescribeInputReport(buffer.data(), length));
      HandleReport(buffer.data(), length);
    }
    deps_.clock->SleepMs(kListenerPauseMs, stop_.get_token());
  }
}

void PlaybackEngine::ExecutorLoop() {
  for (;;) {
    {
      // Idle without polling: the listener wakes this thread when it sets the trigger.
      std::unique_lock lock(wakeMutex_);
      wake_.wait(lock, [&] { return Stopping() || handOff_.triggerPending.load(std::memory_order_acquire) != 0; });
    }
    if (Stopping()) return;
    RunPendingTrigger();
  }
}

uint8_t PlaybackEngine::MacroModeOfWireCode(uint8_t wireCode) const {
  if (wireCode >= device::kWireCodeCount) return 0;
  const uint8_t button = device::buttonIndexByWireCode[wireCode];
  if (button >= settings::kButtonCount) return 0;  // wire code 7 and 9 ... 15 name no button
  const device::Function f = device::FunctionOf(deps_.settings->K[button].load());
  if (f.kind != device::FunctionKind::UserMacro) return 0;
  std::lock_guard lock(deps_.macros->mutex);
  return deps_.macros->userMacros[static_cast<size_t>(f.index)].mode;
}

void PlaybackEngine::HandleReport(const uint8_t* data, size_t length) {
  const device::InputEvent e = device::DecodeInputReport(data, length);
  if (e.kind == device::InputEvent::Kind::Ignored) return;
  const bool running = handOff_.triggerPending.load(std::memory_order_acquire) != 0;
  if (e.kind == device::InputEvent::Kind::Other) {
    if (running) handOff_.stopRequested.store(1, std::memory_order_release);
    return;
  }
  const bool heldMacro = (MacroModeOfWireCode(e.wireCode) & MODE_HELD) != 0;
  if (!e.released) {
    if (!running) {
      // A stop request left from before (a held macro's button released after
      // its macro had ended) belongs to no macro; the new one starts without it.
      handOff_.stopRequested.store(0, std::memory_order_relaxed);
      handOff_.triggerEvent.store(e.event, std::memory_order_relaxed);
      handOff_.triggerData.store(e.data, std::memory_order_relaxed);
      handOff_.triggerPending.store(1, std::memory_order_release);
      {
        std::lock_guard lock(wakeMutex_);
      }
      wake_.notify_one();
    } else if (!heldMacro) {
      handOff_.stopRequested.store(1, std::memory_order_release);
    }
  } else if (heldMacro) {
    handOff_.stopRequested.store(1, std::memory_order_release);
  }
}

bool PlaybackEngine::RunPendingTrigger() {
  if (handOff_.triggerPending.load(std::memory_order_acquire) == 0) return false;
  const uint8_t event = handOff_.triggerEvent.load(std::memory_order_relaxed);
  const uint8_t data = handOff_.triggerData.load(std::memory_order_relaxed);
  for (int button = 0; button < settings::kButtonCount; ++button) {
    if (device::kButtonEventBase + device::kButtonWireCodes[static_cast<size_t>(button)] == event) {
      CarryOut(button, data);
      break;
    }
  }
  handOff_.triggerPending.store(0, std::memory_order_release);
  handOff_.stopRequested.store(0, std::memory_order_release);
  return true;
}

void PlaybackEngine::CarryOut(int button, uint8_t data) {
  settings::MouseSettings& s = *deps_.settings;
  const size_t b = static_cast<size_t>(button);
  // The mouse reports the level it switched to. A level outside the six
  // levels is not stored: every use of DPI_LEVEL indexes the level table.
  if (s.dpiFunctionButton[b].load() && data < settings::kLevelCount) {
    s.DPI_LEVEL.store(data);
    if (deps_.repaint) deps_.repaint();
    if (deps_.profileLocation) {
      const ProfileLocation where = deps_.profileLocation();
      if (const Outcome failed = settings::SaveDpiLevel(where.configPath, where.profile, data)) {
        log::Warning(log::kFiles, failed->Text());
      }
    }
  }

  const device::Function f = device::FunctionOf(s.K[b].load());
  switch (f.kind) {
    case device::FunctionKind::UserMacro: {
      uint8_t mode;
      uint16_t repeatCount;
      {
        std::lock_guard lock(deps_.macros->mutex);
        mode = deps_.macros->userMacros[static_cast<size_t>(f.index)].mode;
        repeatCount = deps_.macros->userMacros[static_cast<size_t>(f.index)].repeatCount;
      }
      const uint32_t passes = (mode & MODE_HELD) != 0 ? kHeldPasses : mode == MODE_ONCE ? 1 : repeatCount;
      PlayMacro(true, f.index, passes);
      break;
    }
    case device::FunctionKind::BuiltInMacro: PlayMacro(false, f.index, 1); break;
    case device::FunctionKind::ConsumerKey: deps_.channel->SendConsumerKey(f.consumerUsage); break;
    case device::FunctionKind::StartCalculator:
      if (deps_.launcher) deps_.launcher->Launch(Program::Calculator);
      break;
    case device::FunctionKind::StartTerminal:
      if (deps_.launcher) deps_.launcher->Launch(Program::Terminal);
      break;
    case device::FunctionKind::None:
    case device::FunctionKind::Mouse:
    case device::FunctionKind::DpiSwitch: break;
  }
}

void PlaybackEngine::PlayMacro(bool user, int slot, uint32_t passes) {
  const auto& table = user ? deps_.macros->userMacros : deps_.macros->constMacros;
  const MacroRecord& record = table[static_cast<size_t>(slot)];
  schedule_.Begin();
  for (uint32_t pass = 0; pass < passes; ++pass) {
    for (size_t k = 0;; ++k) {
      // Each event is read on its own, under the table lock, so an edit made
      // meanwhile shows in the events played after it; the lock is never held
      // while sending or waiting.
      MacroEvent event;
      uint16_t delay;
      {
        std::lock_guard lock(deps_.macros->mutex);
        if (k >= record.eventCount) break;
        event = record.events[k];
        delay = record.delays[k];
      }
      deps_.channel->SendKeyOrButton(event.code, event.action);
      schedule_.Wait(std::max<uint32_t>(delay, kMinEventGapMs), kMinEventGapMs);
      if (Stopping()) break;
    }
    deps_.channel->ReleaseAllInputs([this](uint32_t ms) { schedule_.Wait(ms, ms); });
    if (handOff_.stopRequested.load(std::memory_order_acquire) != 0 || Stopping()) break;
  }
}

}  // namespace orv::drive
