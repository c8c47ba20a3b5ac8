#pragma once
// Everything the program tells the mouse. Every feature report is built in one
// shared 256-byte buffer and sent from it; a command writes only its own bytes,
// so the bytes it leaves alone still hold what an earlier command put there and
// go out on the wire that way. Two threads send (the window thread for Apply and
// exit, the macro executor for playback), so building and sending one report is
// a single step under the feature-report lock.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "device/hid_transport.h"
#include "device/wire_codes.h"

namespace orv::device {

inline constexpr size_t kFeatureBufferSize = 256;
inline constexpr size_t kHeldKeySlots = 6;

// Byte 3 of the lighting report for a lighting mode and cycle-time step.
// Modes 0 and 1 carry the cycle time in the low nibble; 2 and 3 ignore it;
// any unknown mode is sent as mode 1. Bit 7 is always set.
uint8_t LightingByte(uint8_t ledType, uint8_t cycleTime);

class ReportChannel {
 public:
  ReportChannel() = default;
  ReportChannel(const ReportChannel&) = delete;
  ReportChannel& operator=(const ReportChannel&) = delete;

  // Where reports go from now on. featureReportLength is the collection's
  // feature report length; at most the buffer's 256 bytes are ever sent.
  void SetWriteCollection(HandleState state, std::shared_ptr<HidWriter> writer, size_t featureReportLength);
  HandleState WriteState() const;

  // Settings commands, sent by Apply.
  void SendButtonFunction(uint8_t wireCode, uint8_t deviceFunction);
  void SendWheelStatus(uint8_t wheelStatus);
  void SendLighting(uint8_t cycleMask, uint8_t ledType, uint8_t cycleTime);
  // One DPI level: the active level, the level's wire step code and the mask
  // of enabled levels (bit n = level n). Level indexes outside 0 ... 5 send nothing.
  void SendDpiLevel(int level, uint8_t activeLevel, uint8_t stepCode, uint8_t enableMask);
  // A level's indicator colour as three 4-bit channel levels (0 = brightest);
  // the sums wrap modulo 256 as the firmware reads them.
  void SendLevelColour(int level, uint8_t r, uint8_t g, uint8_t b);
  // Rapid-fire time in milliseconds, sent in units of 8 ms.
  void SendFireTime(uint16_t fireTimeMs);

  // One press of a media key; the mouse needs no release report.
  void SendConsumerKey(uint16_t usage);
  // Tells the mouse the program is ending. Skipped when the write collection
  // failed to open; attempted (and failing) when it was never opened.
  void SendHostExit();

  // Macro playback (executor thread). code < 0xF0 is a keyboard usage, 0xF0,
  // 0xF1, 0xF2 the left, right and middle button; action 1 press, 2 release.
  void SendKeyOrButton(uint8_t code, uint8_t action);
  // Drops the first held occurrence of code; the last slot is emptied in every
  // case, also when code was not held.
  void RemoveHeldKey(uint8_t code);
  // Ends a macro pass with nothing held: after 10 ms all buttons up, after
  // another 10 ms all keys up. Each pause is `pause(ms)` (the playback's
  // schedule), taken without holding the lock.
  void ReleaseAllInputs(const std::function<void(uint32_t ms)>& pause);

  // Reports the collection took, and reports that could not be delivered (no
  // open collection, a zero report length, or the device refusing it).
  uint64_t SentReports() const;
  uint64_t FailedSends() const;

  std::array<uint8_t, kHeldKeySlots> HeldKeys() const;
  uint8_t ButtonStateByte() const;
  std::array<uint8_t, kFeatureBufferSize> BufferSnapshot() const;

 private:
  // The helpers below expect mutex_ to be held.
  void BeginReport(uint8_t command);
  void SendLocked();
  void RemoveHeldKeyLocked(uint8_t code);
  void WriteHeldKeysLocked();

  mutable std::mutex mutex_;
  std::array<uint8_t, kFeatureBufferSize> buffer_{};
  HandleState state_ = HandleState::NeverOpened;
  std::shared_ptr<HidWriter> writer_;
  size_t featureReportLength_ = 0;
  std::array<uint8_t, kHeldKeySlots> heldKeys_{};
  uint8_t buttonStateByte_ = 0xFF;
  uint64_t sent_ = 0;
  uint64_t failed_ = 0;
};

}  // namespace orv::device
