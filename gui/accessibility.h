#pragma once
// What screen readers see of the skinned windows (through the toolkit's
// accessibility bridge, AT-SPI on Linux): the main window's painted controls
// as its children, with a status line that speaks what changed; the function
// menus' rows as menu items; the warning's two buttons. Each action goes the
// way a pointer press on the control goes.
class QWidget;

namespace orv::app {

class KeyboardFocus;

// Gives the program's skinned windows their accessible descriptions. Once,
// before the first window is shown.
void InstallAccessibility();

// The main window's keyboard focus tells the screen reader what changed.
void NotifyStatusChanged(KeyboardFocus& focus);
void NotifyControlFocused(KeyboardFocus& focus);
void NotifyControlsChanged(KeyboardFocus& focus);
// A function menu's row (from 1) was lit from the keyboard: the reader says it.
void NotifyMenuRowLit(QWidget& menu, int row);

}  // namespace orv::app
