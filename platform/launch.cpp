#include "platform/launch.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/text_codec.h"

extern char** environ;

namespace orv {
namespace {

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(separator, start), text.size());
    parts.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// The calculator and the terminal each desktop ships.
struct DesktopDefaults {
  const char* desktop;  // lower case, as in XDG_CURRENT_DESKTOP
  const char* calculator;
  const char* terminal;
};
constexpr DesktopDefaults kDesktopDefaults[] = {
    {"gnome", "gnome-calculator", "gnome-terminal"},
    {"unity", "gnome-calculator", "gnome-terminal"},
    {"cinnamon", "gnome-calculator", "gnome-terminal"},
    {"budgie", "gnome-calculator", "gnome-terminal"},
    {"kde", "kcalc", "konsole"},
    {"xfce", "galculator", "xfce4-terminal"},
    {"mate", "mate-calc", "mate-terminal"},
    {"lxqt", "qalculate-qt", "qterminal"},
    {"lxde", "galculator", "lxterminal"},
};

constexpr const char* kCommonCalculators[] = {"gnome-calculator", "kcalc",       "mate-calc",   "galculator",
                                              "qalculate-gtk",    "qalculate-qt", "speedcrunch", "xcalc"};
constexpr const char* kCommonTerminals[] = {"gnome-terminal", "kgx",   "konsole",   "xfce4-terminal", "mate-terminal",
                                            "qterminal",      "lxterminal", "kitty", "alacritty", "xterm"};
// Debian's alternatives link to the terminal the system administrator chose.
constexpr const char* kSystemTerminal = "x-terminal-emulator";

void AddOnce(std::vector<std::string>& list, std::string_view name) {
  if (!name.empty() && std::find(list.begin(), list.end(), name) == list.end()) list.emplace_back(name);
}

}  // namespace

const char* ProgramLogName(Program program) { return program == Program::Calculator ? "calc.exe" : "cmd.exe"; }

std::vector<std::string> CandidatePrograms(Program program, std::string_view desktop, std::string_view terminal) {
  std::vector<std::string> list;
  const bool calculator = program == Program::Calculator;
  if (!calculator) AddOnce(list, terminal);
  for (const std::string& name : Split(AsciiLower(desktop), ':')) {
    for (const DesktopDefaults& d : kDesktopDefaults) {
      if (name == d.desktop) AddOnce(list, calculator ? d.calculator : d.terminal);
    }
  }
  if (calculator) {
    for (const char* name : kCommonCalculators) AddOnce(list, name);
  } else {
    AddOnce(list, kSystemTerminal);
    for (const char* name : kCommonTerminals) AddOnce(list, name);
  }
  return list;
}

std::optional<std::filesystem::path> FindExecutable(std::string_view name, std::string_view searchPath) {
  if (name.empty()) return std::nullopt;
  auto usable = [](const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec) && ::access(p.c_str(), X_OK) == 0;
  };
  if (name.find('/') != std::string_view::npos) {
    std::filesystem::path p(name);
    return usable(p) ? std::optional(p) : std::nullopt;
  }
  for (const std::string& dir : Split(searchPath, ':')) {
    if (dir.empty()) continue;
    std::filesystem::path p = std::filesystem::path(dir) / name;
    if (usable(p)) return p;
  }
  return std::nullopt;
}

bool SpawnDetached(const std::filesystem::path& program) {
  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return false;
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) {
    posix_spawnattr_destroy(&attr);
    return false;
  }
  // A session of its own: the program outlives this one and its terminal, and
  // starts with the default signal handling and nothing blocked.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

  const std::string path = program.string();
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = 0;
  const int result = posix_spawn(&pid, path.c_str(), &actions, &attr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (result != 0) return false;

  // Reaped when it ends, so no finished program stays behind as a zombie.
  std::thread([pid] {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

void DesktopLauncher::Launch(Program program) {
  auto env = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string_view(value == nullptr ? "" : value);
  };
  for (const std::string& name : CandidatePrograms(program, env("XDG_CURRENT_DESKTOP"), env("TERMINAL"))) {
    if (auto path = FindExecutable(name, env("PATH"))) {
      SpawnDetached(*path);
      return;
    }
  }
}

RecordingLauncher::RecordingLauncher(std::filesystem::path logFile) : logFile_(std::move(logFile)) {}

void RecordingLauncher::Launch(Program program) {
  std::string line = std::string("launch ") + ProgramLogName(program);
  std::lock_guard lock(mutex_);
  if (!logFile_.empty()) {
    std::ofstream out(logFile_, std::ios::app);
    out << line << '\n' << std::flush;
  }
  lines_.push_back(std::move(line));
}

std::vector<std::string> RecordingLauncher::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

}  // namespace orv
