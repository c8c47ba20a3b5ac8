#pragma once
// The Color page's preview worker. While the Color page is shown it steps the
// preview: in lighting mode 1 the panel alternates between grey and the next
// cycle colour that is on; in the other modes it stays grey. It runs on its
// own thread, touches only the shared preview fields of AppState and asks the
// window to repaint through a callback that must only post.
#include <cstdint>
#include <functional>
#include <thread>

#include "app/app_state.h"

namespace orv::app {

// The cycle colour after `current` that is on in `mask` (after 6 comes 0);
// `current` itself when no colour is on.
uint8_t NextCycleColour(uint8_t current, uint8_t mask);
// Pause between two passes: (6 - cycle time) x 200 ms, the cycle time taken
// within 0 ... 5 (a damaged profile cannot make it negative or huge).
uint32_t PreviewPauseMs(uint8_t cycleTime);
// One pass of the preview: advances the colour in mode 1 every second pass.
void PreviewStep(AppState& state);

class ColourAnimation {
 public:
  // The pauses are waits on state.clock.
  ColourAnimation(AppState& state, std::function<void()> postRepaint);
  ~ColourAnimation();
  ColourAnimation(const ColourAnimation&) = delete;
  ColourAnimation& operator=(const ColourAnimation&) = delete;

  // Starts the worker; the caller has set state.preview.running. A worker
  // that has ended is joined first.
  void Start();
  // Ends the worker now (the program is ending) and waits for it.
  void Stop();

 private:
  void Run(std::stop_token stop);

  AppState& state_;
  std::function<void()> postRepaint_;
  bool stopped_ = false;  // Stop() has run: no more starts
  std::jthread thread_;
};

}  // namespace orv::app
