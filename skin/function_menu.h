#pragma once
// Geometry and choices of the two button-function menus and of the warning
// shown before the last left click is given away. Plain arithmetic on rows and
// rectangles, shared by the popup windows and their tests.
//
// The first-level menu has ten rows of equal height: rows 1 ... 6 choose a
// function directly, rows 7, 8, 10 and 9 open a second-level menu with group
// A (6 rows), group B (10 rows), group C (8 rows) or one row per user macro.
// Row b of a group gives code 10 + b, 20 + b, 30 + b or 40 + b.
#include <cstdint>
#include <span>

#include "skin/layout.h"

namespace orv::skin {

inline constexpr int kMenuShownRows = 10;      // rows painted and shaped
inline constexpr int kMenuHoverRows = 12;      // rows a pointer move tests (11 and 12 choose nothing)
inline constexpr int kMenuDirectRows = 6;      // rows 1 ... 6 choose their own number
inline constexpr int kMenuRowGroupA = 7;       // codes 11 ... 16
inline constexpr int kMenuRowGroupB = 8;       // codes 21 ... 30
inline constexpr int kMenuRowMacros = 9;       // codes 41 ... (one per user macro)
inline constexpr int kMenuRowGroupC = 10;      // codes 31 ... 38
inline constexpr int kGroupARows = 6;
inline constexpr int kGroupBRows = 10;
inline constexpr int kGroupCRows = 8;
inline constexpr int kSubMenuMaskRows = 12;    // the second-level mask is twelve rows high

// Size of a menu window: item width and height from the mask, and the height
// shown (rows x item height + 1; 0 without rows).
struct MenuMetrics {
  int32_t itemWidth = 0;
  int32_t itemHeight = 0;
  int32_t shownHeight = 0;
  int32_t rows = 0;
  bool operator==(const MenuMetrics&) const = default;
};
MenuMetrics FirstLevelMetrics(int32_t maskWidth, int32_t maskHeight);
MenuMetrics SecondLevelMetrics(int32_t maskWidth, int32_t maskHeight, int32_t rows);

// The first row r in 1 ... rowCount whose band (0 <= x < itemWidth,
// (r - 1) * itemHeight <= y < r * itemHeight) holds the point, else kNoIndex.
int MenuRowAt(int64_t x, int64_t y, int32_t itemWidth, int32_t itemHeight, int rowCount);

bool IsGroupRow(int menuRow);
// Rows of the second-level menu a first-level row opens; `previous` for a row
// that opens none.
int GroupRowCount(int menuRow, int userMacroCount, int previous);
// 10, 20, 40 or 30 for rows 7, 8, 9, 10; 0 for any other row.
int32_t GroupCodeBase(int menuRow);
// Code of row `subRow` (1 ...) of the group opened by `menuRow`; `lastCode`
// when `menuRow` opens no group.
int32_t SubMenuCode(int menuRow, int subRow, int32_t lastCode);

// Vertical offset of the second-level menu from the first-level menu's top:
// +1 row (group A), -2 rows (group B), 9 - macros rows (macros), +2 rows
// (group C). With equal row heights its bottom is level with the opening row's.
int32_t SubMenuOffset(int menuRow, int userMacroCount, int32_t itemHeight);

// A screen rectangle.
struct ScreenRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};
struct ScreenPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const ScreenPoint&) const = default;
};
// Moves a window of `width` x `height` wanted at `wanted` as little as needed
// to lie inside `screen`; a window larger than the screen keeps its top-left
// corner on the screen.
ScreenPoint KeepOnScreen(ScreenPoint wanted, int32_t width, int32_t height, const ScreenRect& screen);
// Where the second-level menu goes: right of the first-level menu, or left of
// it when that side has no room; then kept on the screen.
ScreenPoint PlaceSubMenu(const ScreenRect& parent, int32_t itemWidth, int32_t offset, int32_t height,
                         const ScreenRect& screen);

// The warning dialog's buttons.
inline constexpr int kWarningConfirm = 1;
inline constexpr int kWarningCancelButton = 2;
// kWarningConfirm when the point lies in hits[0] (confirm wins where the two
// overlap), kWarningCancelButton in hits[1], else kNoIndex.
int WarningButtonAt(int64_t x, int64_t y, std::span<const LayoutRect> hits);

}  // namespace orv::skin
