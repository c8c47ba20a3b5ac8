#include "device/wire_codes.h"

namespace orv::device {

uint8_t DeviceFunctionCode(int32_t code) {
  if (code < 0) return static_cast<uint8_t>(code & 0xFF);
  if (code >= 1 && code <= 6) return static_cast<uint8_t>(code);
  if (code >= 11 && code <= 14) return static_cast<uint8_t>(code - 4);
  if (code >= 15 && code <= 17) return static_cast<uint8_t>(code - 4);
  return 0;
}

uint16_t ConsumerUsageFor(int32_t code) {
  static constexpr std::array<uint16_t, 10> kUsages = {0x0223, 0x0183, 0x018A, 0x00E9, 0x00EA,
                                                       0x00B6, 0x00B5, 0x00E2, 0x00CD, 0x0192};
  if (code < 21 || code > 30) return 0;
  return kUsages[static_cast<size_t>(code - 21)];
}

uint8_t StepCodeFor(int32_t step) {
  if (step < 0 || step >= kDpiStepCodeCount) return kDpiStepCodes[0];
  return kDpiStepCodes[static_cast<size_t>(step)];
}

int32_t DpiShownForStepCode(uint8_t code) {
  switch (code) {
    case 15: return 4800;
    case 14: return 4000;
    case 13: return 3200;
    case 11: return 2400;
    case 9: return 2000;
    case 7: return 1600;
    case 6: return 1200;
    case 5: return 1000;
    case 4: return 800;
    case 3: return 600;
    case 2: return 400;
    default: return 200;
  }
}

}  // namespace orv::device
