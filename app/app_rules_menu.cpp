#include "app/app_rules_menu.h"

namespace orv::app {

std::vector<ChipMenuItem> ProfileChipMenu(const settings::AppRules& rules,
                                          const std::vector<FocusedWindow>& openWindows, int32_t profile,
                                          int32_t language) {
  const bool english = language != 0;
  std::vector<ChipMenuItem> items;
  for (const FocusedWindow& w : openWindows) {
    if (w.ours) continue;
    const settings::AppRule* rule = rules.Find(w.wmClass);
    if (rule == nullptr) rule = rules.Find(w.wmInstance);
    const std::string id = rule != nullptr ? rule->appId : !w.wmClass.empty() ? w.wmClass : w.wmInstance;
    if (id.empty()) continue;
    bool listed = false;
    for (const ChipMenuItem& item : items) listed = listed || settings::SameAppId(item.appId, id);
    if (!listed) items.push_back({id, rule != nullptr && rule->profile == profile, true, id, false});
  }
  if (items.empty()) {
    items.push_back({english ? "(no application windows)" : "(a\xC3\xA7\xC4\xB1k uygulama penceresi yok)", false,
                     false, {}, false});
  }
  items.push_back({english ? "Default profile" : "Varsay\xC4\xB1lan profil", rules.defaultProfile == profile, true, {},
                   true});
  return items;
}

Outcome ChooseChipMenuItem(const std::filesystem::path& rulesFile, const settings::AppRules& rules,
                           const ChipMenuItem& item, int32_t profile) {
  if (item.isDefault) {
    return settings::WriteDefaultProfile(rulesFile,
                                         rules.defaultProfile == profile ? settings::kKeepProfile : profile);
  }
  if (item.appId.empty()) return {};
  const settings::AppRule* rule = rules.Find(item.appId);
  const bool named = rule != nullptr && rule->profile == profile;
  // An existing rule is rewritten under its own spelling.
  const std::string& id = rule != nullptr ? rule->appId : item.appId;
  return settings::WriteAppRule(rulesFile, id, named ? settings::kKeepProfile : profile);
}

std::string ActiveProfileLine(const AppState& s) {
  std::string line = (s.language != 0 ? "Profile " : "Profil ") + std::to_string(s.profile.curProfile);
  if (!s.activeAppRule.empty()) line += " (" + s.activeAppRule + ")";
  if (!s.appSwitchWaiting.empty()) line += s.language != 0 ? " - switching waits" : " - ge\xC3\xA7i\xC5\x9F bekliyor";
  return line;
}

}  // namespace orv::app
