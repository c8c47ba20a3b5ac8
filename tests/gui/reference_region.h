#pragma once
// The mask rule in its most direct form, for checking the run-based builder:
// start from the whole picture and take out each hole pixel with its own region
// operation. Slow on purpose; used by the tests and the benchmark only.
#include <QImage>
#include <QRegion>
#include <cstdint>
#include <vector>

namespace orv::test {

inline QRegion ReferenceRegionFromMask(const QImage& mask) {
  QRegion region(0, 0, mask.width(), mask.height());
  for (int x = 0; x < mask.width(); ++x) {
    for (int y = 0; y < mask.height(); ++y) {
      const QRgb p = mask.pixel(x, y);
      if (qRed(p) > 100 && qGreen(p) > 100 && qBlue(p) > 100) region = region.xored(QRegion(x, y, 1, 1));
    }
  }
  return region;
}

// The pixels of a region within width x height, one byte per pixel (1 = in).
inline std::vector<uint8_t> PixelSet(const QRegion& region, int width, int height) {
  std::vector<uint8_t> set(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  for (const QRect& r : region) {
    for (int y = std::max(r.top(), 0); y <= std::min(r.bottom(), height - 1); ++y) {
      for (int x = std::max(r.left(), 0); x <= std::min(r.right(), width - 1); ++x) {
        set[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = 1;
      }
    }
  }
  return set;
}

}  // namespace orv::test
