#include "device/wire_codes.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

namespace orv::device {
namespace {

TEST(WireTables, ButtonIndexByWireCodeNamesOnlyRealButtons) {
  const std::array<uint8_t, 16> expected = {255, 0, 1, 2, 4, 3, 6, 7, 5, 255, 255, 255, 255, 255, 255, 255};
  EXPECT_EQ(buttonIndexByWireCode, expected);
}

TEST(WireTables, FunctionCodesOverTheWholeRange) {
  const std::pair<int32_t, uint8_t> sent[] = {
      {0, 0},   {1, 1},   {5, 5},   {6, 6},   {7, 0},   {10, 0},  {11, 7},    {14, 10},   {15, 11},
      {16, 12}, {17, 13}, {18, 0},  {20, 0},  {21, 0},  {30, 0},  {31, 0},    {39, 0},    {40, 0},
      {41, 0},  {52, 0},  {53, 0},  {-1, 0xFF}, {-255, 1}, {-256, 0}, {INT32_MIN, 0}, {INT32_MAX, 0}};
  for (auto [code, device] : sent) EXPECT_EQ(DeviceFunctionCode(code), device) << code;
  for (int32_t code = -300; code <= 300; ++code) {
    SCOPED_TRACE(code);
    if (code >= 18) {
      EXPECT_EQ(DeviceFunctionCode(code), 0);
    }
    EXPECT_EQ(ConsumerUsageFor(code) != 0, code >= 21 && code <= 30);
  }
  const std::vector<std::pair<int32_t, uint16_t>> usages = {
      {21, 0x0223}, {22, 0x0183}, {23, 0x018A}, {24, 0x00E9}, {25, 0x00EA},
      {26, 0x00B6}, {27, 0x00B5}, {28, 0x00E2}, {29, 0x00CD}, {30, 0x0192}};
  for (auto [code, usage] : usages) EXPECT_EQ(ConsumerUsageFor(code), usage) << code;
}

TEST(WireTables, StepCodesAreBoundedAndShowTheirDpi) {
  const int32_t shown[kDpiStepCodeCount] = {200, 400, 600, 800, 1000, 1200, 1600, 2000, 2400, 3200, 4000, 4800};
  for (int step = 0; step < kDpiStepCodeCount; ++step) EXPECT_EQ(DpiShownForStepCode(StepCodeFor(step)), shown[step]);
  for (int32_t step : {-1, 12, 255, INT32_MIN, INT32_MAX}) EXPECT_EQ(StepCodeFor(step), kDpiStepCodes[0]) << step;
  for (uint8_t code : {0, 8, 10, 12, 16, 255}) EXPECT_EQ(DpiShownForStepCode(code), 200) << int{code};
}

}  // namespace
}  // namespace orv::device
