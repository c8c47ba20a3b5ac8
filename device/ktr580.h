#pragma once
// The KTR-580 as the program knows it, in one place: how it shows on the bus,
// its reports and commands, its buttons and their wire codes, its DPI levels
// and steps, and what every function code means on the wire, to the host and
// in the function menus. Every layer takes these facts from here.
//
// Data only: this header includes nothing of the program's, so the layers below
// the device layer (the settings model) may read it too; tools/check-layers.sh
// allows exactly this one header to be included from anywhere.
#include <array>
#include <cstddef>
#include <cstdint>

namespace orv::device {

// ---- On the bus ------------------------------------------------------------

inline constexpr uint16_t kMouseVendorId = 0x18F8;
inline constexpr uint16_t kMouseProductId = 0x1086;
// Input reports come from this collection (opened for reading) ...
inline constexpr uint16_t kInputUsagePage = 0xFF00;
// ... and feature reports go to this one (opened for writing).
inline constexpr uint16_t kFeatureUsagePage = 0xFF01;
inline constexpr uint16_t kVendorUsage = 1;

// ---- Reports ---------------------------------------------------------------

inline constexpr uint8_t INPUT_REPORT_ID = 6;
inline constexpr uint8_t FEATURE_REPORT_ID = 7;

// Feature report commands (byte 1).
inline constexpr uint8_t CMD_DPI_LEVEL = 0x09;
inline constexpr uint8_t CMD_BUTTON_FUNCTION = 0x10;
inline constexpr uint8_t CMD_WHEEL_STATUS = 0x11;
inline constexpr uint8_t CMD_FIRE_TIME = 0x12;
inline constexpr uint8_t CMD_LIGHTING = 0x13;
inline constexpr uint8_t CMD_LEVEL_COLOUR = 0x14;
inline constexpr uint8_t CMD_KEY_STATE = 0x15;
inline constexpr uint8_t CMD_BUTTON_STATE = 0x16;
inline constexpr uint8_t CMD_CONSUMER_KEY = 0x17;
inline constexpr uint8_t CMD_HOST_EXIT = 0x20;

// Byte 1 of an input report: kButtonEventBase + wire code announces a button
// (wire codes 1 ... 15); kButtonEventBase itself and every lower value is
// another event.
inline constexpr uint8_t kButtonEventBase = 0xF0;
// Byte 2 of a button event that announces a release; any other value is a press.
inline constexpr uint8_t kButtonReleased = 0x80;

// ---- Buttons ---------------------------------------------------------------

inline constexpr int kButtonCount = 7;
// Wire code of each button index; 7 and 8 exist only for the inverse table.
inline constexpr std::array<uint8_t, 9> kButtonWireCodes = {0x01, 0x02, 0x03, 0x05, 0x04, 0x08, 0x06, 0x07, 0x08};
// Wire codes fit in the low nibble of the event byte.
inline constexpr int kWireCodeCount = 16;
// "No button" in buttonIndexByWireCode.
inline constexpr uint8_t kNoButtonIndex = 255;

// Inverse of kButtonWireCodes for indexes 0 ... 7: the button (or index 7) a
// reported wire code names. Wire codes that name nothing (0 and 9 ... 15) hold
// kNoButtonIndex, so a stray report is never taken for button 0. Index 7 is not
// an assignable button; callers indexing button tables must check their bound.
constexpr std::array<uint8_t, kWireCodeCount> BuildButtonIndexByWireCode() {
  std::array<uint8_t, kWireCodeCount> table{};
  table.fill(kNoButtonIndex);
  for (uint8_t i = 0; i < 8; ++i) table[kButtonWireCodes[i]] = i;
  return table;
}
inline constexpr std::array<uint8_t, kWireCodeCount> buttonIndexByWireCode = BuildButtonIndexByWireCode();

// ---- DPI levels and lighting -------------------------------------------------

inline constexpr int kLevelCount = 6;
inline constexpr int kCycleColourCount = 7;

// The steps a level can take, lowest first: the code the mouse is sent for the
// step and the sensitivity shown for it.
struct DpiStep {
  uint8_t wireCode;
  int32_t dpi;
};
inline constexpr std::array<DpiStep, 12> kDpiSteps = {{
    {1, 200}, {2, 400}, {3, 600}, {4, 800}, {5, 1000}, {6, 1200},
    {7, 1600}, {9, 2000}, {11, 2400}, {13, 3200}, {14, 4000}, {15, 4800},
}};
inline constexpr int kStepCount = static_cast<int>(kDpiSteps.size());

// The wire step code of each step.
constexpr std::array<uint8_t, kStepCount> BuildDpiStepCodes() {
  std::array<uint8_t, kStepCount> codes{};
  for (size_t s = 0; s < codes.size(); ++s) codes[s] = kDpiSteps[s].wireCode;
  return codes;
}
inline constexpr std::array<uint8_t, kStepCount> kDpiStepCodes = BuildDpiStepCodes();

// ---- Function codes ----------------------------------------------------------
// A button's function is a code. Codes the mouse carries out itself are sent
// as their device function code; the others are sent as 0, and the mouse
// reports a press of such a button for the host to act on.

enum class FunctionKind : uint8_t {
  None,             // nothing (no function, or a code the mouse does not use)
  Mouse,            // carried out by the mouse
  DpiSwitch,        // carried out by the mouse, which reports its new active level
  ConsumerKey,      // the host sends a media key
  BuiltInMacro,     // the host plays a built-in macro
  StartCalculator,  // the host starts the calculator
  StartTerminal,    // the host starts a terminal
  UserMacro,        // the host plays a user macro
};

// Where the function menus offer a code. The first-level menu's rows 1 ... 6
// choose the Direct codes themselves; each of its later rows opens one group
// in a second-level menu.
enum class MenuGroup : uint8_t { None, Direct, MouseFunctions, Multimedia, Macros, Shortcuts };

struct MenuGroupEntry {
  MenuGroup group;
  int menuRow;       // the first-level row that opens the group (0: Direct, rows 1 ... rows)
  int32_t codeBase;  // row r of the group chooses code codeBase + r
  int rows;          // rows of the group; Macros has one per user macro, at most this many
};
inline constexpr std::array<MenuGroupEntry, 5> kMenuGroups = {{
    {MenuGroup::Direct, 0, 0, 6},
    {MenuGroup::MouseFunctions, 7, 10, 6},
    {MenuGroup::Multimedia, 8, 20, 10},
    {MenuGroup::Macros, 9, 40, 12},
    {MenuGroup::Shortcuts, 10, 30, 8},
}};
// Rows of the first-level menu: the Direct rows, then one per group.
inline constexpr int kFirstLevelMenuRows = kMenuGroups[0].rows + static_cast<int>(kMenuGroups.size()) - 1;

// Runs of codes of one kind. The device function code counts up from
// firstDeviceCode through the run (0: the whole run is sent as 0).
struct FunctionRun {
  int32_t first;
  int32_t last;
  FunctionKind kind;
  uint8_t firstDeviceCode;
  MenuGroup group;
};
inline constexpr std::array<FunctionRun, 13> kFunctionRuns = {{
    {0, 0, FunctionKind::None, 0, MenuGroup::None},
    {1, 5, FunctionKind::Mouse, 1, MenuGroup::Direct},
    {6, 6, FunctionKind::DpiSwitch, 6, MenuGroup::Direct},
    // Their names title the first-level rows that open the groups.
    {7, 10, FunctionKind::None, 0, MenuGroup::None},
    {11, 14, FunctionKind::Mouse, 7, MenuGroup::MouseFunctions},
    {15, 16, FunctionKind::DpiSwitch, 11, MenuGroup::MouseFunctions},
    {17, 17, FunctionKind::Mouse, 13, MenuGroup::None},
    {18, 20, FunctionKind::None, 0, MenuGroup::None},
    {21, 30, FunctionKind::ConsumerKey, 0, MenuGroup::Multimedia},
    {31, 38, FunctionKind::BuiltInMacro, 0, MenuGroup::Shortcuts},
    {39, 39, FunctionKind::StartCalculator, 0, MenuGroup::None},
    {40, 40, FunctionKind::StartTerminal, 0, MenuGroup::None},
    {41, 52, FunctionKind::UserMacro, 0, MenuGroup::Macros},
}};
// Consumer-page usages of the media keys 21 ... 30, in code order: AC Home,
// AL Consumer Control Configuration, AL Email Reader, Volume Increment, Volume
// Decrement, Scan Previous Track, Scan Next Track, Mute, Play/Pause, AL Calculator.
inline constexpr std::array<uint16_t, 10> kConsumerUsages = {0x0223, 0x0183, 0x018A, 0x00E9, 0x00EA,
                                                             0x00B6, 0x00B5, 0x00E2, 0x00CD, 0x0192};
// Function 1 (left click): some button always keeps it.
inline constexpr int32_t kLeftClickFunction = 1;
inline constexpr int32_t kLastFunctionCode = kFunctionRuns.back().last;

// Everything known of one code.
struct Function {
  int32_t code = 0;
  FunctionKind kind = FunctionKind::None;
  uint8_t deviceCode = 0;
  uint16_t consumerUsage = 0;    // ConsumerKey only
  MenuGroup group = MenuGroup::None;
  int menuRow = 0;               // the row of its group that chooses it; 0 when no menu offers it
  int index = 0;                 // its place in its run: the macro slot of a macro
  int nameSlot = -1;             // the skin's name of the code (FUN_STRING key); -1: none, or
                                 // a user macro, which is named by its macro
};

constexpr const MenuGroupEntry& MenuGroupOf(MenuGroup group) {
  for (const MenuGroupEntry& g : kMenuGroups) {
    if (g.group == group) return g;
  }
  return kMenuGroups[0];
}

// The description of a code; a code outside 0 ... kLastFunctionCode is None,
// sent as 0, offered by no menu and has no name.
constexpr Function FunctionOf(int32_t code) {
  Function f;
  f.code = code;
  for (const FunctionRun& run : kFunctionRuns) {
    if (code < run.first || code > run.last) continue;
    f.kind = run.kind;
    f.index = code - run.first;
    if (run.firstDeviceCode != 0) f.deviceCode = static_cast<uint8_t>(run.firstDeviceCode + f.index);
    if (run.kind == FunctionKind::ConsumerKey) f.consumerUsage = kConsumerUsages[static_cast<size_t>(f.index)];
    f.group = run.group;
    if (run.group != MenuGroup::None) f.menuRow = code - MenuGroupOf(run.group).codeBase;
    if (run.kind != FunctionKind::UserMacro) f.nameSlot = code;
    break;
  }
  return f;
}

// The first and the last code of a kind (0 for a kind no code has).
constexpr int32_t FirstCodeOf(FunctionKind kind) {
  for (const FunctionRun& run : kFunctionRuns) {
    if (run.kind == kind) return run.first;
  }
  return 0;
}
constexpr int32_t LastCodeOf(FunctionKind kind) {
  int32_t last = 0;
  for (const FunctionRun& run : kFunctionRuns) {
    if (run.kind == kind) last = run.last;
  }
  return last;
}

// ---- What holds by construction ------------------------------------------------

namespace description_checks {

constexpr bool RunsCoverEveryCodeOnce() {
  int32_t next = 0;
  for (const FunctionRun& run : kFunctionRuns) {
    if (run.first != next || run.last < run.first) return false;
    next = run.last + 1;
  }
  return true;
}

// Each group's rows choose exactly its codes, one code per row.
constexpr bool GroupsHaveOneCodePerRow() {
  for (const MenuGroupEntry& g : kMenuGroups) {
    int count = 0;
    for (int32_t code = 0; code <= kLastFunctionCode; ++code) {
      const Function f = FunctionOf(code);
      if (f.group != g.group) continue;
      if (f.menuRow < 1 || f.menuRow > g.rows) return false;
      ++count;
    }
    if (count != g.rows) return false;
    if (g.group != MenuGroup::Direct && (g.menuRow <= kMenuGroups[0].rows || g.menuRow > kFirstLevelMenuRows)) {
      return false;
    }
  }
  return true;
}

// Codes the mouse carries out have distinct device codes; all others send 0.
constexpr bool DeviceCodesAreDistinct() {
  std::array<bool, 256> used{};
  for (int32_t code = 0; code <= kLastFunctionCode; ++code) {
    const Function f = FunctionOf(code);
    const bool byMouse = f.kind == FunctionKind::Mouse || f.kind == FunctionKind::DpiSwitch;
    if (byMouse != (f.deviceCode != 0)) return false;
    if (byMouse && used[f.deviceCode]) return false;
    used[f.deviceCode] = true;
  }
  return true;
}

// A reported wire code names the button that has it, and only that one.
constexpr bool WireCodesNameTheirButtons() {
  for (int b = 0; b < kButtonCount; ++b) {
    const uint8_t wire = kButtonWireCodes[static_cast<size_t>(b)];
    if (wire == 0 || wire >= kWireCodeCount || buttonIndexByWireCode[wire] != b) return false;
  }
  for (size_t wire = 0; wire < buttonIndexByWireCode.size(); ++wire) {
    const uint8_t b = buttonIndexByWireCode[wire];
    if (b < kButtonCount && kButtonWireCodes[b] != wire) return false;
  }
  return true;
}

// Step codes go into a nibble; codes and sensitivities both rise with the step.
constexpr bool DpiStepsRise() {
  for (size_t s = 0; s < kDpiSteps.size(); ++s) {
    if (kDpiSteps[s].wireCode == 0 || kDpiSteps[s].wireCode > 0x0F) return false;
    if (s > 0 && (kDpiSteps[s].wireCode <= kDpiSteps[s - 1].wireCode || kDpiSteps[s].dpi <= kDpiSteps[s - 1].dpi)) {
      return false;
    }
  }
  return true;
}

static_assert(RunsCoverEveryCodeOnce());
static_assert(GroupsHaveOneCodePerRow());
static_assert(DeviceCodesAreDistinct());
static_assert(WireCodesNameTheirButtons());
static_assert(DpiStepsRise());
static_assert(LastCodeOf(FunctionKind::ConsumerKey) - FirstCodeOf(FunctionKind::ConsumerKey) + 1 ==
              static_cast<int32_t>(kConsumerUsages.size()));
static_assert(kLevelCount <= 8 && kCycleColourCount <= 8, "the enable and cycle masks are one byte each");

}  // namespace description_checks

}  // namespace orv::device
