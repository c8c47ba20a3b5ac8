#include "app/app_state.h"

#include "device/device_link.h"
#include "device/hid_transport.h"
#include "drive/apply.h"
#include "drive/playback.h"
#include "platform/file_names.h"
#include "platform/launch.h"
#include "settings/host_settings.h"

namespace orv::app {

void ProfileMirror::Publish(const std::filesystem::path& configPath, int32_t profile) {
  std::lock_guard lock(mutex_);
  configPath_ = configPath;
  profile_ = profile;
}

drive::ProfileLocation ProfileMirror::Get() const {
  std::lock_guard lock(mutex_);
  return {configPath_, profile_};
}

AppState::AppState() = default;

AppState::~AppState() { StopWorkers(*this); }

std::filesystem::path MacroFilePathFor(const std::filesystem::path& folder, int32_t language) {
  // Plain concatenation: an empty folder gives a path that starts with "/".
  return folder.string() + "/" + names::UserMacroFileFor(language);
}

std::filesystem::path MacroFolder(const AppState& state) { return state.macroFilePath.parent_path(); }

ProgramFolders FoldersOf(const AppState& state) {
  return state.folders.data.empty() ? PortableFolders(state.exeDir) : state.folders;
}

void PublishSharedSettings(AppState& state) {
  const settings::MouseSettings& s = state.settings;
  state.preview.ledType = s.LED_TYPE;
  state.preview.cycleTime = s.LED_CYC_TIME;
  state.preview.cycleMask = settings::CycleMaskOf(s.colourCycleFlags);
  state.playback.profile.Publish(state.configPath, state.profile.curProfile);
}

settings::ConfigContext MakeConfigContext(AppState& state) {
  return settings::ConfigContext{state.settings, state.macros, &state.profile, state.language};
}

void LoadUserProfile(AppState& state, MessageSink& window, int32_t n) {
  settings::ConfigContext ctx = MakeConfigContext(state);
  if (const settings::ProfileLoad load = settings::LoadConfig(ctx, state.configPath, n, false); load.missingFile) {
    Tell(window, *load.missingFile);
  }
}

drive::ApplyContext MakeApplyContext(AppState& state, drive::WindowPort* window) {
  drive::ApplyContext c(MakeConfigContext(state), state.session.channel);
  c.exeDir = MacroFolder(state);
  c.configPath = state.configPath;
  c.macroFilePath = state.macroFilePath;
  c.host = state.session.host.get();
  c.window = window;
  return c;
}

void StopWorkers(AppState& state) {
  if (state.playback.engine) state.playback.engine->Stop();
}

}  // namespace orv::app
