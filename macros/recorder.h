#pragma once
// The macro recorder: key presses and releases, as virtual-key messages,
// become the events of one user macro with the measured time between them.
// Plain C++ on the window thread; the window toolkit feeds it key messages
// (native_keys.h converts the window system's key symbols) and shows the
// lines of the events it records.
#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

#include "macros/macro_model.h"
#include "platform/clock.h"

namespace orv::macros {

// The key message numbers the macro tables' virtual-key codes come with.
inline constexpr uint32_t kKeyDown = 0x100;
inline constexpr uint32_t kKeyUp = 0x101;
inline constexpr uint32_t kSysKeyDown = 0x104;
inline constexpr uint32_t kSysKeyUp = 0x105;

inline constexpr int kRecordEventLimit = 216;  // events one recording adds at most
inline constexpr int kRecordPressLimit = 108;  // presses one recording adds at most
inline constexpr int kHeldKeyLimit = 9;        // keys held at once that are tracked

struct KeyMessage {
  uint32_t message = 0;  // kKeyDown, kKeyUp, kSysKeyDown or kSysKeyUp
  uint32_t vk = 0;       // virtual-key code
  bool operator==(const KeyMessage&) const = default;
};

bool IsKeyDown(uint32_t message);
bool IsKeyMessage(uint32_t message);

class Recorder {
 public:
  bool Recording() const { return recording_; }
  int32_t Macro() const { return recMacro_; }
  int32_t Count() const { return recCount_; }
  int32_t Presses() const { return recDownLines_; }
  int HeldKeys() const { return heldCount_; }

  // Starts recording into user slot `slot` (0 ... 12): the slot becomes an
  // empty record named `name`, once, repeat count 1; it becomes the selected
  // macro. The events are stamped with `clock`'s time of day.
  void Start(MacroTables& tables, int32_t slot, std::string_view name, Clock& clock);
  // Stores the number of recorded events in the slot and ends the recording.
  // Keys still held keep their presses without releases.
  void Stop(MacroTables& tables);

  // One key message while recording; the slot's event count follows each
  // recorded event. Returns the index of the recorded event
  // or -1 when the message records nothing (a repeat of the previous message,
  // a limit reached, a release of a key whose press was not recorded, a key
  // without a code).
  int OnKey(MacroTables& tables, KeyMessage message);

 private:
  // Milliseconds since the previous call (0 ... 65535), across midnight.
  uint16_t ElapsedSinceLastEvent();
  bool TakeHeld(uint8_t vk);

  Clock* clock_ = nullptr;
  bool recording_ = false;
  int32_t recMacro_ = 0;
  int32_t recCount_ = 0;
  int32_t recDownLines_ = 0;
  std::array<uint8_t, kHeldKeyLimit> held_{};
  int heldCount_ = 0;
  KeyMessage lastKeyMessage_{};  // kept from one recording to the next
  int32_t lastEventTime_ = 0;
};

}  // namespace orv::macros
