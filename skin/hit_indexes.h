#pragma once
// The meaning of every entry of the three page layouts: what the window does
// when an entry is pressed or released, what the painter shows there, and what
// the skin generator draws. Entries are indexes into mainHits / colorHits /
// advancedHits (and their texts); a range is given by its first and last entry.
#include "device/ktr580.h"

namespace orv::skin::hits {

// ---- Main layout ----
// Entries 0 ... 19 form the bar shared by every page.
namespace main {
inline constexpr int kSave = 0;
inline constexpr int kTitle = 1;
inline constexpr int kCloseWithoutApplying = 2;
inline constexpr int kApply = 3;
inline constexpr int kFirstProfile = 4;  // profiles 1 ... 5 at 4 ... 8
inline constexpr int kLastProfile = 8;
inline constexpr int kProfileOffset = 3;  // entry = profile + 3
inline constexpr int kMainTab = 9;
inline constexpr int kAdvancedTab = 10;
inline constexpr int kColorTab = 11;
inline constexpr int kMinimise = 12;
inline constexpr int kHide = 13;
inline constexpr int kImportSettings = 14;
inline constexpr int kExportSettings = 15;
inline constexpr int kReset = 16;
inline constexpr int kTurkish = 17;
inline constexpr int kEnglish = 18;
inline constexpr int kLastShared = 19;
// The functions of mouse buttons 0 ... 6 (labels that open the function menus).
inline constexpr int kFirstButton = 20;
inline constexpr int kLastButton = 26;
inline constexpr int kWheelStandard = 32;
inline constexpr int kWheelAlternate = 33;
inline constexpr int kButtonsHeading = 34;
inline constexpr int kDpiHeading = 35;
inline constexpr int kWheelHeading = 36;
inline constexpr int kLevelColumn = 37;
inline constexpr int kColourColumn = 38;
inline constexpr int kOnColumn = 39;
// Per DPI level n (0 ... 5): its colour swatch, its on/off mark, its label, its selector.
inline constexpr int kFirstLevelColour = 41;
inline constexpr int kFirstLevelEnable = 47;
inline constexpr int kFirstLevelLabel = 53;
inline constexpr int kLastLevelLabel = 58;
inline constexpr int kFirstActiveLevel = 60;
// Twelve step cells per level: level n, step s at 66 + 12 n + s.
inline constexpr int kFirstStep = 66;
inline constexpr int kLastStep = 137;
// The lit parts of the mouse drawing for buttons 0 ... 6.
inline constexpr int kFirstButtonHighlight = 138;
// The last entry hit-tested on the Main page (only the shared bar elsewhere).
inline constexpr int kLastTested = 149;

// One entry per button, level and step of the mouse, and the per-level runs
// side by side.
static_assert(kLastButton - kFirstButton + 1 == device::kButtonCount);
static_assert(kFirstButtonHighlight + device::kButtonCount - 1 <= kLastTested);
static_assert(kFirstLevelEnable - kFirstLevelColour == device::kLevelCount);
static_assert(kFirstLevelLabel - kFirstLevelEnable == device::kLevelCount);
static_assert(kLastLevelLabel - kFirstLevelLabel + 1 == device::kLevelCount);
static_assert(kFirstStep - kFirstActiveLevel == device::kLevelCount);
static_assert(kLastStep - kFirstStep + 1 == device::kLevelCount * device::kStepCount);
static_assert(kLastStep + 1 == kFirstButtonHighlight);
}  // namespace main

// ---- Color layout ----
namespace color {
inline constexpr int kFirstCycleColour = 0;  // cycle colours 0 ... 6
inline constexpr int kLastCycleColour = 6;
inline constexpr int kFirstLightingMode = 7;  // modes 0 ... 3
inline constexpr int kLastLightingMode = 10;
// Cycle-time steps 5 ... 0 at 11 ... 16 (entry = 16 - step).
inline constexpr int kFirstCycleTime = 11;
inline constexpr int kLastCycleTime = 16;
// Tested while the lighting mode uses the cycle time (modes 0 and 1), and while it does not.
inline constexpr int kLastTestedWithCycle = 17;
inline constexpr int kLastTestedWithoutCycle = 11;
inline constexpr int kDpiValue = 18;
inline constexpr int kFast = 19;
inline constexpr int kSlow = 20;
inline constexpr int kPreviewHeading = 21;
inline constexpr int kLightingHeading = 22;
inline constexpr int kModeHeading = 23;
inline constexpr int kCycleTimeHeading = 24;
inline constexpr int kCycleColourHeading = 26;
inline constexpr int kDpiHeading = 27;
inline constexpr int kLastWhiteText = 30;  // texts 21 ... 30 are drawn white
inline constexpr int kCycleNote = 31;
inline constexpr int kPreview = 32;

static_assert(kLastCycleColour - kFirstCycleColour + 1 == device::kCycleColourCount);
}  // namespace color

// ---- Advanced layout ----
namespace advanced {
inline constexpr int kImportMacros = 0;
inline constexpr int kExportMacros = 1;
inline constexpr int kAddMacro = 2;
inline constexpr int kDeleteMacro = 3;
inline constexpr int kRecord = 4;
inline constexpr int kSaveMacros = 5;
inline constexpr int kCountedMode = 6;
inline constexpr int kHeldMode = 7;
inline constexpr int kFirstPointerSpeed = 8;  // steps 0 ... 9
inline constexpr int kLastPointerSpeed = 17;
inline constexpr int kFirstWheelStep = 18;  // steps 0 ... 9
inline constexpr int kLastWheelStep = 27;
inline constexpr int kFireBar = 30;
inline constexpr int kFireUp = 31;
inline constexpr int kFireDown = 32;
inline constexpr int kFireValue = 33;
inline constexpr int kFirstPolling = 34;  // choices 0 ... 3
inline constexpr int kLastPolling = 37;
inline constexpr int kLastTested = 37;
inline constexpr int kMacrosColumn = 38;
inline constexpr int kEventsColumn = 39;
inline constexpr int kEventHint = 40;
inline constexpr int kPointerHeading = 41;
inline constexpr int kWheelHeading = 42;
inline constexpr int kFireHeading = 43;
inline constexpr int kPollingHeading = 44;
inline constexpr int kMacroHeading = 45;
inline constexpr int kPerformanceHeading = 46;
}  // namespace advanced

// ---- Warning dialog layout ----
namespace warning {
inline constexpr int kConfirm = 0;
inline constexpr int kCancel = 1;
inline constexpr int kMessage = 2;
}  // namespace warning

}  // namespace orv::skin::hits
