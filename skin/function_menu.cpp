#include "skin/function_menu.h"

#include <algorithm>

namespace orv::skin {

MenuMetrics FirstLevelMetrics(int32_t maskWidth, int32_t maskHeight) {
  MenuMetrics m;
  m.itemWidth = std::max(0, maskWidth);
  m.itemHeight = std::max(0, maskHeight) / kMenuShownRows;
  m.rows = kMenuShownRows;
  m.shownHeight = kMenuShownRows * m.itemHeight + 1;
  return m;
}

MenuMetrics SecondLevelMetrics(int32_t maskWidth, int32_t maskHeight, int32_t rows) {
  MenuMetrics m;
  m.itemWidth = std::max(0, maskWidth);
  m.itemHeight = std::max(0, maskHeight) / kSubMenuMaskRows;
  m.rows = std::max(0, rows);
  m.shownHeight = m.rows > 0 ? m.rows * m.itemHeight + 1 : 0;
  return m;
}

int MenuRowAt(int64_t x, int64_t y, int32_t itemWidth, int32_t itemHeight, int rowCount) {
  if (itemHeight <= 0 || x < 0 || x >= itemWidth || y < 0) return kNoIndex;
  const int64_t row = y / itemHeight + 1;
  return row <= rowCount ? static_cast<int>(row) : kNoIndex;
}

namespace {

// The group a first-level row opens, or none.
const device::MenuGroupEntry* GroupOpenedBy(int menuRow) {
  for (const device::MenuGroupEntry& g : device::kMenuGroups) {
    if (g.group != device::MenuGroup::Direct && g.menuRow == menuRow) return &g;
  }
  return nullptr;
}

// Rows of a group; the user macros' group has one per user macro.
int RowsOf(const device::MenuGroupEntry& g, int userMacroCount) {
  return g.group == device::MenuGroup::Macros ? userMacroCount : g.rows;
}

}  // namespace

bool IsGroupRow(int menuRow) { return GroupOpenedBy(menuRow) != nullptr; }

int GroupRowCount(int menuRow, int userMacroCount, int previous) {
  const device::MenuGroupEntry* g = GroupOpenedBy(menuRow);
  return g ? std::max(0, RowsOf(*g, userMacroCount)) : previous;
}

int32_t GroupCodeBase(int menuRow) {
  const device::MenuGroupEntry* g = GroupOpenedBy(menuRow);
  return g ? g->codeBase : 0;
}

int32_t SubMenuCode(int menuRow, int subRow, int32_t lastCode) {
  return IsGroupRow(menuRow) ? GroupCodeBase(menuRow) + subRow : lastCode;
}

int32_t SubMenuOffset(int menuRow, int userMacroCount, int32_t itemHeight) {
  const device::MenuGroupEntry* g = GroupOpenedBy(menuRow);
  return g ? (menuRow - RowsOf(*g, userMacroCount)) * itemHeight : 0;
}

namespace {
int32_t KeepWithin(int64_t wanted, int64_t size, int64_t start, int64_t length) {
  const int64_t last = start + length - size;  // the highest start that still fits
  if (wanted > last) wanted = last;
  if (wanted < start) wanted = start;
  return static_cast<int32_t>(wanted);
}
}  // namespace

ScreenPoint KeepOnScreen(ScreenPoint wanted, int32_t width, int32_t height, const ScreenRect& screen) {
  if (screen.width <= 0 || screen.height <= 0) return wanted;
  return {KeepWithin(wanted.x, width, screen.x, screen.width), KeepWithin(wanted.y, height, screen.y, screen.height)};
}

ScreenPoint PlaceSubMenu(const ScreenRect& parent, int32_t itemWidth, int32_t offset, int32_t height,
                         const ScreenRect& screen) {
  ScreenPoint at{parent.x + parent.width, parent.y + offset};
  const bool roomRight = int64_t{at.x} + itemWidth <= int64_t{screen.x} + screen.width;
  const bool roomLeft = int64_t{parent.x} - itemWidth >= screen.x;
  if (screen.width > 0 && !roomRight && roomLeft) at.x = parent.x - itemWidth;
  return KeepOnScreen(at, itemWidth, height, screen);
}

int WarningButtonAt(int64_t x, int64_t y, std::span<const LayoutRect> hits) {
  if (hits.size() > 0 && hits[0].Contains(x, y)) return kWarningConfirm;
  if (hits.size() > 1 && hits[1].Contains(x, y)) return kWarningCancelButton;
  return kNoIndex;
}

}  // namespace orv::skin
