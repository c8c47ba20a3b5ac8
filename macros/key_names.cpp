#include "macros/key_names.h"

#include <array>
#include <string_view>

namespace orv::macros {
namespace {

struct VkUsage {
  uint8_t vk;
  uint8_t usage;
};

// Every virtual key with a keyboard usage of its own. The generic modifiers
// (0x10 ... 0x12) are absent on purpose: recording receives the left/right codes.
constexpr auto kVkUsagePairs = [] {
  std::array<VkUsage, 120> pairs{};
  size_t n = 0;
  auto add = [&](uint8_t vk, uint8_t usage) { pairs[n++] = VkUsage{vk, usage}; };
  add(0x08, 42);  // back
  add(0x09, 43);  // tab
  add(0x0C, 156);  // clear
  add(0x0D, 40);  // return
  add(0x13, 72);  // pause
  add(0x14, 57);  // caps lock
  add(0x1B, 41);  // escape
  add(0x20, 44);  // space
  add(0x21, 75);  // page up
  add(0x22, 78);  // page down
  add(0x23, 77);  // end
  add(0x24, 74);  // home
  add(0x25, 80);  // left
  add(0x26, 82);  // up
  add(0x27, 79);  // right
  add(0x28, 81);  // down
  add(0x29, 119);  // select
  add(0x2B, 116);  // execute
  add(0x2C, 70);   // print screen
  add(0x2D, 73);   // insert
  add(0x2E, 76);   // delete
  add(0x2F, 117);  // help
  add(0x30, 39);   // digit 0
  for (uint8_t vk = 0x31; vk <= 0x39; ++vk) add(vk, static_cast<uint8_t>(vk - 19));  // digits 1 ... 9
  for (uint8_t vk = 0x41; vk <= 0x5A; ++vk) add(vk, static_cast<uint8_t>(vk - 61));  // letters
  add(0x5B, 227);  // left GUI
  add(0x5C, 231);  // right GUI
  add(0x5D, 101);  // application
  add(0x60, 98);   // keypad 0
  for (uint8_t vk = 0x61; vk <= 0x69; ++vk) add(vk, static_cast<uint8_t>(vk - 8));  // keypad 1 ... 9
  add(0x6A, 85);   // keypad *
  add(0x6B, 87);   // keypad +
  add(0x6C, 159);  // separator
  add(0x6D, 86);   // keypad -
  add(0x6E, 99);   // keypad .
  add(0x6F, 84);   // keypad /
  for (uint8_t vk = 0x70; vk <= 0x7B; ++vk) add(vk, static_cast<uint8_t>(vk - 54));  // F1 ... F12
  for (uint8_t vk = 0x7C; vk <= 0x87; ++vk) add(vk, static_cast<uint8_t>(vk - 20));  // F13 ... F24
  add(0x90, 83);   // num lock
  add(0x91, 71);   // scroll lock
  add(0xA0, 225);  // left shift
  add(0xA1, 229);  // right shift
  add(0xA2, 224);  // left control
  add(0xA3, 228);  // right control
  add(0xA4, 226);  // left alt
  add(0xA5, 230);  // right alt
  add(0xBA, 51);   // ;:
  add(0xBB, 46);   // =+
  add(0xBC, 54);   // ,
  add(0xBD, 45);   // -
  add(0xBE, 55);   // .
  add(0xBF, 56);   // /?
  add(0xC0, 50);   // `~ (the keyboard's grave/tilde usage as the firmware expects it)
  add(0xDB, 47);   // [{
  add(0xDC, 49);   // \|
  add(0xDD, 48);   // ]}
  add(0xDE, 52);   // '"
  if (n != pairs.size()) throw "pair count mismatch";  // fails the constant evaluation
  return pairs;
}();

// Keys the recorder takes from their position (native_keys.h) whose usage
// the table above lacks: the key left of 1 (grave on US keyboards, ² on French
// ones), keypad Enter, the extra ISO key (< >), keypad =, the Brazilian and
// Japanese extra keys and Hangeul/Hanja. Written unchanged their usage would
// read back as another key (53 as the digit 5), so each is written as a
// virtual key of its own that no table above gives and that files hold for
// nothing else: the platform's codes for these keys where it has one (OEM_8,
// OEM_102, ABNT_C1, ABNT_C2, HANGUL, HANJA), two unassigned codes otherwise.
constexpr VkUsage kPositionOnlyPairs[] = {
    {0xDF, 53}, {0x0E, 88}, {0xE2, 100}, {0x0F, 103}, {0xC2, 133}, {0xC1, 135}, {0x15, 144}, {0x19, 145},
};

using ByteMap = std::array<uint8_t, 256>;

constexpr ByteMap Identity() {
  ByteMap map{};
  for (size_t i = 0; i < map.size(); ++i) map[i] = static_cast<uint8_t>(i);
  return map;
}

constexpr ByteMap kVkToUsage = [] {
  ByteMap map = Identity();
  for (const VkUsage& p : kVkUsagePairs) map[p.vk] = p.usage;
  for (const VkUsage& p : kPositionOnlyPairs) map[p.vk] = p.usage;
  return map;
}();

constexpr ByteMap kUsageToVk = [] {
  ByteMap map = Identity();
  for (const VkUsage& p : kVkUsagePairs) map[p.usage] = p.vk;
  for (const VkUsage& p : kPositionOnlyPairs) map[p.usage] = p.vk;
  return map;
}();

// The inverse is only exact when no two virtual keys share a usage, and a
// code of one pair is no code of another.
constexpr bool UsagesAreDistinct() {
  std::array<VkUsage, std::size(kVkUsagePairs) + std::size(kPositionOnlyPairs)> all{};
  size_t n = 0;
  for (const VkUsage& p : kVkUsagePairs) all[n++] = p;
  for (const VkUsage& p : kPositionOnlyPairs) all[n++] = p;
  for (size_t i = 0; i < all.size(); ++i) {
    for (size_t j = i + 1; j < all.size(); ++j) {
      if (all[i].usage == all[j].usage || all[i].vk == all[j].vk) return false;
    }
  }
  return true;
}
static_assert(UsagesAreDistinct());

constexpr std::array<std::string_view, 256> kKeyNames = [] {
  std::array<std::string_view, 256> names{};
  for (auto& n : names) n = kNonAvailableName;
  constexpr std::string_view letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (size_t i = 0; i < 26; ++i) names[4 + i] = letters.substr(i, 1);
  constexpr std::string_view digits = "1234567890";  // usages 30 ... 39
  for (size_t i = 0; i < 10; ++i) names[30 + i] = digits.substr(i, 1);
  const std::string_view from40[] = {"RETURN", "ESCAPE", "BACK", "TAB", "SPACE", "-", "+", "[{", "]}", "\\|", "`~",
                                     ";:", " ' "};
  for (size_t i = 0; i < std::size(from40); ++i) names[40 + i] = from40[i];
  const std::string_view from54[] = {",", ".", "/?", "CAPITAL", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8",
                                     "F9", "F10", "F11", "F12", "SNAPSHOT", "SCROLL", "PAUSE", "INSERT", "HOME",
                                     "PRIOR", "DELETE", "END", "NEXT", "RIGHT", "LEFT", "DOWN", "UP", "NUMLOCK",
                                     "DIVIDE", "MULTIPLY", "SUBTRACT", "ADD"};
  for (size_t i = 0; i < std::size(from54); ++i) names[54 + i] = from54[i];
  const std::string_view from89[] = {"NUMPAD1", "NUMPAD2", "NUMPAD3", "NUMPAD4", "NUMPAD5",
                                     "NUMPAD6", "NUMPAD7", "NUMPAD8", "NUMPAD9", "NUMPAD0", "DECIMAL"};
  for (size_t i = 0; i < std::size(from89); ++i) names[89 + i] = from89[i];
  names[101] = "APPS";
  const std::string_view from104[] = {"F13", "F14", "F15", "F16", "F17", "F18", "F19", "F20", "F21", "F22",
                                      "F23", "F24", "EXECUTE", "HELP", "MENU", "SELECT"};
  for (size_t i = 0; i < std::size(from104); ++i) names[104 + i] = from104[i];
  names[156] = "CLEAR";
  names[159] = "SEPARATOR";
  const std::string_view from224[] = {"LCONTROL", "LSHIFT", "LMENU", "LWIN", "RCONTROL", "RSHIFT", "RMENU", "RWIN"};
  for (size_t i = 0; i < std::size(from224); ++i) names[224 + i] = from224[i];
  names[CODE_LEFT_BUTTON] = "L-KEY";
  names[CODE_RIGHT_BUTTON] = "R-KEY";
  names[CODE_MIDDLE_BUTTON] = "M-KEY";
  return names;
}();

}  // namespace

std::string KeyNameFor(uint8_t code) { return std::string(kKeyNames[code]); }

uint8_t VkToUsage(uint8_t vk) { return kVkToUsage[vk]; }

uint8_t UsageToVk(uint8_t usage) { return kUsageToVk[usage]; }

std::string EventLineText(const MacroEvent& event) {
  std::string line;
  if (event.action == ACTION_DOWN) {
    line = "[\u2193]";
  } else if (event.action == ACTION_UP) {
    line = "[\u2191]";
  }
  line += kKeyNames[event.code];
  return line;
}

std::string DelayLineText(uint16_t ms) { return "    " + std::to_string(ms) + "ms"; }

std::vector<std::string> EventListLines(const MacroRecord& record) {
  std::vector<std::string> lines;
  const size_t n = record.eventCount;  // a byte: never beyond the 255 event slots
  if (n == 0) return lines;
  lines.reserve(2 * n - 1);
  for (size_t k = 0; k < n; ++k) {
    if (k > 0) lines.push_back(DelayLineText(record.delays[k - 1]));
    lines.push_back(EventLineText(record.events[k]));
  }
  return lines;
}

}  // namespace orv::macros
