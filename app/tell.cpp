#include "app/tell.h"

namespace orv::app {

void Tell(MessageSink& window, const std::string& text, std::string_view category, log::Level level) {
  log::Write(level, category, text);
  window.ShowMessage(text);
}

void Tell(MessageSink& window, const Failure& failure, std::string_view category, log::Level level) {
  Tell(window, failure.Text(), category, level);
}

void Tell(MessageSink& window, const std::vector<Failure>& failures, std::string_view category) {
  for (const Failure& failure : failures) Tell(window, failure, category);
}

}  // namespace orv::app
