#include "device/wire_codes.h"

namespace orv::device {

uint8_t DeviceFunctionCode(int32_t code) {
  if (code < 0) return static_cast<uint8_t>(code & 0xFF);
  return FunctionOf(code).deviceCode;
}

uint16_t ConsumerUsageFor(int32_t code) { return FunctionOf(code).consumerUsage; }

uint8_t StepCodeFor(int32_t step) {
  if (step < 0 || step >= kStepCount) return kDpiSteps[0].wireCode;
  return kDpiSteps[static_cast<size_t>(step)].wireCode;
}

int32_t DpiShownForStepCode(uint8_t code) {
  for (const DpiStep& step : kDpiSteps) {
    if (step.wireCode == code) return step.dpi;
  }
  return kDpiSteps[0].dpi;
}

}  // namespace orv::device
