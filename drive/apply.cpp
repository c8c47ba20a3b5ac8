#include "drive/apply.h"

#include <algorithm>
#include <map>
#include <memory>

#include "device/wire_codes.h"
#include "macros/macro_files.h"
#include "platform/file_names.h"
#include "platform/log.h"
#include "platform/private_profile.h"
#include "settings/macro_pair.h"

namespace orv::drive {
using namespace orv::settings;
namespace {

// The files one Apply or Reset touches, each written once at the end: the
// configuration first, then the macro file it describes (see
// settings/macro_pair.h), then anything else.
class FileBatches {
 public:
  IniEdit& For(const std::filesystem::path& file) {
    auto& slot = edits_[Key(file)];
    if (!slot) slot = std::make_unique<IniEdit>(file);
    return *slot;
  }
  void CommitAll(const ApplyContext& ctx, std::vector<Failure>& errors) {
    const auto config = edits_.find(Key(ctx.configPath));
    const auto macros = edits_.find(Key(ctx.macroFilePath));
    if (config != edits_.end() && macros != edits_.end()) {
      for (Failure& error : CommitMacroPair(*config->second, *macros->second, ctx.config.language)) {
        errors.push_back(std::move(error));
      }
      edits_.erase(Key(ctx.configPath));
      edits_.erase(Key(ctx.macroFilePath));
    }
    for (auto& [name, edit] : edits_) {
      if (Outcome failed = edit->Commit()) errors.push_back(std::move(*failed));
    }
  }

 private:
  static std::string Key(const std::filesystem::path& file) { return file.lexically_normal().string(); }
  std::map<std::string, std::unique_ptr<IniEdit>> edits_;
};

int32_t CurrentProfile(const ApplyContext& ctx) { return ctx.config.profile ? ctx.config.profile->curProfile : 0; }

// The wire values of one DPI level: the active level, the level's step code
// and the mask of enabled levels.
uint8_t EnabledLevelMask(const MouseSettings& s) {
  uint8_t mask = 0;
  for (int k = 0; k < kLevelCount; ++k) {
    if (s.levels[static_cast<size_t>(k)].enabled != 0) mask = static_cast<uint8_t>(mask | (1u << k));
  }
  return mask;
}

void SendProfile(const ApplyContext& ctx) {
  MouseSettings& s = ctx.config.settings;
  device::ReportChannel& channel = ctx.channel;
  // Button functions are skipped only on a collection whose open failed; the
  // DPI-function flags are kept even when nothing is sent.
  const bool skipButtons = channel.WriteState() == device::HandleState::Invalid;
  for (int b = 0; b < kButtonCount; ++b) {
    const int32_t code = s.K[b];
    s.dpiFunctionButton[b] = IsDpiFunction(code);
    if (!skipButtons) channel.SendButtonFunction(device::kButtonWireCodes[b], device::DeviceFunctionCode(code));
  }
  // A damaged file may hold values the editors never give; the mouse only ever
  // gets values within the model's ranges (the file keeps what it holds until
  // the user saves).
  channel.SendWheelStatus(static_cast<uint8_t>(std::clamp<int32_t>(s.WHEEL_STATUS, 0, 1)));
  channel.SendLighting(s.CYC_7COL_EN, s.LED_TYPE, s.LED_CYC_TIME);
  const uint8_t enabled = EnabledLevelMask(s);
  const auto active = static_cast<uint8_t>(s.DPI_LEVEL.load());
  for (int n = 0; n < kLevelCount; ++n) {
    const DpiLevel& level = s.levels[static_cast<size_t>(n)];
    channel.SendDpiLevel(n, active, device::StepCodeFor(level.step), enabled);
    channel.SendLevelColour(n, static_cast<uint8_t>(level.r), static_cast<uint8_t>(level.g),
                            static_cast<uint8_t>(level.b));
  }
  channel.SendFireTime(static_cast<uint16_t>(std::clamp<int32_t>(s.FIRE_TIME, 0, kFireTimeMax)));
}

void ApplyWith(ApplyContext& ctx, FileBatches& files, ApplyOutcome& outcome) {
  MouseSettings& s = ctx.config.settings;
  if (RepairInvariants(s)) {
    outcome.repaired = true;
    log::Warning(log::kApply,
                 "profile " + std::to_string(CurrentProfile(ctx)) +
                     " broke the settings' rules (no left click, no usable DPI level or no cycle colour) and was "
                     "repaired before it was sent");
  }
  // The colour-cycle mask is rebuilt from the Color page's flags before the
  // snapshot is saved, so Config6 holds the mask the mouse is sent (a hide
  // that reverts to Config6 must not bring back colours from before the Apply).
  s.CYC_7COL_EN = CycleMaskOf(s.colourCycleFlags);
  ConfigContext& config = ctx.config;
  const int32_t profile = CurrentProfile(ctx);

  if (ctx.window && ctx.window->MacroPageOpen()) ctx.window->TakeRepeatCount();
  macros::SaveMacros(files.For(ctx.macroFilePath), names::kMacroSection, ctx.config.macros);
  IniEdit& configFile = files.For(ctx.configPath);
  configFile.SetInt("Init", "CurConfig", profile);
  SaveConfig(config, configFile, kAppliedProfile, true);

  SendProfile(ctx);
  if (ctx.window) ctx.window->Repaint();

  if (ctx.host) {
    int32_t speed = 20;
    if (ctx.host->GetPointerSpeed(speed)) ctx.host->SetPointerSpeed(PointerSpeedFor(s.DPI_SPEED));
    int32_t lines = 0;
    if (ctx.host->GetWheelLines(lines)) ctx.host->SetWheelLines((s.WHEEL_SPEED + 1) % 256);
  }
  SaveConfig(config, configFile, profile, true);
}

}  // namespace

int32_t PointerSpeedFor(uint8_t dpiSpeed) {
  static constexpr int32_t kSpeeds[] = {1, 2, 4, 6, 8, 10, 12, 14, 16};
  return dpiSpeed < std::size(kSpeeds) ? kSpeeds[dpiSpeed] : 18;
}

ApplyOutcome ApplySettings(ApplyContext& ctx) {
  ApplyOutcome outcome;
  FileBatches files;
  ApplyWith(ctx, files, outcome);
  files.CommitAll(ctx, outcome.writeErrors);
  return outcome;
}

ApplyOutcome ResetAllProfiles(ApplyContext& ctx) {
  ApplyOutcome outcome;
  FileBatches files;
  ConfigContext& config = ctx.config;
  IniEdit& configFile = files.For(ctx.configPath);

  ResetToFactory(ctx.config.settings);
  SaveConfig(config, configFile, kFirstUserProfile, false);
  for (int32_t n = kLastUserProfile; n >= kFirstFactoryProfile; --n) {
    LoadConfig(config, configFile, n, true);
    SaveConfig(config, configFile, n, false);
  }
  outcome.missingFile = LoadConfig(config, configFile, CurrentProfile(ctx), false).missingFile;
  if (ctx.window && ctx.window->MacroPageOpen()) {
    ctx.window->RefillMacroLists();
    ctx.window->Repaint();
  }
  const char* macroFile = names::UserMacroFileFor(ctx.config.language);
  macros::SaveMacros(files.For(ctx.exeDir / macroFile), names::kMacroSection, ctx.config.macros);

  ApplyWith(ctx, files, outcome);
  files.CommitAll(ctx, outcome.writeErrors);
  return outcome;
}

}  // namespace orv::drive
