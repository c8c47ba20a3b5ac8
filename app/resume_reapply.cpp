#include "app/resume_reapply.h"

#include <utility>

namespace orv::app {

ResumeReapply::ResumeReapply(std::function<bool()> apply, TimerPort& timer)
    : apply_(std::move(apply)), timer_(timer) {}

void ResumeReapply::OnResume() {
  Stop();
  tries_ = 0;
  Try();
}

void ResumeReapply::Stop() {
  if (waiting_) timer_.CancelCall();
  waiting_ = false;
}

void ResumeReapply::Try() {
  waiting_ = false;
  const size_t retry = tries_++;
  if (apply_()) return;
  // Out of pauses: give up without a word.
  if (retry >= kResumeRetryDelaysMs.size()) return;
  waiting_ = true;
  timer_.CallAfter(kResumeRetryDelaysMs[retry], [this] { Try(); });
}

}  // namespace orv::app
