#pragma once
// Keys as the X window system names them (key symbols) turned into the
// virtual-key codes macros are recorded in. Left and right Shift, Control,
// Alt and the Windows keys keep their own codes.
#include <cstdint>
#include <optional>

#include "macros/recorder.h"

namespace orv::macros {

// The virtual-key code of a key symbol, 0 for keys the tables have no code
// for (media keys, dead keys, characters of other layouts).
uint8_t KeysymToVk(uint32_t keysym);

struct NativeKeyEvent {
  uint32_t keysym = 0;
  bool press = false;
  bool autoRepeat = false;  // the window system's own repeat of a held key
};

// The key message a native key event records as; none for auto-repeat
// (holding a key records one press) and for keys without a code.
std::optional<KeyMessage> KeyMessageFor(const NativeKeyEvent& event);

}  // namespace orv::macros
