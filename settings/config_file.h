#pragma once
// The configuration file: the five user profiles (Config1 ... Config5), the
// snapshot of what was last applied (Config6), the exchange section of
// import/export files (Config7), the factory profiles a reset copies
// (CfgReset2 ... CfgReset5, CfgReset_EN5) and, in section Init, the current
// profile number and the interface language. Every value is read and written
// one key at a time through the private-profile layer.
#include <cstdint>
#include <filesystem>
#include <string>

#include "macros/macro_model.h"
#include "platform/failure.h"
#include "platform/file_problem.h"
#include "platform/private_profile.h"
#include "settings/profile_slots.h"
#include "settings/mouse_settings.h"

namespace orv::settings {

// Which profile the window works on. The section name and number text are
// rebuilt by every profile load and save; curProfile is the window's own.
struct ProfileState {
  std::string curConfigText;
  std::string configSection;
  int32_t curProfile = 0;
};

// What profile loads and saves work on: the live settings and macros always;
// the profile bookkeeping (section and number in use) when it is to follow
// the load or save.
struct ConfigContext {
  MouseSettings& settings;
  macros::MacroTables& macros;
  ProfileState* profile = nullptr;  // optional
  int32_t language = 0;             // 1 = English; picks the English factory profile 5
};

// "Config" + n, or for a factory profile "CfgReset" + n; the English factory
// profile 5 is "CfgReset_EN5" and is used only when language is exactly 1.
std::string ProfileSectionName(int32_t n, bool factory, int32_t language);

// The factory settings: profile 1 of the shipped configuration file built into
// the program, the one source of them. MACRO_MODE2 and the macros are kept,
// and so are colourCycleFlags while CYC_7COL_EN takes the factory mask (the
// next Apply rebuilds the mask from the flags).
void ResetToFactory(MouseSettings& s);

// Reads profile n into the live settings. Missing keys read as 0. A user
// profile (factory clear) also brings its macros; a factory profile never
// changes the macros. A profile the file does not hold (no file, no section,
// none of the profile's keys) is never read as zeros: its settings come from
// the shipped defaults (the same section, else profile 1), the live macros
// stay, and false is returned. A missing file is reported to the messages.
struct ProfileLoad {
  bool found = false;   // the file holds the profile
  Outcome missingFile;  // a user profile's file is missing: its macros could not be read
};
ProfileLoad LoadConfig(ConfigContext& ctx, IniEdit& file, int32_t n, bool factory);
ProfileLoad LoadConfig(ConfigContext& ctx, const std::filesystem::path& file, int32_t n, bool factory);

// Writes the live settings into section "Config" + n, followed by the user
// macros when withMacros is set. The first form adds the writes to the batch;
// the second writes the file once and returns what failed, or nothing.
void SaveConfig(ConfigContext& ctx, IniEdit& file, int32_t n, bool withMacros);
[[nodiscard]] Outcome SaveConfig(ConfigContext& ctx, const std::filesystem::path& file, int32_t n, bool withMacros);

// Writes only DPI_LEVEL of profile n. Safe to call from the executor thread:
// it touches nothing but the file. Returns what failed, or nothing.
[[nodiscard]] Outcome SaveDpiLevel(const std::filesystem::path& file, int32_t n, int32_t dpiLevel);

// The start-up profile: CurConfig of Init as text, its section and its number.
// The stored text is read as a decimal number; anything that is not one of the
// user profiles (a missing or empty key, 0, 6, -1, "0x2", garbage) gives
// profile 1, so no stray section such as [Config0] is ever read or written.
// The file keeps what it holds until the next Apply writes a valid number.
void ReadCurrentProfile(const std::filesystem::path& configPath, ProfileState& out);
// Interface language from VER_SEL of Init: the low 8 bits of the stored number;
// a missing key gives 0 (Turkish).
uint8_t ReadLanguage(const std::filesystem::path& configPath);

// Settings exchange files: profile 7 with its macros. An import of a file
// that is missing or holds no profile 7 changes nothing and returns what the
// user is told; nothing when the settings were imported.
[[nodiscard]] Outcome ImportConfig(ConfigContext& ctx, const std::filesystem::path& file);
[[nodiscard]] Outcome ExportConfig(ConfigContext& ctx, const std::filesystem::path& file);

}  // namespace orv::settings
