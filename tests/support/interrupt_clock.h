#pragma once
#include <condition_variable>
#include <mutex>

#include "drive/playback.h"

namespace orv::test {

// Waits that end only when the engine interrupts them: a Stop() that did not
// cut a wait short would hang here (the test runner's timeout catches that).
class InterruptOnlyClock final : public drive::PlaybackClock {
 public:
  Nanos Now() override { return 0; }
  void SleepUntil(Nanos) override { Block(); }
  void SleepMs(uint32_t) override { Block(); }
  void Interrupt() override {
    {
      std::lock_guard lock(mutex_);
      interrupted_ = true;
    }
    wake_.notify_all();
  }

 private:
  void Block() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [&] { return interrupted_; });
  }
  std::mutex mutex_;
  std::condition_variable wake_;
  bool interrupted_ = false;
};

}  // namespace orv::test
