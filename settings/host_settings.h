#pragma once
// The two host-side settings a profile carries: the desktop's pointer speed
// (on a 1 ... 20 scale) and the wheel's scroll lines. A "get" that fails means
// the desktop has no such setting, and Apply then leaves it alone.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orv::settings {

class HostSettings {
 public:
  virtual ~HostSettings() = default;
  virtual bool GetPointerSpeed(int32_t& speed) = 0;
  virtual void SetPointerSpeed(int32_t speed) = 0;
  virtual bool GetWheelLines(int32_t& lines) = 0;
  virtual void SetWheelLines(int32_t lines) = 0;
};

// Applies nothing to the desktop: records each change as a line ("mouse-speed N",
// "wheel-lines N"), in memory and, when a log file is given, appended to it at
// once. Used by tests and by the simulated mouse.
class RecordingHostSettings final : public HostSettings {
 public:
  explicit RecordingHostSettings(std::filesystem::path logFile = {});
  bool GetPointerSpeed(int32_t& speed) override;
  void SetPointerSpeed(int32_t speed) override;
  bool GetWheelLines(int32_t& lines) override;
  void SetWheelLines(int32_t lines) override;

  std::vector<std::string> Lines() const;
  // Whether the "get" calls succeed (both do by default).
  void SetAvailable(bool pointer, bool wheel);

 private:
  void Record(std::string line);
  mutable std::mutex mutex_;
  std::filesystem::path logFile_;
  std::vector<std::string> lines_;
  bool pointerAvailable_ = true;
  bool wheelAvailable_ = true;
  int32_t pointerSpeed_ = 10;
  int32_t wheelLines_ = 3;
};

// The 1 ... 20 pointer-speed scale onto libinput's -1 ... 1 acceleration and back.
double AccelFromPointerSpeed(int32_t speed);
int32_t PointerSpeedFromAccel(double accel);

}  // namespace orv::settings
