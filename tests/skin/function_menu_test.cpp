#include "skin/function_menu.h"

#include <gtest/gtest.h>

#include <array>

namespace orv::skin {
namespace {

TEST(FunctionMenu, MetricsFollowTheMasks) {
  EXPECT_EQ(FirstLevelMetrics(190, 261), (MenuMetrics{190, 26, 261, 10}));
  EXPECT_EQ(FirstLevelMetrics(190, 269), (MenuMetrics{190, 26, 261, 10}));  // integer division
  EXPECT_EQ(SecondLevelMetrics(210, 313, 4), (MenuMetrics{210, 26, 105, 4}));
  EXPECT_EQ(SecondLevelMetrics(210, 313, 0), (MenuMetrics{210, 26, 0, 0}));  // no rows: nothing shown
  EXPECT_EQ(FirstLevelMetrics(0, 0), (MenuMetrics{0, 0, 1, 10}));            // missing mask
}

TEST(FunctionMenu, RowFromPoint) {
  struct Case {
    int x, y, rows, row;
  } cases[] = {
      {0, 0, 12, 1},           {189, 25, 12, 1},   {0, 26, 12, 2},          // band edges
      {100, 3 * 26 - 1, 12, 3}, {100, 9 * 26, 12, 10},
      {100, 10 * 26, 12, 11},                                              // the shape's last line: row 11
      {100, 11 * 26 + 5, 12, 12}, {100, 12 * 26, 12, kNoIndex},            // below row 12
      {190, 10, 12, kNoIndex}, {-1, 10, 12, kNoIndex}, {10, -1, 12, kNoIndex},
      {100, 4 * 26, 4, kNoIndex},                                          // last line of a four-row menu
      {100, 4 * 26 - 1, 4, 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MenuRowAt(c.x, c.y, 190, 26, c.rows), c.row) << c.x << "," << c.y << " of " << c.rows;
  }
  EXPECT_EQ(MenuRowAt(0, 0, 190, 0, 12), kNoIndex);  // a missing mask has no rows
}

// Which codes the groups give is checked against the mouse's description
// (tests/device/ktr580_test.cpp); here, what rows that open no group do.
TEST(FunctionMenu, RowsThatOpenNoGroupKeepTheLatestChoice) {
  for (int row : {1, 6, 11, 12, kNoIndex}) {
    EXPECT_FALSE(IsGroupRow(row));
    EXPECT_EQ(GroupRowCount(row, 4, 3), 3);      // keeps the previous count
    EXPECT_EQ(SubMenuCode(row, 2, 27), 27);      // keeps the latest code
  }
  EXPECT_EQ(GroupRowCount(kMenuRowMacros, 0, 5), 0);  // no user macros: an empty group
  EXPECT_EQ(GroupRowCount(kMenuRowMacros, 4, 5), 4);
}

TEST(FunctionMenu, SecondLevelEndsLevelWithItsRow) {
  const int h = 26;
  // With four user macros the four-row menu starts five rows below the top.
  EXPECT_EQ(SubMenuOffset(9, 4, h), 5 * h);
  EXPECT_EQ(SubMenuOffset(9, 12, h), -3 * h);
  EXPECT_EQ(SubMenuOffset(7, 0, h), h);
  EXPECT_EQ(SubMenuOffset(8, 0, h), -2 * h);
  EXPECT_EQ(SubMenuOffset(10, 0, h), 2 * h);
  // Bottom of the second level = bottom of the opening row, for every group.
  for (int row : {7, 8, 9, 10}) {
    const int rows = GroupRowCount(row, 4, 0);
    EXPECT_EQ(SubMenuOffset(row, 4, h) + rows * h, row * h) << row;
  }
}

TEST(FunctionMenu, PlacementKeepsMenusOnTheScreen) {
  const ScreenRect screen{0, 0, 1280, 1024};
  EXPECT_EQ(KeepOnScreen({100, 200}, 190, 261, screen), (ScreenPoint{100, 200}));
  EXPECT_EQ(KeepOnScreen({1200, 900}, 190, 261, screen), (ScreenPoint{1090, 763}));
  EXPECT_EQ(KeepOnScreen({-50, -10}, 190, 261, screen), (ScreenPoint{0, 0}));
  EXPECT_EQ(KeepOnScreen({10, 10}, 2000, 261, screen), (ScreenPoint{0, 10}));  // wider than the screen
  EXPECT_EQ(KeepOnScreen({10, 10}, 190, 261, ScreenRect{}), (ScreenPoint{10, 10}));  // no screen known

  const ScreenRect parent{100, 300, 190, 261};
  EXPECT_EQ(PlaceSubMenu(parent, 210, 5 * 26, 105, screen), (ScreenPoint{290, 430}));
  // No room on the right: the left side of the first-level menu.
  EXPECT_EQ(PlaceSubMenu({1000, 300, 190, 261}, 210, 26, 157, screen), (ScreenPoint{790, 326}));
  // Above the screen's top (group B at the top of the screen): moved down.
  EXPECT_EQ(PlaceSubMenu({100, 10, 190, 261}, 210, -2 * 26, 261, screen), (ScreenPoint{290, 0}));
}

TEST(FunctionMenu, WarningButtonByReleasePosition) {
  const std::array<LayoutRect, 3> hits{LayoutRect{20, 100, 100, 30}, LayoutRect{200, 100, 100, 30},
                                       LayoutRect{0, 0, 380, 90}};
  EXPECT_EQ(WarningButtonAt(20, 100, hits), kWarningConfirm);
  EXPECT_EQ(WarningButtonAt(299, 129, hits), kWarningCancelButton);
  EXPECT_EQ(WarningButtonAt(50, 50, hits), kNoIndex);    // over the message
  EXPECT_EQ(WarningButtonAt(150, 110, hits), kNoIndex);  // between the buttons
  EXPECT_EQ(WarningButtonAt(300, 110, hits), kNoIndex);  // right edge is outside
  // Overlapping buttons: confirm wins.
  const std::array<LayoutRect, 3> overlap{LayoutRect{20, 100, 150, 30}, LayoutRect{100, 100, 150, 30}, LayoutRect{}};
  EXPECT_EQ(WarningButtonAt(120, 110, overlap), kWarningConfirm);
  EXPECT_EQ(WarningButtonAt(200, 110, overlap), kWarningCancelButton);
}

}  // namespace
}  // namespace orv::skin
