#include <gtest/gtest.h>

#include <QImageWriter>
#include <filesystem>
#include <thread>
#include <vector>

#include "skin/fonts.h"
#include "skin/picture.h"
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

}  // namespace
}  // namespace orv::skin
