#pragma once
#include <chrono>
#include <cstdint>
#include <thread>

namespace orv {

// Waits of the program go through this, so tests run them instantly and can
// check what was waited.
class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void SleepMs(uint32_t ms) = 0;
};

class RealSleeper final : public Sleeper {
 public:
  void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

}  // namespace orv
