#pragma once
// Where the input-report listener takes the mouse's reports from.
#include <cstddef>
#include <cstdint>

namespace orv::device {

class InputReportSource {
 public:
  virtual ~InputReportSource() = default;
  // Blocks until one input report arrives and copies at most `capacity` bytes
  // of it, report id first. Returns the bytes copied, or -1 for a failed read
  // or once Interrupt() was called.
  virtual int ReadReport(uint8_t* data, size_t capacity) = 0;
  // Ends a blocked ReadReport and every later one: the listener is stopping.
  virtual void Interrupt() = 0;
};

}  // namespace orv::device
