#include "app/controller.h"

#include <algorithm>

#include "app/macro_editor.h"
#include "app/page_controls.h"
#include "app/shell.h"
#include "macros/macro_files.h"
#include "platform/decimal.h"
#include "platform/file_names.h"
#include "platform/log.h"
#include "settings/config_file.h"
#include "settings/macro_pair.h"
#include "settings/mouse_settings.h"
#include "settings/profile_slots.h"
#include "skin/function_menu.h"
#include "skin/hit_indexes.h"

namespace orv::app {
namespace {

namespace M = skin::hits::main;
namespace C = skin::hits::color;
namespace A = skin::hits::advanced;

using settings::MouseSettings;

bool InRange(int32_t v, int32_t first, int32_t last) { return v >= first && v <= last; }

bool AnyHover(const AppState& s) {
  return s.ui.hoverMain != kNone || s.ui.hoverColor != kNone || s.ui.hoverAdvanced != kNone;
}

// The Advanced page's controls exist exactly while the page is shown; an
// edit still open in the event list ends first, as a click elsewhere ends it.
void LeaveAdvancedPage(AppState& s, AppPort& port) {
  if (s.ui.page != kPageAdvanced) return;
  if (MacroView* view = port.MacroControls()) EndEventEdit(s, *view, true);
  port.DestroyMacroControls();
}

// ---- Advanced page operations ----

void ImportMacros(AppState& s, AppPort& port) {
  const auto file = port.ChooseFile(MacroFileDialog(s, false));
  if (!file) return;
  EndRecordingBeforeReload(s, port);
  if (const Outcome said = macros::ImportMacroFile(*file, s.macros)) {
    Tell(port, *said, log::kFiles, log::Level::Warning);
  }
  port.RefillMacroLists();
  port.Invalidate(RepaintArea::Whole);
}

void ExportMacros(AppState& s, AppPort& port) {
  const auto file = port.ChooseFile(MacroFileDialog(s, true));
  if (!file) return;
  if (Outcome failed = macros::SaveMacros(*file, names::kMacroSection, s.macros)) {
    ReportSaveErrors(s, port, {AboutFile(*file, std::move(*failed))});
  }
}

// The Advanced page's Save: the current profile with its macros and the macro
// file of the language, written as a pair (settings/macro_pair.h).
void SaveMacrosAndProfile(AppState& s, AppPort& port) {
  TakeRepeatCount(s, port);
  IniEdit macroFile(s.macroFilePath);
  macros::SaveMacros(macroFile, names::kMacroSection, s.macros);
  IniEdit config(s.configPath);
  settings::ConfigContext ctx = MakeConfigContext(s);
  settings::SaveConfig(ctx, config, s.profile.curProfile, true);
  ReportSaveErrors(s, port, settings::CommitMacroPair(config, macroFile, s.language));
}

// ---- Presses per page ----

void StartMoveIf(bool noTarget, AppPort& port) {
  if (noTarget) port.StartSystemMove();
}

void PressMain(AppState& s, Point, AppPort& port) {
  if (s.ui.buttonMenuOpen) {
    port.CloseButtonMenu();
    s.ui.buttonMenuOpen = false;
  }
  MouseSettings& m = s.settings;
  const int32_t h = s.ui.hoverMain;
  if (h == M::kAdvancedTab) {
    EnterAdvancedPage(s, port);
  } else if (h == M::kColorTab) {
    EnterColorPage(s, port);
  } else if (InRange(h, M::kFirstButton, M::kLastButton)) {
    OpenButtonFunctionPopup(s, h, port);
  } else if (h == M::kWheelStandard || h == M::kWheelAlternate) {
    settings::SetWheelStatus(m, h - M::kWheelStandard);
  } else if (InRange(h, M::kFirstLevelColour, M::kFirstLevelColour + settings::kLevelCount - 1)) {
    PickLevelColour(s, h - M::kFirstLevelColour, port);
  } else if (InRange(h, M::kFirstLevelEnable, M::kFirstLevelEnable + settings::kLevelCount - 1)) {
    settings::ToggleLevelEnabled(m, h - M::kFirstLevelEnable);
  } else if (InRange(h, M::kFirstActiveLevel, M::kFirstActiveLevel + settings::kLevelCount - 1)) {
    settings::SelectActiveLevel(m, h - M::kFirstActiveLevel);
  } else if (InRange(h, M::kFirstStep, M::kLastStep)) {
    settings::SelectStep(m, (h - M::kFirstStep) / settings::kStepCount, (h - M::kFirstStep) % settings::kStepCount);
  } else {
    // On the Main page only the Main family decides: a rectangle of another
    // family under the pointer gives the pressed look, not a target.
    StartMoveIf(h == kNone, port);
  }
}

void PressColor(AppState& s, Point, AppPort& port) {
  MouseSettings& m = s.settings;
  if (s.ui.hoverMain == 9) {
    EnterMainPage(s, port);
    return;
  }
  if (s.ui.hoverMain == 10) {
    EnterAdvancedPage(s, port);
    return;
  }
  const int32_t c = s.ui.hoverColor;
  if (InRange(c, C::kFirstCycleColour, C::kLastCycleColour)) {
    settings::ToggleCycleColour(m, c - C::kFirstCycleColour);
  } else if (InRange(c, C::kFirstLightingMode, C::kLastLightingMode)) {
    settings::SetLightingMode(m, c - C::kFirstLightingMode);
  } else if (InRange(c, C::kFirstCycleTime, C::kLastCycleTime)) {
    settings::SetCycleTime(m, C::kLastCycleTime - c);
  } else {
    StartMoveIf(c == kNone && s.ui.hoverMain == kNone, port);
  }
}

void PressAdvanced(AppState& s, Point point, AppPort& port) {
  MouseSettings& m = s.settings;
  if (s.ui.hoverMain == 9) {
    EnterMainPage(s, port);
    return;
  }
  if (s.ui.hoverMain == 11) {
    EnterColorPage(s, port);
    return;
  }
  const int32_t a = s.ui.hoverAdvanced;
  switch (a) {
    case A::kImportMacros: ImportMacros(s, port); return;
    case A::kExportMacros: ExportMacros(s, port); return;
    case A::kAddMacro: port.AddMacro(); return;
    case A::kDeleteMacro: port.DeleteMacro(); return;
    case A::kRecord: port.ToggleRecording(); return;
    case A::kSaveMacros: SaveMacrosAndProfile(s, port); return;
    case A::kCountedMode: port.ToggleMacroMode(macros::MODE_COUNTED); return;
    case A::kHeldMode: port.ToggleMacroMode(macros::MODE_HELD); return;
    default: break;
  }
  if (InRange(a, A::kFirstPointerSpeed, A::kLastPointerSpeed)) {
    settings::SetPointerSpeedStep(m, a - A::kFirstPointerSpeed);
  } else if (InRange(a, A::kFirstWheelStep, A::kLastWheelStep)) {
    settings::SetWheelStep(m, a - A::kFirstWheelStep);
  } else if (a == A::kFireBar) {
    const skin::LayoutRect& slider = s.layout.advancedHits[A::kFireBar];
    settings::SetFireTimeFromSlider(m, point.x, slider.x, slider.width);
    port.Invalidate(RepaintArea::Whole);
  } else if (a == A::kFireUp) {
    settings::FireTimeUp(m);
    port.Invalidate(RepaintArea::Whole);
  } else if (a == A::kFireDown) {
    settings::FireTimeDown(m);
    port.Invalidate(RepaintArea::Whole);
  } else if (InRange(a, A::kFirstPolling, A::kLastPolling)) {
    settings::SetPollingRate(m, a - A::kFirstPolling);
  } else {
    StartMoveIf(a == kNone && s.ui.hoverMain == kNone, port);
  }
}

// ---- Shared-bar releases ----

void SaveProfile(AppState& s, AppPort& port) {
  settings::ConfigContext ctx = MakeConfigContext(s);
  if (Outcome failed = settings::SaveConfig(ctx, s.configPath, s.profile.curProfile, true)) {
    ReportSaveErrors(s, port, {AboutFile(s.configPath, std::move(*failed))});
  }
}

// Drops every change not applied yet (except the active level, which the
// mouse itself may have changed) by reloading the applied snapshot, then hides.
void CloseWithoutApplying(AppState& s, AppPort& port) {
  s.ui.hoverMain = kNone;
  EndRecordingBeforeReload(s, port);
  if (const Outcome failed = settings::SaveDpiLevel(s.configPath, settings::kAppliedProfile, s.settings.DPI_LEVEL)) {
    log::Warning(log::kFiles, failed->Text());
  }
  LoadUserProfile(s, port, settings::kAppliedProfile);
  if (s.ui.page == kPageAdvanced) port.RefillMacroLists();
  HideToTray(s, port);
}

void ImportSettings(AppState& s, AppPort& port) {
  if (const auto file = port.ChooseFile(SettingsFileDialog(s, false))) {
    EndRecordingBeforeReload(s, port);
    settings::ConfigContext ctx = MakeConfigContext(s);
    if (const Outcome said = settings::ImportConfig(ctx, *file)) Tell(port, *said, log::kFiles, log::Level::Warning);
    port.Invalidate(RepaintArea::Whole);
  }
  if (s.ui.page == kPageAdvanced) port.RefillMacroLists();
}

void ExportSettings(AppState& s, AppPort& port) {
  const auto file = port.ChooseFile(SettingsFileDialog(s, true));
  if (!file) return;
  settings::ConfigContext ctx = MakeConfigContext(s);
  Outcome failed = settings::ExportConfig(ctx, *file);
  port.Invalidate(RepaintArea::Whole);
  if (failed) ReportSaveErrors(s, port, {AboutFile(*file, std::move(*failed))});
}

void ResetProfiles(AppState& s, AppPort& port) {
  EndRecordingBeforeReload(s, port);
  ApplyWindow window(s, port);
  drive::ApplyContext ctx = MakeApplyContext(s, &window);
  const drive::ApplyOutcome outcome = drive::ResetAllProfiles(ctx);
  if (outcome.missingFile) Tell(port, *outcome.missingFile);
  ReportSaveErrors(s, port, outcome.writeErrors);
}

}  // namespace

// ---- Pointer ----

void OnPointerMove(AppState& s, Point p, AppPort& port) {
  const uint8_t page = s.ui.page;
  s.ui.hoverMain = skin::HitIndex(p.x, p.y, s.layout.mainHits, page == kPageMain ? kMainLastOnMain : kSharedBarLast);
  s.ui.hoverColor =
      skin::HitIndex(p.x, p.y, s.layout.colorHits, s.settings.LED_TYPE > 1 ? kColorLastNoTime : kColorLastAll);
  s.ui.hoverAdvanced = skin::HitIndex(p.x, p.y, s.layout.advancedHits, kAdvancedLast);

  // On the Advanced page only the area outside the child controls is
  // repainted, so they do not flicker.
  const RepaintArea area = page == kPageAdvanced ? RepaintArea::OutsideControls : RepaintArea::Whole;
  const auto note = [&](int32_t hover, int32_t& painted) {
    if (hover == painted) return;
    port.Invalidate(area);
    painted = hover;
  };
  note(s.ui.hoverMain, s.ui.paintedMain);
  note(s.ui.hoverColor, s.ui.paintedColor);
  note(s.ui.hoverAdvanced, s.ui.paintedAdvanced);
}

void OnPress(AppState& s, Point p, AppPort& port) {
  // A click on the window ends an edit of the event list, keeping its text,
  // before the click does anything else.
  if (MacroView* view = port.MacroControls()) EndEventEdit(s, *view, true);
  if (AnyHover(s)) {
    s.ui.pressed = 1;
    port.Invalidate(RepaintArea::Whole);
  }
  switch (s.ui.page) {
    case kPageMain: PressMain(s, p, port); break;
    case kPageColor: PressColor(s, p, port); break;
    case kPageAdvanced: PressAdvanced(s, p, port); break;
    default: break;
  }
  PublishSharedSettings(s);
}

void OnRelease(AppState& s, Point, AppPort& port) {
  s.ui.pressed = 0;
  port.Invalidate(RepaintArea::Whole);
  const int32_t h = s.ui.hoverMain;
  switch (h) {
    case M::kSave: SaveProfile(s, port); break;
    case M::kCloseWithoutApplying: CloseWithoutApplying(s, port); break;
    case M::kApply: {
      const drive::ApplyOutcome outcome = ApplyCurrentProfile(s, port, true);
      port.Announce(ApplyStatusText(s.language, s.profile.curProfile, !outcome.writeErrors.empty()));
      break;
    }
    case M::kFirstProfile + 0: case M::kFirstProfile + 1: case M::kFirstProfile + 2: case M::kFirstProfile + 3:
    case M::kLastProfile: SelectProfile(s, port, h - M::kProfileOffset); break;
    case M::kMinimise:
      s.ui.hoverMain = kNone;
      port.Minimise();
      break;
    case M::kHide:
      s.ui.hoverMain = kNone;
      HideToTray(s, port);
      break;
    case M::kImportSettings: ImportSettings(s, port); break;
    case M::kExportSettings: ExportSettings(s, port); break;
    case M::kReset: ResetProfiles(s, port); break;
    case M::kTurkish: SwitchLanguage(s, port, 0); break;
    case M::kEnglish: SwitchLanguage(s, port, 1); break;
    default: break;
  }
  PublishSharedSettings(s);
}

// ---- Pages ----

void EnterAdvancedPage(AppState& s, AppPort& port) {
  if (s.ui.page == kPageAdvanced) return;
  s.ui.page = kPageAdvanced;
  port.Invalidate(RepaintArea::OutsideControls);
  port.CreateMacroControls();
  port.RefillMacroLists();
  port.Announce(PageName(s));
}

void EnterColorPage(AppState& s, AppPort& port) {
  LeaveAdvancedPage(s, port);
  s.ui.page = kPageColor;
  if (!s.preview.running) {
    s.preview.running = true;
    PublishSharedSettings(s);
    port.StartColourAnimation();
  }
  port.Invalidate(RepaintArea::Whole);
  port.Announce(PageName(s));
}

void EnterMainPage(AppState& s, AppPort& port) {
  LeaveAdvancedPage(s, port);
  s.ui.page = kPageMain;
  port.Invalidate(RepaintArea::Whole);
  port.Announce(PageName(s));
}

// ---- Popup and colour ----

void OpenButtonFunctionPopup(AppState& s, int hit, AppPort& port) {
  if (!InRange(hit, M::kFirstButton, M::kLastButton)) return;
  s.ui.menuButton = hit;
  const skin::LayoutRect& r = s.layout.mainHits[static_cast<size_t>(hit)];
  const Point origin = port.WindowOrigin();
  s.ui.menuAnchor = {origin.x + r.x, origin.y + r.y + r.height};
  if (settings::NeedsLastLeftClickWarning(s.settings, hit - M::kFirstButton)) {
    if (port.ShowLeftClickWarning() == kWarningCancel) return;
  }
  port.OpenButtonMenu(hit - M::kFirstButton, s.ui.menuAnchor);
  s.ui.buttonMenuOpen = true;
}

bool ChooseMenuRow(AppState& s, int row, AppPort& port) {
  if (row < 1 || row > skin::kMenuDirectRows) return false;
  settings::SetButtonFunction(s.settings, s.ui.menuButton - M::kFirstButton, row);
  s.ui.buttonMenuOpen = false;
  port.Invalidate(RepaintArea::Whole);  // the button's label shows the new function
  port.Announce(ButtonFunctionText(s, s.ui.menuButton - M::kFirstButton));
  return true;
}

bool ChooseSubMenuRow(AppState& s, int menuRow, int subRow, AppPort& port) {
  if (subRow == kNone || subRow < 1) return false;
  const int32_t code = skin::SubMenuCode(menuRow, subRow, s.ui.subMenuLastCode);
  s.ui.subMenuLastCode = code;
  settings::SetButtonFunction(s.settings, s.ui.menuButton - M::kFirstButton, code);
  s.ui.closeMenuOnPaint = true;
  s.ui.buttonMenuOpen = false;
  port.Invalidate(RepaintArea::Whole);
  port.Announce(ButtonFunctionText(s, s.ui.menuButton - M::kFirstButton));
  return true;
}

bool ConsumeCloseMenuOnPaint(AppState& s) {
  if (!s.ui.closeMenuOnPaint) return false;
  s.ui.closeMenuOnPaint = false;
  return true;
}

void NoteButtonMenuClosed(AppState& s) {
  s.ui.buttonMenuOpen = false;
  s.ui.closeMenuOnPaint = false;
}

bool OnEscapeKey(AppState& s, AppPort& port) {
  if (!s.ui.buttonMenuOpen) return false;
  port.CloseButtonMenu();
  NoteButtonMenuClosed(s);
  return true;
}

void EndRecordingBeforeReload(AppState& s, AppPort& port) {
  if (s.editor.recording || s.editor.recorder.Recording()) port.StopRecording();
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
  // Only a listed macro takes it (a selection beyond them, which only a
  // damaged file gives, takes nothing).
  if (slot < 0 || slot >= s.macros.userMacroCount || slot >= macros::MACRO_SLOTS) return;
  macros::MacroRecord& r = s.macros.userMacros[static_cast<size_t>(slot)];
  if (r.mode == macros::MODE_COUNTED) r.repeatCount = static_cast<uint16_t>(n);
}

void OnContextCommand(AppState& s, int commandId, AppPort& port) {
  if (MacroView* view = port.MacroControls()) RunContextCommand(s, *view, port, commandId);
}

// ---- Files and messages ----

namespace {

// The exchange-file dialogs: "All Files(*.<extension>)", opening in the
// dialogs' folder; a save adds the extension and asks before overwriting.
FileDialogOptions ExchangeFileDialog(const AppState& s, bool save, const std::string& extension) {
  FileDialogOptions options;
  options.save = save;
  options.filterName = "All Files(*." + extension + ")";
  options.pattern = "*." + extension;
  options.defaultExtension = save ? extension : "";
  options.initialFolder = FoldersOf(s).dialogs;
  options.confirmOverwrite = save;
  return options;
}

}  // namespace

FileDialogOptions MacroFileDialog(const AppState& s, bool save) { return ExchangeFileDialog(s, save, "dat"); }

FileDialogOptions SettingsFileDialog(const AppState& s, bool save) { return ExchangeFileDialog(s, save, "ini"); }

std::string SaveFailedMessage(int32_t language, const std::vector<Failure>& errors) {
  std::string text = language != 0 ? "The settings could not be saved:" : "Ayarlar kaydedilemedi:";
  for (const Failure& e : errors) text += "\n" + e.Text();
  return text;
}

void ReportSaveErrors(AppState& s, AppPort& port, const std::vector<Failure>& errors) {
  if (!errors.empty()) Tell(port, SaveFailedMessage(s.language, errors), log::kFiles, log::Level::Error);
}

drive::ApplyOutcome ApplyCurrentProfile(AppState& s, AppPort& port, bool reportErrors) {
  ApplyWindow window(s, port);
  drive::ApplyContext ctx = MakeApplyContext(s, &window);
  drive::ApplyOutcome outcome = drive::ApplySettings(ctx);
  if (reportErrors) {
    ReportSaveErrors(s, port, outcome.writeErrors);
  } else {
    for (const Failure& e : outcome.writeErrors) log::Error(log::kFiles, e.Text());
  }
  PublishSharedSettings(s);
  return outcome;
}

void SelectProfile(AppState& s, AppPort& port, int32_t n) {
  EndRecordingBeforeReload(s, port);
  s.profile.curProfile = n;
  LoadUserProfile(s, port, n);
  if (s.ui.page == kPageAdvanced) port.RefillMacroLists();
}

// ---- ApplyWindow ----

bool ApplyWindow::MacroPageOpen() { return state_.ui.page == kPageAdvanced; }
void ApplyWindow::TakeRepeatCount() { app::TakeRepeatCount(state_, port_); }
void ApplyWindow::RefillMacroLists() { port_.RefillMacroLists(); }
void ApplyWindow::Repaint() { port_.Invalidate(RepaintArea::Whole); }

}  // namespace orv::app
