#pragma once
// A config.ini that is not a configuration file at all (empty, random bytes,
// UTF-16 text without its byte-order mark) would load as a profile of zeros:
// six dead buttons and one 200-DPI level sent to the mouse. At start-up such a
// file is kept aside for the user and the shipped default put in its place.
#include <filesystem>
#include <string>
#include <string_view>

namespace orv::settings {

// The config.ini the program ships with, built into the program.
std::string_view ShippedConfigText();

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

}  // namespace orv::settings
