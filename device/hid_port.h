#pragma once
// The narrow view of the mouse's two vendor collections that the report
// protocol needs: one collection takes feature reports, the other delivers
// input reports. The hidraw backend and the simulated mouse implement these.
#include <cstddef>
#include <cstdint>

namespace orv::device {

// State of a collection's handle: never opened, open attempted and failed, open.
// Sends to a never-opened collection are still attempted (and fail); only a
// failed open makes some senders skip their report altogether.
enum class HandleState : uint8_t { NeverOpened, Invalid, Open };

class HidWriter {
 public:
  virtual ~HidWriter() = default;
  // Sends one feature report, report id in data[0]. True when the device took it.
  virtual bool SetFeature(const uint8_t* data, size_t length) = 0;
};

class HidReader {
 public:
  virtual ~HidReader() = default;
  // Blocks until an input report arrives; returns the bytes read, or -1.
  virtual int ReadInput(uint8_t* data, size_t length) = 0;
};

}  // namespace orv::device
