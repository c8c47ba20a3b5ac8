#include "gui/exit_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <initializer_list>
#include <mutex>
#include <thread>

#include "app/app_state.h"
#include "platform/log.h"

namespace orv::app {
namespace {

// [0] read by the window thread, [1] by the exit guard.
int pipeFds[2][2] = {{-1, -1}, {-1, -1}};

void OnExitSignal(int) {
  const int saved = errno;
  const char byte = 1;
  for (const auto& fds : pipeFds) {
    if (fds[1] >= 0) [[maybe_unused]] ssize_t n = ::write(fds[1], &byte, 1);
  }
  errno = saved;
}

std::atomic<AppState*> armedState{nullptr};

void HostExitAtProcessEnd() {
  AppState* state = armedState.exchange(nullptr);
  if (state == nullptr || state->session.ended.exchange(true)) return;
  StopWorkers(*state);
  state->session.channel.SendHostExit();
}

// Run by exit() while armed, which only the toolkit or Xlib call, and only
// when the display's connection broke. The process then ends at once with
// their failure status: the destructors still to run would take down objects
// (the toolkit's image plugins) that a worker may be using at that moment.
void EndAtExit() {
  if (armedState.load() == nullptr) return;
  HostExitAtProcessEnd();
  ::_exit(1);
}

void Drain(int fd) {
  char buffer[64];
  while (fd >= 0 && ::read(fd, buffer, sizeof buffer) > 0) {
  }
}

// The last resort: the device's part of the exit sequence, given a bounded
// time of its own (a report stuck in the kernel must not keep the process
// alive), then the end of the process without running anything else.
[[noreturn]] void ForceExit(int status) {
  struct Done {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
  };
  static Done done;
  std::thread([] {
    HostExitAtProcessEnd();
    {
      std::lock_guard lock(done.mutex);
      done.done = true;
    }
    done.cv.notify_all();
  }).detach();
  {
    std::unique_lock lock(done.mutex);
    done.cv.wait_for(lock, std::chrono::seconds(2), [] { return done.done; });
  }
  ::_exit(status);
}

void GuardLoop(bool watchX11Display, std::chrono::milliseconds grace) {
  xcb_connection_t* display = nullptr;
  if (watchX11Display) {
    display = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(display) != 0) {
      xcb_disconnect(display);
      display = nullptr;
    }
  }
  const int signalFd = pipeFds[1][0];
  int status = 0;
  for (;;) {
    pollfd fds[2] = {{signalFd, POLLIN, 0}, {display ? xcb_get_file_descriptor(display) : -1, POLLIN, 0}};
    const int ready = ::poll(fds, display ? 2 : 1, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents != 0) {
      Drain(signalFd);
      break;
    }
    if (display != nullptr && fds[1].revents != 0) {
      // Nothing is asked of this connection; whatever comes is read and dropped.
      while (xcb_generic_event_t* event = xcb_poll_for_event(display)) std::free(event);
      if (xcb_connection_has_error(display) != 0) {
        status = 1;  // as the window toolkit ends when its own connection breaks
        break;
      }
    }
  }
  // The window thread normally ends the program well within the grace period.
  ::poll(nullptr, 0, static_cast<int>(grace.count()));
  log::Error(log::kApp, "the program did not end within " + std::to_string(grace.count()) +
                            " ms of being asked to; ending it now");
  ForceExit(status);
}

}  // namespace

void ArmHostExitAtProcessEnd(AppState& state) {
  static const bool registered = std::atexit(EndAtExit) == 0;
  if (registered) armedState = &state;
  EndForLostDisplayOnXlibIoError();
}

void EndForLostDisplay() {
  log::Error(log::kApp, "the connection to the display broke; ending the program");
  ForceExit(1);
}

void DisarmHostExitAtProcessEnd() { armedState = nullptr; }

int InstallExitSignals() {
  if (pipeFds[0][0] >= 0) return pipeFds[0][0];
  for (auto& fds : pipeFds) {
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  }
  struct sigaction action {};
  action.sa_handler = OnExitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
  // A write to a connection whose other end has gone (the display's, a second
  // start's) fails with an error the caller sees, instead of ending the
  // program on the spot without telling the mouse.
  ::signal(SIGPIPE, SIG_IGN);
  return pipeFds[0][0];
}

void DrainExitSignals() { Drain(pipeFds[0][0]); }

void StartExitGuard(bool watchX11Display, std::chrono::milliseconds grace) {
  static std::once_flag started;
  if (pipeFds[1][0] < 0) return;
  std::call_once(started, [&] { std::thread(GuardLoop, watchX11Display, grace).detach(); });
}

}  // namespace orv::app
