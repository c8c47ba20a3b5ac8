#pragma once
// Macro blocks in INI files: the key "macroNum" holds the number of macros n,
// and the keys "0" ... n-1 hold one macro each, the whole record spelled as
// 1064 three-digit byte values. The same block is used by the user macro files,
// the built-in macro file, macro import/export files and the profile sections
// of the configuration file.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "macros/macro_model.h"
#include "platform/message_port.h"
#include "platform/private_profile.h"

namespace orv::macros {

inline constexpr size_t kMacroEntryDigits = 3192;  // 1064 fields of three digits
inline constexpr size_t kMacroEntryFields = kMacroEntryDigits / 3;
inline constexpr const char* kMacroCountKey = "macroNum";

enum class MacroTarget { User, Const };

// The record as a macro entry: exactly 3192 digits; key fields go through
// UsageToVk.
std::string EncodeMacroEntry(const MacroRecord& record);
// Reads an entry field by field into `record`: each field is the decimal value
// of the three characters at its place (leading digits only; fields beyond a
// short entry read 0; characters beyond 3192 are ignored), keeping the low
// eight bits. Key fields go through VkToUsage.
void DecodeMacroEntry(std::string_view entry, MacroRecord& record);

// Reads the macro block of `section`. When the file does not exist:
// messages->ShowMessage(kMissingFileMessage) if messages is non-null, and the
// load goes on with n = 0. The count is bounded to the table: at most 12 user
// macros (slot 12 stays the empty recording record), at most 13 built-in ones,
// never below 0. For the User target sets userMacroCount = n and
// selectedMacro = max(n - 1, 0). Slots k >= n keep their content. Returns n.
int LoadMacros(IniEdit& file, std::string_view section, MacroTables& tables, MacroTarget target,
               MessageSink* messages);
int LoadMacros(const std::filesystem::path& file, std::string_view section, MacroTables& tables,
               MacroTarget target, MessageSink* messages);
// The same reading from a document already in memory (always an existing file).
int LoadMacros(const IniDocument& document, std::string_view section, MacroTables& tables, MacroTarget target);

// Writes "macroNum" and entries 0 ... userMacroCount-1 of userMacros (the count
// bounded to 0 ... 12). Keys of higher numbers from earlier saves stay.
void SaveMacros(IniEdit& file, std::string_view section, const MacroTables& tables);
// One atomic write of the file; "" on success, else what failed.
std::string SaveMacros(const std::filesystem::path& file, std::string_view section, const MacroTables& tables);

}  // namespace orv::macros
