#pragma once
// KDE's configuration files (kdeglobals and the like) are not private-profile
// files: group and key names are case-sensitive, a key may carry a locale and
// options in brackets ("Key[de]=", "Key[$i]="), a group or the whole file may
// be marked immutable with "[$i]", and comments start with '#'. This edits one
// key of one group and keeps every other byte of the file as it was.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/failure.h"

namespace orv::settings {

// The value of `key` (no locale) in `group` of a KDE configuration text: the
// last such entry of the group wins, as in KDE itself; blanks around the value
// are trimmed. nullopt when there is none.
std::optional<std::string> GetKdeConfigValue(std::string_view text, std::string_view group, std::string_view key);

// Sets `key` (no locale) of `group` to `value` in `text`. The last entry of the
// key in the group is rewritten in place (its spelling and options kept); a
// missing key goes after the last non-blank line of the group's first block; a
// missing group is added at the end. Every other line stays byte for byte.
// An immutable file, group or entry ("[$i]") is not changed. Returns why the
// value was not set (then `text` is unchanged), or nothing.
[[nodiscard]] Outcome SetKdeConfigValue(std::string& text, std::string_view group, std::string_view key,
                                        std::string_view value);

// SetKdeConfigValue on a file, written atomically; a missing file is created.
// Returns what failed, or nothing.
[[nodiscard]] Outcome WriteKdeConfigValue(const std::filesystem::path& file, std::string_view group,
                                          std::string_view key, std::string_view value);

}  // namespace orv::settings
