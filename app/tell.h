#pragma once
// The one way a message reaches the user: it is written to the log, then
// shown in the window's modal message box. Nothing shows a box any other way,
// so every text the user saw is also in the log (and the journal).
#include <string>
#include <string_view>
#include <vector>

#include "platform/failure.h"
#include "platform/log.h"

namespace orv::app {

// Where the window shows its message boxes; the tests record them.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};

// Logs `text` in `category` at `level`, then shows it.
void Tell(MessageSink& window, const std::string& text, std::string_view category = log::kApp,
          log::Level level = log::Level::Warning);
// A failure the user must know about: logged (as an error unless `level`
// says otherwise), then shown.
void Tell(MessageSink& window, const Failure& failure, std::string_view category = log::kFiles,
          log::Level level = log::Level::Error);
// Each failure in turn, each in its own box.
void Tell(MessageSink& window, const std::vector<Failure>& failures, std::string_view category = log::kFiles);

}  // namespace orv::app
