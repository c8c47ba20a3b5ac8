#pragma once
// The user macro file of a language and the configuration file keep the same
// macros: every Save and Apply writes the live macros to the macro file and
// into a profile section of the configuration. The two files are written one
// after the other, so a kill between the writes must not leave a macro file
// that the configuration's buttons do not describe.
//
// The configuration is written first and the macro file last. With the
// configuration go two keys of section Init, for the macro file of the
// language ("EN" or "CN"): MACRO_SUM_EN, the fingerprint of the macro block
// the file holds once the save is done, and MACRO_SUM_EN_WAS, the fingerprint
// of the block it held before. A macro file that still holds the block it
// held before (the save was cut short after the configuration) is made anew
// from the profile section that holds the saved block. A macro file that
// holds anything else was written by someone else and is taken as it is. The
// keys are ignored by readers that do not know them, and the macro file's
// format is unchanged.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "macros/macro_model.h"
#include "platform/failure.h"
#include "platform/private_profile.h"
#include "settings/config_file.h"

namespace orv::settings {

// Sets the two Init keys of `config` for `macroFile` (the block its batch
// will write, the block the file holds now), writes the configuration and
// then, only when that succeeded, the macro file. Returns what failed, each
// line naming its file.
std::vector<Failure> CommitMacroPair(IniEdit& config, IniEdit& macroFile, int32_t language);

// Loads the user macros of the interface language at start-up and on a
// language switch. The macro file `macroFile` gives them, except:
//  - it is missing: they come from the configuration's copy (the profile
//    section the last save wrote them to, else the current profile's) and the
//    file is made anew from them;
//  - it is damaged (no macro list, an entry that is not a macro entry): its
//    bytes are kept as "<file>.damaged" (numbered when taken) and it is made
//    anew from the configuration's copy;
//  - it cannot be read: the copy is used, and the file is never written over;
//  - a save was cut short between the configuration and the macro file: the
//    file is made anew from the saved copy (logged only: nothing was lost).
// Returns what the user is told (nothing when all went well).
[[nodiscard]] Outcome LoadUserMacros(const std::filesystem::path& configPath, const std::filesystem::path& macroFile,
                                     int32_t language, const ProfileState& profile, macros::MacroTables& tables);

}  // namespace orv::settings
