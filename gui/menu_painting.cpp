#include "gui/menu_painting.h"

#include <algorithm>

namespace orv::skin {

QColor ToQColor(ColourRef c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

QSize MeasureMenuItem(const QString& text, MenuItemKind kind) {
  const int width = kMenuCharWidth * static_cast<int>(text.size());
  return QSize(width, kind == MenuItemKind::Separator ? 1 : kMenuItemHeight);
}

void Draw3dRect(QPainter& painter, const QRect& r, ColourRef topLeft, ColourRef bottomRight) {
  if (r.width() <= 0 || r.height() <= 0) return;
  const QColor tl = ToQColor(topLeft);
  const QColor br = ToQColor(bottomRight);
  painter.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), tl);
  painter.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), tl);
  painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), br);
  painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), br);
}

void FillVerticalGradient(QPainter& painter, const QRect& r, ColourRef top, ColourRef bottom) {
  const int h = r.height();
  if (h <= 0 || r.width() <= 0) return;
  // One truncated step per channel: the last line stops short of the end
  // colour by what the truncation dropped.
  auto step = [h](uint8_t from, uint8_t to) {
    return static_cast<int>((static_cast<double>(to) - static_cast<double>(from)) / h);
  };
  const int dr = step(RedOf(top), RedOf(bottom));
  const int dg = step(GreenOf(top), GreenOf(bottom));
  const int db = step(BlueOf(top), BlueOf(bottom));
  for (int y = 0; y < h; ++y) {
    const QColor c((RedOf(top) + dr * y) & 0xFF, (GreenOf(top) + dg * y) & 0xFF, (BlueOf(top) + db * y) & 0xFF);
    painter.fillRect(QRect(r.left(), r.top() + y, r.width(), 1), c);
  }
}

void DrawMenuItem(QPainter& painter, const QRect& rect, const QString& text, MenuItemKind kind, bool selected,
                  const QPen& framePen, const QFont& font) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  if (kind == MenuItemKind::Separator) {
    QRect r = rect;
    r.setLeft(r.left() + kSeparatorIndent);
    Draw3dRect(painter, r, kSeparatorTopLeft, kSeparatorBottomRight);
    painter.restore();
    return;
  }
  if (!selected) {
    painter.fillRect(rect, ToQColor(kMenuItemBackground));
  } else {
    // The frame on the item's outermost pixels, the gradient inside it.
    QPen pen = framePen;
    pen.setWidth(1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    FillVerticalGradient(painter, rect.adjusted(1, 1, -1, -1), kMenuGradientTop, kMenuGradientBottom);
  }
  painter.setPen(ToQColor(kMenuText));
  painter.setFont(font);
  painter.drawText(rect.adjusted(kMenuTextIndent, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   text);
  painter.restore();
}

PictureSurface ComposeFunctionMenu(PictureSurface normal, const PictureSurface& rowPicture, const MenuMetrics& m,
                                   int hoveredRow, const std::vector<std::string>& texts, const QFont& font) {
  const bool hovered = hoveredRow != kNoIndex && hoveredRow >= 1;
  if (hovered) {
    CopyArea(normal, rowPicture, LayoutRect{0, (hoveredRow - 1) * m.itemHeight, m.itemWidth, m.itemHeight});
  }
  const int rows = std::min<int>(m.rows, static_cast<int>(texts.size()));
  for (int r = 1; r <= rows; ++r) {
    const LayoutRect band{0, (r - 1) * m.itemHeight, m.itemWidth, m.itemHeight};
    const ColourRef colour = r == hoveredRow ? MakeColour(255, 0, 0) : MakeColour(255, 255, 255);
    DrawTextCentred(normal, font, colour, band, texts[static_cast<size_t>(r - 1)]);
  }
  return normal;
}

PictureSurface ComposeWarning(PictureSurface normal, const PictureSurface& over, int hoveredButton,
                              std::span<const LayoutRect> hits, std::span<const std::string> texts,
                              const QFont& font) {
  if ((hoveredButton == kWarningConfirm || hoveredButton == kWarningCancelButton) &&
      static_cast<size_t>(hoveredButton) <= hits.size()) {
    CopyArea(normal, over, hits[static_cast<size_t>(hoveredButton - 1)]);
  }
  for (size_t k = 0; k < hits.size() && k < texts.size(); ++k) {
    DrawTextCentred(normal, font, MakeColour(255, 0, 0), hits[k], texts[k]);
  }
  return normal;
}

}  // namespace orv::skin
