#pragma once
// After the machine wakes up the mouse may not be back on the bus yet, so the
// profile sent at resume can be lost. The Apply after a resume is therefore
// tried again, after growing pauses, until the mouse takes every report; then
// it stops quietly. If the mouse leaves and comes back instead, the program
// that starts with it sends the profile.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/clock.h"

namespace orv::app {

// Pauses before the second, third, ... try of the Apply after a resume.
inline constexpr std::array<uint32_t, 4> kResumeRetryDelaysMs = {500, 1000, 2000, 4000};

class ResumeReapply {
 public:
  // `apply` sends the current profile and says whether the mouse took every report.
  // The retries are the clock's delayed call, which runs on the window thread.
  ResumeReapply(std::function<bool()> apply, Clock& clock);
  ResumeReapply(const ResumeReapply&) = delete;
  ResumeReapply& operator=(const ResumeReapply&) = delete;

  // The machine has woken: apply now, and again after each pause while it fails.
  // A resume during a running series starts a new one.
  void OnResume();
  // No more tries (the program ends).
  void Stop();
  // A try is waiting for its pause to end.
  bool Waiting() const { return waiting_; }
  // Tries made in the current (or last) series.
  size_t Tries() const { return tries_; }

 private:
  void Try();

  std::function<bool()> apply_;
  Clock& clock_;
  size_t tries_ = 0;
  bool waiting_ = false;
};

}  // namespace orv::app
