#include "app/controller.h"

#include <algorithm>

#include "app/shell.h"
#include "macros/macro_files.h"
#include "platform/decimal.h"
#include "platform/log.h"
#include "settings/config_file.h"
#include "settings/mouse_settings.h"
#include "skin/function_menu.h"

namespace orv::app {
namespace {

using settings::MouseSettings;

// A write error that names the file it is about.
std::string NameFile(const std::filesystem::path& file, const std::string& error) {
  if (error.find(file.string()) != std::string::npos) return error;
  return file.string() + ": " + error;
}

bool InRange(int32_t v, int32_t first, int32_t last) { return v >= first && v <= last; }

bool AnyHover(const AppState& s) {
  return s.hoverMain != kNone || s.hoverColor != kNone || s.hoverAdvanced != kNone;
}

// The Advanced page's controls exist exactly while the page is shown.
void LeaveAdvancedPage(AppState& s, AppPort& port) {
  if (s.page == kPageAdvanced) port.DestroyMacroControls();
}

// ---- Advanced page operations ----

void ImportMacros(AppState& s, AppPort& port) {
  const auto file = port.ChooseFile(MacroFileDialog(s, false));
  if (!file) return;
  macros::LoadMacros(*file, "Macros", s.macros, macros::MacroTarget::User, &port);
  port.RefillMacroLists();
  port.Invalidate(RepaintArea::Whole);
}

void ExportMacros(AppState& s, AppPort& port) {
  const auto file = port.ChooseFile(MacroFileDialog(s, true));
  if (!file) return;
  const std::string error = macros::SaveMacros(*file, "Macros", s.macros);
  if (!error.empty()) ReportSaveErrors(s, port, {NameFile(*file, error)});
}

// The Advanced page's Save: the macro file of the language, then the current
// profile with its macros.
void SaveMacrosAndProfile(AppState& s, AppPort& port) {
  TakeRepeatCount(s, port);
  std::vector<std::string> errors;
  if (std::string e = macros::SaveMacros(s.macroFilePath, "Macros", s.macros); !e.empty()) {
    errors.push_back(NameFile(s.macroFilePath, e));
  }
  settings::ConfigContext ctx = MakeConfigContext(s, &port);
  if (std::string e = settings::SaveConfig(ctx, s.configPath, s.profile.curProfile, true); !e.empty()) {
    errors.push_back(NameFile(s.configPath, e));
  }
  ReportSaveErrors(s, port, errors);
}

// ---- Presses per page ----

void StartMoveIf(bool noTarget, AppPort& port) {
  if (noTarget) port.StartSystemMove();
}

void PressMain(AppState& s, Point, AppPort& port) {
  if (s.buttonMenuOpen) {
    port.CloseButtonMenu();
    s.buttonMenuOpen = false;
  }
  MouseSettings& m = s.settings;
  const int32_t h = s.hoverMain;
  if (h == 10) {
    EnterAdvancedPage(s, port);
  } else if (h == 11) {
    EnterColorPage(s, port);
  } else if (InRange(h, 20, 26)) {
    OpenButtonFunctionPopup(s, h, port);
  } else if (h == 32 || h == 33) {
    settings::SetWheelStatus(m, h - 32);
  } else if (InRange(h, 41, 46)) {
    PickLevelColour(s, h - 41, port);
  } else if (InRange(h, 47, 52)) {
    settings::ToggleLevelEnabled(m, h - 47);
  } else if (InRange(h, 60, 65)) {
    settings::SelectActiveLevel(m, h - 60);
  } else if (InRange(h, 66, 137)) {
    settings::SelectStep(m, (h - 66) / settings::kStepCount, (h - 66) % settings::kStepCount);
  } else {
    // On the Main page only the Main family decides: a rectangle of another
    // family under the pointer gives the pressed look, not a target.
    StartMoveIf(h == kNone, port);
  }
}

void PressColor(AppState& s, Point, AppPort& port) {
  MouseSettings& m = s.settings;
  if (s.hoverMain == 9) {
    EnterMainPage(s, port);
    return;
  }
  if (s.hoverMain == 10) {
    EnterAdvancedPage(s, port);
    return;
  }
  const int32_t c = s.hoverColor;
  if (InRange(c, 0, 6)) {
    settings::ToggleCycleColour(m, c);
  } else if (InRange(c, 7, 10)) {
    settings::SetLightingMode(m, c - 7);
  } else if (InRange(c, 11, 16)) {
    settings::SetCycleTime(m, 16 - c);
  } else {
    StartMoveIf(c == kNone && s.hoverMain == kNone, port);
  }
}

void PressAdvanced(AppState& s, Point point, AppPort& port) {
  MouseSettings& m = s.settings;
  if (s.hoverMain == 9) {
    EnterMainPage(s, port);
    return;
  }
  if (s.hoverMain == 11) {
    EnterColorPage(s, port);
    return;
  }
  const int32_t a = s.hoverAdvanced;
  switch (a) {
    case 0: ImportMacros(s, port); return;
    case 1: ExportMacros(s, port); return;
    case 2: port.AddMacro(); return;
    case 3: port.DeleteMacro(); return;
    case 4: port.ToggleRecording(); return;
    case 5: SaveMacrosAndProfile(s, port); return;
    case 6: port.ToggleMacroMode(macros::MODE_COUNTED); return;
    case 7: port.ToggleMacroMode(macros::MODE_HELD); return;
    default: break;
  }
  if (InRange(a, 8, 17)) {
    settings::SetPointerSpeedStep(m, a - 8);
  } else if (InRange(a, 18, 27)) {
    settings::SetWheelStep(m, a - 18);
  } else if (a == 30) {
    const skin::LayoutRect& slider = s.layout.advancedHits[30];
    settings::SetFireTimeFromSlider(m, point.x, slider.x, slider.width);
    port.Invalidate(RepaintArea::Whole);
  } else if (a == 31) {
    settings::FireTimeUp(m);
    port.Invalidate(RepaintArea::Whole);
  } else if (a == 32) {
    settings::FireTimeDown(m);
    port.Invalidate(RepaintArea::Whole);
  } else if (InRange(a, 34, 37)) {
    settings::SetPollingRate(m, a - 34);
  } else {
    StartMoveIf(a == kNone && s.hoverMain == kNone, port);
  }
}

// ---- Shared-bar releases ----

void SaveProfile(AppState& s, AppPort& port) {
  settings::ConfigContext ctx = MakeConfigContext(s, &port);
  const std::string error = settings::SaveConfig(ctx, s.configPath, s.profile.curProfile, true);
  if (!error.empty()) ReportSaveErrors(s, port, {NameFile(s.configPath, error)});
}

// Drops every change not applied yet (except the active level, which the
// mouse itself may have changed) by reloading the applied snapshot, then hides.
void CloseWithoutApplying(AppState& s, AppPort& port) {
  s.hoverMain = kNone;
  settings::SaveDpiLevel(s.configPath, 6, s.settings.DPI_LEVEL);
  settings::ConfigContext ctx = MakeConfigContext(s, &port);
  settings::LoadConfig(ctx, s.configPath, 6, false);
  if (s.page == kPageAdvanced) port.RefillMacroLists();
  HideToTray(s, port);
}

void SelectProfile(AppState& s, AppPort& port, int32_t n) {
  s.profile.curProfile = n;
  settings::ConfigContext ctx = MakeConfigContext(s, &port);
  settings::LoadConfig(ctx, s.configPath, n, false);
  if (s.page == kPageAdvanced) port.RefillMacroLists();
}

void ImportSettings(AppState& s, AppPort& port) {
  if (const auto file = port.ChooseFile(SettingsFileDialog(s, false))) {
    settings::ConfigContext ctx = MakeConfigContext(s, &port);
    settings::ImportConfig(ctx, *file);
    port.Invalidate(RepaintArea::Whole);
  }
  if (s.page == kPageAdvanced) port.RefillMacroLists();
}

void ExportSettings(AppState& s, AppPort& port) {
  const auto file = port.ChooseFile(SettingsFileDialog(s, true));
  if (!file) return;
  settings::ConfigContext ctx = MakeConfigContext(s, &port);
  const std::string error = settings::ExportConfig(ctx, *file);
  port.Invalidate(RepaintArea::Whole);
  if (!error.empty()) ReportSaveErrors(s, port, {NameFile(*file, error)});
}

void ResetProfiles(AppState& s, AppPort& port) {
  ApplyWindow window(s, port);
  drive::ApplyContext ctx = MakeApplyContext(s, &window, &port);
  const drive::ApplyOutcome outcome = drive::ResetAllProfiles(ctx);
  ReportSaveErrors(s, port, outcome.writeErrors);
}

}  // namespace

// ---- Pointer ----

void OnPointerMove(AppState& s, Point p, AppPort& port) {
  const uint8_t page = s.page;
  s.hoverMain = skin::HitIndex(p.x, p.y, s.layout.mainHits, page == kPageMain ? kMainLastOnMain : kSharedBarLast);
  s.hoverColor = skin::HitIndex(p.x, p.y, s.layout.colorHits, s.settings.LED_TYPE > 1 ? kColorLastNoTime : kColorLastAll);
  s.hoverAdvanced = skin::HitIndex(p.x, p.y, s.layout.advancedHits, kAdvancedLast);

  // On the Advanced page only the area outside the child controls is
  // repainted, so they do not flicker.
  const RepaintArea area = page == kPageAdvanced ? RepaintArea::OutsideControls : RepaintArea::Whole;
  const auto note = [&](int32_t hover, int32_t& painted) {
    if (hover == painted) return;
    port.Invalidate(area);
    painted = hover;
  };
  note(s.hoverMain, s.paintedMain);
  note(s.hoverColor, s.paintedColor);
  note(s.hoverAdvanced, s.paintedAdvanced);
}

void OnPress(AppState& s, Point p, AppPort& port) {
  if (AnyHover(s)) {
    s.pressed = 1;
    port.Invalidate(RepaintArea::Whole);
  }
  switch (s.page) {
    case kPageMain: PressMain(s, p, port); break;
    case kPageColor: PressColor(s, p, port); break;
    case kPageAdvanced: PressAdvanced(s, p, port); break;
    default: break;
  }
  PublishSharedSettings(s);
}

void OnRelease(AppState& s, Point, AppPort& port) {
  s.pressed = 0;
  port.Invalidate(RepaintArea::Whole);
  const int32_t h = s.hoverMain;
  switch (h) {
    case 0: SaveProfile(s, port); break;
    case 2: CloseWithoutApplying(s, port); break;
    case 3: ApplyCurrentProfile(s, port, true); break;
    case 4: case 5: case 6: case 7: case 8: SelectProfile(s, port, h - 3); break;
    case 12:
      s.hoverMain = kNone;
      port.Minimise();
      break;
    case 13:
      s.hoverMain = kNone;
      HideToTray(s, port);
      break;
    case 14: ImportSettings(s, port); break;
    case 15: ExportSettings(s, port); break;
    case 16: ResetProfiles(s, port); break;
    case 17: SwitchLanguage(s, port, 0); break;
    case 18: SwitchLanguage(s, port, 1); break;
    default: break;
  }
  PublishSharedSettings(s);
}

// ---- Pages ----

void EnterAdvancedPage(AppState& s, AppPort& port) {
  if (s.page == kPageAdvanced) return;
  s.page = kPageAdvanced;
  port.Invalidate(RepaintArea::OutsideControls);
  port.CreateMacroControls();
  port.RefillMacroLists();
}

void EnterColorPage(AppState& s, AppPort& port) {
  LeaveAdvancedPage(s, port);
  s.page = kPageColor;
  if (!s.colorAnimRunning) {
    s.colorAnimRunning = true;
    PublishSharedSettings(s);
    port.StartColourAnimation();
  }
  port.Invalidate(RepaintArea::Whole);
}

void EnterMainPage(AppState& s, AppPort& port) {
  LeaveAdvancedPage(s, port);
  s.page = kPageMain;
  port.Invalidate(RepaintArea::Whole);
}

// ---- Popup and colour ----

void OpenButtonFunctionPopup(AppState& s, int hit, AppPort& port) {
  if (!InRange(hit, 20, 26)) return;
  s.menuButton = hit;
  const skin::LayoutRect& r = s.layout.mainHits[static_cast<size_t>(hit)];
  const Point origin = port.WindowOrigin();
  s.menuAnchor = {origin.x + r.x, origin.y + r.y + r.height};
  if (settings::NeedsLastLeftClickWarning(s.settings, hit - 20)) {
    if (port.ShowLeftClickWarning() == kWarningCancel) return;
  }
  port.OpenButtonMenu(hit - 20, s.menuAnchor);
  s.buttonMenuOpen = true;
}

bool ChooseMenuRow(AppState& s, int row, AppPort& port) {
  if (row < 1 || row > skin::kMenuDirectRows) return false;
  settings::SetButtonFunction(s.settings, s.menuButton - 20, row);
  s.buttonMenuOpen = false;
  port.Invalidate(RepaintArea::Whole);  // the button's label shows the new function
  return true;
}

bool ChooseSubMenuRow(AppState& s, int menuRow, int subRow, AppPort& port) {
  if (subRow == kNone || subRow < 1) return false;
  const int32_t code = skin::SubMenuCode(menuRow, subRow, s.subMenuLastCode);
  s.subMenuLastCode = code;
  settings::SetButtonFunction(s.settings, s.menuButton - 20, code);
  s.closeMenuOnPaint = true;
  s.buttonMenuOpen = false;
  port.Invalidate(RepaintArea::Whole);
  return true;
}

bool ConsumeCloseMenuOnPaint(AppState& s) {
  if (!s.closeMenuOnPaint) return false;
  s.closeMenuOnPaint = false;
  return true;
}

void NoteButtonMenuClosed(AppState& s) {
  s.buttonMenuOpen = false;
  s.closeMenuOnPaint = false;
}

void OnContextCommand(AppState&, int, AppPort&) {
  // The macro editor fills this in: it inserts, changes or deletes events of
  // the selected macro by the command identifier.
}

void PickLevelColour(AppState& s, int level, AppPort& port) {
  if (const auto colour = port.ChooseColour(0)) settings::ApplyPickedColour(s.settings, level, *colour);
  port.Invalidate(RepaintArea::Whole);
}

void TakeRepeatCount(AppState& s, AppPort& port) {
  int32_t n = ReadDecimal(port.CountEditText());
  if (n < 1 || n > 65535) {
    n = std::clamp<int32_t>(n, 1, 65535);
    port.SetCountEditText(std::to_string(n));
  }
  std::lock_guard lock(s.macros.mutex);
  const int32_t slot = s.macros.selectedMacro;
  // A selection beyond the table (only a damaged file gives one) takes nothing.
  if (slot < 0 || slot >= macros::MACRO_SLOTS) return;
  s.macros.userMacros[static_cast<size_t>(slot)].repeatCount = static_cast<uint16_t>(n);
}

// ---- Files and messages ----

FileDialogSpec MacroFileDialog(const AppState& s, bool save) {
  FileDialogSpec spec;
  spec.save = save;
  spec.filterName = "All Files(*.dat)";
  spec.pattern = "*.dat";
  spec.defaultExtension = save ? "dat" : "";
  spec.initialFolder = FoldersOf(s).dialogs;
  spec.confirmOverwrite = save;
  return spec;
}

FileDialogSpec SettingsFileDialog(const AppState& s, bool save) {
  FileDialogSpec spec;
  spec.save = save;
  spec.filterName = "All Files(*.ini)";
  spec.pattern = "*.ini";
  spec.defaultExtension = save ? "ini" : "";
  spec.initialFolder = FoldersOf(s).dialogs;
  spec.confirmOverwrite = save;
  return spec;
}

std::string SaveFailedMessage(int32_t language, const std::vector<std::string>& errors) {
  std::string text = language != 0 ? "The settings could not be saved:" : "Ayarlar kaydedilemedi:";
  for (const std::string& e : errors) text += "\n" + e;
  return text;
}

void ReportSaveErrors(AppState& s, AppPort& port, const std::vector<std::string>& errors) {
  for (const std::string& e : errors) log::Error(log::kFiles, e);
  if (!errors.empty()) port.ShowMessage(SaveFailedMessage(s.language, errors));
}

drive::ApplyOutcome ApplyCurrentProfile(AppState& s, AppPort& port, bool reportErrors) {
  ApplyWindow window(s, port);
  drive::ApplyContext ctx = MakeApplyContext(s, &window, &port);
  drive::ApplyOutcome outcome = drive::ApplySettings(ctx);
  if (reportErrors) {
    ReportSaveErrors(s, port, outcome.writeErrors);
  } else {
    for (const std::string& e : outcome.writeErrors) log::Error(log::kFiles, e);
  }
  PublishSharedSettings(s);
  return outcome;
}

// ---- ApplyWindow ----

bool ApplyWindow::MacroPageOpen() { return state_.page == kPageAdvanced; }
void ApplyWindow::TakeRepeatCount() { app::TakeRepeatCount(state_, port_); }
void ApplyWindow::RefillMacroLists() { port_.RefillMacroLists(); }
void ApplyWindow::Repaint() { port_.Invalidate(RepaintArea::Whole); }

}  // namespace orv::app
