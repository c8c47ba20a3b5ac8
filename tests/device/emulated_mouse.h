#pragma once
// The KTR-580 as the kernel shows it, built in an emulated sysfs and /dev
// (umockdev): a USB device 18F8:1086 whose interfaces carry a boot mouse and
// the two vendor collections, each interface with its hid device and hidraw
// node, plus an unrelated keyboard of another vendor. The program under test
// must run under umockdev's preload library (umockdev-wrapper), which sends
// its libudev, open, ioctl and read calls into this tree.
//
// The emulation answers a node either through ioctl handlers or as a stream
// the program can poll and read, never both (the preload does not route
// poll), so:
// - the write collection's node answers HIDIOCGRDESCSIZE, HIDIOCGRDESC,
//   HIDIOCGRAWINFO, HIDIOCGRAWNAME and records every HIDIOCSFEATURE; it can be
//   told to fail them with an errno;
// - the read collection's node is a stream: QueueInput puts whole input
//   reports on it, which a blocking or polled read takes one at a time.
// With Layout::Combined both vendor collections sit in one descriptor on one
// ioctl node, as on devices that put them on one interface.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/report_text.h"

namespace orv::test {

struct EmulatedMouseState;

class EmulatedMouse {
 public:
  // Split: each vendor collection on an interface of its own.
  // Combined: both in one descriptor on one node.
  // CombinedNodeOnly: as Combined, but sysfs shows no report_descriptor, so the
  // descriptor can only be read through the node's ioctls; it is padded to the
  // largest size the kernel accepts from a device (HID_MAX_DESCRIPTOR_SIZE).
  enum class Layout : uint8_t { Split, Combined, CombinedNodeOnly };

  // Report lengths as the descriptors give them, report id byte included.
  static constexpr uint16_t kInputReportLength = 8;
  static constexpr uint16_t kFeatureReportLength = 8;

  explicit EmulatedMouse(Layout layout = Layout::Split);
  ~EmulatedMouse();
  EmulatedMouse(const EmulatedMouse&) = delete;
  EmulatedMouse& operator=(const EmulatedMouse&) = delete;

  // False (with a reason) when the testbed could not be built, for example
  // because the program does not run under the preload.
  bool Ready(std::string* why = nullptr) const;
  std::string RootDir() const;

  // /dev paths of the nodes.
  std::string BootNode() const { return "/dev/hidraw0"; }
  std::string ReadNode() const;
  std::string WriteNode() const;
  std::string KeyboardNode() const { return "/dev/hidraw3"; }

  // Every HIDIOCSFEATURE the write node was given (report id in byte 0), also
  // those it failed.
  std::vector<std::vector<uint8_t>> Features() const;
  size_t FeatureCount() const;
  // From now on, HIDIOCSFEATURE number n and later (counting from 0 over the
  // node's life) fail with `error`; 0 lets them succeed again.
  void FailFeaturesFrom(size_t n, int error);
  // How often the write node has been opened. The emulation learns of an open
  // on its own thread, a little after open() returned, so this waits (up to a
  // generous guard against a hang) until at least `n` opens were seen.
  int WriteOpensAtLeast(int n) const;

  // Puts one input report on the read node (Split layout).
  bool QueueInput(const std::vector<uint8_t>& report);

  // Unplugs the read node's far end: the node hangs up, as a hidraw node of a
  // removed device does (its reads fail, poll reports a hang-up).
  void HangUpReadNode();

  // Sends a uevent ("add", "remove") for a node's hidraw device.
  void Uevent(const std::string& node, const char* action);

  // Lets an unprivileged user reach the testbed's tree and sockets while the
  // mouse's own nodes stay root's (mode 0600), as without the udev rule.
  void RestrictNodesToRoot();

 private:
  std::shared_ptr<EmulatedMouseState> state_;
};

// "06 F1 01 00 00 00 00 00", as the simulated mouse's feature log has it.
inline std::string HexLine(const std::vector<uint8_t>& bytes) { return device::HexBytes(bytes.data(), bytes.size()); }

}  // namespace orv::test
