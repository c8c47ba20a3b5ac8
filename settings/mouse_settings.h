#pragma once
// The settings the mouse firmware keeps, plus the host-side speeds, for one
// profile; the edit operations that keep the model's rules; and the tables that
// translate them for the wire.
#include <array>
#include <cstdint>

#include "platform/shared_value.h"

namespace orv::settings {

inline constexpr int kButtonCount = 7;
inline constexpr int kLevelCount = 6;
inline constexpr int kStepCount = 12;
inline constexpr int kCycleColourCount = 7;
inline constexpr int kNoButton = 255;

// Wire code of each button index (indexes 7 and 8 exist only for the inverse table).
inline constexpr std::array<uint8_t, 9> kButtonWireCodes = {0x01, 0x02, 0x03, 0x05, 0x04, 0x08, 0x06, 0x07, 0x08};
// Wire step code of DPI steps 0 ... 11.
inline constexpr std::array<uint8_t, kStepCount> kDpiStepCodes = {1, 2, 3, 4, 5, 6, 7, 9, 11, 13, 14, 15};
// Factory functions of buttons 0 ... 6 (the two trailing bytes are unused).
inline constexpr std::array<uint8_t, 9> kDefaultButtonFunctions = {0x01, 0x02, 0x03, 0x05, 0x04, 0x0F, 0x10, 0x0D, 0x0C};

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
  // Set by Apply for buttons whose function is a DPI function (6, 15, 16).
  std::array<Shared<bool>, kButtonCount> dpiFunctionButton{};
};

}  // namespace orv::settings

namespace orv::settings {

// ---- Wire tables -----------------------------------------------------------

inline constexpr int kWireCodeCount = 16;  // the mouse reports 0xF0 + wire code
inline constexpr int32_t kFireTimeMax = 300;

// Inverse of kButtonWireCodes for indexes 0 ... 7: the button (or index 7) a
// reported wire code names. Wire codes that name nothing (0 and 9 ... 15) hold
// kNoButton, so a stray report is never taken for button 0. Index 7 is not an
// assignable button; callers indexing K[] must check against kButtonCount.
constexpr std::array<uint8_t, kWireCodeCount> BuildButtonIndexByWireCode() {
  std::array<uint8_t, kWireCodeCount> table{};
  table.fill(static_cast<uint8_t>(kNoButton));
  for (uint8_t i = 0; i < 8; ++i) table[kButtonWireCodes[i]] = i;
  return table;
}
inline constexpr std::array<uint8_t, kWireCodeCount> buttonIndexByWireCode = BuildButtonIndexByWireCode();

// The function code a button sends to the mouse for its function code: 1 ... 6
// as they are, 11 ... 14 as 7 ... 10, 15/16/17 as 11/12/13, a negative code as
// its low byte, everything else (host-side functions, unknown codes) as 0.
uint8_t DeviceFunctionCode(int32_t code);
// Consumer-page usage of the media-key functions 21 ... 30; 0 for any other code.
uint16_t ConsumerUsageFor(int32_t code);
// Functions 6, 15 and 16 change the DPI level inside the mouse, which then
// reports the new level.
bool IsDpiFunction(int32_t code);

// Wire step code of a DPI step. A step outside 0 ... 11 (only a damaged file
// gives one) sends the code of step 0, the lowest sensitivity.
uint8_t StepCodeFor(int32_t step);
// DPI number shown for a wire step code; unknown codes show 200.
int32_t DpiShownForStepCode(uint8_t code);

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

// ---- Whole-record operations -----------------------------------------------

// The factory settings. MACRO_MODE2 is kept; CYC_7COL_EN becomes 0x7F while
// colourCycleFlags keep their state (the next Apply rebuilds the mask from them).
void ResetToFactory(MouseSettings& s);
// Brings a record that breaks the model's rules (a damaged or missing profile)
// back within them before it is sent: some button keeps function 1 (button 0
// gets it), the active level is a level index (else the first enabled one, or
// 0) and is enabled, and at least one cycle colour is set (else all seven).
// Returns true when anything changed.
bool RepairInvariants(MouseSettings& s);

}  // namespace orv::settings
