#pragma once
// The look of the owner-drawn menus as a style of the window toolkit: every
// item of a menu that uses it is measured and drawn by menu_painting.h, and
// the menu has no margins or frame of its own, so the items fill it.
#include <QProxyStyle>
#include <functional>
#include <vector>

#include "skin/owner_drawn_menu.h"

class QMenu;

namespace orv::skin {

class OwnerDrawnMenuStyle final : public QProxyStyle {
 public:
  OwnerDrawnMenuStyle();

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget = nullptr) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;
  int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                QStyleHintReturn* returnData = nullptr) const override;
};

// Fills `menu` with the shown items of an owner-drawn menu, submenus drawn in
// `style` too. An item beyond the object's entries is still shown, drawn the
// same way from its own text: no command is lost. A chosen item's identifier
// goes to `onCommand`.
void FillMenu(QMenu& menu, const std::vector<MenuNode>& items, QStyle& style, const std::function<void(int)>& onCommand);

}  // namespace orv::skin
