#pragma once
// Skin layout files: where every element of a page lies, which text it carries,
// the names of the button functions and where the Advanced page's child controls
// go. The files are plain INI files, read one key at a time through the
// private-profile layer; the program never writes them.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/failure.h"
#include "platform/file_problem.h"

namespace orv::skin {

// Shown (once per key) when a layout value has more than six commas; the entry still loads.
inline constexpr const char* kLayoutValueMessage = "加载ini错误！";

// "Nothing" for every hover, row and hit index of the user interface.
inline constexpr int kNoIndex = 255;

inline constexpr int kMainEntries = 150;
inline constexpr int kColorEntries = 33;
inline constexpr int kAdvancedEntries = 52;
inline constexpr int kWarningEntries = 3;
inline constexpr int kFunctionNameSlots = 55;  // slot 0 stays empty
inline constexpr int kFunctionNameKeys = 54;   // keys "1" ... "54"

// Capacity of the buffer a layout value is read into: longer values are cut to
// 259 characters.
inline constexpr size_t kItemListCapacity = 260;

// A rectangle in client pixels of its window. Contains (px, py) when
// x <= px < x + width and y <= py < y + height; the sums are taken without
// overflow, so numbers near the 32-bit limits from a damaged file stay harmless.
struct LayoutRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;

  constexpr bool Contains(int64_t px, int64_t py) const {
    return x <= px && px < int64_t{x} + width && y <= py && py < int64_t{y} + height;
  }
  bool operator==(const LayoutRect&) const = default;
};

// The edge form of a child control's rectangle. right/bottom saturate at the
// 32-bit limits instead of wrapping.
struct EdgeRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const EdgeRect&) const = default;
};
EdgeRect ToEdges(const LayoutRect& r);

// First i in 0 ... last whose rectangle contains the point, else kNoIndex. Where
// rectangles overlap the lowest index wins. `last` beyond the family's end is
// taken as its last entry.
int HitIndex(int64_t px, int64_t py, std::span<const LayoutRect> family, int last);

// Where a text of size (cx, cy) goes to sit centred in `r`:
// (x + (width - cx) / 2, y + (height - cy) / 2), dividing toward zero. The
// result is kept within the 32-bit range.
struct TextOrigin {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const TextOrigin&) const = default;
};
TextOrigin CentreText(const LayoutRect& r, int32_t cx, int32_t cy);

// Items 0 ... 6 of a layout value (UTF-8).
using ItemList = std::array<std::string, 7>;

// Splits one value into its items. An item counts only when a comma follows it;
// with fewer than six commas the scan for the later items starts again at the
// beginning of the value; with more than six, item 6 keeps the rest. Pieces are
// clamped to the value, never read outside it.
ItemList SplitItemList(std::string_view value);
// Commas in a value beyond this make the value suspicious (message, still used).
inline constexpr int kMaxItemCommas = 6;

// Reads key `entry` (written in decimal) of `section` from `file` and splits it.
// A missing file adds the missing-file failure to `said` and gives nullopt:
// the caller stops reading layouts. A value with more than six commas adds
// kLayoutValueMessage and is still split.
std::optional<ItemList> ReadItemList(const std::filesystem::path& file, std::string_view section, int entry,
                                     std::vector<Failure>& said);

// Everything the four layout files of one language define.
struct SkinLayout {
  std::array<LayoutRect, kMainEntries> mainHits{};
  std::array<std::string, kMainEntries> mainTexts{};
  std::array<LayoutRect, kColorEntries> colorHits{};
  std::array<std::string, kColorEntries> colorTexts{};
  std::array<LayoutRect, kAdvancedEntries> advancedHits{};
  std::array<std::string, kAdvancedEntries> advancedTexts{};
  std::array<LayoutRect, kWarningEntries> warningHits{};  // 0 confirm, 1 cancel, 2 message
  std::array<std::string, kWarningEntries> warningTexts{};
  // Names of the function codes; slot k holds key k of "FUN_STRING", slot 0 is empty.
  std::array<std::string, kFunctionNameSlots> FunctionNames{};
  // The Advanced page's child controls, in edge form.
  EdgeRect spareEditRect{};   // only cut out of the repaint area; no control lives there
  EdgeRect countEditRect{};   // repeat count edit box
  EdgeRect nameEditRect{};    // macro name edit box
  EdgeRect macroListRect{};   // list of the user macros
  EdgeRect eventListRect{};   // events of the selected macro
};

enum class LayoutFile { Main, Color, Advanced, Warning };

// The layout file of one language: English when `language` is non-zero
// ("INI_EN/skin_main_en.ini" ...), Turkish when it is zero ("INI_CN/skin_main.ini" ...).
std::filesystem::path LayoutPath(const std::filesystem::path& skinDir, int32_t language, LayoutFile which);

// What a layout load has to tell the user, in order: each suspicious value
// (still used) and, last, the missing file that stopped it.
struct LayoutLoad {
  std::vector<Failure> said;
  bool complete = true;  // false: a file was missing, nothing more was read
  explicit operator bool() const { return complete; }
};

// Each loader reads its file's keys in increasing order and overwrites its
// tables entry by entry. An incomplete load means the caller runs the exit
// sequence once it has told the user.
LayoutLoad LoadMainLayout(SkinLayout& layout, const std::filesystem::path& skinDir, int32_t language);
LayoutLoad LoadColorLayout(SkinLayout& layout, const std::filesystem::path& skinDir, int32_t language);
LayoutLoad LoadAdvancedLayout(SkinLayout& layout, const std::filesystem::path& skinDir, int32_t language);
LayoutLoad LoadWarningLayout(SkinLayout& layout, const std::filesystem::path& skinDir, int32_t language);

// The four loaders in the program's order (Main, Color, Advanced, Warning),
// stopping at the first missing file. Used by the language switch.
LayoutLoad LoadAllLayouts(SkinLayout& layout, const std::filesystem::path& skinDir, int32_t language);

}  // namespace orv::skin
