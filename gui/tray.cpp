#include "gui/tray.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include "app/app_state.h"
#include "gui/app_icon.h"
#include "gui/menu_style.h"

namespace orv::app {

Tray::Tray(QWidget& window, QStyle& menuStyle, std::function<void()> onShow)
    : window_(window), menuStyle_(menuStyle), onShow_(std::move(onShow)) {
  // Filled per language (LoadMenu).
  menu_ = new QMenu(&window_);
  menu_->setStyle(&menuStyle_);
  connect(menu_, &QMenu::aboutToShow, this, [this] {
    if (statusAction_ != nullptr && statusLine_) statusAction_->setText(QString::fromStdString(statusLine_()));
  });
}

// The menu uses the style, which may go before the window's children do.
Tray::~Tray() { delete menu_; }

bool Tray::Available() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void Tray::Add(bool firstFrameOut) {
  wanted_ = true;
  if (firstFrameOut) {
    Create();
  } else {
    // Made after the first frame; should that frame never come (a window
    // system that never shows the window), a second later anyway.
    QTimer::singleShot(1000, this, [this] { Create(); });
  }
}

void Tray::Create() {
  if (!wanted_ || ended_ || (icon_ != nullptr && icon_->isVisible())) return;
  if (icon_ == nullptr) {
    icon_ = new QSystemTrayIcon(AppIcon(), &window_);
    icon_->setToolTip(QString::fromStdString(kWindowTitle));
    icon_->setContextMenu(menu_);
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
      // Trays speaking the StatusNotifierItem protocol send no double click,
      // only the single click (Trigger): both show the window.
      const bool show = reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger;
      if (show && !ended_) onShow_();
    });
  }
  icon_->show();
}

void Tray::Remove() {
  wanted_ = false;
  if (icon_) icon_->hide();
}

void Tray::End() {
  ended_ = true;
  if (icon_) icon_->hide();
}

void Tray::LoadMenu(const std::vector<skin::MenuNode>& items, std::function<void(int)> onCommand) {
  menu_->clear();
  statusAction_ = nullptr;
  skin::FillMenu(*menu_, items, menuStyle_, onCommand);
  // Below the menu's own items, which keep their places.
  if (statusLine_) {
    menu_->addSeparator();
    statusAction_ = menu_->addAction(QString::fromStdString(statusLine_()));
    statusAction_->setEnabled(false);
  }
}

}  // namespace orv::app
