#pragma once
// The popup windows of the main window: the two button-function menus and the
// warning before the last left click is given away. Thin window adapters: the
// rows, placements and choices are skin/function_menu.h's and the
// controller's; the pictures are composed by gui/menu_painting.h.
//
// The menus are frameless tool windows without a taskbar entry that never
// take the keyboard focus, so the main window stays the active one.
#include <QDialog>
#include <QFont>
#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <functional>

#include "app/app_port.h"
#include "app/app_state.h"
#include "skin/function_menu.h"

namespace orv::app {

// Titles of the popup windows (the first-level menu's is also what other
// programs and the end-to-end tests find it by).
inline constexpr const char* kMenuTitle = "MainMenuDlg";
inline constexpr const char* kSubMenuTitle = "SubMenuDlg";
inline constexpr const char* kWarningTitle = "WarningDlg";

class SubFunctionMenu;

// What the popups need of the main window.
struct PopupEnvironment {
  AppState* state = nullptr;
  AppPort* port = nullptr;
  std::filesystem::path skinDir;
  QFont font;  // the interface language's text font
  // Paints the main window at once (which closes the first-level menu after a
  // second-level choice).
  std::function<void()> paintMainNow;
};

// The first-level menu: ten rows of functions and groups.
class FunctionMenu final : public QWidget {
 public:
  FunctionMenu(QWidget* mainWindow, PopupEnvironment env);
  ~FunctionMenu() override;

  // Sizes and shapes the menu from its mask, puts it at `anchor` (kept on the
  // screen) and shows it.
  void Open(Point anchor);
  // Hides both menus and releases them once control is back in the event loop.
  void CloseAll();
  int menuRow() const { return menuRow_; }

  // The keyboard while the menu is open (it never takes the focus: the main
  // window passes its keys on). Up and Down move the lit row, Right or Enter
  // on a group goes into its list and Left comes back, Enter or Space
  // chooses. True when the key was the menu's.
  bool OnKey(int key);
  // What a release over `row` does: a function row chooses, a group row
  // opens its list. Assistive technology and the keyboard press rows so.
  void PressRow(int row);
  // Lights `row` (kNoIndex: none), opening its list when it is a group.
  void LightRow(int row);
  std::string RowText(int row) const;
  SubFunctionMenu* subMenu() const { return subMenu_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Closes the second-level menu and opens a new one while a group row is
  // hovered; runs at every repaint the menu asks for.
  void Repaint();
  void SyncSubMenu();
  void OnSubMenuChoice();
  bool ChooseRow(int row);

  PopupEnvironment env_;
  skin::MenuMetrics metrics_;
  int menuRow_ = skin::kNoIndex;
  int menuRowPainted_ = skin::kNoIndex;
  bool menuPressed_ = false;
  bool closing_ = false;
  bool keysInSubMenu_ = false;  // the arrows move in the second-level list
  QPointer<SubFunctionMenu> subMenu_;
  friend class SubFunctionMenu;
};

// The second-level menu of one group.
class SubFunctionMenu final : public QWidget {
 public:
  SubFunctionMenu(FunctionMenu* parent, const PopupEnvironment& env, int menuRow);

  void Open();
  int rows() const { return metrics_.rows; }
  int hotRow() const { return hotRow_; }
  // Lights `row` (kNoIndex: none) as the pointer over it would.
  void LightRow(int row);
  // Chooses `row` as a release over it does; true when it was a row.
  bool ChooseRow(int row);
  std::string RowText(int row) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  FunctionMenu* menu_;
  PopupEnvironment env_;
  int menuRow_;
  skin::MenuMetrics metrics_;
  std::vector<std::string> texts_;
  int hotRow_ = skin::kNoIndex;
  int hotRowPainted_ = skin::kNoIndex;
  bool rowPressed_ = false;
};

// The warning: confirm or cancel. exec() gives kWarningConfirm or
// kWarningCancel; Escape and a close by the window manager count as cancel,
// so the last left click is never given away by accident.
class WarningDialog final : public QDialog {
 public:
  WarningDialog(QWidget* mainWindow, const PopupEnvironment& env);

  void done(int result) override;
  void reject() override;
  // Confirm (skin::kWarningConfirm) or cancel (kWarningCancelButton), as a
  // release over that button does.
  void Choose(int button);
  const skin::SkinLayout& Layout() const { return env_.state->layout; }

 protected:
  // Left, Right and Tab light the other button (Cancel first); Enter or
  // Space chooses the lit one; Escape cancels.
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  PopupEnvironment env_;
  int hover_ = skin::kNoIndex;
  int hoverPainted_ = skin::kNoIndex;
};

// Shows the warning modally at the state's menuAnchor.
int ShowWarning(QWidget* mainWindow, const PopupEnvironment& env);

}  // namespace orv::app
