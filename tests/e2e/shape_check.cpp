// orv_shape_check: checks a screenshot of the desktop with the main window on
// it against the window's mask.
//   orv_shape_check [--shadow] <shot.png> <desktop.png | #rrggbb> <mask.jpg> [reference.png]
// <desktop> is the screen without the window (a picture of the same size, or
// one colour). The window is found as the bounding box of the pixels that
// differ from the desktop. Then:
//  - every pixel of the window's rectangle outside the mask shows the desktop
//    (fully transparent or cut away, not black and not half-covered);
//  - the pixels inside the mask are the window's own (at most 1 % look like
//    the desktop);
//  - with a reference (the window as X11 draws it, mask-sized), at most 1 % of
//    the pixels inside the mask differ from it by more than a little.
// --shadow: the compositor draws a drop shadow under the window (weston does
// for X11 clients), so outside the mask the desktop may show darkened evenly
// in all channels, but no darker than the shadow just outside the window's
// rectangle (which is nothing but shadow); pixels of the window's own, opaque
// or half-transparent beyond that, still fail.
// Prints what it found; exit status 0 when all hold, 1 otherwise, 2 on bad use.
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QRegion>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gui/region.h"

namespace {

int Distance(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

QImage Load(const char* file) {
  QImage image(QString::fromLocal8Bit(file));
  return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

// How much of the desktop's `behind` shows in `pixel` when it is the desktop
// darkened evenly (1: unchanged); negative when it is not.
double DesktopShare(QRgb pixel, QRgb behind) {
  if (Distance(pixel, behind) <= 2) return 1;
  const int brightest = std::max({qRed(behind), qGreen(behind), qBlue(behind)});
  if (brightest == 0) return -1;
  const double f = std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}) / double(brightest);
  if (f > 1.0) return -1;
  const bool even = std::abs(qRed(pixel) - f * qRed(behind)) <= 3 && std::abs(qGreen(pixel) - f * qGreen(behind)) <= 3 &&
                    std::abs(qBlue(pixel) - f * qBlue(behind)) <= 3;
  return even ? f : -1;
}

int main(int argc, char** argv) {
  bool shadow = false;
  if (argc > 1 && std::string(argv[1]) == "--shadow") {
    shadow = true;
    ++argv;
    --argc;
  }
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: orv_shape_check <shot.png> <desktop.png | #rrggbb> <mask.jpg> [reference.png]\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QImage shot = Load(argv[1]);
  QImage desktop;
  if (argv[2][0] == '#') {
    desktop = QImage(shot.size(), QImage::Format_RGB32);
    desktop.fill(QColor(QString::fromLatin1(argv[2])));
  } else {
    desktop = Load(argv[2]);
  }
  const orv::skin::MaskShape mask = orv::skin::RegionFromMask(argv[3]);
  const QImage reference = argc == 5 ? Load(argv[4]) : QImage();
  if (shot.isNull() || desktop.size() != shot.size() || !mask.loaded || (argc == 5 && reference.isNull())) {
    std::fprintf(stderr, "orv_shape_check: cannot read the pictures (or the desktop is not the shot's size)\n");
    return 2;
  }

  // The window: the pixels that are not the desktop's.
  int left = shot.width(), top = shot.height(), right = -1, bottom = -1;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      if (Distance(shot.pixel(x, y), desktop.pixel(x, y)) <= 2) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) {
    std::printf("no window on the screenshot\n");
    return 1;
  }
  const QRect shape = mask.region.boundingRect();
  QPoint origin = QPoint(left, top) - shape.topLeft();
  std::printf("differing area %dx%d at %d,%d, mask outline %dx%d\n", right - left + 1, bottom - top + 1, left, top,
              shape.width(), shape.height());
  bool ok = true;
  if (reference.isNull()) {
    // Nothing but the window differs from the desktop.
    ok = right - left + 1 == shape.width() && bottom - top + 1 == shape.height();
  } else {
    // A compositor may add a shadow around the window (XWayland under weston):
    // the window is where its pixels match the reference best.
    long best = -1;
    const QPoint start = origin;
    for (int dy = 0; dy <= 40; ++dy) {
      for (int dx = 0; dx <= 40; ++dx) {
        const QPoint at = start + QPoint(dx, dy);
        long miss = 0;
        for (int y = shape.top(); y <= shape.bottom(); y += 7) {
          for (int x = shape.left(); x <= shape.right(); x += 7) {
            const QPoint p = at + QPoint(x, y);
            if (!mask.region.contains(QPoint(x, y))) continue;
            if (!shot.rect().contains(p) || Distance(shot.pixel(p), reference.pixel(x, y)) > 24) ++miss;
          }
        }
        if (best < 0 || miss < best) {
          best = miss;
          origin = at;
        }
      }
    }
  }
  std::printf("window at %d,%d\n", origin.x(), origin.y());

  // The shadow's strength: the darkest pixel of the ring just outside the window.
  double shadowFloor = 1;
  if (shadow) {
    const QRect window(origin, QSize(mask.width, mask.height));
    const QRect ring = window.adjusted(-1, -1, 1, 1);
    for (int y = ring.top(); y <= ring.bottom(); ++y) {
      for (int x = ring.left(); x <= ring.right(); ++x) {
        if (window.contains(x, y) || !shot.rect().contains(x, y)) continue;
        const double f = DesktopShare(shot.pixel(x, y), desktop.pixel(x, y));
        if (f >= 0) shadowFloor = std::min(shadowFloor, f);
      }
    }
    std::printf("shadow: the desktop shows at %.0f %% or more around the window\n", shadowFloor * 100);
  }

  long outsideWrong = 0, outside = 0, insideDesktop = 0, inside = 0, insideDiffer = 0;
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      const QPoint at = origin + QPoint(x, y);
      if (!shot.rect().contains(at)) continue;
      const QRgb pixel = shot.pixel(at);
      const QRgb behind = desktop.pixel(at);
      if (!mask.region.contains(QPoint(x, y))) {
        ++outside;
        const bool shows = shadow ? DesktopShare(pixel, behind) >= shadowFloor - 0.03 : Distance(pixel, behind) <= 2;
        if (!shows && ++outsideWrong <= 3) {
          std::printf("  outside the mask at %d,%d: #%06x where the desktop is #%06x\n", x, y, pixel & 0xFFFFFFu,
                      behind & 0xFFFFFFu);
        }
        continue;
      }
      ++inside;
      if (Distance(pixel, behind) <= 2) ++insideDesktop;
      if (!reference.isNull() && reference.rect().contains(x, y) && Distance(pixel, reference.pixel(x, y)) > 24) {
        ++insideDiffer;
      }
    }
  }
  std::printf("outside the mask: %ld of %ld pixels do not show the desktop\n", outsideWrong, outside);
  std::printf("inside the mask: %ld of %ld pixels look like the desktop", insideDesktop, inside);
  if (!reference.isNull()) std::printf(", %ld differ from the reference", insideDiffer);
  std::printf("\n");
  ok = ok && outsideWrong == 0 && inside > 0 && insideDesktop * 100 <= inside && insideDiffer * 100 <= inside;
  std::printf("%s\n", ok ? "shape ok" : "shape wrong");
  return ok ? 0 : 1;
}
