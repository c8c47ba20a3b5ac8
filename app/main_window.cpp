#include "app/main_window.h"

#include <QAction>
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

#include "app/app_icon.h"
#include "app/controller.h"
#include "app/exit_signals.h"
#include "app/shell.h"
#include "macros/macro_model.h"
#include "skin/picture_names.h"
#include "skin/region.h"

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
      painter_(FoldersOf(state).data.string() + "/skins"),
      animation_(state, [this] { PostRepaint(); }),
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
  painter_.Prepare(state_.page, skin::PictureScaleFor(devicePixelRatioF()));
  preparedShape_ = std::async(std::launch::async, [file = FoldersOf(state).data / "skins" / skin::pictures::kMainMask] {
    PreparedShape prepared;
    prepared.file = file;
    // The stamp before the read: a file replaced meanwhile shows another one.
    prepared.stamped = StatFile(file, prepared.stamp);
    prepared.shape = skin::RegionFromMask(file);
    return prepared;
  });

  trayMenu_ = new QMenu(this);
  showAction_ = trayMenu_->addAction(QString());
  exitAction_ = trayMenu_->addAction(QString());
  connect(showAction_, &QAction::triggered, this, [this] { ShowFromTray(state_, *this); });
  connect(exitAction_, &QAction::triggered, this, [this] { HostExit(state_, *this); });

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
}

MainWindow::~MainWindow() {
  StopAnimation();
  if (preparedShape_.valid()) preparedShape_.wait();
}

void MainWindow::StopAnimation() { animation_.Stop(); }

void MainWindow::ConnectEvents(int exitSignalFd) {
  eventsConnected_ = true;
  if (device::DeviceEventSource* events = state_.backend ? state_.backend->Events() : nullptr) {
    deviceNotifier_ = new QSocketNotifier(events->fd(), QSocketNotifier::Read, this);
    connect(deviceNotifier_, &QSocketNotifier::activated, this, [this, events] {
      if (!destroyed_) OnDeviceEvents(state_, *this, events->DrainEvents());
    });
  }
  if (exitSignalFd >= 0) {
    exitNotifier_ = new QSocketNotifier(exitSignalFd, QSocketNotifier::Read, this);
    connect(exitNotifier_, &QSocketNotifier::activated, this, [this] {
      DrainExitSignals();
      if (!destroyed_) HostExit(state_, *this);
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
  // The start-minimised switch acts at the window's first paint, once it is
  // on the screen.
  if (ConsumeHideAtStart(state_)) QTimer::singleShot(0, this, [this] { Minimise(); });

  skin::PaintState ps;
  ps.page = state_.page;
  ps.hoverMain = state_.hoverMain;
  ps.hoverColor = state_.hoverColor;
  ps.hoverAdvanced = state_.hoverAdvanced;
  ps.pressed = state_.pressed != 0;
  ps.curProfile = state_.profile.curProfile;
  ps.language = state_.language;
  ps.settings = &state_.settings;
  ps.macros = &state_.macros;
  ps.recording = state_.recording;
  {
    std::lock_guard lock(state_.macros.mutex);
    const int32_t m = state_.macros.selectedMacro;
    ps.selectedMacroMode = (m >= 0 && m < macros::MACRO_SLOTS) ? state_.macros.userMacros[static_cast<size_t>(m)].mode : 0;
  }
  ps.colorPreviewIndex = state_.colorPreviewIndex;
  ps.colorBlinkPhase = state_.colorBlinkPhase;
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
    const bool onEmpty = state_.hoverMain == kNone &&
                         (state_.page == kPageMain || (state_.hoverColor == kNone && state_.hoverAdvanced == kNone));
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
  QMessageBox box(QMessageBox::NoIcon, Q(kAppName), Q(AboutText()), QMessageBox::Ok, this);
  box.setIconPixmap(AppIcon().pixmap(48, 48));
  box.exec();
}

// ---- AppPort: messages and painting ----

void MainWindow::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, Q(kAppName), Q(text), QMessageBox::Ok, this);
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

void MainWindow::Minimise() { showMinimized(); }

void MainWindow::Hide() { hide(); }

void MainWindow::ShowAndRestore() {
  show();
  showNormal();
  raise();
  activateWindow();
}

void MainWindow::DestroyWindow() {
  if (destroyed_) return;
  destroyed_ = true;
  StopAnimation();
  resume_.Stop();
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

void MainWindow::LoadMenus(int32_t language) {
  const TrayMenuTexts texts = TrayMenuFor(language);
  showAction_->setText(Q(texts.show));
  exitAction_->setText(Q(texts.exit));
  minimiseAction_->setText(language != 0 ? "Minimise" : "Simge durumuna küçült");
  hideAction_->setText(language != 0 ? "Close" : "Kapat");
  aboutAction_->setText(Q(AboutMenuText(language)));
  StyleControls();
}

// ---- AppPort: dialogs ----

std::optional<std::filesystem::path> MainWindow::ChooseFile(const FileDialogSpec& spec) {
  QFileDialog dialog(this);
  dialog.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(spec.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  QString filter = Q(spec.filterName);
  if (!filter.contains('(')) filter += " (" + Q(spec.pattern) + ")";
  dialog.setNameFilter(filter);
  dialog.setDirectory(QString::fromStdString(spec.initialFolder.string()));
  if (!spec.defaultExtension.empty()) dialog.setDefaultSuffix(Q(spec.defaultExtension));
  if (!spec.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
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
  macroList_ = new QListWidget(this);
  macroList_->setGeometry(ToQRect(l.macroListRect));
  macroList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  eventList_ = new QListWidget(this);
  eventList_->setGeometry(ToQRect(l.eventListRect));
  eventList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  StyleControls();
  for (QWidget* w : {static_cast<QWidget*>(countEdit_), static_cast<QWidget*>(nameEdit_),
                     static_cast<QWidget*>(macroList_), static_cast<QWidget*>(eventList_)}) {
    w->show();
  }
}

void MainWindow::DestroyMacroControls() {
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
}

// The macro editor fills the event list and follows the selection; for now
// the list of macros shows their names and the name box the selected one.
void MainWindow::RefillMacroLists() {
  if (!macroList_) return;
  macroList_->clear();
  std::lock_guard lock(state_.macros.mutex);
  const int count = std::clamp<int>(state_.macros.userMacroCount, 0, macros::MAX_USER_MACROS);
  for (int i = 0; i < count; ++i) {
    macroList_->addItem(Q(macros::MacroName(state_.macros.userMacros[static_cast<size_t>(i)])));
  }
  if (count == 0) {
    if (nameEdit_) nameEdit_->clear();
    if (eventList_) eventList_->clear();
    return;
  }
  const int selected = std::clamp<int>(state_.macros.selectedMacro, 0, count - 1);
  state_.macros.selectedMacro = selected;
  macroList_->setCurrentRow(selected);
  if (nameEdit_) nameEdit_->setText(macroList_->item(selected)->text());
}

std::string MainWindow::CountEditText() { return countEdit_ ? countEdit_->text().toStdString() : std::string(); }

void MainWindow::SetCountEditText(const std::string& text) {
  if (countEdit_) countEdit_->setText(Q(text));
}

void MainWindow::StartColourAnimation() { animation_.Start(); }

// ---- Hooks filled by later work ----

// The warning dialog before the only left click is reassigned: until it
// exists, the reassignment goes on.
int MainWindow::ShowLeftClickWarning() { return 1; }
// The button-function popup menus.
void MainWindow::OpenButtonMenu(int, Point) {}
void MainWindow::CloseButtonMenu() {}
// The macro editor's operations and the recorder.
void MainWindow::AddMacro() {}
void MainWindow::DeleteMacro() {}
void MainWindow::ToggleRecording() {}
void MainWindow::ToggleMacroMode(uint8_t) {}

}  // namespace orv::app
