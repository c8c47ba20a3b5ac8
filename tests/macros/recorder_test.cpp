#include "macros/recorder.h"

#include <gtest/gtest.h>

#include "macros/key_names.h"
#include "macros/macro_files.h"
#include "macros/native_keys.h"
#include "support/fake_clock.h"

namespace orv::macros {
namespace {

constexpr uint32_t kLShift = 0xA0, kRShift = 0xA1, kA = 'A', kB = 'B';
constexpr uint8_t kUsageLShift = 225, kUsageRShift = 229, kUsageA = 4, kUsageB = 5;

KeyMessage Down(uint32_t vk) { return {kKeyDown, vk}; }
KeyMessage Up(uint32_t vk) { return {kKeyUp, vk}; }

class RecorderTest : public ::testing::Test {
 protected:
  void SetUp() override { clock.SetMsOfDay(1'000'000); }
  void Start(int slot = 0) { recorder.Start(tables, slot, "rec", clock); }
  // One key message `ms` after the previous one.
  int Key(KeyMessage m, int32_t ms = 10) {
    clock.AdvanceMs(ms);
    return recorder.OnKey(tables, m);
  }
  const MacroRecord& Rec(int slot = 0) const { return tables.userMacros[static_cast<size_t>(slot)]; }

  MacroTables tables;
  Recorder recorder;
  test::FakeClock clock;
};

TEST_F(RecorderTest, ShiftAGivesFourEventsWithMeasuredDelays) {
  tables.userMacros[0].repeatCount = 9;
  tables.userMacros[0].mode = MODE_HELD;
  Start();
  EXPECT_EQ(Rec().repeatCount, 1);
  EXPECT_EQ(Rec().mode, MODE_ONCE);
  EXPECT_EQ(MacroName(Rec()), "rec");
  EXPECT_EQ(Key(Down(kLShift), 500), 0);
  EXPECT_EQ(Key(Down(kA), 120), 1);
  EXPECT_EQ(Key(Up(kA), 80), 2);
  EXPECT_EQ(Key(Up(kLShift), 45), 3);
  recorder.Stop(tables);
  ASSERT_EQ(Rec().eventCount, 4);
  const MacroEvent expected[] = {{kUsageLShift, ACTION_DOWN}, {kUsageA, ACTION_DOWN}, {kUsageA, ACTION_UP},
                                 {kUsageLShift, ACTION_UP}};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Rec().events[i], expected[i]) << i;
  EXPECT_EQ(Rec().delays[0], 120);
  EXPECT_EQ(Rec().delays[1], 80);
  EXPECT_EQ(Rec().delays[2], 45);
  EXPECT_EQ(Rec().delays[3], DEFAULT_DELAY_MS);
}

TEST_F(RecorderTest, LeftAndRightShiftRecordDifferentCodes) {
  Start();
  Key(Down(kLShift));
  Key(Down(kRShift));
  recorder.Stop(tables);
  EXPECT_EQ(Rec().events[0].code, kUsageLShift);
  EXPECT_EQ(Rec().events[1].code, kUsageRShift);
}

TEST_F(RecorderTest, RepeatedKeyDownRecordsOnePressAndANewPressAfterRelease) {
  Start();
  for (int i = 0; i < 20; ++i) Key(Down(kA), 33);
  Key(Up(kA));
  Key(Down(kA));
  recorder.Stop(tables);
  ASSERT_EQ(Rec().eventCount, 3);
  EXPECT_EQ(Rec().events[2], (MacroEvent{kUsageA, ACTION_DOWN}));
  // The wait before the release runs from the first press.
  EXPECT_EQ(Rec().delays[0], 20 * 33 - 33 + 10);
}

TEST_F(RecorderTest, AutoRepeatOfTheWindowSystemIsDropped) {
  // X11 repeats a held key as release/press pairs marked as repeats.
  constexpr uint32_t kKeyA = 38;  // X key code of the A position
  std::vector<NativeKeyEvent> events{{kKeyA, true, false}};
  for (int i = 0; i < 5; ++i) {
    events.push_back({kKeyA, false, true});
    events.push_back({kKeyA, true, true});
  }
  events.push_back({kKeyA, false, false});
  Start();
  for (const NativeKeyEvent& e : events) {
    if (const auto m = KeyMessageFor(e)) Key(*m);
  }
  recorder.Stop(tables);
  ASSERT_EQ(Rec().eventCount, 2);
  EXPECT_EQ(Rec().events[0], (MacroEvent{kUsageA, ACTION_DOWN}));
  EXPECT_EQ(Rec().events[1], (MacroEvent{kUsageA, ACTION_UP}));
}

TEST_F(RecorderTest, KeyHeldBeforeTheStartRecordsNothingOnRelease) {
  Start();
  EXPECT_EQ(Key(Up(kA)), -1);
  EXPECT_EQ(Key(Down(kB)), 0);
  recorder.Stop(tables);
  EXPECT_EQ(Rec().eventCount, 1);
  EXPECT_EQ(Rec().delays[0], 0);  // a single event keeps delay 0
}

TEST_F(RecorderTest, PressLimitStillTakesReleasesOfHeldKeys) {
  Start();
  for (int i = 0; i < kRecordPressLimit; ++i) {
    Key(Down(kA));
    Key(Up(kA));
  }
  ASSERT_EQ(recorder.Count(), 2 * kRecordPressLimit);
  // The count is at 216 now, so the event limit also holds: start again with
  // a held key at the press limit instead.
  recorder.Stop(tables);
  Start();
  for (int i = 0; i < kRecordPressLimit - 1; ++i) {
    Key(Down(kA));
    Key(Up(kA));
  }
  Key(Down(kLShift));  // the 108th press, held
  EXPECT_EQ(Key(Down(kB)), -1);
  EXPECT_EQ(Key(Up(kB)), -1);  // its press was not taken
  EXPECT_EQ(Key(Up(kLShift)), 2 * kRecordPressLimit - 1);
  recorder.Stop(tables);
  EXPECT_EQ(Rec().eventCount, 2 * kRecordPressLimit);
  EXPECT_EQ(Rec().events[2 * kRecordPressLimit - 1], (MacroEvent{kUsageLShift, ACTION_UP}));
}

TEST_F(RecorderTest, The217thEventIsNotRecorded) {
  Start();
  // Releases of nine held keys between the presses keep the press count low.
  int recorded = 0;
  for (int round = 0; recorded < kRecordEventLimit + 10; ++round) {
    const uint32_t vk = 'A' + static_cast<uint32_t>(round % 26);
    if (Key(Down(vk)) >= 0) ++recorded;
    if (Key(Up(vk)) >= 0) ++recorded;
    if (round > 400) break;
  }
  EXPECT_EQ(recorder.Count(), kRecordEventLimit);
  recorder.Stop(tables);
  EXPECT_EQ(Rec().eventCount, kRecordEventLimit);
}

TEST_F(RecorderTest, ATenthHeldKeyIsDroppedWithItsRelease) {
  Start();
  for (uint32_t vk = 'A'; vk < 'A' + kHeldKeyLimit; ++vk) EXPECT_GE(Key(Down(vk)), 0);
  EXPECT_EQ(Key(Down('Z')), -1);
  EXPECT_EQ(Key(Up('Z')), -1);
  EXPECT_GE(Key(Up('A')), 0);
  EXPECT_GE(Key(Down('Z')), 0);  // a place is free again
}

TEST_F(RecorderTest, DelaysAcrossMidnightAndCappedAt65535) {
  clock.SetMsOfDay(kMsPerDay - 100);
  Start();
  Key(Down(kA), 50);         // 23:59:59.950
  Key(Up(kA), 120);          // 00:00:00.070 of the next day
  Key(Down(kB), 70'000);     // more than 65535 ms later
  recorder.Stop(tables);
  EXPECT_EQ(Rec().delays[0], 120);
  EXPECT_EQ(Rec().delays[1], 65535);
}

TEST_F(RecorderTest, TheLastKeyMessageCarriesOverToTheNextRecording) {
  Start();
  Key(Down(kA));
  recorder.Stop(tables);
  Start(1);
  EXPECT_EQ(Key(Down(kA)), -1);  // repeats the last message of the previous recording
  EXPECT_EQ(Key(Down(kB)), 0);
}

TEST_F(RecorderTest, KeysWithoutACodeAreNotRecorded) {
  Start();
  EXPECT_EQ(Key({kKeyDown, 0}), -1);
  EXPECT_FALSE(KeyMessageFor({123, true, false}));  // volume up
  EXPECT_FALSE(KeyMessageFor({0, true, false}));
}

// Every key position records as its usage, whatever the layout, and the
// usage survives the macro file (whose key fields are virtual keys).
TEST(NativeKeys, EveryKeyPositionRecordsItsUsageAndSurvivesTheMacroFile) {
  struct Case {
    uint32_t keycode;
    uint8_t usage;
  } spots[] = {{38, 4},  {24, 20},  {25, 26},  {52, 29},  {10, 30},  {49, 53},  {51, 49},  {94, 100},
               {104, 88}, {108, 230}, {37, 224}, {133, 227}, {9, 41},   {36, 40},  {67, 58},  {191, 104}};
  for (const Case& c : spots) EXPECT_EQ(UsageForXKeycode(c.keycode), c.usage) << c.keycode;
  int keys = 0;
  for (uint32_t keycode = 0; keycode < 300; ++keycode) {
    const uint8_t usage = UsageForXKeycode(keycode);
    if (usage == 0) continue;
    ++keys;
    const auto message = KeyMessageFor({keycode, true, false});
    ASSERT_TRUE(message) << keycode;
    EXPECT_EQ(VkToUsage(static_cast<uint8_t>(message->vk)), usage) << keycode;
    MacroRecord r, back;
    r.eventCount = 1;
    r.events[0] = {usage, ACTION_DOWN};
    DecodeMacroEntry(EncodeMacroEntry(r), back);
    EXPECT_EQ(back.events[0].code, usage) << "key " << keycode << " usage " << int{usage};
  }
  EXPECT_GE(keys, 120);
}

}  // namespace
}  // namespace orv::macros
