#include <gtest/gtest.h>

#include <QImageWriter>
#include <filesystem>
#include <thread>
#include <vector>

#include "gui/fonts.h"
#include "gui/picture.h"
#include "support/temp_dir.h"

namespace orv::skin {
namespace {

constexpr ColourRef kRed = MakeColour(255, 0, 0);
constexpr ColourRef kBlue = MakeColour(0, 0, 255);

// A picture whose every pixel is different, so that misplaced copies show.
PictureSurface Gradient(int w, int h) {
  PictureSurface s(w, h, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) s.image().setPixel(x, y, qRgb(x * 7 % 256, y * 11 % 256, (x + y) % 256));
  }
  return s;
}

TEST(ColourRefTest, RedIsTheLowByte) {
  EXPECT_EQ(MakeColour(1, 2, 3), 0x030201u);
  PictureSurface s(2, 2, MakeColour(10, 20, 30));
  EXPECT_EQ(s.PixelAt(1, 1), MakeColour(10, 20, 30));
  EXPECT_EQ(s.PixelAt(2, 0), 0u);  // outside
  EXPECT_EQ(s.PixelAt(-1, 0), 0u);
}

TEST(CopyAreaTest, CopiesExactlyTheRectangle) {
  const PictureSurface source = Gradient(40, 30);
  PictureSurface target(40, 30, kBlue);
  CopyArea(target, source, LayoutRect{5, 6, 10, 7});
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 5 && x < 15 && y >= 6 && y < 13;
      ASSERT_EQ(target.PixelAt(x, y), inside ? source.PixelAt(x, y) : kBlue) << x << "," << y;
    }
  }
}

TEST(CopyAreaTest, EmptyOrOutsideRectanglesCopyNothing) {
  const PictureSurface source = Gradient(20, 20);
  for (const LayoutRect& r : {LayoutRect{3, 3, 0, 5}, LayoutRect{3, 3, 5, 0}, LayoutRect{3, 3, -4, 5},
                              LayoutRect{30, 30, 5, 5}, LayoutRect{-10, -10, 5, 5}}) {
    PictureSurface target(20, 20, kBlue);
    CopyArea(target, source, r);
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < 20; ++x) ASSERT_EQ(target.PixelAt(x, y), kBlue);
    }
  }
}

TEST(CopyAreaTest, ClipsToBothPictures) {
  const PictureSurface source = Gradient(10, 10);
  PictureSurface target(20, 20, kBlue);
  CopyArea(target, source, LayoutRect{-5, 5, 100, 100});
  EXPECT_EQ(target.PixelAt(0, 5), source.PixelAt(0, 5));
  EXPECT_EQ(target.PixelAt(9, 9), source.PixelAt(9, 9));
  EXPECT_EQ(target.PixelAt(10, 9), kBlue);  // beyond the source
  EXPECT_EQ(target.PixelAt(0, 4), kBlue);
  PictureSurface none;
  CopyArea(none, source, LayoutRect{0, 0, 5, 5});  // into a missing picture: nothing
  CopyArea(target, none, LayoutRect{0, 0, 5, 5});
  EXPECT_EQ(target.PixelAt(0, 0), kBlue);
}

TEST(CopyAreaTest, SourceSharedWithTargetKeepsItsPixels) {
  const PictureSurface source = Gradient(10, 10);
  PictureSurface target = source;  // shares the pixels until written
  FillArea(target, 0, 0, 10, 10, kRed);
  CopyArea(target, source, LayoutRect{0, 0, 5, 5});
  EXPECT_EQ(target.PixelAt(2, 2), Gradient(10, 10).PixelAt(2, 2));
  EXPECT_EQ(source.PixelAt(7, 7), Gradient(10, 10).PixelAt(7, 7));
}

TEST(FillAreaTest, FillsTheClippedRectangle) {
  PictureSurface s(10, 10, kBlue);
  FillArea(s, 8, -3, 10, 5, kRed);
  EXPECT_EQ(s.PixelAt(8, 0), kRed);
  EXPECT_EQ(s.PixelAt(9, 1), kRed);
  EXPECT_EQ(s.PixelAt(9, 2), kBlue);
  EXPECT_EQ(s.PixelAt(7, 0), kBlue);
  FillArea(s, 0, 0, 0, 10, kRed);
  FillArea(s, 0, 0, 10, -1, kRed);
  EXPECT_EQ(s.PixelAt(0, 0), kBlue);
}

TEST(TextTest, DrawsInsideItsMeasuredCell) {
  const QFont font = MakeSkinFont(kFontEnglish);
  PictureSurface s(200, 40, 0);
  const TextExtent size = TextSize(s, font, "Apply");
  EXPECT_GT(size.cx, 0);
  EXPECT_LE(size.cy, kFontEnglish.height);
  EXPECT_EQ(TextSize(s, font, "").cx, 0);
  EXPECT_GT(TextSize(s, font, "Apply Apply").cx, size.cx);
  DrawTextAt(s, font, MakeColour(255, 255, 255), 20, 10, "Apply");
  int inked = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 200; ++x) {
      if (s.PixelAt(x, y) == 0) continue;
      ++inked;
      ASSERT_TRUE(x >= 19 && x <= 20 + size.cx && y >= 10 && y < 10 + size.cy) << x << "," << y;
    }
  }
  EXPECT_GT(inked, 20);
}

class LoadPictureTest : public ::testing::Test {
 protected:
  static void Save(const std::filesystem::path& file, const QColor& colour, int w = 16, int h = 12) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "PNG"));
  }
  test::TempDir dir_;
};

TEST_F(LoadPictureTest, MissingOrBrokenPictureIsNull) {
  EXPECT_TRUE(LoadPicture(dir_ / "absent.jpg").IsNull());
  test::WriteText(dir_ / "broken.jpg", "not a picture");
  EXPECT_TRUE(LoadPicture(dir_ / "broken.jpg").IsNull());
}

TEST_F(LoadPictureTest, UnchangedFileIsDecodedOnce) {
  const auto file = dir_ / "a.png";
  Save(file, Qt::red);
  const uint64_t before = PictureDecodeCount();
  PictureSurface first = LoadPicture(file);
  PictureSurface second = LoadPicture(file);
  EXPECT_EQ(PictureDecodeCount() - before, 1u);
  EXPECT_EQ(second.PixelAt(0, 0), kRed);
  // Drawing into one loaded picture leaves the next load untouched.
  FillArea(first, 0, 0, 16, 12, kBlue);
  EXPECT_EQ(LoadPicture(file).PixelAt(0, 0), kRed);
}

TEST_F(LoadPictureTest, ReplacedFileShowsAtTheNextLoad) {
  const auto file = dir_ / "b.png";
  Save(file, Qt::red);
  const auto stamp = std::filesystem::last_write_time(file);
  EXPECT_EQ(LoadPicture(file).PixelAt(0, 0), kRed);
  // Same size, same modification time: still reloaded, as another file took its place.
  Save(dir_ / "b2.png", Qt::blue);
  std::filesystem::rename(dir_ / "b2.png", file);
  std::filesystem::last_write_time(file, stamp);
  EXPECT_EQ(LoadPicture(file).PixelAt(0, 0), kBlue);
  // Rewritten in place with a new time.
  Save(file, Qt::green, 20, 12);
  std::filesystem::last_write_time(file, stamp + std::chrono::seconds(5));
  const PictureSurface green = LoadPicture(file);
  EXPECT_EQ(green.PixelAt(0, 0), MakeColour(0, 255, 0));
  EXPECT_EQ(green.width(), 20);
  std::filesystem::remove(file);
  EXPECT_TRUE(LoadPicture(file).IsNull());
}

TEST_F(LoadPictureTest, ConcurrentLoadsAgree) {
  const auto file = dir_ / "c.png";
  Save(file, Qt::red);
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 50; ++i) {
        PictureSurface p = LoadPicture(file);
        if (p.PixelAt(3, 3) != kRed) ++wrong;
        FillArea(p, 0, 0, 4, 4, kBlue);  // each paint draws into its own copy
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
}

// ---- The 2x set ----

TEST(PictureScaleTest, DenseScreensGetTheTwiceSizedSet) {
  for (const auto& [ratio, scale] : {std::pair{1.0, 1}, {1.25, 1}, {1.49, 1}, {1.5, 2}, {2.0, 2}, {3.0, 2}}) {
    EXPECT_EQ(PictureScaleFor(ratio), scale) << ratio;
  }
  EXPECT_EQ(HiResPath("/s/advanced menu_mask.jpg"), std::filesystem::path("/s/advanced menu_mask@2x.jpg"));
}

TEST(ScaledSurfaceTest, OperationsTakeLayoutUnitsAndCoverTheirDevicePixels) {
  PictureSurface source(10, 8, 0, 2);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 20; ++x) source.image().setPixel(x, y, qRgb(x * 12, y * 15, 7));
  }
  ASSERT_EQ(source.width(), 10);
  ASSERT_EQ(source.height(), 8);
  EXPECT_EQ(source.image().devicePixelRatio(), 2.0);
  EXPECT_EQ(source.PixelAt(3, 2), MakeColour(72, 60, 7));  // device pixel (6, 4)

  PictureSurface target(10, 8, kBlue, 2);
  CopyArea(target, source, LayoutRect{2, 1, 3, 2});
  FillArea(target, 7, 6, 5, 5, kRed);  // clipped at the picture's edge
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 20; ++x) {
      const QRgb expected = (x >= 4 && x < 10 && y >= 2 && y < 6) ? source.image().pixel(x, y)
                            : (x >= 14 && y >= 12)                  ? qRgb(255, 0, 0)
                                                                    : qRgb(0, 0, 255);
      ASSERT_EQ(target.image().pixel(x, y), expected) << x << "," << y;
    }
  }
  // Pictures of different sets do not mix.
  PictureSurface single(10, 8, kRed);
  CopyArea(target, single, LayoutRect{0, 0, 2, 2});
  EXPECT_EQ(target.PixelAt(0, 0), kBlue);
}

TEST(ScaledSurfaceTest, TextStaysInItsCellAtTwiceTheResolution) {
  const QFont font = MakeSkinFont(kFontEnglish);
  PictureSurface one(200, 40, 0), two(200, 40, 0, 2);
  EXPECT_EQ(TextSize(two, font, "Apply"), TextSize(one, font, "Apply"));
  const TextExtent size = TextSize(two, font, "Apply");
  DrawTextAt(two, font, MakeColour(255, 255, 255), 20, 10, "Apply");
  DrawTextAt(one, font, MakeColour(255, 255, 255), 20, 10, "Apply");
  int inked = 0, inkedOne = 0;
  for (int y = 0; y < 80; ++y) {
    for (int x = 0; x < 400; ++x) {
      if (two.image().pixel(x, y) == qRgb(0, 0, 0)) continue;
      ++inked;
      ASSERT_TRUE(x >= 38 && x <= 2 * (20 + size.cx) && y >= 20 && y < 2 * (10 + size.cy)) << x << "," << y;
    }
  }
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 200; ++x) inkedOne += one.PixelAt(x, y) != 0;
  }
  // Drawn with four times the pixels, not the 1x text blown up.
  EXPECT_GT(inked, 2 * inkedOne);
}

TEST_F(LoadPictureTest, TwiceSizedSetWithFallbackToTheSingleOne) {
  const auto file = dir_ / "p.png";
  const auto hiRes = dir_ / "p@2x.png";
  Save(file, Qt::red, 8, 6);
  // No 2x picture: the 1x one with every pixel doubled.
  QImage one(8, 6, QImage::Format_RGB32);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) one.setPixel(x, y, qRgb(x * 30, y * 40, 9));
  }
  ASSERT_TRUE(one.save(QString::fromStdString(file.string()), "PNG"));
  const PictureSurface doubled = LoadPicture(file, 2);
  ASSERT_EQ(doubled.image().size(), QSize(16, 12));
  EXPECT_EQ(doubled.scale(), 2);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 16; ++x) ASSERT_EQ(doubled.image().pixel(x, y), one.pixel(x / 2, y / 2)) << x << "," << y;
  }
  // A 2x picture of exactly twice the size is taken, and shows once it appears.
  Save(hiRes, Qt::blue, 16, 12);
  EXPECT_EQ(LoadPicture(file, 2).PixelAt(0, 0), kBlue);
  EXPECT_EQ(LoadPicture(file, 1).PixelAt(0, 0), MakeColour(0, 0, 9));
  // One of another size would misplace every copy: the 1x picture instead.
  Save(hiRes, Qt::blue, 17, 12);
  EXPECT_EQ(LoadPicture(file, 2).image().size(), QSize(16, 12));
  EXPECT_EQ(LoadPicture(file, 2).PixelAt(1, 1), MakeColour(30, 40, 9));
  // Without the 1x picture there is no picture, whatever the 2x set holds.
  Save(hiRes, Qt::blue, 16, 12);
  std::filesystem::remove(file);
  EXPECT_TRUE(LoadPicture(file, 2).IsNull());
  EXPECT_TRUE(DecodePicture(file, 2).IsNull());
}

}  // namespace
}  // namespace orv::skin
