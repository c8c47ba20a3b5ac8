#pragma once
// The program's one source of time: the monotonic time, the time of day the
// recorder stamps events with, waits that a stop request cuts short, and one
// delayed call on the thread that owns the timer. Every wait of the program
// goes through a Clock, so tests run them on a clock of their own and check
// what was waited.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace orv {

inline constexpr int64_t kNanosPerMs = 1'000'000;
inline constexpr int32_t kMsPerDay = 86'400'000;

class Clock {
 public:
  using Nanos = int64_t;
  virtual ~Clock() = default;

  // Monotonic time; only differences mean anything.
  virtual Nanos Now() = 0;
  // Milliseconds since midnight, coordinated universal time.
  virtual int32_t UtcMsOfDay() = 0;
  // Waits until Now() reaches `deadline`, as close to it as the system
  // allows; false when `stop` ended the wait (or was requested before).
  virtual bool SleepUntil(Nanos deadline, std::stop_token stop) = 0;
  // Waits `ms` milliseconds; false when `stop` ended the wait.
  virtual bool SleepMs(uint32_t ms, std::stop_token stop) = 0;
  // Calls `fn` once after `ms` milliseconds on the thread that runs the
  // clock's timer; replaces a call not yet due. CallAfter and CancelCall are
  // made from one thread at a time (the window thread, or the call itself).
  virtual void CallAfter(uint32_t ms, std::function<void()> fn) = 0;
  // Drops the call not yet due, if any.
  virtual void CancelCall() = 0;
};

// The steady clock. Deadline waits sleep to just before the deadline and spin
// the last stretch, so an event goes out on time rather than one scheduler
// wake-up late. Delayed calls run on a timer thread of the clock's own; the
// window's clock runs them on the window thread instead.
class SteadyClock : public Clock {
 public:
  ~SteadyClock() override;
  Nanos Now() override;
  int32_t UtcMsOfDay() override;
  bool SleepUntil(Nanos deadline, std::stop_token stop) override;
  bool SleepMs(uint32_t ms, std::stop_token stop) override;
  void CallAfter(uint32_t ms, std::function<void()> fn) override;
  void CancelCall() override;

 private:
  std::jthread timer_;
};

}  // namespace orv
