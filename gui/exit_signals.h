#pragma once
// A request from another program to end this one (SIGTERM, SIGINT, SIGHUP at
// the end of a session) is handled on the window thread: the signal handler
// only writes a byte into a pipe whose read end the window watches.
//
// Should the window thread be unable to act on it (blocked inside a library
// call that never returns), the exit guard ends the process anyway: it hears
// the same signals, and on X11 it also notices the display going away, through
// a connection of its own. After a grace period it stops the playback threads,
// sends the host-exit report unless the exit sequence has already sent it, and
// ends the process.
#include <chrono>

namespace orv::app {

// Installs the handlers; returns the pipe's read end (-1 when it could not be made).
int InstallExitSignals();
// Takes the waiting bytes out of the pipe.
void DrainExitSignals();

struct AppState;
// The window toolkit ends the process through the C library's exit() when its
// connection to the display breaks (an X server that ends at logout without a
// signal first). Armed, a handler run by exit() stops the playback threads and
// sends the host-exit report unless the exit sequence has already run. Disarm
// before the state goes away.
void ArmHostExitAtProcessEnd(AppState& state);
void DisarmHostExitAtProcessEnd();
// The display's connection broke (the toolkit or Xlib says so): stops the
// playback threads, sends the host-exit report unless the exit sequence has
// already run (within a bounded time), and ends the process with status 1
// without running the destructors of statics.
[[noreturn]] void EndForLostDisplay();
// Makes Xlib call EndForLostDisplay when a display's connection breaks,
// instead of printing and calling exit() (x11_io_error.cpp).
void EndForLostDisplayOnXlibIoError();

// Starts the exit guard's thread (once; after InstallExitSignals). With
// `watchX11Display`, it also watches the X display named by $DISPLAY. The
// grace period is how long the window thread has to end the program itself.
void StartExitGuard(bool watchX11Display, std::chrono::milliseconds grace = std::chrono::seconds(5));

}  // namespace orv::app
