#pragma once
// The firmware's codes: which wire code each mouse button has, the step codes
// of the DPI table, the device function a function code is sent as, and the
// consumer-control usages of the media keys. Everything here is what goes over
// the wire or comes back from it; the settings model speaks function codes and
// step indexes, and the layer that drives the mouse converts with these tables.
#include <array>
#include <cstddef>
#include <cstdint>

namespace orv::device {

inline constexpr int kWireCodeCount = 16;     // the mouse reports 0xF0 + wire code
inline constexpr uint8_t kNoButtonIndex = 255;  // "no button" in buttonIndexByWireCode
inline constexpr int kDpiLevelCount = 6;      // levels the DPI reports address
inline constexpr int kDpiStepCodeCount = 12;

// Wire code of each button index (indexes 7 and 8 exist only for the inverse table).
inline constexpr std::array<uint8_t, 9> kButtonWireCodes = {0x01, 0x02, 0x03, 0x05, 0x04, 0x08, 0x06, 0x07, 0x08};
// Wire step code of DPI steps 0 ... 11.
inline constexpr std::array<uint8_t, kDpiStepCodeCount> kDpiStepCodes = {1, 2, 3, 4, 5, 6, 7, 9, 11, 13, 14, 15};

// Inverse of kButtonWireCodes for indexes 0 ... 7: the button (or index 7) a
// reported wire code names. Wire codes that name nothing (0 and 9 ... 15) hold
// kNoButtonIndex, so a stray report is never taken for button 0. Index 7 is not
// an assignable button; callers indexing button tables must check their bound.
constexpr std::array<uint8_t, kWireCodeCount> BuildButtonIndexByWireCode() {
  std::array<uint8_t, kWireCodeCount> table{};
  table.fill(kNoButtonIndex);
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

// Wire step code of a DPI step. A step outside 0 ... 11 (only a damaged file
// gives one) sends the code of step 0, the lowest sensitivity.
uint8_t StepCodeFor(int32_t step);
// DPI number shown for a wire step code; unknown codes show 200.
int32_t DpiShownForStepCode(uint8_t code);

}  // namespace orv::device
