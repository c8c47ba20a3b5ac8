#pragma once
// A request from another program to end this one (SIGTERM, SIGINT, SIGHUP at
// the end of a session) is handled on the window thread: the signal handler
// only writes a byte into a pipe whose read end the window watches.

namespace orv::app {

// Installs the handlers; returns the pipe's read end (-1 when it could not be made).
int InstallExitSignals();
// Takes the waiting bytes out of the pipe.
void DrainExitSignals();

}  // namespace orv::app
