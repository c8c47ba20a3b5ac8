#include "macros/recorder.h"

#include <algorithm>

#include "macros/key_names.h"

namespace orv::macros {

bool IsKeyDown(uint32_t message) { return message == kKeyDown || message == kSysKeyDown; }

bool IsKeyMessage(uint32_t message) {
  return message == kKeyDown || message == kKeyUp || message == kSysKeyDown || message == kSysKeyUp;
}

void Recorder::Start(MacroTables& tables, int32_t slot, std::string_view name, Clock& clock) {
  clock_ = &clock;
  slot = std::clamp<int32_t>(slot, 0, MACRO_SLOTS - 1);
  held_.fill(0);
  heldCount_ = 0;
  recMacro_ = slot;
  recDownLines_ = 0;
  recCount_ = 0;
  {
    std::lock_guard lock(tables.mutex);
    MacroRecord& r = tables.userMacros[static_cast<size_t>(slot)];
    r = MacroRecord{};
    SetMacroName(r, name);
    r.mode = MODE_ONCE;
    r.repeatCount = 1;
    tables.selectedMacro = slot;
  }
  recording_ = true;
}

void Recorder::Stop(MacroTables& tables) {
  if (!recording_) return;
  recording_ = false;
  std::lock_guard lock(tables.mutex);
  tables.userMacros[static_cast<size_t>(recMacro_)].eventCount = static_cast<uint8_t>(recCount_);
}

bool Recorder::TakeHeld(uint8_t vk) {
  const auto end = held_.begin() + heldCount_;
  const auto it = std::find(held_.begin(), end, vk);
  if (it == end) return false;
  std::copy(it + 1, end, it);
  --heldCount_;
  held_[static_cast<size_t>(heldCount_)] = 0;
  return true;
}

int Recorder::OnKey(MacroTables& tables, KeyMessage message) {
  if (!recording_ || !IsKeyMessage(message.message)) return -1;
  const uint8_t vk = static_cast<uint8_t>(message.vk & 0xFF);
  // A key the tables have no code for is not an event at all.
  if (vk == 0) return -1;
  // The same message again (a repeated key-down) is recorded once.
  if (message == lastKeyMessage_) return -1;
  int recorded = -1;
  const bool down = IsKeyDown(message.message);
  if (recCount_ < kRecordEventLimit) {
    if (down && (recDownLines_ >= kRecordPressLimit || heldCount_ >= kHeldKeyLimit)) {
      // Beyond the press limit, or a tenth key held at once: the press is
      // not taken, so its release will not be either.
      return -1;
    }
    if (down) {
      held_[static_cast<size_t>(heldCount_++)] = vk;
      ++recDownLines_;
    } else if (!TakeHeld(vk)) {
      // The press happened before the recording or was not taken.
      return -1;
    }
    const uint16_t elapsed = ElapsedSinceLastEvent();
    std::lock_guard lock(tables.mutex);
    MacroRecord& r = tables.userMacros[static_cast<size_t>(recMacro_)];
    const auto k = static_cast<size_t>(recCount_);
    r.events[k] = {VkToUsage(vk), down ? ACTION_DOWN : ACTION_UP};
    if (k > 0) {
      r.delays[k - 1] = elapsed;
      r.delays[k] = DEFAULT_DELAY_MS;
    }
    recorded = recCount_++;
    // The macro holds what has been recorded so far, so a save in the middle
    // of a recording stores those events.
    r.eventCount = static_cast<uint8_t>(recCount_);
  }
  lastKeyMessage_ = message;
  return recorded;
}

uint16_t Recorder::ElapsedSinceLastEvent() {
  const int32_t now = clock_->UtcMsOfDay();
  int64_t d = int64_t{now} - lastEventTime_;
  lastEventTime_ = now;
  if (d < 0) d += kMsPerDay;
  return static_cast<uint16_t>(std::min<int64_t>(d, 65535));
}

}  // namespace orv::macros
