#pragma once
// A request from another program to end this one (SIGTERM, SIGINT, SIGHUP at
// the end of a session) is handled on the window thread: the signal handler
// only writes a byte into a pipe whose read end the window watches.

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

}  // namespace orv::app
