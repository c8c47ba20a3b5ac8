#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "app/shell.h"
#include "settings/profile_slots.h"

namespace orv::app {
namespace {

// The window toolkit's own switches, with and without a value; it takes
// them out of the command line itself.
constexpr std::array<std::string_view, 12> kToolkitSwitchesWithValue = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
    "qwindowtitle", "style", "stylesheet", "session", "display", "geometry"};
constexpr std::array<std::string_view, 6> kToolkitSwitches = {"reverse", "widgetcount", "nograb",
                                                              "dograb",  "sync",        "qmljsdebugger"};

// "-name" or "--name" (and "-name=value" for the toolkit's) without its dashes.
std::string_view SwitchName(std::string_view arg) {
  arg.remove_prefix(arg.starts_with("--") ? 2 : 1);
  return arg.substr(0, arg.find('='));
}

template <size_t N>
bool OneOf(std::string_view name, const std::array<std::string_view, N>& names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

int32_t ProfileNumberOf(const std::string& text) {
  if (text.empty() || text.size() > 2 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return 0;
  }
  const int32_t n = std::stoi(text);
  return (n >= settings::kFirstUserProfile && n <= settings::kLastUserProfile) ? n : 0;
}

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  auto terminal = [&line](CommandLine::Mode mode, std::string_view arg) {
    if (line.mode == CommandLine::Mode::Invalid) return;
    if (line.mode != CommandLine::Mode::Window) {
      line.mode = CommandLine::Mode::Invalid;
      line.problem = "only one of --help, --version, --list, --status and --profile may be given (" +
                     std::string(arg) + ")";
      return;
    }
    line.mode = mode;
  };
  auto invalid = [&line](std::string text) {
    if (line.mode == CommandLine::Mode::Invalid) return;
    line.mode = CommandLine::Mode::Invalid;
    line.problem = std::move(text);
  };
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr) continue;
    const std::string_view arg(argv[i]);
    if (arg.size() < 2 || arg[0] != '-') continue;
    if (arg == "--help" || arg == "-h") {
      terminal(CommandLine::Mode::Help, arg);
    } else if (arg == "--version") {
      terminal(CommandLine::Mode::Version, arg);
    } else if (arg == "--list") {
      terminal(CommandLine::Mode::List, arg);
    } else if (arg == "--status") {
      terminal(CommandLine::Mode::Status, arg);
    } else if (arg == "--profile" || arg.starts_with("--profile=")) {
      std::string value;
      if (arg == "--profile") {
        if (i + 1 >= argc || argv[i + 1] == nullptr) {
          invalid("--profile needs a profile number, 1 to 5");
          continue;
        }
        value = argv[++i];
      } else {
        value = std::string(arg.substr(std::string_view("--profile=").size()));
      }
      terminal(CommandLine::Mode::Profile, arg);
      line.profile = ProfileNumberOf(value);
      if (line.profile == 0) invalid("--profile takes a profile number from 1 to 5, not \"" + value + "\"");
    } else if (arg == kWhenPresentSwitch) {
      line.whenPresent = true;
    } else if (arg == "--verbose") {
      line.verbose = true;
    } else if (HideSwitchPresent(arg)) {
      // -HIDE (the start-minimised rule reads the whole command line).
    } else if (OneOf(SwitchName(arg), kToolkitSwitchesWithValue)) {
      if (arg.find('=') == std::string_view::npos) ++i;  // its value follows
    } else if (OneOf(SwitchName(arg), kToolkitSwitches)) {
    } else {
      invalid("unknown switch \"" + std::string(arg) + "\"");
    }
  }
  return line;
}

std::string UsageText(const std::string& name) {
  return "Usage: " + name +
         " [-HIDE] [--when-present] [--verbose]\n"
         "       " + name + " --profile N | --status | --list | --help | --version\n"
         "\n"
         "Settings of the KTR-580 GAMING MOUSE.\n"
         "\n"
         "  -HIDE            start minimised (in the tray)\n"
         "  --when-present   for automatic starts: without the mouse end at once, silently;\n"
         "                   with it, start minimised; a running copy is left alone\n"
         "  --verbose        trace every report sent to and received from the mouse\n"
         "  --profile N      make profile N (1 to 5) the current profile and send it to the\n"
         "                   mouse, as its profile button and Apply do; a running copy is\n"
         "                   told to do it, otherwise the program starts minimised\n"
         "  --status         ask the running copy: the mouse, the current profile, the\n"
         "                   language and the application rule in force\n"
         "  --list           print the five profiles of the configuration\n"
         "  -h, --help       print this text\n"
         "  --version        print the version\n"
         "\n"
         "Exit status: 0 done, 1 failed (no mouse, no running copy), 2 wrong command line.\n";
}

}  // namespace orv::app
