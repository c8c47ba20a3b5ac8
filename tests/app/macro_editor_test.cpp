// The macro editor's operations on the model and the four controls (faked).
#include "app/macro_editor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/app_fixture.h"
#include "app/fake_macro_view.h"
#include "app/menu_commands.h"
#include "macros/key_names.h"
#include "support/fake_clock.h"

namespace orv::test {
namespace {

using macros::MacroEvent;
using macros::MacroRecord;

class MacroEditorTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    s.macros.userMacros = {};
    s.macros.userMacroCount = 0;
    s.macros.selectedMacro = 0;
    clock = &UseFakeClock(s);
  }
  // Puts a macro of `events` key presses (codes 4, 5, ...; delays 100, 101, ...)
  // into the next slot and shows the lists.
  void AddStoredMacro(const std::string& name, int events, uint8_t mode = 0, uint16_t repeat = 1) {
    MacroRecord& r = s.macros.userMacros[static_cast<size_t>(s.macros.userMacroCount++)];
    macros::SetMacroName(r, name);
    r.mode = mode;
    r.repeatCount = repeat;
    r.eventCount = static_cast<uint8_t>(events);
    for (int k = 0; k < events; ++k) {
      r.events[k] = {static_cast<uint8_t>(4 + k), macros::ACTION_DOWN};
      r.delays[k] = static_cast<uint16_t>(100 + k);
    }
    app::RefillMacroLists(s, view);
  }
  const MacroRecord& Rec(int slot = 0) const { return s.macros.userMacros[static_cast<size_t>(slot)]; }
  void RightClickLine(int line) { app::OnRightRelease(s, view, view.OverLine(line)); }

  FakeMacroView view;
  FakeClock* clock = nullptr;
};

TEST_F(MacroEditorTest, RefillShowsNamesEventsAndTheRepeatCountOfACountedMacro) {
  AddStoredMacro("one", 1);
  AddStoredMacro("two", 3, macros::MODE_COUNTED, 7);
  s.macros.selectedMacro = 5;  // beyond the list: the last macro
  app::RefillMacroLists(s, view);
  EXPECT_EQ(view.macroLines, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(view.macroSel, 1);
  EXPECT_EQ(view.name, "two");
  EXPECT_EQ(view.eventLines, macros::EventListLines(Rec(1)));
  EXPECT_EQ(view.countText, "7");
  EXPECT_TRUE(view.countEnabled);
  view.macroSel = 0;
  app::OnMacroSelected(s, view);
  EXPECT_EQ(s.macros.selectedMacro, 0);
  EXPECT_EQ(view.countText, "1");
  EXPECT_FALSE(view.countEnabled);
}

// Each row: event lines of the macro before, the line right-clicked, the
// command (English identifier), the events and delays after.
TEST_F(MacroEditorTest, ContextCommandsInBothLanguages) {
  struct Case {
    const char* what;
    int events;
    int line;
    int en, tr;
    std::vector<MacroEvent> after;
    std::vector<uint16_t> delays;
  };
  const uint8_t D = macros::ACTION_DOWN, U = macros::ACTION_UP;
  const std::vector<Case> cases{
      {"add backward on an empty list", 0, 0, app::kCmdEnBackwardLeftDown, app::kCmdTrBackwardLeftDown, {{240, D}}, {30}},
      {"add forward on line 4 of five", 3, 4, app::kCmdEnForwardMidUp, app::kCmdTrForwardMidUp,
       {{4, D}, {5, D}, {242, U}, {6, D}}, {100, 101, 30, 102}},
      {"add backward after event 1", 3, 2, app::kCmdEnBackwardRightUp, app::kCmdTrBackwardRightUp,
       {{4, D}, {5, D}, {241, U}, {6, D}}, {100, 101, 30, 102}},
      {"delete on delay line 3 removes event 1", 3, 3, app::kCmdEnDelete, app::kCmdTrDelete, {{4, D}, {6, D}},
       {100, 102}},
      {"delete on the last event line", 3, 4, app::kCmdEnDelete, app::kCmdTrDelete, {{4, D}, {5, D}}, {100, 101}},
  };
  for (const Case& c : cases) {
    for (int id : {c.en, c.tr}) {
      SCOPED_TRACE(std::string(c.what) + " " + std::to_string(id));
      s.macros.userMacroCount = 0;
      AddStoredMacro("m", c.events);
      RightClickLine(c.line);
      app::RunContextCommand(s, view, port, id);
      ASSERT_EQ(Rec().eventCount, c.after.size());
      for (size_t k = 0; k < c.after.size(); ++k) {
        EXPECT_EQ(Rec().events[k], c.after[k]) << k;
        EXPECT_EQ(Rec().delays[k], c.delays[k]) << k;
      }
      EXPECT_EQ(view.eventLines, macros::EventListLines(Rec()));
    }
  }
}

TEST_F(MacroEditorTest, ModifyDelayOpensTheEditorOnDelayLinesOnly) {
  AddStoredMacro("m", 3);
  RightClickLine(2);
  app::RunContextCommand(s, view, port, app::kCmdEnModifyDelay);
  EXPECT_EQ(view.editorLine, -1);
  RightClickLine(3);
  app::RunContextCommand(s, view, port, app::kCmdTrModifyDelay);
  EXPECT_EQ(view.editorLine, 3);
}

TEST_F(MacroEditorTest, NoMacroOrRecordingMeansContextCommandsDoNothing) {
  RightClickLine(0);  // no macro at all
  EXPECT_EQ(s.editor.contextMacro, -1);
  app::RunContextCommand(s, view, port, app::kCmdEnBackwardLeftDown);
  app::RunContextCommand(s, view, port, app::kCmdEnDelete);
  EXPECT_EQ(Rec().eventCount, 0);
  app::DeleteMacro(s, view);
  EXPECT_EQ(s.macros.userMacroCount, 0);

  AddStoredMacro("m", 2);
  app::ToggleRecording(s, view);
  RightClickLine(0);
  app::RunContextCommand(s, view, port, app::kCmdEnBackwardLeftDown);
  app::DeleteMacro(s, view);
  EXPECT_EQ(s.macros.userMacroCount, 1);
  EXPECT_EQ(Rec().eventCount, 0);  // emptied by the recording, nothing inserted
}

TEST_F(MacroEditorTest, RightClickBelowTheLinesOpensNoMenu) {
  AddStoredMacro("m", 2);
  EXPECT_TRUE(app::OnRightRelease(s, view, view.OverLine(2)));
  EXPECT_FALSE(app::OnRightRelease(s, view, view.OverLine(3)));
  EXPECT_EQ(s.editor.contextEvent, 0);  // no line selected: event 0, never -1
  EXPECT_FALSE(app::OnRightRelease(s, view, {500, 5}));  // outside the list
}

// An edit opened with Ctrl+A on delay line 3 (the delay after event 1).
TEST_F(MacroEditorTest, TheTextOfAConfirmedEditBecomesTheDelayOfItsLine) {
  struct Case {
    const char* text;
    bool confirm;
    uint16_t stored;
  } cases[] = {{"    120ms", true, 120}, {"abc", true, 0},    {"70000ms", true, 65535}, {"-1", true, 0},
               {"45 ms", true, 45},      {"500", false, 101}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    s.macros.userMacroCount = 0;
    AddStoredMacro("m", 3);
    view.eventSel = 3;
    app::OnEventListCharacter(s, view, 1);
    ASSERT_EQ(view.editorLine, 3);
    view.editorText = c.text;
    app::EndEventEdit(s, view, c.confirm);
    EXPECT_EQ(view.editorLine, -1);
    EXPECT_EQ(Rec().delays[1], c.stored);
    EXPECT_EQ(view.eventLines[3], macros::DelayLineText(c.stored));
  }
}

TEST_F(MacroEditorTest, InsertionIntoA254EventMacroOverflows) {
  AddStoredMacro("m", 254);
  const MacroRecord before = Rec();
  RightClickLine(0);
  app::RunContextCommand(s, view, port, app::kCmdEnForwardLeftDown);
  EXPECT_EQ(port.messages, (std::vector<std::string>{"Overflow!!!"}));
  EXPECT_EQ(Rec(), before);
}

TEST_F(MacroEditorTest, AddFindsNamesCaseSensitivelyAndStopsAtTwelve) {
  view.name = "Fire";
  app::AddMacro(s, view);
  view.name = "Fire";
  app::AddMacro(s, view);
  EXPECT_EQ(s.macros.userMacroCount, 1);
  view.name = "fire";
  app::AddMacro(s, view);
  EXPECT_EQ(s.macros.userMacroCount, 2);
  view.name = "Fire";
  app::AddMacro(s, view);
  EXPECT_EQ(s.macros.selectedMacro, 0);
  EXPECT_EQ(view.macroSel, 0);
  for (const char* blank : {"", "   "}) {
    view.name = blank;
    app::AddMacro(s, view);
    EXPECT_EQ(s.macros.userMacroCount, 2);
  }
  view.name = "a name longer than nineteen units";
  app::AddMacro(s, view);
  EXPECT_EQ(view.macroLines.back(), "a name longer than ");
  for (int i = 0; i < 20; ++i) {
    view.name = "m" + std::to_string(i);
    app::AddMacro(s, view);
  }
  EXPECT_EQ(s.macros.userMacroCount, macros::MAX_USER_MACROS);
  EXPECT_EQ(view.macroLines.size(), 12u);
}

TEST_F(MacroEditorTest, DeleteMovesSlotsDownAndResetsTheVacatedSlot) {
  AddStoredMacro("a", 1);
  AddStoredMacro("b", 2, macros::MODE_COUNTED, 5);
  AddStoredMacro("c", 3, macros::MODE_HELD);
  // Buttons on a, b, c and on the unlisted slot 3.
  for (int b = 0; b < 4; ++b) s.settings.K[b] = 41 + b;
  view.macroSel = 1;
  app::OnMacroSelected(s, view);
  app::DeleteMacro(s, view);
  EXPECT_EQ(s.macros.userMacroCount, 2);
  // The buttons follow their macros; b's is left without a function.
  EXPECT_EQ((std::vector<int32_t>{s.settings.K[0], s.settings.K[1], s.settings.K[2], s.settings.K[3]}),
            (std::vector<int32_t>{41, 0, 42, 44}));
  EXPECT_EQ(macros::MacroName(Rec(1)), "c");
  EXPECT_EQ(Rec(1).eventCount, 3);
  EXPECT_EQ(Rec(2).mode, 0);
  EXPECT_EQ(Rec(2).repeatCount, 1);
  EXPECT_EQ(Rec(2).eventCount, 0);
  EXPECT_EQ(view.macroSel, 0);
  EXPECT_EQ(view.name, "a");
}

TEST_F(MacroEditorTest, DeletingTheOnlyMacroEmptiesTheControls) {
  AddStoredMacro("only", 2, macros::MODE_COUNTED, 9);
  app::DeleteMacro(s, view);
  EXPECT_TRUE(view.macroLines.empty());
  EXPECT_EQ(view.name, "");
  EXPECT_EQ(view.countText, "1");
  EXPECT_FALSE(view.countEnabled);
  EXPECT_TRUE(view.eventLines.empty());
  EXPECT_EQ(s.macros.userMacroCount, 0);
}

TEST_F(MacroEditorTest, ModeTogglesReplaceTheWholeMode) {
  AddStoredMacro("m", 1, macros::MODE_HELD, 12);
  app::ToggleMacroMode(s, view, port, macros::MODE_COUNTED);
  EXPECT_EQ(Rec().mode, macros::MODE_COUNTED);
  EXPECT_EQ(view.countText, "12");
  EXPECT_TRUE(view.countEnabled);
  app::ToggleMacroMode(s, view, port, macros::MODE_COUNTED);
  EXPECT_EQ(Rec().mode, macros::MODE_ONCE);
  EXPECT_FALSE(view.countEnabled);
  app::ToggleMacroMode(s, view, port, macros::MODE_HELD);
  EXPECT_EQ(Rec().mode, macros::MODE_HELD);
  app::ToggleMacroMode(s, view, port, macros::MODE_HELD);
  EXPECT_EQ(Rec().mode, macros::MODE_ONCE);
}

TEST_F(MacroEditorTest, RepeatCountIsKeptWithinItsRangeAndOnlyCountedMacrosTakeIt) {
  AddStoredMacro("m", 1, macros::MODE_COUNTED, 5);
  struct Case {
    const char* typed;
    uint16_t stored;
    const char* shown;
  } cases[] = {{"0", 1, "1"}, {"70000", 65535, "65535"}, {"  42", 42, "  42"}, {"x", 1, "1"}};
  for (const Case& c : cases) {
    port.countText = c.typed;
    app::TakeRepeatCount(s, port);
    EXPECT_EQ(Rec().repeatCount, c.stored) << c.typed;
    EXPECT_EQ(port.countText, c.shown) << c.typed;
  }
  // A macro of another mode keeps its count: its box shows "1", disabled.
  s.macros.userMacros[0].mode = macros::MODE_HELD;
  s.macros.userMacros[0].repeatCount = 9;
  port.countText = "1";
  app::TakeRepeatCount(s, port);
  EXPECT_EQ(Rec().repeatCount, 9);
}

TEST_F(MacroEditorTest, RecordingFillsTheSelectedSlotAndItsLines) {
  AddStoredMacro("first", 2, macros::MODE_COUNTED, 4);
  AddStoredMacro("second", 2);
  view.macroSel = 0;
  app::OnMacroSelected(s, view);
  app::ToggleRecording(s, view);
  EXPECT_TRUE(s.editor.recording);
  EXPECT_EQ(view.countText, "1");
  EXPECT_FALSE(view.countEnabled);
  EXPECT_TRUE(view.eventLines.empty());
  clock->SetMsOfDay(100);
  EXPECT_TRUE(app::RecordKey(s, view, {macros::kKeyDown, 'A'}));
  clock->SetMsOfDay(250);
  EXPECT_TRUE(app::RecordKey(s, view, {macros::kKeyUp, 'A'}));
  EXPECT_EQ(view.eventLines.size(), 3u);
  EXPECT_EQ(view.eventSel, 2);
  app::ToggleRecording(s, view);
  EXPECT_FALSE(s.editor.recording);
  EXPECT_EQ(Rec().eventCount, 2);
  EXPECT_EQ(Rec().delays[0], 150);
  EXPECT_EQ(Rec().repeatCount, 1);
  EXPECT_EQ(macros::MacroName(Rec()), "first");
  EXPECT_EQ(view.eventLines, macros::EventListLines(Rec()));
}

// A playback thread reads the table under its lock while the editor and the
// recorder change it (the thread-sanitizer build checks every writer).
TEST_F(MacroEditorTest, EditsAndRecordingWhilePlaybackReads) {
  AddStoredMacro("m", 10, macros::MODE_COUNTED, 3);
  std::atomic<bool> stop{false};
  std::atomic<int> reads{0};
  std::thread player([&] {
    while (!stop) {
      std::lock_guard lock(s.macros.mutex);
      const MacroRecord& r = s.macros.userMacros[0];
      int sum = r.eventCount + r.repeatCount + r.mode;
      for (int k = 0; k < r.eventCount; ++k) sum += r.events[k].code + r.delays[k];
      if (sum >= 0) ++reads;
    }
  });
  for (int round = 0; round < 50; ++round) {
    RightClickLine(2);
    app::RunContextCommand(s, view, port, app::kCmdEnForwardLeftDown);
    app::RunContextCommand(s, view, port, app::kCmdEnDelete);
    port.countText = std::to_string(round + 1);
    app::TakeRepeatCount(s, port);
    app::ToggleMacroMode(s, view, port, macros::MODE_HELD);
    app::ToggleMacroMode(s, view, port, macros::MODE_COUNTED);
  }
  app::ToggleRecording(s, view);
  for (int k = 0; k < 40; ++k) app::RecordKey(s, view, {k % 2 ? macros::kKeyUp : macros::kKeyDown, 'A'});
  app::ToggleRecording(s, view);
  view.name = "second";
  app::AddMacro(s, view);
  app::DeleteMacro(s, view);
  while (reads == 0) std::this_thread::yield();
  stop = true;
  player.join();
  EXPECT_EQ(Rec().eventCount, 40);
}

}  // namespace
}  // namespace orv::test
