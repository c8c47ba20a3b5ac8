#include "gui/main_window.h"
#include "app/app_rules_menu.h"
#include "skin/hit_indexes.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

#include "app/controller.h"
#include "app/shell.h"
#include "gui/app_icon.h"
#include "gui/dialogs.h"
#include "gui/qt_values.h"
#include "gui/window_system.h"
#include "platform/file_names.h"
#include "skin/picture_names.h"

namespace orv::app {

namespace {

Point PointOf(const QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  return {p.x(), p.y()};
}

}  // namespace

MainWindow::MainWindow(AppState& state)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      state_(state),
      painter_(FoldersOf(state).data.string() + "/" + names::kSkinFolder),
      animation_(state, [this] { PostRepaint(); }),
      tray_(*this, menuStyle_, [this] { ShowFromTray(state_, *this); }),
      macroControls_(state, *this, *this, painter_),
      keyboard_(state, *this, *this, macroControls_, [this] { return destroyed_; }),
      events_(state, *this, [this] { return destroyed_; }) {
  // Every pixel is painted from the composed page: no background erase.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  // Decided before the window is created: the alpha channel is a property of
  // the window's surface.
  translucent_ = PerPixelAlphaAvailable();
  if (translucent_) setAttribute(Qt::WA_TranslucentBackground);
  setMouseTracking(true);
  tray_.SetStatusLine([this] { return ActiveProfileLine(state_); });
  // The first page's pictures and the fonts of the language the
  // configuration names are made while the start-up sequence runs; the first
  // paint waits for them. (Should the start-up read another language after
  // all, its fonts are made at that paint.)
  const ProgramFolders folders = FoldersOf(state);
  painter_.Prepare(state_.ui.page, skin::PictureScaleFor(devicePixelRatioF()),
                   settings::ReadLanguage(folders.configPath));
  preparedShape_ = std::async(std::launch::async, [file = folders.data / names::kSkinFolder / skin::pictures::kMainMask] {
    PreparedShape prepared;
    prepared.file = file;
    // The stamp before the read: a file replaced meanwhile shows another one.
    prepared.stamped = StatFile(file, prepared.stamp);
    prepared.shape = skin::RegionFromMask(file);
    return prepared;
  });

  // A frameless window has no window menu of its own; this one opens with a
  // right click on the title or on the window's empty areas.
  windowMenu_ = new QMenu(this);
  minimiseAction_ = windowMenu_->addAction(QString());
  hideAction_ = windowMenu_->addAction(QString());
  windowMenu_->addSeparator();
  aboutAction_ = windowMenu_->addAction(QString());
  connect(minimiseAction_, &QAction::triggered, this, [this] { Minimise(); });
  connect(hideAction_, &QAction::triggered, this, [this] { HideToTray(state_, *this); });
  connect(aboutAction_, &QAction::triggered, this, [this] { ShowAboutBox(this, AboutText()); });

  // The window's pre-filter (keys while recording, right-clicks of the
  // Advanced page) sees the events of the window's own controls too.
  qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  macroControls_.End();
  // The controls go while the window is whole: an edit box losing its focus
  // calls back into it.
  macroControls_.Destroy();
  StopAnimation();
  if (preparedShape_.valid()) preparedShape_.wait();
  ClosePopups();
}

void MainWindow::StopAnimation() { animation_.Stop(); }

// ---- Events ----

void MainWindow::paintEvent(QPaintEvent* event) {
  // A choice in the second-level function menu closes the first-level menu
  // at this paint.
  if (ConsumeCloseMenuOnPaint(state_)) CloseButtonMenu();
  // The start-minimised switch acts at the window's first paint, once it is
  // on the screen.
  if (ConsumeHideAtStart(state_)) QTimer::singleShot(0, this, [this] { Minimise(); });

  const skin::PaintState ps = CurrentPaintState();
  // The first frame may have been composed while the window was being
  // mapped; it is taken only if nothing has changed since.
  const bool ahead = composedAhead_.exchange(false) && ps == aheadState_;
  const QImage& frame = ahead ? painter_.Composed() : painter_.Compose(ps, state_.layout);
  QPainter p(this);
  if (translucent_ && shaped_) {
    // Outside the shape: fully transparent pixels; inside: the page.
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(event->rect(), Qt::transparent);
    p.setClipRegion(shape_ & event->region());
  }
  // A picture set of another density than the screen's (2x at 1.5x) is scaled
  // smoothly rather than by dropping pixels.
  p.setRenderHint(QPainter::SmoothPixmapTransform, frame.devicePixelRatio() != devicePixelRatioF());
  p.drawImage(QRectF(0, 0, frame.width() / frame.devicePixelRatio(), frame.height() / frame.devicePixelRatio()), frame);
  keyboard_.Paint(p);
  p.end();
  if (!firstPaintDone_) {
    firstPaintDone_ = true;
    // Both run once this event is done, that is once the frame has been
    // handed to the window system. The tray's set-up talks to the session
    // bus: it waits until the first frame is out.
    QTimer::singleShot(0, this, [this] {
      if (onFirstPaint) onFirstPaint();
      if (iconAfterFirstFrame_) setWindowIcon(AppIcon());
      // The other language's fonts, ahead of a switch to it.
      painter_.PrepareFonts(state_.language != 0 ? 0 : 1);
      RunFinishAfterFirstFrame();
      tray_.OnFirstFrame();
      events_.OnFirstFrame();
    });
  }
}

skin::PaintState MainWindow::CurrentPaintState() const {
  skin::PaintState ps;
  ps.page = state_.ui.page;
  ps.hoverMain = state_.ui.hoverMain;
  ps.hoverColor = state_.ui.hoverColor;
  ps.hoverAdvanced = state_.ui.hoverAdvanced;
  ps.pressed = state_.ui.pressed != 0;
  ps.curProfile = state_.profile.curProfile;
  ps.language = state_.language;
  ps.settings = &state_.settings;
  ps.macros = &state_.macros;
  ps.recording = state_.editor.recording;
  {
    std::lock_guard lock(state_.macros.mutex);
    const int32_t m = state_.macros.selectedMacro;
    ps.selectedMacroMode = (m >= 0 && m < macros::MACRO_SLOTS) ? state_.macros.userMacros[static_cast<size_t>(m)].mode : 0;
  }
  ps.colorPreviewIndex = state_.preview.index;
  ps.colorBlinkPhase = state_.preview.blinkPhase;
  // The 2x pictures on screens of high density; layout coordinates, the shape
  // and hit-testing stay in the layout's units whatever the set.
  ps.scale = skin::PictureScaleFor(devicePixelRatioF());
  return ps;
}

void MainWindow::ComposeFirstFrameAhead() {
  if (firstPaintDone_ || destroyed_) return;
  // The map request goes out first: the window system maps the window while
  // the page is composed.
  FlushWindowSystem();
  aheadState_ = CurrentPaintState();
  (void)painter_.Compose(aheadState_, state_.layout);
  composedAhead_ = true;
}

void MainWindow::FinishAfterFirstFrame(std::function<void()> finish) {
  finishAfterFirstFrame_ = std::move(finish);
  if (firstPaintDone_) {
    RunFinishAfterFirstFrame();
  } else {
    QTimer::singleShot(1000, this, [this] { RunFinishAfterFirstFrame(); });
  }
}

void MainWindow::RunFinishAfterFirstFrame() {
  // Once: taken out before it runs, since it may show a message box whose
  // own event loop paints.
  std::function<void()> finish = std::move(finishAfterFirstFrame_);
  finishAfterFirstFrame_ = nullptr;
  if (finish && !destroyed_) finish();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  if (manualDrag_) {
    if (event->buttons() & Qt::LeftButton) {
      move(event->globalPosition().toPoint() - dragOffset_);
      return;
    }
    manualDrag_ = false;
  }
  OnPointerMove(state_, PointOf(event), *this);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  OnPress(state_, PointOf(event), *this);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    const Point p = PointOf(event);
    for (int chip = skin::hits::main::kFirstProfile; chip <= skin::hits::main::kLastProfile; ++chip) {
      if (onProfileChipMenu && !state_.editor.recording && state_.layout.mainHits[chip].Contains(p.x, p.y)) {
        onProfileChipMenu(chip - skin::hits::main::kProfileOffset, event->globalPosition().toPoint());
        return;
      }
    }
    const bool onTitle = state_.layout.mainHits[1].Contains(p.x, p.y);
    const PageState& ui = state_.ui;
    const bool onEmpty =
        ui.hoverMain == kNone && (ui.page == kPageMain || (ui.hoverColor == kNone && ui.hoverAdvanced == kNone));
    if (onTitle || onEmpty) windowMenu_->popup(event->globalPosition().toPoint());
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  manualDrag_ = false;
  OnRelease(state_, PointOf(event), *this);
}

// A close request of the window system (Alt+F4, the taskbar's close) only
// hides the window; the program ends through the tray menu or a signal.
void MainWindow::closeEvent(QCloseEvent* event) {
  if (destroyed_) {
    event->accept();
    return;
  }
  event->ignore();
  HideToTray(state_, *this);
}

// ---- AppPort: messages and painting ----

void MainWindow::ShowMessage(const std::string& text) { ShowMessageBox(this, text); }

void MainWindow::Invalidate(RepaintArea area) {
  composedAhead_ = false;
  if (area == RepaintArea::OutsideControls && !repaintRegion_.isEmpty()) {
    update(repaintRegion_);
  } else {
    update();
  }
}

void MainWindow::PostRepaint() {
  composedAhead_ = false;
  QMetaObject::invokeMethod(this, [this] { update(); }, Qt::QueuedConnection);
}

// ---- AppPort: the window ----

void MainWindow::SetTitle(const std::string& title) {
  setWindowTitle(Q(title));
  if (onTitleSet) {
    auto once = std::move(onTitleSet);
    onTitleSet = nullptr;
    once();
  }
}

void MainWindow::SetIcon() {
  // Drawing and handing over the icon's sizes costs the first frame a few
  // milliseconds: it is set right after that frame.
  if (firstPaintDone_) setWindowIcon(AppIcon());
  else iconAfterFirstFrame_ = true;
}

Outcome MainWindow::ApplyWindowShape(const std::filesystem::path& maskFile, int32_t& width, int32_t& height) {
  skin::MaskShape shape;
  bool prepared = false;
  if (preparedShape_.valid()) {
    PreparedShape p = preparedShape_.get();
    FileStamp now;
    if (p.file == maskFile && p.stamped && StatFile(maskFile, now) && now == p.stamp) {
      shape = std::move(p.shape);
      prepared = true;
    }
  }
  if (!prepared) shape = skin::RegionFromMask(maskFile);
  if (!shape.loaded) return shape.failure ? shape.failure : MissingFile(maskFile, {});
  width = shape.width;
  height = shape.height;
  setFixedSize(width, height);
  shape_ = shape.region;
  shaped_ = true;
  // The Advanced page repaints around its lists and name box, which paint
  // themselves; the repeat-count box lies inside the repainted area.
  const skin::SkinLayout& l = state_.layout;
  repaintRegion_ = shape.region.xored(ToQRect(l.nameEditRect))
                       .xored(ToQRect(l.eventListRect))
                       .xored(ToQRect(l.macroListRect))
                       .xored(ToQRect(l.spareEditRect));
  skin::ApplyShape(*this, shape.region);
  return {};
}

Point MainWindow::WindowOrigin() {
  const QPoint p = geometry().topLeft();
  return {p.x(), p.y()};
}

void MainWindow::StartSystemMove() {
  QWindow* window = windowHandle();
  if (window != nullptr && window->startSystemMove()) return;
  // The window system offers no move: follow the pointer until the release.
  manualDrag_ = true;
  dragOffset_ = QCursor::pos() - pos();
}

void MainWindow::Minimise() {
  ClosePopups();
  showMinimized();
}

void MainWindow::Hide() {
  ClosePopups();
  hide();
}

void MainWindow::ShowAndRestore() {
  show();
  showNormal();
  raise();
  activateWindow();
}

void MainWindow::DestroyWindow() {
  if (destroyed_) return;
  destroyed_ = true;
  macroControls_.End();
  StopAnimation();
  events_.Stop();
  ClosePopups();
  tray_.End();
  hide();
  // Ends the event loop (and any dialog's loop) once the current event returns.
  QCoreApplication::exit(0);
}

// ---- AppPort: tray and menus ----

// Both menus are rebuilt from the language's owner-drawn menus: nothing of
// the previous language's items remains.
void MainWindow::LoadMenus(int32_t language) {
  LoadMenusForLanguage(state_, language);
  const auto onCommand = [this](int id) { OnMenuCommand(id); };
  tray_.LoadMenu(state_.trayMenu.Shown(), onCommand);
  macroControls_.LoadContextMenu(state_.contextMenu.Shown(), menuStyle_, onCommand);
  minimiseAction_->setText(language != 0 ? "Minimise" : "Simge durumuna küçült");
  hideAction_->setText(language != 0 ? "Close" : "Kapat");
  aboutAction_->setText(Q(AboutMenuText(language)));
  macroControls_.Style();
}

void MainWindow::StartColourAnimation() { animation_.Start(); }

void MainWindow::OnMenuCommand(int commandId) {
  if (destroyed_) return;
  if (OnTrayCommand(state_, commandId, *this)) return;
  OnContextCommand(state_, commandId, *this);
}

// ---- AppPort: the button-function popups ----

PopupEnvironment MainWindow::Popups() {
  PopupEnvironment env;
  env.state = &state_;
  env.port = this;
  env.skinDir = state_.exeDir / "skins";
  env.font = painter_.TextFont(state_.language);
  env.paintMainNow = [this] { repaint(); };
  return env;
}

int MainWindow::ShowLeftClickWarning() { return ShowWarning(this, Popups()); }

void MainWindow::OpenButtonMenu(int, Point anchor) {
  CloseButtonMenu();
  buttonMenu_ = new FunctionMenu(this, Popups());
  buttonMenu_->Open(anchor);
}

void MainWindow::CloseButtonMenu() {
  if (buttonMenu_) buttonMenu_->CloseAll();
  buttonMenu_ = nullptr;
}

// Every way the window goes away (hidden, minimised, destroyed) takes the
// function menus with it.
void MainWindow::ClosePopups() {
  CloseButtonMenu();
  NoteButtonMenuClosed(state_);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  // A menu of the program took the keyboard while it was open: the
  // recording takes it back once the menu has let it go.
  if (type == QEvent::Hide && qobject_cast<QMenu*>(watched) != nullptr) {
    macroControls_.OnMenuHidden();
    return false;
  }
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::MouseButtonRelease) return false;
  // Only this window and its controls; dialogs and menus go their own way.
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this || destroyed_) return false;
  if (type == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::RightButton || state_.ui.page != kPageAdvanced || state_.editor.recording) return false;
    return macroControls_.OnRightButtonRelease(mouse->globalPosition().toPoint());
  }
  return keyboard_.OnKeyEvent(widget, *static_cast<QKeyEvent*>(event), type == QEvent::KeyPress, buttonMenu_);
}

}  // namespace orv::app
