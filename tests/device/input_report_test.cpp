#include "device/input_report.h"

#include <gtest/gtest.h>

#include <vector>

namespace orv::device {
namespace {

using Kind = InputEvent::Kind;

TEST(DecodeInputReport, ReadsEventKindWireCodeAndPressOrRelease) {
  struct Case {
    std::vector<uint8_t> bytes;
    Kind kind;
    uint8_t wireCode;
    bool released;
  } cases[] = {
      {{0x06, 0xF1, 0x00}, Kind::Button, 1, false},
      {{0x06, 0xF1, 0x80}, Kind::Button, 1, true},
      {{0x06, 0xF9, 0x01}, Kind::Button, 9, false},
      {{0x06, 0xFF, 0x80, 0x00}, Kind::Button, 15, true},
      {{0x06, 0xF8, 0x03}, Kind::Button, 8, false},  // DPI button: byte 2 is the new level
      {{0x06, 0xF0, 0x00}, Kind::Other, 0, false},   // 0xF0 is not a button event
      {{0x06, 0x00, 0x80}, Kind::Other, 0, true},
      {{0x06, 0x42, 0x7F}, Kind::Other, 0, false},
      {{0x06, 0xF2, 0x81}, Kind::Button, 2, false},  // only exactly 0x80 is a release
      {{0x07, 0xF1, 0x00}, Kind::Ignored, 0, false},  // another report id
      {{0x00, 0xF1, 0x00}, Kind::Ignored, 0, false},
      {{0x06, 0xF1}, Kind::Ignored, 0, false},        // too short to tell press from release
      {{0x06}, Kind::Ignored, 0, false},
      {{}, Kind::Ignored, 0, false},
  };
  for (const Case& c : cases) {
    const InputEvent e = DecodeInputReport(c.bytes.data(), c.bytes.size());
    SCOPED_TRACE(::testing::PrintToString(c.bytes));
    EXPECT_EQ(e.kind, c.kind);
    EXPECT_EQ(e.wireCode, c.wireCode);
    EXPECT_EQ(e.released, c.released);
    if (c.kind != Kind::Ignored) {
      EXPECT_EQ(e.event, c.bytes[1]);
      EXPECT_EQ(e.data, c.bytes[2]);
    }
  }
}

TEST(DecodeInputReport, AReleaseIsNeverAPress) {
  for (int event = 0; event <= 0xFF; ++event) {
    const uint8_t bytes[] = {0x06, static_cast<uint8_t>(event), 0x80};
    EXPECT_TRUE(DecodeInputReport(bytes, 3).released) << event;
  }
}

TEST(DecodeInputReport, NullDataIsIgnored) { EXPECT_EQ(DecodeInputReport(nullptr, 8).kind, Kind::Ignored); }

}  // namespace
}  // namespace orv::device
