#pragma once
// Keys as the window system numbers them turned into what macros record.
// X servers and Wayland compositors number a key by its position on the
// keyboard: the kernel's key code + 8 (the X key code), whatever the layout.
// The recorder keeps that position as the HID keyboard usage the mouse sends
// back, so a macro plays the key that was pressed on any layout.
#include <cstdint>
#include <optional>

#include "macros/recorder.h"

namespace orv::macros {

// The X key codes are the kernel's key codes plus this.
inline constexpr uint32_t kXKeycodeOffset = 8;

// The HID keyboard usage of the key with X key code `keycode`, by the
// kernel's standard key code numbering; 0 for keys without one (media and
// power keys, codes the keyboard page has no usage for).
uint8_t UsageForXKeycode(uint32_t keycode);

struct NativeKeyEvent {
  uint32_t keycode = 0;  // X key code
  bool press = false;
  bool autoRepeat = false;  // the window system's own repeat of a held key
};

// The key message a native key event records as (its virtual key is the
// usage's, UsageToVk); none for auto-repeat (holding a key records one press)
// and for keys without a usage.
std::optional<KeyMessage> KeyMessageFor(const NativeKeyEvent& event);

}  // namespace orv::macros
