#include "gui/app_switching.h"

#include <QMenu>
#include <chrono>

#include "app/app_rules_menu.h"
#include "app/tell.h"
#include "device/device_link.h"
#include "platform/file_names.h"
#include "platform/log.h"

namespace orv::app {

namespace {

// The program's one clock, in milliseconds.
int64_t NowMs(Clock& clock) { return clock.Now() / 1'000'000; }

// How long a switch that has to wait waits before it is tried again.
constexpr int kRetryMs = 500;

}  // namespace

AppSwitching::AppSwitching(AppState& state, AppPort& port, std::function<std::string()> busy)
    : state_(state),
      port_(port),
      busy_(std::move(busy)),
      watcher_([this](const FocusedWindow& w) { OnFocus(w); }) {
  timer_.setSingleShot(true);
  // A coarse timer may fire up to 5 % early and then has to wait again.
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { Settle(); });
}

settings::AppRules AppSwitching::ReadRules() {
  settings::AppRulesLoad load = settings::LoadAppRules(rulesPath_);
  if (!load.message.empty()) Tell(port_, load.message, log::kApp, log::Level::Warning);
  for (const std::string& line : load.rules.ignored) {
    log::Warning(log::kApp, rulesPath_.string() + ": \"" + line + "\" names no profile 1 ... 5 and is passed over");
  }
  return std::move(load.rules);
}

void AppSwitching::Start() {
  // The configuration's folder is known once the start-up has decided it.
  rulesPath_ = state_.configPath.parent_path() / names::kAppProfilesFile;
  switcher_.SetRules(ReadRules());
  if (const Outcome failed = watcher_.Start()) {
    log::Info(log::kApp, "profiles are not switched by application: " + failed->Text());
  } else {
    log::Debug(log::kApp, "watching the focused application");
  }
}

void AppSwitching::OnFocus(const FocusedWindow& window) {
  log::Debug(log::kApp, "focus: class \"" + window.wmClass + "\" instance \"" + window.wmInstance + "\"" +
                            (window.ours ? " (ours)" : ""));
  switcher_.OnFocus(window, NowMs(*state_.clock));
  if (const std::optional<int64_t> due = switcher_.DueAt()) {
    timer_.start(static_cast<int>(std::max<int64_t>(0, *due - NowMs(*state_.clock))));
  }
}

void AppSwitching::Wait(const std::string& why) {
  if (state_.appSwitchWaiting != why) {
    log::Info(log::kApp, "switching profiles by application waits: " + why);
    state_.appSwitchWaiting = why;
    port_.Invalidate(RepaintArea::Whole);
  }
  timer_.start(kRetryMs);
}

void AppSwitching::Settle() {
  const int64_t now = NowMs(*state_.clock);
  if (const std::optional<int64_t> due = switcher_.DueAt(); due && *due > now) {
    timer_.start(static_cast<int>(*due - now));
    return;
  }
  // The rules are read when a change settles, so edits of the file count at once.
  switcher_.SetRules(ReadRules());
  const std::optional<AppSwitch> next = switcher_.Take(now);
  if (!next) return;
  if (state_.session.ended.load()) return;
  const bool changes = next->profile != settings::kKeepProfile && next->profile != state_.profile.curProfile;
  std::string why = changes ? busy_() : std::string();
  if (changes && why.empty() && (state_.session.link == nullptr || !state_.session.link->DeviceConnected())) {
    // Nothing to send to; the next focus change asks again.
    log::Debug(log::kApp, "application rule " + next->rule + " passed over: no mouse is connected");
    return;
  }
  if (why.empty()) why = RunAppSwitch(state_, port_, *next);
  if (!why.empty()) {
    switcher_.Defer(*next);
    Wait(why);
    return;
  }
  if (!state_.appSwitchWaiting.empty()) {
    state_.appSwitchWaiting.clear();
    log::Info(log::kApp, "switching profiles by application goes on");
  }
}

void AppSwitching::ShowChipMenu(int32_t profile, const QPoint& globalPos, QWidget& parent, QStyle& style) {
  const settings::AppRules rules = ReadRules();
  auto* menu = new QMenu(&parent);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->setStyle(&style);
  for (const ChipMenuItem& item : ProfileChipMenu(rules, watcher_.OpenWindows(), profile, state_.language)) {
    if (item.isDefault) menu->addSeparator();
    QAction* action = menu->addAction(QString::fromStdString(item.text));
    action->setCheckable(item.enabled);
    action->setChecked(item.checked);
    action->setEnabled(item.enabled);
    QObject::connect(action, &QAction::triggered, menu, [this, rules, item, profile] {
      if (const Outcome failed = ChooseChipMenuItem(rulesPath_, rules, item, profile)) {
        // Shown as "<rules file>: <why>", and logged once, as shown.
        Tell(port_, Failure{{}, rulesPath_, failed->Text()}, log::kApp, log::Level::Warning);
      }
    });
  }
  menu->popup(globalPos);
}

}  // namespace orv::app
