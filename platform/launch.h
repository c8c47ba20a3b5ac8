#pragma once
// Starting the two programs a mouse button can open: the desktop's calculator
// and a terminal emulator. Programs are looked up in a fixed order and started
// directly (never through a shell), detached from this program.
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

enum class Program : uint8_t { Calculator, Terminal };

// The names the mouse's function table gives these programs: "calc.exe" and
// "cmd.exe". The simulated mouse's host.log uses them.
const char* ProgramLogName(Program program);

class ProgramLauncher {
 public:
  virtual ~ProgramLauncher() = default;
  // Starts the program; failures are ignored.
  virtual void Launch(Program program) = 0;
};

// Program names to try, first to last: for a terminal the TERMINAL choice
// first, then the default of the desktop named in XDG_CURRENT_DESKTOP (a
// colon-separated list, compared without regard to case), then the system's
// default terminal, then common ones. No name appears twice.
std::vector<std::string> CandidatePrograms(Program program, std::string_view desktop, std::string_view terminal);

// The executable `name` in the colon-separated `searchPath`; a name holding a
// slash is taken as a path. Empty entries of the search path are skipped.
std::optional<std::filesystem::path> FindExecutable(std::string_view name, std::string_view searchPath);

// Starts `program` without arguments in a session of its own, with standard
// input from /dev/null, and reaps it when it ends. True when it was started.
bool SpawnDetached(const std::filesystem::path& program);

// The real desktop: the first candidate found in PATH is started.
class DesktopLauncher final : public ProgramLauncher {
 public:
  void Launch(Program program) override;
};

// Starts nothing: records "launch calc.exe" / "launch cmd.exe", in memory and,
// when a log file is given, appended to it at once (the simulated mouse's
// host.log).
class RecordingLauncher final : public ProgramLauncher {
 public:
  explicit RecordingLauncher(std::filesystem::path logFile = {});
  void Launch(Program program) override;
  std::vector<std::string> Lines() const;

 private:
  mutable std::mutex mutex_;
  std::filesystem::path logFile_;
  std::vector<std::string> lines_;
};

}  // namespace orv
