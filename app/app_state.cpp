#include "app/app_state.h"

#include "platform/file_names.h"

namespace orv::app {

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
  state.sharedLedType = s.LED_TYPE;
  state.sharedCycleTime = s.LED_CYC_TIME;
  state.sharedCycleMask = settings::CycleMaskOf(s.colourCycleFlags);
  state.profileMirror.Publish(state.configPath, state.profile.curProfile);
}

settings::ConfigContext MakeConfigContext(AppState& state, MessageSink* messages) {
  return settings::ConfigContext{state.settings, state.macros, &state.profile, state.language, messages};
}

drive::ApplyContext MakeApplyContext(AppState& state, drive::WindowPort* window, MessageSink* messages) {
  drive::ApplyContext c(MakeConfigContext(state, messages), state.channel);
  c.exeDir = MacroFolder(state);
  c.configPath = state.configPath;
  c.macroFilePath = state.macroFilePath;
  c.host = state.host.get();
  c.window = window;
  return c;
}

void StopWorkers(AppState& state) {
  if (state.playback) state.playback->Stop();
}

}  // namespace orv::app
