#pragma once
// A stand-in for the mouse behind the same interface as the hidraw backend.
// It shows the two vendor collections (ids 0x18F8/0x1086, report lengths 8)
// and runs in one of two modes.
//
// In a folder, for end-to-end runs and for trying the program without the
// hardware (ORV_SIMULATED_MOUSE=<folder>):
// - the mouse is present when the folder exists; its collections have paths
//   inside the folder;
// - every feature report is appended at once to <folder>/feature.log as one
//   line of upper-case hex bytes ("07 10 01 01 00 00 00 00");
// - the FIFO <folder>/input (made when missing) is read for the whole run: a
//   line of hex bytes is one input report (missing trailing bytes are 0), the
//   words "unplug" and "plug" announce a removal or arrival of both paths.
// Host-side effects go to <folder>/host.log; see settings/host_settings.h and
// platform/launch.h.
//
// In memory, for the tests: the mouse starts plugged in; the feature reports
// it takes are kept (Features()), input reports come from Deliver(), and what
// the host asked of it is kept in order (Requests()). SetListing, SetOpenStatus
// and SetRefusing give it other listings, opens that fail and a mouse that
// takes no report.
//
// In both modes, unplugging ends every open collection's sends for good, as
// the kernel does for a node of a device that is gone; a plugged-in mouse
// has to be opened again.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "device/event_fd.h"
#include "device/hid_transport.h"

namespace orv::device {

inline constexpr size_t kSimulatedReportLength = 8;
inline constexpr const char* kSimulatedInputPath = "ff00-input";
inline constexpr const char* kSimulatedFeaturePath = "ff01-feature";
inline constexpr const char* kFeatureLogName = "feature.log";
inline constexpr const char* kInputFifoName = "input";
inline constexpr const char* kHostLogName = "host.log";

// One line of the input FIFO.
struct SimulatedLine {
  enum class Kind : uint8_t { Invalid, Report, Plug, Unplug } kind = Kind::Invalid;
  std::vector<uint8_t> report;  // 8 bytes for a Report
};
// Reads one line (without its line end): up to eight hex bytes of one or two
// digits separated by blanks, or "plug" / "unplug". Anything else is Invalid.
SimulatedLine ParseSimulatedLine(std::string_view line);

class SimulatedMouse final : public HidBackend {
 public:
  // In memory.
  SimulatedMouse();
  // In a folder.
  explicit SimulatedMouse(std::filesystem::path folder);
  ~SimulatedMouse() override;
  SimulatedMouse(const SimulatedMouse&) = delete;
  SimulatedMouse& operator=(const SimulatedMouse&) = delete;

  std::vector<HidInterfaceInfo> ListInterfaces() override;
  // Any path of the listing opens, in either direction, while the mouse is
  // plugged in (unless SetOpenStatus says otherwise).
  std::shared_ptr<InputReportSource> OpenRead(const std::string& path, OpenStatus& status) override;
  std::shared_ptr<HidWriter> OpenWrite(const std::string& path, OpenStatus& status) override;
  DeviceEventSource* Events() override;

  const std::filesystem::path& folder() const { return folder_; }
  std::string InputPath() const;
  std::string FeaturePath() const;
  // Whether the FIFO is being read (false in memory, and when the folder was
  // missing at start).
  bool Listening() const { return fifoFd_ >= 0; }

  // What the FIFO thread does with one line.
  void HandleLine(std::string_view line);
  // One input report to every open read collection, while plugged in.
  void Deliver(std::vector<uint8_t> report);
  // Plugs the mouse in or out; either way the arrival or removal of both
  // paths is announced, as the system announces each interface of a device.
  void SetPlugged(bool plugged);

  // What ListInterfaces shows while plugged in, instead of the two vendor
  // collections: other devices around the mouse, other layouts of its nodes.
  void SetListing(std::vector<HidInterfaceInfo> listing);
  // How opening `path` for reading and for writing ends from now on.
  void SetOpenStatus(const std::string& path, OpenStatus read, OpenStatus write);
  // While set, every feature report is refused (and not kept or logged).
  void SetRefusing(bool refusing);
  // In memory: the feature reports taken, in order, whole.
  std::vector<std::vector<uint8_t>> Features() const;
  // In memory: the host's requests in order: "events", "list", "read <path>",
  // "write <path>" (also when the open failed), "interrupt <path>".
  std::vector<std::string> Requests() const;

  struct State;  // shared with the open collections

 private:
  void ReadFifo();
  bool Present() const;
  std::vector<HidInterfaceInfo> VendorCollections() const;

  std::filesystem::path folder_;
  std::shared_ptr<State> state_;
  PostedDeviceEvents events_;
  int fifoFd_ = -1;
  EventFd stop_;
  std::thread reader_;
};

}  // namespace orv::device
