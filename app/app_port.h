#pragma once
// Everything the program's decisions ask of the main window. The decisions
// (pointer handling, start-up, language switch, tray and exit) are plain C++;
// the window toolkit implements this port, and the tests record its calls.
// All methods are called on the window thread, except PostRepaint.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "app/app_state.h"
#include "app/tell.h"
#include "platform/file_problem.h"

namespace orv::app {

class MacroView;

enum class RepaintArea : uint8_t {
  Whole,            // the whole window
  OutsideControls,  // the window minus the Advanced page's child controls
};

// A file dialog: filter "All Files(*.dat)" with pattern "*.dat" and so on.
struct FileDialogOptions {
  bool save = false;
  std::string filterName;
  std::string pattern;
  std::string defaultExtension;  // added to a typed name without one (save dialogs)
  std::filesystem::path initialFolder;
  bool confirmOverwrite = false;
  bool operator==(const FileDialogOptions&) const = default;
};

// Result of the warning shown before a button's function is changed when it
// holds the mouse's only left click.
inline constexpr int kWarningCancel = 2;

class AppPort : public MessageSink {
 public:
  // ---- Painting ----
  virtual void Invalidate(RepaintArea area) = 0;
  // Asks for a repaint from any thread; it happens later on the window thread.
  virtual void PostRepaint() = 0;

  // ---- The window ----
  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetIcon() = 0;
  // Cuts the window's shape from the mask picture and makes the window its
  // size. When the picture is unusable, returns the missing-file failure
  // that says why (missing, unreadable, not a picture, too large).
  [[nodiscard]] virtual Outcome ApplyWindowShape(const std::filesystem::path& maskFile, int32_t& width,
                                                 int32_t& height) = 0;
  // Screen position of the window's top-left corner.
  virtual Point WindowOrigin() = 0;
  // Lets the window system move the window with the held pointer.
  virtual void StartSystemMove() = 0;
  virtual void Minimise() = 0;
  virtual void Hide() = 0;
  // Shows the window again, from the tray or from the taskbar, and restores it.
  virtual void ShowAndRestore() = 0;
  // Destroys the main window; the program then ends with status 0.
  virtual void DestroyWindow() = 0;

  // ---- Tray ----
  // Whether the desktop has a notification area to hide into.
  virtual bool TrayAvailable() = 0;
  virtual void TrayAdd() = 0;
  virtual void TrayRemove() = 0;
  // The tray menu (and the other texts of the window toolkit) of a language.
  virtual void LoadMenus(int32_t language) = 0;

  // ---- Dialogs ----
  virtual std::optional<std::filesystem::path> ChooseFile(const FileDialogOptions& options) = 0;
  // The colour dialog; the result is 24-bit, red in the low byte.
  virtual std::optional<uint32_t> ChooseColour(uint32_t initial) = 0;

  // ---- The Advanced page's child controls ----
  // Creates the repeat-count and name edit boxes and the macro and event
  // lists at the layout's control rectangles, in this order.
  virtual void CreateMacroControls() = 0;
  virtual void DestroyMacroControls() = 0;
  virtual void RefillMacroLists() = 0;
  virtual std::string CountEditText() = 0;
  virtual void SetCountEditText(const std::string& text) = 0;

  // ---- Colour preview ----
  // Starts the preview worker; the caller has set preview.running.
  virtual void StartColourAnimation() = 0;

  // ---- Button-function popup (hit indexes 20 ... 26 of the Main page) ----
  // The warning before the only left click is reassigned; kWarningCancel stops.
  virtual int ShowLeftClickWarning() = 0;
  // Opens the function menu for mouse button `button` at `anchor` (screen).
  virtual void OpenButtonMenu(int button, Point anchor) = 0;
  virtual void CloseButtonMenu() = 0;

  // ---- Macro editor operations of the Advanced page ----
  virtual void AddMacro() = 0;             // index 2: a macro named by the name box
  virtual void DeleteMacro() = 0;          // index 3: the selected macro
  virtual void ToggleRecording() = 0;      // index 4
  // Ends a recording that runs (before the macros are reloaded) and gives
  // the keyboard back; nothing when none runs.
  virtual void StopRecording() = 0;
  virtual void ToggleMacroMode(uint8_t modeBit) = 0;  // indexes 6 and 7
  // The Advanced page's four controls, for the editor's operations; none
  // where the port has no such controls.
  virtual MacroView* MacroControls() { return nullptr; }

  // ---- Assistive technology ----
  // A change a screen reader should speak (a page shown, a function chosen,
  // an Apply done); nothing where the port has no reader to tell.
  virtual void Announce(const std::string& /*text*/) {}
};

}  // namespace orv::app
