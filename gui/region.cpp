#include "gui/region.h"

#include "gui/picture.h"

#include "platform/file_problem.h"

#include <QFile>
#include <QImageReader>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace orv::skin {
namespace {

// Marks each pixel of one row: 1 for a window pixel, 0 for a hole. Written as
// plain loops over one format each so that the compiler can vectorise them.
void ClassifyRow(const uchar* line, bool gray, int width, uint8_t* out) {
  if (gray) {
    for (int x = 0; x < width; ++x) out[x] = line[x] <= 100;
  } else {
    const auto* pixels = reinterpret_cast<const QRgb*>(line);
    for (int x = 0; x < width; ++x) out[x] = !IsMaskHole(pixels[x]);
  }
}

// Adds the runs of window pixels of a band of rows with the same marks.
void EmitBand(const std::vector<uint8_t>& marks, int top, int height, std::vector<QRect>& out) {
  const int width = static_cast<int>(marks.size());
  int x = 0;
  while (x < width) {
    while (x < width && !marks[static_cast<size_t>(x)]) ++x;
    if (x == width) break;
    const int begin = x;
    while (x < width && marks[static_cast<size_t>(x)]) ++x;
    out.emplace_back(begin, top, x - begin, height);
  }
}

}  // namespace

QRegion RegionFromMaskImage(const QImage& mask) {
  if (mask.isNull()) return QRegion();
  // Grey masks (as a grey JPEG decodes) are read as they are: their red, green
  // and blue are the one grey value. 32-bit pictures are read directly, any
  // other format pixel by pixel.
  const QImage& image = mask;
  const bool gray = image.format() == QImage::Format_Grayscale8;
  const bool rgb = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
  const int width = image.width();
  const int height = image.height();
  // Rows marked like the row above extend its band; each band gives one
  // rectangle per run, which is the banded form Qt keeps regions in.
  std::vector<QRect> rects;
  std::vector<uint8_t> band(static_cast<size_t>(width)), row(static_cast<size_t>(width));
  int bandTop = 0;
  for (int y = 0; y < height; ++y) {
    if (gray || rgb) {
      ClassifyRow(image.constScanLine(y), gray, width, row.data());
    } else {
      for (int x = 0; x < width; ++x) row[static_cast<size_t>(x)] = !IsMaskHole(image.pixel(x, y));
    }
    if (y > 0 && row == band) continue;
    if (y > 0) EmitBand(band, bandTop, y - bandTop, rects);
    band.swap(row);
    bandTop = y;
  }
  if (height > 0) EmitBand(band, bandTop, height - bandTop, rects);
  QRegion region;
  if (!rects.empty()) region.setRects(rects.data(), static_cast<int>(rects.size()));
  return region;
}

MaskShape RegionFromMask(const std::filesystem::path& maskFile) {
  const auto failed = [&](const std::string& problem) {
    MaskShape shape;
    shape.failure = MissingFile(maskFile, problem);
    return shape;
  };
  if (const std::string problem = FileProblem(maskFile); !problem.empty()) return failed(problem);
  QImageReader reader(QFile::decodeName(QByteArray(maskFile.c_str())));
  reader.setAutoTransform(false);
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > kMaxMaskSide || size.height() > kMaxMaskSide)) {
    return failed("too large (" + std::to_string(size.width()) + " x " + std::to_string(size.height()) + ")");
  }
  // Read into a picture of the program's own memory (see NewPictureImage):
  // the decoder's own would be faulted in page by page.
  QImage mask;
  if (size.isValid()) mask = NewPictureImage(size.width(), size.height(), reader.imageFormat());
  if (!reader.read(&mask)) mask = QImage();
  if (mask.isNull()) return failed("not a picture (" + reader.errorString().toStdString() + ")");
  return MaskShape{RegionFromMaskImage(mask), mask.width(), mask.height(), true, {}};
}

QRegion RowRegion(int width, int rowHeight, int rowCount) {
  if (rowCount <= 0 || width <= 0 || rowHeight < 0) return QRegion();
  const int64_t height = int64_t{rowCount} * rowHeight + 1;
  return QRegion(0, 0, width, static_cast<int>(std::min<int64_t>(height, std::numeric_limits<int>::max())));
}

void ApplyShape(QWidget& window, const QRegion& shape) {
  // QWidget takes an empty mask as "no mask" and would show the whole window.
  // A one-pixel mask outside the window keeps it masked with nothing inside.
  window.setMask(shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape);
  window.update();
}

}  // namespace orv::skin
