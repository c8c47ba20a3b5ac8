#include "gui/popups.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <mutex>

#include "app/controller.h"
#include "gui/accessibility.h"
#include "gui/menu_painting.h"
#include "gui/picture.h"
#include "platform/log.h"
#include "skin/picture_names.h"
#include "gui/region.h"

namespace orv::app {
namespace {

namespace pic = skin::pictures;

constexpr Qt::WindowFlags kPopupFlags =
    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint;

skin::PictureSurface Load(const PopupEnvironment& env, const char* name) { return skin::LoadPicture(env.skinDir / name); }

QSize MaskSize(const PopupEnvironment& env, const char* name) {
  const skin::PictureSurface mask = Load(env, name);
  return QSize(mask.width(), mask.height());
}

skin::ScreenRect ScreenAround(const QPoint& at, const QWidget* fallback) {
  const QScreen* screen = QGuiApplication::screenAt(at);
  if (screen == nullptr && fallback != nullptr) screen = fallback->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  const QRect r = screen->availableGeometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

QPoint ToQPoint(skin::ScreenPoint p) { return QPoint(p.x, p.y); }

void PreparePopup(QWidget& w, const char* title) {
  w.setWindowTitle(QString::fromUtf8(title));
  w.setAttribute(Qt::WA_ShowWithoutActivating);
  w.setAttribute(Qt::WA_OpaquePaintEvent);
  w.setAttribute(Qt::WA_NoSystemBackground);
  w.setFocusPolicy(Qt::NoFocus);
  w.setMouseTracking(true);
}

void DrawSurface(QWidget& w, const skin::PictureSurface& surface, int width, int height) {
  QPainter p(&w);
  p.drawImage(QRect(0, 0, width, height), surface.image(), QRect(0, 0, width, height));
}

QPoint EventPoint(const QMouseEvent* e) { return e->position().toPoint(); }

}  // namespace

// ---- First-level menu ----

FunctionMenu::FunctionMenu(QWidget* mainWindow, PopupEnvironment env)
    : QWidget(mainWindow, kPopupFlags), env_(std::move(env)) {
  PreparePopup(*this, kMenuTitle);
}

FunctionMenu::~FunctionMenu() = default;

void FunctionMenu::Open(Point anchor) {
  const QSize mask = MaskSize(env_, pic::kMenuMask);
  metrics_ = skin::FirstLevelMetrics(mask.width(), mask.height());
  menuRow_ = skin::kNoIndex;
  menuRowPainted_ = skin::kNoIndex;
  setFixedSize(std::max(1, metrics_.itemWidth), std::max(1, metrics_.shownHeight));
  skin::ApplyShape(*this, skin::RowRegion(metrics_.itemWidth, metrics_.itemHeight, metrics_.rows));
  const skin::ScreenPoint at = skin::KeepOnScreen({anchor.x, anchor.y}, metrics_.itemWidth, metrics_.shownHeight,
                                                  ScreenAround(QPoint(anchor.x, anchor.y), parentWidget()));
  move(ToQPoint(at));
  show();
}

void FunctionMenu::CloseAll() {
  if (closing_) return;
  closing_ = true;
  if (subMenu_) {
    subMenu_->hide();
    subMenu_->deleteLater();
  }
  hide();
  deleteLater();
}

void FunctionMenu::paintEvent(QPaintEvent*) {
  std::vector<std::string> texts;
  for (int r = 1; r <= skin::kMenuShownRows; ++r) texts.push_back(env_.state->layout.FunctionNames[static_cast<size_t>(r)]);
  const skin::PictureSurface composed =
      skin::ComposeFunctionMenu(Load(env_, pic::kMenuNormal), Load(env_, menuPressed_ ? pic::kMenuDown : pic::kMenuOver),
                                metrics_, menuRow_, texts, env_.font);
  DrawSurface(*this, composed, metrics_.itemWidth, metrics_.shownHeight);
}

void FunctionMenu::Repaint() {
  update();
  SyncSubMenu();
}

void FunctionMenu::SyncSubMenu() {
  if (closing_) return;
  if (subMenu_) {
    subMenu_->hide();
    subMenu_->deleteLater();
    subMenu_ = nullptr;
  }
  if (!skin::IsGroupRow(menuRow_)) return;
  subMenu_ = new SubFunctionMenu(this, env_, menuRow_);
  subMenu_->Open();
}

void FunctionMenu::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = EventPoint(e);
  keysInSubMenu_ = false;
  menuRow_ = skin::MenuRowAt(p.x(), p.y(), metrics_.itemWidth, metrics_.itemHeight, skin::kMenuHoverRows);
  if (menuRow_ != menuRowPainted_) {
    menuRowPainted_ = menuRow_;
    Repaint();
  }
}

void FunctionMenu::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  menuPressed_ = true;
  Repaint();
}

void FunctionMenu::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  menuPressed_ = false;
  if (ChooseRow(menuRow_)) return;
  Repaint();
}

bool FunctionMenu::ChooseRow(int row) {
  if (!ChooseMenuRow(*env_.state, row, *env_.port)) return false;
  env_.port->CloseButtonMenu();
  return true;
}

void FunctionMenu::LightRow(int row) {
  if (closing_) return;
  keysInSubMenu_ = false;
  menuRow_ = row;
  menuRowPainted_ = row;
  Repaint();
  NotifyMenuRowLit(*this, row);
}

void FunctionMenu::PressRow(int row) {
  if (closing_ || row < 1 || row > skin::kMenuShownRows) return;
  if (skin::IsGroupRow(row)) {
    if (menuRow_ != row) LightRow(row);
    return;
  }
  LightRow(row);
  ChooseRow(row);
}

std::string FunctionMenu::RowText(int row) const {
  if (row < 1 || row > skin::kMenuShownRows) return {};
  return env_.state->layout.FunctionNames[static_cast<size_t>(row)];
}

bool FunctionMenu::OnKey(int key) {
  if (closing_) return false;
  SubFunctionMenu* sub = subMenu_;
  const bool inSub = keysInSubMenu_ && sub != nullptr && sub->rows() > 0;
  const auto step = [](int row, int delta, int last) {
    if (row == skin::kNoIndex || row < 1 || row > last) return delta > 0 ? 1 : last;
    return std::clamp(row + delta, 1, last);
  };
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down: {
      const int delta = key == Qt::Key_Down ? 1 : -1;
      if (inSub) {
        sub->LightRow(step(sub->hotRow(), delta, sub->rows()));
      } else {
        LightRow(step(menuRow_, delta, skin::kMenuShownRows));
      }
      return true;
    }
    case Qt::Key_Right:
      if (!inSub && skin::IsGroupRow(menuRow_) && sub != nullptr && sub->rows() > 0) {
        keysInSubMenu_ = true;
        sub->LightRow(1);
      }
      return true;
    case Qt::Key_Left:
      if (inSub) {
        keysInSubMenu_ = false;
        sub->LightRow(skin::kNoIndex);
      }
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if (inSub) {
        sub->ChooseRow(sub->hotRow());
      } else if (skin::IsGroupRow(menuRow_)) {
        return OnKey(Qt::Key_Right);
      } else {
        ChooseRow(menuRow_);
      }
      return true;
    default: return false;
  }
}

void FunctionMenu::OnSubMenuChoice() {
  // The main window's paint closes this menu (through closeMenuOnPaint); it
  // is closed here as well in case the paint did not happen at once.
  hide();
  if (env_.paintMainNow) env_.paintMainNow();
  if (ConsumeCloseMenuOnPaint(*env_.state)) env_.port->CloseButtonMenu();
  CloseAll();
}

// ---- Second-level menu ----

SubFunctionMenu::SubFunctionMenu(FunctionMenu* parent, const PopupEnvironment& env, int menuRow)
    : QWidget(parent, kPopupFlags), menu_(parent), env_(env), menuRow_(menuRow) {
  PreparePopup(*this, kSubMenuTitle);
}

void SubFunctionMenu::Open() {
  AppState& s = *env_.state;
  const skin::SkinLayout& layout = s.layout;
  int macroCount = 0;
  {
    std::lock_guard lock(s.macros.mutex);
    macroCount = std::clamp<int>(s.macros.userMacroCount, 0, macros::MAX_USER_MACROS);
    if (menuRow_ == skin::kMenuRowMacros) {
      for (int i = 0; i < macroCount; ++i) texts_.push_back(macros::MacroName(s.macros.userMacros[static_cast<size_t>(i)]));
    }
  }
  const int rows = skin::GroupRowCount(menuRow_, macroCount, 0);
  if (menuRow_ != skin::kMenuRowMacros) {
    const int base = skin::GroupCodeBase(menuRow_);
    for (int b = 1; b <= rows; ++b) {
      const int slot = base + b;
      texts_.push_back(slot < skin::kFunctionNameSlots ? layout.FunctionNames[static_cast<size_t>(slot)] : std::string());
    }
  }
  const QSize mask = MaskSize(env_, pic::kSubMenuMask);
  metrics_ = skin::SecondLevelMetrics(mask.width(), mask.height(), rows);
  hotRow_ = skin::kNoIndex;
  hotRowPainted_ = skin::kNoIndex;
  rowPressed_ = false;
  s.ui.closeMenuOnPaint = false;
  setFixedSize(std::max(1, metrics_.itemWidth), std::max(1, metrics_.shownHeight));
  // Without rows the shape is empty: nothing shows and nothing takes a click.
  skin::ApplyShape(*this, skin::RowRegion(metrics_.itemWidth, metrics_.itemHeight, metrics_.rows));
  const QRect parentRect = menu_->geometry();
  const skin::ScreenRect parent{parentRect.x(), parentRect.y(), menu_->metrics_.itemWidth, menu_->metrics_.shownHeight};
  const int32_t offset = skin::SubMenuOffset(menuRow_, macroCount, menu_->metrics_.itemHeight);
  const skin::ScreenPoint at = skin::PlaceSubMenu(parent, metrics_.itemWidth, offset, metrics_.shownHeight,
                                                  ScreenAround(parentRect.topLeft(), menu_));
  move(ToQPoint(at));
  if (metrics_.rows > 0) show();
}

void SubFunctionMenu::paintEvent(QPaintEvent*) {
  const skin::PictureSurface composed = skin::ComposeFunctionMenu(
      Load(env_, pic::kSubMenuNormal), Load(env_, rowPressed_ ? pic::kSubMenuDown : pic::kSubMenuOver), metrics_,
      hotRow_, texts_, env_.font);
  DrawSurface(*this, composed, metrics_.itemWidth, metrics_.shownHeight);
}

void SubFunctionMenu::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = EventPoint(e);
  hotRow_ = skin::MenuRowAt(p.x(), p.y(), metrics_.itemWidth, metrics_.itemHeight, metrics_.rows);
  if (hotRow_ != hotRowPainted_) {
    hotRowPainted_ = hotRow_;
    update();
  }
}

void SubFunctionMenu::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  rowPressed_ = true;
  update();
}

void SubFunctionMenu::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  rowPressed_ = false;
  update();
  ChooseRow(hotRow_);
}

void SubFunctionMenu::LightRow(int row) {
  hotRow_ = row;
  hotRowPainted_ = row;
  update();
  NotifyMenuRowLit(*this, row);
}

bool SubFunctionMenu::ChooseRow(int row) {
  if (row != skin::kNoIndex && (row < 1 || row > metrics_.rows)) return false;
  if (!ChooseSubMenuRow(*env_.state, menuRow_, row, *env_.port)) return false;
  hide();
  menu_->OnSubMenuChoice();
  return true;
}

std::string SubFunctionMenu::RowText(int row) const {
  if (row < 1 || row > static_cast<int>(texts_.size())) return {};
  return texts_[static_cast<size_t>(row - 1)];
}

// ---- Warning ----

WarningDialog::WarningDialog(QWidget* mainWindow, const PopupEnvironment& env)
    : QDialog(mainWindow, Qt::Dialog | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint), env_(env) {
  setWindowTitle(QString::fromUtf8(kWarningTitle));
  setModal(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  const skin::MaskShape shape = skin::RegionFromMask(env_.skinDir / pic::kWarningMask);
  const int width = std::max(1, shape.width);
  const int height = std::max(1, shape.height);
  setFixedSize(width, height);
  if (shape.loaded) {
    skin::ApplyShape(*this, shape.region);
  } else if (shape.failure) {
    // The dialog still opens (it answers Escape as Cancel), but unshaped and
    // as small as can be: the log says why.
    log::Error(log::kApp, shape.failure->Text());
  }
  const Point anchor = env_.state->ui.menuAnchor;
  move(ToQPoint(skin::KeepOnScreen({anchor.x, anchor.y}, width, height,
                                   ScreenAround(QPoint(anchor.x, anchor.y), mainWindow))));
}

void WarningDialog::done(int result) {
  QDialog::done(result == skin::kWarningConfirm ? skin::kWarningConfirm : kWarningCancel);
}

void WarningDialog::reject() { done(kWarningCancel); }

void WarningDialog::paintEvent(QPaintEvent*) {
  const skin::SkinLayout& l = env_.state->layout;
  const skin::PictureSurface composed = skin::ComposeWarning(
      Load(env_, pic::kWarningNormal), Load(env_, pic::kWarningOver), hover_, l.warningHits, l.warningTexts, env_.font);
  DrawSurface(*this, composed, width(), height());
}

void WarningDialog::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = EventPoint(e);
  hover_ = skin::WarningButtonAt(p.x(), p.y(), env_.state->layout.warningHits);
  if (hover_ != hoverPainted_) {
    hoverPainted_ = hover_;
    update();
  }
}

void WarningDialog::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  // Only the release position counts, not where the press was.
  const QPoint p = EventPoint(e);
  Choose(skin::WarningButtonAt(p.x(), p.y(), env_.state->layout.warningHits));
}

void WarningDialog::Choose(int button) {
  if (button == skin::kWarningConfirm || button == skin::kWarningCancelButton) done(button);
}

void WarningDialog::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      // Cancel is lit first: an Enter typed by habit keeps the left click.
      hover_ = hover_ == skin::kWarningCancelButton ? skin::kWarningConfirm : skin::kWarningCancelButton;
      hoverPainted_ = hover_;
      update();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      Choose(hover_);
      return;
    default: QDialog::keyPressEvent(e);
  }
}

int ShowWarning(QWidget* mainWindow, const PopupEnvironment& env) {
  WarningDialog dialog(mainWindow, env);
  const int result = dialog.exec();
  return result == skin::kWarningConfirm ? skin::kWarningConfirm : kWarningCancel;
}

}  // namespace orv::app
