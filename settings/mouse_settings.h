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
