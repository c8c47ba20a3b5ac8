#include "app/macro_editor.h"

#include <algorithm>

#include "app/menu_commands.h"
#include "macros/key_names.h"
#include "platform/decimal.h"

namespace orv::app {
namespace {

using macros::MacroRecord;

inline constexpr int32_t kOverflowEvents = 254;
inline constexpr const char* kOverflowMessage = "Overflow!!!";
inline constexpr int32_t kLastContextMacro = macros::MAX_USER_MACROS - 1;
inline constexpr int kEditCharacter = 1;  // the character that opens the in-place editor
inline constexpr int32_t kMaxDelayMs = 65535;

bool ValidSlot(int32_t m) { return m >= 0 && m < macros::MACRO_SLOTS; }

// A user macro the editor may act on: one listed in the macro list.
bool ListedMacro(const AppState& s, int32_t m) { return m >= 0 && m < s.macros.userMacroCount; }

MacroRecord& Slot(AppState& s, int32_t m) { return s.macros.userMacros[static_cast<size_t>(m)]; }

// The lines of event k: the delay line before it (k > 0), then its own line.
std::vector<std::string> EventLines(const MacroRecord& r, int32_t k) {
  std::vector<std::string> lines;
  if (k > 0) lines.push_back(macros::DelayLineText(r.delays[static_cast<size_t>(k - 1)]));
  lines.push_back(macros::EventLineText(r.events[static_cast<size_t>(k)]));
  return lines;
}

// A name of blanks only names nothing.
bool BlankName(const std::string& text) { return text.find_first_not_of(" \t\r\n\f\v") == std::string::npos; }

// The user turns to another control or command: an open edit ends as a click
// elsewhere ends it, confirmed.
void FinishEventEdit(AppState& s, MacroView& view) { EndEventEdit(s, view, true); }

void ShowCountOf(MacroView& view, const MacroRecord& r) {
  if (r.mode == macros::MODE_COUNTED) {
    view.SetCountBox(std::to_string(r.repeatCount), true);
  } else {
    view.SetCountBox("1", false);
  }
}

}  // namespace

void ShowMacroEvents(AppState& s, MacroView& view, int32_t m) {
  // A refill takes the lines an open edit stands on: it ends unstored.
  EndEventEdit(s, view, false);
  if (!ValidSlot(m)) {
    view.SetEventLines({});
    return;
  }
  const MacroRecord& r = Slot(s, m);
  view.SetEventLines(macros::EventListLines(r));
  // The count box follows every macro shown, empty ones included, so it
  // never shows another macro's count (which a Save would then store).
  ShowCountOf(view, r);
  if (r.eventCount == 0) return;
  view.SelectEventLine(s.editor.recorder.Recording() ? view.EventLineCount() - 1 : s.editor.selectedEventLine);
}

void OnMacroSelected(AppState& s, MacroView& view) {
  FinishEventEdit(s, view);
  const int sel = view.MacroSelection();
  if (sel < 0) return;
  {
    std::lock_guard lock(s.macros.mutex);
    s.macros.selectedMacro = sel;
  }
  view.SetNameText(view.MacroLineText(sel));
  ShowMacroEvents(s, view, sel);
}

void RefillMacroLists(AppState& s, MacroView& view) {
  if (!view.Exists()) return;
  EndEventEdit(s, view, false);
  const int count = std::clamp<int>(s.macros.userMacroCount, 0, macros::MAX_USER_MACROS);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back(macros::MacroName(Slot(s, i)));
  view.SetMacroLines(names);
  if (count == 0) {
    view.SetNameText("");
    view.SetEventLines({});
    view.SetCountBox("1", false);
    return;
  }
  {
    std::lock_guard lock(s.macros.mutex);
    s.macros.selectedMacro = std::clamp<int32_t>(s.macros.selectedMacro, 0, count - 1);
  }
  view.SelectMacroLine(s.macros.selectedMacro);
  OnMacroSelected(s, view);
}

int32_t FindMacroByName(const AppState& s, const std::string& name) {
  const int32_t count = std::clamp<int32_t>(s.macros.userMacroCount, 0, macros::MAX_USER_MACROS);
  for (int32_t i = 0; i < count; ++i) {
    MacroRecord probe;
    macros::SetMacroName(probe, name);
    if (s.macros.userMacros[static_cast<size_t>(i)].name == probe.name) return i;
  }
  return count;
}

void AddMacro(AppState& s, MacroView& view) {
  FinishEventEdit(s, view);
  const std::string text = view.NameText();
  view.FocusMacroList();
  if (s.macros.userMacroCount >= macros::MAX_USER_MACROS || BlankName(text)) return;
  const int32_t i = s.macros.userMacroCount > 0 ? FindMacroByName(s, text) : 0;
  if (i != s.macros.userMacroCount) {
    // A macro of that name exists: it is selected as a click on it would.
    view.SelectMacroLine(i);
    OnMacroSelected(s, view);
    return;
  }
  {
    // A new macro is empty, played once, whatever the slot held before.
    std::lock_guard lock(s.macros.mutex);
    MacroRecord& r = Slot(s, i);
    r = MacroRecord{};
    macros::SetMacroName(r, text);
    r.mode = macros::MODE_ONCE;
    r.repeatCount = 1;
    s.macros.selectedMacro = i;
    s.macros.userMacroCount = static_cast<int16_t>(i + 1);
  }
  view.SetEventLines({});
  view.AddMacroLine(macros::MacroName(Slot(s, i)));
  ShowCountOf(view, Slot(s, i));
  view.SelectMacroLine(i);
}

void DeleteMacro(AppState& s, MacroView& view) {
  if (s.editor.recorder.Recording() || view.MacroLineCount() <= 0) return;
  FinishEventEdit(s, view);
  const int w = view.MacroSelection();
  const int32_t count = s.macros.userMacroCount;
  if (w < 0 || w >= count) return;
  int v = w > 0 ? w - 1 : 0;
  {
    std::lock_guard lock(s.macros.mutex);
    for (int32_t k = w; k + 1 < count; ++k) Slot(s, k) = Slot(s, k + 1);
    MacroRecord& last = Slot(s, count - 1);
    last.mode = macros::MODE_ONCE;
    last.repeatCount = 1;
    last.eventCount = 0;
    s.macros.userMacroCount = static_cast<int16_t>(count - 1);
    s.macros.selectedMacro = v;
  }
  // The buttons follow their macros: those on a later macro move down with
  // it, those on the deleted one are left without a function.
  for (Shared<int32_t>& k : s.settings.K) {
    const int32_t code = k;
    if (code < settings::kFirstUserMacroFunction || code > settings::kLastUserMacroFunction) continue;
    const int32_t j = code - settings::kFirstUserMacroFunction;
    if (j == w) {
      k = settings::kNoFunction;
    } else if (j > w && j < count) {
      k = code - 1;
    }
  }
  view.RemoveMacroLine(w);
  view.SelectMacroLine(v);
  if (view.MacroLineCount() == 0) {
    view.SetNameText("");
    view.SetCountBox("1", false);
    view.SetEventLines({});
    return;
  }
  view.SetNameText(view.MacroLineText(v));
  ShowMacroEvents(s, view, v);
}

void ToggleMacroMode(AppState& s, MacroView& view, AppPort& port, uint8_t modeBit) {
  FinishEventEdit(s, view);
  const int32_t m = s.macros.selectedMacro;
  if (!ListedMacro(s, m)) return;
  MacroRecord& r = Slot(s, m);
  std::lock_guard lock(s.macros.mutex);
  if (modeBit == macros::MODE_COUNTED) {
    if ((r.mode & 1) == 0) {
      r.mode = macros::MODE_COUNTED;
      view.SetCountBox(std::to_string(r.repeatCount), true);
    } else {
      r.mode = macros::MODE_ONCE;
      view.SetCountBox("1", false);
    }
    port.Invalidate(RepaintArea::Whole);
  } else if (modeBit == macros::MODE_HELD) {
    if ((r.mode & 2) != 0) {
      r.mode = macros::MODE_ONCE;
    } else {
      r.mode = macros::MODE_HELD;
      view.SetCountBox("1", false);
    }
    port.Invalidate(RepaintArea::Whole);
  }
}

bool InsertMacroEvent(AppState& s, MessageSink& messages, int32_t m, int32_t p, uint8_t code, uint8_t action) {
  if (!ValidSlot(m)) return false;
  MacroRecord& r = Slot(s, m);
  const int32_t b = r.eventCount;
  if (b >= kOverflowEvents) {
    Tell(messages, kOverflowMessage);
    return false;
  }
  p = std::clamp<int32_t>(p, 0, b);
  std::lock_guard lock(s.macros.mutex);
  r.eventCount = static_cast<uint8_t>(b + 1);
  for (int32_t k = b; k > p; --k) {
    r.events[static_cast<size_t>(k)] = r.events[static_cast<size_t>(k - 1)];
    r.delays[static_cast<size_t>(k)] = r.delays[static_cast<size_t>(k - 1)];
  }
  s.editor.selectedEventLine += 2;
  r.events[static_cast<size_t>(p)] = {code, action};
  r.delays[static_cast<size_t>(p)] = macros::DEFAULT_DELAY_MS;
  return true;
}

void DeleteMacroEvent(AppState& s, int32_t m, int32_t e) {
  if (!ValidSlot(m)) return;
  MacroRecord& r = Slot(s, m);
  if (e < 0 || e >= r.eventCount) return;
  std::lock_guard lock(s.macros.mutex);
  const int32_t n = r.eventCount - 1;
  r.eventCount = static_cast<uint8_t>(n);
  for (int32_t k = e; k < n; ++k) {
    r.events[static_cast<size_t>(k)] = r.events[static_cast<size_t>(k + 1)];
    r.delays[static_cast<size_t>(k)] = r.delays[static_cast<size_t>(k + 1)];
  }
}

bool OnRightRelease(AppState& s, MacroView& view, Point cursor) {
  if (s.editor.recorder.Recording() || !view.Exists()) return false;
  FinishEventEdit(s, view);
  const EventListGeometry g = view.EventGeometry();
  const int32_t h = g.itemHeight;
  const int32_t line = h != 0 ? (h * g.topLine + cursor.y - g.top) / h : 0;
  s.editor.selectedEventLine = line;
  view.SelectEventLine(line);
  s.editor.eventLineCount = view.EventLineCount();
  const bool inside = cursor.x >= g.left && cursor.x < g.right && cursor.y >= g.top && cursor.y < g.bottom;
  // The commands act on what is selected now; the menu does not change it.
  s.editor.contextEvent = view.EventSelection() / 2;
  const int macro = view.MacroSelection();
  s.editor.contextMacro = macro >= macros::MAX_USER_MACROS ? kLastContextMacro : macro;
  return inside && (line < s.editor.eventLineCount || s.editor.eventLineCount == 0);
}

void RunContextCommand(AppState& s, MacroView& view, MessageSink& messages, int commandId) {
  const std::optional<ContextCommand> cmd = ContextCommandFor(commandId);
  // Nothing while recording, and nothing without a listed macro to act on.
  if (!cmd || s.editor.recorder.Recording() || !ListedMacro(s, s.editor.contextMacro)) return;
  FinishEventEdit(s, view);
  const int32_t m = s.editor.contextMacro;
  switch (cmd->action) {
    case ContextAction::AddForward:
      InsertMacroEvent(s, messages, m, s.editor.contextEvent, cmd->code, cmd->eventAction);
      break;
    case ContextAction::AddBackward:
      if (view.EventLineCount() > 0) {
        InsertMacroEvent(s, messages, m, s.editor.contextEvent + 1, cmd->code, cmd->eventAction);
      } else {
        InsertMacroEvent(s, messages, m, 0, cmd->code, cmd->eventAction);
        s.editor.selectedEventLine = 0;
      }
      break;
    case ContextAction::ModifyDelay:
      if (s.editor.eventLineCount != 0 && s.editor.selectedEventLine % 2 == 1) {
        OnEventListCharacter(s, view, kEditCharacter);
      }
      return;
    case ContextAction::Delete:
      DeleteMacroEvent(s, m, s.editor.contextEvent);
      s.editor.selectedEventLine = s.editor.selectedEventLine < 3 ? 0 : s.editor.selectedEventLine - 2;
      break;
  }
  ShowMacroEvents(s, view, m);
}

// ---- In-place editing ----

namespace {

// Opens the editor on the selected line of the shown macro when a character 1
// is pending (and takes it). Not while recording: the keys are the recording's.
void BeginEventEdit(AppState& s, MacroView& view) {
  if (s.editor.eventListPendingChar != kEditCharacter) return;
  s.editor.eventListPendingChar = 0;
  if (s.editor.eventEdit || s.editor.recorder.Recording() || !view.Exists()) return;
  const int line = view.EventSelection();
  const int32_t m = s.macros.selectedMacro;
  if (line < 0 || line >= view.EventLineCount() || !ListedMacro(s, m)) return;
  s.editor.eventEdit = EventEdit{m, line, Slot(s, m)};
  view.OpenLineEditor(line);
}

}  // namespace

void OnEventListCharacter(AppState& s, MacroView& view, int code) {
  s.editor.eventListPendingChar = code;
  BeginEventEdit(s, view);
}

void OnEventListInsertReleased(AppState& s, MacroView& view) { BeginEventEdit(s, view); }

void OnEventListRightReleased(AppState& s, MacroView& view, bool overSelectedLine) {
  if (overSelectedLine) BeginEventEdit(s, view);
}

void EndEventEdit(AppState& s, MacroView& view, bool confirm) {
  if (!s.editor.eventEdit) return;
  // Taken first: closing the editor moves the focus, which ends it again.
  const EventEdit edit = std::move(*s.editor.eventEdit);
  s.editor.eventEdit.reset();
  const std::string text = view.LineEditorText();
  view.CloseLineEditor();
  if (!confirm || !ListedMacro(s, edit.macro) || Slot(s, edit.macro) != edit.before) return;
  const MacroRecord& r = Slot(s, edit.macro);
  // Line 2k + 1 is the delay after event k; the last event's is not shown.
  const int32_t k = edit.line / 2;
  if (edit.line % 2 != 1 || k + 1 >= r.eventCount) return;
  std::string number = text;
  if (const size_t ms = number.find("ms"); ms != std::string::npos) number.resize(ms);
  const auto delay = static_cast<uint16_t>(std::clamp<int32_t>(ReadDecimal(number), 0, kMaxDelayMs));
  {
    std::lock_guard lock(s.macros.mutex);
    Slot(s, edit.macro).delays[static_cast<size_t>(k)] = delay;
  }
  if (s.macros.selectedMacro == edit.macro && view.Exists()) {
    ShowMacroEvents(s, view, edit.macro);
    view.SelectEventLine(edit.line);
  }
}

void ToggleRecording(AppState& s, MacroView& view) {
  FinishEventEdit(s, view);
  view.FocusEventList();
  if (s.editor.recorder.Recording()) {
    StopRecording(s);
    return;
  }
  if (view.MacroLineCount() <= 0) return;
  int slot = view.MacroSelection();
  if (slot < 0) slot = 0;
  s.editor.recorder.Start(s.macros, slot, view.MacroLineText(slot), *s.clock);
  s.editor.recording = true;
  view.SetCountBox("1", false);
  view.SetEventLines({});
}

void StopRecording(AppState& s) {
  s.editor.recorder.Stop(s.macros);
  s.editor.recording = false;
}

bool RecordKey(AppState& s, MacroView& view, macros::KeyMessage message) {
  const int k = s.editor.recorder.OnKey(s.macros, message);
  if (k < 0) return false;
  // Lines go to the list only while it shows the macro being recorded.
  if (view.Exists() && s.macros.selectedMacro == s.editor.recorder.Macro()) {
    view.AppendEventLines(EventLines(Slot(s, s.editor.recorder.Macro()), k));
    view.SelectEventLine(view.EventLineCount() - 1);
  }
  return true;
}

// ---- Context command identifiers ----

std::optional<ContextCommand> ContextCommandFor(int id) {
  using A = ContextAction;
  constexpr uint8_t L = macros::CODE_LEFT_BUTTON, R = macros::CODE_RIGHT_BUTTON, M = macros::CODE_MIDDLE_BUTTON;
  constexpr uint8_t D = macros::ACTION_DOWN, U = macros::ACTION_UP;
  struct Row {
    int en, tr;
    ContextCommand cmd;
  };
  static constexpr Row kRows[] = {
      {kCmdEnForwardLeftDown, kCmdTrForwardLeftDown, {A::AddForward, L, D}},
      {kCmdEnForwardLeftUp, kCmdTrForwardLeftUp, {A::AddForward, L, U}},
      {kCmdEnForwardRightDown, kCmdTrForwardRightDown, {A::AddForward, R, D}},
      {kCmdEnForwardRightUp, kCmdTrForwardRightUp, {A::AddForward, R, U}},
      {kCmdEnForwardMidDown, kCmdTrForwardMidDown, {A::AddForward, M, D}},
      {kCmdEnForwardMidUp, kCmdTrForwardMidUp, {A::AddForward, M, U}},
      {kCmdEnBackwardLeftDown, kCmdTrBackwardLeftDown, {A::AddBackward, L, D}},
      {kCmdEnBackwardLeftUp, kCmdTrBackwardLeftUp, {A::AddBackward, L, U}},
      {kCmdEnBackwardRightDown, kCmdTrBackwardRightDown, {A::AddBackward, R, D}},
      {kCmdEnBackwardRightUp, kCmdTrBackwardRightUp, {A::AddBackward, R, U}},
      {kCmdEnBackwardMidDown, kCmdTrBackwardMidDown, {A::AddBackward, M, D}},
      {kCmdEnBackwardMidUp, kCmdTrBackwardMidUp, {A::AddBackward, M, U}},
      {kCmdEnModifyDelay, kCmdTrModifyDelay, {A::ModifyDelay, 0, 0}},
      {kCmdEnDelete, kCmdTrDelete, {A::Delete, 0, 0}},
  };
  for (const Row& row : kRows) {
    if (row.en == id || row.tr == id) return row.cmd;
  }
  return std::nullopt;
}

}  // namespace orv::app
