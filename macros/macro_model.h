#pragma once
// Macros: named lists of keyboard-key and mouse-button presses and releases,
// each followed by a wait, played back through the mouse.
#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace orv::macros {

inline constexpr int MACRO_SLOTS = 13;
inline constexpr int MAX_USER_MACROS = 12;
inline constexpr int MAX_EVENTS = 255;
inline constexpr int NAME_UNITS = 20;
inline constexpr uint16_t DEFAULT_DELAY_MS = 30;

inline constexpr uint8_t CODE_LEFT_BUTTON = 240;
inline constexpr uint8_t CODE_RIGHT_BUTTON = 241;
inline constexpr uint8_t CODE_MIDDLE_BUTTON = 242;
inline constexpr uint8_t ACTION_DOWN = 1;
inline constexpr uint8_t ACTION_UP = 2;
inline constexpr uint8_t MODE_ONCE = 0;
inline constexpr uint8_t MODE_COUNTED = 1;
inline constexpr uint8_t MODE_HELD = 2;

struct MacroEvent {
  uint8_t code = 0;    // HID keyboard usage, or 240/241/242 for left/right/middle button
  uint8_t action = 0;  // 1 press, 2 release
  bool operator==(const MacroEvent&) const = default;
};

struct MacroRecord {
  std::array<char16_t, NAME_UNITS> name{};  // zero-terminated when shorter than 20 units
  uint8_t mode = 0;
  uint16_t repeatCount = 0;
  uint8_t eventCount = 0;
  std::array<MacroEvent, MAX_EVENTS> events{};
  std::array<uint16_t, MAX_EVENTS> delays{};
  bool operator==(const MacroRecord&) const = default;
};

// The two macro tables. The window thread edits `userMacros`; the executor
// thread plays records while that happens, so writers of record contents and
// cross-thread readers hold `mutex` for each access (an edit then shows in the
// events played after it).
struct MacroTables {
  std::array<MacroRecord, MACRO_SLOTS> userMacros{};
  std::array<MacroRecord, MACRO_SLOTS> constMacros{};
  int16_t userMacroCount = 0;
  int32_t selectedMacro = 0;
  mutable std::mutex mutex;
};

// The record's name as UTF-8: the code units up to the first zero, never more
// than the 20 units of the field (a name without a terminator stops there).
std::string MacroName(const MacroRecord& record);
// Stores `utf8` as the name, cut to at most 19 code units (never splitting a
// surrogate pair) and zero-filled after it.
void SetMacroName(MacroRecord& record, std::string_view utf8);

}  // namespace orv::macros
