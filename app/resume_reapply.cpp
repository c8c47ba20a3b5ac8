#include "app/resume_reapply.h"

#include <utility>

namespace orv::app {

ResumeReapply::ResumeReapply(std::function<bool()> apply, Clock& clock)
    : apply_(std::move(apply)), clock_(clock) {}

void ResumeReapply::OnResume() {
  Stop();
  tries_ = 0;
  Try();
}

void ResumeReapply::Stop() {
  if (waiting_) clock_.CancelCall();
  waiting_ = false;
}

void ResumeReapply::Try() {
  waiting_ = false;
  const size_t retry = tries_++;
  if (apply_()) return;
  // Out of pauses: give up without a word.
  if (retry >= kResumeRetryDelaysMs.size()) return;
  waiting_ = true;
  clock_.CallAfter(kResumeRetryDelaysMs[retry], [this] { Try(); });
}

}  // namespace orv::app
