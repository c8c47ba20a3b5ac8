#include "app/shell.h"

#include "app/controller.h"
#include "device/device_link.h"
#include "macros/macro_files.h"
#include "platform/file_names.h"
#include "platform/log.h"
#include "platform/private_profile.h"
#include "settings/macro_pair.h"
#include "skin/layout.h"

namespace orv::app {

// ---- Language ----

bool SwitchLanguage(AppState& s, AppPort& port, int32_t language) {
  s.language = language;
  if (const Outcome failed = WriteProfileString(s.configPath, "Init", "VER_SEL", language != 0 ? "1" : "0")) {
    log::Warning(log::kFiles, failed->Text());
  }
  const skin::LayoutLoad layouts = skin::LoadAllLayouts(s.layout, s.skinDir, language);
  Tell(port, layouts.said, log::kApp);
  if (!layouts) {
    HostExit(s, port);
    return false;
  }
  s.macroFilePath = MacroFilePathFor(MacroFolder(s), language);
  EndRecordingBeforeReload(s, port);
  // Macro edits not saved yet are dropped: the other language has its own file.
  if (const Outcome said = settings::LoadUserMacros(s.configPath, s.macroFilePath, language, s.profile, s.macros)) {
    Tell(port, *said, log::kFiles, log::Level::Warning);
  }
  if (s.ui.page == kPageAdvanced) {
    port.RefillMacroLists();
    port.Invalidate(RepaintArea::Whole);
  }
  port.LoadMenus(language);
  port.SetTitle(kWindowTitle);
  return true;
}

void LoadMenusForLanguage(AppState& s, int32_t language) {
  skin::LoadOwnerDrawnMenu(s.contextMenu, skin::ContextMenuFor(language));
  skin::LoadOwnerDrawnMenu(s.trayMenu, skin::TrayMenuFor(language));
}

bool OnTrayCommand(AppState& s, int commandId, AppPort& port) {
  for (const skin::TrayCommands& c : {skin::kTrayCommandsEnglish, skin::kTrayCommandsTurkish}) {
    if (commandId == c.showWindow) {
      ShowFromTray(s, port);
      return true;
    }
    if (commandId == c.exitDriver) {
      HostExit(s, port);
      return true;
    }
  }
  return false;
}

std::string AboutMenuText(int32_t) { return "&About ORV_ZIduzu..."; }

std::string AboutText() {
  return "ORV_ZIduzu 1.0\n\nSettings of the KTR-580 GAMING MOUSE: buttons, DPI levels, lighting and macros.";
}

// ---- Visibility and exit ----

void HideToTray(AppState&, AppPort& port) {
  port.Minimise();
  // Without a notification area a hidden window could not be brought back:
  // it stays minimised on the taskbar instead.
  if (!port.TrayAvailable()) return;
  port.Hide();
  port.TrayAdd();
}

void ShowFromTray(AppState&, AppPort& port) { port.ShowAndRestore(); }

void HostExit(AppState& s, AppPort& port) {
  port.TrayRemove();
  // A macro being played ends first, with its release reports, so that the
  // host-exit report is the last thing the mouse hears from the program.
  StopWorkers(s);
  if (!s.session.ended.exchange(true)) s.session.channel.SendHostExit();
  port.DestroyWindow();
}

bool OnDeviceEvents(AppState& s, AppPort& port, const std::vector<device::DeviceEvent>& events) {
  if (!s.session.link) return false;
  for (const device::DeviceEvent& event : events) {
    if (device::HandleDeviceChange(*s.session.link, event) == device::DeviceChange::EndProgram) {
      s.session.ended = true;  // the mouse is gone: nothing is sent to it any more
      port.TrayRemove();
      port.DestroyWindow();
      return true;
    }
  }
  return false;
}

void OnPowerEvent(AppState& s, AppPort& port) { ApplyCurrentProfile(s, port, false); }

bool ApplyReachedMouse(AppState& s, AppPort& port) {
  const uint64_t failedBefore = s.session.channel.FailedSends();
  ApplyCurrentProfile(s, port, false);
  return s.session.channel.WriteState() == device::HandleState::Open && s.session.channel.FailedSends() == failedBefore;
}

// ---- Start-minimised switch ----

std::string JoinCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line += ' ';
    line += argv[i];
  }
  return line;
}

bool HideSwitchPresent(std::string_view line) {
  const size_t dash = line.rfind('-');
  const std::string_view tail = dash == std::string_view::npos ? line : line.substr(dash + 1);
  return tail.substr(0, 4) == "HIDE";
}

bool ConsumeHideAtStart(AppState& s) {
  if (s.hideAtStart != 1) return false;
  s.hideAtStart = 0;
  return true;
}

bool WhenPresentSwitchGiven(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == kWhenPresentSwitch) return true;
  }
  return false;
}

std::string AppNameOf(const std::string& executablePath) {
  const std::string name = std::filesystem::path(executablePath).stem().string();
  return name.empty() ? kAppName : name;
}

std::filesystem::path ExeDirFromExecutable(const std::string& executablePath) {
  const size_t slash = executablePath.rfind('/');
  if (slash == std::string::npos) return {};
  return executablePath.substr(0, slash);
}

}  // namespace orv::app
