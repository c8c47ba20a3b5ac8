#pragma once
// The main window's keyboard: which painted control has the focus, the ring
// painted around it, Tab and Ctrl+Tab, the arrows, Space, Enter and Escape,
// the keys of a recording, and the status line a screen reader speaks. Where the keys go is
// decided in app/keyboard_navigation.h; this carries it out on the window.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/app_port.h"
#include "app/app_state.h"
#include "app/page_controls.h"

class QKeyEvent;
class QPainter;
class QWidget;

namespace orv::app {

class FunctionMenu;
class MacroPageControls;

class KeyboardFocus {
 public:
  // The painted controls are `window`'s, which also carries out what a press
  // on them asks (`port`); the window's own controls come in the Tab order
  // as `macroControls` lists them, and a recording's keys go to them. Once
  // `windowGone` says the window was destroyed, no control is pressed any more.
  KeyboardFocus(AppState& state, QWidget& window, AppPort& port, MacroPageControls& macroControls,
                std::function<bool()> windowGone);
  KeyboardFocus(const KeyboardFocus&) = delete;
  KeyboardFocus& operator=(const KeyboardFocus&) = delete;

  QWidget& Window() const { return window_; }
  // The controls of the page shown, and the one of them with `key` (none
  // when it is not on the page).
  std::vector<PageControl> Controls() const { return PageControls(state_); }
  std::optional<PageControl> Control(const ControlKey& key) const;
  // The painted control the keyboard is on; shown focused while the window
  // itself (none of its child controls) has the keyboard.
  ControlKey FocusedControl() const { return focus_; }
  bool ControlHasFocus(const ControlKey& key) const;
  void FocusControl(const ControlKey& key);
  // A press and release on the control; a slider set to a value.
  void ActivateControl(const ControlKey& key);
  void SetControlValue(const ControlKey& key, int value);
  // The last change spoken (a page shown, a function chosen, an Apply done).
  const std::string& StatusText() const { return status_; }
  void Announce(const std::string& text);

  // A key pressed or released on `watched`, the window or one of its
  // controls, before they see it; true when taken. While a recording runs,
  // every key is the recorder's. F10 is taken (no menu bar to open); Escape
  // closes an open function menu and, with Return and Enter, is taken so no
  // dialog-like default acts on it.
  bool OnKeyEvent(QWidget* watched, const QKeyEvent& key, bool press, FunctionMenu* menu);
  // Paints the focus ring over the window's frame, once Tab has been used
  // (pointer-only use paints exactly the page), and notes the page and
  // language shown.
  void Paint(QPainter& painter);

 private:
  // Tab, Shift+Tab, Ctrl+Tab, the arrows, Space and Enter; true when taken.
  // While the window itself has the keyboard, an open function menu (`menu`)
  // sees the keys before the painted controls.
  bool OnNavigationKey(QWidget* watched, const QKeyEvent& key, FunctionMenu* menu);
  void MoveTabFocus(bool forward);
  // After a change of page or language: the focus stays on a control that is
  // still there, and the screen reader hears of the new controls.
  void AfterControlsChanged();

  AppState& state_;
  QWidget& window_;
  AppPort& port_;
  MacroPageControls& macroControls_;
  std::function<bool()> windowGone_;
  ControlKey focus_;           // the painted control the keyboard is on
  bool keyboardUsed_ = false;  // the focus ring shows once Tab has been pressed
  uint8_t controlsPage_ = kPageMain;
  int32_t controlsLanguage_ = 0;
  std::string status_;
};

}  // namespace orv::app
