#include "settings/mouse_settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "settings/config_file.h"

namespace orv::settings {
namespace {

MouseSettings Factory() {
  MouseSettings s;
  ResetToFactory(s);
  return s;
}

void SetEnabledMask(MouseSettings& s, unsigned mask) {
  for (int n = 0; n < kLevelCount; ++n) s.levels[n].enabled = (mask >> n) & 1;
}

unsigned EnabledMask(const MouseSettings& s) {
  unsigned mask = 0;
  for (int n = 0; n < kLevelCount; ++n) mask |= (s.levels[n].enabled ? 1u : 0u) << n;
  return mask;
}

TEST(Colours, DisplayColourClampsDamagedLevels) {
  EXPECT_EQ(DisplayColourFor(0, 15, 8), 0x7F0FFFu);
  EXPECT_EQ(DisplayColourFor(-5, 99, INT32_MIN), DisplayColourFor(0, 15, 0));
}

TEST(Colours, PickedWhiteAndBlack) {
  MouseSettings s;
  ApplyPickedColour(s, 2, 0xFFFFFF);
  EXPECT_EQ(std::tie(s.levels[2].r, s.levels[2].g, s.levels[2].b), std::make_tuple(0, 0, 0));
  EXPECT_EQ(s.levels[2].displayColour, 0xFFFFFFu);
  ApplyPickedColour(s, 2, 0x000000);
  EXPECT_EQ(std::tie(s.levels[2].r, s.levels[2].g, s.levels[2].b), std::make_tuple(15, 15, 15));
  EXPECT_EQ(s.levels[2].displayColour, 0x0F0F0Fu);
  ApplyPickedColour(s, 1, 0x10EF80);  // red 0x80, green 0xEF, blue 0x10
  EXPECT_EQ(std::tie(s.levels[1].r, s.levels[1].g, s.levels[1].b), std::make_tuple(7, 1, 14));
  ApplyPickedColour(s, 6, 0xFFFFFF);
  ApplyPickedColour(s, -1, 0xFFFFFF);
  EXPECT_EQ(s.levels[1].r, 7);
}

TEST(EditRules, ToggleLevelEnabled) {
  struct Case {
    unsigned mask;
    int32_t active;
    int toggle;
    unsigned wantMask;
    int32_t wantActive;
  };
  const Case cases[] = {
      {0b000001, 0, 3, 0b001001, 0},  // enabling never moves the active level
      {0b111111, 1, 3, 0b110111, 1},  // disabling another level
      {0b111111, 1, 1, 0b111101, 2},  // disabling the active level moves to the next
      {0b100101, 2, 2, 0b100001, 5},  // ... skipping disabled ones
      {0b100001, 5, 5, 0b000001, 0},  // ... wrapping from 5 to 0
      {0b000100, 2, 2, 0b000100, 2},  // the only enabled level stays enabled and active
      {0b111111, 1, 6, 0b111111, 1},  // out-of-range index ignored
      {0b111111, 1, -1, 0b111111, 1},
  };
  for (const Case& c : cases) {
    MouseSettings s;
    SetEnabledMask(s, c.mask);
    s.DPI_LEVEL = c.active;
    ToggleLevelEnabled(s, c.toggle);
    EXPECT_EQ(EnabledMask(s), c.wantMask) << c.mask << " toggle " << c.toggle;
    EXPECT_EQ(s.DPI_LEVEL, c.wantActive) << c.mask << " toggle " << c.toggle;
  }
}

TEST(EditRules, ActiveLevelAndStepSelection) {
  MouseSettings s = Factory();
  s.levels[3].enabled = 0;
  SelectActiveLevel(s, 3);
  EXPECT_EQ(s.DPI_LEVEL, 1);
  SelectActiveLevel(s, 4);
  EXPECT_EQ(s.DPI_LEVEL, 4);
  SelectStep(s, 5, 11);
  EXPECT_EQ(s.levels[5].step, 11);
  EXPECT_EQ(s.levels[5].selectedStepHit, 66 + 60 + 11);
  SelectStep(s, 5, 12);
  SelectStep(s, 6, 0);
  EXPECT_EQ(s.levels[5].step, 11);
}

TEST(EditRules, SomeButtonKeepsLeftClick) {
  MouseSettings s = Factory();
  EXPECT_TRUE(NeedsLastLeftClickWarning(s, 0));
  EXPECT_FALSE(NeedsLastLeftClickWarning(s, 1));
  SetButtonFunction(s, 0, 41);  // only button 0 had it: button 1 takes it
  EXPECT_EQ(s.K[0], 41);
  EXPECT_EQ(s.K[1], 1);

  s = Factory();
  SetButtonFunction(s, 2, 1);
  SetButtonFunction(s, 0, 2);  // button 2 still has it: nothing else changes
  EXPECT_EQ(s.K[1], 2);

  s = Factory();
  SetButtonFunction(s, 6, 1);
  SetButtonFunction(s, 0, 3);
  SetButtonFunction(s, 6, 31);  // button 6 was the last: it takes function 1 back
  EXPECT_EQ(s.K[6], 1);

  s = Factory();
  s.K[0] = 0;
  s.K[2] = 1;
  SetButtonFunction(s, 2, 24);
  EXPECT_EQ(s.K[3], 1);

  s = Factory();
  SetButtonFunction(s, 7, 9);
  SetButtonFunction(s, -1, 9);
  EXPECT_FALSE(NeedsLastLeftClickWarning(s, 7));
  for (int b = 0; b < kButtonCount; ++b) EXPECT_EQ(s.K[b], Factory().K[b]);
}

TEST(EditRules, LastCycleColourIsNeverCleared) {
  MouseSettings s;
  ToggleCycleColour(s, 4);
  ToggleCycleColour(s, 4);  // the only one: refused
  EXPECT_TRUE(s.colourCycleFlags[4]);
  ToggleCycleColour(s, 0);
  ToggleCycleColour(s, 4);
  EXPECT_FALSE(s.colourCycleFlags[4]);
  EXPECT_TRUE(s.colourCycleFlags[0]);
  ToggleCycleColour(s, 7);
  EXPECT_EQ(std::count(s.colourCycleFlags.begin(), s.colourCycleFlags.end(), true), 1);
}

TEST(EditRules, FireTimeSliderAndSteps) {
  struct Case {
    int32_t x, left, width, want;
  };
  const Case cases[] = {
      {100, 100, 150, 0},   {175, 100, 150, 150},    {250, 100, 150, 300}, {101, 100, 150, 2},
      {90, 100, 150, 0},    {400, 100, 150, 300},    {INT32_MIN, 100, 150, 0},
      {INT32_MAX, INT32_MIN, 1, 300},
      {120, 100, 0, 77},    {120, 100, -5, 77},  // no slider: unchanged
  };
  for (const Case& c : cases) {
    MouseSettings s;
    s.FIRE_TIME = 77;
    SetFireTimeFromSlider(s, c.x, c.left, c.width);
    EXPECT_EQ(s.FIRE_TIME, c.want) << c.x << " " << c.left << " " << c.width;
  }
  MouseSettings s;
  s.FIRE_TIME = 1;
  for (int i = 0; i < 3; ++i) FireTimeDown(s);
  EXPECT_EQ(s.FIRE_TIME, 0);
  s.FIRE_TIME = 298;
  for (int i = 0; i < 3; ++i) FireTimeUp(s);
  EXPECT_EQ(s.FIRE_TIME, 300);
  s.FIRE_TIME = INT32_MAX;  // damaged value: brought back into range, never overflowed
  FireTimeUp(s);
  EXPECT_EQ(s.FIRE_TIME, 300);
  s.FIRE_TIME = INT32_MIN;
  FireTimeDown(s);
  EXPECT_EQ(s.FIRE_TIME, 0);
}

TEST(EditRules, SettersTakeOnlyTheirRange) {
  MouseSettings s;
  SetLightingMode(s, 3);
  SetLightingMode(s, 4);
  SetCycleTime(s, 5);
  SetCycleTime(s, 6);
  SetWheelStatus(s, 1);
  SetWheelStatus(s, 2);
  SetPointerSpeedStep(s, 9);
  SetPointerSpeedStep(s, 10);
  SetWheelStep(s, 9);
  SetWheelStep(s, -1);
  SetPollingRate(s, 3);
  SetPollingRate(s, 4);
  EXPECT_EQ(std::make_tuple(s.LED_TYPE, s.LED_CYC_TIME, s.WHEEL_STATUS, s.DPI_SPEED, s.WHEEL_SPEED, s.USB_SPEED),
            std::make_tuple(3, 5, 1, 9, 9, 3));
}

TEST(Factory, ResetKeepsMacroModeAndCycleFlags) {
  MouseSettings s;
  s.MACRO_MODE2 = 77;
  s.colourCycleFlags[3] = true;
  ResetToFactory(s);
  EXPECT_EQ(s.MACRO_MODE2, 77);
  EXPECT_EQ(s.CYC_7COL_EN, 0x7F);
  EXPECT_EQ(std::count(s.colourCycleFlags.begin(), s.colourCycleFlags.end(), true), 1);
  const uint32_t display[kLevelCount] = {0x0FFFFF, 0xFF0F0F, 0xFF0FFF, 0x0FFF0F, 0x0F0FFF, 0xFFFFFF};
  for (int n = 0; n < kLevelCount; ++n) {
    EXPECT_EQ(s.levels[n].displayColour, display[n]) << n;
    EXPECT_EQ(s.levels[n].selectedStepHit, 66 + 12 * n + s.levels[n].step);
  }
  EXPECT_FALSE(RepairInvariants(s));
}

TEST(Repair, BringsDamagedRecordsBackWithinTheRules) {
  struct Case {
    const char* what;
    void (*damage)(MouseSettings&);
    void (*check)(const MouseSettings&);
  };
  const Case cases[] = {
      {"no left click", [](MouseSettings& s) { s.K[0] = 0; }, [](const MouseSettings& s) { EXPECT_EQ(s.K[0], 1); }},
      {"level out of range",
       [](MouseSettings& s) {
         s.DPI_LEVEL = 9;
         s.levels[0].enabled = 0;
       },
       [](const MouseSettings& s) { EXPECT_EQ(s.DPI_LEVEL, 1); }},
      {"negative level, none enabled",
       [](MouseSettings& s) {
         s.DPI_LEVEL = -1;
         SetEnabledMask(s, 0);
       },
       [](const MouseSettings& s) {
         EXPECT_EQ(s.DPI_LEVEL, 0);
         EXPECT_EQ(EnabledMask(s), 0b000001u);
       }},
      {"active level disabled",
       [](MouseSettings& s) { s.levels[1].enabled = 0; },
       [](const MouseSettings& s) {
         EXPECT_EQ(s.DPI_LEVEL, 1);
         EXPECT_EQ(s.levels[1].enabled, 1);
       }},
      {"no cycle colour",
       [](MouseSettings& s) { s.colourCycleFlags.fill(false); },
       [](const MouseSettings& s) { EXPECT_EQ(std::count(s.colourCycleFlags.begin(), s.colourCycleFlags.end(), true), 7); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MouseSettings s = Factory();
    s.colourCycleFlags.fill(true);
    c.damage(s);
    EXPECT_TRUE(RepairInvariants(s));
    c.check(s);
    EXPECT_FALSE(RepairInvariants(s));
  }
  MouseSettings zeros;  // what a missing profile loads
  EXPECT_TRUE(RepairInvariants(zeros));
  EXPECT_EQ(zeros.K[0], 1);
  EXPECT_EQ(zeros.levels[0].enabled, 1);
}

}  // namespace
}  // namespace orv::settings
