// Feeds arbitrary bytes to the macro entry reader and to the macro block reader.
// Reading never crashes; a read record written and read again gives the same
// record and the same entry; the entry is always 3192 digits; a block never
// fills more slots than its table has, and never the recording record; a
// block's fingerprint is always 16 hexadecimal digits.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "macros/macro_files.h"
#include "platform/private_profile.h"

namespace {

using orv::macros::MacroRecord;
using orv::macros::MacroTables;
using orv::macros::MacroTarget;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  MacroRecord record;
  orv::macros::DecodeMacroEntry(bytes, record);
  const std::string entry = orv::macros::EncodeMacroEntry(record);
  Check(entry.size() == orv::macros::kMacroEntryDigits);
  for (char c : entry) Check(c >= '0' && c <= '9');
  MacroRecord again;
  orv::macros::DecodeMacroEntry(entry, again);
  Check(again == record);
  Check(orv::macros::EncodeMacroEntry(again) == entry);

  static auto* tables = new MacroTables();
  const orv::IniDocument doc = orv::IniDocument::Parse(bytes);
  const int users = orv::macros::LoadMacros(doc, "Macros", *tables, MacroTarget::User);
  Check(users >= 0 && users <= orv::macros::MAX_USER_MACROS);
  Check(tables->userMacroCount == users);
  Check(tables->selectedMacro == (users > 0 ? users - 1 : 0));
  Check(tables->userMacros[orv::macros::MAX_USER_MACROS] == MacroRecord{});
  const int builtIn = orv::macros::LoadMacros(doc, "Macros", *tables, MacroTarget::Const);
  Check(builtIn >= 0 && builtIn <= orv::macros::MACRO_SLOTS);
  // The fingerprint that pairs a macro file with the configuration.
  const std::string sum = orv::macros::MacroBlockSum(&doc, "Macros");
  Check(sum.size() == 16);
  for (char c : sum) Check((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
  Check(orv::macros::IsMacroEntry(entry));
  return 0;
}
