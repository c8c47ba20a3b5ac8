#include "platform/clock.h"

#include <chrono>

namespace orv {
namespace {

// A deadline wait sleeps until this long before the deadline and spins the
// rest: longer than a usual wake-up of a high-priority thread, short enough to
// cost little (about 1% of a core while a macro plays at 15 ms per event).
// Oversleeping matters: where a minimum gap decides the next due time, every
// microsecond a send comes late is carried into all later ones.
constexpr Clock::Nanos kSpinNanos = 200'000;

void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// Sleeps until `until` or until `stop` is requested; true when the time came.
bool WaitUntil(std::chrono::steady_clock::time_point until, const std::stop_token& stop) {
  std::mutex mutex;
  std::condition_variable_any wake;
  std::unique_lock lock(mutex);
  wake.wait_until(lock, stop, until, [] { return false; });
  return !stop.stop_requested();
}

}  // namespace

SteadyClock::~SteadyClock() { CancelCall(); }

Clock::Nanos SteadyClock::Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int32_t SteadyClock::UtcMsOfDay() {
  using namespace std::chrono;
  const auto now = time_point_cast<milliseconds>(system_clock::now());
  return static_cast<int32_t>((now - floor<days>(now)).count());
}

bool SteadyClock::SleepUntil(Nanos deadline, std::stop_token stop) {
  const Nanos wakeAt = deadline - kSpinNanos;
  if (Now() < wakeAt &&
      !WaitUntil(std::chrono::steady_clock::time_point(std::chrono::nanoseconds(wakeAt)), stop)) {
    return false;
  }
  while (Now() < deadline) {
    if (stop.stop_requested()) return false;
    CpuRelax();
  }
  return !stop.stop_requested();
}

bool SteadyClock::SleepMs(uint32_t ms, std::stop_token stop) {
  return WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms), stop);
}

void SteadyClock::CallAfter(uint32_t ms, std::function<void()> fn) {
  CancelCall();
  timer_ = std::jthread([this, ms, fn = std::move(fn)](std::stop_token stop) {
    if (SleepMs(ms, stop)) fn();
  });
}

void SteadyClock::CancelCall() {
  if (!timer_.joinable()) return;
  timer_.request_stop();
  // A call that is running when it is cancelled from its own thread finishes.
  if (timer_.get_id() == std::this_thread::get_id()) {
    timer_.detach();
  } else {
    timer_.join();
  }
}

}  // namespace orv
