#include "macros/native_keys.h"

#include <array>
#include <utility>

#include "macros/key_names.h"

namespace orv::macros {
namespace {

// Kernel key code -> HID keyboard usage (Keyboard/Keypad page), for the keys
// of ordinary keyboards: the 104/105/106/107-key layouts with their keypad,
// F13 ... F24, and the extra keys of Japanese, Korean and Brazilian keyboards.
// The kernel reads both usage 49 and usage 50 as its backslash key; the
// recorder gives 49.
constexpr std::pair<uint16_t, uint8_t> kKernelKeyUsages[] = {
    {1, 41},    // Escape
    {2, 30},    {3, 31},   {4, 32},   {5, 33},   {6, 34},   {7, 35},   {8, 36},   {9, 37},   {10, 38},  // 1 ... 9
    {11, 39},   // 0
    {12, 45},   {13, 46},  // - =
    {14, 42},   {15, 43},  // Backspace, Tab
    {16, 20},   {17, 26},  {18, 8},   {19, 21},  {20, 23},  {21, 28},  {22, 24},  {23, 12},  {24, 18},  {25, 19},  // Q ... P
    {26, 47},   {27, 48},  // [ ]
    {28, 40},   // Enter
    {29, 224},  // left Control
    {30, 4},    {31, 22},  {32, 7},   {33, 9},   {34, 10},  {35, 11},  {36, 13},  {37, 14},  {38, 15},  // A ... L
    {39, 51},   {40, 52},  {41, 53},  // ; ' `
    {42, 225},  // left Shift
    {43, 49},   // backslash (and the key beside Enter on ISO keyboards)
    {44, 29},   {45, 27},  {46, 6},   {47, 25},  {48, 5},   {49, 17},  {50, 16},  // Z ... M
    {51, 54},   {52, 55},  {53, 56},  // , . /
    {54, 229},  // right Shift
    {55, 85},   // keypad *
    {56, 226},  // left Alt
    {57, 44},   // Space
    {58, 57},   // Caps Lock
    {59, 58},   {60, 59},  {61, 60},  {62, 61},  {63, 62},  {64, 63},  {65, 64},  {66, 65},  {67, 66},  {68, 67},  // F1 ... F10
    {69, 83},   {70, 71},  // Num Lock, Scroll Lock
    {71, 95},   {72, 96},  {73, 97},  {74, 86},  {75, 92},  {76, 93},  {77, 94},  {78, 87},  // keypad 7 8 9 - 4 5 6 +
    {79, 89},   {80, 90},  {81, 91},  {82, 98},  {83, 99},  // keypad 1 2 3 0 .
    {85, 148},  // Zenkaku/Hankaku
    {86, 100},  // the extra key of ISO keyboards (< > |)
    {87, 68},   {88, 69},  // F11, F12
    {89, 135},  {90, 146}, {91, 147}, {92, 138}, {93, 136}, {94, 139}, {95, 140},  // Ro, Katakana ... keypad JP comma
    {96, 88},   // keypad Enter
    {97, 228},  // right Control
    {98, 84},   // keypad /
    {99, 70},   // Print Screen
    {100, 230},  // right Alt (AltGr)
    {102, 74},  {103, 82}, {104, 75}, {105, 80}, {106, 79}, {107, 77}, {108, 81}, {109, 78},  // Home ... Page Down
    {110, 73},  {111, 76},  // Insert, Delete
    {117, 103},  // keypad =
    {119, 72},   // Pause
    {121, 133},  // keypad , (Brazilian keypad .)
    {122, 144},  {123, 145},  // Hangeul, Hanja
    {124, 137},  // Yen
    {125, 227},  {126, 231},  // left, right GUI
    {127, 101},  // Menu (application)
    {138, 117},  // Help
    {179, 182},  {180, 183},  // keypad ( )
    {183, 104},  {184, 105}, {185, 106}, {186, 107}, {187, 108}, {188, 109},  // F13 ... F18
    {189, 110},  {190, 111}, {191, 112}, {192, 113}, {193, 114}, {194, 115},  // F19 ... F24
};

constexpr std::array<uint8_t, 256> kUsageByXKeycode = [] {
  std::array<uint8_t, 256> map{};
  for (const auto& [key, usage] : kKernelKeyUsages) map[key + kXKeycodeOffset] = usage;
  return map;
}();

}  // namespace

uint8_t UsageForXKeycode(uint32_t keycode) { return keycode < kUsageByXKeycode.size() ? kUsageByXKeycode[keycode] : 0; }

std::optional<KeyMessage> KeyMessageFor(const NativeKeyEvent& event) {
  if (event.autoRepeat) return std::nullopt;
  const uint8_t usage = UsageForXKeycode(event.keycode);
  if (usage == 0) return std::nullopt;
  return KeyMessage{event.press ? kKeyDown : kKeyUp, UsageToVk(usage)};
}

}  // namespace orv::macros
