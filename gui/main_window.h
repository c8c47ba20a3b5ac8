#pragma once
// The main window: a frameless, skin-painted widget shaped by the mask
// picture. It turns the window system's events into calls of the controller
// and the shell, and carries out their requests (the AppPort).
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <functional>
#include <future>
#include <memory>
#include <string>

#include "app/app_port.h"
#include "app/app_state.h"
#include "app/colour_animation.h"
#include "app/resume_reapply.h"
#include "gui/popups.h"
#include "gui/x11_keyboard_grab.h"
#include "gui/menu_style.h"
#include "app/macro_editor.h"
#include "platform/file_stamp.h"
#include "gui/page_painter.h"
#include "gui/region.h"

class QAction;
class QLineEdit;
class QListWidget;
class QMenu;
class QSocketNotifier;
class QSystemTrayIcon;
class QTimer;

namespace orv::app {

class EditableListBox;

class MainWindow final : public QWidget, public AppPort, public TimerPort, public MacroView {
  Q_OBJECT

 public:
  explicit MainWindow(AppState& state);
  ~MainWindow() override;

  // Called once the title is set: from then on a second start may ask this
  // window to show itself.
  std::function<void()> onTitleSet;
  // Called once, when the first frame has been drawn and handed to the window
  // system (start-up measurements and the end-to-end tests wait for it).
  std::function<void()> onFirstPaint;

  // Connects the mouse's arrival and removal notifications at once, the
  // power events once the first frame is out. Called once the window runs.
  void ConnectEvents();
  // Watches the exit signals (SIGTERM, SIGINT, SIGHUP) from before the
  // start-up runs: a signal closes any open modal box and ends the program,
  // at once when the window runs, else as soon as the start-up returns.
  void ConnectExitSignal(int exitSignalFd);
  bool ExitRequested() const { return exitRequested_; }
  // The window was destroyed (HostExit or removal of the mouse).
  bool Destroyed() const { return destroyed_; }
  // Ends the colour preview worker (before the window goes away).
  void StopAnimation();

  // ---- AppPort ----
  void ShowMessage(const std::string& text) override;
  void Invalidate(RepaintArea area) override;
  void PostRepaint() override;
  void SetTitle(const std::string& title) override;
  void SetIcon() override;
  bool ApplyWindowShape(const std::filesystem::path& maskFile, int32_t& width, int32_t& height,
                        std::string& problem) override;
  Point WindowOrigin() override;
  void StartSystemMove() override;
  void Minimise() override;
  void Hide() override;
  void ShowAndRestore() override;
  void DestroyWindow() override;
  bool TrayAvailable() override;
  void TrayAdd() override;
  void TrayRemove() override;
  void LoadMenus(int32_t language) override;
  std::optional<std::filesystem::path> ChooseFile(const FileDialogOptions& options) override;
  std::optional<uint32_t> ChooseColour(uint32_t initial) override;
  void CreateMacroControls() override;
  void DestroyMacroControls() override;
  void RefillMacroLists() override;
  std::string CountEditText() override;
  void SetCountEditText(const std::string& text) override;
  void StartColourAnimation() override;
  int ShowLeftClickWarning() override;
  void OpenButtonMenu(int button, Point anchor) override;
  void CloseButtonMenu() override;
  void AddMacro() override;
  void DeleteMacro() override;
  void ToggleRecording() override;
  void StopRecording() override;
  void ToggleMacroMode(uint8_t modeBit) override;
  MacroView* MacroControls() override { return this; }

  // ---- MacroView ----
  bool Exists() override;
  void SetMacroLines(const std::vector<std::string>& lines) override;
  void AddMacroLine(const std::string& line) override;
  void RemoveMacroLine(int line) override;
  int MacroLineCount() override;
  std::string MacroLineText(int line) override;
  int MacroSelection() override;
  void SelectMacroLine(int line) override;
  void FocusMacroList() override;
  std::string NameText() override;
  void SetNameText(const std::string& text) override;
  void SetCountBox(const std::string& text, bool enabled) override;
  void SetEventLines(const std::vector<std::string>& lines) override;
  void AppendEventLines(const std::vector<std::string>& lines) override;
  int EventLineCount() override;
  std::string EventLineText(int line) override;
  int EventSelection() override;
  void SelectEventLine(int line) override;
  void FocusEventList() override;
  EventListGeometry EventGeometry() override;
  void OpenLineEditor(int line) override;
  std::string LineEditorText() override;
  void CloseLineEditor() override;

  // Whether the keyboard is grabbed for a recording (tests).
  bool KeyboardGrabbed() const { return keyboardGrabbed_; }
  // A key pressed or released while recording, by its X key code.
  void RecordNativeKey(uint32_t keycode, bool press, bool autoRepeat);

  // ---- TimerPort (the retries after a resume) ----
  void CallAfter(uint32_t ms, std::function<void()> fn) override;
  void CancelCall() override;
  // The context menu of the event list, at a screen position (the macro
  // editor decides when it shows); the chosen command goes to the controller.
  void PopupContextMenu(const QPoint& globalPos);

 protected:
  // Sees every event of this window and its controls before they do: keys
  // while recording, Escape/Return/F10, right-button releases on the
  // Advanced page.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void OnPrepareForSleep(bool sleeping);

 private:
  void ShowWindowMenu(const QPoint& globalPos);
  void CreateTray();
  void ConnectPowerEvents();
  void ShowAbout();
  void StyleControls();
  PopupEnvironment Popups();
  // Builds a menu of the window toolkit from the shown items of an owner-drawn menu;
  // its commands go to OnMenuCommand.
  void FillMenu(QMenu& menu, const std::vector<skin::MenuNode>& items);
  void OnMenuCommand(int commandId);
  void ClosePopups();
  bool OnRightButtonRelease(const QPoint& globalPos);
  void GrabKeyboardForRecording(bool grab);

  AppState& state_;
  skin::PagePainter painter_;
  ColourAnimation animation_;
  QRegion repaintRegion_;  // the window minus the Advanced page's lists and name box
  QRegion shape_;          // the window's pixels by the mask (empty: no mask applied yet)
  // The shipped mask's shape, built on a worker while the start-up sequence
  // runs; taken by ApplyWindowShape when it asks for that file unchanged.
  struct PreparedShape {
    std::filesystem::path file;
    FileStamp stamp;
    bool stamped = false;
    skin::MaskShape shape;
  };
  std::future<PreparedShape> preparedShape_;
  bool shaped_ = false;
  // The window system shows per-pixel transparency: everything outside the
  // shape is painted fully transparent, so the desktop shows there even where
  // a window system ignores the shape for drawing.
  bool translucent_ = false;
  bool trayWanted_ = false;  // TrayAdd came before the first frame: made after it
  bool eventsConnected_ = false;       // ConnectEvents has run
  bool powerEventsConnected_ = false;  // sleep and resume are subscribed to
  bool destroyed_ = false;
  bool firstPaintDone_ = false;
  bool manualDrag_ = false;  // the window system cannot move the window: we do
  QPoint dragOffset_;

  QSystemTrayIcon* tray_ = nullptr;
  skin::OwnerDrawnMenuStyle menuStyle_;
  QMenu* trayMenu_ = nullptr;     // the shown part of state.trayMenu
  QMenu* contextMenu_ = nullptr;  // the shown part of state.contextMenu
  QPointer<FunctionMenu> buttonMenu_;
  QMenu* windowMenu_ = nullptr;
  QAction* minimiseAction_ = nullptr;
  QAction* hideAction_ = nullptr;
  QAction* aboutAction_ = nullptr;

  QPointer<QLineEdit> countEdit_;
  QPointer<QLineEdit> nameEdit_;
  QPointer<QListWidget> macroList_;
  QPointer<EditableListBox> eventList_;
  bool keyboardGrabbed_ = false;
  X11KeyboardGrab rootGrab_;

  QTimer* callTimer_ = nullptr;
  std::function<void()> call_;
  ResumeReapply resume_;

  QSocketNotifier* deviceNotifier_ = nullptr;
  QSocketNotifier* exitNotifier_ = nullptr;
  bool exitRequested_ = false;
};

}  // namespace orv::app
