#include "settings/mouse_settings.h"

#include <algorithm>

namespace orv::settings {
namespace {

bool IsButton(int button) { return button >= 0 && button < kButtonCount; }
bool IsLevel(int level) { return level >= 0 && level < kLevelCount; }

// The Main page's step cell of a level's step: each level's cells follow the
// previous level's, from entry 66 on.
int32_t StepHit(int level, int32_t step) { return 66 + kStepCount * level + step; }

bool AnyButtonHasLeftClick(const MouseSettings& s, int except) {
  for (int b = kButtonCount - 1; b >= 0; --b) {
    if (b != except && s.K[b] == device::kLeftClickFunction) return true;
  }
  return false;
}

}  // namespace

bool IsDpiFunction(int32_t code) { return device::FunctionOf(code).kind == device::FunctionKind::DpiSwitch; }

int32_t ChannelLevelFromByte(uint8_t v) { return (255 - v) / 16; }

uint32_t DisplayColourFor(int32_t r, int32_t g, int32_t b) {
  auto channel = [](int32_t level) { return static_cast<uint32_t>(255 - 16 * std::clamp(level, 0, 15)); };
  return channel(r) | (channel(g) << 8) | (channel(b) << 16);
}

uint8_t CycleMaskOf(const std::array<bool, kCycleColourCount>& flags) {
  uint8_t mask = 0;
  for (int k = 0; k < kCycleColourCount; ++k) {
    if (flags[static_cast<size_t>(k)]) mask = static_cast<uint8_t>(mask | (1u << k));
  }
  return mask;
}

void SetCycleFlagsFromMask(MouseSettings& s, uint8_t mask) {
  for (int k = 0; k < kCycleColourCount; ++k) s.colourCycleFlags[static_cast<size_t>(k)] = ((mask >> k) & 1) != 0;
}

void RecomputeDerived(MouseSettings& s) {
  for (int n = 0; n < kLevelCount; ++n) {
    DpiLevel& level = s.levels[static_cast<size_t>(n)];
    level.selectedStepHit = StepHit(n, level.step);
    level.displayColour = DisplayColourFor(level.r, level.g, level.b);
  }
}

void SetButtonFunction(MouseSettings& s, int button, int32_t code) {
  if (!IsButton(button)) return;
  s.K[button] = code;
  if (AnyButtonHasLeftClick(s, -1)) return;
  // Button 6 has no next button, so it takes the left click back itself.
  s.K[button < kButtonCount - 1 ? button + 1 : button] = device::kLeftClickFunction;
}

bool NeedsLastLeftClickWarning(const MouseSettings& s, int button) {
  return IsButton(button) && !AnyButtonHasLeftClick(s, button);
}

void ToggleLevelEnabled(MouseSettings& s, int level) {
  if (!IsLevel(level)) return;
  DpiLevel& l = s.levels[static_cast<size_t>(level)];
  if (l.enabled == 0) {
    l.enabled = 1;
    return;
  }
  l.enabled = 0;
  if (s.DPI_LEVEL != level) return;
  for (int i = 1; i <= kLevelCount; ++i) {
    const int candidate = (level + i) % kLevelCount;
    if (s.levels[static_cast<size_t>(candidate)].enabled) {
      s.DPI_LEVEL = candidate;
      return;
    }
  }
  // It was the only enabled level: it stays enabled and active.
  l.enabled = 1;
}

void SelectActiveLevel(MouseSettings& s, int level) {
  if (IsLevel(level) && s.levels[static_cast<size_t>(level)].enabled) s.DPI_LEVEL = level;
}

void SelectStep(MouseSettings& s, int level, int32_t step) {
  if (!IsLevel(level) || step < 0 || step >= kStepCount) return;
  DpiLevel& l = s.levels[static_cast<size_t>(level)];
  l.step = static_cast<uint8_t>(step);
  l.selectedStepHit = StepHit(level, step);
}

void ApplyPickedColour(MouseSettings& s, int level, uint32_t rgb) {
  if (!IsLevel(level)) return;
  DpiLevel& l = s.levels[static_cast<size_t>(level)];
  l.r = ChannelLevelFromByte(static_cast<uint8_t>(rgb & 0xFF));
  l.g = ChannelLevelFromByte(static_cast<uint8_t>((rgb >> 8) & 0xFF));
  l.b = ChannelLevelFromByte(static_cast<uint8_t>((rgb >> 16) & 0xFF));
  l.displayColour = DisplayColourFor(l.r, l.g, l.b);
}

void ToggleCycleColour(MouseSettings& s, int colour) {
  if (colour < 0 || colour >= kCycleColourCount) return;
  bool& flag = s.colourCycleFlags[static_cast<size_t>(colour)];
  if (!flag) {
    flag = true;
    return;
  }
  const auto set = std::count(s.colourCycleFlags.begin(), s.colourCycleFlags.end(), true);
  if (set >= 2) flag = false;
}

void SetLightingMode(MouseSettings& s, int32_t mode) {
  if (mode >= 0 && mode <= 3) s.LED_TYPE = static_cast<uint8_t>(mode);
}

void SetCycleTime(MouseSettings& s, int32_t step) {
  if (step >= 0 && step <= 5) s.LED_CYC_TIME = static_cast<uint8_t>(step);
}

void SetWheelStatus(MouseSettings& s, int32_t status) {
  if (status == 0 || status == 1) s.WHEEL_STATUS = status;
}

void SetPointerSpeedStep(MouseSettings& s, int32_t step) {
  if (step >= 0 && step <= 9) s.DPI_SPEED = static_cast<uint8_t>(step);
}

void SetWheelStep(MouseSettings& s, int32_t step) {
  if (step >= 0 && step <= 9) s.WHEEL_SPEED = static_cast<uint8_t>(step);
}

void SetPollingRate(MouseSettings& s, int32_t choice) {
  if (choice >= 0 && choice <= 3) s.USB_SPEED = static_cast<uint8_t>(choice);
}

void SetFireTimeFromSlider(MouseSettings& s, int32_t x, int32_t sliderLeft, int32_t sliderWidth) {
  if (sliderWidth <= 0) return;
  if (x <= sliderLeft) {
    s.FIRE_TIME = 0;
    return;
  }
  // Unsigned arithmetic, wide enough that no slider geometry can wrap it.
  const uint64_t offset = static_cast<uint64_t>(static_cast<int64_t>(x) - sliderLeft);
  const uint64_t time = offset * kFireTimeMax / static_cast<uint64_t>(sliderWidth);
  s.FIRE_TIME = static_cast<int32_t>(std::min<uint64_t>(time, kFireTimeMax));
}

void FireTimeDown(MouseSettings& s) { s.FIRE_TIME = std::clamp(s.FIRE_TIME, 1, kFireTimeMax + 1) - 1; }

void FireTimeUp(MouseSettings& s) { s.FIRE_TIME = std::clamp(s.FIRE_TIME, -1, kFireTimeMax - 1) + 1; }

bool RepairInvariants(MouseSettings& s) {
  bool changed = false;
  if (!AnyButtonHasLeftClick(s, -1)) {
    s.K[0] = device::kLeftClickFunction;
    changed = true;
  }
  // The executor may store a level at any time; work on one read of it.
  int32_t active = s.DPI_LEVEL;
  if (!IsLevel(active)) {
    active = 0;
    for (int n = 0; n < kLevelCount; ++n) {
      if (s.levels[static_cast<size_t>(n)].enabled) {
        active = n;
        break;
      }
    }
    s.DPI_LEVEL = active;
    changed = true;
  }
  DpiLevel& activeLevel = s.levels[static_cast<size_t>(active)];
  if (!activeLevel.enabled) {
    activeLevel.enabled = 1;
    changed = true;
  }
  if (std::none_of(s.colourCycleFlags.begin(), s.colourCycleFlags.end(), [](bool f) { return f; })) {
    s.colourCycleFlags.fill(true);
    changed = true;
  }
  RecomputeDerived(s);
  return changed;
}

}  // namespace orv::settings
