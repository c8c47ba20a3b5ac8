#include "app/app_switch.h"

#include <mutex>

#include "app/controller.h"
#include "platform/log.h"
#include "settings/config_file.h"

namespace orv::app {

RuleMatch MatchRule(const settings::AppRules& rules, const FocusedWindow& window) {
  for (const std::string* id : {&window.wmClass, &window.wmInstance}) {
    if (const settings::AppRule* r = rules.Find(*id)) return {r->profile, r->appId + "=" + std::to_string(r->profile)};
  }
  if (rules.defaultProfile == settings::kKeepProfile) return {};
  return {rules.defaultProfile, "Default=" + std::to_string(rules.defaultProfile)};
}

void AppSwitcher::OnFocus(const FocusedWindow& window, int64_t nowMs) {
  if (window.ours) return;
  pending_ = window;
  deferred_.reset();
  lastFocusMs_ = nowMs;
}

std::optional<int64_t> AppSwitcher::DueAt() const {
  if (!pending_) return std::nullopt;
  return lastFocusMs_ + kSettleMs;
}

std::optional<AppSwitch> AppSwitcher::Take(int64_t nowMs) {
  if (!pending_ && deferred_) {
    std::optional<AppSwitch> d = std::move(deferred_);
    deferred_.reset();
    return d;
  }
  if (!pending_ || nowMs - lastFocusMs_ < kSettleMs) return std::nullopt;
  RuleMatch m = MatchRule(rules_, *pending_);
  pending_.reset();
  return AppSwitch{m.profile, std::move(m.rule)};
}

void AppSwitcher::Defer(const AppSwitch& s) {
  if (pending_) return;  // a newer focus change stands
  deferred_ = s;
}

namespace {

bool SameStoredSettings(const settings::MouseSettings& a, const settings::MouseSettings& b) {
  for (size_t i = 0; i < a.K.size(); ++i) {
    if (a.K[i].load() != b.K[i].load()) return false;
  }
  for (size_t i = 0; i < a.levels.size(); ++i) {
    const settings::DpiLevel& x = a.levels[i];
    const settings::DpiLevel& y = b.levels[i];
    if (x.step != y.step || x.enabled != y.enabled || x.r != y.r || x.g != y.g || x.b != y.b) return false;
  }
  // The active DPI level is left out: the mouse changes it on its own.
  return a.LED_TYPE == b.LED_TYPE && a.LED_CYC_TIME == b.LED_CYC_TIME && a.CYC_7COL_EN == b.CYC_7COL_EN &&
         a.WHEEL_STATUS == b.WHEEL_STATUS && a.FIRE_TIME == b.FIRE_TIME && a.DPI_SPEED == b.DPI_SPEED &&
         a.WHEEL_SPEED == b.WHEEL_SPEED && a.USB_SPEED == b.USB_SPEED && a.MACRO_MODE2 == b.MACRO_MODE2 &&
         a.colourCycleFlags == b.colourCycleFlags;
}

bool SameUserMacros(const macros::MacroTables& a, const macros::MacroTables& b) {
  std::scoped_lock lock(a.mutex, b.mutex);
  return a.userMacroCount == b.userMacroCount && a.userMacros == b.userMacros;
}

}  // namespace

std::string AppSwitchBlocker(AppState& s) {
  if (s.editor.recording) return "a macro is being recorded";
  // What the file holds for the current profile, read as the chip reads it.
  auto stored = std::make_unique<settings::MouseSettings>();
  auto storedMacros = std::make_unique<macros::MacroTables>();
  settings::ConfigContext ctx{*stored, *storedMacros, nullptr, s.language};
  {
    std::lock_guard lock(s.macros.mutex);
    storedMacros->userMacros = s.macros.userMacros;
    storedMacros->userMacroCount = s.macros.userMacroCount;
  }
  settings::LoadConfig(ctx, s.configPath, s.profile.curProfile, false);
  if (!SameStoredSettings(s.settings, *stored) || !SameUserMacros(s.macros, *storedMacros)) {
    return "profile " + std::to_string(s.profile.curProfile) + " has changes that were not applied";
  }
  return {};
}

std::string RunAppSwitch(AppState& s, AppPort& port, const AppSwitch& sw) {
  if (sw.profile == settings::kKeepProfile || sw.profile == s.profile.curProfile) {
    s.activeAppRule = sw.rule;
    return {};
  }
  if (std::string why = AppSwitchBlocker(s); !why.empty()) return why;
  SelectProfile(s, port, sw.profile);
  ApplyCurrentProfile(s, port, false);
  s.activeAppRule = sw.rule;
  port.Invalidate(RepaintArea::Whole);
  log::Info(log::kApp, "profile " + std::to_string(sw.profile) + " applied for application rule " + sw.rule);
  return {};
}

}  // namespace orv::app
