#include "emulated_mouse.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

namespace orv::test {
namespace {

using Bytes = std::vector<uint8_t>;

// Report descriptors, item by item (prefix byte: tag, type and size).
// A vendor collection whose only report is input report 6 of 7 data bytes.
const Bytes kReadCollection = {
    0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x06,        //   Report ID (6)
    0x09, 0x01,        //   Usage (1)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x07,        //   Report Count (7)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0xC0,              // End Collection
};
// A vendor collection whose only report is feature report 7 of 7 data bytes.
const Bytes kWriteCollection = {
    0x06, 0x01, 0xFF,  // Usage Page (vendor 0xFF01)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x07,        //   Report ID (7)
    0x09, 0x02,        //   Usage (2)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x07,        //   Report Count (7)
    0xB1, 0x02,        //   Feature (Data, Variable, Absolute)
    0xC0,              // End Collection
};
// A three-button mouse with X and Y, without report ids.
const Bytes kBootMouse = {
    0x05, 0x01,        // Usage Page (Generic Desktop)
    0x09, 0x02,        // Usage (Mouse)
    0xA1, 0x01,        // Collection (Application)
    0x09, 0x01,        //   Usage (Pointer)
    0xA1, 0x00,        //   Collection (Physical)
    0x05, 0x09,        //     Usage Page (Button)
    0x19, 0x01,        //     Usage Minimum (1)
    0x29, 0x03,        //     Usage Maximum (3)
    0x15, 0x00,        //     Logical Minimum (0)
    0x25, 0x01,        //     Logical Maximum (1)
    0x75, 0x01,        //     Report Size (1)
    0x95, 0x03,        //     Report Count (3)
    0x81, 0x02,        //     Input (Data, Variable, Absolute)
    0x75, 0x05,        //     Report Size (5)
    0x95, 0x01,        //     Report Count (1)
    0x81, 0x03,        //     Input (Constant): padding
    0x05, 0x01,        //     Usage Page (Generic Desktop)
    0x09, 0x30,        //     Usage (X)
    0x09, 0x31,        //     Usage (Y)
    0x15, 0x81,        //     Logical Minimum (-127)
    0x25, 0x7F,        //     Logical Maximum (127)
    0x75, 0x08,        //     Report Size (8)
    0x95, 0x02,        //     Report Count (2)
    0x81, 0x06,        //     Input (Data, Variable, Relative)
    0xC0,              //   End Collection
    0xC0,              // End Collection
};
// A keyboard's modifier byte.
const Bytes kKeyboard = {
    0x05, 0x01,  // Usage Page (Generic Desktop)
    0x09, 0x06,  // Usage (Keyboard)
    0xA1, 0x01,  // Collection (Application)
    0x05, 0x07,  //   Usage Page (Keyboard)
    0x19, 0xE0,  //   Usage Minimum (Left Control)
    0x29, 0xE7,  //   Usage Maximum (Right GUI)
    0x15, 0x00,  //   Logical Minimum (0)
    0x25, 0x01,  //   Logical Maximum (1)
    0x75, 0x01,  //   Report Size (1)
    0x95, 0x08,  //   Report Count (8)
    0x81, 0x02,  //   Input (Data, Variable, Absolute)
    0xC0,        // End Collection
};

constexpr const char* kUsbDevice = "/devices/pci0000:00/0000:00:14.0/usb1/1-2";
constexpr const char* kMouseName = "KTR-580 GAMING MOUSE";

Bytes Concat(const Bytes& a, const Bytes& b) {
  Bytes out = a;
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

// One USB interface with its hid device and hidraw node, as a device record.
// `nodeContents` empty: the node is a stream; otherwise a file that an ioctl
// handler takes over.
std::string InterfaceRecord(const std::string& usb, int interface, const std::string& hidId, const std::string& hidDir,
                            const std::string& name, const Bytes& descriptor, int minor, bool streamNode,
                            bool descriptorInSysfs = true) {
  const std::string intf = usb + "/" + usb.substr(usb.rfind('/') + 1) + ":1." + std::to_string(interface);
  const std::string hid = intf + "/" + hidDir;
  const std::string node = "hidraw" + std::to_string(minor);
  std::string r;
  r += "P: " + hid + "/hidraw/" + node + "\n";
  r += streamNode ? "N: " + node + "\n" : "N: " + node + "=00\n";
  r += "E: DEVNAME=/dev/" + node + "\nE: SUBSYSTEM=hidraw\nE: MAJOR=240\nE: MINOR=" + std::to_string(minor) + "\n";
  r += "A: dev=240:" + std::to_string(minor) + "\n\n";
  r += "P: " + hid + "\nE: DRIVER=hid-generic\nE: SUBSYSTEM=hid\nE: HID_ID=" + hidId + "\nE: HID_NAME=" + name +
       "\nE: MODALIAS=hid:b0003g0001v" + hidId.substr(5, 8) + "p" + hidId.substr(14, 8) + "\n";
  if (descriptorInSysfs) r += "H: report_descriptor=" + device::HexBytes(descriptor.data(), descriptor.size(), "") + "\n";
  r += "\n";
  r += "P: " + intf + "\nE: DEVTYPE=usb_interface\nE: DRIVER=usbhid\nE: SUBSYSTEM=usb\nA: bInterfaceClass=03\n";
  r += "A: bInterfaceNumber=0" + std::to_string(interface) + "\n\n";
  return r;
}

std::string UsbDeviceRecord(const std::string& usb, const char* vendor, const char* product, const char* name) {
  return "P: " + usb + "\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: SUBSYSTEM=usb\nA: idVendor=" + vendor +
         "\nA: idProduct=" + product + "\nA: product=" + name + "\n\n";
}

}  // namespace

struct EmulatedMouseState {
  EmulatedMouse::Layout layout = EmulatedMouse::Layout::Split;
  UMockdevTestbed* testbed = nullptr;
  UMockdevIoctlBase* handler = nullptr;
  std::string error;
  std::string root;
  std::map<std::string, std::string> syspathOfNode;
  Bytes writeDescriptor;
  std::string readNode, writeNode;
  int readStream = -1;  // owned by the testbed

  mutable std::mutex mutex;  // the ioctl handler runs on the testbed's thread
  mutable std::condition_variable opened;
  std::vector<Bytes> features;
  size_t failFrom = 0;
  int failError = 0;
  int writeOpens = 0;

  ~EmulatedMouseState() {
    if (handler != nullptr) g_object_unref(handler);
    if (testbed != nullptr) g_object_unref(testbed);
  }
};

namespace {

void Complete(UMockdevIoctlClient* client, long result, int error) {
  umockdev_ioctl_client_complete(client, result, error);
}

// Answers the hidraw ioctls the way the kernel's hidraw driver does for a
// device that takes feature report 7 and has nothing to give back.
gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
  auto* s = static_cast<EmulatedMouseState*>(data);
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  const unsigned size = _IOC_SIZE(request);
  GError* error = nullptr;
  auto resolve = [&](size_t length) -> UMockdevIoctlData* {
    UMockdevIoctlData* resolved = umockdev_ioctl_data_resolve(arg, 0, length, &error);
    if (error != nullptr) g_clear_error(&error);
    return resolved;
  };
  if (_IOC_TYPE(request) != 'H') {
    Complete(client, -1, ENOTTY);
    return TRUE;
  }
  const Bytes& descriptor = s->writeDescriptor;
  if (request == HIDIOCGRDESCSIZE) {
    UMockdevIoctlData* d = resolve(sizeof(int));
    if (d == nullptr) return Complete(client, -1, EFAULT), TRUE;
    const int value = static_cast<int>(descriptor.size());
    std::memcpy(d->data, &value, sizeof value);
    Complete(client, 0, 0);
  } else if (request == HIDIOCGRDESC) {
    UMockdevIoctlData* d = resolve(sizeof(hidraw_report_descriptor));
    if (d == nullptr) return Complete(client, -1, EFAULT), TRUE;
    uint32_t asked = 0;
    std::memcpy(&asked, d->data, sizeof asked);
    if (asked > HID_MAX_DESCRIPTOR_SIZE - 1) return Complete(client, -1, EINVAL), TRUE;
    std::memcpy(d->data + offsetof(hidraw_report_descriptor, value), descriptor.data(),
                std::min<size_t>(asked, descriptor.size()));
    Complete(client, 0, 0);
  } else if (request == HIDIOCGRAWINFO) {
    UMockdevIoctlData* d = resolve(sizeof(hidraw_devinfo));
    if (d == nullptr) return Complete(client, -1, EFAULT), TRUE;
    hidraw_devinfo info{};
    info.bustype = BUS_USB;
    info.vendor = static_cast<int16_t>(0x18F8);
    info.product = static_cast<int16_t>(0x1086);
    std::memcpy(d->data, &info, sizeof info);
    Complete(client, 0, 0);
  } else if (_IOC_NR(request) == _IOC_NR(HIDIOCGRAWNAME(0)) && _IOC_DIR(request) == _IOC_READ) {
    UMockdevIoctlData* d = resolve(size);
    if (d == nullptr) return Complete(client, -1, EFAULT), TRUE;
    const size_t n = std::min<size_t>(size, std::strlen(kMouseName) + 1);
    std::memcpy(d->data, kMouseName, n);
    if (n > 0) d->data[n - 1] = '\0';
    Complete(client, static_cast<long>(n), 0);
  } else if (_IOC_NR(request) == _IOC_NR(HIDIOCSFEATURE(0)) && _IOC_DIR(request) == (_IOC_READ | _IOC_WRITE)) {
    UMockdevIoctlData* d = size > 0 ? resolve(size) : nullptr;
    if (d == nullptr) return Complete(client, -1, size > 0 ? EFAULT : EINVAL), TRUE;
    int fail = 0;
    {
      std::lock_guard lock(s->mutex);
      s->features.emplace_back(d->data, d->data + size);
      if (s->failError != 0 && s->features.size() > s->failFrom) fail = s->failError;
    }
    Complete(client, fail ? -1 : static_cast<long>(size), fail);
  } else if (_IOC_NR(request) == _IOC_NR(HIDIOCGFEATURE(0))) {
    Complete(client, -1, EPIPE);  // the mouse gives nothing back: the request stalls
  } else {
    Complete(client, -1, ENOTTY);
  }
  return TRUE;
}

void OnConnected(UMockdevIoctlBase*, UMockdevIoctlClient*, gpointer data) {
  auto* s = static_cast<EmulatedMouseState*>(data);
  {
    std::lock_guard lock(s->mutex);
    ++s->writeOpens;
  }
  s->opened.notify_all();
}

}  // namespace

EmulatedMouse::EmulatedMouse(Layout layout) : state_(std::make_shared<EmulatedMouseState>()) {
  EmulatedMouseState& s = *state_;
  s.layout = layout;
  const char* preload = std::getenv("LD_PRELOAD");
  if (preload == nullptr || std::strstr(preload, "umockdev-preload") == nullptr) {
    s.error = "not running under umockdev's preload library (start it with umockdev-wrapper)";
    return;
  }
  s.testbed = umockdev_testbed_new();
  gchar* root = umockdev_testbed_get_root_dir(s.testbed);
  s.root = root;
  g_free(root);

  const std::string usb = kUsbDevice;
  const std::string mouseId = "0003:000018F8:00001086";
  std::string record;
  record += InterfaceRecord(usb, 0, mouseId, "0003:18F8:1086.0001", kMouseName, kBootMouse, 0, false);
  if (layout == Layout::Split) {
    record += InterfaceRecord(usb, 1, mouseId, "0003:18F8:1086.0002", kMouseName, kReadCollection, 1, true);
    record += InterfaceRecord(usb, 2, mouseId, "0003:18F8:1086.0003", kMouseName, kWriteCollection, 2, false);
    s.readNode = "/dev/hidraw1";
    s.writeNode = "/dev/hidraw2";
    s.writeDescriptor = kWriteCollection;
  } else {
    s.writeDescriptor = Concat(kReadCollection, kWriteCollection);
    const bool inSysfs = layout == Layout::Combined;
    if (!inSysfs) {
      // Usage (1) items after the last collection: harmless filler.
      while (s.writeDescriptor.size() + 2 <= HID_MAX_DESCRIPTOR_SIZE) s.writeDescriptor.insert(s.writeDescriptor.end(), {0x09, 0x01});
    }
    record += InterfaceRecord(usb, 1, mouseId, "0003:18F8:1086.0002", kMouseName, s.writeDescriptor, 1, false, inSysfs);
    s.readNode = s.writeNode = "/dev/hidraw1";
  }
  record += UsbDeviceRecord(usb, "18f8", "1086", kMouseName);
  const std::string keyboard = "/devices/pci0000:00/0000:00:14.0/usb1/1-3";
  record += InterfaceRecord(keyboard, 0, "0003:0000046D:0000C31C", "0003:046D:C31C.0004", "Keyboard", kKeyboard, 3,
                            false);
  record += UsbDeviceRecord(keyboard, "046d", "c31c", "Keyboard");

  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(s.testbed, record.c_str(), &error)) {
    s.error = std::string("the device tree was refused: ") + (error ? error->message : "?");
    g_clear_error(&error);
    return;
  }
  // Node paths to their hidraw device, for uevents.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(s.root + "/sys/devices")) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory() && name.rfind("hidraw", 0) == 0 && entry.path().parent_path().filename() == "hidraw") {
      s.syspathOfNode["/dev/" + name] = entry.path().string().substr(s.root.size());
    }
  }

  s.handler = umockdev_ioctl_base_new();
  g_signal_connect(s.handler, "handle-ioctl", G_CALLBACK(OnIoctl), &s);
  g_signal_connect(s.handler, "client-connected", G_CALLBACK(OnConnected), &s);
  if (!umockdev_testbed_attach_ioctl(s.testbed, s.writeNode.c_str(), s.handler, &error)) {
    s.error = std::string("the write node's handler was refused: ") + (error ? error->message : "?");
    g_clear_error(&error);
    return;
  }
  if (layout == Layout::Split) {
    s.readStream = umockdev_testbed_get_dev_fd(s.testbed, s.readNode.c_str());
    termios raw{};
    // Input reports are binary: no line discipline may eat or change bytes.
    if (s.readStream < 0 || ::tcgetattr(s.readStream, &raw) != 0) {
      s.error = "the read node is not a stream";
      return;
    }
    ::cfmakeraw(&raw);
    ::tcsetattr(s.readStream, TCSANOW, &raw);
  }
}

EmulatedMouse::~EmulatedMouse() = default;

bool EmulatedMouse::Ready(std::string* why) const {
  if (why != nullptr) *why = state_->error;
  return state_->error.empty();
}

std::string EmulatedMouse::RootDir() const { return state_->root; }
std::string EmulatedMouse::ReadNode() const { return state_->readNode; }
std::string EmulatedMouse::WriteNode() const { return state_->writeNode; }

std::vector<std::vector<uint8_t>> EmulatedMouse::Features() const {
  std::lock_guard lock(state_->mutex);
  return state_->features;
}

size_t EmulatedMouse::FeatureCount() const {
  std::lock_guard lock(state_->mutex);
  return state_->features.size();
}

void EmulatedMouse::FailFeaturesFrom(size_t n, int error) {
  std::lock_guard lock(state_->mutex);
  state_->failFrom = n;
  state_->failError = error;
}

int EmulatedMouse::WriteOpensAtLeast(int n) const {
  std::unique_lock lock(state_->mutex);
  state_->opened.wait_for(lock, std::chrono::seconds(10), [&] { return state_->writeOpens >= n; });
  return state_->writeOpens;
}

bool EmulatedMouse::QueueInput(const std::vector<uint8_t>& report) {
  if (state_->readStream < 0) return false;
  return ::write(state_->readStream, report.data(), report.size()) == static_cast<ssize_t>(report.size());
}

void EmulatedMouse::HangUpReadNode() {
  if (state_->readStream < 0) return;
  // The testbed owns the descriptor and closes it at its end, so the stream is
  // replaced by /dev/null under the same number rather than closed.
  const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null < 0) return;
  ::dup2(null, state_->readStream);
  ::close(null);
}

void EmulatedMouse::Uevent(const std::string& node, const char* action) {
  auto it = state_->syspathOfNode.find(node);
  if (it == state_->syspathOfNode.end() || state_->testbed == nullptr) return;
  umockdev_testbed_uevent(state_->testbed, it->second.c_str(), action);
}

void EmulatedMouse::RestrictNodesToRoot() {
  namespace fs = std::filesystem;
  const auto everyone = fs::perms::others_read | fs::perms::others_exec | fs::perms::group_read |
                        fs::perms::group_exec;
  std::error_code ec;
  fs::permissions(state_->root, everyone, fs::perm_options::add, ec);
  for (const auto& entry : fs::recursive_directory_iterator(state_->root, ec)) {
    const fs::file_status st = entry.symlink_status(ec);
    if (fs::is_directory(st)) fs::permissions(entry.path(), everyone, fs::perm_options::add, ec);
    // The preload connects to these sockets for every node it opens.
    if (fs::is_socket(st)) fs::permissions(entry.path(), fs::perms::all, fs::perm_options::add, ec);
    if (fs::is_regular_file(st)) fs::permissions(entry.path(), fs::perms::others_read, fs::perm_options::add, ec);
  }
  for (const char* node : {"hidraw0", "hidraw1", "hidraw2"}) {
    const fs::path path = fs::path(state_->root) / "dev" / node;
    // A stream node is a link to a terminal; its target keeps the terminal's own modes.
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
      ::chmod(fs::read_symlink(path, ec).c_str(), 0600);
    } else if (fs::exists(path, ec)) {
      fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ec);
    }
  }
}

}  // namespace orv::test
