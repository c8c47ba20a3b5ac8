// ORV_ZIduzu: the settings program of the KTR-580 GAMING MOUSE.
//   ORV_ZIduzu [-HIDE] [--when-present] [--verbose]
//   ORV_ZIduzu --profile N | --status | --list | --help | --version
// (app/command_line.h reads the switches; --status and --profile N are
// answered by the running copy over the single-instance socket.)
// Run from its portable folder it keeps everything there; installed, it reads
// its data from <prefix>/share/orv-ziduzu and writes the user's files to
// $XDG_CONFIG_HOME/orv-ziduzu (see platform/program_folders.h).
// --verbose (or ORV_LOG=debug) traces every feature report sent and every
// input report received on standard error.
// With ORV_SIMULATED_MOUSE=<folder> the simulated mouse of that folder stands
// in for the real one, and the desktop settings are written to its host.log
// instead of being changed.
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <thread>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/app_state.h"
#include "gui/accessibility.h"
#include "app/command_line.h"
#include "app/profile_listing.h"
#include "app/remote_control.h"
#include "gui/app_switching.h"
#include "gui/exit_signals.h"
#include "gui/fonts.h"
#include "gui/main_window.h"
#include "gui/qt_log.h"
#include "app/shell.h"
#include "gui/single_instance.h"
#include "app/startup.h"
#include "device/device_link.h"
#include "drive/playback.h"
#include "device/simulated/simulated_mouse.h"
#include "gui/window_clock.h"
#include "platform/clock.h"
#include "platform/file_names.h"
#include "platform/launch.h"
#include "platform/log.h"
#include "platform/program_folders.h"
#include "gui/host_settings_desktop.h"

namespace {

using namespace orv;

std::string ExecutablePath(const char* argv0) {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(argv0 ? argv0 : "") : exe.string();
}

// The mouse and the desktop: simulated together, or both real.
void ConnectSurroundings(app::AppState& state) {
  state.session.backend = device::MakeHidBackend();
  if (const auto folder = device::SimulatedMouseFolder()) {
    const std::filesystem::path log = *folder / device::kHostLogName;
    state.session.host = std::make_unique<settings::RecordingHostSettings>(log);
    state.playback.launcher = std::make_unique<RecordingLauncher>(log);
  } else {
    state.session.host = settings::MakeDesktopHostSettings();
    state.playback.launcher = std::make_unique<DesktopLauncher>();
  }
  state.clock = std::make_unique<app::WindowClock>();
}

// Without a session bus address, the D-Bus library would start a bus daemon
// of its own ("autolaunch") the first time the window toolkit asks for the
// session bus, forking from the toolkit's bus thread and waiting on the child
// with the window thread blocked behind it. The program never wants a bus of
// its own: without an address it uses the session's standard socket, and
// without that socket it goes without the session bus (the tray then uses the
// X11 protocol, as on a desktop without one).
void UseSessionBusWithoutAutolaunch() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address != nullptr && *address != '\0') return;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string folder =
      (runtime != nullptr && *runtime == '/') ? std::string(runtime) : "/run/user/" + std::to_string(::getuid());
  ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + folder + "/bus").c_str(), 1);
}

// Without a usable lock the program cannot make sure it runs only once: it
// says which file and why, and ends with a failure status.
int ReportUnusableLock(int argc, char** argv, const std::string& executable, const Failure& problem) {
  const std::string text = "The program cannot start: its single-instance lock file cannot be used.\n" + problem.Text();
  log::Error(log::kApp, text);
  QApplication application(argc, argv);
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(app::AppNameOf(executable)),
                  QString::fromStdString(text), QMessageBox::Ok);
  box.exec();
  return 1;
}

// --list: the five profiles of the configuration this user's start would
// read (the shipped one while the user has none yet). Reads only.
int ListProfiles(const std::string& executable) {
  const ProgramFolders folders =
      DecideProgramFolders(app::ExeDirFromExecutable(executable), CurrentFolderEnvironment());
  const std::filesystem::path skinDir = folders.data / names::kSkinFolder;
  std::filesystem::path config = folders.configPath;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(config, ec)) {
    const std::filesystem::path shipped = skinDir / names::kConfigFolder / names::kConfigFile;
    std::cout << config.string() << " does not exist yet; the shipped settings are listed.\n";
    config = shipped;
  }
  if (!std::filesystem::is_regular_file(config, ec)) {
    std::cerr << app::AppNameOf(executable) << ": no configuration at " << config.string() << '\n';
    return 1;
  }
  std::cout << app::ListProfiles(config, skinDir);
  return 0;
}

// How long a later start waits for the running copy: a profile request
// includes an Apply of 22 reports.
constexpr int kAnswerTimeoutMs = 10000;
// A copy that holds the lock but does not listen yet is still starting.
constexpr auto kStartingCopyWait = std::chrono::seconds(5);

// --status, or --profile N while a copy runs: asks it and prints its answer.
// None when no copy runs.
std::optional<int> AskRunningCopy(app::SingleInstance& instance, const app::InstanceRequest& request,
                                  bool copyHoldsTheLock) {
  const auto giveUp = std::chrono::steady_clock::now() + kStartingCopyWait;
  std::optional<std::string> answer;
  for (;;) {
    answer = instance.Ask(request, kAnswerTimeoutMs);
    if (answer || !copyHoldsTheLock || std::chrono::steady_clock::now() >= giveUp) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (!answer) return std::nullopt;
  if (answer->empty()) {
    std::cerr << "The running copy gave no answer (an earlier version, or it is busy).\n";
    return 1;
  }
  if (answer->starts_with(app::kRemoteFailure)) {
    std::cerr << answer->substr(std::string_view(app::kRemoteFailure).size());
    return 1;
  }
  std::cout << *answer;
  return 0;
}

// The switches answered on the terminal. None: the window starts (for
// --profile N, when no copy runs; `profile` is then N).
std::optional<int> RunTerminalMode(const app::CommandLine& line, const std::string& executable, int32_t& profile) {
  const std::string name = app::AppNameOf(executable);
  switch (line.mode) {
    case app::CommandLine::Mode::Window:
      return std::nullopt;
    case app::CommandLine::Mode::Invalid:
      std::cerr << name << ": " << line.problem << "\n\n" << app::UsageText(name);
      return 2;
    case app::CommandLine::Mode::Help:
      std::cout << app::UsageText(name);
      return 0;
    case app::CommandLine::Mode::Version:
      std::cout << name << ' ' << ORV_VERSION << '\n';
      return 0;
    case app::CommandLine::Mode::List:
      return ListProfiles(executable);
    case app::CommandLine::Mode::Status: {
      app::SingleInstance instance;
      const bool held = instance.TryBecomeFirst() != app::InstanceLock::Outcome::Ours;
      if (const auto status = AskRunningCopy(instance, {app::InstanceRequest::Kind::Status, 0}, held)) return status;
      std::cerr << "No copy of " << name << " is running.\n";
      return 1;
    }
    case app::CommandLine::Mode::Profile: {
      {
        app::SingleInstance instance;
        const bool held = instance.TryBecomeFirst() != app::InstanceLock::Outcome::Ours;
        if (held) {
          if (const auto status =
                  AskRunningCopy(instance, {app::InstanceRequest::Kind::Profile, line.profile}, held)) {
            return status;
          }
          std::cerr << "A copy of " << name << " holds the lock but does not answer; nothing was sent.\n";
          return 1;
        }
      }  // the lock is let go: the start below takes it again
      profile = line.profile;
      return std::nullopt;
    }
  }
  return 2;
}

// Why the window cannot take a profile from outside now ("" when it can).
// Nothing is loaded or sent under an open dialog or menu: it may be in the
// middle of an edit, or of an Apply that reports a failure.
std::string WindowBusy(const orv::app::AppState& state) {
  if (QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr ||
      state.ui.buttonMenuOpen) {
    return "the window has a dialog or menu open";
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  // The start-minimised rule reads the whole command line; our own switches
  // are taken out of it first so they never hide a -HIDE before them.
  std::vector<char*> args(argv, argv + argc);
  std::erase_if(args, [&](char* a) {
    if (a == argv[0] || a == nullptr) return false;
    const std::string_view arg(a);
    return arg == "--verbose" || arg == "--when-present";
  });
  const std::string commandLine = app::JoinCommandLine(static_cast<int>(args.size()), args.data());
  const std::string executable = ExecutablePath(argc > 0 ? argv[0] : nullptr);

  const app::CommandLine parsed = app::ParseCommandLine(argc, argv);
  int32_t profile = 0;
  if (const auto status = RunTerminalMode(parsed, executable, profile)) return *status;
  // --profile N without a running copy starts as an automatic start does:
  // minimised, and without the mouse it ends (saying so) having sent nothing.
  const bool whenPresent = app::WhenPresentSwitchGiven(argc, argv) || profile != 0;
  UseSessionBusWithoutAutolaunch();

  // A second start shows the first copy's window and ends, showing nothing.
  // An automatic start (the mouse plugged in again) leaves that window as it is.
  app::SingleInstance instance;
  switch (instance.TryBecomeFirst()) {
    case app::InstanceLock::Outcome::Ours:
      break;
    case app::InstanceLock::Outcome::HeldByAnother:
      if (profile != 0) {
        // Another copy has just started: it takes the request instead.
        if (const auto status = AskRunningCopy(instance, {app::InstanceRequest::Kind::Profile, profile}, true)) {
          return *status;
        }
        return 1;
      }
      if (!whenPresent) instance.AskFirstToShow();
      return 0;
    case app::InstanceLock::Outcome::Unusable:
      // A copy that answers on the socket is running after all.
      if (!whenPresent && instance.AskFirstToShow()) return 0;
      return ReportUnusableLock(argc, argv, executable, instance.LockProblem());
  }
  // The font configuration is read alongside the toolkit's start.
  skin::StartFontWarmUp();
  const int exitSignalFd = app::InstallExitSignals();
  app::InstallQtLogging(app::VerboseSwitchPresent(argc, argv));

  QApplication application(argc, argv);
  // From here on a signal or the display going away ends the program even
  // should the window thread hang.
  app::StartExitGuard(QGuiApplication::platformName() == QStringLiteral("xcb"));
  // Message boxes carry the executable's name ("ORV_ZIduzu" in the portable
  // folder, "orv-ziduzu" installed).
  QApplication::setApplicationName(QString::fromStdString(app::AppNameOf(executable)));
  // Hiding the window to the tray must not end the program.
  QApplication::setQuitOnLastWindowClosed(false);
  // Screen readers see the painted controls of the skinned windows.
  app::InstallAccessibility();

  auto state = std::make_unique<app::AppState>();
  state->exeDir = app::ExeDirFromExecutable(executable);
  state->folders = DecideProgramFolders(state->exeDir, CurrentFolderEnvironment());
  ConnectSurroundings(*state);

  int status = 0;
  app::ArmHostExitAtProcessEnd(*state);
  {
    app::MainWindow window(*state);
    // With ORV_FIRST_PAINT_FILE set, one line is appended to that file (which
    // may be a FIFO) when the first frame has been drawn.
    if (const char* file = std::getenv("ORV_FIRST_PAINT_FILE"); file != nullptr && *file != '\0') {
      window.onFirstPaint = [file, &state] {
        std::ofstream out(file, std::ios::app);
        out << "first-paint page=" << int(state->ui.page) << " language=" << state->language
            << " profile=" << state->profile.curProfile << "\n";
      };
    }
    window.onTitleSet = [&instance, &window, &state] {
      const Outcome failed = instance.Listen([&window, &state](const app::InstanceRequest& request) {
        if (window.Destroyed()) return std::string(app::kRemoteFailure) + "the program is ending\n";
        return app::AnswerInstanceRequest(*state, window, request, app::RemoteBusy{WindowBusy(*state)});
      });
      if (failed) {
        log::Warning(log::kApp, "cannot listen on " + failed->Text() + ": a second start will not bring this window back");
      }
    };
    window.ConnectExitSignal(exitSignalFd);
    app::AppSwitching switching(*state, window, [&state] { return WindowBusy(*state); });
    window.onProfileChipMenu = [&switching, &window](int32_t profile, const QPoint& at) {
      switching.ShowChipMenu(profile, at, window, window.MenuStyle());
    };
    // The first frame does not wait for the mouse: the 5 ms wait, the first
    // Apply and the tray icon come right after it.
    const app::StartupResult result = app::InitialiseMainWindow(
        *state, window, {commandLine, whenPresent, /*finishLater=*/true, profile});
    if (result == app::StartupResult::Failed) status = 1;
    if (result == app::StartupResult::Ended && profile != 0) {
      std::cerr << "No " << device::kModelName << " can be used; profile " << profile << " was not sent.\n";
      status = 1;
    }
    if (result == app::StartupResult::Running && !window.Destroyed()) {
      if (window.ExitRequested()) {
        app::HostExit(*state, window);
      } else {
        window.ConnectEvents();
        window.FinishAfterFirstFrame([&state, &window, &switching, profile] {
          app::FinishStartup(*state, window);
          switching.Start();
          if (profile != 0 && !state->session.ended.load()) {
            std::cout << "profile " << profile << " is current and was sent to the mouse; the program keeps running"
                      << std::endl;
          }
        });
        window.show();
        window.ComposeFirstFrameAhead();
        QApplication::exec();
      }
    }
    // The threads post to the window: they end before it does.
    window.StopAnimation();
    app::StopWorkers(*state);
  }
  app::DisarmHostExitAtProcessEnd();
  return status;
}
