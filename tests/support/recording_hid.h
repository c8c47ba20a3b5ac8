#pragma once
// A stand-in for the mouse's feature collection that keeps every report it is
// given, byte for byte, in the order they arrived. Safe to share between the
// threads that send.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "device/hid_port.h"

namespace orv::test {

using Report = std::vector<uint8_t>;

class RecordingHid final : public device::HidWriter {
 public:
  bool SetFeature(const uint8_t* data, size_t length) override {
    std::lock_guard lock(mutex_);
    reports_.emplace_back(data, data + length);
    return !refuse_;
  }

  // While set, reports are still recorded but SetFeature reports failure, as
  // a mouse that does not take them.
  void SetRefuse(bool refuse) {
    std::lock_guard lock(mutex_);
    refuse_ = refuse;
  }

  std::vector<Report> Reports() const {
    std::lock_guard lock(mutex_);
    return reports_;
  }
  size_t Count() const {
    std::lock_guard lock(mutex_);
    return reports_.size();
  }
  Report Last() const {
    std::lock_guard lock(mutex_);
    return reports_.empty() ? Report{} : reports_.back();
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    reports_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Report> reports_;
  bool refuse_ = false;
};

// The first n bytes of a report (fewer if it is shorter) as upper-case hex
// separated by single spaces: "07 10 01 01 00 00 00 00".
inline std::string FormatReport(const uint8_t* data, size_t length, size_t n = 8) {
  std::string text;
  for (size_t i = 0; i < length && i < n; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", data[i]);
    if (!text.empty()) text += ' ';
    text += hex;
  }
  return text;
}

inline std::string FormatReport(const Report& report, size_t n = 8) {
  return FormatReport(report.data(), report.size(), n);
}

}  // namespace orv::test
