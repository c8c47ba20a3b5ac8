#pragma once
// The tests' clock. Time moves only when the test says so or, with
// Waits::Pass, when someone waits: a wait then ends at once at its deadline.
// With Waits::Block a wait lasts until Advance() reaches its deadline (or its
// stop is requested), so a test can step a worker thread pass by pass. The
// delayed call fires when time reaches it. Safe to use from several threads.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clock.h"

namespace orv::test {

class FakeClock final : public Clock {
 public:
  enum class Waits { Pass, Block };
  explicit FakeClock(Waits waits = Waits::Pass) : waits_(waits) {}

  Nanos Now() override { return now_.load(); }
  int32_t UtcMsOfDay() override {
    return static_cast<int32_t>((dayOffsetMs_.load() + now_.load() / kNanosPerMs) % kMsPerDay);
  }
  bool SleepMs(uint32_t ms, std::stop_token stop) override {
    {
      std::lock_guard lock(mutex_);
      waitsMs.push_back(ms);
    }
    if (onWait) onWait(ms);
    return Wait(Now() + static_cast<Nanos>(ms) * kNanosPerMs, stop, false);
  }
  bool SleepUntil(Nanos deadline, std::stop_token stop) override {
    Nanos late = 0;
    {
      std::lock_guard lock(mutex_);
      if (!lateness.empty()) {
        late = lateness.front();
        lateness.erase(lateness.begin());
      }
    }
    return Wait(deadline + late, stop, true);
  }
  void CallAfter(uint32_t ms, std::function<void()> fn) override {
    std::lock_guard lock(mutex_);
    callsAsked.push_back(ms);
    callDue_ = Now() + static_cast<Nanos>(ms) * kNanosPerMs;
    call_ = std::move(fn);
  }
  void CancelCall() override {
    std::lock_guard lock(mutex_);
    ++cancels;
    call_ = nullptr;
  }

  // Moves the time on (waits and the delayed call that come due end or run).
  void AdvanceMs(int64_t ms) { AdvanceTo(Now() + ms * kNanosPerMs); }
  void AdvanceTo(Nanos to) {
    {
      std::lock_guard lock(mutex_);
      now_.store(std::max(now_.load(), to));
    }
    moved_.notify_all();
    if (onTime) onTime(Now());
    RunDueCall();
  }
  // Sets the time of day, keeping the monotonic time.
  void SetMsOfDay(int32_t ms) { dayOffsetMs_.store(ms - now_.load() / kNanosPerMs % kMsPerDay + kMsPerDay); }
  // Waits::Block: returns once `n` waits have begun in all.
  void AwaitWaits(int n) {
    std::unique_lock lock(mutex_);
    moved_.wait(lock, [&] { return waitsBegun_ >= n; });
  }
  bool CallPending() {
    std::lock_guard lock(mutex_);
    return static_cast<bool>(call_);
  }
  // Lets time pass call by call, as the window's event loop would, until no
  // call is left (a guard stops a runaway series).
  void RunCalls() {
    for (int guard = 0; CallPending() && guard < 100; ++guard) {
      Nanos due;
      {
        std::lock_guard lock(mutex_);
        due = callDue_;
      }
      AdvanceTo(due);
    }
  }

  // What was asked of the clock, in order. Guarded by the clock while threads run.
  std::vector<uint32_t> waitsMs;     // SleepMs
  std::vector<uint32_t> callsAsked;  // CallAfter
  int cancels = 0;
  // How late each deadline wait ends, in turn (Waits::Pass).
  std::vector<Nanos> lateness;
  // Called when a deadline wait or Advance moves the time, on the thread that
  // moves it (a plain SleepMs only calls onWait).
  std::function<void(Nanos)> onTime;
  // Called at each SleepMs before it waits, with its length.
  std::function<void(uint32_t)> onWait;

 private:
  bool Wait(Nanos deadline, const std::stop_token& stop, bool deadlineWait) {
    if (waits_ == Waits::Pass) {
      if (stop.stop_requested()) return false;
      std::this_thread::yield();  // other threads get a word in, as during a real wait
      Nanos now = now_.load();
      while (now < deadline && !now_.compare_exchange_weak(now, deadline)) {
      }
      if (deadlineWait && onTime) onTime(Now());
      return !stop.stop_requested();
    }
    std::unique_lock lock(mutex_);
    ++waitsBegun_;
    moved_.notify_all();
    moved_.wait(lock, stop, [&] { return now_.load() >= deadline; });
    return !stop.stop_requested();
  }
  void RunDueCall() {
    std::function<void()> call;
    {
      std::lock_guard lock(mutex_);
      if (!call_ || Now() < callDue_) return;
      call = std::move(call_);
      call_ = nullptr;
    }
    call();
  }

  const Waits waits_;
  std::atomic<Nanos> now_{0};
  std::atomic<int64_t> dayOffsetMs_{0};
  std::mutex mutex_;
  std::condition_variable_any moved_;
  int waitsBegun_ = 0;
  Nanos callDue_ = 0;
  std::function<void()> call_;
};

// Puts a fake clock into `state` (the program's state record) and returns it.
template <class State>
FakeClock& UseFakeClock(State& state, FakeClock::Waits waits = FakeClock::Waits::Pass) {
  auto clock = std::make_unique<FakeClock>(waits);
  FakeClock& kept = *clock;
  state.clock = std::move(clock);
  return kept;
}

}  // namespace orv::test
