#include "device/device_link.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "device/hidraw/hidraw_backend.h"
#include "device/simulated/simulated_mouse.h"

namespace orv::device {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool Is(const HidCapabilities& caps, uint16_t usagePage) {
  return caps.UsagePage == usagePage && caps.Usage == kVendorUsage;
}

HandleState StateFor(OpenStatus status) { return status == OpenStatus::Ok ? HandleState::Open : HandleState::Invalid; }

}  // namespace

DeviceLink::DeviceLink(HidBackend& backend, ReportChannel& channel) : backend_(backend), channel_(channel) {}

bool DeviceLink::FindMouse() {
  const std::vector<HidInterfaceInfo> listing = backend_.ListInterfaces();
  deviceConnected_.store(false);
  bool connected = false;
  bool denied = false;
  // Both collections opened by this search. Handles left from an earlier
  // search do not count: after the mouse came back they belong to the old
  // device, so a new search opens both again.
  bool readOpened = false;
  bool writeOpened = false;

  const size_t tried = std::min(listing.size(), kMemberIndexesTried);
  for (size_t index = 0; index < tried; ++index) {
    const HidInterfaceInfo& entry = listing[index];
    if (!entry.attributesKnown || entry.vendorId != kMouseVendorId || entry.productId != kMouseProductId) continue;
    connected = true;
    {
      std::lock_guard lock(mutex_);
      devicePath_ = entry.path;
    }
    if (Is(entry.caps, kInputUsagePage)) {
      OpenStatus status = OpenStatus::Failed;
      std::shared_ptr<InputReportSource> reader = backend_.OpenRead(entry.path, status);
      if (!reader && status == OpenStatus::Ok) status = OpenStatus::Failed;
      denied = denied || status == OpenStatus::PermissionDenied;
      std::shared_ptr<InputReportSource> old;
      {
        std::lock_guard lock(mutex_);
        readCaps_ = entry.caps;
        readState_ = StateFor(status);
        old = std::exchange(reader_, std::move(reader));
      }
      // A listener still blocked on the replaced collection moves to the new one.
      if (old) old->Interrupt();
      readerChanged_.notify_all();
      readOpened = true;
    }
    if (Is(entry.caps, kFeatureUsagePage)) {
      OpenStatus status = OpenStatus::Failed;
      std::shared_ptr<HidWriter> writer = backend_.OpenWrite(entry.path, status);
      if (!writer && status == OpenStatus::Ok) status = OpenStatus::Failed;
      denied = denied || status == OpenStatus::PermissionDenied;
      {
        std::lock_guard lock(mutex_);
        writeCaps_ = entry.caps;
        writeState_ = StateFor(status);
      }
      channel_.SetWriteCollection(StateFor(status), std::move(writer), entry.caps.FeatureReportByteLength);
      writeOpened = true;
    }
    if (readOpened && writeOpened) break;
  }

  {
    std::lock_guard lock(mutex_);
    accessDenied_ = denied;
  }
  deviceConnected_.store(connected);
  return connected;
}

bool DeviceLink::IsOurInterfaceEvent(const DeviceEvent& event) const {
  std::lock_guard lock(mutex_);
  return !event.path.empty() && EqualIgnoringAsciiCase(event.path, devicePath_);
}

std::string DeviceLink::DevicePath() const {
  std::lock_guard lock(mutex_);
  return devicePath_;
}

HandleState DeviceLink::ReadState() const {
  std::lock_guard lock(mutex_);
  return readState_;
}

HandleState DeviceLink::WriteState() const {
  std::lock_guard lock(mutex_);
  return writeState_;
}

HidCapabilities DeviceLink::ReadCapabilities() const {
  std::lock_guard lock(mutex_);
  return readCaps_;
}

HidCapabilities DeviceLink::WriteCapabilities() const {
  std::lock_guard lock(mutex_);
  return writeCaps_;
}

bool DeviceLink::AccessDenied() const {
  std::lock_guard lock(mutex_);
  return accessDenied_;
}

int DeviceLink::ReadReport(uint8_t* data, size_t capacity) {
  std::shared_ptr<InputReportSource> reader;
  size_t length = 0;
  {
    std::unique_lock lock(mutex_);
    // Without an open read collection (or with a zero report length) there is
    // nothing to read; sleeping here until discovery opens one costs nothing.
    readerChanged_.wait(lock, [&] {
      return interrupted_ || (readState_ == HandleState::Open && reader_ && readCaps_.InputReportByteLength > 0);
    });
    if (interrupted_) return -1;
    reader = reader_;
    length = std::min<size_t>(readCaps_.InputReportByteLength, capacity);
  }
  return reader->ReadReport(data, length);
}

void DeviceLink::Interrupt() {
  std::shared_ptr<InputReportSource> reader;
  {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
    reader = reader_;
  }
  if (reader) reader->Interrupt();
  readerChanged_.notify_all();
}

DeviceChange DecideDeviceChange(const DeviceLink& link, const DeviceEvent& event) {
  if (event.kind == DeviceEvent::Kind::Other || !link.IsOurInterfaceEvent(event)) return DeviceChange::Nothing;
  if (event.kind == DeviceEvent::Kind::Removal) return DeviceChange::EndProgram;
  return link.DeviceConnected() ? DeviceChange::Nothing : DeviceChange::Rescan;
}

DeviceChange HandleDeviceChange(DeviceLink& link, const DeviceEvent& event) {
  const DeviceChange change = DecideDeviceChange(link, event);
  if (change == DeviceChange::Rescan) link.FindMouse();
  if (change == DeviceChange::EndProgram) link.SetDeviceConnected(false);
  return change;
}

StartupOutcome ConnectAtStartup(DeviceLink& link) {
  if (!link.FindMouse()) return StartupOutcome::Absent;
  return link.AccessDenied() ? StartupOutcome::NotAccessible : StartupOutcome::Ready;
}

std::optional<std::filesystem::path> SimulatedMouseFolder() {
  const char* folder = std::getenv(kSimulatedMouseVariable);
  if (folder == nullptr || *folder == '\0') return std::nullopt;
  return std::filesystem::path(folder);
}

std::unique_ptr<HidBackend> MakeHidBackend() {
  if (auto folder = SimulatedMouseFolder()) return std::make_unique<SimulatedMouse>(*folder);
  return std::make_unique<HidrawBackend>();
}

}  // namespace orv::device
