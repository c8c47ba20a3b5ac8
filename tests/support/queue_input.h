#pragma once
// An input-report source fed by the test: ReadReport blocks until a report is
// pushed or the source is interrupted, as the read collection of a mouse does.
#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "device/input_source.h"

namespace orv::test {

class QueueInput final : public device::InputReportSource {
 public:
  int ReadReport(uint8_t* data, size_t capacity) override {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return interrupted_ || !queue_.empty(); });
    if (interrupted_) return -1;
    const std::vector<uint8_t> r = queue_.front();
    queue_.pop_front();
    const size_t n = std::min(capacity, r.size());
    std::copy_n(r.begin(), n, data);
    return static_cast<int>(n);
  }
  void Interrupt() override {
    {
      std::lock_guard lock(mutex_);
      interrupted_ = true;
    }
    ready_.notify_all();
  }
  void Push(std::vector<uint8_t> r) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(r));
    }
    ready_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::vector<uint8_t>> queue_;
  bool interrupted_ = false;
};

}  // namespace orv::test
