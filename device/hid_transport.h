#pragma once
// How the program reaches HID devices: the listing of the interfaces present
// (one entry per top-level collection), collections opened by path for
// reading input reports or for sending feature reports, and arrivals and
// removals by path. The backends live in folders of their own: hidraw/ (the
// kernel's hidraw nodes, through libudev) and simulated/ (the simulated
// mouse, in a folder or in memory).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/report_descriptor.h"

namespace orv::device {

// State of a collection's handle: never opened, open attempted and failed, open.
// Sends to a never-opened collection are still attempted (and fail); only a
// failed open makes some senders skip their report altogether.
enum class HandleState : uint8_t { NeverOpened, Invalid, Open };

// A collection opened for sending feature reports.
class HidWriter {
 public:
  virtual ~HidWriter() = default;
  // Sends one feature report, report id in data[0]. True when the device took it.
  virtual bool SetFeature(const uint8_t* data, size_t length) = 0;
};

// A collection opened for reading input reports, whose blocked read can be
// ended from another thread.
class InputReportSource {
 public:
  virtual ~InputReportSource() = default;
  // Blocks until one input report arrives and copies at most `capacity` bytes
  // of it, report id first. Returns the bytes copied, or -1 for a failed read
  // or once Interrupt() was called.
  virtual int ReadReport(uint8_t* data, size_t capacity) = 0;
  // Ends a blocked ReadReport at once, and every later one as well.
  virtual void Interrupt() = 0;
};

struct HidInterfaceInfo {
  std::string path;
  // False when the interface's vendor and product id could not be read; such
  // an entry takes its place in the listing but never matches anything.
  bool attributesKnown = true;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  HidCapabilities caps;  // of this entry's top-level collection
};

enum class OpenStatus : uint8_t { Ok, PermissionDenied, Failed };

struct DeviceEvent {
  enum class Kind : uint8_t { Arrival, Removal, Other } kind = Kind::Other;
  std::string path;
  bool operator==(const DeviceEvent&) const = default;
};

// Arrivals and removals, delivered through a file descriptor that turns
// readable when events wait, so a window's event loop can watch it.
class DeviceEventSource {
 public:
  virtual ~DeviceEventSource() = default;
  virtual int fd() const = 0;
  // Takes every event waiting now, oldest first; never blocks.
  virtual std::vector<DeviceEvent> DrainEvents() = 0;
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;
  virtual std::vector<HidInterfaceInfo> ListInterfaces() = 0;
  // A null result comes with a status other than Ok.
  virtual std::shared_ptr<InputReportSource> OpenRead(const std::string& path, OpenStatus& status) = 0;
  virtual std::shared_ptr<HidWriter> OpenWrite(const std::string& path, OpenStatus& status) = 0;
  // The backend's arrival and removal notifications; null when it has none.
  // Owned by the backend; the same source on every call.
  virtual DeviceEventSource* Events() = 0;
};

}  // namespace orv::device
