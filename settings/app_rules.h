#pragma once
// The per-application profile rules (app_profiles.ini beside config.ini):
//   [Applications]
//   <application id>=<profile 1-5>
//   [Init]
//   Default=<profile 1-5, or 0: keep the current profile>
// The application id is what the window system calls the application (on X11
// the class or the instance of WM_CLASS); ids compare without regard to ASCII
// case. A missing file holds no rules; a damaged one is kept as ".damaged" and
// the program goes on without rules.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/private_profile.h"

namespace orv::settings {

// No rule matched and the profile stays as it is.
inline constexpr int32_t kKeepProfile = 0;

struct AppRule {
  std::string appId;  // as spelt in the file
  int32_t profile = kKeepProfile;
};

struct AppRules {
  std::vector<AppRule> rules;  // file order, one per id, each naming 1 ... 5
  int32_t defaultProfile = kKeepProfile;
  // Lines that were passed over (a value that is no profile), for the log.
  std::vector<std::string> ignored;
  // The rule for `appId`, compared without regard to case, or nullptr.
  const AppRule* Find(std::string_view appId) const;
};

// Two application ids name the same application (ASCII case aside).
bool SameAppId(std::string_view a, std::string_view b);

// The rules a parsed file holds (no file: no rules).
AppRules RulesFromDocument(const IniDocument& doc);

struct AppRulesLoad {
  AppRules rules;
  // "" or, for the user, what was wrong with the file and where it was kept.
  std::string message;
  std::filesystem::path keptAs;  // the damaged copy, when one was made
};

// Reads `path`. A file with content but neither section is damaged: it is
// copied to "<path>.damaged" (never over an existing copy) and removed, so
// that the next rule written starts a clean file.
AppRulesLoad LoadAppRules(const std::filesystem::path& path);

// Makes `appId` choose `profile` (1 ... 5), or removes its rule (kKeepProfile);
// an existing rule keeps its place and spelling. One atomic write; returns
// what failed, or nothing.
[[nodiscard]] Outcome WriteAppRule(const std::filesystem::path& path, std::string_view appId, int32_t profile);
// Sets Default (0 ... 5). One atomic write; returns what failed, or nothing.
[[nodiscard]] Outcome WriteDefaultProfile(const std::filesystem::path& path, int32_t profile);

}  // namespace orv::settings
