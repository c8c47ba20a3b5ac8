// Feeds arbitrary bytes to the input-report decoder: it must never read past
// the report, and every decoded event must agree with the bytes it came from.
#include <cstddef>
#include <cstdint>

#include "device/input_report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using Kind = orv::device::InputEvent::Kind;
  const orv::device::InputEvent e = orv::device::DecodeInputReport(data, size);
  if (e.kind == Kind::Ignored) {
    if (e.event != 0 || e.wireCode != 0 || e.released || e.data != 0) __builtin_trap();
    if (size >= 3 && data[0] == 6) __builtin_trap();  // a whole report of ours was dropped
    return 0;
  }
  if (size < 3 || data[0] != 6 || e.event != data[1] || e.data != data[2]) __builtin_trap();
  if (e.released != (data[2] == 0x80)) __builtin_trap();
  if (e.kind == Kind::Button) {
    if (e.event <= 0xF0 || e.wireCode < 1 || e.wireCode > 15 || e.wireCode != e.event - 0xF0) __builtin_trap();
  } else {
    if (e.event > 0xF0 || e.wireCode != 0) __builtin_trap();
  }
  return 0;
}
