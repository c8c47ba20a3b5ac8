#include "tools/skin_gen/icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "tools/skin_gen/art.h"

namespace orv::skin_gen {

QImage RenderIcon(int size) {
  // Drawn four times larger and scaled down, so the emblem's glow and edges
  // stay in proportion at 16 pixels too.
  const int big = size * 4;
  QImage image(big, big, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF square(0.5, 0.5, big - 1.0, big - 1.0);
    QPainterPath outline;
    outline.addRoundedRect(square, big * 0.2, big * 0.2);
    QLinearGradient fill(square.topLeft(), square.bottomLeft());
    fill.setColorAt(0, palette::kWindowTop);
    fill.setColorAt(1, palette::kWindowBottom);
    p.fillPath(outline, fill);
    p.setPen(QPen(palette::kPanelBorder, big / 32.0));
    p.drawPath(outline);
    // The emblem keeps the title's proportions (18 wide, 20 high).
    const double h = big * 0.62;
    const double w = h * 0.9;
    DrawEmblem(p, QRectF((big - w) / 2, (big - h) / 2 + big * 0.02, w, h).toRect());
  }
  return image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .convertToFormat(QImage::Format_ARGB32);
}

bool WriteIcons(const std::filesystem::path& folder, const std::string& name, std::string& error) {
  for (int size : kIconSizes) {
    const std::string dimension = std::to_string(size) + "x" + std::to_string(size);
    const std::filesystem::path dir = folder / dimension / "apps";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const std::filesystem::path file = dir / (name + ".png");
    if (ec || !RenderIcon(size).save(QString::fromStdString(file.string()), "PNG")) {
      error = file.string() + ": cannot be written";
      return false;
    }
  }
  return true;
}

}  // namespace orv::skin_gen
