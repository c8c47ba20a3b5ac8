#pragma once
// The program's shell: the language switch, hiding to the tray and showing
// again, the ways the program ends, the reaction to the mouse arriving or
// leaving and to power events, and the start-minimised switch.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_port.h"
#include "app/app_state.h"
#include "device/hid_transport.h"

namespace orv::app {

// ---- Language ----
// Switches the interface to `language` (1 English, 0 Turkish): stores
// VER_SEL, reloads the four layouts and the user macros of that language,
// refills the macro lists when the Advanced page is shown, reloads the menus
// and sets the title again. A missing layout file ends the program (the
// message has been shown); returns false then.
bool SwitchLanguage(AppState& state, AppPort& port, int32_t language);

// Loads the event list's context menu and the tray menu of `language` into
// state.contextMenu and state.trayMenu, replacing the previous ones whole.
void LoadMenusForLanguage(AppState& state, int32_t language);
// A command of the tray menu (either language): show the window or end the
// program. Other identifiers do nothing; returns whether it was one of them.
bool OnTrayCommand(AppState& state, int commandId, AppPort& port);

// The item that opens the About box, and the About box's text.
std::string AboutMenuText(int32_t language);
std::string AboutText();

// ---- Window visibility and the end of the program ----
// Minimises, hides and adds the tray icon. Where the desktop has no tray the
// window is only minimised, so it stays reachable from the taskbar.
void HideToTray(AppState& state, AppPort& port);
void ShowFromTray(AppState& state, AppPort& port);
// Removes the tray icon, tells the mouse the program ends (unless its write
// collection failed to open) and destroys the window.
void HostExit(AppState& state, AppPort& port);

// The mouse arrived or left. A removal of our mouse removes the tray icon and
// destroys the window without telling the mouse; returns true then.
bool OnDeviceEvents(AppState& state, AppPort& port, const std::vector<device::DeviceEvent>& events);
// The system is about to sleep or has woken: the settings are sent again.
void OnPowerEvent(AppState& state, AppPort& port);
// The same Apply, telling whether it reached the mouse: its write collection
// is open and took every report (what the retries after a resume wait for).
bool ApplyReachedMouse(AppState& state, AppPort& port);

// ---- Start-minimised switch ----
// The whole command line, program path included, arguments joined by single
// spaces.
std::string JoinCommandLine(int argc, const char* const* argv);
// The 4 characters after the last dash (or the first 4 when there is no dash)
// are exactly "HIDE".
bool HideSwitchPresent(std::string_view commandLine);
// True once when the start-minimised switch asks to minimise at the first paint.
bool ConsumeHideAtStart(AppState& state);

// ---- Automatic start ----
// Given by the programs that start this one on their own (the login's
// autostart entry and the service started when the mouse is plugged in):
// without the mouse the program ends silently; with it, it starts minimised.
// A second copy started this way leaves the first one's window alone.
inline constexpr const char* kWhenPresentSwitch = "--when-present";
// One of the arguments after the program's path is exactly kWhenPresentSwitch.
bool WhenPresentSwitchGiven(int argc, const char* const* argv);

// ---- Paths ----
// The folder of the executable: the path cut before its last '/', or empty
// when it has none.
std::filesystem::path ExeDirFromExecutable(const std::string& executablePath);
// The application name: the executable's file name without its extension
// (the caption of every message box); kAppName when the path has no name.
std::string AppNameOf(const std::string& executablePath);

}  // namespace orv::app
