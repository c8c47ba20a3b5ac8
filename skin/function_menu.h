#pragma once
// Geometry and choices of the two button-function menus and of the warning
// shown before the last left click is given away. Plain arithmetic on rows and
// rectangles, shared by the popup windows and their tests.
//
// The rows, groups and codes come from the mouse's description
// (device/ktr580.h): the first-level menu's rows of equal height first choose
// functions directly, then each opens a group in a second-level menu (the
// user macros' group has one row per user macro). Row b of a group gives the
// group's code base + b.
#include <cstdint>
#include <span>

#include "device/ktr580.h"
#include "skin/layout.h"

namespace orv::skin {

inline constexpr int kMenuShownRows = device::kFirstLevelMenuRows;  // rows painted and shaped
inline constexpr int kMenuHoverRows = kMenuShownRows + 2;  // rows a pointer move tests (the last two choose nothing)
// Rows 1 ... kMenuDirectRows choose their own number.
inline constexpr int kMenuDirectRows = device::MenuGroupOf(device::MenuGroup::Direct).rows;
// The rows that open the groups.
inline constexpr int kMenuRowGroupA = device::MenuGroupOf(device::MenuGroup::MouseFunctions).menuRow;
inline constexpr int kMenuRowGroupB = device::MenuGroupOf(device::MenuGroup::Multimedia).menuRow;
inline constexpr int kMenuRowMacros = device::MenuGroupOf(device::MenuGroup::Macros).menuRow;
inline constexpr int kMenuRowGroupC = device::MenuGroupOf(device::MenuGroup::Shortcuts).menuRow;
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
// The code base of the group a first-level row opens; 0 for any other row.
int32_t GroupCodeBase(int menuRow);
// Code of row `subRow` (1 ...) of the group opened by `menuRow`; `lastCode`
// when `menuRow` opens no group.
int32_t SubMenuCode(int menuRow, int subRow, int32_t lastCode);

// Vertical offset of the second-level menu from the first-level menu's top:
// the opening row's number less the group's rows, in rows; 0 for a row that
// opens no group. With equal row heights the second level's bottom is level
// with the opening row's.
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
