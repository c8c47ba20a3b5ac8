#pragma once
// A config.ini that is not a configuration file at all (empty, random bytes,
// UTF-16 text without its byte-order mark) would load as a profile of zeros:
// six dead buttons and one 200-DPI level sent to the mouse. At start-up such a
// file is kept aside for the user and the shipped default put in its place.
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/private_profile.h"
#include "platform/program_folders.h"

namespace orv::settings {

// The config.ini the program ships with, built into the program.
std::string_view ShippedConfigText();
// The same, parsed once.
const IniDocument& ShippedConfigDocument();

struct ConfigCheck {
  enum class Outcome {
    Usable,         // the file holds Init or a profile section; left alone
    Missing,        // no such regular file; left alone (the profile load reports it)
    Restored,       // damaged: kept as keptAs, the shipped default put in its place
    RestoreFailed,  // damaged, and keeping or replacing it failed; left as it was
  };
  Outcome outcome = Outcome::Usable;
  std::filesystem::path keptAs;
  // For the user (Restored, RestoreFailed), otherwise "".
  std::string message;
};

// Looks at `configPath` and, when it holds neither an Init section nor any
// profile section (Config1 ... Config7, the factory sections), copies it to
// "config.ini.damaged" next to it (".damaged.1", ".damaged.2", ... when that
// name is taken; an existing copy is never overwritten) and replaces it
// atomically by the shipped default. A file with Init and missing keys is
// usable: its missing keys read as zeros and Apply repairs them.
ConfigCheck CheckConfigUsable(const std::filesystem::path& configPath);

struct ConfigResolution {
  enum class Outcome {
    Usable,    // the configuration file is read and written as it is
    Restored,  // it was missing or damaged: the shipped one is in its place now
    ReadOnly,  // it cannot be used: the shipped defaults stand in, and nothing is saved
  };
  Outcome outcome = Outcome::Usable;
  // For the user; "" when there is nothing to tell.
  std::string message;
};

// Decides, before anything is read, what the configuration file the program
// works on will give, so that no profile ever comes from a file that is not
// there or cannot be read:
//  - its folder cannot be used (cannot be made, not a folder, not writable):
//    the configuration file and the two user macro files are served from the
//    shipped ones (the data folder's, else the one built into the program) and
//    every save of them is refused (ServeReadOnly), saying why;
//  - the file is missing: the shipped file built into the program is put in
//    its place;
//  - it cannot be read (a folder, no permission): served from the built-in
//    shipped file, and never written over;
//  - it holds nothing of ours: CheckConfigUsable.
// `message` names the file or folder and the system's reason.
ConfigResolution ResolveConfiguration(const ProgramFolders& folders);

}  // namespace orv::settings
