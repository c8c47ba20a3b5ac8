#pragma once
// The program's log: failures that are not shown in a window (a feature report
// the mouse did not take, a device that could not be opened or read, a file
// that could not be written, a profile Apply had to repair) and, when debug
// logging is on, a trace of every report sent and received.
//
// The core writes through this port; the application installs a sink that
// hands the lines to the window toolkit's logging (standard error, and so the
// journal when run as a service). Without a sink, warnings and errors go to
// standard error. Quiet by default: only warnings and errors are written
// unless debug logging is switched on (ORV_LOG=debug or --verbose).
#include <atomic>
#include <string>
#include <string_view>

namespace orv::log {

enum class Level : uint8_t { Debug, Info, Warning, Error };

// Where log lines go. Called from any thread; implementations must be
// thread-safe.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual void Write(Level level, std::string_view category, std::string_view text) = 0;
};

// Installs the sink (nullptr: back to standard error). The sink must outlive
// every thread that logs.
void SetSink(Sink* sink);
void SetDebugEnabled(bool on);
bool DebugEnabled();
// True when ORV_LOG asks for debug logging ("debug", any case).
bool DebugRequestedByEnvironment();

void Write(Level level, std::string_view category, std::string_view text);
inline void Error(std::string_view category, std::string_view text) { Write(Level::Error, category, text); }
inline void Warning(std::string_view category, std::string_view text) { Write(Level::Warning, category, text); }
inline void Info(std::string_view category, std::string_view text) { Write(Level::Info, category, text); }
// Debug lines are often expensive to build: check DebugEnabled() first.
inline void Debug(std::string_view category, std::string_view text) {
  if (DebugEnabled()) Write(Level::Debug, category, text);
}

// Categories, one per subsystem.
inline constexpr std::string_view kDevice = "orv.device";
inline constexpr std::string_view kFiles = "orv.files";
inline constexpr std::string_view kApply = "orv.apply";
inline constexpr std::string_view kPlayback = "orv.playback";
inline constexpr std::string_view kApp = "orv.app";

}  // namespace orv::log
