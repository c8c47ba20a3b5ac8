#pragma once
// Display names of the input codes stored in macros, the conversion between the
// keyboard's virtual-key codes (what recording receives and what macro files
// hold) and the HID keyboard usages that records store, and the texts of the
// event list.
#include <cstdint>
#include <string>
#include <vector>

#include "macros/macro_model.h"

namespace orv::macros {

// Name shown for a code with no name of its own.
inline constexpr const char* kNonAvailableName = "NON-AVAILABLE";

// Display name (UTF-8) of an input code: a keyboard usage or a mouse-button code.
std::string KeyNameFor(uint8_t code);

// Virtual-key code -> stored code. Codes without a usage of their own (among
// them the mouse-button codes 240 ... 242) come back unchanged.
uint8_t VkToUsage(uint8_t vk);
// Stored code -> virtual-key code, the exact inverse of VkToUsage on the usages
// it produces; every other code comes back unchanged.
uint8_t UsageToVk(uint8_t usage);

// "[↓]" or "[↑]" directly followed by the key name; the bare name for any
// other action.
std::string EventLineText(const MacroEvent& event);
// The delay line: four spaces, the delay in decimal, "ms".
std::string DelayLineText(uint16_t ms);
// The event list of a record: event 0, delay 0, event 1, ..., event n-1 (2n-1
// lines; the wait after the last event is not shown, and no events give none).
// Line L belongs to event L / 2; odd lines are delay lines.
std::vector<std::string> EventListLines(const MacroRecord& record);

}  // namespace orv::macros
