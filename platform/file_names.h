#pragma once
// The names of the program's files, folders and the macro section, in one
// place. Paths are built from these by the start-up and the folder decision.
namespace orv::names {

inline constexpr const char* kSkinFolder = "skins";             // beside the executable
inline constexpr const char* kConfigFolder = "config";          // below the skin folder
inline constexpr const char* kConfigFile = "config.ini";
inline constexpr const char* kEnglishMacroFile = "Macro_EN.dat";  // the user macros of the English interface
inline constexpr const char* kTurkishMacroFile = "Macro_CN.dat";  // ... and of the Turkish one
inline constexpr const char* kConstMacroFile = "constMacro.dat";  // the built-in macros
// The per-application profile rules, beside the configuration file, with
// their sections and the key of the profile used when no rule matches.
inline constexpr const char* kAppProfilesFile = "app_profiles.ini";
inline constexpr const char* kAppRulesSection = "Applications";
inline constexpr const char* kAppRulesInitSection = "Init";
inline constexpr const char* kAppRulesDefaultKey = "Default";
// The section that holds the macro block in every macro file.
inline constexpr const char* kMacroSection = "Macros";

// The user macro file of an interface language (non-zero: English).
constexpr const char* UserMacroFileFor(int language) { return language != 0 ? kEnglishMacroFile : kTurkishMacroFile; }

}  // namespace orv::names
