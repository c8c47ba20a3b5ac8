#pragma once
// Pictures and the few drawing operations every window is composed from:
// load a picture into a drawable surface, copy a rectangle from one picture into
// the same place of another, fill a rectangle, draw and measure a text.
// Everything that draws text needs a QGuiApplication.
#include <QFont>
#include <QImage>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "skin/layout.h"

namespace orv::skin {

// A 24-bit colour, red in the low byte, then green, then blue.
using ColourRef = uint32_t;
constexpr ColourRef MakeColour(uint8_t r, uint8_t g, uint8_t b) {
  return ColourRef{r} | (ColourRef{g} << 8) | (ColourRef{b} << 16);
}
constexpr uint8_t RedOf(ColourRef c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t GreenOf(ColourRef c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t BlueOf(ColourRef c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

// Pictures come in two sets: the layout's own size (scale 1) and twice that
// (scale 2, files named "name@2x.jpg" beside "name.jpg") for screens of high
// pixel density. Coordinates are always those of the layout files, whatever
// the set: a scale-2 surface has twice the pixels in each direction.
inline constexpr int kMaxPictureScale = 2;
// The set for a window of the given device pixel ratio: the 2x set from 1.5
// on (a 1.5x screen shows it scaled down), the 1x set below.
constexpr int PictureScaleFor(double devicePixelRatio) { return devicePixelRatio >= 1.5 ? 2 : 1; }
// "dir/name@2x.jpg" for "dir/name.jpg".
std::filesystem::path HiResPath(const std::filesystem::path& file);

// A decoded picture that operations can both draw into and copy from. Its
// pixels are 32-bit xRGB, so copies are exact and reads give 8-bit channels.
// A null surface (a picture that could not be loaded) has size 0 x 0: copies
// from or into it and drawing on it do nothing. Sizes and coordinates are in
// layout units; the image holds scale() device pixels per unit and carries
// that as its device pixel ratio, so Qt draws it at the layout's size.
class PictureSurface {
 public:
  PictureSurface() = default;
  // `image` holds `scale` pixels per layout unit in each direction.
  explicit PictureSurface(const QImage& image, int scale = 1);
  PictureSurface(int width, int height, ColourRef fill, int scale = 1);

  bool IsNull() const { return image_.isNull(); }
  int width() const { return image_.width() / scale_; }
  int height() const { return image_.height() / scale_; }
  int scale() const { return scale_; }
  // The colour at layout point (x, y) (the first device pixel of that unit);
  // 0 (black) outside the picture.
  ColourRef PixelAt(int x, int y) const;

  const QImage& image() const { return image_; }
  QImage& image() { return image_; }

 private:
  QImage image_;  // always Format_RGB32, or null
  int scale_ = 1;
};

// An image for a picture's pixels. A full-window picture is a few MiB that are
// written once, all of it: it gets a mapping of its own marked for huge pages,
// so that the kernel faults it in at once rather than 4 KiB at a time (a cost
// that can exceed the decoding itself, on virtual machines especially).
// Smaller pictures, and systems without huge pages, get ordinary memory.
QImage NewPictureImage(int width, int height, QImage::Format format);

// Makes `target` an unshared copy of `source`, in target's own pixels when it
// has them in the same size (a page composed over and over reuses them).
void CopyPicture(PictureSurface& target, const PictureSurface& source);

// Decodes a picture file. A missing or undecodable file gives a null surface.
// With scale 2 it decodes the file's 2x picture; when that is missing, cannot
// be decoded or is not exactly twice the 1x picture's size, the 1x picture is
// taken and each of its pixels doubled (a custom skin without a 2x set).
PictureSurface DecodePicture(const std::filesystem::path& file, int scale = 1);

// Loads a picture for one paint, in the set of `scale` (as DecodePicture).
// The file is looked at every time, so a picture replaced on disk shows at the
// next paint; while its size, modification time and identity stay the same
// the decoded pixels are reused instead of decoded again. Thread-safe.
PictureSurface LoadPicture(const std::filesystem::path& file, int scale = 1);
// Number of decodes LoadPicture has made in this process (for tests and benchmarks).
uint64_t PictureDecodeCount();

// Copies the pixels of `r` from `source` to the same place of `target`,
// unscaled and exact (both of one scale; across scales nothing is copied). Parts outside either picture are left out; a rectangle
// of width or height 0 (or less) copies nothing.
void CopyArea(PictureSurface& target, const PictureSurface& source, const LayoutRect& r);

// Fills the rectangle (clipped to the picture) with a solid colour.
void FillArea(PictureSurface& target, int32_t x, int32_t y, int32_t width, int32_t height, ColourRef colour);

struct TextExtent {
  int cx = 0;
  int cy = 0;
  bool operator==(const TextExtent&) const = default;
};

// Draws a one-line text with the top-left corner of its cell at (x, y), on a
// transparent background.
void DrawTextAt(PictureSurface& target, const QFont& font, ColourRef colour, int32_t x, int32_t y,
                std::string_view utf8);
// Width and cell height of a one-line text in the font.
TextExtent TextSize(const PictureSurface& target, const QFont& font, std::string_view utf8);
// Draws the text centred in `r` by the centring rule (CentreText).
void DrawTextCentred(PictureSurface& target, const QFont& font, ColourRef colour, const LayoutRect& r,
                     std::string_view utf8);

}  // namespace orv::skin
