// The simulated mouse's folder contract, and the command-line tool's decoding
// of what it logs.
#include "device/report_text.h"
#include "device/simulated/simulated_mouse.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "device/device_link.h"
#include "support/memory_mouse.h"
#include "support/temp_dir.h"
#include "tools/sim/sim_text.h"

namespace orv::device {
namespace {

using test::FormatReport;
using test::ReadText;
using test::TempDir;

bool WaitReadable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, ms) == 1;
}

TEST(SimulatedLine, ReadsReportsAndWords) {
  struct Case {
    const char* line;
    SimulatedLine::Kind kind;
    const char* report;
  };
  using K = SimulatedLine::Kind;
  const Case cases[] = {
      {"06 F1 01", K::Report, "06 F1 01 00 00 00 00 00"},
      {"  6 f1 1\r", K::Report, "06 F1 01 00 00 00 00 00"},
      {"06\tF5 80", K::Report, "06 F5 80 00 00 00 00 00"},
      {"01 02 03 04 05 06 07 08", K::Report, "01 02 03 04 05 06 07 08"},
      {"01 02 03 04 05 06 07 08 09", K::Invalid, ""},  // longer than a report
      {"06 F1 100", K::Invalid, ""},
      {"06 G1", K::Invalid, ""},
      {"", K::Invalid, ""},
      {"plug", K::Plug, ""},
      {" unplug \r", K::Unplug, ""},
      {"Unplug", K::Invalid, ""},
  };
  for (const Case& c : cases) {
    const SimulatedLine parsed = ParseSimulatedLine(c.line);
    EXPECT_EQ(parsed.kind, c.kind) << c.line;
    if (c.kind == K::Report) {
      EXPECT_EQ(FormatReport(parsed.report), c.report) << c.line;
    }
  }
}

TEST(SimulatedMouse, AbsentWithoutItsFolder) {
  TempDir dir;
  SimulatedMouse mouse(dir / "missing");
  EXPECT_TRUE(mouse.ListInterfaces().empty());
  EXPECT_FALSE(mouse.Listening());
  ASSERT_NE(mouse.Events(), nullptr);
  ReportChannel channel;
  DeviceLink link(mouse, channel);
  EXPECT_EQ(ConnectAtStartup(link), StartupOutcome::Absent);
}

TEST(SimulatedMouse, ShowsTheTwoVendorCollectionsAndLogsFeatureReports) {
  TempDir dir;
  SimulatedMouse mouse(dir.path());
  const auto listing = mouse.ListInterfaces();
  ASSERT_EQ(listing.size(), 2u);
  for (const HidInterfaceInfo& entry : listing) {
    EXPECT_EQ(entry.vendorId, 0x18F8);
    EXPECT_EQ(entry.productId, 0x1086);
    EXPECT_EQ(entry.caps.Usage, 1);
    EXPECT_EQ(entry.caps.InputReportByteLength, 8);
    EXPECT_EQ(entry.caps.FeatureReportByteLength, 8);
    EXPECT_EQ(std::filesystem::path(entry.path).parent_path(), dir.path());
  }
  EXPECT_EQ(listing[0].caps.UsagePage, 0xFF00);
  EXPECT_EQ(listing[1].caps.UsagePage, 0xFF01);
  struct stat info{};
  ASSERT_EQ(::stat((dir / "input").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));

  ReportChannel channel;
  DeviceLink link(mouse, channel);
  ASSERT_EQ(ConnectAtStartup(link), StartupOutcome::Ready);
  channel.SendButtonFunction(0x01, 0x01);
  channel.SendKeyOrButton(0xF0, 1);
  EXPECT_EQ(ReadText(dir / "feature.log"), "07 10 01 01 00 00 00 00\n07 16 01 FE 00 00 00 00\n");
}

TEST(SimulatedMouse, FifoLinesBecomeReportsAndPlugEvents) {
  TempDir dir;
  SimulatedMouse mouse(dir.path());
  ASSERT_TRUE(mouse.Listening());
  ReportChannel channel;
  DeviceLink link(mouse, channel);
  ASSERT_TRUE(link.FindMouse());

  std::string error;
  ASSERT_TRUE(sim::SendFifoLine(dir.path(), std::string(2000, '0'), error)) << error;  // over-long: dropped
  ASSERT_TRUE(sim::SendFifoLine(dir.path(), "not a report", error));
  ASSERT_TRUE(sim::SendFifoLine(dir.path(), sim::PressLine(5), error));
  uint8_t report[16] = {};
  ASSERT_EQ(link.ReadReport(report, sizeof report), 8);
  EXPECT_EQ(FormatReport(report, 8), "06 F5 01 00 00 00 00 00");

  DeviceEventSource* events = mouse.Events();
  ASSERT_TRUE(sim::SendFifoLine(dir.path(), "unplug", error));
  ASSERT_TRUE(WaitReadable(events->fd(), 5000));
  std::vector<DeviceEvent> got;
  for (int tries = 0; tries < 500 && got.size() < 2; ++tries) {
    for (DeviceEvent& e : events->DrainEvents()) got.push_back(std::move(e));
    if (got.size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], (DeviceEvent{DeviceEvent::Kind::Removal, mouse.InputPath()}));
  EXPECT_EQ(got[1], (DeviceEvent{DeviceEvent::Kind::Removal, mouse.FeaturePath()}));
  // Discovery stored the feature collection's path: its removal ends the program.
  EXPECT_EQ(HandleDeviceChange(link, got[1]), DeviceChange::EndProgram);
  EXPECT_TRUE(mouse.ListInterfaces().empty());
  channel.SendHostExit();
  EXPECT_EQ(channel.FailedSends(), 1u);  // an unplugged mouse takes nothing

  mouse.HandleLine("plug");
  const std::vector<DeviceEvent> back = events->DrainEvents();
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(HandleDeviceChange(link, back[1]), DeviceChange::Rescan);
  EXPECT_TRUE(link.DeviceConnected());
}

TEST(SimulatedMouseTool, DescribesEveryCommand) {
  struct Case {
    std::vector<uint8_t> report;
    const char* text;
  };
  const Case cases[] = {
      {{0x07, 0x09, 0x41, 0x9B, 0x1F, 0, 0, 0}, "CMD_DPI_LEVEL level 3 step 7 (2000 DPI) active 1 enabled 0-4"},
      {{0x07, 0x09, 0x45, 0xFD, 0x35, 0, 0, 0}, "CMD_DPI_LEVEL level 5 step 11 (4800 DPI) active 5 enabled 0,2,4-5"},
      {{0x07, 0x10, 0x08, 0x0B, 0, 0, 0, 0}, "CMD_BUTTON_FUNCTION button 5 (wire 8) device function 11"},
      {{0x07, 0x10, 0x0C, 0x00, 0, 0, 0, 0}, "CMD_BUTTON_FUNCTION no button (wire 12) device function 0"},
      {{0x07, 0x11, 0x01, 0x00, 0, 0, 0, 0}, "CMD_WHEEL_STATUS 1"},
      {{0x07, 0x12, 0x00, 0x06, 0, 0, 0, 0}, "CMD_FIRE_TIME 6 units (48 ms)"},
      {{0x07, 0x13, 0x7F, 0x92, 0, 0, 0, 0}, "CMD_LIGHTING mode 1 cycle time 2 colours 0-6"},
      {{0x07, 0x13, 0x05, 0x86, 0, 0, 0, 0}, "CMD_LIGHTING mode 2 colours 0,2"},
      {{0x07, 0x14, 0x40, 0xFF, 0, 0, 0, 0}, "CMD_LEVEL_COLOUR level 2 R 15 G 0 B 15"},
      {{0x07, 0x15, 0x04, 0xE1, 0, 0, 0, 0}, "CMD_KEY_STATE A LSHIFT"},
      {{0x07, 0x15, 0, 0, 0, 0, 0, 0}, "CMD_KEY_STATE none"},
      {{0x07, 0x16, 0x00, 0xFC, 0, 0, 0, 0}, "CMD_BUTTON_STATE held left right"},
      {{0x07, 0x16, 0x00, 0xFF, 0, 0, 0, 0}, "CMD_BUTTON_STATE held none"},
      {{0x07, 0x17, 0x00, 0xE9, 0, 0, 0, 0}, "CMD_CONSUMER_KEY 0x00E9 (Volume Increment)"},
      {{0x07, 0x20, 0x00, 0x00, 0, 0, 0, 0}, "CMD_HOST_EXIT"},
      {{0x07, 0x33, 0, 0, 0, 0, 0, 0}, "unknown command 0x33"},
      {{0x05, 0x09, 0, 0, 0, 0, 0, 0}, "report id 0x05"},
      {{0x07, 0x09}, "short report of 2 bytes"},
  };
  for (const Case& c : cases) EXPECT_EQ(device::DescribeFeatureReport(c.report), c.text);

  EXPECT_EQ(sim::DescribeFeatureLog("07 20 00 00 00 00 00 00\n\nxyz\n"),
            (std::vector<std::string>{"CMD_HOST_EXIT", "unreadable line: xyz"}));
}

TEST(SimulatedMouseTool, ButtonNamesAndInputLines) {
  EXPECT_EQ(sim::WireCodeForName("button0"), 1);
  EXPECT_EQ(sim::WireCodeForName("button3"), 5);
  EXPECT_EQ(sim::WireCodeForName("button6"), 6);
  EXPECT_EQ(sim::WireCodeForName("right"), 2);
  EXPECT_EQ(sim::WireCodeForName("wire15"), 15);
  for (const char* bad : {"button7", "wire0", "wire16", "button", "Left", "button01x"}) {
    EXPECT_FALSE(sim::WireCodeForName(bad).has_value()) << bad;
  }
  EXPECT_EQ(sim::PressLine(1), "06 F1 01");
  EXPECT_EQ(sim::PressLine(8, 3), "06 F8 03");
  EXPECT_EQ(sim::ReleaseLine(5), "06 F5 80");

  TempDir dir;
  std::string error;
  EXPECT_FALSE(sim::SendFifoLine(dir.path(), "plug", error));  // no FIFO, nobody reading
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace orv::device
