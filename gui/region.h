#pragma once
// Window shapes. A shape is the set of a window's pixels that are shown and take
// the mouse; the main window and the warning dialog cut theirs from a mask
// picture, the function menus use a plain block of rows.
#include <QImage>
#include <QRegion>
#include <filesystem>
#include <string>

#include "platform/failure.h"

class QWidget;

namespace orv::skin {

// A mask pixel is a hole when its red, green and blue are each above 100; a
// pixel with any channel at 100 or less belongs to the window.
constexpr bool IsMaskHole(QRgb pixel) { return qRed(pixel) > 100 && qGreen(pixel) > 100 && qBlue(pixel) > 100; }

// The window's pixels of a decoded mask: the full picture minus every hole.
// Built row by row from runs of window pixels, with equal neighbouring rows
// merged into one band, so its cost follows the number of edges rather than
// the number of holes.
QRegion RegionFromMaskImage(const QImage& mask);

struct MaskShape {
  QRegion region;
  int width = 0;   // the mask picture's size, which is also the window's
  int height = 0;
  bool loaded = false;  // false: the mask file is missing or cannot be decoded
  Outcome failure;      // why it was not loaded, as the missing-file failure
};
// Masks (and so windows) larger than this on either side are refused.
inline constexpr int kMaxMaskSide = 8192;
// Decodes the mask file (fresh, not from the picture cache: masks are read once
// per window) and builds its region.
MaskShape RegionFromMask(const std::filesystem::path& maskFile);

// The rectangle (0, 0, width, rowCount * rowHeight + 1); empty when there are no rows.
QRegion RowRegion(int width, int rowHeight, int rowCount);

// Makes `shape` the window's shape and repaints it. An empty shape leaves
// nothing of the window visible or clickable.
void ApplyShape(QWidget& window, const QRegion& shape);

}  // namespace orv::skin
