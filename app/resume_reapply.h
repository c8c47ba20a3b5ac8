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

namespace orv::app {

// Pauses before the second, third, ... try of the Apply after a resume.
inline constexpr std::array<uint32_t, 4> kResumeRetryDelaysMs = {500, 1000, 2000, 4000};

// Runs a function later on the thread that asked for it (the window thread).
class TimerPort {
 public:
  virtual ~TimerPort() = default;
  // Calls `fn` once after `ms` milliseconds; replaces a call not yet due.
  virtual void CallAfter(uint32_t ms, std::function<void()> fn) = 0;
  // Drops the call not yet due, if any.
  virtual void CancelCall() = 0;
};

class ResumeReapply {
 public:
  // `apply` sends the current profile and says whether the mouse took every report.
  ResumeReapply(std::function<bool()> apply, TimerPort& timer);
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
  TimerPort& timer_;
  size_t tries_ = 0;
  bool waiting_ = false;
};

}  // namespace orv::app
