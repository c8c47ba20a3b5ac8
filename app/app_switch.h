#pragma once
// Switching profiles by the focused application: which profile a focused
// window asks for, and when a switch is due. Focus changes closer together
// than kSettleMs coalesce (the last one wins), so flicking through windows
// sends one profile, not one per window. The caller passes the time, so the
// rules run the same on a test's clock as on the program's.
#include <cstdint>
#include <optional>
#include <string>

#include "app/app_port.h"
#include "app/app_state.h"
#include "settings/app_rules.h"

namespace orv::app {

// The window that took the focus, as the window system names it.
struct FocusedWindow {
  std::string wmClass;     // WM_CLASS class part (X11) or app_id (Wayland)
  std::string wmInstance;  // WM_CLASS instance part; "" when there is none
  bool ours = false;       // one of this program's own windows
};

// The profile `window` asks for under `rules`: the rule of its class, else of
// its instance, else Default (settings::kKeepProfile: stay). `rule` names the
// rule as the status shows it ("<id>=<n>", "Default=<n>"), "" when none.
struct RuleMatch {
  int32_t profile = settings::kKeepProfile;
  std::string rule;
};
RuleMatch MatchRule(const settings::AppRules& rules, const FocusedWindow& window);

// The decision of a settled focus change.
struct AppSwitch {
  int32_t profile = settings::kKeepProfile;  // 1 ... 5, or kKeepProfile: stay
  std::string rule;                          // as in RuleMatch
};

class AppSwitcher {
 public:
  static constexpr int64_t kSettleMs = 150;

  void SetRules(settings::AppRules rules) { rules_ = std::move(rules); }
  const settings::AppRules& rules() const { return rules_; }

  // A focus change at `nowMs`; it is matched against the rules set when it
  // settles. Our own windows change nothing (their focus neither starts nor
  // cancels a switch).
  void OnFocus(const FocusedWindow& window, int64_t nowMs);
  // When the pending change settles (ask Take then), or nullopt when none is pending.
  std::optional<int64_t> DueAt() const;
  // A switch was deferred and waits to be taken again.
  bool Waiting() const { return deferred_.has_value(); }
  // The decision due at `nowMs`, if any: the pending change has settled (one
  // not yet settled is kept).
  std::optional<AppSwitch> Take(int64_t nowMs);
  // Keeps a switch that could not be made now, to be taken again (it is due
  // at once) unless a newer focus change comes first.
  void Defer(const AppSwitch& s);

 private:
  settings::AppRules rules_;
  std::optional<FocusedWindow> pending_;  // matched when it settles, with the rules of then
  std::optional<AppSwitch> deferred_;
  int64_t lastFocusMs_ = 0;
};

// Why an automatic switch must wait now ("" when it may go ahead): the window
// holds edits of the current profile that were not applied, and loading
// another profile would drop them.
std::string AppSwitchBlocker(AppState& state);

// Makes the switch as the profile chip and Apply do, when it names another
// profile than the current one, and records the rule for the status. Returns
// "", or why it must wait (AppSwitchBlocker), having changed nothing.
std::string RunAppSwitch(AppState& state, AppPort& port, const AppSwitch& s);

}  // namespace orv::app
