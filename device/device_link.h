#pragma once
// Finding the mouse among the HID interfaces present, keeping its two vendor
// collections open, and deciding what an arrival or removal means. The window
// thread runs discovery and the device-change decisions; the input-report
// listener reads through the link from its own thread.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "device/hid_transport.h"
#include "device/ktr580.h"
#include "device/report_protocol.h"
#include "platform/shared_value.h"

namespace orv::device {

// Discovery looks at this many entries of the listing, no more.
inline constexpr size_t kMemberIndexesTried = 100;
inline constexpr const char* kModelName = "KTR-580";
// The udev rule that lets the logged-in user open the mouse, as shipped in the
// program's folder (udev/) and installed into /etc/udev/rules.d/.
inline constexpr const char* kUdevRuleFile = "70-orv-ziduzu.rules";
// Names the folder of the simulated mouse; when set, no hardware is used.
inline constexpr const char* kSimulatedMouseVariable = "ORV_SIMULATED_MOUSE";

class DeviceLink final : public InputReportSource {
 public:
  // The write collection, once found, is installed into `channel`, which is
  // how every feature report reaches the mouse.
  DeviceLink(HidBackend& backend, ReportChannel& channel);
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // Looks at the first 100 entries of the listing. Every entry with the
  // mouse's vendor and product id makes the mouse connected and becomes
  // devicePath; its 0xFF00/1 collection is opened for reading, its 0xFF01/1
  // collection for writing, and the search ends once both were opened.
  // A handle that was never found keeps its earlier state. Returns
  // deviceConnected.
  bool FindMouse();
  // True when the event is about devicePath, letters A ... Z compared without
  // regard to case.
  bool IsOurInterfaceEvent(const DeviceEvent& event) const;

  bool DeviceConnected() const { return deviceConnected_.load(); }
  void SetDeviceConnected(bool connected) { deviceConnected_.store(connected); }
  std::string DevicePath() const;
  HandleState ReadState() const;
  HandleState WriteState() const;
  HidCapabilities ReadCapabilities() const;
  HidCapabilities WriteCapabilities() const;
  // The last FindMouse saw the mouse but was refused an open of one of its
  // vendor collections for lack of permission.
  bool AccessDenied() const;

  // Listener side. Reads one report of InputReportByteLength bytes (at most
  // `capacity`) from the read collection. While no read collection is open
  // it waits until discovery opens one rather than failing in a loop.
  int ReadReport(uint8_t* data, size_t capacity) override;
  void Interrupt() override;

 private:
  HidBackend& backend_;
  ReportChannel& channel_;
  Shared<bool> deviceConnected_{false};

  mutable std::mutex mutex_;
  std::condition_variable readerChanged_;
  std::string devicePath_;
  HandleState readState_ = HandleState::NeverOpened;
  HandleState writeState_ = HandleState::NeverOpened;
  std::shared_ptr<InputReportSource> reader_;
  HidCapabilities readCaps_;
  HidCapabilities writeCaps_;
  bool accessDenied_ = false;
  bool interrupted_ = false;
};

// What an arrival or removal asks of the program.
enum class DeviceChange : uint8_t {
  Nothing,
  Rescan,      // our interface arrived while not connected: run FindMouse
  EndProgram,  // our interface left: remove the tray icon and close the window, no host-exit report
};

DeviceChange DecideDeviceChange(const DeviceLink& link, const DeviceEvent& event);
// Decides, then does the link's part (Rescan: FindMouse; EndProgram: not
// connected any more) and returns the decision for the window to finish.
DeviceChange HandleDeviceChange(DeviceLink& link, const DeviceEvent& event);

enum class StartupOutcome : uint8_t {
  Ready,          // go on: wait 5 ms and apply the current profile
  Absent,         // no interface of the mouse is listed: ask for it, then end the program
  NotAccessible,  // the mouse is there but this user may not open it: say so, then end the program
};
// Runs discovery at start-up and tells the three cases apart.
StartupOutcome ConnectAtStartup(DeviceLink& link);

// The folder named by ORV_SIMULATED_MOUSE, when it is set and not empty.
std::optional<std::filesystem::path> SimulatedMouseFolder();
// The simulated mouse when ORV_SIMULATED_MOUSE is set, otherwise hidraw.
std::unique_ptr<HidBackend> MakeHidBackend();

}  // namespace orv::device
