#pragma once
// A stand-in for the mouse that lives in a folder, for end-to-end runs and for
// trying the program without the hardware (ORV_SIMULATED_MOUSE=<folder>):
// - the mouse is present when the folder exists; it shows the two vendor
//   collections on two paths inside the folder (ids 0x18F8/0x1086, report
//   lengths 8);
// - every feature report is appended at once to <folder>/feature.log as one
//   line of upper-case hex bytes ("07 10 01 01 00 00 00 00");
// - the FIFO <folder>/input (made when missing) is read for the whole run: a
//   line of hex bytes is one input report (missing trailing bytes are 0), the
//   words "unplug" and "plug" announce a removal or arrival of both paths.
// Host-side effects go to <folder>/host.log; see settings/host_settings.h and
// platform/launch.h.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

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
// The bytes as upper-case two-digit hex separated by single spaces.
std::string HexLine(const uint8_t* data, size_t length);

class SimulatedMouse final : public HidBackend {
 public:
  explicit SimulatedMouse(std::filesystem::path folder);
  ~SimulatedMouse() override;
  SimulatedMouse(const SimulatedMouse&) = delete;
  SimulatedMouse& operator=(const SimulatedMouse&) = delete;

  std::vector<HidInterfaceInfo> ListInterfaces() override;
  std::shared_ptr<InputCollection> OpenRead(const std::string& path, OpenStatus& status) override;
  std::shared_ptr<HidWriter> OpenWrite(const std::string& path, OpenStatus& status) override;
  DeviceEventSource* Events() override;

  const std::filesystem::path& folder() const { return folder_; }
  std::string InputPath() const;
  std::string FeaturePath() const;
  // Whether the FIFO is being read (false when the folder was missing at start).
  bool Listening() const { return fifoFd_ >= 0; }

  // What the FIFO thread does with one line; public so tests can feed lines
  // without the FIFO.
  void HandleLine(std::string_view line);

  struct State;  // shared with the open collections

 private:
  void ReadFifo();

  std::filesystem::path folder_;
  std::shared_ptr<State> state_;
  std::unique_ptr<DeviceEventSource> events_;
  int fifoFd_ = -1;
  int stopFd_ = -1;
  std::thread reader_;
};

}  // namespace orv::device
