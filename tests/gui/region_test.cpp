#include <gtest/gtest.h>

#include <QWidget>
#include <random>

#include "skin/picture_names.h"
#include "gui/region.h"
#include "support/temp_dir.h"
#include "reference_region.h"

namespace orv::skin {
namespace {

using orv::test::PixelSet;
using orv::test::ReferenceRegionFromMask;

void ExpectSamePixels(const QImage& mask) {
  const QRegion fast = RegionFromMaskImage(mask);
  const QRegion reference = ReferenceRegionFromMask(mask);
  EXPECT_EQ(PixelSet(fast, mask.width(), mask.height()), PixelSet(reference, mask.width(), mask.height()));
  // Nothing outside the picture.
  EXPECT_TRUE(fast.subtracted(QRegion(0, 0, mask.width(), mask.height())).isEmpty());
}

TEST(RegionFromMaskTest, ThresholdIsAbove100OnEveryChannel) {
  struct Case {
    QRgb pixel;
    bool hole;
  };
  for (const Case& c : {Case{qRgb(101, 101, 101), true}, Case{qRgb(101, 101, 100), false},
                        Case{qRgb(100, 255, 255), false}, Case{qRgb(255, 100, 255), false},
                        Case{qRgb(255, 255, 255), true}, Case{qRgb(0, 0, 0), false}}) {
    QImage mask(3, 1, QImage::Format_RGB32);
    mask.fill(qRgb(0, 0, 0));
    mask.setPixel(1, 0, c.pixel);
    const QRegion region = RegionFromMaskImage(mask);
    EXPECT_EQ(!region.contains(QPoint(1, 0)), c.hole) << std::hex << c.pixel;
    EXPECT_TRUE(region.contains(QPoint(0, 0)));
    EXPECT_TRUE(region.contains(QPoint(2, 0)));
  }
}

TEST(RegionFromMaskTest, GreyAndOtherFormatsFollowTheSameRule) {
  QImage grey(4, 1, QImage::Format_Grayscale8);
  const uchar values[4] = {100, 101, 0, 255};
  for (int x = 0; x < 4; ++x) grey.scanLine(0)[x] = values[x];
  EXPECT_EQ(RegionFromMaskImage(grey), QRegion(0, 0, 1, 1) + QRegion(2, 0, 1, 1));
  QImage rgb(5, 3, QImage::Format_RGB888);
  rgb.fill(QColor(0, 0, 0));
  rgb.setPixel(1, 1, qRgb(101, 101, 101));
  rgb.setPixel(3, 2, qRgb(101, 100, 101));
  ExpectSamePixels(rgb);
  EXPECT_FALSE(RegionFromMaskImage(rgb).contains(QPoint(1, 1)));
  EXPECT_TRUE(RegionFromMaskImage(rgb).contains(QPoint(3, 2)));
}

TEST(RegionFromMaskTest, AllLightIsEmptyAllDarkIsTheWholePicture) {
  QImage mask(30, 20, QImage::Format_Grayscale8);
  mask.fill(255);
  EXPECT_TRUE(RegionFromMaskImage(mask).isEmpty());
  mask.fill(0);
  EXPECT_EQ(RegionFromMaskImage(mask), QRegion(0, 0, 30, 20));
  EXPECT_TRUE(RegionFromMaskImage(QImage()).isEmpty());
}

TEST(RegionFromMaskTest, MatchesThePerPixelRuleOnRandomMasks) {
  std::mt19937 random(580);
  for (const QSize size : {QSize(1, 1), QSize(7, 1), QSize(1, 9), QSize(37, 23), QSize(64, 48)}) {
    for (int density : {5, 50, 95}) {
      QImage mask(size, QImage::Format_RGB32);
      for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
          // Channels around the threshold, so single channels decide.
          const bool light = static_cast<int>(random() % 100) < density;
          auto channel = [&] { return light ? 98 + static_cast<int>(random() % 8) : static_cast<int>(random() % 101); };
          mask.setPixel(x, y, qRgb(channel(), channel(), channel()));
        }
      }
      ExpectSamePixels(mask);
    }
  }
}

TEST(RegionFromMaskTest, RepeatedRowsAndStripesMatchThePerPixelRule) {
  QImage mask(50, 40, QImage::Format_RGB32);
  mask.fill(qRgb(0, 0, 0));
  for (int y = 10; y < 30; ++y) {
    for (int x = 0; x < 50; x += 3) mask.setPixel(x, y, qRgb(255, 255, 255));
  }
  for (int x = 0; x < 50; ++x) mask.setPixel(x, 35, qRgb(200, 200, 200));
  ExpectSamePixels(mask);
}

TEST(RegionFromMaskTest, ShippedMasksMatchThePerPixelRule) {
  for (const char* name : {pictures::kWarningMask, pictures::kMainMask}) {
    const std::filesystem::path file = std::filesystem::path(ORV_PORTABLE_DIR) / "skins" / name;
    QImage mask(QString::fromStdString(file.string()));
    ASSERT_FALSE(mask.isNull()) << file;
    ExpectSamePixels(mask);
    const MaskShape shape = RegionFromMask(file);
    EXPECT_TRUE(shape.loaded);
    EXPECT_EQ(shape.width, mask.width());
    EXPECT_EQ(shape.height, mask.height());
    EXPECT_EQ(shape.region, RegionFromMaskImage(mask));
  }
}

TEST(RegionFromMaskTest, MissingMaskIsReported) {
  orv::test::TempDir dir;
  const MaskShape shape = RegionFromMask(dir / "absent.jpg");
  EXPECT_FALSE(shape.loaded);
  EXPECT_TRUE(shape.region.isEmpty());
  EXPECT_EQ(shape.width, 0);
}

TEST(RowRegionTest, RowsPlusTheClosingLine) {
  EXPECT_EQ(RowRegion(190, 26, 10), QRegion(0, 0, 190, 261));
  EXPECT_EQ(RowRegion(210, 26, 4), QRegion(0, 0, 210, 105));
  EXPECT_TRUE(RowRegion(190, 26, 0).isEmpty());
  EXPECT_TRUE(RowRegion(190, 26, -3).isEmpty());
  EXPECT_TRUE(RowRegion(0, 26, 3).isEmpty());
}

TEST(ApplyShapeTest, ShapesTheWindow) {
  QWidget window;
  window.resize(100, 80);
  ApplyShape(window, QRegion(10, 10, 20, 20));
  EXPECT_EQ(window.mask(), QRegion(10, 10, 20, 20));
}

TEST(ApplyShapeTest, EmptyShapeLeavesNothingVisible) {
  QWidget window;
  window.resize(100, 80);
  ApplyShape(window, QRegion());
  EXPECT_FALSE(window.mask().isEmpty());  // an empty mask would show the whole window
  EXPECT_TRUE(window.mask().intersected(window.rect()).isEmpty());
}

}  // namespace
}  // namespace orv::skin
