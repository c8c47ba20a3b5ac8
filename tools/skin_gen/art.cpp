#include "tools/skin_gen/art.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <cmath>
#include <vector>

namespace orv::skin_gen {
namespace {

using namespace palette;

QColor WithAlpha(QColor c, int alpha) {
  c.setAlpha(alpha);
  return c;
}

QColor Mix(const QColor& a, const QColor& b, double t) {
  return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                          static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                          static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t),
                          static_cast<float>(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

// A rectangle with its top-left and bottom-right corners cut off, aligned to
// pixel centres so that 1-pixel borders stay crisp.
QPainterPath Chamfer(const QRect& r, double cut) {
  const QRectF f = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
  QPainterPath path;
  path.moveTo(f.left() + cut, f.top());
  path.lineTo(f.right(), f.top());
  path.lineTo(f.right(), f.bottom() - cut);
  path.lineTo(f.right() - cut, f.bottom());
  path.lineTo(f.left(), f.bottom());
  path.lineTo(f.left(), f.top() + cut);
  path.closeSubpath();
  return path;
}

QPainterPath Rounded(const QRectF& r, double radius) {
  QPainterPath path;
  path.addRoundedRect(r, radius, radius);
  return path;
}

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  return g;
}

// A soft glow along a path's edge, kept inside the path.
void InnerGlow(QPainter& p, const QPainterPath& path, const QColor& colour, double width) {
  p.save();
  p.setClipPath(path, Qt::IntersectClip);
  for (int i = 3; i >= 1; --i) {
    p.setPen(QPen(WithAlpha(colour, colour.alpha() / (i + 1)), width * i, Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
  }
  p.restore();
}

void Stroke(QPainter& p, const QPainterPath& path, const QColor& colour, double width = 1.0) {
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

// Fill, border and glow of a chamfered or rounded control in one of its states.
struct ControlStyle {
  QColor top, bottom, border, glow;
  bool topHighlight = false;
};

ControlStyle StyleFor(State s, bool primary) {
  switch (s) {
    case State::Normal:
      return primary ? ControlStyle{QColor(66, 14, 28), QColor(42, 9, 18), WithAlpha(kAccent, 200), QColor(), false}
                     : ControlStyle{QColor(36, 40, 48), QColor(27, 30, 37), kControlBorder, QColor(), false};
    case State::Over:
      return primary ? ControlStyle{QColor(104, 22, 40), QColor(62, 12, 24), kAccentBright, WithAlpha(kAccent, 90),
                                    true}
                     : ControlStyle{QColor(44, 49, 58), QColor(32, 36, 44), kAccent, WithAlpha(kAccent, 70), false};
    case State::Down:
      // Dark enough that a red (hovered) text stays readable on it.
      return ControlStyle{QColor(96, 18, 34), QColor(56, 11, 21), kAccentBright, WithAlpha(kAccentBright, 110),
                          true};
  }
  return {};
}

void PaintControl(QPainter& p, const QPainterPath& path, const QRect& r, State s, bool primary) {
  const ControlStyle st = StyleFor(s, primary);
  p.fillPath(path, Vertical(r, st.top, st.bottom));
  if (st.glow.isValid()) InnerGlow(p, path, st.glow, 2.0);
  if (st.topHighlight) {
    p.save();
    p.setClipPath(path);
    p.setPen(QPen(QColor(255, 255, 255, 46), 1));
    p.drawLine(QPointF(r.left() + 1, r.top() + 1.5), QPointF(r.right(), r.top() + 1.5));
    p.restore();
  }
  Stroke(p, path, st.border);
}

// Segments of the stroke font on a 4 x 6 grid.
std::vector<std::vector<QPointF>> Glyph(char c) {
  switch (c) {
    case '0': return {{{0, 0}, {4, 0}, {4, 6}, {0, 6}, {0, 0}}};
    case '1': return {{{1, 1}, {2.5, 0}, {2.5, 6}}};
    case '2': return {{{0, 0}, {4, 0}, {4, 3}, {0, 3}, {0, 6}, {4, 6}}};
    case '3': return {{{0, 0}, {4, 0}, {4, 6}, {0, 6}}, {{1, 3}, {4, 3}}};
    case '4': return {{{0, 0}, {0, 3}, {4, 3}}, {{4, 0}, {4, 6}}};
    case '5': return {{{4, 0}, {0, 0}, {0, 3}, {4, 3}, {4, 6}, {0, 6}}};
    case '6': return {{{4, 0}, {0, 0}, {0, 6}, {4, 6}, {4, 3}, {0, 3}}};
    case '7': return {{{0, 0}, {4, 0}, {4, 6}}};
    case '8': return {{{0, 0}, {4, 0}, {4, 6}, {0, 6}, {0, 0}}, {{0, 3}, {4, 3}}};
    case '9': return {{{4, 3}, {0, 3}, {0, 0}, {4, 0}, {4, 6}, {0, 6}}};
    default: return {};
  }
}

// The mouse body outline, front centre at (0, 0), 216 long and about 144 wide.
QPainterPath MouseBody() {
  QPainterPath path;
  path.moveTo(0, 0);
  path.cubicTo(38, 0, 64, 22, 67, 62);
  path.cubicTo(70, 100, 74, 150, 64, 184);
  path.cubicTo(54, 208, 30, 216, 0, 216);
  path.cubicTo(-30, 216, -54, 208, -64, 184);
  path.cubicTo(-74, 150, -70, 100, -67, 62);
  path.cubicTo(-64, 22, -38, 0, 0, 0);
  path.closeSubpath();
  return path;
}

QPainterPath LeftButtonShape() {
  QPainterPath clip;
  clip.addRect(QRectF(-75, -1, 64.5, 89.5));
  return MouseBody().intersected(clip);
}

QPainterPath RightButtonShape() {
  QPainterPath clip;
  clip.addRect(QRectF(10.5, -1, 64.5, 89.5));
  return MouseBody().intersected(clip);
}

struct PartLook {
  QColor top, bottom, border, glow;
};

PartLook MousePartLook(State s) {
  switch (s) {
    case State::Normal: return {QColor(50, 55, 64), QColor(33, 36, 43), QColor(72, 79, 90), QColor()};
    case State::Over: return {QColor(150, 28, 50), QColor(70, 13, 26), kAccentBright, WithAlpha(kAccentBright, 150)};
    case State::Down: return {QColor(255, 70, 96), QColor(170, 24, 46), QColor(255, 160, 172), QColor(255, 120, 140, 200)};
  }
  return {};
}

void PaintPart(QPainter& p, const QPainterPath& shape, State s) {
  const PartLook look = MousePartLook(s);
  const QRectF b = shape.boundingRect();
  p.fillPath(shape, Vertical(b, look.top, look.bottom));
  if (look.glow.isValid()) InnerGlow(p, shape, look.glow, 1.6);
  Stroke(p, shape, look.border, 1.0);
}

void DrawWheelRidges(QPainter& p, const QRectF& wheel, const QColor& colour) {
  p.save();
  p.setClipPath(Rounded(wheel, 5));
  p.setPen(QPen(colour, 1));
  for (double y = wheel.top() + 3; y < wheel.bottom() - 1; y += 3) {
    p.drawLine(QPointF(wheel.left() + 2, y), QPointF(wheel.right() - 2, y));
  }
  p.restore();
}

// The emblem: two angular blades meeting in a point.
QPainterPath EmblemPath(const QRectF& r) {
  const double w = r.width(), h = r.height();
  auto at = [&](double fx, double fy) { return QPointF(r.left() + fx * w, r.top() + fy * h); };
  QPainterPath path;
  path.moveTo(at(0.0, 0.0));
  path.lineTo(at(0.38, 0.0));
  path.lineTo(at(0.5, 0.42));
  path.lineTo(at(0.62, 0.0));
  path.lineTo(at(1.0, 0.0));
  path.lineTo(at(0.5, 1.0));
  path.closeSubpath();
  QPainterPath notch;
  notch.moveTo(at(0.24, 0.22));
  notch.lineTo(at(0.5, 0.78));
  notch.lineTo(at(0.76, 0.22));
  notch.lineTo(at(0.68, 0.22));
  notch.lineTo(at(0.5, 0.6));
  notch.lineTo(at(0.32, 0.22));
  notch.closeSubpath();
  return path.subtracted(notch);
}

}  // namespace

void DrawWindowBackground(QPainter& p, const QSize& size, const QPolygon& outline, int headerBottom, int footerTop) {
  p.fillRect(QRect(QPoint(0, 0), size), kOutside);
  p.save();
  QPainterPath shape;
  shape.addPolygon(outline);
  shape.closeSubpath();
  p.setClipPath(shape);
  const QRectF all(0, 0, size.width(), size.height());
  p.fillRect(all, Vertical(all, kWindowTop, kWindowBottom));

  // Header and footer bands with a fine diagonal texture.
  const QRectF header(0, 0, size.width(), headerBottom);
  const QRectF footer(0, footerTop, size.width(), size.height() - footerTop);
  p.fillRect(header, Vertical(header, QColor(27, 31, 38), QColor(17, 19, 24)));
  p.fillRect(footer, Vertical(footer, QColor(17, 19, 24), QColor(24, 27, 33)));
  p.setPen(QPen(QColor(255, 255, 255, 7), 1));
  for (int x = -size.height(); x < size.width(); x += 6) {
    p.drawLine(QPointF(x, headerBottom), QPointF(x + headerBottom, 0));
    p.drawLine(QPointF(x, size.height()), QPointF(x + size.height() - footerTop, footerTop));
  }
  p.setPen(QPen(QColor(44, 50, 60), 1));
  p.drawLine(QPointF(0, headerBottom - 0.5), QPointF(size.width(), headerBottom - 0.5));
  p.drawLine(QPointF(0, footerTop + 0.5), QPointF(size.width(), footerTop + 0.5));
  // A thin accent under the header, brightest in the middle.
  QLinearGradient under(QPointF(0, 0), QPointF(size.width(), 0));
  under.setColorAt(0.0, WithAlpha(kAccent, 0));
  under.setColorAt(0.5, WithAlpha(kAccent, 150));
  under.setColorAt(1.0, WithAlpha(kAccent, 0));
  p.fillRect(QRectF(0, headerBottom, size.width(), 1), under);

  // Rim, with accent light along the crown and the two waists.
  p.setRenderHint(QPainter::Antialiasing, true);
  Stroke(p, shape, QColor(58, 65, 77), 3.0);
  Stroke(p, shape, QColor(20, 23, 28), 1.0);
  QPainterPath crown;
  crown.moveTo(outline.point(1));
  crown.lineTo(outline.point(2));
  crown.lineTo(outline.point(3));
  crown.lineTo(outline.point(4));
  for (int i = 3; i >= 1; --i) Stroke(p, crown, WithAlpha(kAccent, 60 / i), 2.0 + 3.0 * i);
  Stroke(p, crown, kAccentBright, 3.0);
  for (int side = 0; side < 2; ++side) {
    // The waist edges: points 8-9 on the right, 17-16 on the left.
    const QPoint a = outline.point(side == 0 ? 8 : 17);
    const QPoint b = outline.point(side == 0 ? 9 : 16);
    QPainterPath waist;
    waist.moveTo(a);
    waist.lineTo(b);
    for (int i = 3; i >= 1; --i) Stroke(p, waist, WithAlpha(kAccent, 50 / i), 2.0 + 4.0 * i);
    Stroke(p, waist, kAccentBright, 3.0);
  }
  p.restore();
}

void DrawPanel(QPainter& p, const QRect& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  const QPainterPath path = Chamfer(r, 12);
  p.fillPath(path, Vertical(r, QColor(24, 27, 33, 235), QColor(17, 19, 24, 235)));
  Stroke(p, path, kPanelBorder);
  // Accent on the cut corners.
  p.setPen(QPen(kAccent, 2, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(r.left() + 1.5, r.top() + 12.5), QPointF(r.left() + 12.5, r.top() + 1.5));
  p.setPen(QPen(WithAlpha(kAccent, 140), 2, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(r.right() - 11.5, r.bottom() - 0.5), QPointF(r.right() - 0.5, r.bottom() - 11.5));
  p.restore();
}

void DrawHeadingBand(QPainter& p, const QRect& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  const double y = r.center().y() + 0.5;
  const double mid = r.left() + r.width() / 2.0;
  const double gap = std::min(92.0, r.width() / 2.0 - 30);
  const double left = r.left() + 20, right = r.right() - 19;
  for (int side = 0; side < 2; ++side) {
    const double outer = side == 0 ? left : right;
    const double inner = side == 0 ? mid - gap : mid + gap;
    if ((side == 0 && inner <= outer) || (side == 1 && inner >= outer)) continue;
    QLinearGradient g(QPointF(outer, y), QPointF(inner, y));
    g.setColorAt(0, WithAlpha(kLine, 0));
    g.setColorAt(1, QColor(70, 78, 92));
    p.setPen(QPen(QBrush(g), 1));
    p.drawLine(QPointF(outer, y), QPointF(inner, y));
    // A small accent diamond where the line meets the title.
    QPainterPath d;
    d.moveTo(inner, y - 3);
    d.lineTo(inner + 3, y);
    d.lineTo(inner, y + 3);
    d.lineTo(inner - 3, y);
    d.closeSubpath();
    p.fillPath(d, kAccent);
  }
  p.restore();
}

void DrawButton(QPainter& p, const QRect& r, State s, bool primary) {
  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, true);
  PaintControl(p, Chamfer(r, 6), r, s, primary);
  p.restore();
}

void DrawChip(QPainter& p, const QRect& r, State s) {
  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF f = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
  const QPainterPath path = Rounded(f, 3);
  PaintControl(p, path, r, s, false);
  if (s == State::Down) p.fillRect(QRectF(r.left() + 3, r.bottom() - 1, r.width() - 6, 2), kAccentBright);
  p.restore();
}

void DrawTab(QPainter& p, const QRect& r, State s) {
  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF f = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
  QPainterPath path;
  path.moveTo(f.left() + 10, f.top());
  path.lineTo(f.right() - 10, f.top());
  path.lineTo(f.right(), f.bottom());
  path.lineTo(f.left(), f.bottom());
  path.closeSubpath();
  switch (s) {
    case State::Normal:
      p.fillPath(path, Vertical(f, QColor(255, 255, 255, 6), QColor(255, 255, 255, 14)));
      p.fillRect(QRectF(r.left() + 4, r.bottom() - 1, r.width() - 8, 2), QColor(52, 58, 68));
      break;
    case State::Over:
      p.fillPath(path, Vertical(f, QColor(255, 255, 255, 10), QColor(232, 32, 63, 40)));
      Stroke(p, path, QColor(80, 88, 100));
      p.fillRect(QRectF(r.left() + 2, r.bottom() - 1, r.width() - 4, 2), kAccent);
      break;
    case State::Down:
      p.fillPath(path, Vertical(f, QColor(232, 32, 63, 20), QColor(232, 32, 63, 120)));
      Stroke(p, path, WithAlpha(kAccentBright, 160));
      for (int i = 1; i <= 4; ++i) {
        p.fillRect(QRectF(r.left(), r.bottom() - 1 - 2 * i, r.width(), 2), QColor(255, 60, 90, 28 - 5 * i));
      }
      p.fillRect(QRectF(r.left(), r.bottom() - 2, r.width(), 3), kAccentBright);
      break;
  }
  p.restore();
}

void DrawWindowButton(QPainter& p, const QRect& r, State s, bool close) {
  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF f = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
  QColor icon = kSteel;
  if (s == State::Over) {
    p.fillPath(Rounded(f, 3), close ? kAccentDeep : QColor(44, 50, 60));
    Stroke(p, Rounded(f, 3), close ? kAccent : QColor(70, 78, 90));
    icon = Qt::white;
  } else if (s == State::Down) {
    p.fillPath(Rounded(f, 3), close ? kAccent : QColor(70, 78, 90));
    icon = Qt::white;
  }
  const QPointF c = f.center();
  p.setPen(QPen(icon, 1.6, Qt::SolidLine, Qt::RoundCap));
  if (close) {
    p.drawLine(c + QPointF(-5, -5), c + QPointF(5, 5));
    p.drawLine(c + QPointF(-5, 5), c + QPointF(5, -5));
  } else {
    p.drawLine(c + QPointF(-6, 4), c + QPointF(6, 4));
  }
  p.restore();
}

void DrawFunctionLabel(QPainter& p, const QRect& r, State s) {
  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF f = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
  const QPainterPath path = Chamfer(r, 5);
  QColor bar = QColor(70, 78, 90);
  switch (s) {
    case State::Normal:
      p.fillPath(path, Vertical(f, QColor(18, 20, 25), QColor(14, 16, 20)));
      Stroke(p, path, QColor(46, 52, 62));
      break;
    case State::Over:
      p.fillPath(path, Vertical(f, QColor(28, 31, 38), QColor(20, 23, 28)));
      InnerGlow(p, path, WithAlpha(kAccent, 60), 2.0);
      Stroke(p, path, kAccent);
      bar = kAccent;
      break;
    case State::Down:
      p.fillPath(path, Vertical(f, QColor(72, 14, 28), QColor(44, 9, 18)));
      Stroke(p, path, kAccentBright);
      bar = kAccentBright;
      break;
  }
  p.fillRect(QRectF(r.left() + 1, r.top() + 6, 2, r.height() - 7), bar);
  // A small drop-down mark at the right end.
  const QPointF c(r.right() - 9.5, r.center().y() + 1);
  QPainterPath arrow;
  arrow.moveTo(c + QPointF(-3.5, -2));
  arrow.lineTo(c + QPointF(3.5, -2));
  arrow.lineTo(c + QPointF(0, 2));
  arrow.closeSubpath();
  p.fillPath(arrow, s == State::Normal ? QColor(90, 98, 110) : kAccentBright);
  p.restore();
}

void DrawSwatchFrame(QPainter& p, const QRect& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(r.adjusted(-2, -2, 2, 2), QColor(10, 11, 14));
  p.setPen(QColor(70, 78, 90));
  p.drawRect(r.adjusted(-2, -2, 1, 1));
  p.fillRect(r, QColor(44, 49, 58));
  p.restore();
}

void DrawToggle(QPainter& p, const QRect& r, State s) {
  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF track = QRectF(r).adjusted(1.5, 1.5, -1.5, -1.5);
  const double radius = track.height() / 2;
  const QPainterPath path = Rounded(track, radius);
  const double knobD = track.height() - 6;
  QPointF knob(track.left() + 3 + knobD / 2, track.center().y());
  switch (s) {
    case State::Normal:
      p.fillPath(path, QColor(20, 23, 28));
      Stroke(p, path, QColor(62, 69, 80), 1.2);
      p.setBrush(QColor(86, 94, 106));
      break;
    case State::Over:
      p.fillPath(path, QColor(30, 33, 40));
      Stroke(p, path, kAccent, 1.2);
      p.setBrush(QColor(150, 158, 170));
      break;
    case State::Down: {
      QLinearGradient g(track.topLeft(), track.topRight());
      g.setColorAt(0, QColor(140, 20, 40));
      g.setColorAt(1, kAccent);
      p.fillPath(path, g);
      Stroke(p, path, kAccentBright, 1.2);
      knob = QPointF(track.right() - 3 - knobD / 2, track.center().y());
      p.setBrush(Qt::white);
      break;
    }
  }
  p.setPen(Qt::NoPen);
  p.drawEllipse(knob, knobD / 2, knobD / 2);
  p.restore();
}

void DrawRadio(QPainter& p, const QRect& r, State s) {
  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QPointF c = QRectF(r).center();
  if (s == State::Down) {
    QRadialGradient halo(c, r.width() / 2.0);
    halo.setColorAt(0.0, WithAlpha(kAccent, 120));
    halo.setColorAt(1.0, WithAlpha(kAccent, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(c, r.width() / 2.0, r.height() / 2.0);
  }
  p.setBrush(QColor(16, 18, 22));
  p.setPen(QPen(s == State::Normal ? QColor(80, 88, 100) : (s == State::Over ? kAccent : kAccentBright), 1.5));
  p.drawEllipse(c, 7.5, 7.5);
  if (s != State::Normal) {
    p.setPen(Qt::NoPen);
    p.setBrush(s == State::Over ? WithAlpha(kAccent, 110) : kAccentBright);
    p.drawEllipse(c, 4, 4);
  }
  p.restore();
}

void DrawStepCell(QPainter& p, const QRect& r, State s) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  QColor fill, border;
  switch (s) {
    case State::Normal: fill = QColor(24, 27, 33); border = QColor(48, 54, 64); break;
    case State::Over: fill = QColor(40, 44, 53); border = kAccent; break;
    case State::Down: fill = QColor(88, 16, 32); border = kAccentBright; break;
  }
  p.fillRect(r, fill);
  p.setPen(border);
  p.drawRect(r.adjusted(0, 0, -1, -1));
  if (s == State::Normal) p.fillRect(QRect(r.left() + 1, r.top() + 1, r.width() - 2, 1), QColor(34, 38, 46));
  p.restore();
}

void DrawCheckbox(QPainter& p, const QRect& r, State s) {
  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF f = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
  const QPainterPath field = Rounded(f, 3);
  p.fillPath(field, s == State::Over ? QColor(28, 31, 38) : QColor(18, 20, 25));
  Stroke(p, field, s == State::Normal ? QColor(46, 52, 62) : (s == State::Over ? kAccent : kAccentBright));
  const QRectF box(r.left() + 7.5, r.center().y() - 6.5, 13, 13);
  const QPainterPath boxPath = Rounded(box, 2);
  if (s == State::Down) {
    p.fillPath(boxPath, kAccent);
    p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({box.topLeft() + QPointF(3, 6.5), box.topLeft() + QPointF(5.5, 9.5),
                              box.topLeft() + QPointF(10, 3.5)}));
  } else {
    p.fillPath(boxPath, QColor(12, 14, 17));
    Stroke(p, boxPath, s == State::Over ? kAccent : QColor(96, 104, 116), 1.2);
  }
  p.restore();
}

void DrawSlider(QPainter& p, const QRect& r, State s) {
  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, false);
  if (s == State::Down) {
    QLinearGradient g(QPointF(r.left(), 0), QPointF(r.right(), 0));
    g.setColorAt(0, QColor(110, 18, 36));
    g.setColorAt(1, kAccentBright);
    p.fillRect(r, g);
    p.fillRect(QRect(r.left(), r.top() + 1, r.width(), 1), QColor(255, 255, 255, 60));
    p.setPen(kAccentBright);
  } else {
    p.fillRect(r, QColor(12, 14, 17));
    p.setPen(s == State::Over ? kAccent : QColor(48, 54, 64));
  }
  p.drawRect(r.adjusted(0, 0, -1, -1));
  // Ten segments.
  p.setPen(s == State::Down ? QColor(255, 255, 255, 70) : QColor(40, 45, 54));
  for (int i = 1; i < 10; ++i) {
    const int x = r.left() + r.width() * i / 10;
    p.drawLine(x, r.bottom() - 5, x, r.bottom() - 2);
  }
  p.restore();
}

void DrawValueBox(QPainter& p, const QRect& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(r, QColor(10, 11, 14));
  p.setPen(QColor(46, 52, 62));
  p.drawRect(r.adjusted(0, 0, -1, -1));
  p.setPen(kAccent);
  const int l = r.left(), t = r.top(), rr = r.right(), b = r.bottom();
  p.drawLine(l, t, l + 5, t);
  p.drawLine(l, t, l, t + 5);
  p.drawLine(rr, b, rr - 5, b);
  p.drawLine(rr, b, rr, b - 5);
  p.restore();
}

void DrawControlWell(QPainter& p, const QRect& r) {
  if (r.isEmpty()) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(r.adjusted(-3, -3, 3, 3), QColor(8, 9, 11));
  p.setPen(QColor(52, 58, 68));
  p.drawRect(r.adjusted(-2, -2, 1, 1));
  p.setPen(kAccent);
  const QRect o = r.adjusted(-2, -2, 1, 1);
  p.drawLine(o.topLeft(), o.topLeft() + QPoint(8, 0));
  p.drawLine(o.topLeft(), o.topLeft() + QPoint(0, 8));
  p.drawLine(o.bottomRight(), o.bottomRight() - QPoint(8, 0));
  p.drawLine(o.bottomRight(), o.bottomRight() - QPoint(0, 8));
  p.fillRect(r, Qt::black);
  p.restore();
}

void DrawColourChip(QPainter& p, const QRect& r, State s, const QColor& colour) {
  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QPointF c = QRectF(r).center();
  const double radius = 15;
  if (s == State::Down) {
    QRadialGradient halo(c, r.width() / 2.0);
    halo.setColorAt(0.55, WithAlpha(colour, 150));
    halo.setColorAt(1.0, WithAlpha(colour, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(c, r.width() / 2.0, r.height() / 2.0);
  }
  const double strength = s == State::Normal ? 0.28 : (s == State::Over ? 0.5 : 1.0);
  const QColor body = Mix(QColor(22, 24, 29), colour, strength);
  QRadialGradient g(c - QPointF(4, 5), radius * 1.3);
  g.setColorAt(0, Mix(body, Qt::white, s == State::Down ? 0.45 : 0.12));
  g.setColorAt(1, body);
  p.setBrush(g);
  const QColor ring = s == State::Normal ? QColor(64, 71, 82) : (s == State::Over ? QColor(170, 178, 190) : Qt::white);
  p.setPen(QPen(ring, s == State::Down ? 2.2 : 1.6));
  p.drawEllipse(c, radius, radius);
  p.restore();
}

void DrawEmblem(QPainter& p, const QRect& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  const QPainterPath path = EmblemPath(QRectF(r));
  for (int i = 3; i >= 1; --i) Stroke(p, path, WithAlpha(kAccent, 40 / i), 1.5 * i + 1);
  QLinearGradient g(QRectF(r).topLeft(), QRectF(r).bottomRight());
  g.setColorAt(0, kAccentBright);
  g.setColorAt(1, QColor(150, 16, 40));
  p.fillPath(path, g);
  p.restore();
}

void DrawMainMouse(QPainter& p, QPoint front, const std::array<State, 7>& parts) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.translate(front);
  const QPainterPath body = MouseBody();

  // Shadow and body.
  for (int i = 4; i >= 1; --i) {
    p.setPen(QPen(QColor(0, 0, 0, 26), 2.5 * i));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body.translated(0, 3));
  }
  QRadialGradient shade(QPointF(-18, 70), 170);
  shade.setColorAt(0, QColor(58, 63, 72));
  shade.setColorAt(0.6, QColor(34, 37, 44));
  shade.setColorAt(1, QColor(20, 22, 26));
  p.fillPath(body, shade);
  // A soft sheen on the upper left.
  p.save();
  p.setClipPath(body);
  QRadialGradient sheen(QPointF(-30, 60), 70);
  sheen.setColorAt(0, QColor(255, 255, 255, 26));
  sheen.setColorAt(1, QColor(255, 255, 255, 0));
  p.fillRect(QRectF(-80, -10, 160, 230), sheen);
  p.restore();

  // Buttons, each in its own state.
  PaintPart(p, LeftButtonShape(), parts[0]);
  PaintPart(p, RightButtonShape(), parts[1]);

  // The channel between the buttons with the wheel and the two buttons behind it.
  const QRectF channel(-9.5, 4.5, 19, 95);
  p.fillPath(Rounded(channel, 8), QColor(14, 16, 19));
  Stroke(p, Rounded(channel, 8), QColor(50, 55, 64));
  const QRectF wheel(-6, 12, 12, 34);
  PaintPart(p, Rounded(wheel, 5), parts[2]);
  DrawWheelRidges(p, wheel, parts[2] == State::Normal ? QColor(20, 22, 26, 200) : QColor(80, 10, 24, 150));
  PaintPart(p, Rounded(QRectF(-5, 58, 10, 14), 3), parts[5]);
  PaintPart(p, Rounded(QRectF(-5, 79, 10, 14), 3), parts[6]);

  // Side buttons on the left flank.
  PaintPart(p, Rounded(QRectF(-78, 100, 11, 26), 5), parts[3]);
  PaintPart(p, Rounded(QRectF(-78, 136, 11, 26), 5), parts[4]);

  // Seam between the buttons and the palm, dim light strips along the flanks,
  // outline and the palm emblem.
  p.save();
  p.setClipPath(body);
  p.setPen(QPen(QColor(10, 11, 14), 2));
  p.drawLine(QPointF(-72, 89), QPointF(-10, 89));
  p.drawLine(QPointF(10, 89), QPointF(72, 89));
  p.restore();
  QPainterPath strips;
  strips.moveTo(-63, 168);
  strips.cubicTo(-60, 190, -44, 204, -18, 208);
  strips.moveTo(63, 168);
  strips.cubicTo(60, 190, 44, 204, 18, 208);
  p.setPen(QPen(WithAlpha(kAccent, 60), 5, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(strips);
  p.setPen(QPen(WithAlpha(kAccent, 200), 1.6, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(strips);
  Stroke(p, body, QColor(80, 88, 100), 1.2);
  const QPainterPath emblem = EmblemPath(QRectF(-11, 148, 22, 22));
  p.fillPath(emblem, QColor(64, 70, 80));
  p.restore();
}

void DrawPreview(QPainter& p, const QRect& r, const QColor& light) {
  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, true);
  const bool on = light.isValid();
  // Stage: dark floor with a perspective grid.
  p.fillRect(r, Vertical(r, QColor(14, 16, 20), QColor(9, 10, 13)));
  p.setPen(QPen(QColor(255, 255, 255, 10), 1));
  const QPointF vanish(r.center().x(), r.top() - 140);
  for (int i = -10; i <= 10; ++i) {
    p.drawLine(vanish, QPointF(r.center().x() + i * 60, r.bottom() + 40));
  }
  for (int j = 0; j < 9; ++j) {
    const double y = r.top() + 40 + j * j * 5.5 + j * 18;
    if (y < r.bottom()) p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
  }
  const QPointF centre(r.center().x(), r.center().y() + 6);
  if (on) {
    QRadialGradient floor(centre + QPointF(0, 30), r.width() * 0.62);
    floor.setColorAt(0, WithAlpha(light, 110));
    floor.setColorAt(0.5, WithAlpha(light, 36));
    floor.setColorAt(1, WithAlpha(light, 0));
    p.fillRect(r, floor);
  }
  // The mouse, scaled up, with its light zones.
  const double scale = 1.55;
  p.translate(centre.x(), centre.y() - 108 * scale);
  p.scale(scale, scale);
  const QPainterPath body = MouseBody();
  QRadialGradient shade(QPointF(-18, 70), 170);
  shade.setColorAt(0, QColor(54, 59, 68));
  shade.setColorAt(0.6, QColor(31, 34, 40));
  shade.setColorAt(1, QColor(17, 19, 23));
  p.fillPath(body, shade);
  const std::array<State, 7> normal{};
  PaintPart(p, LeftButtonShape(), normal[0]);
  PaintPart(p, RightButtonShape(), normal[1]);
  p.fillPath(Rounded(QRectF(-9.5, 4.5, 19, 95), 8), QColor(14, 16, 19));
  p.save();
  p.setClipPath(body);
  p.setPen(QPen(QColor(10, 11, 14), 2));
  p.drawLine(QPointF(-72, 89), QPointF(-10, 89));
  p.drawLine(QPointF(10, 89), QPointF(72, 89));
  p.restore();
  PaintPart(p, Rounded(QRectF(-5, 58, 10, 14), 3), State::Normal);
  PaintPart(p, Rounded(QRectF(-5, 79, 10, 14), 3), State::Normal);
  PaintPart(p, Rounded(QRectF(-78, 100, 11, 26), 5), State::Normal);
  PaintPart(p, Rounded(QRectF(-78, 136, 11, 26), 5), State::Normal);
  Stroke(p, body, QColor(80, 88, 100), 1.0);

  const QColor zone = on ? light : QColor(58, 63, 72);
  // Light strips along both flanks towards the back.
  QPainterPath strips;
  strips.moveTo(-66, 150);
  strips.cubicTo(-66, 178, -50, 204, -18, 210);
  strips.moveTo(66, 150);
  strips.cubicTo(66, 178, 50, 204, 18, 210);
  if (on) {
    for (int i = 4; i >= 1; --i) {
      p.setPen(QPen(WithAlpha(light, 46 / i), 3 + 3 * i, Qt::SolidLine, Qt::RoundCap));
      p.drawPath(strips);
    }
  }
  p.setPen(QPen(on ? Mix(light, Qt::white, 0.35) : zone, 2.4, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(strips);
  // The wheel and the palm emblem light up too.
  const QRectF wheel(-6, 12, 12, 34);
  if (on) {
    for (int i = 3; i >= 1; --i) Stroke(p, Rounded(wheel.adjusted(-i, -i, i, i), 6), WithAlpha(light, 60 / i), 2.0);
  }
  p.fillPath(Rounded(wheel, 5), on ? Mix(light, Qt::white, 0.2) : QColor(46, 50, 58));
  DrawWheelRidges(p, wheel, QColor(0, 0, 0, 90));
  const QPainterPath emblem = EmblemPath(QRectF(-13, 146, 26, 26));
  if (on) {
    for (int i = 3; i >= 1; --i) Stroke(p, emblem, WithAlpha(light, 70 / i), 2.0 * i);
  }
  p.fillPath(emblem, on ? Mix(light, Qt::white, 0.3) : zone);
  p.restore();
}

void DrawStrokeText(QPainter& p, QPointF centre, double height, std::string_view text, const QColor& colour) {
  const double unit = height / 6.0;
  const double advance = 6.0 * unit;
  const double width = text.size() * advance - 2.0 * unit;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(colour, std::max(1.0, unit * 0.8), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(Qt::NoBrush);
  double x = centre.x() - width / 2.0;
  const double y = centre.y() - height / 2.0;
  for (char c : text) {
    for (const auto& stroke : Glyph(c)) {
      QPolygonF line;
      for (const QPointF& pt : stroke) line << QPointF(x + pt.x() * unit, y + pt.y() * unit);
      p.drawPolyline(line);
    }
    x += advance;
  }
  p.restore();
}

void DrawProfileIcon(QPainter& p, const QRectF& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  // Three stacked layers, the top one lit.
  const double w = r.width(), h = r.height() / 4.0;
  for (int i = 2; i >= 0; --i) {
    const QPointF c(r.center().x(), r.top() + h * (1.2 + i * 0.8));
    QPainterPath layer;
    layer.moveTo(c + QPointF(0, -h * 0.9));
    layer.lineTo(c + QPointF(w / 2, 0));
    layer.lineTo(c + QPointF(0, h * 0.9));
    layer.lineTo(c + QPointF(-w / 2, 0));
    layer.closeSubpath();
    p.fillPath(layer, i == 0 ? QColor(40, 10, 18) : QColor(20, 23, 28));
    Stroke(p, layer, i == 0 ? kAccentBright : QColor(110, 118, 130), 1.3);
  }
  p.restore();
}

void DrawChevron(QPainter& p, QPointF centre, double size, const QColor& colour) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygonF({centre + QPointF(-size / 4, -size / 2), centre + QPointF(size / 4, 0),
                            centre + QPointF(-size / 4, size / 2)}));
  p.restore();
}

void DrawWarningSign(QPainter& p, const QRectF& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  QPainterPath tri;
  tri.moveTo(r.center().x(), r.top());
  tri.lineTo(r.right(), r.bottom());
  tri.lineTo(r.left(), r.bottom());
  tri.closeSubpath();
  for (int i = 3; i >= 1; --i) Stroke(p, tri, WithAlpha(kAccent, 50 / i), 2.0 * i);
  p.fillPath(tri, Vertical(r, QColor(255, 80, 100), QColor(180, 20, 44)));
  const double cx = r.center().x();
  p.fillRect(QRectF(cx - 1.5, r.top() + r.height() * 0.32, 3, r.height() * 0.36), QColor(20, 6, 10));
  p.fillRect(QRectF(cx - 1.5, r.top() + r.height() * 0.76, 3, 3), QColor(20, 6, 10));
  p.restore();
}

}  // namespace orv::skin_gen
