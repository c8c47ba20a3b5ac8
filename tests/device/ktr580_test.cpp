// The mouse's description against the code that reads it: the wire
// conversions at and beyond the tables' ends, and the function menus, which
// must offer every described code at its row and nothing else.
#include "device/ktr580.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <utility>

#include "device/wire_codes.h"
#include "macros/macro_model.h"
#include "skin/function_menu.h"
#include "skin/layout.h"

namespace orv::device {
namespace {

TEST(MouseDescription, WireConversionsBeyondTheTables) {
  // Codes only a damaged file holds: nothing the mouse would act on, except
  // that a negative code goes out as its low byte.
  const std::pair<int32_t, uint8_t> sent[] = {{kLastFunctionCode + 1, 0}, {INT32_MAX, 0}, {-1, 0xFF},
                                              {-255, 1},                  {-256, 0},      {INT32_MIN, 0}};
  for (auto [code, device] : sent) EXPECT_EQ(DeviceFunctionCode(code), device) << code;
  std::set<uint16_t> usages;
  for (int32_t code = -300; code <= 300; ++code) {
    const bool media = FunctionOf(code).kind == FunctionKind::ConsumerKey;
    EXPECT_EQ(ConsumerUsageFor(code) != 0, media) << code;
    if (media) {
      EXPECT_TRUE(usages.insert(ConsumerUsageFor(code)).second) << code;
    }
  }

  // Every step shows its own sensitivity back; steps and codes of no step
  // fall back to the lowest.
  for (int step = 0; step < kStepCount; ++step) {
    EXPECT_EQ(DpiShownForStepCode(StepCodeFor(step)), kDpiSteps[static_cast<size_t>(step)].dpi) << step;
  }
  for (int32_t step : {-1, kStepCount, 255, INT32_MIN, INT32_MAX}) EXPECT_EQ(StepCodeFor(step), kDpiSteps[0].wireCode);
  for (uint8_t code : {0, 8, 10, 12, 16, 255}) EXPECT_EQ(DpiShownForStepCode(code), kDpiSteps[0].dpi) << int{code};
}

TEST(MouseDescription, MenusOfferEveryDescribedCodeAtItsRow) {
  std::set<int32_t> offered;
  for (int row = 1; row <= skin::kMenuHoverRows; ++row) {
    SCOPED_TRACE(row);
    if (row <= skin::kMenuDirectRows) {
      EXPECT_FALSE(skin::IsGroupRow(row));
      EXPECT_EQ(FunctionOf(row).group, MenuGroup::Direct);
      EXPECT_EQ(FunctionOf(row).menuRow, row);
      offered.insert(row);
      continue;
    }
    if (!skin::IsGroupRow(row)) continue;
    EXPECT_LE(row, skin::kMenuShownRows);
    const int rows = skin::GroupRowCount(row, macros::MAX_USER_MACROS, 0);
    MenuGroup group = MenuGroup::None;
    for (int b = 1; b <= rows; ++b) {
      const Function f = FunctionOf(skin::SubMenuCode(row, b, 0));
      if (b == 1) group = f.group;
      EXPECT_NE(f.group, MenuGroup::None) << b;
      EXPECT_EQ(f.group, group) << b;
      EXPECT_EQ(f.menuRow, b);
      EXPECT_TRUE(offered.insert(f.code).second) << f.code;
    }
  }
  for (int32_t code = 0; code <= kLastFunctionCode; ++code) {
    const Function f = FunctionOf(code);
    EXPECT_EQ(offered.count(code) == 1, f.group != MenuGroup::None) << code;
    // Every code is named by the skin or, for a user macro, by one of the macros.
    if (f.kind == FunctionKind::UserMacro) {
      EXPECT_LT(f.index, macros::MAX_USER_MACROS) << code;
    } else {
      EXPECT_TRUE(f.nameSlot >= 0 && f.nameSlot <= skin::kFunctionNameKeys) << code;
    }
  }
}

}  // namespace
}  // namespace orv::device
