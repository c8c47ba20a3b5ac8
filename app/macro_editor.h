#pragma once
// The macro editor of the Advanced page: the list of user macros, the name
// and repeat-count boxes, the event list with its context commands and
// in-place delay editing, and the recorder's start, stop and key input.
// Plain C++ on the window thread; the four controls are reached through the
// MacroView port, which the Advanced page's controls implement
// (gui/macro_controls.h) and tests fake.
#include <cstdint>
#include <string>
#include <vector>

#include "app/app_port.h"
#include "app/app_state.h"
#include "macros/recorder.h"

namespace orv::app {

// The event list's client rectangle on the screen, its item height and the
// line shown at its top, as the right-click needs them.
struct EventListGeometry {
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  int32_t itemHeight = 0;
  int32_t topLine = 0;
};

class MacroView {
 public:
  virtual ~MacroView() = default;
  // Whether the controls exist (the Advanced page is shown).
  virtual bool Exists() = 0;

  // ---- The macro list ----
  virtual void SetMacroLines(const std::vector<std::string>& lines) = 0;
  virtual void AddMacroLine(const std::string& line) = 0;
  virtual void RemoveMacroLine(int line) = 0;
  virtual int MacroLineCount() = 0;
  virtual std::string MacroLineText(int line) = 0;
  virtual int MacroSelection() = 0;  // -1 when none
  // Selects a line without a selection notification; an index outside the
  // list clears the selection.
  virtual void SelectMacroLine(int line) = 0;
  virtual void FocusMacroList() = 0;

  // ---- The name and repeat-count boxes ----
  virtual std::string NameText() = 0;
  virtual void SetNameText(const std::string& text) = 0;
  virtual void SetCountBox(const std::string& text, bool enabled) = 0;

  // ---- The event list ----
  // Replaces all lines at once (one repaint).
  virtual void SetEventLines(const std::vector<std::string>& lines) = 0;
  virtual void AppendEventLines(const std::vector<std::string>& lines) = 0;
  virtual int EventLineCount() = 0;
  virtual std::string EventLineText(int line) = 0;
  virtual int EventSelection() = 0;  // -1 when none
  virtual void SelectEventLine(int line) = 0;  // outside the list: no selection
  virtual void FocusEventList() = 0;
  virtual EventListGeometry EventGeometry() = 0;
  // The in-place editor: an edit box over line `line` holding that line's
  // text, all of it selected, with the keyboard focus. Closing it leaves the
  // line as it was.
  virtual void OpenLineEditor(int line) = 0;
  virtual std::string LineEditorText() = 0;
  virtual void CloseLineEditor() = 0;
};

// Fills the event list with the lines of user macro m and sets the count box
// (mode counted: the repeat count, enabled; other modes "1", disabled).
void ShowMacroEvents(AppState& state, MacroView& view, int32_t m);
// The user picked a line of the macro list.
void OnMacroSelected(AppState& state, MacroView& view);
// Refills the macro list from the table and shows the selected macro.
void RefillMacroLists(AppState& state, MacroView& view);

// The first user slot named exactly `name` (case matters), userMacroCount when none.
int32_t FindMacroByName(const AppState& state, const std::string& name);
// Adds a macro named by the name box (Advanced index 2).
void AddMacro(AppState& state, MacroView& view);
// Deletes the selected macro (index 3); nothing while recording.
void DeleteMacro(AppState& state, MacroView& view);
// Index 6 (MODE_COUNTED) and index 7 (MODE_HELD).
void ToggleMacroMode(AppState& state, MacroView& view, AppPort& port, uint8_t modeBit);

// Inserts (code, action) with the default delay as event p of user macro m.
// Refused with "Overflow!!!" when the macro holds 254 events or more.
bool InsertMacroEvent(AppState& state, MessageSink& messages, int32_t m, int32_t p, uint8_t code, uint8_t action);
// Removes event e of user macro m; nothing when there is no such event.
void DeleteMacroEvent(AppState& state, int32_t m, int32_t e);

// A right-button release anywhere in the window while the Advanced page is
// shown: selects the event-list line under `cursor` (screen), notes the
// macro and event the context commands act on. True when the context menu
// is to be shown (the cursor lies over a line of the event list, or over the
// empty list). Nothing happens while recording.
bool OnRightRelease(AppState& state, MacroView& view, Point cursor);
// A context-menu command of either language.
void RunContextCommand(AppState& state, MacroView& view, MessageSink& messages, int commandId);

// ---- In-place editing of the event list ----
// A character typed on the event list: the control character 1 (Ctrl+A, and
// what Modify Delay sends) opens the editor on the selected line.
void OnEventListCharacter(AppState& state, MacroView& view, int code);
// Insert released, or the right button released over the selected line: the
// editor opens when a character 1 is still pending.
void OnEventListInsertReleased(AppState& state, MacroView& view);
void OnEventListRightReleased(AppState& state, MacroView& view, bool overSelectedLine);
// Ends an open edit. Confirmed, its text (the number before "ms", 0 ... 65535)
// becomes the delay of the line the edit was opened on, when that line is a
// delay line and its macro is still the same one in the same place; an edit
// on an event line, of a macro deleted, moved or reloaded meanwhile, and a
// cancelled edit change nothing.
void EndEventEdit(AppState& state, MacroView& view, bool confirm);

// Advanced index 4: starts or stops recording into the selected macro.
void ToggleRecording(AppState& state, MacroView& view);
// Ends a recording that runs; what it recorded stays in its macro.
void StopRecording(AppState& state);
// A key message while recording: records it and shows its lines. True when
// an event was recorded.
bool RecordKey(AppState& state, MacroView& view, macros::KeyMessage message);

}  // namespace orv::app
