#pragma once
// The main window: a frameless, skin-painted widget shaped by the mask
// picture. It turns the window system's events into calls of the controller
// and the shell, and carries out their requests (the AppPort). The Advanced
// page's controls, the tray and the events from outside the window are
// objects of their own (MacroPageControls, Tray, SystemEvents), and so is
// the keyboard on its painted controls (KeyboardFocus).
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "app/app_port.h"
#include "app/app_state.h"
#include "app/colour_animation.h"
#include "gui/dialogs.h"
#include "gui/keyboard_focus.h"
#include "gui/macro_controls.h"
#include "gui/menu_style.h"
#include "gui/page_painter.h"
#include "gui/popups.h"
#include "gui/region.h"
#include "gui/system_events.h"
#include "gui/tray.h"
#include "platform/file_stamp.h"

class QAction;
class QMenu;

namespace orv::app {

class MainWindow final : public QWidget, public AppPort {
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
  // A right-click on profile chip n (1 ... 5) at a point of the screen.
  std::function<void(int32_t, const QPoint&)> onProfileChipMenu;
  // The owner-drawn menus' style, for menus made outside the window.
  QStyle& MenuStyle() { return menuStyle_; }

  // Runs `finish` once the first frame is out, right after onFirstPaint, or a
  // second from now should that frame never come (a window system that never
  // shows the window): the rest of the start-up that the first frame need not
  // wait for.
  void FinishAfterFirstFrame(std::function<void()> finish);

  // Connects the mouse's arrival and removal notifications at once, the
  // power events once the first frame is out. Called once the window runs.
  void ConnectEvents() { events_.ConnectEvents(firstPaintDone_); }
  // Watches the exit signals from before the start-up runs (SystemEvents).
  void ConnectExitSignal(int exitSignalFd) { events_.ConnectExitSignal(exitSignalFd); }
  bool ExitRequested() const { return events_.ExitRequested(); }
  // The window was destroyed (HostExit or removal of the mouse).
  bool Destroyed() const { return destroyed_; }
  // Composes the first frame right after show(), while the window system
  // maps the window; the first paint takes it unless something changed.
  void ComposeFirstFrameAhead();
  // Ends the colour preview worker (before the window goes away).
  void StopAnimation();
  // Whether the keyboard is grabbed for a recording (tests).
  bool KeyboardGrabbed() const { return macroControls_.KeyboardGrabbed(); }

  // ---- AppPort ----
  void ShowMessage(const std::string& text) override;
  void Invalidate(RepaintArea area) override;
  void PostRepaint() override;
  void SetTitle(const std::string& title) override;
  void SetIcon() override;
  Outcome ApplyWindowShape(const std::filesystem::path& maskFile, int32_t& width, int32_t& height) override;
  Point WindowOrigin() override;
  void StartSystemMove() override;
  void Minimise() override;
  void Hide() override;
  void ShowAndRestore() override;
  void DestroyWindow() override;
  bool TrayAvailable() override { return Tray::Available(); }
  void TrayAdd() override { tray_.Add(firstPaintDone_); }
  void TrayRemove() override { tray_.Remove(); }
  void LoadMenus(int32_t language) override;
  std::optional<std::filesystem::path> ChooseFile(const FileDialogOptions& options) override {
    return ChooseFileDialog(this, options);
  }
  std::optional<uint32_t> ChooseColour(uint32_t initial) override { return ChooseColourDialog(this, initial); }
  void CreateMacroControls() override { macroControls_.Create(); }
  void DestroyMacroControls() override { macroControls_.Destroy(); }
  void RefillMacroLists() override { macroControls_.Refill(); }
  std::string CountEditText() override { return macroControls_.CountText(); }
  void SetCountEditText(const std::string& text) override { macroControls_.SetCountText(text); }
  void StartColourAnimation() override;
  int ShowLeftClickWarning() override;
  void OpenButtonMenu(int button, Point anchor) override;
  void CloseButtonMenu() override;
  void AddMacro() override { macroControls_.AddMacro(); }
  void DeleteMacro() override { macroControls_.DeleteMacro(); }
  void ToggleRecording() override { macroControls_.ToggleRecording(); }
  void StopRecording() override { macroControls_.StopRecording(); }
  void ToggleMacroMode(uint8_t modeBit) override { macroControls_.ToggleMacroMode(modeBit); }
  MacroView* MacroControls() override { return &macroControls_; }
  void Announce(const std::string& text) override { keyboard_.Announce(text); }

  // ---- Keyboard and assistive technology ----
  const AppState& State() const { return state_; }
  // The painted controls' focus, the keys that move it and the status line.
  KeyboardFocus& Keyboard() { return keyboard_; }
  FunctionMenu* OpenFunctionMenu() const { return buttonMenu_; }

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

 private:
  PopupEnvironment Popups();
  // What a paint shows now.
  skin::PaintState CurrentPaintState() const;
  // A command of the tray menu or of the event list's context menu.
  void OnMenuCommand(int commandId);
  void ClosePopups();

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
  bool destroyed_ = false;
  bool firstPaintDone_ = false;
  bool iconAfterFirstFrame_ = false;
  skin::PaintState aheadState_;               // the state the frame composed ahead shows
  std::atomic<bool> composedAhead_ = false;   // cleared by every repaint request, from any thread
  std::function<void()> finishAfterFirstFrame_;
  void RunFinishAfterFirstFrame();
  bool manualDrag_ = false;  // the window system cannot move the window: we do
  QPoint dragOffset_;

  // The menus' style goes after the menus that use it (declared before them).
  skin::OwnerDrawnMenuStyle menuStyle_;
  Tray tray_;
  app::MacroPageControls macroControls_;
  KeyboardFocus keyboard_;
  SystemEvents events_;
  QPointer<FunctionMenu> buttonMenu_;
  QMenu* windowMenu_ = nullptr;
  QAction* minimiseAction_ = nullptr;
  QAction* hideAction_ = nullptr;
  QAction* aboutAction_ = nullptr;
};

}  // namespace orv::app
