// The hidraw backend against an emulated kernel: libudev's listing, the sysfs
// report descriptor, open of the nodes, HIDIOCSFEATURE, the blocking read and
// the udev monitor, all on the real code with no fake in between. Runs under
// umockdev's preload library (ctest starts it through umockdev-wrapper).
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <future>
#include <thread>

#include "device/device_link.h"
#include "device/hidraw/hidraw_backend.h"
#include "emulated_mouse.h"
#include "support/as_nobody.h"

namespace orv::device {
namespace {

using test::EmulatedMouse;
using test::HexLine;
using Layout = EmulatedMouse::Layout;

constexpr int kGuardMs = 10000;  // only ends a hang; events come in microseconds

#define REQUIRE_TESTBED(mouse)                 \
  do {                                         \
    std::string why;                           \
    if (!(mouse).Ready(&why)) GTEST_SKIP() << why; \
  } while (0)

struct Rig {
  EmulatedMouse mouse;
  HidrawBackend backend;
  ReportChannel channel;
  DeviceLink link{backend, channel};
  explicit Rig(Layout layout = Layout::Split) : mouse(layout) {}
};

std::vector<DeviceEvent> WaitForEvents(DeviceEventSource& source) {
  pollfd p{source.fd(), POLLIN, 0};
  if (::poll(&p, 1, kGuardMs) <= 0) return {};
  return source.DrainEvents();
}

TEST(HidrawEmulated, ListingShowsEachCollectionWithItsReportLengths) {
  for (Layout layout : {Layout::Split, Layout::Combined}) {
    SCOPED_TRACE(layout == Layout::Split ? "split" : "combined");
    EmulatedMouse mouse(layout);
    REQUIRE_TESTBED(mouse);
    HidrawBackend backend;
    const std::vector<HidInterfaceInfo> listing = backend.ListInterfaces();

    std::vector<std::string> seen;
    for (const HidInterfaceInfo& e : listing) {
      char line[96];
      std::snprintf(line, sizeof line, "%s %04X:%04X %04X/%u in %u feature %u", e.path.c_str(), e.vendorId,
                    e.productId, e.caps.UsagePage, e.caps.Usage, e.caps.InputReportByteLength,
                    e.caps.FeatureReportByteLength);
      seen.push_back(line);
    }
    // The boot mouse has no report ids: its 3-byte report counts one byte more.
    std::vector<std::string> want = {
        "/dev/hidraw0 18F8:1086 0001/2 in 4 feature 0",
        mouse.ReadNode() + " 18F8:1086 FF00/1 in 8 feature 0",
        mouse.WriteNode() + " 18F8:1086 FF01/1 in 0 feature 8",
        "/dev/hidraw3 046D:C31C 0001/6 in 2 feature 0",
    };
    EXPECT_EQ(seen, want);
  }
}

// Without a descriptor in sysfs, the listing asks the node. The kernel hands
// out at most HID_MAX_DESCRIPTOR_SIZE - 1 bytes and refuses a request for more.
TEST(HidrawEmulated, ListingReadsTheDescriptorFromTheNodeWhenSysfsHasNone) {
  EmulatedMouse mouse(Layout::CombinedNodeOnly);
  REQUIRE_TESTBED(mouse);
  HidrawBackend backend;
  std::vector<HidCapabilities> vendor;
  for (const HidInterfaceInfo& e : backend.ListInterfaces()) {
    if (e.path == mouse.WriteNode()) vendor.push_back(e.caps);
  }
  ASSERT_EQ(vendor.size(), 2u);
  EXPECT_EQ(vendor[0].UsagePage, kInputUsagePage);
  EXPECT_EQ(vendor[0].InputReportByteLength, EmulatedMouse::kInputReportLength);
  EXPECT_EQ(vendor[1].UsagePage, kFeatureUsagePage);
  EXPECT_EQ(vendor[1].FeatureReportByteLength, EmulatedMouse::kFeatureReportLength);
}

TEST(HidrawEmulated, FindMouseOpensBothVendorCollections) {
  for (Layout layout : {Layout::Split, Layout::Combined}) {
    SCOPED_TRACE(layout == Layout::Split ? "split" : "combined");
    Rig rig(layout);
    REQUIRE_TESTBED(rig.mouse);
    EXPECT_EQ(ConnectAtStartup(rig.link), StartupOutcome::Ready);
    EXPECT_TRUE(rig.link.DeviceConnected());
    EXPECT_EQ(rig.link.ReadState(), HandleState::Open);
    EXPECT_EQ(rig.link.WriteState(), HandleState::Open);
    EXPECT_EQ(rig.link.ReadCapabilities().InputReportByteLength, EmulatedMouse::kInputReportLength);
    EXPECT_EQ(rig.link.WriteCapabilities().FeatureReportByteLength, EmulatedMouse::kFeatureReportLength);
    EXPECT_EQ(rig.link.DevicePath(), rig.mouse.WriteNode());
    // One node carrying both collections is opened once for each.
    const int opens = layout == Layout::Split ? 1 : 2;
    EXPECT_EQ(rig.mouse.WriteOpensAtLeast(opens), opens);
  }
}

TEST(HidrawEmulated, FeatureReportsArriveByteForByte) {
  Rig rig;
  REQUIRE_TESTBED(rig.mouse);
  ASSERT_EQ(ConnectAtStartup(rig.link), StartupOutcome::Ready);
  rig.channel.SendButtonFunction(0x08, 0x0B);
  rig.channel.SendWheelStatus(1);
  rig.channel.SendLighting(0x7F, 1, 2);
  rig.channel.SendFireTime(300);
  rig.channel.SendConsumerKey(0x00E9);
  rig.channel.SendHostExit();
  std::vector<std::string> sent;
  for (const auto& r : rig.mouse.Features()) sent.push_back(HexLine(r));
  // Bytes a command does not write keep what the one before left there.
  const std::vector<std::string> want = {
      "07 10 08 0B 00 00 00 00", "07 11 01 00 00 00 00 00", "07 13 7F 92 00 00 00 00",
      "07 12 00 25 00 00 00 00", "07 17 00 E9 00 00 00 00", "07 20 00 00 00 00 00 00",
  };
  EXPECT_EQ(sent, want);
  EXPECT_EQ(rig.channel.SentReports(), want.size());
  EXPECT_EQ(rig.channel.FailedSends(), 0u);
}

TEST(HidrawEmulated, FailingWritesAreCountedAndDoNotStopTheSequence) {
  for (int error : {ENODEV, EPIPE, EIO}) {
    SCOPED_TRACE(error);
    Rig rig;
    REQUIRE_TESTBED(rig.mouse);
    ASSERT_EQ(ConnectAtStartup(rig.link), StartupOutcome::Ready);
    // The mouse goes away in the middle of a settings push.
    rig.mouse.FailFeaturesFrom(3, error);
    for (uint8_t wire = 1; wire <= 8; ++wire) rig.channel.SendButtonFunction(wire, wire);
    EXPECT_EQ(rig.mouse.FeatureCount(), 8u);  // every report was still tried, none hung
    EXPECT_EQ(rig.channel.SentReports(), 3u);
    EXPECT_EQ(rig.channel.FailedSends(), 5u);
  }
}

TEST(HidrawEmulated, AnInputReportReachesTheListener) {
  Rig rig;
  REQUIRE_TESTBED(rig.mouse);
  ASSERT_EQ(ConnectAtStartup(rig.link), StartupOutcome::Ready);
  auto read = std::async(std::launch::async, [&] {
    std::vector<uint8_t> buffer(256, 0xEE);
    const int n = rig.link.ReadReport(buffer.data(), buffer.size());
    buffer.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return buffer;
  });
  ASSERT_TRUE(rig.mouse.QueueInput({0x06, 0xF1, 0x01, 0, 0, 0, 0, 0}));
  ASSERT_EQ(read.wait_for(std::chrono::milliseconds(kGuardMs)), std::future_status::ready);
  EXPECT_EQ(HexLine(read.get()), "06 F1 01 00 00 00 00 00");

  // Two reports waiting are read one at a time.
  ASSERT_TRUE(rig.mouse.QueueInput({0x06, 0xF2, 0x80, 0, 0, 0, 0, 0}));
  ASSERT_TRUE(rig.mouse.QueueInput({0x06, 0x00, 0x00, 0, 0, 0, 0, 0}));
  uint8_t buffer[256];
  ASSERT_EQ(rig.link.ReadReport(buffer, sizeof buffer), 8);
  EXPECT_EQ(buffer[1], 0xF2);
  ASSERT_EQ(rig.link.ReadReport(buffer, sizeof buffer), 8);
  EXPECT_EQ(buffer[1], 0x00);

  // A listener blocked on the node of an unplugged mouse gets a failed read;
  // the next read waits (no spinning on a node that is gone) until the
  // program's end wakes it.
  auto unplugged = std::async(std::launch::async, [&] { return rig.link.ReadReport(buffer, sizeof buffer); });
  rig.mouse.HangUpReadNode();
  ASSERT_EQ(unplugged.wait_for(std::chrono::milliseconds(kGuardMs)), std::future_status::ready);
  EXPECT_EQ(unplugged.get(), -1);
  auto blocked = std::async(std::launch::async, [&] { return rig.link.ReadReport(buffer, sizeof buffer); });
  rig.link.Interrupt();
  ASSERT_EQ(blocked.wait_for(std::chrono::milliseconds(kGuardMs)), std::future_status::ready);
  EXPECT_EQ(blocked.get(), -1);
}

TEST(HidrawEmulated, RemovalEndsTheProgramAndArrivalReopens) {
  Rig rig;
  REQUIRE_TESTBED(rig.mouse);
  DeviceEventSource* events = rig.backend.Events();
  ASSERT_NE(events, nullptr);
  ASSERT_EQ(ConnectAtStartup(rig.link), StartupOutcome::Ready);

  // Neither a change of the mouse's node nor another device leaving changes anything.
  rig.mouse.Uevent(rig.mouse.WriteNode(), "change");
  std::vector<DeviceEvent> changed = WaitForEvents(*events);
  ASSERT_EQ(changed, (std::vector<DeviceEvent>{{DeviceEvent::Kind::Other, rig.mouse.WriteNode()}}));
  EXPECT_EQ(HandleDeviceChange(rig.link, changed[0]), DeviceChange::Nothing);
  rig.mouse.Uevent(rig.mouse.KeyboardNode(), "remove");
  std::vector<DeviceEvent> got = WaitForEvents(*events);
  ASSERT_EQ(got, (std::vector<DeviceEvent>{{DeviceEvent::Kind::Removal, "/dev/hidraw3"}}));
  EXPECT_EQ(HandleDeviceChange(rig.link, got[0]), DeviceChange::Nothing);
  EXPECT_TRUE(rig.link.DeviceConnected());

  // Unplugging removes every node of the mouse; the one discovery kept ends the program.
  for (const char* node : {"/dev/hidraw0", "/dev/hidraw1", "/dev/hidraw2"}) rig.mouse.Uevent(node, "remove");
  std::vector<DeviceChange> changes;
  while (changes.size() < 3) {
    got = WaitForEvents(*events);
    ASSERT_FALSE(got.empty()) << "no removal arrived";
    for (const DeviceEvent& e : got) {
      EXPECT_EQ(e.kind, DeviceEvent::Kind::Removal);
      changes.push_back(HandleDeviceChange(rig.link, e));
    }
  }
  EXPECT_EQ(changes, (std::vector<DeviceChange>{DeviceChange::Nothing, DeviceChange::Nothing,
                                                DeviceChange::EndProgram}));
  EXPECT_FALSE(rig.link.DeviceConnected());

  // Plugged in again: the arrival of the kept node opens both collections anew.
  rig.mouse.Uevent(rig.mouse.WriteNode(), "add");
  got = WaitForEvents(*events);
  ASSERT_EQ(got, (std::vector<DeviceEvent>{{DeviceEvent::Kind::Arrival, rig.mouse.WriteNode()}}));
  EXPECT_EQ(HandleDeviceChange(rig.link, got[0]), DeviceChange::Rescan);
  EXPECT_TRUE(rig.link.DeviceConnected());
  EXPECT_EQ(rig.mouse.WriteOpensAtLeast(2), 2);
  EXPECT_EQ(rig.link.ReadState(), HandleState::Open);
  rig.channel.SendFireTime(50);
  ASSERT_EQ(rig.mouse.FeatureCount(), 1u);
  EXPECT_EQ(HexLine(rig.mouse.Features()[0]), "07 12 00 06 00 00 00 00");
  uint8_t buffer[16];
  ASSERT_TRUE(rig.mouse.QueueInput({0x06, 0xF3, 0x01, 0, 0, 0, 0, 0}));
  ASSERT_EQ(rig.link.ReadReport(buffer, sizeof buffer), 8);
  EXPECT_EQ(buffer[1], 0xF3);
}

// Without the udev rule the nodes stay root's. The test runs as root in CI,
// so the discovery runs in a child that has given up root for "nobody".
TEST(HidrawEmulated, ANodeTheUserMayNotOpenIsReportedAsNotAccessible) {
  EmulatedMouse mouse;
  REQUIRE_TESTBED(mouse);
  mouse.RestrictNodesToRoot();
  const int status = test::RunUnprivileged([] {
    HidrawBackend backend;
    ReportChannel channel;
    DeviceLink link(backend, channel);
    return ConnectAtStartup(link) == StartupOutcome::NotAccessible;
  });
  if (status == 2) GTEST_SKIP() << "could not give up root for the user nobody";
  EXPECT_EQ(status, 0) << "the mouse was not reported as present but not accessible";
}

}  // namespace
}  // namespace orv::device
