#pragma once
// The tray icon and its menu. The icon is made once the first frame is out
// (its set-up talks to the session bus, which is no part of the first frame).
#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "skin/owner_drawn_menu.h"

class QMenu;
class QStyle;
class QAction;
class QSystemTrayIcon;
class QWidget;

namespace orv::app {

class Tray final : public QObject {
 public:
  // The menu is a child of `window`, drawn in `menuStyle`; a click or double
  // click on the icon calls `onShow`.
  Tray(QWidget& window, QStyle& menuStyle, std::function<void()> onShow);
  ~Tray() override;
  Tray(const Tray&) = delete;
  Tray& operator=(const Tray&) = delete;

  // Whether the desktop has a notification area.
  static bool Available();
  // The icon is wanted: shown at once when the first frame is out, else
  // after it (or a second from now, should that frame never come).
  void Add(bool firstFrameOut);
  // The first frame is out: the icon is made when it is wanted.
  void OnFirstFrame() { Create(); }
  void Remove();
  // The window goes away: the icon goes and never comes back.
  void End();
  // Rebuilds the menu from the shown items of the language's owner-drawn
  // menu; a chosen item's identifier goes to `onCommand`.
  void LoadMenu(const std::vector<skin::MenuNode>& items, std::function<void(int)> onCommand);
  // A line below the menu's items, asked for each time the menu opens (the
  // active profile); none when `line` is empty.
  void SetStatusLine(std::function<std::string()> line) { statusLine_ = std::move(line); }

 private:
  void Create();

  QWidget& window_;
  QStyle& menuStyle_;
  std::function<void()> onShow_;
  std::function<std::string()> statusLine_;
  QMenu* menu_ = nullptr;
  QAction* statusAction_ = nullptr;
  QSystemTrayIcon* icon_ = nullptr;
  bool wanted_ = false;  // Add came, Remove did not
  bool ended_ = false;
};

}  // namespace orv::app
