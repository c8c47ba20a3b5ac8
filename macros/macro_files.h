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
#include "platform/file_problem.h"
#include "platform/private_profile.h"

namespace orv::macros {

inline constexpr size_t kMacroEntryDigits = 3192;  // 1064 fields of three digits
inline constexpr size_t kMacroEntryFields = kMacroEntryDigits / 3;
inline constexpr const char* kMacroCountKey = "macroNum";

enum class MacroTarget { User, Const };

// What to do with an entry that is not a macro entry (IsMacroEntry).
enum class BadEntries {
  Keep,  // read it as the fields it spells, in its place (the profile and built-in lists)
  Skip,  // leave it out (an import)
};

// What one block held and what of it was loaded.
struct MacroBlockRead {
  bool found = false;   // the section has a macro count
  int stated = 0;       // the count, bounded to the table
  int present = 0;      // entries 0, 1, ... that follow, up to the count
  int unreadable = 0;   // of those, entries that are not macro entries
  int loaded = 0;       // records now in the table
};

// True for an entry as macro files hold them: exactly 3192 digits.
bool IsMacroEntry(std::string_view entry);

// The record as a macro entry: exactly 3192 digits; key fields go through
// UsageToVk.
std::string EncodeMacroEntry(const MacroRecord& record);
// Reads an entry field by field into `record`: each field is the decimal value
// of the three characters at its place (leading digits only; fields beyond a
// short entry read 0; characters beyond 3192 are ignored), keeping the low
// eight bits. Key fields go through VkToUsage.
void DecodeMacroEntry(std::string_view entry, MacroRecord& record);

// Reads the macro block of `section`. A file that does not exist reads as
// one without macros (n = 0); the caller says so where it matters. The count is bounded to the table: at most 12 user
// macros (slot 12 stays the empty recording record), at most 13 built-in ones,
// never below 0. Entries are read up to the count or to the first missing key,
// whichever comes first (a count beyond the entries is logged, and nothing is
// invented for it). For the User target sets userMacroCount = n and
// selectedMacro = max(n - 1, 0). Slots k >= n keep their content. Returns n.
int LoadMacros(IniEdit& file, std::string_view section, MacroTables& tables, MacroTarget target);
int LoadMacros(const std::filesystem::path& file, std::string_view section, MacroTables& tables,
               MacroTarget target);
// The same reading from a document already in memory (always an existing file).
int LoadMacros(const IniDocument& document, std::string_view section, MacroTables& tables, MacroTarget target);

// The same reading with the bad entries kept or skipped, telling what was found.
MacroBlockRead LoadMacroBlock(IniEdit& file, std::string_view section, MacroTables& tables, MacroTarget target,
                              BadEntries bad);

// The macro import: reads the "Macros" block of `file` into the user list,
// leaving out entries that cannot be read. A file that is missing, holds no
// macro list or no macro that can be read changes nothing. Returns nothing
// when every entry was imported, else what the user is told (why nothing was
// imported, or how many entries were skipped).
[[nodiscard]] Outcome ImportMacroFile(const std::filesystem::path& file, MacroTables& tables);

// A short fingerprint of the macro block of `section` as the files hold it
// (the count and the entries it names, as stored): two blocks with the same
// fingerprint load the same macros. A missing block has a fingerprint too.
std::string MacroBlockSum(IniEdit& file, std::string_view section);
std::string MacroBlockSum(const IniDocument* document, std::string_view section);

// Writes "macroNum" and entries 0 ... userMacroCount-1 of userMacros (the count
// bounded to 0 ... 12). Keys of higher numbers from earlier saves stay.
void SaveMacros(IniEdit& file, std::string_view section, const MacroTables& tables);
// One atomic write of the file; returns what failed, or nothing.
[[nodiscard]] Outcome SaveMacros(const std::filesystem::path& file, std::string_view section, const MacroTables& tables);

}  // namespace orv::macros
