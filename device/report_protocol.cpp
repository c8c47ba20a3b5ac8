#include "device/report_protocol.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "device/report_text.h"
#include "macros/macro_model.h"
#include "platform/log.h"

namespace orv::device {
namespace {

bool IsLevelIndex(int level) { return level >= 0 && level < kLevelCount; }

// Bit of buttonStateByte for a button code of a macro event, or -1 for codes
// that name no button the mouse can hold.
int ButtonBit(uint8_t code) {
  switch (code) {
    case macros::CODE_LEFT_BUTTON: return 0;
    case macros::CODE_RIGHT_BUTTON: return 1;
    case macros::CODE_MIDDLE_BUTTON: return 2;
    default: return -1;
  }
}

}  // namespace

uint8_t LightingByte(uint8_t ledType, uint8_t cycleTime) {
  // The cycle time is a 4-bit field; keeping it there stops an out-of-range
  // value from a damaged profile spilling into the mode bits or bit 7.
  const uint8_t time = cycleTime & 0x0F;
  switch (ledType) {
    case 0: return static_cast<uint8_t>(0x80 | time);
    case 2: return 0x86;
    case 3: return 0x87;
    default: return static_cast<uint8_t>(0x90 | time);
  }
}

void ReportChannel::SetWriteCollection(HandleState state, std::shared_ptr<HidWriter> writer,
                                       size_t featureReportLength) {
  std::lock_guard lock(mutex_);
  state_ = state;
  writer_ = std::move(writer);
  featureReportLength_ = std::min(featureReportLength, kFeatureBufferSize);
}

HandleState ReportChannel::WriteState() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void ReportChannel::SendButtonFunction(uint8_t wireCode, uint8_t deviceFunction) {
  std::lock_guard lock(mutex_);
  BeginReport(CMD_BUTTON_FUNCTION);
  buffer_[2] = wireCode;
  buffer_[3] = deviceFunction;
  SendLocked();
}

void ReportChannel::SendWheelStatus(uint8_t wheelStatus) {
  std::lock_guard lock(mutex_);
  BeginReport(CMD_WHEEL_STATUS);
  buffer_[2] = wheelStatus;
  buffer_[3] = 0;
  SendLocked();
}

void ReportChannel::SendLighting(uint8_t cycleMask, uint8_t ledType, uint8_t cycleTime) {
  std::lock_guard lock(mutex_);
  BeginReport(CMD_LIGHTING);
  // One bit per cycle colour; the bits above them are not colours.
  buffer_[2] = static_cast<uint8_t>(cycleMask & ((1u << kCycleColourCount) - 1));
  buffer_[3] = LightingByte(ledType, cycleTime);
  SendLocked();
}

void ReportChannel::SendDpiLevel(int level, uint8_t activeLevel, uint8_t stepCode, uint8_t enableMask) {
  if (!IsLevelIndex(level)) return;
  std::lock_guard lock(mutex_);
  BeginReport(CMD_DPI_LEVEL);
  buffer_[2] = static_cast<uint8_t>(0x40u + activeLevel);
  buffer_[3] = static_cast<uint8_t>(stepCode * 16u + 8u + static_cast<uint32_t>(level));
  buffer_[4] = enableMask;
  SendLocked();
}

void ReportChannel::SendLevelColour(int level, uint8_t r, uint8_t g, uint8_t b) {
  if (!IsLevelIndex(level)) return;
  std::lock_guard lock(mutex_);
  BeginReport(CMD_LEVEL_COLOUR);
  buffer_[2] = static_cast<uint8_t>(static_cast<uint32_t>(level) * 32u + g);
  buffer_[3] = static_cast<uint8_t>(r * 16u + b);
  SendLocked();
}

void ReportChannel::SendFireTime(uint16_t fireTimeMs) {
  // The mouse counts in units of 8 ms, sent big-endian.
  const uint32_t units = fireTimeMs / 8u;
  std::lock_guard lock(mutex_);
  BeginReport(CMD_FIRE_TIME);
  buffer_[2] = static_cast<uint8_t>(units >> 8);
  buffer_[3] = static_cast<uint8_t>(units);
  std::fill(buffer_.begin() + 4, buffer_.begin() + 8, uint8_t{0});
  SendLocked();
}

void ReportChannel::SendConsumerKey(uint16_t usage) {
  std::lock_guard lock(mutex_);
  BeginReport(CMD_CONSUMER_KEY);
  buffer_[2] = static_cast<uint8_t>(usage >> 8);
  buffer_[3] = static_cast<uint8_t>(usage);
  SendLocked();
}

void ReportChannel::SendHostExit() {
  std::lock_guard lock(mutex_);
  if (state_ == HandleState::Invalid) return;
  BeginReport(CMD_HOST_EXIT);
  buffer_[2] = 0;
  buffer_[3] = 0;
  SendLocked();
}

void ReportChannel::SendKeyOrButton(uint8_t code, uint8_t action) {
  std::lock_guard lock(mutex_);
  if (code < macros::CODE_LEFT_BUTTON) {
    if (action == macros::ACTION_DOWN) {
      // A seventh key finds no free slot and is dropped.
      auto free = std::find(heldKeys_.begin(), heldKeys_.end(), uint8_t{0});
      if (free != heldKeys_.end()) *free = code;
    } else if (action == macros::ACTION_UP) {
      RemoveHeldKeyLocked(code);
    }
    BeginReport(CMD_KEY_STATE);
    WriteHeldKeysLocked();
  } else {
    const int bit = ButtonBit(code);
    if (bit >= 0 && action == macros::ACTION_DOWN) buttonStateByte_ &= static_cast<uint8_t>(~(1u << bit));
    if (bit >= 0 && action == macros::ACTION_UP) buttonStateByte_ |= static_cast<uint8_t>(1u << bit);
    BeginReport(CMD_BUTTON_STATE);
    buffer_[3] = buttonStateByte_;
  }
  SendLocked();
}

void ReportChannel::RemoveHeldKey(uint8_t code) {
  std::lock_guard lock(mutex_);
  RemoveHeldKeyLocked(code);
}

void ReportChannel::ReleaseAllInputs(const std::function<void(uint32_t ms)>& pause) {
  pause(10);
  {
    std::lock_guard lock(mutex_);
    buttonStateByte_ |= 0x07;
    BeginReport(CMD_BUTTON_STATE);
    buffer_[3] = buttonStateByte_;
    SendLocked();
  }
  pause(10);
  {
    std::lock_guard lock(mutex_);
    heldKeys_.fill(0);
    BeginReport(CMD_KEY_STATE);
    WriteHeldKeysLocked();
    SendLocked();
  }
}

uint64_t ReportChannel::SentReports() const {
  std::lock_guard lock(mutex_);
  return sent_;
}

uint64_t ReportChannel::FailedSends() const {
  std::lock_guard lock(mutex_);
  return failed_;
}

std::array<uint8_t, kHeldKeySlots> ReportChannel::HeldKeys() const {
  std::lock_guard lock(mutex_);
  return heldKeys_;
}

uint8_t ReportChannel::ButtonStateByte() const {
  std::lock_guard lock(mutex_);
  return buttonStateByte_;
}

std::array<uint8_t, kFeatureBufferSize> ReportChannel::BufferSnapshot() const {
  std::lock_guard lock(mutex_);
  return buffer_;
}

void ReportChannel::BeginReport(uint8_t command) {
  // Every report carries the report id. Writing it each time (the consumer-key
  // report included) keeps the id right even when nothing was sent before.
  buffer_[0] = FEATURE_REPORT_ID;
  buffer_[1] = command;
}

void ReportChannel::SendLocked() {
  // The state and the writer are read under the same lock as the buffer, so a
  // collection swapped in by the window thread never sees half a report.
  const char* failure = nullptr;
  int error = 0;
  if (state_ != HandleState::Open || !writer_) {
    failure = "the write collection is not open";
  } else if (featureReportLength_ == 0) {
    failure = "the write collection takes no feature reports";
  } else if (!writer_->SetFeature(buffer_.data(), featureReportLength_)) {
    error = errno;
    failure = "the mouse did not take it";
  }
  if (failure == nullptr) {
    ++sent_;
    if (log::DebugEnabled()) {
      log::Debug(log::kDevice, "sent " + HexBytes(buffer_.data(), 8) + "  " + DescribeFeatureReport({buffer_.begin(), buffer_.begin() + 8}));
    }
    return;
  }
  ++failed_;
  std::string text = "feature report " + HexBytes(buffer_.data(), 8) + " not sent: " + failure;
  if (error != 0) text += std::string(" (") + std::strerror(error) + ")";
  // Without a mouse the collection was never opened and the sends that are
  // still attempted (the host-exit report of a start without the mouse) are
  // expected to fail: only a debug line for those.
  if (state_ == HandleState::NeverOpened) {
    log::Debug(log::kDevice, text);
  } else {
    log::Warning(log::kDevice, text);
  }
}

void ReportChannel::RemoveHeldKeyLocked(uint8_t code) {
  auto held = std::find(heldKeys_.begin(), heldKeys_.end(), code);
  if (held != heldKeys_.end()) std::move(held + 1, heldKeys_.end(), held);
  heldKeys_.back() = 0;
}

void ReportChannel::WriteHeldKeysLocked() { std::copy(heldKeys_.begin(), heldKeys_.end(), buffer_.begin() + 2); }

}  // namespace orv::device
