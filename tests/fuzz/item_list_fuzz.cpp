// Feeds arbitrary values to the layout value splitter and to the rectangle
// arithmetic built on it: splitting must never read outside the value, every
// item must be a piece of it, and hit tests and centring must stay defined for
// any numbers a damaged layout file can hold.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/decimal.h"
#include "platform/private_profile.h"
#include "skin/layout.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  for (const std::string& value : {std::string(raw), orv::CutToCapacity(raw, orv::skin::kItemListCapacity)}) {
    const orv::skin::ItemList items = orv::skin::SplitItemList(value);
    size_t commas = 0;
    for (char c : value) commas += c == ',';
    for (const std::string& item : items) Check(value.find(item) != std::string::npos);
    if (commas == 0) Check(items[0] == value);
    if (commas >= 6) {
      // With all six commas present the items are the value's pieces in order.
      std::string joined;
      for (size_t i = 0; i < 6; ++i) joined += items[i] + ",";
      Check(joined + items[6] == value);
    }
    for (size_t i = 0; i < 6; ++i) Check(items[i].find(',') == std::string::npos);

    const orv::skin::LayoutRect r{orv::ReadDecimal(items[1]), orv::ReadDecimal(items[2]), orv::ReadDecimal(items[3]),
                                  orv::ReadDecimal(items[4])};
    const std::array<orv::skin::LayoutRect, 2> family{r, orv::skin::LayoutRect{r.y, r.x, r.height, r.width}};
    const int hit = orv::skin::HitIndex(r.x, r.y, family, orv::ReadDecimal(items[5]));
    Check(hit == orv::skin::kNoIndex || hit == 0 || hit == 1);
    if (r.width > 0 && r.height > 0) Check(r.Contains(r.x, r.y));
    (void)orv::skin::ToEdges(r);
    (void)orv::skin::CentreText(r, orv::ReadDecimal(items[0]), orv::ReadDecimal(items[6]));
  }
  return 0;
}
