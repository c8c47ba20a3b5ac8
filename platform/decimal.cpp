#include "platform/decimal.h"

#include <charconv>
#include <limits>
#include <string>
#include <type_traits>

namespace orv {
namespace {

template <typename Char>
int32_t ReadDecimalImpl(std::basic_string_view<Char> text) {
  size_t i = 0;
  auto blank = [](Char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; };
  while (i < text.size() && blank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  size_t end = i;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  if (end == i) return 0;

  // from_chars reads narrow text; the digits of wide text are ASCII, so they narrow as they are.
  std::string narrowed;
  std::string_view digits;
  if constexpr (std::is_same_v<Char, char>) {
    digits = text.substr(i, end - i);
  } else {
    narrowed.reserve(end - i);
    for (size_t k = i; k < end; ++k) narrowed += static_cast<char>(text[k]);
    digits = narrowed;
  }
  constexpr uint64_t kLimit = uint64_t{std::numeric_limits<int32_t>::max()} + 1;
  uint64_t value = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  // Beyond the 32-bit range the value saturates, however many digits follow.
  if (result.ec == std::errc::result_out_of_range || value > kLimit) value = kLimit;
  if (negative) return static_cast<int32_t>(-static_cast<int64_t>(value));
  return static_cast<int32_t>(value > uint64_t{std::numeric_limits<int32_t>::max()} ? std::numeric_limits<int32_t>::max()
                                                                                     : value);
}

}  // namespace

int32_t ReadDecimal(std::string_view text) { return ReadDecimalImpl(text); }
int32_t ReadDecimal(std::u16string_view text) { return ReadDecimalImpl(text); }

}  // namespace orv
