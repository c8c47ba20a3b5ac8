#pragma once
// A profile as text for the command line: the seven buttons' functions by
// name, the DPI levels, the lighting and the fire time. Shared by the
// program's --list and by orv_profile, so both read a profile the same way.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "macros/macro_model.h"
#include "settings/mouse_settings.h"
#include "skin/layout.h"

namespace orv::app {

using FunctionNameTable = std::array<std::string, skin::kFunctionNameSlots>;

// The name of function `code`: the skin's name, a user macro's own name, or
// "function <code>" when the skin names nothing (no layout could be read).
std::string FunctionName(int32_t code, const FunctionNameTable& names, const macros::MacroTables& tables);

// The lines describing `settings` (each line begins with two blanks and ends
// with a newline).
std::string DescribeProfile(const settings::MouseSettings& settings, const macros::MacroTables& tables,
                            const FunctionNameTable& names);

// The function names of the Main layout of `language` below `skinDir`; all
// empty when the layout cannot be read (nothing is shown to anyone).
FunctionNameTable ReadFunctionNames(const std::filesystem::path& skinDir, int32_t language);

// The five user profiles of the configuration at `configPath`, each under a
// heading, the current one marked. Reads only: nothing is written.
std::string ListProfiles(const std::filesystem::path& configPath, const std::filesystem::path& skinDir);

}  // namespace orv::app
