#include "device/wire_codes.h"
#include "device/report_protocol.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/memory_mouse.h"

namespace orv::device {
namespace {

using test::FormatReport;
using test::LastFeature;
using test::OpenFeatures;

constexpr uint8_t kPress = 1;
constexpr uint8_t kRelease = 2;
constexpr uint8_t kLeft = 0xF0;
constexpr uint8_t kRight = 0xF1;

class ReportChannelTest : public ::testing::Test {
 protected:
  void SetUp() override { channel.SetWriteCollection(HandleState::Open, OpenFeatures(mouse), 8); }

  // The reports sent since the last Forget().
  std::vector<std::string> Sent() const {
    const std::vector<test::Report> all = mouse.Features();
    std::vector<std::string> out;
    for (size_t i = forgotten; i < all.size(); ++i) out.push_back(FormatReport(all[i]));
    return out;
  }
  void Forget() { forgotten = mouse.Features().size(); }
  std::string Last() const { return FormatReport(LastFeature(mouse)); }

  SimulatedMouse mouse;
  size_t forgotten = 0;
  ReportChannel channel;
};

// A pause noted together with what the channel showed at that moment. Taking
// it queries the channel, which would hang if a pause were taken under the lock.
struct ProbedPause {
  uint32_t ms;
  uint8_t buttonState;
  uint64_t sentBefore;
};

// The wire values of the factory levels: step codes of steps 2, 4, 5, 7, 9, 11,
// their colours, all six enabled, level 1 active.
struct WireLevel {
  uint8_t stepCode, r, g, b;
};
constexpr WireLevel kFactoryLevels[6] = {{3, 0, 0, 15}, {5, 15, 15, 0}, {6, 0, 15, 0},
                                         {9, 15, 0, 15}, {13, 0, 15, 15}, {15, 0, 0, 0}};
constexpr uint8_t kFactoryActive = 1, kAllEnabled = 0x3F;

void SendLevel(ReportChannel& channel, int n, const WireLevel& l, uint8_t active, uint8_t enabled) {
  channel.SendDpiLevel(n, active, l.stepCode, enabled);
  channel.SendLevelColour(n, l.r, l.g, l.b);
}

TEST_F(ReportChannelTest, KeyStateReportsFollowTheHeldKeys) {
  struct Case {
    const char* name;
    std::vector<std::pair<uint8_t, uint8_t>> events;
    const char* last;
  } cases[] = {
      {"press then release", {{0x04, kPress}, {0x04, kRelease}}, "07 15 00 00 00 00 00 00"},
      {"seventh key is dropped",
       {{4, kPress}, {5, kPress}, {6, kPress}, {7, kPress}, {8, kPress}, {9, kPress}, {10, kPress}},
       "07 15 04 05 06 07 08 09"},
      {"releasing the dropped key empties slot 5",
       {{4, kPress}, {5, kPress}, {6, kPress}, {7, kPress}, {8, kPress}, {9, kPress}, {10, kPress}, {10, kRelease}},
       "07 15 04 05 06 07 08 00"},
      {"third of four released", {{4, kPress}, {5, kPress}, {6, kPress}, {7, kPress}, {6, kRelease}},
       "07 15 04 05 07 00 00 00"},
      {"a key pressed twice fills two slots, one release removes one",
       {{4, kPress}, {4, kPress}, {5, kPress}, {4, kRelease}}, "07 15 04 05 00 00 00 00"},
      {"release of a key that is not held", {{4, kPress}, {5, kRelease}}, "07 15 04 00 00 00 00 00"},
      {"unknown action changes nothing but still sends", {{4, kPress}, {5, 3}}, "07 15 04 00 00 00 00 00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReportChannel fresh;
    SimulatedMouse rec;
    fresh.SetWriteCollection(HandleState::Open, OpenFeatures(rec), 8);
    for (auto [code, action] : c.events) fresh.SendKeyOrButton(code, action);
    EXPECT_EQ(rec.Features().size(), c.events.size());
    EXPECT_EQ(FormatReport(LastFeature(rec)), c.last);
  }
}

TEST_F(ReportChannelTest, FirstKeyPressAndReleaseAreWholeReports) {
  channel.SendKeyOrButton(0x04, kPress);
  channel.SendKeyOrButton(0x04, kRelease);
  EXPECT_EQ(Sent(), (std::vector<std::string>{"07 15 04 00 00 00 00 00", "07 15 00 00 00 00 00 00"}));
}

TEST_F(ReportChannelTest, RemoveHeldKeySendsNothing) {
  channel.SendKeyOrButton(0x04, kPress);
  channel.SendKeyOrButton(0x05, kPress);
  channel.RemoveHeldKey(0x04);
  EXPECT_EQ(Sent().size(), 2u);
  EXPECT_EQ(channel.HeldKeys(), (std::array<uint8_t, 6>{0x05, 0, 0, 0, 0, 0}));
}

TEST_F(ReportChannelTest, ButtonStateBitsAndUntouchedByteTwo) {
  channel.SendButtonFunction(0x05, 0x09);  // leaves 05 in byte 2
  struct Step {
    uint8_t code, action;
    const char* report;
  } steps[] = {
      {kLeft, kPress, "07 16 05 FE 00 00 00 00"},    {kRight, kPress, "07 16 05 FC 00 00 00 00"},
      {0xF2, kPress, "07 16 05 F8 00 00 00 00"},     {kLeft, kRelease, "07 16 05 F9 00 00 00 00"},
      {kRight, 3, "07 16 05 F9 00 00 00 00"},        {kRight, kRelease, "07 16 05 FB 00 00 00 00"},
      {kLeft, kRelease, "07 16 05 FB 00 00 00 00"},  // already up
  };
  for (const Step& s : steps) {
    channel.SendKeyOrButton(s.code, s.action);
    EXPECT_EQ(Last(), s.report) << std::hex << int(s.code) << " action " << int(s.action);
  }
}

TEST_F(ReportChannelTest, CodesBeyondTheThreeButtonsSendTheStateUnchanged) {
  channel.SendKeyOrButton(kLeft, kPress);
  for (int code = 0xF3; code <= 0xFF; ++code) {
    for (uint8_t action : {kPress, kRelease}) {
      channel.SendKeyOrButton(static_cast<uint8_t>(code), action);
      EXPECT_EQ(Last(), "07 16 00 FE 00 00 00 00") << std::hex << code;
    }
  }
  EXPECT_EQ(channel.ButtonStateByte(), 0xFE);
}

TEST_F(ReportChannelTest, ReleaseAllInputsWaitsOutsideTheLockThenSendsButtonsThenKeys) {
  channel.SendKeyOrButton(kLeft, kPress);
  channel.SendKeyOrButton(kRight, kPress);
  channel.SendKeyOrButton(0x04, kPress);
  channel.SendKeyOrButton(0x05, kPress);
  Forget();
  std::vector<ProbedPause> waits;

  channel.ReleaseAllInputs(
      [&](uint32_t ms) { waits.push_back({ms, channel.ButtonStateByte(), channel.SentReports()}); });

  ASSERT_EQ(waits.size(), 2u);
  EXPECT_EQ(waits[0].ms, 10u);
  EXPECT_EQ(waits[0].buttonState, 0xFC);  // nothing released before the first wait
  EXPECT_EQ(waits[1].ms, 10u);
  EXPECT_EQ(waits[1].buttonState, 0xFF);  // buttons released between the waits
  EXPECT_EQ(waits[1].sentBefore + 1, channel.SentReports());
  EXPECT_EQ(Sent(), (std::vector<std::string>{"07 16 04 FF 00 00 00 00", "07 15 00 00 00 00 00 00"}));
  EXPECT_EQ(channel.HeldKeys(), (std::array<uint8_t, 6>{}));
}

TEST_F(ReportChannelTest, FireTimeIsSentInEightMillisecondUnitsBigEndian) {
  struct Case {
    uint16_t fireTime;
    const char* report;
  } cases[] = {
      {50, "07 12 00 06 00 00 00 00"},  {300, "07 12 00 25 00 00 00 00"}, {7, "07 12 00 00 00 00 00 00"},
      {0, "07 12 00 00 00 00 00 00"},   {2048, "07 12 01 00 00 00 00 00"}, {0xFFFF, "07 12 1F FF 00 00 00 00"},
  };
  for (const Case& c : cases) {
    // Fill bytes 4 ... 7 first: the fire-time report clears them.
    for (uint8_t k : {1, 2, 3, 4, 5, 6}) channel.SendKeyOrButton(k, kPress);
    channel.SendFireTime(c.fireTime);
    EXPECT_EQ(Last(), c.report) << c.fireTime;
    channel.ReleaseAllInputs([](uint32_t) {});
  }
}

TEST(LightingByte, EachModeAndCycleTime) {
  struct Case {
    uint8_t type, time, want;
  } cases[] = {
      {0, 0, 0x80}, {0, 5, 0x85},  {1, 2, 0x92},  {1, 0, 0x90},  {2, 0, 0x86},  {2, 5, 0x86},
      {3, 4, 0x87}, {4, 3, 0x93},  {255, 1, 0x91},
      // A cycle time beyond its 4-bit field stays in the field: bit 7 and the mode bits hold.
      {0, 0x85, 0x85}, {1, 0x70, 0x90}, {1, 0x1F, 0x9F},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LightingByte(c.type, c.time), c.want) << int(c.type) << "/" << int(c.time);
  }
}

TEST_F(ReportChannelTest, LightingReportKeepsTheMaskToSevenColours) {
  channel.SendLighting(0x7F, 1, 2);
  EXPECT_EQ(Last(), "07 13 7F 92 00 00 00 00");
  channel.SendLighting(0xFF, 2, 9);
  EXPECT_EQ(Last(), "07 13 7F 86 00 00 00 00");
}

TEST_F(ReportChannelTest, DpiLevelReport) {
  // Active level 1, levels 0 ... 4 enabled, level 3 at step code 9.
  channel.SendDpiLevel(3, 1, 9, 0x1F);
  EXPECT_EQ(Last(), "07 09 41 9B 1F 00 00 00");
  channel.SendDpiLevel(0, 1, 1, 0x3F);
  EXPECT_EQ(Last(), "07 09 41 18 3F 00 00 00");
  // The highest step code with the highest level fills the whole byte.
  channel.SendDpiLevel(5, 1, 15, 0x3F);
  EXPECT_EQ(Last(), "07 09 41 FD 3F 00 00 00");
}

TEST_F(ReportChannelTest, LevelColourReportKeepsTheEnableMaskInByteFour) {
  channel.SendDpiLevel(2, 0, 1, 0x1F);
  channel.SendLevelColour(2, 15, 0, 15);
  EXPECT_EQ(Last(), "07 14 40 FF 1F 00 00 00");

  // Channel bytes beyond four bits wrap modulo 256 instead of spilling.
  channel.SendLevelColour(1, 0xFF, 0xFF, 0);
  EXPECT_EQ(Last(), "07 14 1F F0 1F 00 00 00");
}

TEST_F(ReportChannelTest, LevelIndexesOutsideTheSixLevelsSendNothing) {
  for (int level : {-1, 6, 255, 0x7FFFFFFF}) {
    channel.SendDpiLevel(level, 1, 9, 0x3F);
    channel.SendLevelColour(level, 1, 2, 3);
  }
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(channel.FailedSends(), 0u);
  EXPECT_EQ(channel.BufferSnapshot(), (std::array<uint8_t, 256>{}));
}

TEST_F(ReportChannelTest, FactoryProfileGivesTheKnownReportSequence) {
  const uint8_t functions[] = {0x01, 0x02, 0x03, 0x05, 0x04, 0x0B, 0x0C};
  for (int b = 0; b < 7; ++b) channel.SendButtonFunction(device::kButtonWireCodes[b], functions[b]);
  channel.SendWheelStatus(0);
  channel.SendLighting(0x7F, 1, 2);
  for (int n = 0; n < 6; ++n) SendLevel(channel, n, kFactoryLevels[n], kFactoryActive, kAllEnabled);
  channel.SendFireTime(50);

  EXPECT_EQ(Sent(), (std::vector<std::string>{
                        "07 10 01 01 00 00 00 00", "07 10 02 02 00 00 00 00", "07 10 03 03 00 00 00 00",
                        "07 10 05 05 00 00 00 00", "07 10 04 04 00 00 00 00", "07 10 08 0B 00 00 00 00",
                        "07 10 06 0C 00 00 00 00", "07 11 00 00 00 00 00 00", "07 13 7F 92 00 00 00 00",
                        "07 09 41 38 3F 00 00 00", "07 14 00 0F 3F 00 00 00", "07 09 41 59 3F 00 00 00",
                        "07 14 2F F0 3F 00 00 00", "07 09 41 6A 3F 00 00 00", "07 14 4F 00 3F 00 00 00",
                        "07 09 41 9B 3F 00 00 00", "07 14 60 FF 3F 00 00 00", "07 09 41 DC 3F 00 00 00",
                        "07 14 8F 0F 3F 00 00 00", "07 09 41 FD 3F 00 00 00", "07 14 A0 00 3F 00 00 00",
                        "07 12 00 06 00 00 00 00",
                    }));
  EXPECT_EQ(channel.SentReports(), 22u);
}

TEST_F(ReportChannelTest, WheelStatusClearsByteThree) {
  channel.SendButtonFunction(0x02, 0x03);
  channel.SendWheelStatus(1);
  EXPECT_EQ(Last(), "07 11 01 00 00 00 00 00");
}

TEST_F(ReportChannelTest, ConsumerKeyKeepsBytesFourToSeven) {
  for (uint8_t k : {4, 5, 6, 7, 8, 9}) channel.SendKeyOrButton(k, kPress);
  channel.SendConsumerKey(0x00E9);
  EXPECT_EQ(Last(), "07 17 00 E9 06 07 08 09");
  channel.SendConsumerKey(0x0223);
  EXPECT_EQ(Last(), "07 17 02 23 06 07 08 09");
}

TEST_F(ReportChannelTest, ConsumerKeyAsTheFirstReportStillCarriesTheReportId) {
  channel.SendConsumerKey(0x00CD);
  EXPECT_EQ(Last(), "07 17 00 CD 00 00 00 00");
}

TEST_F(ReportChannelTest, HostExitDependsOnTheWriteState) {
  struct Case {
    HandleState state;
    size_t recorded;
    uint64_t failed;
    const char* buffer;  // bytes 0 ... 7 afterwards
  } cases[] = {
      {HandleState::Invalid, 0, 0, "07 09 41 38 3F 00 00 00"},      // skipped entirely
      {HandleState::NeverOpened, 0, 1, "07 20 00 00 3F 00 00 00"},  // attempted, fails
      {HandleState::Open, 1, 0, "07 20 00 00 3F 00 00 00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.state));
    ReportChannel fresh;
    SimulatedMouse rec;
    std::shared_ptr<HidWriter> writer = OpenFeatures(rec);
    fresh.SetWriteCollection(HandleState::Open, writer, 8);
    fresh.SendDpiLevel(0, kFactoryActive, kFactoryLevels[0].stepCode, kAllEnabled);
    fresh.SetWriteCollection(c.state, writer, 8);

    fresh.SendHostExit();

    EXPECT_EQ(rec.Features().size(), 1 + c.recorded);
    EXPECT_EQ(fresh.FailedSends(), c.failed);
    EXPECT_EQ(FormatReport(fresh.BufferSnapshot().data(), 256), c.buffer);
    if (c.recorded) {
      EXPECT_EQ(FormatReport(LastFeature(rec)), "07 20 00 00 3F 00 00 00");
    }
  }
}

TEST(ReportChannel, SendsThatCannotBeDeliveredAreCountedWhileTheBufferStillChanges) {
  struct Case {
    const char* name;
    HandleState state;
    bool withWriter;
    size_t length;
    bool refuse;
  } cases[] = {
      {"never opened", HandleState::NeverOpened, true, 8, false},
      {"open failed", HandleState::Invalid, true, 8, false},
      {"open without a writer", HandleState::Open, false, 8, false},
      {"zero report length", HandleState::Open, true, 0, false},
      {"device refuses", HandleState::Open, true, 8, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedMouse rec;
    rec.SetRefusing(c.refuse);
    ReportChannel channel;
    channel.SetWriteCollection(c.state, c.withWriter ? OpenFeatures(rec) : nullptr, c.length);

    channel.SendFireTime(300);
    channel.SendKeyOrButton(0x04, kPress);

    EXPECT_TRUE(rec.Features().empty());
    EXPECT_EQ(channel.FailedSends(), 2u);
    EXPECT_EQ(channel.SentReports(), 0u);
    EXPECT_EQ(FormatReport(channel.BufferSnapshot().data(), 256), "07 15 04 00 00 00 00 00");
    EXPECT_EQ(channel.HeldKeys()[0], 0x04);  // the host state moves on as if delivered
  }
}

TEST(ReportChannel, ReportLengthComesFromTheCollectionAndIsBoundedByTheBuffer) {
  struct Case {
    size_t length, sent;
  } cases[] = {{1, 1}, {8, 8}, {65, 65}, {256, 256}, {300, 256}, {size_t(-1), 256}};
  for (const Case& c : cases) {
    SimulatedMouse rec;
    ReportChannel channel;
    channel.SetWriteCollection(HandleState::Open, OpenFeatures(rec), c.length);
    channel.SendLighting(0x7F, 0, 3);
    ASSERT_EQ(rec.Features().size(), 1u);
    const test::Report r = LastFeature(rec);
    ASSERT_EQ(r.size(), c.sent) << c.length;
    EXPECT_EQ(r[0], FEATURE_REPORT_ID);
    for (size_t i = 8; i < r.size(); ++i) ASSERT_EQ(r[i], 0) << i;  // nothing writes beyond byte 7
  }
}

}  // namespace
}  // namespace orv::device
