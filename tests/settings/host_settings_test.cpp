#include "settings/host_settings.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/temp_dir.h"

namespace orv::settings {
namespace {

TEST(HostSettings, PointerSpeedScaleMapsOntoLibinputAcceleration) {
  struct Case {
    int32_t speed;
    double accel;
  } cases[] = {{1, -0.9}, {8, -0.2}, {10, 0.0}, {18, 0.8}, {20, 1.0}};
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(AccelFromPointerSpeed(c.speed), c.accel) << c.speed;
    EXPECT_EQ(PointerSpeedFromAccel(c.accel), c.speed) << c.accel;
  }
  // Outside values are held to the scales' ends.
  EXPECT_DOUBLE_EQ(AccelFromPointerSpeed(-5), -1.0);
  EXPECT_DOUBLE_EQ(AccelFromPointerSpeed(99), 1.0);
  EXPECT_EQ(PointerSpeedFromAccel(-1.0), 1);
  EXPECT_EQ(PointerSpeedFromAccel(7.0), 20);
  EXPECT_EQ(PointerSpeedFromAccel(std::nan("")), 10);
}

TEST(HostSettings, RecordingBackendAppendsEachChangeToItsLog) {
  test::TempDir dir;
  const auto log = dir / "host.log";
  RecordingHostSettings host(log);
  int32_t value = 0;
  ASSERT_TRUE(host.GetPointerSpeed(value));
  host.SetPointerSpeed(8);
  EXPECT_EQ(test::ReadText(log), "mouse-speed 8\n");
  host.SetWheelLines(3);
  EXPECT_EQ(test::ReadText(log), "mouse-speed 8\nwheel-lines 3\n");
  ASSERT_TRUE(host.GetPointerSpeed(value));
  EXPECT_EQ(value, 8);
  host.SetAvailable(false, false);
  EXPECT_FALSE(host.GetPointerSpeed(value));
  EXPECT_FALSE(host.GetWheelLines(value));
}

}  // namespace
}  // namespace orv::settings
