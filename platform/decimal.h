#pragma once
#include <cstdint>
#include <string_view>

namespace orv {

// The one rule for every number read from an INI file or an edit box: leading
// blanks are skipped, an optional sign, then decimal digits up to the first
// other character. No digits gives 0. Values beyond the 32-bit range saturate.
int32_t ReadDecimal(std::string_view text);
int32_t ReadDecimal(std::u16string_view text);

}  // namespace orv
