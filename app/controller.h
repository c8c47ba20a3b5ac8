#pragma once
// The main window's controller: pointer moves, presses and releases on the
// skin's rectangles become page changes, edits of the live settings, profile
// loads and saves, Apply and Reset, dialogs and the language switch. Every
// effect on the window goes through the AppPort.
#include <cstdint>
#include <string>
#include <vector>

#include "app/app_port.h"
#include "app/app_state.h"
#include "drive/apply.h"
#include "skin/hit_indexes.h"

namespace orv::app {

// Hit-test limits of the three rectangle families.
inline constexpr int kMainLastOnMain = skin::hits::main::kLastTested;  // every Main-layout rectangle on the Main page
inline constexpr int kSharedBarLast = skin::hits::main::kLastShared;   // only the shared bar on the other pages
inline constexpr int kColorLastAll = skin::hits::color::kLastTestedWithCycle;       // lighting modes 0 and 1
inline constexpr int kColorLastNoTime = skin::hits::color::kLastTestedWithoutCycle;  // modes 2 and 3
inline constexpr int kAdvancedLast = skin::hits::advanced::kLastTested;

void OnPointerMove(AppState& state, Point point, AppPort& port);
void OnPress(AppState& state, Point point, AppPort& port);
void OnRelease(AppState& state, Point point, AppPort& port);

// Page changes, as the tabs do them.
void EnterAdvancedPage(AppState& state, AppPort& port);
void EnterColorPage(AppState& state, AppPort& port);
void EnterMainPage(AppState& state, AppPort& port);

// Opens the function popup for hit index 20 ... 26 (mouse button index - 20).
void OpenButtonFunctionPopup(AppState& state, int hit, AppPort& port);
// A release in the first-level function menu over row `row` (1 ... 12 or
// kNone). Rows 1 ... 6 give the edited button that function (keeping some
// button on the left click) and close the menu: returns true then. Group rows,
// rows 11 and 12 and no row keep it open.
bool ChooseMenuRow(AppState& state, int row, AppPort& port);
// A release in the second-level menu opened by first-level row `menuRow`, over
// its row `subRow` (kNone: over no row, which keeps it open). Gives the button
// the group's code and asks the main window's next paint to close the
// first-level menu; returns true then.
bool ChooseSubMenuRow(AppState& state, int menuRow, int subRow, AppPort& port);
// True once after a second-level choice: the paint closes the first-level menu.
bool ConsumeCloseMenuOnPaint(AppState& state);
// The function menu closed by other means (hide, language switch, unplug).
void NoteButtonMenuClosed(AppState& state);
// Escape pressed in the window: an open function menu closes without a
// choice. True when it did.
bool OnEscapeKey(AppState& state, AppPort& port);

// The macro tables are about to be replaced from a file: a recording that
// runs ends first, keeping what it recorded in its macro, so the two never mix.
void EndRecordingBeforeReload(AppState& state, AppPort& port);

// Lets the user choose level n's colour; the window repaints either way.
void PickLevelColour(AppState& state, int level, AppPort& port);

// Takes the repeat count from the Advanced page's box into the selected macro:
// kept within 1 ... 65535, the box rewritten when the value was outside. Only
// a macro in counted mode takes it: for the others the box shows "1",
// disabled, and their stored count stays.
void TakeRepeatCount(AppState& state, AppPort& port);

// A command of the event list's context menu (either language's identifier),
// acting on the macro and event the last right-click chose.
void OnContextCommand(AppState& state, int commandId, AppPort& port);

// The file dialogs of the macro and settings exchange files.
FileDialogOptions MacroFileDialog(const AppState& state, bool save);
FileDialogOptions SettingsFileDialog(const AppState& state, bool save);

// The message shown when a save the user asked for could not be written.
std::string SaveFailedMessage(int32_t language, const std::vector<Failure>& errors);
// Shows SaveFailedMessage when there are errors.
void ReportSaveErrors(AppState& state, AppPort& port, const std::vector<Failure>& errors);

// Makes profile n (1 ... 5) the current one as its chip does: a recording
// ends, the profile's settings and macros are loaded (unapplied edits of the
// previous one are dropped), nothing is sent.
void SelectProfile(AppState& state, AppPort& port, int32_t n);

// Apply of the current profile as the Apply button does it (failed writes are
// shown); the start-up and power-event applies pass report = false.
drive::ApplyOutcome ApplyCurrentProfile(AppState& state, AppPort& port, bool reportErrors);

// What Apply and Reset need of the window, answered through the port.
class ApplyWindow final : public drive::WindowPort {
 public:
  ApplyWindow(AppState& state, AppPort& port) : state_(state), port_(port) {}
  bool MacroPageOpen() override;
  void TakeRepeatCount() override;
  void RefillMacroLists() override;
  void Repaint() override;

 private:
  AppState& state_;
  AppPort& port_;
};

}  // namespace orv::app
