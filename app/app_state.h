#pragma once
// The one process-wide record of the program: paths, the profile and language
// in use, the skin of the language, the live settings and macros, and the
// sub-records of the page and pointer, the colour preview, the macro editor,
// the device session and the playback threads. Each sub-record says which
// thread writes it; the fields other threads read are atomic (Shared<T>) or
// guarded by their own lock.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "device/report_protocol.h"
#include "macros/macro_model.h"
#include "macros/recorder.h"
#include "app/tell.h"
#include "platform/clock.h"
#include "platform/program_folders.h"
#include "platform/shared_value.h"
#include "settings/config_file.h"
#include "settings/mouse_settings.h"
#include "skin/layout.h"
#include "skin/owner_drawn_menu.h"

namespace orv {
class ProgramLauncher;
}  // namespace orv
namespace orv::device {
class HidBackend;
class DeviceLink;
}  // namespace orv::device
namespace orv::settings {
class HostSettings;
}  // namespace orv::settings
namespace orv::drive {
struct ApplyContext;
class WindowPort;
struct ProfileLocation;
class PlaybackEngine;
}  // namespace orv::drive

namespace orv::app {

// The main window's title; a second start finds the first one's window by it.
inline constexpr const char* kWindowTitle = "KTR-580 GAMING MOUSE";
// Name of the single-instance lock and of the first instance's local socket.
inline constexpr const char* kInstanceName = "CORV_ZIduzuApp";
// The executable's file name, which is also the caption of every message box.
inline constexpr const char* kAppName = "ORV_ZIduzu";

inline constexpr uint8_t kPageMain = 0;
inline constexpr uint8_t kPageAdvanced = 1;
inline constexpr uint8_t kPageColor = 2;
inline constexpr int32_t kNone = skin::kNoIndex;

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const Point&) const = default;
};

// Where the executor saves the active level the mouse reports. The window
// thread publishes the current profile here; the executor reads it.
class ProfileMirror {
 public:
  void Publish(const std::filesystem::path& configPath, int32_t profile);
  drive::ProfileLocation Get() const;

 private:
  mutable std::mutex mutex_;
  std::filesystem::path configPath_;
  int32_t profile_ = 0;
};

// An in-place edit of the event list: the macro and line it was opened on,
// and that macro as it was then (an edit whose macro changed meanwhile, by a
// deletion, a move or a reload, stores nothing).
struct EventEdit {
  int32_t macro = 0;
  int32_t line = 0;
  macros::MacroRecord before;
};

// The page shown, the pointer over it and the button-function popup.
// Written by the window thread (the controller and the popups); the
// colour-preview worker reads `page`.
struct PageState {
  Shared<uint8_t> page{kPageMain};
  int32_t hoverMain = 0;
  int32_t hoverColor = kNone;
  int32_t hoverAdvanced = kNone;
  // The hover values a repaint was last asked for.
  int32_t paintedMain = kNone;
  int32_t paintedColor = kNone;
  int32_t paintedAdvanced = kNone;
  int32_t pressed = 0;

  // ---- Button-function popup ----
  bool buttonMenuOpen = false;
  int32_t menuButton = 0;  // hit index 20 ... 26 of the button being edited
  Point menuAnchor;        // screen position of the popup's top-left corner
  // Set by a choice in the second-level menu: the main window's next paint
  // closes the first-level menu.
  bool closeMenuOnPaint = false;
  int32_t subMenuLastCode = 0;  // code of the latest second-level choice
};

// The Color page's preview. The window thread sets `running` when the page
// is entered and copies the lighting settings the worker reads after every
// change (PublishSharedSettings); the colour-preview worker writes `index`
// and `blinkPhase`, which the window thread paints, and clears `running` as
// it ends.
struct ColourPreview {
  Shared<bool> running{false};
  Shared<uint8_t> index{0};
  Shared<uint8_t> blinkPhase{0};
  Shared<uint8_t> ledType{0};
  Shared<uint8_t> cycleTime{0};
  Shared<uint8_t> cycleMask{0};
};

// The macro editor of the Advanced page and the recorder. Window thread only.
struct EditorState {
  int32_t selectedEventLine = 0;
  int32_t eventLineCount = 0;  // lines of the event list at the last right-click
  int32_t contextMacro = 0;    // macro the context commands act on
  int32_t contextEvent = 0;    // event the context commands act on
  std::optional<EventEdit> eventEdit;  // the event list's open in-place edit
  int32_t eventListPendingChar = 0;    // the last character typed on the event list
  bool recording = false;      // a macro recording runs (mirrors recorder.Recording())
  macros::Recorder recorder;
};

// The mouse and the desktop, filled by the caller before start-up. The
// window thread sends through `channel`, and so does the executor: the
// channel's own lock makes each report one step. `ended` is set by whichever
// runs the exit sequence first: the window thread, or the exit guard's thread
// when the window thread cannot.
struct DeviceSession {
  std::unique_ptr<device::HidBackend> backend;
  device::ReportChannel channel;
  std::unique_ptr<device::DeviceLink> link;
  std::unique_ptr<settings::HostSettings> host;
  // The exit sequence has run (the mouse was told, or it is gone): nothing
  // more may be sent to it at the process's end.
  std::atomic<bool> ended{false};
};

// What the playback threads are given. The launcher is filled by the caller
// before start-up; the start-up makes the engine. The window
// thread publishes the current profile into `profile`, which the executor
// reads under its lock.
struct PlaybackHandOff {
  std::unique_ptr<ProgramLauncher> launcher;
  ProfileMirror profile;
  std::unique_ptr<drive::PlaybackEngine> engine;
};

struct AppState {
  AppState();
  ~AppState();
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  // ---- Paths, profile and language (window thread; set at start-up, at a
  // profile change and at a language switch) ----
  std::filesystem::path exeDir;
  // Where the shipped data is read and the program's files are written,
  // decided once at start-up; left empty by the caller, they are exeDir's.
  ProgramFolders folders;
  std::filesystem::path skinDir;        // folders.data/skins
  std::filesystem::path configPath;     // folders.configPath
  std::filesystem::path macroFilePath;  // folders.user/Macro_EN.dat or Macro_CN.dat
  settings::ProfileState profile;       // curConfigText, configSection, curProfile
  int32_t language = 0;                 // non-zero English, zero Turkish
  int32_t hideAtStart = 0;
  // The per-application rule that chose the current profile ("<application
  // id>=<profile>", or "Default=<profile>"); "" when none did (window thread).
  std::string activeAppRule;
  // Why a switch asked for by the focused application waits ("" when none does).
  std::string appSwitchWaiting;

  // ---- The skin of the language (window thread) ----
  skin::COrvMenu contextMenu;  // the event list's context menu
  skin::COrvMenu trayMenu;
  int32_t windowWidth = 0;
  int32_t windowHeight = 0;
  skin::SkinLayout layout;

  // ---- Settings and macros: edited by the window thread; the executor reads
  // the settings one whole field at a time, and the macros under their lock ----
  settings::MouseSettings settings;
  macros::MacroTables macros;

  // ---- The program's clock: every wait, the recorder's stamps and the
  // retries after a resume. Used from every thread; the caller may put the
  // window's clock in before start-up. ----
  std::unique_ptr<Clock> clock = std::make_unique<SteadyClock>();

  PageState ui;
  ColourPreview preview;
  EditorState editor;
  DeviceSession session;
  PlaybackHandOff playback;  // declared last: stopped first
};

// folder + "/Macro_EN.dat" for a non-zero language, else folder + "/Macro_CN.dat".
std::filesystem::path MacroFilePathFor(const std::filesystem::path& folder, int32_t language);
// The folder of the user macro files: the one macroFilePath lies in.
std::filesystem::path MacroFolder(const AppState& state);
// state.folders, or the portable folders of state.exeDir while they are not
// decided.
ProgramFolders FoldersOf(const AppState& state);

// Copies the values other threads read (the lighting settings for the colour
// preview, the current profile for the executor) into their shared fields.
void PublishSharedSettings(AppState& state);

// The context Apply, Reset, loads and saves work in.
settings::ConfigContext MakeConfigContext(AppState& state);
drive::ApplyContext MakeApplyContext(AppState& state, drive::WindowPort* window);
// Loads user profile n of the configuration file into the live settings and
// macros; a missing file is told to the user.
void LoadUserProfile(AppState& state, MessageSink& window, int32_t n);

// Stops the playback threads (they hold references into the record).
void StopWorkers(AppState& state);

}  // namespace orv::app
