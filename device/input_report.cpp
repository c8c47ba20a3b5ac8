#include "device/input_report.h"

#include "device/ktr580.h"

namespace orv::device {

InputEvent DecodeInputReport(const uint8_t* data, size_t length) {
  InputEvent e;
  if (data == nullptr || length < 3 || data[0] != INPUT_REPORT_ID) return e;
  e.event = data[1];
  e.data = data[2];
  e.released = data[2] == kButtonReleased;
  if (data[1] > kButtonEventBase) {
    e.kind = InputEvent::Kind::Button;
    e.wireCode = static_cast<uint8_t>(data[1] - kButtonEventBase);
  } else {
    e.kind = InputEvent::Kind::Other;
  }
  return e;
}

}  // namespace orv::device
