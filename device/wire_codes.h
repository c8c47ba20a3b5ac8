#pragma once
// Conversions between the settings model's values and the mouse's wire codes:
// the device function a function code is sent as, the consumer usage of a
// media key, the wire step code of a DPI step and the sensitivity shown for
// it. The settings model speaks function codes and step indexes; the layer
// that drives the mouse converts with these. The tables are the mouse's
// description (device/ktr580.h).
#include <cstdint>

#include "device/ktr580.h"

namespace orv::device {

// The device function code a function code is sent as (see FunctionOf); a
// negative code, which only a damaged file holds, is sent as its low byte.
uint8_t DeviceFunctionCode(int32_t code);
// Consumer-page usage of a media-key function; 0 for any other code.
uint16_t ConsumerUsageFor(int32_t code);

// Wire step code of a DPI step. A step outside the table (only a damaged file
// gives one) sends the code of step 0, the lowest sensitivity.
uint8_t StepCodeFor(int32_t step);
// DPI number shown for a wire step code; a code of no step shows step 0's.
int32_t DpiShownForStepCode(uint8_t code);

}  // namespace orv::device
