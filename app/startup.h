#pragma once
// The main window's initialisation, from the playback threads to the tray
// icon: paths, profile and language, layouts, window shape, macros, menus,
// looking for the mouse, the first Apply and the start-minimised switch.
#include <cstdint>
#include <string>

#include "app/app_port.h"
#include "app/app_state.h"

namespace orv::app {

struct StartupOptions {
  std::string commandLine;     // JoinCommandLine of the process's arguments
  bool whenPresent = false;    // kWhenPresentSwitch: no prompt without the mouse, start minimised
  // The window's first frame does not wait for the mouse: InitialiseMainWindow
  // stops before the 5 ms wait, and the caller runs FinishStartup once the
  // first frame is out (or at once when the window starts hidden).
  bool finishLater = false;
  // A profile (1 ... 5) made current before the first Apply, as its chip
  // does; 0 keeps the configuration's current profile.
  int32_t profile = 0;
};

enum class StartupResult : uint8_t {
  Running,  // the window is ready to be shown
  Ended,    // the window was destroyed during initialisation; the program ends
  Failed,   // as Ended, because the skin is unusable: the program ends with a failure status
};

// Runs the initialisation in its fixed order. state.exeDir,
// state.session.backend, state.session.host and (for the playback threads)
// state.playback.launcher are filled by the caller (the playback threads run
// only with a launcher); state.clock times the wait before the first Apply.
StartupResult InitialiseMainWindow(AppState& state, AppPort& port, const StartupOptions& options);

// The rest of the initialisation after a Running result with finishLater:
// the 5 ms wait, the first Apply and the tray icon. Does nothing once the
// program has begun to end (the mouse removed, a signal).
void FinishStartup(AppState& state, AppPort& port);

// "Please plug-in【KTR-580】USB Mouse" for a non-zero language (English), the
// Turkish text for language 0: shown when no interface of the mouse is listed.
std::string PlugInPrompt(int32_t language);
// The mouse is there but this user may not open it; names the rule file.
std::string NotAccessibleMessage(int32_t language);

}  // namespace orv::app
