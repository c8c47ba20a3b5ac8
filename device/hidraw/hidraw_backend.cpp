#include "device/hidraw/hidraw_backend.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/log.h"
#include "platform/whole_number.h"

namespace orv::device {
namespace {

struct UdevDeleter {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
  void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

constexpr size_t kMaxDescriptorSize = HID_MAX_DESCRIPTOR_SIZE;

// The descriptor as the kernel parsed it; sysfs lets anyone read it, so the
// listing works even for nodes this user may not open.
std::vector<uint8_t> DescriptorFromSysfs(const char* hidSyspath) {
  std::ifstream in(std::string(hidSyspath) + "/report_descriptor", std::ios::binary);
  if (!in) return {};
  std::vector<uint8_t> bytes;
  char c;
  while (bytes.size() < kMaxDescriptorSize && in.get(c)) bytes.push_back(static_cast<uint8_t>(c));
  return bytes;
}

std::vector<uint8_t> DescriptorFromNode(int fd) {
  int size = 0;
  if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0) return {};
  hidraw_report_descriptor desc{};
  // hidraw refuses to copy more than HID_MAX_DESCRIPTOR_SIZE - 1 bytes, although
  // a device's descriptor may be one byte longer: asking for all of such a
  // descriptor would get nothing, asking one byte less gets all but its last.
  desc.size = static_cast<uint32_t>(std::min<size_t>(static_cast<size_t>(size), kMaxDescriptorSize - 1));
  if (::ioctl(fd, HIDIOCGRDESC, &desc) < 0) return {};
  return std::vector<uint8_t>(desc.value, desc.value + desc.size);
}

std::vector<uint8_t> DescriptorFromNodePath(const char* devnode) {
  const int fd = ::open(devnode, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {};
  std::vector<uint8_t> bytes = DescriptorFromNode(fd);
  ::close(fd);
  return bytes;
}

OpenStatus StatusFromErrno(int error) {
  return error == EACCES || error == EPERM ? OpenStatus::PermissionDenied : OpenStatus::Failed;
}

class UdevMonitor final : public DeviceEventSource {
 public:
  static std::unique_ptr<UdevMonitor> Create() {
    UdevPtr<udev> context(udev_new());
    if (!context) return nullptr;
    // The "udev" source: events come after udev has set the node's permissions.
    UdevPtr<udev_monitor> monitor(udev_monitor_new_from_netlink(context.get(), "udev"));
    if (!monitor) return nullptr;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0) {
      return nullptr;
    }
    const int fd = udev_monitor_get_fd(monitor.get());
    if (fd < 0) return nullptr;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return std::unique_ptr<UdevMonitor>(new UdevMonitor(std::move(context), std::move(monitor), fd));
  }

  int fd() const override { return fd_; }

  std::vector<DeviceEvent> DrainEvents() override {
    std::vector<DeviceEvent> events;
    while (UdevPtr<udev_device> device{udev_monitor_receive_device(monitor_.get())}) {
      DeviceEvent e;
      const char* action = udev_device_get_action(device.get());
      const char* node = udev_device_get_devnode(device.get());
      if (action != nullptr && std::strcmp(action, "add") == 0) e.kind = DeviceEvent::Kind::Arrival;
      if (action != nullptr && std::strcmp(action, "remove") == 0) e.kind = DeviceEvent::Kind::Removal;
      if (node != nullptr) e.path = node;
      events.push_back(std::move(e));
    }
    return events;
  }

 private:
  UdevMonitor(UdevPtr<udev> context, UdevPtr<udev_monitor> monitor, int fd)
      : context_(std::move(context)), monitor_(std::move(monitor)), fd_(fd) {}
  UdevPtr<udev> context_;
  UdevPtr<udev_monitor> monitor_;
  int fd_;
};

}  // namespace

bool ParseHidId(const char* text, uint16_t& bus, uint16_t& vendor, uint16_t& product) {
  if (text == nullptr) return false;
  // "BBBB:VVVVVVVV:PPPPPPPP", three hexadecimal fields that each fit 16 bits.
  const std::string_view id(text);
  const size_t first = id.find(':');
  const size_t second = first == std::string_view::npos ? first : id.find(':', first + 1);
  if (second == std::string_view::npos) return false;
  const auto b = ParseDigits<uint32_t>(id.substr(0, first), 16);
  const auto v = ParseDigits<uint32_t>(id.substr(first + 1, second - first - 1), 16);
  const auto p = ParseDigits<uint32_t>(id.substr(second + 1), 16);
  if (!b || !v || !p || *b > 0xFFFF || *v > 0xFFFF || *p > 0xFFFF) return false;
  bus = static_cast<uint16_t>(*b);
  vendor = static_cast<uint16_t>(*v);
  product = static_cast<uint16_t>(*p);
  return true;
}

HidrawReader::HidrawReader(int fd, bool numbered, std::string path, std::function<void(const std::string&)> onGone)
    : fd_(fd),
      numbered_(numbered),
      path_(std::move(path)),
      onGone_(std::move(onGone)) {}

HidrawReader::~HidrawReader() {
  if (fd_ >= 0) ::close(fd_);
}

// Says once that the device is gone; later reads wait for the reader to be
// replaced or interrupted.
int HidrawReader::HungUp() {
  gone_ = true;
  log::Warning(log::kDevice, "the read collection " + path_ + " hung up");
  if (onGone_) onGone_(path_);
  return -1;
}

int HidrawReader::ReadReport(uint8_t* data, size_t length) {
  if (data == nullptr || length == 0 || fd_ < 0 || interrupted_.fd() < 0) return -1;
  if (gone_) {
    interrupted_.WaitForSignal();
    return -1;
  }
  pollfd fds[2] = {{fd_, POLLIN, 0}, {interrupted_.fd(), POLLIN, 0}};
  for (;;) {
    const int ready = ::poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || fds[1].revents != 0) return -1;
    if ((fds[0].revents & POLLIN) == 0) return HungUp();  // error or hang-up: the device is gone
    break;
  }
  ssize_t n;
  if (numbered_) {
    n = ::read(fd_, data, length);
  } else {
    data[0] = 0;
    n = ::read(fd_, data + 1, length - 1);
    if (n > 0) ++n;
  }
  if (n < 0) {
    log::Warning(log::kDevice, "reading " + path_ + " failed: " + std::strerror(errno));
    return -1;
  }
  // A report is never empty: a node that is readable but gives nothing has
  // reached its end, which is a hang-up too.
  if (n == 0) return HungUp();
  return static_cast<int>(n);
}

void HidrawReader::Interrupt() { interrupted_.Signal(); }

HidrawWriter::HidrawWriter(int fd) : fd_(fd) {}

HidrawWriter::~HidrawWriter() {
  if (fd_ >= 0) ::close(fd_);
}

bool HidrawWriter::SetFeature(const uint8_t* data, size_t length) {
  if (fd_ < 0 || data == nullptr || length == 0) return false;
  // The ioctl wants a writable buffer; the report is copied so the caller's stays as it is.
  std::vector<uint8_t> report(data, data + length);
  return ::ioctl(fd_, HIDIOCSFEATURE(length), report.data()) >= 0;
}

HidrawBackend::HidrawBackend() = default;
HidrawBackend::~HidrawBackend() = default;

std::vector<HidInterfaceInfo> HidrawBackend::ListInterfaces() {
  std::vector<HidInterfaceInfo> listing;
  UdevPtr<udev> context(udev_new());
  if (!context) return listing;
  UdevPtr<udev_enumerate> enumerate(udev_enumerate_new(context.get()));
  if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
      udev_enumerate_scan_devices(enumerate.get()) < 0) {
    return listing;
  }
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
    UdevPtr<udev_device> node(udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
    if (!node) continue;
    const char* devnode = udev_device_get_devnode(node.get());
    if (devnode == nullptr) continue;  // nothing to open

    HidInterfaceInfo base;
    base.path = devnode;
    // The parent is owned by the node; it is not released separately.
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(node.get(), "hid", nullptr);
    uint16_t bus = 0;
    base.attributesKnown =
        hid != nullptr && ParseHidId(udev_device_get_property_value(hid, "HID_ID"), bus, base.vendorId, base.productId);

    std::vector<uint8_t> descriptor;
    if (hid != nullptr) descriptor = DescriptorFromSysfs(udev_device_get_syspath(hid));
    if (descriptor.empty()) descriptor = DescriptorFromNodePath(devnode);
    const ReportDescriptorInfo info = ParseReportDescriptor(descriptor.data(), descriptor.size());
    if (info.collections.empty()) {
      // Seen, but nothing known about its collections: it still shows that the
      // device is there.
      listing.push_back(base);
      continue;
    }
    for (const HidCapabilities& caps : info.collections) {
      HidInterfaceInfo item = base;
      item.caps = caps;
      listing.push_back(std::move(item));
    }
  }
  return listing;
}

std::shared_ptr<InputReportSource> HidrawBackend::OpenRead(const std::string& path, OpenStatus& status) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    status = StatusFromErrno(error);
    log::Warning(log::kDevice, "cannot open " + path + " for reading: " + std::strerror(error));
    return nullptr;
  }
  // Whether reports carry an id decides where byte 0 comes from. A node whose
  // descriptor cannot be read is taken to number its reports, as this mouse does.
  const std::vector<uint8_t> descriptor = DescriptorFromNode(fd);
  const bool numbered = descriptor.empty() || ParseReportDescriptor(descriptor.data(), descriptor.size()).usesReportIds;
  status = OpenStatus::Ok;
  return std::make_shared<HidrawReader>(fd, numbered, path, [this](const std::string& gone) { NoteHangUp(gone); });
}

std::shared_ptr<HidWriter> HidrawBackend::OpenWrite(const std::string& path, OpenStatus& status) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    status = StatusFromErrno(error);
    log::Warning(log::kDevice, "cannot open " + path + " for writing: " + std::strerror(error));
    return nullptr;
  }
  status = OpenStatus::Ok;
  return std::make_shared<HidrawWriter>(fd);
}

void HidrawBackend::NoteHangUp(const std::string& path) {
  std::shared_ptr<PostedDeviceEvents> target;
  {
    std::lock_guard lock(mutex_);
    if (monitor_) return;  // udev tells of the removal itself
    target = hangUps_;
  }
  if (target) target->Post({DeviceEvent::Kind::Removal, path});
}

DeviceEventSource* HidrawBackend::Events() {
  std::lock_guard lock(mutex_);
  if (!monitorTried_) {
    monitorTried_ = true;
    monitor_ = UdevMonitor::Create();
    if (!monitor_) {
      log::Warning(log::kDevice,
                   "cannot watch udev for the mouse's removal; noticing it from its read collection instead");
      hangUps_ = std::make_shared<PostedDeviceEvents>();
    }
  }
  if (monitor_) return monitor_.get();
  return hangUps_.get();
}

}  // namespace orv::device
