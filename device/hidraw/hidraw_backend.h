#pragma once
// HID access through the kernel's hidraw interface. libudev lists the hidraw
// nodes with their parent HID device's ids; the report descriptor (from sysfs,
// or from the node itself) names the node's top-level collections and their
// report lengths. One node carries all top-level collections of one USB
// interface, so the listing shows its path once per collection. Arrivals and
// removals come from a udev monitor (events arrive after udev has applied the
// node's permissions).
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/event_fd.h"
#include "device/hid_transport.h"

namespace orv::device {

// Reads "bus:vendor:product" as udev's HID_ID property gives it, in hex
// ("0003:000018F8:00001086"). False for anything else.
bool ParseHidId(const char* text, uint16_t& bus, uint16_t& vendor, uint16_t& product);

// One open hidraw node read with a blocking read() that Interrupt() can end.
// Once the node hangs up (the device is gone) every later read waits for
// Interrupt() instead of failing at once, so a reading loop does not spin.
class HidrawReader final : public InputReportSource {
 public:
  // Takes ownership of fd. `numbered`: the device puts a report id before
  // every report. Without ids a 0 byte is put in front, so byte 0 is always
  // the report id. `onGone` is called once, on the reading thread, when the
  // node hangs up.
  HidrawReader(int fd, bool numbered, std::string path = {}, std::function<void(const std::string&)> onGone = {});
  ~HidrawReader() override;
  HidrawReader(const HidrawReader&) = delete;
  HidrawReader& operator=(const HidrawReader&) = delete;

  int ReadReport(uint8_t* data, size_t length) override;
  void Interrupt() override;

 private:
  int HungUp();

  int fd_;
  EventFd interrupted_;
  bool numbered_;
  std::string path_;
  std::function<void(const std::string&)> onGone_;
  bool gone_ = false;  // touched only by the reading thread
};

// Sends feature reports to one open hidraw node (HIDIOCSFEATURE).
class HidrawWriter final : public HidWriter {
 public:
  explicit HidrawWriter(int fd);  // takes ownership
  ~HidrawWriter() override;
  HidrawWriter(const HidrawWriter&) = delete;
  HidrawWriter& operator=(const HidrawWriter&) = delete;
  bool SetFeature(const uint8_t* data, size_t length) override;

 private:
  int fd_;
};

class HidrawBackend final : public HidBackend {
 public:
  HidrawBackend();
  ~HidrawBackend() override;
  std::vector<HidInterfaceInfo> ListInterfaces() override;
  std::shared_ptr<InputReportSource> OpenRead(const std::string& path, OpenStatus& status) override;
  std::shared_ptr<HidWriter> OpenWrite(const std::string& path, OpenStatus& status) override;
  // The udev monitor; when it cannot be created, a source that reports the
  // removal of a node whose read collection hung up.
  DeviceEventSource* Events() override;

 private:
  void NoteHangUp(const std::string& path);

  std::mutex mutex_;
  std::unique_ptr<DeviceEventSource> monitor_;
  // Removals noticed from a read collection's hang-up, when udev cannot be watched.
  std::shared_ptr<PostedDeviceEvents> hangUps_;
  bool monitorTried_ = false;
};

}  // namespace orv::device
