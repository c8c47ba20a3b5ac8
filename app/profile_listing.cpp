#include "app/profile_listing.h"

#include <iostream>
#include <sstream>

#include "device/ktr580.h"
#include "device/wire_codes.h"
#include "settings/config_file.h"
#include "settings/profile_slots.h"

namespace orv::app {
std::string FunctionName(int32_t code, const FunctionNameTable& names, const macros::MacroTables& tables) {
  const device::Function f = device::FunctionOf(code);
  if (f.kind == device::FunctionKind::UserMacro) {
    std::lock_guard lock(tables.mutex);
    const std::string name = macros::MacroName(tables.userMacros[static_cast<size_t>(f.index)]);
    return "macro " + std::to_string(f.index + 1) + (name.empty() ? "" : " \"" + name + "\"");
  }
  if (f.kind == device::FunctionKind::None) return "none";
  if (f.nameSlot > 0 && f.nameSlot < static_cast<int>(names.size()) && !names[static_cast<size_t>(f.nameSlot)].empty()) {
    return names[static_cast<size_t>(f.nameSlot)];
  }
  return "function " + std::to_string(code);
}

std::string DescribeProfile(const settings::MouseSettings& s, const macros::MacroTables& tables,
                            const FunctionNameTable& names) {
  std::ostringstream out;
  out << "  buttons:\n";
  for (int b = 0; b < settings::kButtonCount; ++b) {
    const int32_t code = s.K[static_cast<size_t>(b)];
    out << "    " << b + 1 << ": " << FunctionName(code, names, tables) << " (" << code << ")\n";
  }
  out << "  DPI levels (active " << int32_t(s.DPI_LEVEL) + 1 << "):";
  for (int n = 0; n < settings::kLevelCount; ++n) {
    const settings::DpiLevel& l = s.levels[static_cast<size_t>(n)];
    out << ' ' << device::DpiShownForStepCode(device::StepCodeFor(l.step)) << (l.enabled ? "" : "(off)");
  }
  out << "\n  lighting mode " << int(s.LED_TYPE) << ", cycle time " << int(s.LED_CYC_TIME) << "\n  fire time "
      << s.FIRE_TIME << " ms\n";
  return out.str();
}

FunctionNameTable ReadFunctionNames(const std::filesystem::path& skinDir, int32_t language) {
  // A layout that cannot be read leaves the names empty: the listing then
  // names functions by their numbers.
  skin::SkinLayout layout;
  if (!skin::LoadMainLayout(layout, skinDir, language)) return {};
  return layout.FunctionNames;
}

std::string ListProfiles(const std::filesystem::path& configPath, const std::filesystem::path& skinDir) {
  settings::ProfileState profile;
  settings::ReadCurrentProfile(configPath, profile);
  const int32_t language = settings::ReadLanguage(configPath);
  const FunctionNameTable names = ReadFunctionNames(skinDir, language);
  std::ostringstream out;
  out << "Profiles of " << configPath.string() << ":\n";
  for (int32_t n = settings::kFirstUserProfile; n <= settings::kLastUserProfile; ++n) {
    settings::MouseSettings settings;
    macros::MacroTables tables;
    settings::ProfileState slot = profile;
    settings::ConfigContext config{settings, tables, &slot, language};
    // What could not be read goes to standard error: a reader with no window.
    if (const Outcome missing = settings::LoadConfig(config, configPath, n, false).missingFile) {
      std::cerr << missing->Text() << '\n';
    }
    out << "Profile " << n << (n == profile.curProfile ? " (current)" : "") << "\n"
        << DescribeProfile(settings, tables, names);
  }
  return out.str();
}

}  // namespace orv::app
