#pragma once
// The look of the owner-drawn menus as a style of the window toolkit: every
// item of a menu that uses it is measured and drawn by menu_painting.h, and
// the menu has no margins or frame of its own, so the items fill it.
#include <QProxyStyle>

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

}  // namespace orv::skin
