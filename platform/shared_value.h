#pragma once
#include <atomic>

namespace orv {

// A value that one thread writes and another reads, one whole value at a time.
// Relaxed ordering is enough: nothing else is published through it. Unlike a
// bare std::atomic it copies like a plain value, so records holding it stay
// copyable.
template <typename T>
class Shared {
 public:
  constexpr Shared(T v = T{}) noexcept : v_(v) {}
  Shared(const Shared& o) noexcept : v_(o.load()) {}
  Shared& operator=(const Shared& o) noexcept {
    store(o.load());
    return *this;
  }
  Shared& operator=(T v) noexcept {
    store(v);
    return *this;
  }
  operator T() const noexcept { return load(); }
  T load() const noexcept { return v_.load(std::memory_order_relaxed); }
  void store(T v) noexcept { v_.store(v, std::memory_order_relaxed); }

 private:
  std::atomic<T> v_;
};

}  // namespace orv
