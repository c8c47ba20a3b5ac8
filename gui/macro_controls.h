#pragma once
// The Advanced page's four child controls (the repeat-count and name boxes,
// the macro list and the event list with its in-place editor), the event
// list's context menu, and the desktop's keyboard while a recording runs.
// They exist only while the Advanced page is shown; what they do is the macro
// editor's (app/macro_editor.h), reached through the MacroView port.
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/app_port.h"
#include "app/app_state.h"
#include "app/macro_editor.h"
#include "gui/x11_keyboard_grab.h"
#include "skin/owner_drawn_menu.h"

class QEvent;
class QKeyEvent;
class QLineEdit;
class QListWidget;
class QMenu;
class QPoint;
class QStyle;
class QWidget;

namespace orv::skin {
class PagePainter;
}  // namespace orv::skin

namespace orv::app {

class EditableListBox;

class MacroPageControls final : public QObject, public MacroView {
 public:
  // The controls are children of `window` and drawn in the skin's fonts and
  // colours (`painter`); repaints and the context menu's commands go to `port`.
  MacroPageControls(AppState& state, QWidget& window, AppPort& port, const skin::PagePainter& painter);
  ~MacroPageControls() override;
  MacroPageControls(const MacroPageControls&) = delete;
  MacroPageControls& operator=(const MacroPageControls&) = delete;

  // Creates the controls at the layout's rectangles, in the order count box,
  // name box, macro list, event list; any made before go first.
  void Create();
  // An edit still open goes with the list, unstored.
  void Destroy();
  // The language's font and the skin's colours on the controls that exist.
  void Style();
  // Names the controls for screen readers (at creation and a language switch).
  void Name();
  // The controls in the order Tab visits them (those that take the focus).
  std::vector<QWidget*> FocusOrder() const;
  void Refill();
  std::string CountText();
  void SetCountText(const std::string& text);

  // ---- The Advanced page's operations ----
  void AddMacro();
  void DeleteMacro();
  void ToggleRecording();
  void StopRecording();
  void ToggleMacroMode(uint8_t modeBit);

  // ---- The event list's context menu ----
  // Rebuilds the menu from the shown items of the language's owner-drawn
  // menu; a chosen item's identifier goes to `onCommand`.
  void LoadContextMenu(const std::vector<skin::MenuNode>& items, QStyle& style, std::function<void(int)> onCommand);
  void PopupContextMenu(const QPoint& globalPos);
  // A right-button release on the Advanced page: the event list's line under
  // the pointer is chosen; over the list the context menu opens (true).
  bool OnRightButtonRelease(const QPoint& globalPos);

  // ---- The keyboard while recording ----
  // Whether the keyboard is grabbed for a recording (tests).
  bool KeyboardGrabbed() const { return keyboardGrabbed_; }
  // A key pressed or released while recording, by its X key code.
  void RecordNativeKey(uint32_t keycode, bool press, bool autoRepeat);
  // A key event of the window or its controls while recording: recorded
  // unless the desktop's keyboard is grabbed (its keys then come as native
  // events). The keyboard belongs to the recording: the event goes no further.
  void RecordKeyEvent(const QKeyEvent& key, bool press);
  // One of the program's menus let the keyboard go as it closed: a
  // recording takes it back.
  void OnMenuHidden();
  // Gives the keyboard back and records nothing more (the window goes away).
  void End();

  // ---- MacroView ----
  bool Exists() override;
  void SetMacroLines(const std::vector<std::string>& lines) override;
  void AddMacroLine(const std::string& line) override;
  void RemoveMacroLine(int line) override;
  int MacroLineCount() override;
  std::string MacroLineText(int line) override;
  int MacroSelection() override;
  void SelectMacroLine(int line) override;
  void FocusMacroList() override;
  std::string NameText() override;
  void SetNameText(const std::string& text) override;
  void SetCountBox(const std::string& text, bool enabled) override;
  void SetEventLines(const std::vector<std::string>& lines) override;
  void AppendEventLines(const std::vector<std::string>& lines) override;
  int EventLineCount() override;
  std::string EventLineText(int line) override;
  int EventSelection() override;
  void SelectEventLine(int line) override;
  void FocusEventList() override;
  EventListGeometry EventGeometry() override;
  void OpenLineEditor(int line) override;
  std::string LineEditorText() override;
  void CloseLineEditor() override;

 private:
  // On X11 the keyboard is grabbed on the root window, so the recording
  // keeps every key whatever our window does; should the server refuse, or
  // where the window system allows no grab (Wayland), the keys that reach the
  // focused window are recorded.
  void GrabKeyboard(bool grab);

  AppState& state_;
  QWidget& window_;
  AppPort& port_;
  const skin::PagePainter& painter_;
  bool ended_ = false;

  QPointer<QLineEdit> countEdit_;
  QPointer<QLineEdit> nameEdit_;
  QPointer<QListWidget> macroList_;
  QPointer<EditableListBox> eventList_;
  QMenu* contextMenu_ = nullptr;

  bool keyboardGrabbed_ = false;
  X11KeyboardGrab rootGrab_;
};

}  // namespace orv::app
