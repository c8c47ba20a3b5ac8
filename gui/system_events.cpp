#include "gui/system_events.h"

#include <QApplication>
#include <QDBusConnection>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include "app/shell.h"
#include "device/hid_transport.h"
#include "gui/exit_signals.h"

namespace orv::app {

SystemEvents::SystemEvents(AppState& state, AppPort& port, std::function<bool()> windowGone)
    : state_(state),
      port_(port),
      windowGone_(std::move(windowGone)),
      // Once the window is gone a retry due is dropped, and the series ends.
      resume_([this] { return windowGone_() || ApplyReachedMouse(state_, port_); }, *state.clock) {}

SystemEvents::~SystemEvents() = default;

void SystemEvents::ConnectExitSignal(int exitSignalFd) {
  if (exitSignalFd < 0 || exitNotifier_ != nullptr) return;
  exitNotifier_ = new QSocketNotifier(exitSignalFd, QSocketNotifier::Read, this);
  connect(exitNotifier_, &QSocketNotifier::activated, this, [this] {
    DrainExitSignals();
    exitRequested_ = true;
    // A modal box (a start-up message, a file or colour dialog) must not keep
    // the program alive: close them all, innermost first.
    for (int guard = 0; guard < 16; ++guard) {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr) break;
      modal->close();
    }
    // During the start-up the sequence is still on the stack; main ends the
    // program once it returns.
    if (eventsConnected_ && !windowGone_()) HostExit(state_, port_);
  });
}

void SystemEvents::ConnectEvents(bool firstFrameOut) {
  eventsConnected_ = true;
  if (device::DeviceEventSource* events = state_.session.backend ? state_.session.backend->Events() : nullptr) {
    deviceNotifier_ = new QSocketNotifier(events->fd(), QSocketNotifier::Read, this);
    connect(deviceNotifier_, &QSocketNotifier::activated, this, [this, events] {
      if (!windowGone_()) OnDeviceEvents(state_, port_, events->DrainEvents());
    });
  }
  // The power events are subscribed to once the first frame is out (the
  // system bus is no part of the first frame), or a second from now should
  // that frame never come.
  if (firstFrameOut) {
    ConnectPowerEvents();
  } else {
    QTimer::singleShot(1000, this, [this] { ConnectPowerEvents(); });
  }
}

void SystemEvents::OnFirstFrame() {
  if (eventsConnected_) ConnectPowerEvents();
}

void SystemEvents::ConnectPowerEvents() {
  if (powerEventsConnected_) return;
  powerEventsConnected_ = true;
  // Sleep and resume: the mouse may have lost its settings. Without a system
  // bus (or a login manager) there are simply no such events.
  QDBusConnection bus = QDBusConnection::systemBus();
  if (bus.isConnected()) {
    bus.connect("org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                "PrepareForSleep", this, SLOT(OnPrepareForSleep(bool)));
  }
}

void SystemEvents::OnPrepareForSleep(bool sleeping) {
  if (windowGone_()) return;
  // Before sleeping the mouse is still there; after waking it may not be
  // yet, so that Apply is tried again until it gets through.
  if (sleeping) {
    OnPowerEvent(state_, port_);
  } else {
    resume_.OnResume();
  }
}

void SystemEvents::Stop() { resume_.Stop(); }

}  // namespace orv::app
