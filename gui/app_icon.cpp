#include "gui/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStandardPaths>

#include "platform/program_folders.h"

namespace orv::app {
namespace {

// A mouse outline in the skin's red on a dark rounded square.
QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(24, 24, 28));
  p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
  QPainterPath body;
  body.addRoundedRect(QRectF(s * 0.28, s * 0.14, s * 0.44, s * 0.72), s * 0.22, s * 0.22);
  p.setPen(QPen(QColor(230, 30, 40), std::max<qreal>(1.0, s * 0.06)));
  p.setBrush(Qt::NoBrush);
  p.drawPath(body);
  p.drawLine(QPointF(s * 0.5, s * 0.14), QPointF(s * 0.5, s * 0.38));
  p.drawLine(QPointF(s * 0.28, s * 0.38), QPointF(s * 0.72, s * 0.38));
  return pixmap;
}

}  // namespace

QIcon AppIcon() {
  // Installed, the hicolor icon theme holds the program's icon (drawn with
  // the emblem of the window's title); the same icon then shows in the menu,
  // the window and the tray. Its files are taken directly: a lookup through
  // the icon theme machinery reads the whole theme index and costs the
  // start-up about 10 ms before the first frame.
  QIcon installed;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString file = QStandardPaths::locate(
        QStandardPaths::GenericDataLocation,
        QStringLiteral("icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(QString::fromLatin1(kInstalledName)));
    if (!file.isEmpty()) installed.addFile(file, QSize(size, size));
  }
  if (!installed.isNull()) return installed;
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128}) icon.addPixmap(DrawIcon(size));
  return icon;
}

}  // namespace orv::app
