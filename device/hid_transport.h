#pragma once
// The HID access layer discovery works through: it lists the HID interfaces
// present (one entry per top-level collection), opens them by path for reading
// input reports or for sending feature reports, and reports arrivals and
// removals by path. Implemented by the kernel's hidraw interface, by the
// simulated mouse, and by an in-memory fake in the tests.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/hid_port.h"
#include "device/report_descriptor.h"

namespace orv::device {

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

// An input collection opened for reading whose blocked read can be ended from
// another thread.
class InputCollection : public HidReader {
 public:
  // Makes a blocked ReadInput return -1 at once, and every later one as well.
  virtual void Cancel() = 0;
};

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
  virtual std::shared_ptr<InputCollection> OpenRead(const std::string& path, OpenStatus& status) = 0;
  virtual std::shared_ptr<HidWriter> OpenWrite(const std::string& path, OpenStatus& status) = 0;
  // The backend's arrival and removal notifications; null when it has none.
  // Owned by the backend; the same source on every call.
  virtual DeviceEventSource* Events() = 0;
};

}  // namespace orv::device
