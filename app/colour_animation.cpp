#include "app/colour_animation.h"

#include <algorithm>

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

ColourAnimation::ColourAnimation(AppState& state, std::function<void()> postRepaint)
    : state_(state), postRepaint_(std::move(postRepaint)) {}

ColourAnimation::~ColourAnimation() { Stop(); }

void ColourAnimation::Start() {
  // A worker that left its loop has cleared preview.running just before it
  // ends; joining it costs nothing.
  if (thread_.joinable()) thread_.join();
  if (stopped_) {
    state_.preview.running = false;
    return;
  }
  thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

void ColourAnimation::Stop() {
  stopped_ = true;
  thread_.request_stop();
  if (thread_.joinable()) thread_.join();
}

void ColourAnimation::Run(std::stop_token stop) {
  state_.preview.index = 0;
  // The page change is noticed after the current pause, as the preview
  // only ever lags by one pass.
  while (state_.ui.page == kPageColor) {
    PreviewStep(state_);
    if (postRepaint_) postRepaint_();
    if (!state_.clock->SleepMs(PreviewPauseMs(state_.preview.cycleTime), stop)) break;
  }
  state_.preview.running = false;
}

}  // namespace orv::app
