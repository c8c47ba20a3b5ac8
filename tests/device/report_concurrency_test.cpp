// The window thread (settings) and the macro executor (keys and buttons) send
// through one channel at the same time. Every report on the wire must be one
// whole report: its own bytes consistent, and every byte it does not write
// equal to what the report before it left in the buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "device/report_protocol.h"
#include "support/memory_mouse.h"

namespace orv::device {
namespace {

using test::FormatReport;
using test::Report;

// Bytes 2 ... 7 each command writes.
std::vector<size_t> WrittenBytes(uint8_t command) {
  switch (command) {
    case CMD_DPI_LEVEL: return {2, 3, 4};
    case CMD_LEVEL_COLOUR: return {2, 3};
    case CMD_FIRE_TIME: return {2, 3, 4, 5, 6, 7};
    case CMD_LIGHTING: return {2, 3};
    case CMD_KEY_STATE: return {2, 3, 4, 5, 6, 7};
    case CMD_BUTTON_STATE: return {3};
    default: return {};
  }
}

TEST(ReportChannelConcurrency, SettingsAndPlaybackInterleaveWholeReportsOnly) {
  // Six levels with distinct step codes and colours, levels 0, 2, 4 enabled, level 4 active.
  const uint8_t stepCodes[] = {1, 4, 7, 9, 14, 15};
  constexpr uint8_t kActive = 4, kEnabled = 0x15;
  auto sendLevel = [&](ReportChannel& ch, int n) {
    const auto k = static_cast<uint8_t>(n);
    ch.SendDpiLevel(n, kActive, stepCodes[n], kEnabled);
    ch.SendLevelColour(n, k, static_cast<uint8_t>(15 - k), static_cast<uint8_t>(2 * k));
  };

  SimulatedMouse mouse;
  ReportChannel channel;
  channel.SetWriteCollection(HandleState::Open, test::OpenFeatures(mouse), 8);

  constexpr int kRounds = 1500;
  std::thread playback([&] {
    for (int i = 0; i < kRounds; ++i) {
      channel.SendKeyOrButton(0x04, 1);
      channel.SendKeyOrButton(0xF0, 1);
      channel.SendKeyOrButton(0x05, 1);
      channel.SendKeyOrButton(0x04, 2);
      channel.SendKeyOrButton(0xF0, 2);
      channel.SendKeyOrButton(0x05, 2);
    }
  });
  std::thread window([&] {
    for (int i = 0; i < kRounds; ++i) {
      for (int n = 0; n < 6; ++n) sendLevel(channel, n);
      channel.SendLighting(0x55, 0, 3);
      channel.SendFireTime(104);
    }
  });
  playback.join();
  window.join();

  // The settings reports each level must give, and the key states playback passes through.
  std::set<std::string> dpiReports, colourReports;
  ReportChannel reference;
  SimulatedMouse referenceMouse;
  reference.SetWriteCollection(HandleState::Open, test::OpenFeatures(referenceMouse), 8);
  for (int n = 0; n < 6; ++n) {
    reference.SendDpiLevel(n, kActive, stepCodes[n], kEnabled);
    dpiReports.insert(FormatReport(test::LastFeature(referenceMouse), 5));
    reference.SendLevelColour(n, static_cast<uint8_t>(n), static_cast<uint8_t>(15 - n), static_cast<uint8_t>(2 * n));
    colourReports.insert(FormatReport(test::LastFeature(referenceMouse), 4));
  }
  const std::set<std::string> keyStates = {"04 00 00 00 00 00", "04 05 00 00 00 00", "05 00 00 00 00 00",
                                           "00 00 00 00 00 00"};

  const std::vector<Report> reports = mouse.Features();
  ASSERT_EQ(reports.size(), static_cast<size_t>(kRounds) * (6 + 14));
  ASSERT_EQ(channel.SentReports(), reports.size());
  Report previous(8, 0);
  for (size_t i = 0; i < reports.size(); ++i) {
    const Report& r = reports[i];
    ASSERT_EQ(r.size(), 8u);
    ASSERT_EQ(r[0], FEATURE_REPORT_ID) << i;
    const std::string text = FormatReport(r);
    switch (r[1]) {
      case CMD_DPI_LEVEL: ASSERT_TRUE(dpiReports.count(FormatReport(r, 5))) << text; break;
      case CMD_LEVEL_COLOUR: ASSERT_TRUE(colourReports.count(FormatReport(r, 4))) << text; break;
      case CMD_LIGHTING: ASSERT_EQ(FormatReport(r, 4), "07 13 55 83") << text; break;
      case CMD_FIRE_TIME: ASSERT_EQ(text, "07 12 00 0D 00 00 00 00"); break;
      case CMD_KEY_STATE: ASSERT_TRUE(keyStates.count(FormatReport(r.data() + 2, 6))) << text; break;
      case CMD_BUTTON_STATE: ASSERT_TRUE(r[3] == 0xFE || r[3] == 0xFF) << text; break;
      default: FAIL() << "unexpected report " << text;
    }
    // Bytes the command leaves alone still hold the previous report's values.
    const std::vector<size_t> written = WrittenBytes(r[1]);
    for (size_t b = 2; b < 8; ++b) {
      if (std::find(written.begin(), written.end(), b) == written.end()) {
        ASSERT_EQ(r[b], previous[b]) << "byte " << b << " of report " << i << ": " << text;
      }
    }
    previous = r;
  }
}

}  // namespace
}  // namespace orv::device
