#include "app/exit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <initializer_list>

#include "app/app_state.h"

namespace orv::app {
namespace {

int pipeFds[2] = {-1, -1};

void OnExitSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(pipeFds[1], &byte, 1);
  errno = saved;
}

std::atomic<AppState*> armedState{nullptr};

void HostExitAtProcessEnd() {
  AppState* state = armedState.exchange(nullptr);
  if (state == nullptr || state->ended.exchange(true)) return;
  StopWorkers(*state);
  state->channel.SendHostExit();
}

}  // namespace

void ArmHostExitAtProcessEnd(AppState& state) {
  static const bool registered = std::atexit(HostExitAtProcessEnd) == 0;
  if (registered) armedState = &state;
}

void DisarmHostExitAtProcessEnd() { armedState = nullptr; }

int InstallExitSignals() {
  if (pipeFds[0] >= 0) return pipeFds[0];
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  struct sigaction action {};
  action.sa_handler = OnExitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
  return pipeFds[0];
}

void DrainExitSignals() {
  char buffer[64];
  while (pipeFds[0] >= 0 && ::read(pipeFds[0], buffer, sizeof buffer) > 0) {
  }
}

}  // namespace orv::app
