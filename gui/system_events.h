#pragma once
// What reaches the program from outside its window: the exit signals, the
// mouse's arrival and removal, and the machine going to sleep and waking up
// (with the retries of the Apply after a resume, timed by the window's clock).
#include <QObject>
#include <functional>

#include "app/app_port.h"
#include "app/app_state.h"
#include "app/resume_reapply.h"

class QSocketNotifier;

namespace orv::app {

class SystemEvents final : public QObject {
  Q_OBJECT

 public:
  // Effects go through `port` (the main window); once `windowGone` says the
  // window was destroyed, nothing more is handled.
  SystemEvents(AppState& state, AppPort& port, std::function<bool()> windowGone);
  ~SystemEvents() override;

  // Watches the exit signals (SIGTERM, SIGINT, SIGHUP) from before the
  // start-up runs: a signal closes any open modal box and ends the program,
  // at once when the window runs, else as soon as the start-up returns.
  void ConnectExitSignal(int exitSignalFd);
  bool ExitRequested() const { return exitRequested_; }
  // Connects the mouse's arrival and removal notifications at once, the
  // power events once the first frame is out. Called once the window runs.
  void ConnectEvents(bool firstFrameOut);
  // The first frame is out: the power events are subscribed to when the
  // window runs.
  void OnFirstFrame();
  // No more retries of the Apply after a resume (the window goes away).
  void Stop();

 private slots:
  void OnPrepareForSleep(bool sleeping);

 private:
  void ConnectPowerEvents();

  AppState& state_;
  AppPort& port_;
  std::function<bool()> windowGone_;
  bool eventsConnected_ = false;       // ConnectEvents has run
  bool powerEventsConnected_ = false;  // sleep and resume are subscribed to
  bool exitRequested_ = false;
  QSocketNotifier* deviceNotifier_ = nullptr;
  QSocketNotifier* exitNotifier_ = nullptr;
  ResumeReapply resume_;
};

}  // namespace orv::app
