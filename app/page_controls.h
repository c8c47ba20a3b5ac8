#pragma once
// The painted controls of the page shown, as a keyboard and a screen reader
// see them: each layout rectangle that reacts to a press, with a name in the
// window's language, a role, its states, and the group it belongs to (one
// Tab stop; the arrow keys move within it). Activating a control is a
// pointer press and release on its rectangle, through the controller, so the
// keyboard and assistive technology never do anything the pointer would not.
#include <cstdint>
#include <string>
#include <vector>

#include "app/app_port.h"
#include "app/app_state.h"
#include "skin/layout.h"

namespace orv::app {

enum class HitFamily : uint8_t { Main, Color, Advanced };

enum class ControlRole : uint8_t { PageTab, PushButton, CheckBox, RadioButton, Slider };

// Identifies a control across pages and rebuilds of the list.
struct ControlKey {
  HitFamily family = HitFamily::Main;
  int index = kNone;
  bool operator==(const ControlKey&) const = default;
};

struct PageControl {
  ControlKey key;
  ControlRole role = ControlRole::PushButton;
  std::string name;
  skin::LayoutRect rect;
  int group = 0;    // controls of one group are one Tab stop
  int columns = 0;  // Up and Down move by this many within the group (0: by one)
  bool checked = false;
  bool pressed = false;
  bool disabled = false;
  int value = 0;  // sliders: the value, within 0 ... maximum
  int maximum = 0;
};

// The controls of the page shown, in reading order (the shared bar's top row,
// the page's own controls, the shared bar's bottom row).
std::vector<PageControl> PageControls(const AppState& state);

// Position in `controls` of the control `key`, or -1.
int FindControl(const std::vector<PageControl>& controls, const ControlKey& key);
// The Tab stop of the group after (forward) or before the one of position
// `from` (-1: before the first group), or -1 past either end. A group's stop
// is its checked member, else its first.
int NextTabStop(const std::vector<PageControl>& controls, int from, bool forward);
// An arrow key within the group of position `from`: `delta` is -1 or +1,
// `vertical` moves by the group's columns. Stays at the group's ends.
int MoveInGroup(const std::vector<PageControl>& controls, int from, int delta, bool vertical);

// Presses and releases the control's rectangle, as the pointer would; the
// hover state is the pointer's again afterwards. A disabled control does nothing.
void ActivateControl(AppState& state, const PageControl& control, AppPort& port);
// A slider set to `value`: a press at the point of its rectangle that gives it.
void SetSliderValue(AppState& state, const PageControl& control, int value, AppPort& port);
// Ctrl+Tab / Ctrl+Shift+Tab: the next or previous page, through its tab.
void SwitchPageByKey(AppState& state, bool forward, AppPort& port);

// "Button 4: Forward": mouse button `button` (0 ... 6) and its function.
std::string ButtonFunctionText(const AppState& state, int button);
// The spoken status after an Apply: "Profile 2 applied", or that it failed.
std::string ApplyStatusText(int32_t language, int32_t profile, bool failed);
// The name of the page shown (its tab's text).
std::string PageName(const AppState& state);

}  // namespace orv::app
