#pragma once
// Profiles switched by the focused application: the focus watcher's changes
// go to the switcher, and a settled change is made on the window's thread
// through the same load and Apply as the profile chip and the Apply button.
#include <QObject>
#include <QPoint>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <string>

#include "app/app_port.h"
#include "app/app_state.h"
#include "app/app_switch.h"
#include "gui/focus_watcher.h"

class QStyle;
class QWidget;

namespace orv::app {

class AppSwitching final : public QObject {
 public:
  // `busy` says why the window cannot take a profile now ("" when it can).
  AppSwitching(AppState& state, AppPort& port, std::function<std::string()> busy);

  // Reads the rules and starts watching the focus; says so in the log when
  // the desktop does not tell which window has it.
  void Start();
  const std::filesystem::path& RulesPath() const { return rulesPath_; }
  FocusWatcher& watcher() { return watcher_; }
  // The rules as the file holds them now (a damaged file is kept aside and reported).
  settings::AppRules ReadRules();
  // The menu of profile chip `profile` at `globalPos`, drawn in `style`.
  void ShowChipMenu(int32_t profile, const QPoint& globalPos, QWidget& parent, QStyle& style);

 private:
  void OnFocus(const FocusedWindow& window);
  void Settle();
  void Wait(const std::string& why);

  AppState& state_;
  AppPort& port_;
  std::function<std::string()> busy_;
  std::filesystem::path rulesPath_;
  AppSwitcher switcher_;
  FocusWatcher watcher_;
  QTimer timer_;
};

}  // namespace orv::app
