// Discovery of the mouse in a listing of HID interfaces, the device-change
// decisions and the listener's read side of the link.
#include "device/device_link.h"

#include <gtest/gtest.h>

#include <thread>

#include "device/simulated/simulated_mouse.h"
#include "support/memory_mouse.h"

namespace orv::device {
namespace {

HidInterfaceInfo Interface(std::string path, uint16_t vendor, uint16_t product, uint16_t page, uint16_t usage,
                           uint16_t inputLength, uint16_t featureLength) {
  return {.path = std::move(path),
          .vendorId = vendor,
          .productId = product,
          .caps = {.UsagePage = page,
                   .Usage = usage,
                   .InputReportByteLength = inputLength,
                   .FeatureReportByteLength = featureLength}};
}

HidInterfaceInfo Other(int n) { return Interface("/dev/other" + std::to_string(n), 0x046D, 0xC077, 1, 2, 5, 0); }
HidInterfaceInfo MouseRead(const std::string& path) {
  return Interface(path, kMouseVendorId, kMouseProductId, 0xFF00, 1, 8, 0);
}
HidInterfaceInfo MouseWrite(const std::string& path) {
  return Interface(path, kMouseVendorId, kMouseProductId, 0xFF01, 1, 0, 8);
}
HidInterfaceInfo MousePointer(const std::string& path) {
  return Interface(path, kMouseVendorId, kMouseProductId, 0x01, 2, 7, 0);
}

// The mouse's collections as the listing shows them, and the link under test.
class DeviceLinkTest : public ::testing::Test {
 protected:
  // What the link asked of the mouse since the last call, listings left out.
  std::vector<std::string> Opens() {
    std::vector<std::string> opens;
    const std::vector<std::string> all = mouse.Requests();
    for (size_t i = seen; i < all.size(); ++i) {
      if (all[i] != "list") opens.push_back(all[i]);
    }
    seen = all.size();
    return opens;
  }

  SimulatedMouse mouse;
  size_t seen = 0;
  ReportChannel channel;
  DeviceLink link{mouse, channel};
};

TEST_F(DeviceLinkTest, OnlyTheFirstHundredEntriesAreExamined) {
  std::vector<HidInterfaceInfo> listing;
  for (int i = 0; i < 100; ++i) listing.push_back(Other(i));
  listing.push_back(MouseRead("/dev/hidraw9"));
  listing.push_back(MouseWrite("/dev/hidraw9"));
  mouse.SetListing(listing);
  EXPECT_FALSE(link.FindMouse());
  EXPECT_TRUE(Opens().empty());
  EXPECT_EQ(link.DevicePath(), "");

  // The read collection at index 99 is seen; the write collection at 100 is not.
  listing.erase(listing.begin());
  mouse.SetListing(listing);
  EXPECT_TRUE(link.FindMouse());
  EXPECT_EQ(Opens(), (std::vector<std::string>{"read /dev/hidraw9"}));
  EXPECT_EQ(link.ReadState(), HandleState::Open);
  EXPECT_EQ(link.WriteState(), HandleState::NeverOpened);
  EXPECT_EQ(channel.WriteState(), HandleState::NeverOpened);
}

TEST_F(DeviceLinkTest, ReadCollectionAfterWriteCollectionEndsTheSearchAtTheSecond) {
  mouse.SetListing({Other(0), MouseWrite("/dev/hidraw4"), Other(1), MouseRead("/dev/hidraw3"),
                    MousePointer("/dev/hidraw5")});
  EXPECT_TRUE(link.FindMouse());
  EXPECT_EQ(Opens(), (std::vector<std::string>{"write /dev/hidraw4", "read /dev/hidraw3"}));
  EXPECT_EQ(link.DevicePath(), "/dev/hidraw3");  // the entry after it was never examined
  EXPECT_EQ(link.ReadCapabilities().InputReportByteLength, 8);
  EXPECT_EQ(link.WriteCapabilities().FeatureReportByteLength, 8);
}

TEST_F(DeviceLinkTest, OneNodeCarryingBothCollectionsIsOpenedOncePerDirection) {
  mouse.SetListing({MousePointer("/dev/hidraw2"), MouseRead("/dev/hidraw2"), MouseWrite("/dev/hidraw2")});
  EXPECT_TRUE(link.FindMouse());
  EXPECT_EQ(Opens(), (std::vector<std::string>{"read /dev/hidraw2", "write /dev/hidraw2"}));
  // Feature reports now reach the write collection, with its report length.
  channel.SendConsumerKey(0x00E9);
  ASSERT_EQ(mouse.Features().size(), 1u);
  EXPECT_EQ(test::FormatReport(test::LastFeature(mouse), 16), "07 17 00 E9 00 00 00 00");
}

TEST_F(DeviceLinkTest, AnyInterfaceOfTheMouseConnectsItEvenWithoutVendorCollections) {
  HidInterfaceInfo unknown = MouseRead("/dev/hidraw7");
  unknown.attributesKnown = false;  // takes an index but never matches
  mouse.SetListing({unknown, MousePointer("/dev/hidraw1"), MouseWrite("/dev/hidraw1")});
  EXPECT_TRUE(link.FindMouse());
  EXPECT_EQ(link.DevicePath(), "/dev/hidraw1");
  EXPECT_EQ(link.ReadState(), HandleState::NeverOpened);
  EXPECT_EQ(link.WriteState(), HandleState::Open);
}

TEST_F(DeviceLinkTest, StartupTellsAbsentRefusedAndReadyApart) {
  mouse.SetListing({Other(0)});
  EXPECT_EQ(ConnectAtStartup(link), StartupOutcome::Absent);

  mouse.SetListing({MouseRead("/dev/hidraw2"), MouseWrite("/dev/hidraw2")});
  mouse.SetOpenStatus("/dev/hidraw2", OpenStatus::PermissionDenied, OpenStatus::PermissionDenied);
  EXPECT_EQ(ConnectAtStartup(link), StartupOutcome::NotAccessible);
  EXPECT_EQ(link.ReadState(), HandleState::Invalid);
  EXPECT_EQ(channel.WriteState(), HandleState::Invalid);
  channel.SendHostExit();  // skipped for a write collection that failed to open
  EXPECT_EQ(channel.SentReports() + channel.FailedSends(), 0u);

  mouse.SetOpenStatus("/dev/hidraw2", OpenStatus::Failed, OpenStatus::Ok);  // failed for another reason
  EXPECT_EQ(ConnectAtStartup(link), StartupOutcome::Ready);
  EXPECT_EQ(link.ReadState(), HandleState::Invalid);
  EXPECT_EQ(link.WriteState(), HandleState::Open);
}

TEST_F(DeviceLinkTest, DeviceChangeDecisions) {
  mouse.SetListing({MouseRead("/dev/hidraw2"), MouseWrite("/dev/hidraw2")});
  ASSERT_TRUE(link.FindMouse());
  using K = DeviceEvent::Kind;
  struct Case {
    const char* name;
    bool connected;
    DeviceEvent event;
    DeviceChange expected;
  };
  const Case cases[] = {
      {"removal of another device", true, {K::Removal, "/dev/hidraw3"}, DeviceChange::Nothing},
      {"removal of ours", true, {K::Removal, "/dev/hidraw2"}, DeviceChange::EndProgram},
      {"removal differing in case", true, {K::Removal, "/DEV/HIDRAW2"}, DeviceChange::EndProgram},
      {"other event of ours", true, {K::Other, "/dev/hidraw2"}, DeviceChange::Nothing},
      {"event without a path", true, {K::Removal, ""}, DeviceChange::Nothing},
      {"arrival while connected", true, {K::Arrival, "/dev/hidraw2"}, DeviceChange::Nothing},
      {"arrival while disconnected", false, {K::Arrival, "/dev/Hidraw2"}, DeviceChange::Rescan},
      {"arrival of another while disconnected", false, {K::Arrival, "/dev/hidraw5"}, DeviceChange::Nothing},
  };
  for (const Case& c : cases) {
    link.SetDeviceConnected(c.connected);
    EXPECT_EQ(DecideDeviceChange(link, c.event), c.expected) << c.name;
  }
}

TEST_F(DeviceLinkTest, RemovalThenArrivalReopensBothCollections) {
  mouse.SetListing({MouseRead("/dev/hidraw2"), MouseWrite("/dev/hidraw2")});
  ASSERT_TRUE(link.FindMouse());
  Opens();
  mouse.SetPlugged(false);
  EXPECT_EQ(HandleDeviceChange(link, {DeviceEvent::Kind::Removal, "/dev/hidraw2"}), DeviceChange::EndProgram);
  EXPECT_FALSE(link.DeviceConnected());

  mouse.SetPlugged(true);
  EXPECT_EQ(HandleDeviceChange(link, {DeviceEvent::Kind::Arrival, "/dev/hidraw2"}), DeviceChange::Rescan);
  EXPECT_TRUE(link.DeviceConnected());
  // Both again, not just the first entry of the mouse; a listener blocked on
  // the old read collection is sent on to the new one.
  EXPECT_EQ(Opens(), (std::vector<std::string>{"read /dev/hidraw2", "interrupt /dev/hidraw2", "write /dev/hidraw2"}));
  // The collection from before the unplug is dead: the report reaches the mouse
  // only through the new one.
  channel.SendConsumerKey(0x00E2);
  EXPECT_EQ(channel.FailedSends(), 0u);
  EXPECT_EQ(mouse.Features().size(), 1u);
}

TEST_F(DeviceLinkTest, ListenerWaitsForTheReadCollectionAndReadsItsReportLength) {
  int result = 0;
  std::vector<uint8_t> got(16, 0);
  std::thread listener([&] { result = link.ReadReport(got.data(), got.size()); });

  mouse.SetListing({MouseRead("/dev/hidraw2"), MouseWrite("/dev/hidraw2")});
  ASSERT_TRUE(link.FindMouse());
  mouse.Deliver({0x06, 0xF1, 0x01, 0, 0, 0, 0, 0, 0xAA, 0xBB});
  listener.join();
  EXPECT_EQ(result, 8);
  EXPECT_EQ(test::FormatReport(got, 10), "06 F1 01 00 00 00 00 00 00 00");
}

TEST_F(DeviceLinkTest, InterruptEndsABlockedReadAndEveryLaterOne) {
  uint8_t buffer[8];
  std::thread waiting([&] { EXPECT_EQ(link.ReadReport(buffer, sizeof buffer), -1); });  // no collection yet
  mouse.SetListing({MouseRead("/dev/hidraw2")});
  link.Interrupt();
  waiting.join();
  ASSERT_TRUE(link.FindMouse());
  EXPECT_EQ(link.ReadReport(buffer, sizeof buffer), -1);
}

}  // namespace
}  // namespace orv::device
