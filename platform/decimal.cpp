#include "platform/decimal.h"

#include <limits>

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
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;  // saturate, keep consuming digits
  }
  if (negative) return static_cast<int32_t>(-value);
  return static_cast<int32_t>(value > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max() : value);
}

}  // namespace

int32_t ReadDecimal(std::string_view text) { return ReadDecimalImpl(text); }
int32_t ReadDecimal(std::u16string_view text) { return ReadDecimalImpl(text); }

}  // namespace orv
