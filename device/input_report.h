#pragma once
// Decoding of the mouse's input reports: the mouse announces presses and
// releases of buttons whose function the host carries out.
#include <cstddef>
#include <cstdint>

namespace orv::device {

struct InputEvent {
  enum class Kind : uint8_t {
    Ignored,  // not a report of ours, or too short to tell a press from a release
    Button,   // a button event; wireCode names the button (1 ... 15)
    Other,    // any other event (0x00 ... 0xF0); it stops a running macro
  } kind = Kind::Ignored;
  uint8_t event = 0;     // byte 1 as received
  uint8_t wireCode = 0;  // event - 0xF0 for a button event, else 0
  bool released = false; // byte 2 is 0x80; any other value is a press
  uint8_t data = 0;      // byte 2; for a DPI-function button's press, the new active level
};

// Decodes one input report as read (report id in data[0]). A report whose id
// is not 6, or that is shorter than three bytes, is Ignored: without byte 2 a
// release could not be told from a press, and a release must never start a
// button's action. All fields of an Ignored event keep their defaults.
InputEvent DecodeInputReport(const uint8_t* data, size_t length);

}  // namespace orv::device
