#include "gui/main_window.h"

#include <QAction>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QCursor>
#include <QDBusConnection>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindow>
#include <cstdlib>
#include <string_view>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#define ORV_HAVE_XCB 1
#endif

#include "gui/app_icon.h"
#include "app/controller.h"
#include "gui/editable_list.h"
#include "app/menu_commands.h"
#include "gui/exit_signals.h"
#include "app/shell.h"
#include "macros/macro_model.h"
#include "platform/file_names.h"
#include "platform/log.h"
#include "macros/native_keys.h"
#include "skin/picture_names.h"
#include "gui/region.h"

namespace orv::app {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QRect ToQRect(const skin::EdgeRect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

Point PointOf(const QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  return {p.x(), p.y()};
}

// An X11 compositing manager owns the selection _NET_WM_CM_S<screen> while it runs.
bool X11CompositorRunning() {
#ifdef ORV_HAVE_XCB
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return false;
  xcb_connection_t* c = x11->connection();
  int screen = 0;
  if (const char* display = std::getenv("DISPLAY")) {
    const std::string_view d(display);
    if (const auto dot = d.rfind('.'); dot != std::string_view::npos && d.rfind(':') < dot) {
      screen = std::atoi(display + dot + 1);
    }
  }
  const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
  if (atom == nullptr) return false;
  const xcb_atom_t selection = atom->atom;
  std::free(atom);
  if (selection == XCB_ATOM_NONE) return false;
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
  if (owner == nullptr) return false;
  const bool running = owner->owner != XCB_NONE;
  std::free(owner);
  return running;
#else
  return false;
#endif
}

// Per-pixel transparency of top-level windows: always on Wayland; on X11 only
// while a compositing manager runs (without one the X shape alone cuts the
// window, and an alpha channel would show as black).
bool PerPixelAlphaAvailable() {
  const QString platform = QGuiApplication::platformName();
  if (platform.startsWith(QStringLiteral("wayland"))) return true;
  if (platform == QStringLiteral("xcb")) return X11CompositorRunning();
  return false;
}

}  // namespace

MainWindow::MainWindow(AppState& state)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      state_(state),
      painter_(FoldersOf(state).data.string() + "/" + names::kSkinFolder),
      animation_(state, [this] { PostRepaint(); }),
      rootGrab_([this](uint32_t keycode, bool press) { RecordNativeKey(keycode, press, false); }),
      resume_([this] { return ApplyReachedMouse(state_, *this); }, *this) {
  // Every pixel is painted from the composed page: no background erase.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  // Decided before the window is created: the alpha channel is a property of
  // the window's surface.
  translucent_ = PerPixelAlphaAvailable();
  if (translucent_) setAttribute(Qt::WA_TranslucentBackground);
  setMouseTracking(true);
  // The first page's pictures and the fonts are made while the start-up
  // sequence runs; the first paint waits for them.
  painter_.Prepare(state_.ui.page, skin::PictureScaleFor(devicePixelRatioF()));
  preparedShape_ = std::async(std::launch::async, [file = FoldersOf(state).data / "skins" / skin::pictures::kMainMask] {
    PreparedShape prepared;
    prepared.file = file;
    // The stamp before the read: a file replaced meanwhile shows another one.
    prepared.stamped = StatFile(file, prepared.stamp);
    prepared.shape = skin::RegionFromMask(file);
    return prepared;
  });

  // The tray and context menus are filled per language (LoadMenus).
  trayMenu_ = new QMenu(this);
  trayMenu_->setStyle(&menuStyle_);

  // A frameless window has no window menu of its own; this one opens with a
  // right click on the title or on the window's empty areas.
  windowMenu_ = new QMenu(this);
  minimiseAction_ = windowMenu_->addAction(QString());
  hideAction_ = windowMenu_->addAction(QString());
  windowMenu_->addSeparator();
  aboutAction_ = windowMenu_->addAction(QString());
  connect(minimiseAction_, &QAction::triggered, this, [this] { Minimise(); });
  connect(hideAction_, &QAction::triggered, this, [this] { HideToTray(state_, *this); });
  connect(aboutAction_, &QAction::triggered, this, [this] { ShowAbout(); });

  callTimer_ = new QTimer(this);
  callTimer_->setSingleShot(true);
  connect(callTimer_, &QTimer::timeout, this, [this] {
    std::function<void()> call = std::move(call_);
    call_ = nullptr;
    if (call && !destroyed_) call();
  });
  // The window's pre-filter (keys while recording, right-clicks of the
  // Advanced page) sees the events of the window's own controls too.
  qApp->installEventFilter(this);
  qApp->installNativeEventFilter(&rootGrab_);
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  GrabKeyboardForRecording(false);
  qApp->removeNativeEventFilter(&rootGrab_);
  // The controls go while the window is whole: an edit box losing its focus
  // calls back into it.
  DestroyMacroControls();
  StopAnimation();
  if (preparedShape_.valid()) preparedShape_.wait();
  // The menus use menuStyle_, which goes before the children do.
  ClosePopups();
  delete contextMenu_;
  delete trayMenu_;
}

void MainWindow::StopAnimation() { animation_.Stop(); }

void MainWindow::ConnectExitSignal(int exitSignalFd) {
  if (exitSignalFd < 0 || exitNotifier_ != nullptr) return;
  exitNotifier_ = new QSocketNotifier(exitSignalFd, QSocketNotifier::Read, this);
  connect(exitNotifier_, &QSocketNotifier::activated, this, [this] {
    DrainExitSignals();
    exitRequested_ = true;
    // A modal box (a start-up message, a file or colour dialog) must not keep
    // the program alive: close them all, innermost first.
    for (int guard = 0; guard < 16; ++guard) {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr) break;
      modal->close();
    }
    // During the start-up the sequence is still on the stack; main ends the
    // program once it returns.
    if (eventsConnected_ && !destroyed_) HostExit(state_, *this);
  });
}

void MainWindow::ConnectEvents() {
  eventsConnected_ = true;
  if (device::DeviceEventSource* events = state_.session.backend ? state_.session.backend->Events() : nullptr) {
    deviceNotifier_ = new QSocketNotifier(events->fd(), QSocketNotifier::Read, this);
    connect(deviceNotifier_, &QSocketNotifier::activated, this, [this, events] {
      if (!destroyed_) OnDeviceEvents(state_, *this, events->DrainEvents());
    });
  }
  // The power events are subscribed to once the first frame is out (the
  // system bus is no part of the first frame), or a second from now should
  // that frame never come.
  if (firstPaintDone_) {
    ConnectPowerEvents();
  } else {
    QTimer::singleShot(1000, this, [this] { ConnectPowerEvents(); });
  }
}

void MainWindow::ConnectPowerEvents() {
  if (powerEventsConnected_) return;
  powerEventsConnected_ = true;
  // Sleep and resume: the mouse may have lost its settings. Without a system
  // bus (or a login manager) there are simply no such events.
  QDBusConnection bus = QDBusConnection::systemBus();
  if (bus.isConnected()) {
    bus.connect("org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                "PrepareForSleep", this, SLOT(OnPrepareForSleep(bool)));
  }
}

void MainWindow::OnPrepareForSleep(bool sleeping) {
  if (destroyed_) return;
  // Before sleeping the mouse is still there; after waking it may not be
  // yet, so that Apply is tried again until it gets through.
  if (sleeping) {
    OnPowerEvent(state_, *this);
  } else {
    resume_.OnResume();
  }
}

void MainWindow::CallAfter(uint32_t ms, std::function<void()> fn) {
  call_ = std::move(fn);
  callTimer_->start(static_cast<int>(ms));
}

void MainWindow::CancelCall() {
  callTimer_->stop();
  call_ = nullptr;
}

// ---- Events ----

void MainWindow::paintEvent(QPaintEvent* event) {
  // A choice in the second-level function menu closes the first-level menu
  // at this paint.
  if (ConsumeCloseMenuOnPaint(state_)) CloseButtonMenu();
  // The start-minimised switch acts at the window's first paint, once it is
  // on the screen.
  if (ConsumeHideAtStart(state_)) QTimer::singleShot(0, this, [this] { Minimise(); });

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
  const QImage& frame = painter_.Compose(ps, state_.layout);
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
  p.end();
  if (!firstPaintDone_) {
    firstPaintDone_ = true;
    // Both run once this event is done, that is once the frame has been
    // handed to the window system. The tray's set-up talks to the session
    // bus: it waits until the first frame is out.
    QTimer::singleShot(0, this, [this] {
      if (onFirstPaint) onFirstPaint();
      if (trayWanted_) CreateTray();
      if (eventsConnected_) ConnectPowerEvents();
    });
  }
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
    const bool onTitle = state_.layout.mainHits[1].Contains(p.x, p.y);
    const PageState& ui = state_.ui;
    const bool onEmpty =
        ui.hoverMain == kNone && (ui.page == kPageMain || (ui.hoverColor == kNone && ui.hoverAdvanced == kNone));
    if (onTitle || onEmpty) ShowWindowMenu(event->globalPosition().toPoint());
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

void MainWindow::ShowWindowMenu(const QPoint& globalPos) { windowMenu_->popup(globalPos); }

void MainWindow::ShowAbout() {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), Q(AboutText()), QMessageBox::Ok, this);
  box.setIconPixmap(AppIcon().pixmap(48, 48));
  box.exec();
}

// ---- AppPort: messages and painting ----

void MainWindow::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), Q(text), QMessageBox::Ok, this);
  box.exec();
}

void MainWindow::Invalidate(RepaintArea area) {
  if (area == RepaintArea::OutsideControls && !repaintRegion_.isEmpty()) {
    update(repaintRegion_);
  } else {
    update();
  }
}

void MainWindow::PostRepaint() {
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

void MainWindow::SetIcon() { setWindowIcon(AppIcon()); }

bool MainWindow::ApplyWindowShape(const std::filesystem::path& maskFile, int32_t& width, int32_t& height,
                                  std::string& problem) {
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
  if (!shape.loaded) {
    problem = shape.problem;
    return false;
  }
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
  return true;
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
  GrabKeyboardForRecording(false);
  StopAnimation();
  resume_.Stop();
  ClosePopups();
  if (tray_) tray_->hide();
  hide();
  // Ends the event loop (and any dialog's loop) once the current event returns.
  QCoreApplication::exit(0);
}

// ---- AppPort: tray and menus ----

bool MainWindow::TrayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void MainWindow::TrayAdd() {
  trayWanted_ = true;
  if (firstPaintDone_) {
    CreateTray();
  } else {
    // Made after the first frame; should that frame never come (a window
    // system that never shows the window), a second later anyway.
    QTimer::singleShot(1000, this, [this] { CreateTray(); });
  }
}

void MainWindow::CreateTray() {
  if (!trayWanted_ || destroyed_ || (tray_ != nullptr && tray_->isVisible())) return;
  if (tray_ == nullptr) {
    tray_ = new QSystemTrayIcon(AppIcon(), this);
    tray_->setToolTip(Q(kWindowTitle));
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
      // Trays speaking the StatusNotifierItem protocol send no double click,
      // only the single click (Trigger): both show the window.
      const bool show = reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger;
      if (show && !destroyed_) ShowFromTray(state_, *this);
    });
  }
  tray_->show();
}

void MainWindow::TrayRemove() {
  trayWanted_ = false;
  if (tray_) tray_->hide();
}

// Both menus are rebuilt from the language's owner-drawn menus: nothing of
// the previous language's items remains.
void MainWindow::LoadMenus(int32_t language) {
  LoadMenusForLanguage(state_, language);
  trayMenu_->clear();
  FillMenu(*trayMenu_, state_.trayMenu.Shown());
  delete contextMenu_;
  contextMenu_ = new QMenu(this);
  contextMenu_->setStyle(&menuStyle_);
  FillMenu(*contextMenu_, state_.contextMenu.Shown());
  minimiseAction_->setText(language != 0 ? "Minimise" : "Simge durumuna küçült");
  hideAction_->setText(language != 0 ? "Close" : "Kapat");
  aboutAction_->setText(Q(AboutMenuText(language)));
  StyleControls();
}

// ---- AppPort: dialogs ----

std::optional<std::filesystem::path> MainWindow::ChooseFile(const FileDialogOptions& options) {
  QFileDialog dialog(this);
  dialog.setAcceptMode(options.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(options.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  QString filter = Q(options.filterName);
  if (!filter.contains('(')) filter += " (" + Q(options.pattern) + ")";
  dialog.setNameFilter(filter);
  dialog.setDirectory(QString::fromStdString(options.initialFolder.string()));
  if (!options.defaultExtension.empty()) dialog.setDefaultSuffix(Q(options.defaultExtension));
  if (!options.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return std::filesystem::path(dialog.selectedFiles().first().toStdString());
}

std::optional<uint32_t> MainWindow::ChooseColour(uint32_t initial) {
  const QColor start(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
  const QColor chosen = QColorDialog::getColor(start, this);
  if (!chosen.isValid()) return std::nullopt;
  return uint32_t(chosen.red()) | (uint32_t(chosen.green()) << 8) | (uint32_t(chosen.blue()) << 16);
}

// ---- AppPort: the Advanced page's controls ----

void MainWindow::CreateMacroControls() {
  DestroyMacroControls();
  const skin::SkinLayout& l = state_.layout;
  countEdit_ = new QLineEdit(this);
  countEdit_->setGeometry(ToQRect(l.countEditRect));
  countEdit_->setAlignment(Qt::AlignCenter);
  nameEdit_ = new QLineEdit(this);
  nameEdit_->setGeometry(ToQRect(l.nameEditRect));
  nameEdit_->setAlignment(Qt::AlignCenter);
  countEdit_->setEnabled(false);
  countEdit_->setText("1");
  macroList_ = new QListWidget(this);
  macroList_->setGeometry(ToQRect(l.macroListRect));
  macroList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  macroList_->setSelectionMode(QAbstractItemView::SingleSelection);
  eventList_ = new EditableListBox(this);
  eventList_->setGeometry(ToQRect(l.eventListRect));
  eventList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  eventList_->setUniformItemSizes(true);
  eventList_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  // Only the user's picks reach the editor: the program's own selections
  // are made with the signals blocked.
  connect(macroList_, &QListWidget::currentRowChanged, this, [this](int) {
    app::OnMacroSelected(state_, *this);
    Invalidate(RepaintArea::OutsideControls);
  });
  connect(eventList_, &EditableListBox::characterTyped, this,
          [this](int code) { app::OnEventListCharacter(state_, *this, code); });
  connect(eventList_, &EditableListBox::insertReleased, this, [this] { app::OnEventListInsertReleased(state_, *this); });
  connect(eventList_, &EditableListBox::rightReleased, this,
          [this](bool overSelected) { app::OnEventListRightReleased(state_, *this, overSelected); });
  connect(eventList_, &EditableListBox::endRequested, this,
          [this](bool confirm) { app::EndEventEdit(state_, *this, confirm); });
  StyleControls();
  for (QWidget* w : {static_cast<QWidget*>(countEdit_), static_cast<QWidget*>(nameEdit_),
                     static_cast<QWidget*>(macroList_), static_cast<QWidget*>(eventList_)}) {
    w->show();
  }
}

void MainWindow::DestroyMacroControls() {
  // An edit still open goes with the list, unstored.
  app::EndEventEdit(state_, *this, false);
  delete countEdit_;
  delete nameEdit_;
  delete macroList_;
  delete eventList_;
}

void MainWindow::StyleControls() {
  for (QWidget* w : {static_cast<QWidget*>(countEdit_), static_cast<QWidget*>(nameEdit_),
                     static_cast<QWidget*>(macroList_), static_cast<QWidget*>(eventList_)}) {
    if (w != nullptr) painter_.StyleControl(*w, state_.language);
  }
  // Scroll bars in the skin's colours: a dark track, the accent for the handle.
  static const QString kScrollBars = QStringLiteral(
      "QScrollBar:vertical { background: rgb(24, 26, 32); width: 12px; margin: 0; }"
      "QScrollBar::handle:vertical { background: rgb(232, 32, 63); min-height: 16px; border-radius: 3px; }"
      "QScrollBar::handle:vertical:hover { background: rgb(255, 72, 96); }"
      "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
      "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: rgb(24, 26, 32); }");
  for (QWidget* w : {static_cast<QWidget*>(macroList_), static_cast<QWidget*>(eventList_)}) {
    if (w != nullptr) w->setStyleSheet(kScrollBars);
  }
}

void MainWindow::RefillMacroLists() {
  app::RefillMacroLists(state_, *this);
  Invalidate(RepaintArea::OutsideControls);
}

std::string MainWindow::CountEditText() { return countEdit_ ? countEdit_->text().toStdString() : std::string(); }

void MainWindow::SetCountEditText(const std::string& text) {
  if (countEdit_) countEdit_->setText(Q(text));
}

void MainWindow::StartColourAnimation() { animation_.Start(); }

void MainWindow::FillMenu(QMenu& menu, const std::vector<skin::MenuNode>& items) {
  for (const skin::MenuNode& item : items) {
    // An item beyond the object's entries is still shown, drawn the same way
    // from its own text: no command is lost.
    if (item.itemId == skin::kSeparatorId) {
      menu.addSeparator();
    } else if (item.itemId == skin::kSubmenuId) {
      QMenu* sub = menu.addMenu(Q(item.text));
      sub->setStyle(&menuStyle_);
      FillMenu(*sub, item.children);
    } else {
      QAction* action = menu.addAction(Q(item.text));
      const int id = item.itemId;
      connect(action, &QAction::triggered, this, [this, id] { OnMenuCommand(id); });
    }
  }
}

void MainWindow::OnMenuCommand(int commandId) {
  if (destroyed_) return;
  if (OnTrayCommand(state_, commandId, *this)) return;
  OnContextCommand(state_, commandId, *this);
}

void MainWindow::PopupContextMenu(const QPoint& globalPos) {
  if (contextMenu_ != nullptr && !contextMenu_->isEmpty()) contextMenu_->popup(globalPos);
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

// ---- The macro editor ----

void MainWindow::AddMacro() { app::AddMacro(state_, *this); }

void MainWindow::DeleteMacro() {
  app::DeleteMacro(state_, *this);
  Invalidate(RepaintArea::OutsideControls);
}

void MainWindow::ToggleRecording() {
  app::ToggleRecording(state_, *this);
  GrabKeyboardForRecording(state_.editor.recording);
  Invalidate(RepaintArea::Whole);
}

void MainWindow::StopRecording() {
  if (!state_.editor.recording && !state_.editor.recorder.Recording()) return;
  app::StopRecording(state_);
  GrabKeyboardForRecording(false);
  Invalidate(RepaintArea::Whole);
}

void MainWindow::ToggleMacroMode(uint8_t modeBit) { app::ToggleMacroMode(state_, *this, *this, modeBit); }

// While recording, every key of the desktop comes to this program and to no
// other. On X11 the keyboard is grabbed on the root window, so the recording
// keeps every key whatever our window does; should the server refuse, or
// where the window system allows no grab (Wayland), the keys that reach the
// focused window are recorded.
void MainWindow::GrabKeyboardForRecording(bool grab) {
  QWindow* window = windowHandle();
  if (grab == keyboardGrabbed_) return;
  if (!grab) {
    rootGrab_.Release();
    if (window != nullptr) window->setKeyboardGrabEnabled(false);
    keyboardGrabbed_ = false;
    return;
  }
  std::string problem;
  if (rootGrab_.Grab(static_cast<uintptr_t>(winId()), problem)) {
    keyboardGrabbed_ = true;
    return;
  }
  if (!problem.empty()) {
    log::Warning(log::kApp, "recording: the keyboard is not grabbed (" + problem +
                                "); only keys typed into this window are recorded");
  }
  keyboardGrabbed_ = window != nullptr && window->setKeyboardGrabEnabled(true);
}

void MainWindow::RecordNativeKey(uint32_t keycode, bool press, bool autoRepeat) {
  if (destroyed_ || !state_.editor.recording) return;
  if (const auto message = macros::KeyMessageFor({keycode, press, autoRepeat})) {
    if (app::RecordKey(state_, *this, *message)) Invalidate(RepaintArea::OutsideControls);
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  // A menu of the program took the keyboard while it was open: the
  // recording takes it back once the menu has let it go.
  if (type == QEvent::Hide && rootGrab_.Active() && qobject_cast<QMenu*>(watched) != nullptr) {
    QTimer::singleShot(0, this, [this] {
      if (!rootGrab_.Reassert()) log::Warning(log::kApp, "recording: the keyboard could not be taken back after a menu");
    });
    return false;
  }
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::MouseButtonRelease) return false;
  // Only this window and its controls; dialogs and menus go their own way.
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this || destroyed_) return false;
  if (type == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::RightButton || state_.ui.page != kPageAdvanced || state_.editor.recording) return false;
    return OnRightButtonRelease(mouse->globalPosition().toPoint());
  }
  auto* key = static_cast<QKeyEvent*>(event);
  const bool press = type == QEvent::KeyPress;
  if (state_.editor.recording) {
    // The keyboard belongs to the recording: nothing reaches the controls.
    // (With the desktop's keyboard grabbed the keys come as native events.)
    if (!rootGrab_.Active()) RecordNativeKey(key->nativeScanCode(), press, key->isAutoRepeat());
    return true;
  }
  if (key->key() == Qt::Key_F10) return true;
  // Escape closes an open function menu without a choice.
  if (press && key->key() == Qt::Key_Escape) OnEscapeKey(state_, *this);
  return press && (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
}

// A right-button release on the Advanced page: the event list's line under
// the pointer is chosen; over the list the context menu opens. Elsewhere the
// release goes on to the window (its own menu on the title and empty areas).
bool MainWindow::OnRightButtonRelease(const QPoint& globalPos) {
  if (!app::OnRightRelease(state_, *this, {globalPos.x(), globalPos.y()})) return false;
  PopupContextMenu(globalPos);
  return true;
}

// ---- MacroView ----

bool MainWindow::Exists() { return macroList_ && eventList_ && nameEdit_ && countEdit_; }

void MainWindow::SetMacroLines(const std::vector<std::string>& lines) {
  if (!macroList_) return;
  const QSignalBlocker block(macroList_);
  macroList_->clear();
  for (const std::string& line : lines) macroList_->addItem(Q(line));
}

void MainWindow::AddMacroLine(const std::string& line) {
  if (!macroList_) return;
  const QSignalBlocker block(macroList_);
  macroList_->addItem(Q(line));
}

void MainWindow::RemoveMacroLine(int line) {
  if (!macroList_) return;
  const QSignalBlocker block(macroList_);
  delete macroList_->takeItem(line);
}

int MainWindow::MacroLineCount() { return macroList_ ? macroList_->count() : 0; }

std::string MainWindow::MacroLineText(int line) {
  if (!macroList_ || line < 0 || line >= macroList_->count()) return {};
  return macroList_->item(line)->text().toStdString();
}

int MainWindow::MacroSelection() { return macroList_ ? macroList_->currentRow() : -1; }

void MainWindow::SelectMacroLine(int line) {
  if (!macroList_) return;
  const QSignalBlocker block(macroList_);
  macroList_->setCurrentRow(line >= 0 && line < macroList_->count() ? line : -1);
}

void MainWindow::FocusMacroList() {
  if (macroList_) macroList_->setFocus();
}

std::string MainWindow::NameText() { return nameEdit_ ? nameEdit_->text().toStdString() : std::string(); }

void MainWindow::SetNameText(const std::string& text) {
  if (nameEdit_) nameEdit_->setText(Q(text));
}

void MainWindow::SetCountBox(const std::string& text, bool enabled) {
  if (!countEdit_) return;
  countEdit_->setText(Q(text));
  countEdit_->setEnabled(enabled);
}

void MainWindow::SetEventLines(const std::vector<std::string>& lines) {
  if (!eventList_) return;
  // The lines an open edit stands on go: it ends unstored.
  app::EndEventEdit(state_, *this, false);
  QStringList items;
  items.reserve(static_cast<qsizetype>(lines.size()));
  for (const std::string& line : lines) items << Q(line);
  // One repaint for the whole list.
  eventList_->setUpdatesEnabled(false);
  eventList_->clear();
  eventList_->addItems(items);
  eventList_->setUpdatesEnabled(true);
}

void MainWindow::AppendEventLines(const std::vector<std::string>& lines) {
  if (!eventList_) return;
  for (const std::string& line : lines) eventList_->addItem(Q(line));
}

int MainWindow::EventLineCount() { return eventList_ ? eventList_->count() : 0; }

std::string MainWindow::EventLineText(int line) {
  if (!eventList_ || line < 0 || line >= eventList_->count()) return {};
  return eventList_->item(line)->text().toStdString();
}

int MainWindow::EventSelection() { return eventList_ ? eventList_->currentRow() : -1; }

void MainWindow::SelectEventLine(int line) {
  if (!eventList_) return;
  if (line >= 0 && line < eventList_->count()) {
    eventList_->setCurrentRow(line);
  } else {
    eventList_->setCurrentRow(-1);
  }
}

void MainWindow::FocusEventList() {
  if (eventList_) eventList_->setFocus();
}

EventListGeometry MainWindow::EventGeometry() {
  EventListGeometry g;
  if (!eventList_) return g;
  QWidget* viewport = eventList_->viewport();
  const QPoint topLeft = viewport->mapToGlobal(QPoint(0, 0));
  g.left = topLeft.x();
  g.top = topLeft.y();
  g.right = g.left + viewport->width();
  g.bottom = g.top + viewport->height();
  g.itemHeight = eventList_->count() > 0 ? eventList_->sizeHintForRow(0) : eventList_->fontMetrics().height();
  g.topLine = eventList_->verticalScrollBar()->value();
  return g;
}

void MainWindow::OpenLineEditor(int line) {
  if (eventList_) eventList_->OpenEditor(line);
}

std::string MainWindow::LineEditorText() { return eventList_ ? eventList_->EditorText().toStdString() : std::string(); }

void MainWindow::CloseLineEditor() {
  if (eventList_) eventList_->CloseEditor();
}

}  // namespace orv::app
