#pragma once
// Where the keyboard goes among the page's painted controls and the window's
// own controls (the Advanced page's lists and boxes): the Tab order, the
// arrows within a group, Space and Enter on a control. Plain decisions over
// the page's control list; the window carries them out.
#include <vector>

#include "app/page_controls.h"

namespace orv::app {

// A Tab stop: a painted control (its position in the list) or one of the
// window's own controls (its position in their focus order); neither when
// there is no stop at all.
struct TabTarget {
  int control = -1;
  int widget = -1;
};

// The stop Tab (forward) or Shift+Tab moves to. The stops are the painted
// controls' groups in reading order, with the window's `widgets` own controls
// placed before the first painted control of the Advanced page (after all
// painted stops when the page has none). The keyboard is now on own control
// `atWidget`, or, while the window itself has it, on painted control
// `atControl` (-1: on neither; the move then starts at the first or last stop).
TabTarget NextTabTarget(const std::vector<PageControl>& controls, int widgets, int atWidget, int atControl,
                        bool forward);

// A key on the focused painted control.
enum class NavigationKey : uint8_t { Press, Left, Right, Up, Down };

struct NavigationStep {
  enum class Kind : uint8_t {
    None,        // taken, nothing to do
    Activate,    // press and release `key`
    StepSlider,  // press `key`, a step of the focused slider, and say its new value
    Focus,       // move the focus to `key`
  };
  Kind kind = Kind::None;
  ControlKey key;
};

// Space and Enter press the control (a slider takes no press); the arrows
// move within its group, or step a slider: Right and Up make the time
// longer, as the "+" beside the bar does. `at` is the focused control's
// position in `controls`.
NavigationStep StepForKey(const std::vector<PageControl>& controls, int at, NavigationKey key);

// After a change of page or language: the focus stays on `focus` while that
// control is still there (the page tabs are on every page), else it goes to
// the first stop (none when nothing was focused).
ControlKey FocusAfterChange(const std::vector<PageControl>& controls, const ControlKey& focus);

}  // namespace orv::app
