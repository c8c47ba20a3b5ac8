#pragma once
// The program's clock in the window: the steady clock, with the delayed call
// run by the window thread's event loop.
#include <functional>
#include <memory>

#include "platform/clock.h"

class QTimer;

namespace orv::app {

class WindowClock final : public SteadyClock {
 public:
  // Made on the window thread, once the application object exists.
  WindowClock();
  ~WindowClock() override;
  // Window thread only.
  void CallAfter(uint32_t ms, std::function<void()> fn) override;
  void CancelCall() override;

 private:
  std::unique_ptr<QTimer> timer_;
  std::function<void()> call_;
};

}  // namespace orv::app
