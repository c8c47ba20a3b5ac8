#include "app/startup.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/controller.h"
#include "app/shell.h"
#include "device/device_link.h"
#include "drive/playback.h"
#include "macros/macro_files.h"
#include "platform/atomic_file.h"
#include "platform/file_names.h"
#include "platform/log.h"
#include "settings/config_check.h"
#include "settings/config_file.h"
#include "settings/macro_pair.h"
#include "settings/profile_slots.h"
#include "skin/layout.h"
#include "skin/picture_names.h"

namespace orv::app {
namespace {

// The input-report listener and the macro executor.
void StartPlayback(AppState& s, AppPort& port) {
  s.session.link = std::make_unique<device::DeviceLink>(*s.session.backend, s.session.channel);
  if (!s.playback.launcher) return;  // no playback threads (tests of the start-up order)
  drive::PlaybackDeps deps;
  deps.settings = &s.settings;
  deps.macros = &s.macros;
  deps.channel = &s.session.channel;
  deps.input = s.session.link.get();
  deps.profileLocation = [&s] { return s.playback.profile.Get(); };
  deps.repaint = [&port] { port.PostRepaint(); };
  deps.launcher = s.playback.launcher.get();
  deps.clock = s.clock.get();
  s.playback.engine = std::make_unique<drive::PlaybackEngine>(std::move(deps));
  s.playback.engine->Start();
}

// Selected event line of the macro editor: the last event of the selected macro.
int32_t InitialEventLine(const macros::MacroTables& tables) {
  std::lock_guard lock(tables.mutex);
  const int32_t m = tables.selectedMacro;
  if (m < 0 || m >= macros::MACRO_SLOTS) return 0;
  const int32_t n = tables.userMacros[static_cast<size_t>(m)].eventCount;
  return n > 0 ? 2 * n - 2 : 0;
}

void RemoveStaleTemporaries(std::vector<std::filesystem::path> folders) {
  for (std::filesystem::path& folder : folders) folder = folder.lexically_normal();
  std::sort(folders.begin(), folders.end());
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  for (const std::filesystem::path& folder : folders) {
    if (!FolderProblem(folder).empty()) continue;  // nothing is written there (said at start-up)
    const StaleTemporaryCleanup cleanup = RemoveStaleTemporaryFiles(folder, std::filesystem::file_time_type::clock::now());
    for (const std::filesystem::path& removed : cleanup.removed) {
      log::Info(log::kFiles, "removed the stale temporary file " + removed.string());
    }
    if (!cleanup.failures.empty()) log::Warning(log::kFiles, JoinedText(cleanup.failures, "; "));
  }
}

}  // namespace

StartupResult InitialiseMainWindow(AppState& s, AppPort& port, const StartupOptions& options) {
  // The playback threads first, with both hand-off flags clear.
  StartPlayback(s, port);
  port.SetIcon();
  // Paths.
  s.folders = FoldersOf(s);
  s.skinDir = s.folders.data.string() + "/" + names::kSkinFolder;
  s.configPath = s.folders.configPath;
  // The user's folder gets the shipped files on the first start.
  for (const Failure& problem : PrepareUserFolder(s.folders)) log::Warning(log::kFiles, problem.Text());
  // What the settings are read from: never a file that is missing or cannot
  // be read (settings::ResolveConfiguration says what stands in for it).
  if (const settings::ConfigResolution resolved = settings::ResolveConfiguration(s.folders);
      !resolved.message.empty()) {
    Tell(port, resolved.message, log::kFiles);
  }
  // Current profile, language, and that profile's settings.
  settings::ReadCurrentProfile(s.configPath, s.profile);
  if (options.profile >= settings::kFirstUserProfile && options.profile <= settings::kLastUserProfile) {
    s.profile.curProfile = options.profile;
  }
  s.language = settings::ReadLanguage(s.configPath);
  LoadUserProfile(s, port, s.profile.curProfile);
  PublishSharedSettings(s);
  // From the title on, a second start can find this window.
  port.SetTitle(kWindowTitle);
  // The page layouts, then the warning dialog's.
  const skin::LayoutLoad layouts = skin::LoadAllLayouts(s.layout, s.skinDir, s.language);
  Tell(port, layouts.said, log::kApp);
  if (!layouts) {
    HostExit(s, port);
    return StartupResult::Failed;
  }
  // The window's shape and size. Without its mask the window would
  // have no size at all, so a missing mask is reported like a missing layout.
  int32_t width = 0;
  int32_t height = 0;
  const std::filesystem::path mask = s.skinDir / skin::pictures::kMainMask;
  if (const Outcome failed = port.ApplyWindowShape(mask, width, height)) {
    Tell(port, *failed, log::kApp);
    HostExit(s, port);
    return StartupResult::Failed;
  }
  s.windowWidth = width;
  s.windowHeight = height;
  // The user macros of the language and the built-in macros; they
  // replace the macros the profile load brought.
  s.macroFilePath = MacroFilePathFor(s.folders.user, s.language);
  if (const Outcome said = settings::LoadUserMacros(s.configPath, s.macroFilePath, s.language, s.profile, s.macros)) {
    Tell(port, *said, log::kFiles, log::Level::Warning);
  }
  IniEdit constMacros(s.folders.data / names::kConstMacroFile);
  if (!constMacros.FileExists()) Tell(port, MissingFile(constMacros.path()));
  macros::LoadMacros(constMacros, names::kMacroSection, s.macros, macros::MacroTarget::Const);
  // Temporary files of writes that a kill cut short, in every folder the
  // program writes to.
  RemoveStaleTemporaries({s.configPath.parent_path(), MacroFolder(s)});
  // No popup is open; the editor's line is the selected macro's last event.
  s.ui.buttonMenuOpen = false;
  s.editor.selectedEventLine = InitialEventLine(s.macros);
  port.LoadMenus(s.language);
  // The mouse; without it the prompt, then the program ends having sent and
  // changed nothing. Arrivals and removals are watched from before the mouse
  // is opened, so a removal during the rest of the start-up is not missed:
  // the window handles the events waiting once its loop runs.
  if (s.session.backend) s.session.backend->Events();
  switch (device::ConnectAtStartup(*s.session.link)) {
    case device::StartupOutcome::Absent:
      // An automatic start without the mouse is no news to anyone.
      if (!options.whenPresent) Tell(port, PlugInPrompt(s.language), log::kDevice);
      HostExit(s, port);
      return StartupResult::Ended;
    case device::StartupOutcome::NotAccessible:
      Tell(port, NotAccessibleMessage(s.language), log::kDevice);
      HostExit(s, port);
      return StartupResult::Ended;
    case device::StartupOutcome::Ready:
      break;
  }
  // The start-minimised switch.
  s.hideAtStart = (options.whenPresent || HideSwitchPresent(options.commandLine)) ? 1 : 0;
  if (!options.finishLater) FinishStartup(s, port);
  return StartupResult::Running;
}

void FinishStartup(AppState& s, AppPort& port) {
  if (s.session.ended.load()) return;
  // Give the mouse a moment, then send it the current profile.
  s.clock->SleepMs(5, {});
  ApplyCurrentProfile(s, port, false);
  // The tray icon.
  port.TrayAdd();
}

std::string PlugInPrompt(int32_t language) {
  char model[32];
  std::snprintf(model, sizeof model, "%s", device::kModelName);
  if (language != 0) return std::string("Please plug-in【") + model + "】USB Mouse";
  return std::string("Lütfen【") + model + "】USB Mouse'u Takınız";
}

std::string NotAccessibleMessage(int32_t language) {
  const std::string rule = device::kUdevRuleFile;
  if (language != 0) {
    return std::string("The 【") + device::kModelName +
           "】USB Mouse is plugged in, but this user may not open it.\n"
           "Copy the rule file udev/" + rule + " from the program's folder to /etc/udev/rules.d/, "
           "run \"udevadm control --reload-rules\" as root, then unplug the mouse and plug it in again.";
  }
  return std::string("【") + device::kModelName +
         "】USB Mouse takılı, ancak bu kullanıcının fareyi açma izni yok.\n"
         "Programın klasöründeki udev/" + rule + " kural dosyasını /etc/udev/rules.d/ klasörüne kopyalayın, "
         "root olarak \"udevadm control --reload-rules\" komutunu çalıştırın, sonra fareyi çıkarıp yeniden takın.";
}

}  // namespace orv::app
