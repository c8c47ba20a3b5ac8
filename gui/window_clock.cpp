#include "gui/window_clock.h"

#include <QTimer>

namespace orv::app {

WindowClock::WindowClock() : timer_(std::make_unique<QTimer>()) {
  timer_->setSingleShot(true);
  QObject::connect(timer_.get(), &QTimer::timeout, [this] {
    std::function<void()> call = std::move(call_);
    call_ = nullptr;
    if (call) call();
  });
}

WindowClock::~WindowClock() = default;

void WindowClock::CallAfter(uint32_t ms, std::function<void()> fn) {
  call_ = std::move(fn);
  timer_->start(static_cast<int>(ms));
}

void WindowClock::CancelCall() {
  timer_->stop();
  call_ = nullptr;
}

}  // namespace orv::app
