#include "settings/host_settings.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace orv::settings {

RecordingHostSettings::RecordingHostSettings(std::filesystem::path logFile) : logFile_(std::move(logFile)) {}

bool RecordingHostSettings::GetPointerSpeed(int32_t& speed) {
  std::lock_guard lock(mutex_);
  if (pointerAvailable_) speed = pointerSpeed_;
  return pointerAvailable_;
}

void RecordingHostSettings::SetPointerSpeed(int32_t speed) {
  {
    std::lock_guard lock(mutex_);
    pointerSpeed_ = speed;
  }
  Record("mouse-speed " + std::to_string(speed));
}

bool RecordingHostSettings::GetWheelLines(int32_t& lines) {
  std::lock_guard lock(mutex_);
  if (wheelAvailable_) lines = wheelLines_;
  return wheelAvailable_;
}

void RecordingHostSettings::SetWheelLines(int32_t lines) {
  {
    std::lock_guard lock(mutex_);
    wheelLines_ = lines;
  }
  Record("wheel-lines " + std::to_string(lines));
}

std::vector<std::string> RecordingHostSettings::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

void RecordingHostSettings::SetAvailable(bool pointer, bool wheel) {
  std::lock_guard lock(mutex_);
  pointerAvailable_ = pointer;
  wheelAvailable_ = wheel;
}

void RecordingHostSettings::Record(std::string line) {
  std::lock_guard lock(mutex_);
  if (!logFile_.empty()) {
    std::ofstream out(logFile_, std::ios::app);
    out << line << '\n' << std::flush;
  }
  lines_.push_back(std::move(line));
}

double AccelFromPointerSpeed(int32_t speed) {
  return std::clamp((static_cast<double>(speed) - 10.0) / 10.0, -1.0, 1.0);
}

int32_t PointerSpeedFromAccel(double accel) {
  if (!std::isfinite(accel)) return 10;
  return std::clamp(static_cast<int32_t>(std::lround(std::clamp(accel, -1.0, 1.0) * 10.0 + 10.0)), 1, 20);
}

}  // namespace orv::settings
