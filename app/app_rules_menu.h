#pragma once
// The menu of a profile chip's right-click: the applications with windows
// open now, checked where their rule names this chip, and "Default profile",
// checked when Default is this chip. A choice toggles the rule.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/app_switch.h"
#include "settings/app_rules.h"

namespace orv::app {

struct ChipMenuItem {
  std::string text;
  bool checked = false;
  bool enabled = true;
  std::string appId;       // the application's item; "" for Default and the note
  bool isDefault = false;  // the "Default profile" item
};

// The items for chip `profile` (1 ... 5) in `language` (non-zero: English),
// one per application of `openWindows` (ours left out): named by the class or
// instance a rule already names, else by the class (else the instance).
std::vector<ChipMenuItem> ProfileChipMenu(const settings::AppRules& rules,
                                          const std::vector<FocusedWindow>& openWindows, int32_t profile,
                                          int32_t language);

// Toggles what `item` names: an application's rule for this chip is removed,
// or made to name this chip; Default becomes this chip, or 0 when it was.
// One atomic write of `rulesFile`; returns what failed, or nothing.
[[nodiscard]] Outcome ChooseChipMenuItem(const std::filesystem::path& rulesFile, const settings::AppRules& rules,
                                         const ChipMenuItem& item, int32_t profile);

// The tray menu's line naming the active profile and the rule that chose it.
std::string ActiveProfileLine(const AppState& state);

}  // namespace orv::app
