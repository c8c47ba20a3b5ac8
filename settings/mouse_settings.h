#pragma once
// The settings the mouse firmware keeps, plus the host-side speeds, for one
// profile, and the edit operations that keep the model's rules.
#include <array>
#include <cstdint>

#include "device/ktr580.h"
#include "platform/shared_value.h"

namespace orv::settings {

// The mouse's counts, from its description.
using device::kButtonCount;
using device::kCycleColourCount;
using device::kLevelCount;
using device::kStepCount;

struct DpiLevel {
  uint8_t step = 0;        // DPI_SETn, 0 ... 11 from the editors
  uint8_t enabled = 0;     // DPI_SET_ENn, 0 or 1
  int32_t r = 0, g = 0, b = 0;  // DPIn_R/G/B, 4-bit levels, 0 = brightest
  // Derived, not stored:
  uint32_t displayColour = 0;   // 24-bit, red in the low byte
  int32_t selectedStepHit = 0;  // 66 + 12n + step
};

struct MouseSettings {
  // Button functions; read by the playback threads while the window edits them.
  std::array<Shared<int32_t>, kButtonCount> K{};
  // Active level; written by the executor thread from the mouse's reports.
  Shared<int32_t> DPI_LEVEL{0};
  std::array<DpiLevel, kLevelCount> levels{};
  uint8_t LED_TYPE = 0;
  uint8_t LED_CYC_TIME = 0;
  uint8_t CYC_7COL_EN = 0;
  int32_t WHEEL_STATUS = 0;
  int32_t FIRE_TIME = 50;
  uint8_t DPI_SPEED = 0;
  uint8_t WHEEL_SPEED = 0;
  uint8_t USB_SPEED = 0;
  int32_t MACRO_MODE2 = 0;
  // Colour-cycle flags mirrored from CYC_7COL_EN for the Color page.
  std::array<bool, kCycleColourCount> colourCycleFlags{};
  // Set by Apply for buttons whose function switches the DPI level.
  std::array<Shared<bool>, kButtonCount> dpiFunctionButton{};
};

}  // namespace orv::settings

namespace orv::settings {

// ---- Function codes --------------------------------------------------------

inline constexpr int32_t kFireTimeMax = 300;
inline constexpr int32_t kNoFunction = 0;
// The functions that play user macros 0, 1, ...
inline constexpr int32_t kFirstUserMacroFunction = device::FirstCodeOf(device::FunctionKind::UserMacro);
inline constexpr int32_t kLastUserMacroFunction = device::LastCodeOf(device::FunctionKind::UserMacro);

// The functions that change the DPI level inside the mouse, which then reports
// the new level.
bool IsDpiFunction(int32_t code);

// ---- Colours ---------------------------------------------------------------

// 4-bit channel level (0 = full intensity) of an 8-bit channel value.
int32_t ChannelLevelFromByte(uint8_t v);
// 24-bit display colour (red in the low byte) of three channel levels. Levels
// outside 0 ... 15 are taken as the nearest bound.
uint32_t DisplayColourFor(int32_t r, int32_t g, int32_t b);
// Rebuilds the fields kept only for the pages: each level's selectedStepHit and
// displayColour.
void RecomputeDerived(MouseSettings& s);

// ---- Edit operations -------------------------------------------------------
// Called from the window thread. Indexes and values outside what the editors
// offer are ignored, so a stray hit index never writes outside the record.

// Sets button's function, then keeps some button on function 1 (left click):
// when none has it, the next button gets it, or button 6 itself when it was
// button 6 that changed.
void SetButtonFunction(MouseSettings& s, int button, int32_t code);
// True when no button other than `button` holds function 1, so changing its
// function would leave the mouse without its left click for a while.
bool NeedsLastLeftClickWarning(const MouseSettings& s, int button);
// Enables a disabled level; disables an enabled one, moving the active level to
// the next enabled level (wrapping), and refuses when it is the only one.
void ToggleLevelEnabled(MouseSettings& s, int level);
// Makes an enabled level the active one; a disabled level is ignored.
void SelectActiveLevel(MouseSettings& s, int level);
void SelectStep(MouseSettings& s, int level, int32_t step);
// Takes a colour chosen in the colour dialog (24-bit, red in the low byte) as
// the level's indicator colour.
void ApplyPickedColour(MouseSettings& s, int level, uint32_t rgb);
// Adds or removes cycle colour k; the last remaining colour is never removed.
void ToggleCycleColour(MouseSettings& s, int colour);
void SetLightingMode(MouseSettings& s, int32_t mode);     // 0 ... 3
void SetCycleTime(MouseSettings& s, int32_t step);        // 0 ... 5
void SetWheelStatus(MouseSettings& s, int32_t status);    // 0 or 1
void SetPointerSpeedStep(MouseSettings& s, int32_t step); // 0 ... 9
void SetWheelStep(MouseSettings& s, int32_t step);        // 0 ... 9
void SetPollingRate(MouseSettings& s, int32_t choice);    // 0 ... 3
// Fire time from a click at x on the slider: (x - left) * 300 / width. A click
// left of the slider gives 0, one beyond its right end 300; a slider of no
// width changes nothing.
void SetFireTimeFromSlider(MouseSettings& s, int32_t x, int32_t sliderLeft, int32_t sliderWidth);
// One millisecond less / more, kept within 0 ... 300.
void FireTimeDown(MouseSettings& s);
void FireTimeUp(MouseSettings& s);

// ---- The colour-cycle mask -------------------------------------------------
// The cycle colours live in two stores: the Color page edits the flags, the
// file and the mouse take the mask (bit k = colour k). These convert between them.

uint8_t CycleMaskOf(const std::array<bool, kCycleColourCount>& flags);
void SetCycleFlagsFromMask(MouseSettings& s, uint8_t mask);

// ---- Whole-record operations -----------------------------------------------

// Brings a record that breaks the model's rules (a damaged or missing profile)
// back within them before it is sent: some button keeps function 1 (button 0
// gets it), the active level is a level index (else the first enabled one, or
// 0) and is enabled, and at least one cycle colour is set (else all seven).
// Returns true when anything changed.
bool RepairInvariants(MouseSettings& s);

}  // namespace orv::settings
