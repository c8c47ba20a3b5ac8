#include "tools/skin_gen/pages.h"

#include <QPainterPath>

#include "skin/picture_names.h"

namespace orv::skin_gen {
namespace {

namespace pic = orv::skin::pictures;

constexpr int kHeaderBottom = 60;
constexpr int kFooterTop = 548;

void DrawElement(QPainter& p, const Element& e, State s) {
  const QRect& r = e.rect;
  switch (e.look) {
    case Look::None:
    case Look::Text:
    case Look::Heading:
    case Look::MouseButton:
    case Look::Preview: break;
    case Look::Title: DrawEmblem(p, QRect(r.left() - 24, r.top() + 1, 18, 20)); break;
    case Look::Button: DrawButton(p, r, s, false); break;
    case Look::PrimaryButton: DrawButton(p, r, s, true); break;
    case Look::DialogButton: DrawButton(p, r, s, false); break;
    case Look::Tab: DrawTab(p, r, s); break;
    case Look::WindowMinimise: DrawWindowButton(p, r, s, false); break;
    case Look::WindowHide: DrawWindowButton(p, r, s, true); break;
    case Look::Chip: DrawChip(p, r, s); break;
    case Look::FunctionLabel: DrawFunctionLabel(p, r, s); break;
    case Look::Swatch: DrawSwatchFrame(p, r); break;
    case Look::Toggle: DrawToggle(p, r, s); break;
    case Look::Radio: DrawRadio(p, r, s); break;
    case Look::StepCell: DrawStepCell(p, r, s); break;
    case Look::Checkbox: DrawCheckbox(p, r, s); break;
    case Look::Slider: DrawSlider(p, r, s); break;
    case Look::ValueBox: DrawValueBox(p, r); break;
    case Look::ControlWell: DrawControlWell(p, r); break;
    case Look::ColourChip: DrawColourChip(p, r, s, CycleColour(e.param)); break;
  }
}

// The title band of a panel, around the heading element's text.
void DrawHeading(QPainter& p, const Geometry& g, const QRect& panel, Family family, int index) {
  const Element* e = g.Find(family, index);
  DrawHeadingBand(p, QRect(panel.left(), e->rect.top(), panel.width(), e->rect.height()));
}

void DrawFamily(QPainter& p, const Geometry& g, Family family, State s, int fromIndex = 0) {
  for (const Element* e : g.Of(family)) {
    if (e->index >= fromIndex) DrawElement(p, *e, s);
  }
}

// Background, rim and the shared bar, common to the three pages.
void DrawFrame(QPainter& p, const Geometry& g, State s) {
  DrawWindowBackground(p, g.window, g.windowOutline, kHeaderBottom, kFooterTop);
  // Dividers between the groups of the bottom bar.
  p.save();
  p.setPen(QColor(44, 50, 60));
  for (int x : {277, 559}) p.drawLine(x, kFooterTop + 10, x, 590);
  p.restore();
  DrawProfileIcon(p, QRectF(50, 557, 30, 26));
  for (const Element* e : g.Of(Family::Main)) {
    if (e->index <= 19) DrawElement(p, *e, s);
  }
}

void DrawMainContent(QPainter& p, const Geometry& g, State s) {
  DrawPanel(p, g.buttonPanel);
  DrawPanel(p, g.dpiPanel);
  DrawHeading(p, g, g.buttonPanel, Family::Main, 34);
  DrawHeading(p, g, g.dpiPanel, Family::Main, 35);
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  // A soft light on the stage behind the mouse.
  const QPointF stage(g.mouseCentre.x(), g.mouseCentre.y() + 110);
  QRadialGradient spot(stage, 190);
  spot.setColorAt(0, QColor(232, 32, 63, 34));
  spot.setColorAt(0.5, QColor(232, 32, 63, 10));
  spot.setColorAt(1, QColor(232, 32, 63, 0));
  p.setClipRect(g.buttonPanel.adjusted(1, 24, -1, -1));
  p.fillRect(g.buttonPanel, spot);
  p.restore();

  std::array<State, 7> parts;
  parts.fill(s);
  DrawMainMouse(p, g.mouseCentre, parts);

  // Leader lines from the labels to the buttons.
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  for (const LeaderLine& l : g.leaders) {
    QPolygonF line;
    for (const QPoint& pt : l.path) line << QPointF(pt) + QPointF(0.5, 0.5);
    p.setPen(QPen(QColor(84, 92, 106), 1));
    p.drawPolyline(line);
    const QPointF end = line.back();
    p.setPen(QPen(palette::kAccent, 1.4));
    p.setBrush(QColor(14, 16, 19));
    p.drawEllipse(end, 2.6, 2.6);
  }
  p.restore();

  // DPI grid: a divider before the step cells and the DPI of each step above them.
  p.save();
  p.setPen(QColor(40, 45, 54));
  p.drawLine(234, g.dpiHeaderY - 2, 234, g.dpiPanel.bottom() - 10);
  p.restore();
  for (int step = 0; step < 12; ++step) {
    const Element* cell = g.Find(Family::Main, 66 + step);
    DrawStrokeText(p, QPointF(cell->rect.center().x() + 0.5, g.dpiHeaderY + 6), 7.0, std::to_string(StepDpi(step)),
                   QColor(150, 158, 170));
  }
  DrawFamily(p, g, Family::Main, s, 20);
}

void DrawAdvancedContent(QPainter& p, const Geometry& g, State s) {
  DrawPanel(p, g.macroPanel);
  DrawPanel(p, g.performancePanel);
  DrawHeading(p, g, g.macroPanel, Family::Advanced, 45);
  DrawHeading(p, g, g.performancePanel, Family::Advanced, 46);
  DrawFamily(p, g, Family::Advanced, s);
  DrawFamily(p, g, Family::Edit, s);
  DrawFamily(p, g, Family::MacroDisplay, s);
  // Divider lines between the groups of the performance panel.
  p.save();
  p.setPen(QColor(36, 41, 49));
  for (int y : {186, 286, 386}) p.drawLine(g.performancePanel.left() + 16, y, g.performancePanel.right() - 16, y);
  p.restore();
}

void DrawColorContent(QPainter& p, const Geometry& g, State s, const QColor& preview) {
  DrawPanel(p, g.previewPanel);
  DrawPanel(p, g.lightingPanel);
  DrawHeading(p, g, g.previewPanel, Family::Color, 21);
  DrawHeading(p, g, g.lightingPanel, Family::Color, 22);
  const Element* stage = g.Find(Family::Color, 32);
  DrawPreview(p, stage->rect, preview);
  p.save();
  p.setPen(QColor(52, 58, 68));
  p.drawRect(stage->rect.adjusted(-1, -1, 0, 0));
  p.setPen(QColor(36, 41, 49));
  for (int y : {170, 266, 366, 456}) p.drawLine(g.lightingPanel.left() + 16, y, g.lightingPanel.right() - 16, y);
  p.restore();
  DrawFamily(p, g, Family::Color, s);
}

// A picture of `size` layout units at `scale`: a painter on it draws in layout
// units, Qt multiplies by the device pixel ratio.
QImage NewImage(QSize size, int scale, QImage::Format format = QImage::Format_RGB32) {
  QImage image(size * scale, format);
  image.setDevicePixelRatio(scale);
  return image;
}

}  // namespace

QImage RenderPage(Page page, State s, const QColor& preview, int scale) {
  const Geometry& g = SkinGeometry();
  QImage image = NewImage(g.window, scale);
  image.fill(palette::kOutside);
  QPainter p(&image);
  DrawFrame(p, g, s);
  switch (page) {
    case Page::Main: DrawMainContent(p, g, s); break;
    case Page::Advanced: DrawAdvancedContent(p, g, s); break;
    case Page::Color: DrawColorContent(p, g, s, preview); break;
  }
  return image;
}

QImage RenderMenu(QSize size, int rowHeight, int rows, State s, bool groupRows, int scale) {
  QImage image = NewImage(size, scale);
  image.fill(palette::kOutside);
  QPainter p(&image);
  const int w = size.width();
  QLinearGradient bg(0, 0, w, 0);
  bg.setColorAt(0, QColor(24, 27, 33));
  bg.setColorAt(1, QColor(18, 20, 25));
  p.fillRect(QRect(QPoint(0, 0), size), bg);
  const QColor separator(50, 56, 66);
  for (int r = 0; r < rows; ++r) {
    const QRect band(0, r * rowHeight, w, rowHeight);
    if (s == State::Over) {
      QLinearGradient g(band.topLeft(), band.topRight());
      g.setColorAt(0, QColor(70, 16, 30));
      g.setColorAt(0.35, QColor(38, 42, 50));
      g.setColorAt(1, QColor(30, 34, 41));
      p.fillRect(band, g);
      p.fillRect(QRect(1, band.top() + 1, 3, rowHeight - 1), palette::kAccent);
    } else if (s == State::Down) {
      p.fillRect(band, QColor(58, 13, 24));
      p.fillRect(QRect(1, band.top() + 1, 3, rowHeight - 1), palette::kAccentBright);
    }
    p.setPen(r == 0 ? palette::kAccent : separator);
    p.drawLine(0, band.top(), w - 1, band.top());
    if (groupRows && r >= 6 && r <= 9) {
      DrawChevron(p, QPointF(w - 14, band.center().y() + 0.5), 9, s == State::Normal ? palette::kSteel : Qt::white);
    }
  }
  // The line below the last row closes the menu, whatever its row count.
  p.setPen(separator);
  p.drawLine(0, rows * rowHeight, w - 1, rows * rowHeight);
  p.setPen(QColor(58, 65, 77));
  p.drawLine(0, 0, 0, size.height() - 1);
  p.drawLine(w - 1, 0, w - 1, size.height() - 1);
  return image;
}

QImage RenderWarning(State s, int scale) {
  const Geometry& g = SkinGeometry();
  QImage image = NewImage(g.warning, scale);
  image.fill(palette::kOutside);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  QPainterPath shape;
  shape.addPolygon(g.warningOutline);
  shape.closeSubpath();
  p.setClipPath(shape);
  const QRectF all(QPointF(0, 0), QSizeF(g.warning));
  QLinearGradient bg(all.topLeft(), all.bottomLeft());
  bg.setColorAt(0, QColor(30, 33, 40));
  bg.setColorAt(1, QColor(16, 18, 22));
  p.fillRect(all, bg);
  QLinearGradient bar(0, 0, g.warning.width(), 0);
  bar.setColorAt(0, QColor(232, 32, 63, 40));
  bar.setColorAt(0.5, palette::kAccentBright);
  bar.setColorAt(1, QColor(232, 32, 63, 40));
  p.fillRect(QRectF(0, 0, g.warning.width(), 3), bar);
  p.setPen(QPen(QColor(70, 78, 92), 3));
  p.setBrush(Qt::NoBrush);
  p.drawPath(shape);
  DrawWarningSign(p, QRectF(g.warning.width() / 2.0 - 15, 14, 30, 27));
  p.setPen(QColor(44, 50, 60));
  p.drawLine(QPointF(20, 92.5), QPointF(g.warning.width() - 20, 92.5));
  p.setClipping(false);
  for (const Element* e : g.Of(Family::Warning)) DrawElement(p, *e, s);
  return image;
}

QImage RenderMask(QSize size, const QPolygon& outline, int scale) {
  QImage mask = NewImage(size, scale, QImage::Format_Grayscale8);
  mask.fill(255);
  QPainter p(&mask);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawPolygon(outline);
  return mask;
}

std::vector<QRect> StateRects(Page page) {
  const Geometry& g = SkinGeometry();
  const Family family = page == Page::Main ? Family::Main : (page == Page::Advanced ? Family::Advanced : Family::Color);
  std::vector<QRect> rects;
  for (const Element& e : g.elements) {
    if (e.rect.isEmpty()) continue;
    if (e.family == family || (e.family == Family::Main && e.index <= 19)) rects.push_back(e.rect);
  }
  return rects;
}

QImage Compose(const QImage& base, const QImage& state, const std::vector<QRect>& rects) {
  QImage out = base.copy();
  QPainter p(&out);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  // The source rectangle is in the state picture's own pixels.
  const int k = static_cast<int>(state.devicePixelRatio());
  for (const QRect& r : rects) p.drawImage(r, state, QRect(r.topLeft() * k, r.size() * k));
  return out;
}

std::map<std::string, QImage> RenderAllPictures(int scale) {
  const Geometry& g = SkinGeometry();
  std::map<std::string, QImage> out;

  out[pic::kMainMask] = RenderMask(g.window, g.windowOutline, scale);
  struct PageNames {
    Page page;
    const char *normal, *over, *down;
    QColor overLight, downLight;
  };
  const PageNames pages[] = {
      {Page::Main, pic::kMainNormal, pic::kMainOver, pic::kMainDown, {}, {}},
      {Page::Advanced, pic::kAdvancedNormal, pic::kAdvancedOver, pic::kAdvancedDown, {}, {}},
      // The Color page's hovered and pressed pictures also preview cycle colours 0 and 1.
      {Page::Color, pic::kColorNormal, pic::kColorOver, pic::kColorDown, CycleColour(0), CycleColour(1)},
  };
  for (const PageNames& n : pages) {
    const QImage base = RenderPage(n.page, State::Normal, QColor(), scale);
    const auto rects = StateRects(n.page);
    out[n.normal] = base;
    out[n.over] = Compose(base, RenderPage(n.page, State::Over, n.overLight, scale), rects);
    out[n.down] = Compose(base, RenderPage(n.page, State::Down, n.downLight, scale), rects);
  }
  const QImage& colorBase = out[pic::kColorNormal];
  const QRect preview = g.Find(Family::Color, 32)->rect;
  const char* previews[] = {pic::kColorPink, pic::kColorGreen, pic::kColorRed, pic::kColorCyan, pic::kColorWhite};
  for (int k = 2; k <= 6; ++k) {
    out[previews[k - 2]] =
        Compose(colorBase, RenderPage(Page::Color, State::Normal, CycleColour(k), scale), {preview});
  }

  struct MenuNames {
    QSize size;
    int rows;
    bool groups;
    const char *mask, *normal, *over, *down;
  };
  const MenuNames menus[] = {
      {g.menu, pic::kMenuRows, true, pic::kMenuMask, pic::kMenuNormal, pic::kMenuOver, pic::kMenuDown},
      {g.subMenu, pic::kSubMenuRows, false, pic::kSubMenuMask, pic::kSubMenuNormal, pic::kSubMenuOver,
       pic::kSubMenuDown},
  };
  for (const MenuNames& m : menus) {
    QImage mask = NewImage(m.size, scale, QImage::Format_Grayscale8);
    mask.fill(0);
    out[m.mask] = mask;
    out[m.normal] = RenderMenu(m.size, g.menuRowHeight, m.rows, State::Normal, m.groups, scale);
    out[m.over] = RenderMenu(m.size, g.menuRowHeight, m.rows, State::Over, m.groups, scale);
    out[m.down] = RenderMenu(m.size, g.menuRowHeight, m.rows, State::Down, m.groups, scale);
  }

  out[pic::kWarningMask] = RenderMask(g.warning, g.warningOutline, scale);
  const QImage warning = RenderWarning(State::Normal, scale);
  out[pic::kWarningNormal] = warning;
  out[pic::kWarningOver] =
      Compose(warning, RenderWarning(State::Over, scale),
              {g.Find(Family::Warning, 0)->rect, g.Find(Family::Warning, 1)->rect});
  return out;
}

}  // namespace orv::skin_gen
