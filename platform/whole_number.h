#pragma once
// Whole numbers given on command lines and in system files, read with
// std::from_chars: the whole text must be the number, nothing before or after.
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace orv {

// Digits of `base` only (no sign, no prefix, no blanks); nullopt when the text
// is empty, holds anything else or does not fit.
template <typename T>
std::optional<T> ParseDigits(std::string_view text, int base = 10) {
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// A non-negative number as a user writes it: decimal, or hexadecimal after "0x"
// or "0X" (window ids are printed that way).
inline std::optional<uint64_t> ParseWholeNumber(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return ParseDigits<uint64_t>(text.substr(2), 16);
  }
  return ParseDigits<uint64_t>(text);
}

}  // namespace orv
