#include "gui/fonts.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <future>

namespace orv::skin {
namespace {

// Set once, by the window thread before any other thread of the program asks
// for a font.
std::shared_future<void> gFontWarmUp;

void AwaitFontWarmUp() {
  if (gFontWarmUp.valid()) gFontWarmUp.wait();
}

}  // namespace

void StartFontWarmUp() {
  if (!gFontWarmUp.valid()) gFontWarmUp = std::async(std::launch::async, [] { FcInit(); }).share();
}

QStringList FallbackFamilies(std::string_view face) {
  const QString name = QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size()));
  if (name.compare(QStringLiteral("Consolas"), Qt::CaseInsensitive) == 0) {
    return {name, QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
            QStringLiteral("Noto Sans Mono"), QStringLiteral("monospace")};
  }
  if (name == QStringLiteral("宋体") || name.compare(QStringLiteral("SimSun"), Qt::CaseInsensitive) == 0) {
    // A CJK-capable sans face, then whatever the system's default is.
    return {name, QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
            QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Droid Sans Fallback")};
  }
  return {name};
}

QFont MakeSkinFont(const FontFace& face) {
  AwaitFontWarmUp();
  QFont font;
  font.setFamilies(FallbackFamilies(face.family));
  const bool mono = face.family == "Consolas";
  font.setStyleHint(mono ? QFont::Monospace : QFont::SansSerif);
  font.setWeight(QFont::Normal);
  font.setKerning(false);
  const int height = std::max(face.height, 1);
  // The largest pixel size whose cell still fits the height.
  int size = height;
  font.setPixelSize(size);
  while (size > 1 && QFontMetrics(font).height() > height) font.setPixelSize(--size);
  if (face.width > 0) {
    // The average width of the lower-case Latin letters, as a face's average
    // character width is defined; a CJK face's own average counts its wide
    // ideographs and would squeeze Latin text.
    const QString sample = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    const double natural = QFontMetricsF(font).horizontalAdvance(sample) / sample.size();
    if (natural > 0) {
      // Narrow a wide face fully; widen a narrow one only a little, where
      // stretched letters would start to look distorted.
      const int stretch = static_cast<int>(std::lround(100.0 * face.width / natural));
      if (std::abs(stretch - 100) > 3) font.setStretch(std::clamp(stretch, 60, 115));
    }
  }
  return font;
}

}  // namespace orv::skin
