#pragma once
// Hands the program's log lines to Qt's logging categories ("orv.device",
// "orv.files", ...), which write them to standard error (and so to the journal
// when the program runs as a service) and honour QT_LOGGING_RULES.
#include <string_view>

#include "platform/log.h"

namespace orv::app {

class QtLogSink final : public log::Sink {
 public:
  void Write(log::Level level, std::string_view category, std::string_view text) override;
};

// True when the command line asks for the debug trace ("--verbose").
bool VerboseSwitchPresent(int argc, char** argv);

// Installs the sink; with debug logging on (ORV_LOG=debug or --verbose) every
// feature report sent and every input report received is traced.
void InstallQtLogging(bool verbose);

}  // namespace orv::app
