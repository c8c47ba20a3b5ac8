#pragma once
// Apply and Reset: the one place where settings leave the program. Apply saves
// the live profile, pushes every device setting to the mouse as a fixed
// sequence of 22 feature reports, and sets the desktop's pointer speed and
// wheel lines. Reset restores the factory profiles and ends with Apply.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "device/report_protocol.h"
#include "macros/macro_model.h"
#include "platform/failure.h"
#include "platform/file_problem.h"
#include "settings/config_file.h"
#include "settings/host_settings.h"
#include "settings/mouse_settings.h"

namespace orv::drive {

// What Apply and Reset need of the main window.
class WindowPort {
 public:
  virtual ~WindowPort() = default;
  virtual bool MacroPageOpen() = 0;
  // Takes the repeat count from the macro page's edit box into the selected macro.
  virtual void TakeRepeatCount() = 0;
  virtual void RefillMacroLists() = 0;
  virtual void Repaint() = 0;
};

// What Apply and Reset work on: the profile context (settings, macros, profile
// bookkeeping, language) and the channel to the mouse always; the desktop
// settings and the window when there are any.
struct ApplyContext {
  ApplyContext(settings::ConfigContext config, device::ReportChannel& channel) : config(config), channel(channel) {}

  settings::ConfigContext config;
  std::filesystem::path exeDir;         // folder of the language macro files
  std::filesystem::path configPath;     // skins/config/config.ini
  std::filesystem::path macroFilePath;  // the user macro file of the interface language
  device::ReportChannel& channel;
  settings::HostSettings* host = nullptr;  // optional
  WindowPort* window = nullptr;            // optional
};

struct ApplyOutcome {
  // Files that could not be written, with the reason; empty when all were saved.
  std::vector<Failure> writeErrors;
  // True when the live settings broke the model's rules and were repaired
  // before anything was sent (for example no button left with the left click).
  bool repaired = false;
  // The current profile's file was missing when it was read back.
  Outcome missingFile;
};

// System pointer speed (1 ... 20) for a DPI_SPEED step.
int32_t PointerSpeedFor(uint8_t dpiSpeed);

ApplyOutcome ApplySettings(ApplyContext& ctx);
ApplyOutcome ResetAllProfiles(ApplyContext& ctx);

}  // namespace orv::drive
