#include "app/colour_animation.h"

#include <algorithm>
#include <chrono>

namespace orv::app {

uint8_t NextCycleColour(uint8_t current, uint8_t mask) {
  for (int step = 1; step <= settings::kCycleColourCount; ++step) {
    const int k = (current + step) % settings::kCycleColourCount;
    if (mask & (1u << k)) return static_cast<uint8_t>(k);
  }
  return current;
}

uint32_t PreviewPauseMs(uint8_t cycleTime) {
  const uint32_t t = std::min<uint32_t>(cycleTime, 5);
  return (6 - t) * 200;
}

void PreviewStep(AppState& s) {
  if (s.preview.ledType == 1 && s.preview.blinkPhase != 0) {
    s.preview.blinkPhase = 0;
    s.preview.index = NextCycleColour(s.preview.index, s.preview.cycleMask);
  } else {
    s.preview.blinkPhase = 1;
  }
}

ColourAnimation::ColourAnimation(AppState& state, std::function<void()> postRepaint, uint32_t (*pauseMs)(uint8_t))
    : state_(state), postRepaint_(std::move(postRepaint)), pauseMs_(pauseMs) {}

ColourAnimation::~ColourAnimation() { Stop(); }

void ColourAnimation::Start() {
  // A worker that left its loop has cleared preview.running just before it
  // ends; joining it costs nothing.
  if (thread_.joinable()) thread_.join();
  {
    std::lock_guard lock(mutex_);
    if (stopping_) {
      state_.preview.running = false;
      return;
    }
  }
  thread_ = std::thread([this] { Run(); });
}

void ColourAnimation::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool ColourAnimation::Pause(uint32_t ms) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stopping_; });
}

void ColourAnimation::Run() {
  state_.preview.index = 0;
  // The page change is noticed after the current pause, as the preview
  // only ever lags by one pass.
  while (state_.ui.page == kPageColor) {
    PreviewStep(state_);
    if (postRepaint_) postRepaint_();
    if (!Pause(pauseMs_(state_.preview.cycleTime))) break;
  }
  state_.preview.running = false;
}

}  // namespace orv::app
