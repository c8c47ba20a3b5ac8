#include "platform/file_stamp.h"
#include "gui/picture.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <QFile>
#include <QFontMetrics>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <list>
#include <mutex>
#include <unordered_map>

namespace orv::skin {
namespace {

QString NativePath(const std::filesystem::path& file) { return QFile::decodeName(QByteArray(file.c_str())); }

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QRgb ToQRgb(ColourRef c) { return qRgb(RedOf(c), GreenOf(c), BlueOf(c)); }

// The identity of a cached picture: the 1x file's stamp and, for the 2x set,
// the 2x file's (a default stamp while it is missing).
struct Stamp {
  FileStamp base;
  FileStamp hiRes;
  bool operator==(const Stamp&) const = default;
};

// Decoded pictures by path, least recently used first. A paint needs three or
// four full-window pictures; the budget keeps every picture of a skin.
constexpr size_t kCacheBudgetBytes = 96u << 20;

struct CachedPicture {
  std::string path;
  Stamp stamp;
  QImage image;
};

class PictureCache {
 public:
  bool Find(const std::string& path, const Stamp& stamp, QImage& out) {
    std::lock_guard lock(mutex_);
    auto it = index_.find(path);
    if (it == index_.end()) return false;
    if (!(it->second->stamp == stamp)) return false;
    entries_.splice(entries_.end(), entries_, it->second);  // now the most recently used
    out = it->second->image;
    return true;
  }

  void Store(const std::string& path, const Stamp& stamp, const QImage& image) {
    std::lock_guard lock(mutex_);
    if (auto it = index_.find(path); it != index_.end()) {
      bytes_ -= static_cast<size_t>(it->second->image.sizeInBytes());
      entries_.erase(it->second);
      index_.erase(it);
    }
    entries_.push_back(CachedPicture{path, stamp, image});
    index_[path] = std::prev(entries_.end());
    bytes_ += static_cast<size_t>(image.sizeInBytes());
    while (bytes_ > kCacheBudgetBytes && entries_.size() > 1) {
      bytes_ -= static_cast<size_t>(entries_.front().image.sizeInBytes());
      index_.erase(entries_.front().path);
      entries_.pop_front();
    }
  }

  void Forget(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (auto it = index_.find(path); it != index_.end()) {
      bytes_ -= static_cast<size_t>(it->second->image.sizeInBytes());
      entries_.erase(it->second);
      index_.erase(it);
    }
  }

 private:
  std::mutex mutex_;
  std::list<CachedPicture> entries_;
  std::unordered_map<std::string, std::list<CachedPicture>::iterator> index_;
  size_t bytes_ = 0;
};

PictureCache& Cache() {
  // Never destroyed: pictures may still be loaded while the process ends.
  static auto* cache = new PictureCache();
  return *cache;
}

std::atomic<uint64_t> gDecodeCount{0};

}  // namespace

namespace {

// Where a mapping of its own is worth it: below this a picture comes from the
// heap like any other buffer.
constexpr size_t kOwnMappingBytes = 1u << 20;
constexpr size_t kHugePage = 2u << 20;

struct Mapping {
  void* address;
  size_t length;
};

void Unmap(void* info) {
  auto* mapping = static_cast<Mapping*>(info);
  ::munmap(mapping->address, mapping->length);
  delete mapping;
}

// 32-bit RGB of any picture. Done here, row by row, rather than by Qt's
// converter, which splits large pictures across worker threads of its own.
QImage ToRgb32(const QImage& image) {
  if (image.isNull() || image.format() == QImage::Format_RGB32) return image;
  QImage out = NewPictureImage(image.width(), image.height(), QImage::Format_RGB32);
  if (out.isNull()) return out;
  for (int y = 0; y < image.height(); ++y) {
    auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
    if (image.format() == QImage::Format_Grayscale8) {
      const uchar* from = image.constScanLine(y);
      for (int x = 0; x < image.width(); ++x) to[x] = qRgb(from[x], from[x], from[x]);
    } else {
      for (int x = 0; x < image.width(); ++x) to[x] = image.pixel(x, y) | 0xFF000000u;
    }
  }
  return out;
}

// Each pixel of a 32-bit picture as a 2 x 2 block: the 1x picture in the 2x
// set's size, exact (no smoothing that would blend neighbouring elements).
QImage Doubled(const QImage& rgb32) {
  QImage out = NewPictureImage(rgb32.width() * 2, rgb32.height() * 2, QImage::Format_RGB32);
  if (out.isNull()) return out;
  for (int y = 0; y < rgb32.height(); ++y) {
    const auto* from = reinterpret_cast<const QRgb*>(rgb32.constScanLine(y));
    auto* to = reinterpret_cast<QRgb*>(out.scanLine(2 * y));
    for (int x = 0; x < rgb32.width(); ++x) to[2 * x] = to[2 * x + 1] = from[x];
    std::memcpy(out.scanLine(2 * y + 1), to, static_cast<size_t>(out.bytesPerLine()));
  }
  return out;
}

QImage DecodeFile(const std::filesystem::path& file) {
  QImageReader reader(NativePath(file));
  reader.setAutoTransform(false);
  // The decoder fills a picture of the size and format it reads into when it
  // is given one, instead of allocating its own.
  QImage image;
  const QSize size = reader.size();
  const QImage::Format format = reader.imageFormat();
  if (size.isValid() && format != QImage::Format_Invalid) image = NewPictureImage(size.width(), size.height(), format);
  if (!reader.read(&image)) image = QImage();
  gDecodeCount.fetch_add(1, std::memory_order_relaxed);
  return image;
}

// The size a picture file declares in its header, without decoding it.
QSize DeclaredSize(const std::filesystem::path& file) {
  QImageReader reader(NativePath(file));
  reader.setAutoTransform(false);
  return reader.size();
}

int ClampScale(int scale) { return std::clamp(scale, 1, kMaxPictureScale); }

}  // namespace

QImage NewPictureImage(int width, int height, QImage::Format format) {
  if (width <= 0 || height <= 0 || format == QImage::Format_Invalid) return QImage(width, height, format);
  const int depth = QImage::toPixelFormat(format).bitsPerPixel();
  // Scan lines start on 32-bit boundaries, as QImage's own do.
  const int64_t lineBytes = ((int64_t{width} * depth + 31) / 32) * 4;
  const int64_t bytes = lineBytes * height;
  if (lineBytes > INT32_MAX || bytes < static_cast<int64_t>(kOwnMappingBytes) || bytes > (int64_t{1} << 31)) {
    return QImage(width, height, format);
  }
  const size_t length = (static_cast<size_t>(bytes) + kHugePage - 1) / kHugePage * kHugePage;
  // One huge page more than needed, so that a 2 MiB boundary lies within;
  // the slack at either end is given back.
  void* mapped = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return QImage(width, height, format);
  auto* base = static_cast<uchar*>(mapped);
  auto* aligned = reinterpret_cast<uchar*>((reinterpret_cast<uintptr_t>(base) + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1));
  if (aligned > base) ::munmap(base, static_cast<size_t>(aligned - base));
  if (const size_t tail = kHugePage - static_cast<size_t>(aligned - base); tail > 0) ::munmap(aligned + length, tail);
  // Refused where the kernel has no huge pages to give: the mapping then
  // works with small pages, as heap memory does.
  (void)::madvise(aligned, length, MADV_HUGEPAGE);
  auto* mapping = new Mapping{aligned, length};
  QImage image(aligned, width, height, static_cast<qsizetype>(lineBytes), format, &Unmap, mapping);
  if (image.isNull()) Unmap(mapping);
  return image;
}

void CopyPicture(PictureSurface& target, const PictureSurface& source) {
  if (source.IsNull()) {
    target = PictureSurface();
    return;
  }
  QImage& to = target.image();
  const QImage& from = source.image();
  if (to.isNull() || !to.isDetached() || to.size() != from.size() || to.format() != from.format() ||
      to.bytesPerLine() != from.bytesPerLine()) {
    target = PictureSurface(NewPictureImage(from.width(), from.height(), from.format()), source.scale());
  }
  QImage& pixels = target.image();
  if (pixels.isNull()) return;
  std::memcpy(pixels.bits(), from.constBits(), static_cast<size_t>(from.sizeInBytes()));
  pixels.setDevicePixelRatio(from.devicePixelRatio());
}

std::filesystem::path HiResPath(const std::filesystem::path& file) {
  std::filesystem::path out = file;
  out.replace_filename(file.stem().string() + "@2x" + file.extension().string());
  return out;
}

PictureSurface::PictureSurface(const QImage& image, int scale) : image_(ToRgb32(image)), scale_(ClampScale(scale)) {
  if (!image_.isNull()) image_.setDevicePixelRatio(scale_);
}

PictureSurface::PictureSurface(int width, int height, ColourRef fill, int scale) : scale_(ClampScale(scale)) {
  if (width <= 0 || height <= 0 || width > INT32_MAX / scale_ || height > INT32_MAX / scale_) return;
  image_ = QImage(width * scale_, height * scale_, QImage::Format_RGB32);
  if (image_.isNull()) return;
  image_.fill(ToQRgb(fill));
  image_.setDevicePixelRatio(scale_);
}

ColourRef PictureSurface::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
  const QRgb p = reinterpret_cast<const QRgb*>(image_.constScanLine(y * scale_))[x * scale_];
  return MakeColour(static_cast<uint8_t>(qRed(p)), static_cast<uint8_t>(qGreen(p)), static_cast<uint8_t>(qBlue(p)));
}

PictureSurface DecodePicture(const std::filesystem::path& file, int scale) {
  if (ClampScale(scale) == 1) {
    const QImage image = DecodeFile(file);
    return image.isNull() ? PictureSurface() : PictureSurface(image);
  }
  const QImage hiRes = DecodeFile(HiResPath(file));
  if (!hiRes.isNull()) {
    // A 2x picture of another size would misplace every copied rectangle.
    const QSize base = DeclaredSize(file);
    if (base.isValid() && hiRes.size() == base * 2) return PictureSurface(hiRes, 2);
  }
  const QImage image = DecodeFile(file);
  if (image.isNull()) return PictureSurface();
  return PictureSurface(Doubled(ToRgb32(image)), 2);
}

PictureSurface LoadPicture(const std::filesystem::path& file, int scale) {
  scale = ClampScale(scale);
  std::string key = file.lexically_normal().string();
  if (scale != 1) key += "#" + std::to_string(scale);
  Stamp stamp;
  if (!StatFile(file, stamp.base)) {
    Cache().Forget(key);
    return PictureSurface();
  }
  if (scale != 1 && !StatFile(HiResPath(file), stamp.hiRes)) stamp.hiRes = FileStamp{};
  QImage cached;
  if (Cache().Find(key, stamp, cached)) return PictureSurface(cached, scale);
  // The stamps were taken before the read: a file replaced during the read
  // shows a different stamp next time and is decoded again then.
  PictureSurface decoded = DecodePicture(file, scale);
  if (decoded.IsNull()) {
    Cache().Forget(key);
  } else {
    Cache().Store(key, stamp, decoded.image());
  }
  return decoded;
}

uint64_t PictureDecodeCount() { return gDecodeCount.load(std::memory_order_relaxed); }

void CopyArea(PictureSurface& target, const PictureSurface& source, const LayoutRect& r) {
  if (&target == &source || target.IsNull() || source.IsNull() || target.scale() != source.scale()) return;
  const int64_t x0 = std::max<int64_t>(r.x, 0);
  const int64_t y0 = std::max<int64_t>(r.y, 0);
  const int64_t x1 = std::min<int64_t>({int64_t{r.x} + r.width, target.width(), source.width()});
  const int64_t y1 = std::min<int64_t>({int64_t{r.y} + r.height, target.height(), source.height()});
  if (x1 <= x0 || y1 <= y0) return;
  const QImage& from = source.image();
  QImage& to = target.image();
  const int64_t k = target.scale();
  const size_t bytes = static_cast<size_t>((x1 - x0) * k) * sizeof(QRgb);
  for (int64_t y = y0 * k; y < y1 * k; ++y) {
    const int row = static_cast<int>(y);
    std::memcpy(to.scanLine(row) + x0 * k * 4, from.constScanLine(row) + x0 * k * 4, bytes);
  }
}

void FillArea(PictureSurface& target, int32_t x, int32_t y, int32_t width, int32_t height, ColourRef colour) {
  if (target.IsNull()) return;
  const int64_t x0 = std::max<int64_t>(x, 0);
  const int64_t y0 = std::max<int64_t>(y, 0);
  const int64_t x1 = std::min<int64_t>(int64_t{x} + width, target.width());
  const int64_t y1 = std::min<int64_t>(int64_t{y} + height, target.height());
  if (x1 <= x0 || y1 <= y0) return;
  const QRgb pixel = ToQRgb(colour);
  QImage& to = target.image();
  const int64_t k = target.scale();
  for (int64_t row = y0 * k; row < y1 * k; ++row) {
    auto* line = reinterpret_cast<QRgb*>(to.scanLine(static_cast<int>(row)));
    std::fill(line + x0 * k, line + x1 * k, pixel);
  }
}

void DrawTextAt(PictureSurface& target, const QFont& font, ColourRef colour, int32_t x, int32_t y,
                std::string_view utf8) {
  if (target.IsNull() || utf8.empty()) return;
  QPainter painter(&target.image());
  painter.setFont(font);
  painter.setPen(QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)));
  const int ascent = painter.fontMetrics().ascent();
  painter.drawText(QPoint(x, static_cast<int>(std::clamp<int64_t>(int64_t{y} + ascent, INT32_MIN, INT32_MAX))),
                   FromUtf8(utf8));
}

TextExtent TextSize(const PictureSurface& target, const QFont& font, std::string_view utf8) {
  // Measured against the picture the text is drawn into, as the painter does.
  const QFontMetrics metrics = target.IsNull() ? QFontMetrics(font)
                                               : QFontMetrics(font, const_cast<QImage*>(&target.image()));
  return TextExtent{metrics.horizontalAdvance(FromUtf8(utf8)), metrics.height()};
}

void DrawTextCentred(PictureSurface& target, const QFont& font, ColourRef colour, const LayoutRect& r,
                     std::string_view utf8) {
  const TextExtent size = TextSize(target, font, utf8);
  const TextOrigin at = CentreText(r, size.cx, size.cy);
  DrawTextAt(target, font, colour, at.x, at.y, utf8);
}

}  // namespace orv::skin
