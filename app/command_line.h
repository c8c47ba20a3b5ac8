#pragma once
// The program's switches, read without the window toolkit. The window-mode
// switches (-HIDE, --when-present, --verbose) and the toolkit's own switches
// (-platform, -display, ...) start the window; --help, --version, --list,
// --status and --profile N are answered on the terminal, the last two by the
// running copy when there is one.
#include <cstdint>
#include <string>
#include <vector>

namespace orv::app {

struct CommandLine {
  enum class Mode : uint8_t {
    Window,   // start the window (or show the running copy's)
    Help,     // print the usage, exit 0
    Version,  // print the version, exit 0
    List,     // print the five profiles of the configuration, exit 0
    Status,   // ask the running copy what it is doing
    Profile,  // make `profile` current and send it
    Invalid,  // `problem` says why; the usage goes to standard error, exit 2
  };
  Mode mode = Mode::Window;
  int32_t profile = 0;  // 1 ... 5 with Mode::Profile
  bool whenPresent = false;
  bool verbose = false;
  std::string problem;
};

// Reads argv[1 ...]. Arguments not starting with a dash are passed over, as
// they always were; a dash argument that is none of ours nor the toolkit's
// makes the line Invalid, and so does a second terminal switch.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The usage, in English, naming the program `name`.
std::string UsageText(const std::string& name);

// The profile number of `text`: 1 ... 5 written as plain digits, else 0.
int32_t ProfileNumberOf(const std::string& text);

}  // namespace orv::app
