#include "macros/macro_model.h"

#include <algorithm>

#include "platform/text_codec.h"

namespace orv::macros {

std::string MacroName(const MacroRecord& record) {
  const auto end = std::find(record.name.begin(), record.name.end(), u'\0');
  return Utf16ToUtf8(std::u16string_view(record.name.data(), static_cast<size_t>(end - record.name.begin())));
}

void SetMacroName(MacroRecord& record, std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  // One unit stays free for the terminator.
  size_t n = std::min(units.size(), static_cast<size_t>(NAME_UNITS - 1));
  // Never keep the first half of a surrogate pair without its second half.
  if (n > 0 && n < units.size() && units[n - 1] >= 0xD800 && units[n - 1] <= 0xDBFF) --n;
  record.name.fill(u'\0');
  std::copy_n(units.begin(), n, record.name.begin());
}

}  // namespace orv::macros
