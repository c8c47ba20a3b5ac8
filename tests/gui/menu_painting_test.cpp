// Painting of the owner-drawn menu items, the function menus and the warning,
// checked pixel by pixel on images.
#include "gui/menu_painting.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionMenuItem>

#include "gui/menu_style.h"

namespace orv::skin {
namespace {

QRgb Rgb(int r, int g, int b) { return qRgb(r, g, b); }

QImage Blank(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::black);
  return image;
}

// Draws through the style, as a menu of the window toolkit asks for it.
QImage StyledItem(int w, int h, QStyleOptionMenuItem::MenuItemType type, bool selected, const QString& text,
                  const QColor& pen) {
  OwnerDrawnMenuStyle style;
  QImage image = Blank(w, h);
  QPainter p(&image);
  p.setPen(pen);
  QStyleOptionMenuItem opt;
  opt.rect = QRect(0, 0, w, h);
  opt.menuItemType = type;
  opt.text = text;
  opt.state = QStyle::State_Enabled | (selected ? QStyle::State_Selected : QStyle::State_None);
  opt.font = QApplication::font();
  style.drawControl(QStyle::CE_MenuItem, &opt, &p);
  return image;
}

TEST(MenuPainting, MeasureByCharacters) {
  EXPECT_EQ(MeasureMenuItem("Down ", MenuItemKind::Command), QSize(40, 20));
  EXPECT_EQ(MeasureMenuItem("Down", MenuItemKind::Command), QSize(32, 20));
  EXPECT_EQ(MeasureMenuItem(QString::fromUtf8("Sürücüden çık"), MenuItemKind::Command), QSize(104, 20));
  EXPECT_EQ(MeasureMenuItem("Add Forward", MenuItemKind::Submenu), QSize(88, 20));
  EXPECT_EQ(MeasureMenuItem("", MenuItemKind::Separator), QSize(0, 1));
}

TEST(MenuPainting, SelectedItemIsAFrameAroundTheTruncatedGradient) {
  const QImage image = StyledItem(120, 20, QStyleOptionMenuItem::Normal, true, "", QColor(10, 20, 30));
  const QRgb frame = Rgb(10, 20, 30);
  for (int x = 0; x < 120; ++x) {
    EXPECT_EQ(image.pixel(x, 0), frame) << x;
    EXPECT_EQ(image.pixel(x, 19), frame) << x;
  }
  for (int y = 0; y < 20; ++y) {
    EXPECT_EQ(image.pixel(0, y), frame) << y;
    EXPECT_EQ(image.pixel(119, y), frame) << y;
  }
  // 18 inner lines, green rising by 14 from 0 to 238.
  for (int line = 0; line < 18; ++line) {
    EXPECT_EQ(image.pixel(1, 1 + line), Rgb(0, 14 * line, 255)) << line;
    EXPECT_EQ(image.pixel(118, 1 + line), Rgb(0, 14 * line, 255)) << line;
  }
}

TEST(MenuPainting, ItemsShowBackgroundAndWhiteTextFromTheLeftIndent) {
  for (auto type : {QStyleOptionMenuItem::Normal, QStyleOptionMenuItem::SubMenu}) {
    const QImage image = StyledItem(120, 20, type, false, "MMMM", Qt::black);
    EXPECT_EQ(image.pixel(0, 0), Rgb(0, 120, 153));
    bool whiteBeforeIndent = false, white = false;
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < 60; ++x) {
        if (image.pixel(x, y) == Rgb(255, 255, 255)) (x < kMenuTextIndent ? whiteBeforeIndent : white) = true;
      }
    }
    EXPECT_TRUE(white);
    EXPECT_FALSE(whiteBeforeIndent);
  }
  // A submenu opener is selected like a command.
  const QImage sub = StyledItem(120, 20, QStyleOptionMenuItem::SubMenu, true, "", Qt::black);
  EXPECT_EQ(sub.pixel(1, 18), Rgb(0, 238, 255));
}

TEST(MenuPainting, SeparatorIsARedAndBlueFrameMovedRight) {
  const QImage image = StyledItem(100, 10, QStyleOptionMenuItem::Separator, false, "", Qt::black);
  EXPECT_EQ(image.pixel(24, 0), Rgb(0, 0, 0));       // left of the frame: untouched
  EXPECT_EQ(image.pixel(25, 0), Rgb(255, 0, 0));     // top
  EXPECT_EQ(image.pixel(25, 5), Rgb(255, 0, 0));     // left
  EXPECT_EQ(image.pixel(98, 0), Rgb(255, 0, 0));
  EXPECT_EQ(image.pixel(99, 0), Rgb(0, 0, 255));     // right
  EXPECT_EQ(image.pixel(99, 5), Rgb(0, 0, 255));
  EXPECT_EQ(image.pixel(25, 9), Rgb(0, 0, 255));     // bottom
  EXPECT_EQ(image.pixel(50, 5), Rgb(0, 0, 0));       // inside: nothing
  // At its measured height of one line the bottom edge, drawn last, covers it.
  const QImage thin = StyledItem(100, 1, QStyleOptionMenuItem::Separator, false, "", Qt::black);
  EXPECT_EQ(thin.pixel(25, 0), Rgb(0, 0, 255));
  EXPECT_EQ(thin.pixel(24, 0), Rgb(0, 0, 0));
}

TEST(MenuPainting, MenuOfTheToolkitTakesTheMeasuredSizes) {
  OwnerDrawnMenuStyle style;
  QMenu menu;
  menu.setStyle(&style);
  menu.addAction("Down ");
  menu.addAction("Up");
  // The widest measured item plus the check-mark area; 20 pixels per item.
  EXPECT_EQ(menu.sizeHint(), QSize(40 + kMenuCheckAreaWidth, 40));
  menu.setStyle(nullptr);
}

TEST(MenuPainting, FunctionMenuWithRowThreeHovered) {
  const MenuMetrics m{190, 26, 261, 10};
  PictureSurface normal(190, 261, MakeColour(0, 0, 0));
  const PictureSurface over(190, 261, MakeColour(0, 200, 0));
  std::vector<std::string> texts;
  for (int r = 1; r <= 10; ++r) texts.push_back("Row" + std::to_string(r));
  QFont font = QApplication::font();
  font.setPixelSize(14);
  const PictureSurface shown = ComposeFunctionMenu(normal, over, m, 3, texts, font);
  // The hovered band comes from the row picture; the others stay.
  EXPECT_EQ(shown.PixelAt(1, 2 * 26 + 1), MakeColour(0, 200, 0));
  EXPECT_EQ(shown.PixelAt(1, 2 * 26 + 25), MakeColour(0, 200, 0));
  EXPECT_EQ(shown.PixelAt(1, 3 * 26), MakeColour(0, 0, 0));
  EXPECT_EQ(shown.PixelAt(1, 2 * 26 - 1), MakeColour(0, 0, 0));
  // Red text only in row 3, white text in every other row.
  auto count = [&](int row, auto test) {
    int n = 0;
    for (int y = (row - 1) * 26; y < row * 26; ++y) {
      for (int x = 0; x < 190; ++x) n += test(shown.PixelAt(x, y)) ? 1 : 0;
    }
    return n;
  };
  auto red = [](ColourRef c) { return RedOf(c) > 200 && GreenOf(c) < 60 && BlueOf(c) < 60; };
  auto white = [](ColourRef c) { return RedOf(c) > 200 && GreenOf(c) > 200 && BlueOf(c) > 200; };
  EXPECT_GT(count(3, red), 0);
  EXPECT_EQ(count(3, white), 0);
  for (int row : {1, 2, 4, 10}) {
    EXPECT_GT(count(row, white), 0) << row;
    EXPECT_EQ(count(row, red), 0) << row;
  }
  // Nothing hovered: no band copied.
  const PictureSurface plain = ComposeFunctionMenu(normal, over, m, kNoIndex, texts, font);
  EXPECT_EQ(plain.PixelAt(1, 2 * 26 + 1), MakeColour(0, 0, 0));
}

TEST(MenuPainting, WarningCopiesTheHoveredButton) {
  const std::array<LayoutRect, 3> hits{LayoutRect{10, 60, 50, 20}, LayoutRect{80, 60, 50, 20},
                                       LayoutRect{0, 0, 140, 50}};
  const std::array<std::string, 3> texts{"", "", ""};
  const PictureSurface normal(140, 90, MakeColour(0, 0, 0));
  const PictureSurface over(140, 90, MakeColour(9, 9, 99));
  const QFont font = QApplication::font();
  const PictureSurface confirm = ComposeWarning(normal, over, kWarningConfirm, hits, texts, font);
  EXPECT_EQ(confirm.PixelAt(10, 60), MakeColour(9, 9, 99));
  EXPECT_EQ(confirm.PixelAt(80, 60), MakeColour(0, 0, 0));
  const PictureSurface cancel = ComposeWarning(normal, over, kWarningCancelButton, hits, texts, font);
  EXPECT_EQ(cancel.PixelAt(10, 60), MakeColour(0, 0, 0));
  EXPECT_EQ(cancel.PixelAt(129, 79), MakeColour(9, 9, 99));
  const PictureSurface none = ComposeWarning(normal, over, kNoIndex, hits, texts, font);
  EXPECT_EQ(none.PixelAt(10, 60), MakeColour(0, 0, 0));
}

}  // namespace
}  // namespace orv::skin
