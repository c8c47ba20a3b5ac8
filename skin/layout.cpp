#include "skin/layout.h"

#include <algorithm>
#include <limits>

#include "platform/decimal.h"
#include "platform/log.h"
#include "platform/private_profile.h"

namespace orv::skin {
namespace {

int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The piece of `value` that starts at `start` and is `length` characters long,
// clamped: a negative start or length counts as 0, a start beyond the end gives
// an empty piece and a piece never runs past the end.
std::string Piece(std::string_view value, int64_t start, int64_t length) {
  const auto size = static_cast<int64_t>(value.size());
  start = std::max<int64_t>(start, 0);
  length = std::max<int64_t>(length, 0);
  if (start >= size) return {};
  length = std::min(length, size - start);
  return std::string(value.substr(static_cast<size_t>(start), static_cast<size_t>(length)));
}

LayoutRect RectFromItems(const ItemList& items) {
  return LayoutRect{ReadDecimal(items[1]), ReadDecimal(items[2]), ReadDecimal(items[3]), ReadDecimal(items[4])};
}

// Reads keys 0 ... N-1 of "BUTTONPOS" into a rectangle table and a text table.
template <size_t N>
bool LoadButtonPositions(const std::filesystem::path& file, std::array<LayoutRect, N>& hits,
                         std::array<std::string, N>& texts, std::vector<Failure>& said) {
  for (size_t i = 0; i < N; ++i) {
    const auto items = ReadItemList(file, "BUTTONPOS", static_cast<int>(i), said);
    if (!items) return false;
    hits[i] = RectFromItems(*items);
    texts[i] = (*items)[5];
  }
  return true;
}

}  // namespace

EdgeRect ToEdges(const LayoutRect& r) {
  return EdgeRect{r.x, r.y, Saturate(int64_t{r.x} + r.width), Saturate(int64_t{r.y} + r.height)};
}

int HitIndex(int64_t px, int64_t py, std::span<const LayoutRect> family, int last) {
  const int64_t end = std::min<int64_t>(int64_t{last} + 1, static_cast<int64_t>(family.size()));
  for (int64_t i = 0; i < end; ++i) {
    if (family[static_cast<size_t>(i)].Contains(px, py)) return static_cast<int>(i);
  }
  return kNoIndex;
}

TextOrigin CentreText(const LayoutRect& r, int32_t cx, int32_t cy) {
  // C++ integer division rounds toward zero, as the centring rule asks.
  return TextOrigin{Saturate(int64_t{r.x} + (int64_t{r.width} - cx) / 2),
                    Saturate(int64_t{r.y} + (int64_t{r.height} - cy) / 2)};
}

ItemList SplitItemList(std::string_view value) {
  ItemList items;
  if (value.find(',') == std::string_view::npos) {
    items[0] = std::string(value);
    return items;
  }
  const auto size = static_cast<int64_t>(value.size());
  int64_t p = -1;  // position of the comma that ended the previous item, -1 for none
  for (int i = 0; i <= 5; ++i) {
    const int64_t s = p + 1;
    int64_t k = -1;
    if (s >= 0 && s < size) {
      const size_t found = value.find(',', static_cast<size_t>(s));
      k = found == std::string_view::npos ? -1 : static_cast<int64_t>(found);
    }
    items[static_cast<size_t>(i)] = Piece(value, p + 1, k - p - 1);
    if (i == 5) items[6] = Piece(value, k + 1, size);
    // No further comma: the next item starts again at the beginning of the value.
    p = k;
  }
  return items;
}

std::optional<ItemList> ReadItemList(const std::filesystem::path& file, std::string_view section, int entry,
                                     std::vector<Failure>& said) {
  const auto doc = LoadIniDocument(file);
  if (!doc) {
    said.push_back(MissingFile(file));
    return std::nullopt;
  }
  const std::string* raw = doc->Find(section, std::to_string(entry));
  const std::string value = raw ? CutToCapacity(*raw, kItemListCapacity) : std::string();
  if (std::count(value.begin(), value.end(), ',') > kMaxItemCommas) said.push_back(Failure::Of(kLayoutValueMessage));
  return SplitItemList(value);
}

std::filesystem::path LayoutPath(const std::filesystem::path& skinDir, int32_t language, LayoutFile which) {
  const bool english = language != 0;
  const char* folder = english ? "INI_EN" : "INI_CN";
  const char* name = "";
  switch (which) {
    case LayoutFile::Main: name = english ? "skin_main_en.ini" : "skin_main.ini"; break;
    case LayoutFile::Color: name = english ? "skin_color_en.ini" : "skin_color.ini"; break;
    case LayoutFile::Advanced: name = english ? "skin_advance_en.ini" : "skin_advance.ini"; break;
    case LayoutFile::Warning: name = english ? "LBWarning_en.ini" : "LBWarning.ini"; break;
  }
  return skinDir / folder / name;
}

LayoutLoad LoadMainLayout(SkinLayout& layout, const std::filesystem::path& skinDir, int32_t language) {
  LayoutLoad load;
  const auto file = LayoutPath(skinDir, language, LayoutFile::Main);
  load.complete = LoadButtonPositions(file, layout.mainHits, layout.mainTexts, load.said);
  for (int k = 1; load.complete && k <= kFunctionNameKeys; ++k) {
    const auto items = ReadItemList(file, "FUN_STRING", k, load.said);
    if (!items) load.complete = false;
    else layout.FunctionNames[static_cast<size_t>(k)] = (*items)[0];
  }
  return load;
}

LayoutLoad LoadColorLayout(SkinLayout& layout, const std::filesystem::path& skinDir, int32_t language) {
  LayoutLoad load;
  load.complete = LoadButtonPositions(LayoutPath(skinDir, language, LayoutFile::Color), layout.colorHits,
                                      layout.colorTexts, load.said);
  return load;
}

LayoutLoad LoadAdvancedLayout(SkinLayout& layout, const std::filesystem::path& skinDir, int32_t language) {
  LayoutLoad load;
  const auto file = LayoutPath(skinDir, language, LayoutFile::Advanced);
  load.complete = LoadButtonPositions(file, layout.advancedHits, layout.advancedTexts, load.said);
  struct ControlKey {
    const char* section;
    int entry;
    EdgeRect SkinLayout::*target;
  };
  static constexpr ControlKey kControls[] = {
      {"EDIT", 2, &SkinLayout::spareEditRect},         {"EDIT", 3, &SkinLayout::countEditRect},
      {"EDIT", 4, &SkinLayout::nameEditRect},          {"MACRODISPLAY", 1, &SkinLayout::macroListRect},
      {"MACRODISPLAY", 2, &SkinLayout::eventListRect},
  };
  for (const ControlKey& c : kControls) {
    if (!load.complete) break;
    const auto items = ReadItemList(file, c.section, c.entry, load.said);
    if (!items) load.complete = false;
    else layout.*c.target = ToEdges(RectFromItems(*items));
  }
  return load;
}

LayoutLoad LoadWarningLayout(SkinLayout& layout, const std::filesystem::path& skinDir, int32_t language) {
  LayoutLoad load;
  load.complete = LoadButtonPositions(LayoutPath(skinDir, language, LayoutFile::Warning), layout.warningHits,
                                      layout.warningTexts, load.said);
  return load;
}

LayoutLoad LoadAllLayouts(SkinLayout& layout, const std::filesystem::path& skinDir, int32_t language) {
  LayoutLoad all;
  for (auto loader : {LoadMainLayout, LoadColorLayout, LoadAdvancedLayout, LoadWarningLayout}) {
    LayoutLoad one = loader(layout, skinDir, language);
    all.said.insert(all.said.end(), one.said.begin(), one.said.end());
    if (!one.complete) {
      all.complete = false;
      break;
    }
  }
  return all;
}

}  // namespace orv::skin
