#include "gui/keyboard_focus.h"

#include <QKeyEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include "app/controller.h"
#include "app/keyboard_navigation.h"
#include "gui/accessibility.h"
#include "gui/macro_controls.h"
#include "gui/popups.h"
#include "skin/hit_indexes.h"

namespace orv::app {

KeyboardFocus::KeyboardFocus(AppState& state, QWidget& window, AppPort& port, MacroPageControls& macroControls,
                             std::function<bool()> windowGone)
    : state_(state), window_(window), port_(port), macroControls_(macroControls), windowGone_(std::move(windowGone)) {}

std::optional<PageControl> KeyboardFocus::Control(const ControlKey& key) const {
  std::vector<PageControl> controls = Controls();
  const int at = FindControl(controls, key);
  if (at < 0) return std::nullopt;
  return std::move(controls[static_cast<size_t>(at)]);
}

bool KeyboardFocus::ControlHasFocus(const ControlKey& key) const {
  if (key.index == kNone || !(key == focus_) || !window_.isActiveWindow()) return false;
  const QWidget* f = window_.focusWidget();
  return f == nullptr || f == &window_;
}

void KeyboardFocus::FocusControl(const ControlKey& key) {
  if (!Control(key)) return;
  focus_ = key;
  keyboardUsed_ = true;
  if (QWidget* f = window_.focusWidget(); f != nullptr && f != &window_) window_.setFocus(Qt::TabFocusReason);
  if (!window_.hasFocus()) window_.setFocus(Qt::TabFocusReason);
  window_.update();
  NotifyControlFocused(*this);
}

// Also while a recording runs: the keys belong to the recorder, but a screen
// reader's press is a click, and a click on Stop ends the recording.
void KeyboardFocus::ActivateControl(const ControlKey& key) {
  if (windowGone_()) return;
  const auto control = Control(key);
  if (!control) return;
  app::ActivateControl(state_, *control, port_);
  window_.update();
}

void KeyboardFocus::SetControlValue(const ControlKey& key, int value) {
  if (windowGone_()) return;
  if (const auto control = Control(key)) SetSliderValue(state_, *control, value, port_);
  window_.update();
}

void KeyboardFocus::Announce(const std::string& text) {
  status_ = text;
  NotifyStatusChanged(*this);
}

void KeyboardFocus::Paint(QPainter& p) {
  if (keyboardUsed_ && ControlHasFocus(focus_)) {
    if (const auto control = Control(focus_)) {
      const skin::LayoutRect& r = control->rect;
      p.setCompositionMode(QPainter::CompositionMode_SourceOver);
      p.setRenderHint(QPainter::Antialiasing, false);
      // Set off from the control (whose own chosen look is a red border
      // too): the skin's accent a few pixels outside it, a white dotted line
      // within.
      const QRect around(r.x, r.y, r.width, r.height);
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(QColor(232, 32, 63), 2));
      p.drawRect(around.adjusted(-3, -3, 2, 2));
      p.setPen(QPen(Qt::white, 1, Qt::DotLine));
      p.drawRect(around.adjusted(-1, -1, 0, 0));
    }
  }
  if (state_.ui.page != controlsPage_ || state_.language != controlsLanguage_) {
    controlsPage_ = state_.ui.page;
    controlsLanguage_ = state_.language;
    QTimer::singleShot(0, &window_, [this] { AfterControlsChanged(); });
  }
}

void KeyboardFocus::AfterControlsChanged() {
  focus_ = FocusAfterChange(Controls(), focus_);
  NotifyControlsChanged(*this);
  if (ControlHasFocus(focus_)) NotifyControlFocused(*this);
}

void KeyboardFocus::MoveTabFocus(bool forward) {
  const std::vector<PageControl> controls = Controls();
  const std::vector<QWidget*> widgets = macroControls_.FocusOrder();
  QWidget* current = window_.focusWidget();
  int atWidget = -1;
  for (size_t w = 0; w < widgets.size() && atWidget < 0 && current != nullptr; ++w) {
    if (current == widgets[w] || widgets[w]->isAncestorOf(current)) atWidget = static_cast<int>(w);
  }
  const bool windowHasKeyboard = current == nullptr || current == &window_;
  const int atControl = windowHasKeyboard && keyboardUsed_ ? FindControl(controls, focus_) : -1;
  const TabTarget next = NextTabTarget(controls, static_cast<int>(widgets.size()), atWidget, atControl, forward);
  if (next.control < 0 && next.widget < 0) return;
  keyboardUsed_ = true;
  if (next.widget >= 0) {
    widgets[static_cast<size_t>(next.widget)]->setFocus(Qt::TabFocusReason);
    window_.update();
    return;
  }
  FocusControl(controls[static_cast<size_t>(next.control)].key);
}

bool KeyboardFocus::OnKeyEvent(QWidget* watched, const QKeyEvent& key, bool press, FunctionMenu* menu) {
  if (state_.editor.recording) {
    // The keyboard belongs to the recording: nothing reaches the controls.
    macroControls_.RecordKeyEvent(key, press);
    return true;
  }
  if (key.key() == Qt::Key_F10) return true;
  if (press && OnNavigationKey(watched, key, menu)) return true;
  // Escape closes an open function menu without a choice.
  if (press && key.key() == Qt::Key_Escape) OnEscapeKey(state_, port_);
  return press && (key.key() == Qt::Key_Escape || key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter);
}

bool KeyboardFocus::OnNavigationKey(QWidget* watched, const QKeyEvent& key, FunctionMenu* menu) {
  const int k = key.key();
  if (k == Qt::Key_Tab || k == Qt::Key_Backtab) {
    const bool forward = k == Qt::Key_Tab && (key.modifiers() & Qt::ShiftModifier) == 0;
    if ((key.modifiers() & Qt::ControlModifier) != 0) {
      // The page switch goes through the page's tab, as a click on it.
      // Leaving the Advanced page deletes its controls, perhaps the one this
      // key is being delivered to: the switch runs once the key is done.
      QTimer::singleShot(0, &window_, [this, forward] {
        if (windowGone_() || state_.editor.recording) return;
        SwitchPageByKey(state_, forward, port_);
        FocusControl({HitFamily::Main, skin::hits::main::kMainTab + state_.ui.page});
      });
      return true;
    }
    MoveTabFocus(forward);
    return true;
  }
  // The other keys are the painted controls' (and the function menu's) only
  // while the window itself, not one of its lists or boxes, has the keyboard.
  if (watched != &window_) return false;
  if (menu != nullptr && menu->isVisible() && menu->OnKey(k)) return true;
  if (!keyboardUsed_ || !Control(focus_)) return false;
  NavigationKey nav;
  switch (k) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter: nav = NavigationKey::Press; break;
    case Qt::Key_Left: nav = NavigationKey::Left; break;
    case Qt::Key_Right: nav = NavigationKey::Right; break;
    case Qt::Key_Up: nav = NavigationKey::Up; break;
    case Qt::Key_Down: nav = NavigationKey::Down; break;
    default: return false;
  }
  const std::vector<PageControl> controls = Controls();
  const NavigationStep step = StepForKey(controls, FindControl(controls, focus_), nav);
  switch (step.kind) {
    case NavigationStep::Kind::Activate: ActivateControl(step.key); break;
    case NavigationStep::Kind::StepSlider:
      ActivateControl(step.key);
      NotifyControlFocused(*this);
      break;
    case NavigationStep::Kind::Focus: FocusControl(step.key); break;
    case NavigationStep::Kind::None: break;
  }
  return true;
}

}  // namespace orv::app
