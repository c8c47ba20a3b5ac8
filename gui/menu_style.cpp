#include "gui/menu_style.h"

#include <QMenu>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include "gui/menu_painting.h"

namespace orv::skin {
namespace {

MenuItemKind KindOf(const QStyleOptionMenuItem& item) {
  switch (item.menuItemType) {
    case QStyleOptionMenuItem::Separator: return MenuItemKind::Separator;
    case QStyleOptionMenuItem::SubMenu: return MenuItemKind::Submenu;
    default: return MenuItemKind::Command;
  }
}

// The item's text without a shortcut part (the menus have none).
QString ItemText(const QStyleOptionMenuItem& item) { return item.text.section(QLatin1Char('\t'), 0, 0); }

}  // namespace

// Based on Fusion, which draws every menu part through the style, so nothing
// of the desktop's own look shows between the items.
OwnerDrawnMenuStyle::OwnerDrawnMenuStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}

void OwnerDrawnMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                      const QWidget* widget) const {
  if (element == CE_MenuItem) {
    if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
      const MenuItemKind kind = KindOf(*item);
      const bool selected = (item->state & State_Selected) != 0 && (item->state & State_Enabled) != 0;
      // The frame of the selected item is drawn in the surface's current pen.
      DrawMenuItem(*painter, item->rect, ItemText(*item), kind, selected, painter->pen(), item->font);
      if (kind == MenuItemKind::Command && item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked) {
        // A checked item: a white tick in the check area at the item's right end.
        const QRect r = item->rect;
        const int cx = r.right() - 8;
        const int cy = r.center().y();
        const QPoint tick[3] = {{cx - 4, cy}, {cx - 1, cy + 3}, {cx + 4, cy - 3}};
        painter->save();
        painter->setPen(QPen(ToQColor(kMenuText), 2));
        painter->drawPolyline(tick, 3);
        painter->restore();
      }
      if (!(item->state & State_Enabled) && kind == MenuItemKind::Command) {
        // A disabled item (a note) is dimmed over the item's own drawing.
        painter->fillRect(item->rect, QColor(ToQColor(kMenuItemBackground).red(), ToQColor(kMenuItemBackground).green(),
                                             ToQColor(kMenuItemBackground).blue(), 110));
      }
      if (kind == MenuItemKind::Submenu) {
        // The submenu arrow: a small white triangle at the item's right end.
        const QRect r = item->rect;
        const int cx = r.right() - 6;
        const int cy = r.center().y();
        const QPoint arrow[3] = {{cx - 3, cy - 4}, {cx + 1, cy}, {cx - 3, cy + 4}};
        painter->save();
        painter->setPen(Qt::NoPen);
        painter->setBrush(ToQColor(kMenuText));
        painter->drawPolygon(arrow, 3);
        painter->restore();
      }
      return;
    }
  }
  if (element == CE_MenuEmptyArea) {
    painter->fillRect(option->rect, ToQColor(kMenuItemBackground));
    return;
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

void OwnerDrawnMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                        const QWidget* widget) const {
  if (element == PE_PanelMenu || element == PE_FrameMenu) {
    painter->fillRect(option->rect, ToQColor(kMenuItemBackground));
    return;
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

QSize OwnerDrawnMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                            const QWidget* widget) const {
  if (type == CT_MenuItem) {
    if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
      QSize measured = MeasureMenuItem(ItemText(*item), KindOf(*item));
      measured.rwidth() += kMenuCheckAreaWidth;
      return measured;
    }
  }
  return QProxyStyle::sizeFromContents(type, option, size, widget);
}

int OwnerDrawnMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  switch (metric) {
    case PM_MenuPanelWidth:
    case PM_MenuHMargin:
    case PM_MenuVMargin:
    case PM_MenuDesktopFrameWidth:
      return 0;
    default: return QProxyStyle::pixelMetric(metric, option, widget);
  }
}

int OwnerDrawnMenuStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                   QStyleHintReturn* returnData) const {
  if (hint == SH_Menu_Scrollable) return 0;
  return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void FillMenu(QMenu& menu, const std::vector<MenuNode>& items, QStyle& style, const std::function<void(int)>& onCommand) {
  for (const MenuNode& item : items) {
    if (item.itemId == kSeparatorId) {
      menu.addSeparator();
    } else if (item.itemId == kSubmenuId) {
      QMenu* sub = menu.addMenu(QString::fromStdString(item.text));
      sub->setStyle(&style);
      FillMenu(*sub, item.children, style, onCommand);
    } else {
      QAction* action = menu.addAction(QString::fromStdString(item.text));
      const int id = item.itemId;
      QObject::connect(action, &QAction::triggered, &menu, [onCommand, id] { onCommand(id); });
    }
  }
}

}  // namespace orv::skin
