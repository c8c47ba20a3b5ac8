#include "tools/skin_gen/geometry.h"

#include <QRegion>

#include "device/wire_codes.h"
#include "settings/mouse_settings.h"
#include "skin/hit_indexes.h"

namespace orv::skin_gen {
namespace {

namespace hits = skin::hits;
namespace HM = hits::main;
namespace HA = hits::advanced;
namespace HC = hits::color;

class Builder {
 public:
  explicit Builder(Geometry& g) : g_(g) {}
  void Add(Family f, int index, const char* id, QRect rect, Look look, int param = 0) {
    g_.elements.push_back(Element{f, index, id, rect, look, param});
  }

 private:
  Geometry& g_;
};

// The shared bar: title, tabs, language, window buttons, profiles and the
// actions along the bottom. Main layout entries 0 ... 19, on every page.
void SharedBar(Builder& b) {
  const Family M = Family::Main;
  b.Add(M, HM::kTitle, "title", {58, 21, 150, 22}, Look::Title);
  b.Add(M, HM::kMainTab, "tab_main", {224, 8, 112, 40}, Look::Tab);
  b.Add(M, HM::kAdvancedTab, "tab_advanced", {344, 8, 112, 40}, Look::Tab);
  b.Add(M, HM::kColorTab, "tab_color", {464, 8, 112, 40}, Look::Tab);
  b.Add(M, HM::kTurkish, "turkish", {616, 22, 38, 22}, Look::Chip);
  b.Add(M, HM::kEnglish, "english", {658, 22, 38, 22}, Look::Chip);
  b.Add(M, HM::kMinimise, "minimise", {708, 20, 30, 26}, Look::WindowMinimise);
  b.Add(M, HM::kHide, "hide", {742, 20, 30, 26}, Look::WindowHide);

  // Entry 19's text would show on the Main page only, so the profile buttons
  // carry an icon instead (drawn with the frame).
  for (int i = 0; i < 5; ++i) {
    b.Add(M, HM::kFirstProfile + i, ("profile" + std::to_string(i + 1)).c_str(), {100 + i * 34, 556, 30, 28}, Look::Chip);
  }
  b.Add(M, HM::kImportSettings, "import", {286, 556, 84, 28}, Look::Button);
  b.Add(M, HM::kExportSettings, "export", {376, 556, 84, 28}, Look::Button);
  b.Add(M, HM::kReset, "factory", {466, 556, 84, 28}, Look::Button);
  b.Add(M, HM::kSave, "save", {568, 556, 68, 28}, Look::Button);
  b.Add(M, HM::kCloseWithoutApplying, "cancel", {640, 556, 68, 28}, Look::Button);
  b.Add(M, HM::kApply, "apply", {712, 556, 68, 28}, Look::PrimaryButton);
}

void MainPage(Builder& b, Geometry& g) {
  const Family M = Family::Main;
  g.buttonPanel = QRect(20, 66, 760, 250);
  g.dpiPanel = QRect(20, 324, 760, 218);
  g.mouseCentre = QPoint(400, 94);
  b.Add(M, HM::kButtonsHeading, "buttons_heading", {280, 67, 240, 22}, Look::Heading);
  b.Add(M, HM::kDpiHeading, "dpi_heading", {280, 325, 240, 22}, Look::Heading);

  // Button labels: the left column names the left button and the two side
  // buttons, the right column the right button, the wheel and the two buttons
  // behind it.
  struct LabelPlace {
    int button;
    QRect rect;
  };
  const LabelPlace labels[] = {
      {0, {70, 104, 170, 26}}, {3, {70, 190, 170, 26}}, {4, {70, 230, 170, 26}}, {1, {560, 104, 170, 26}},
      {2, {560, 146, 170, 26}}, {5, {560, 188, 170, 26}}, {6, {560, 230, 170, 26}},
  };
  for (const LabelPlace& l : labels) {
    b.Add(M, HM::kFirstButton + l.button, ("button" + std::to_string(l.button) + "_label").c_str(), l.rect, Look::FunctionLabel,
          l.button);
  }
  // Highlights: the lit buttons of the drawing; they must not overlap.
  const QRect parts[] = {
      {330, 94, 60, 90},   // left button
      {410, 94, 60, 90},   // right button
      {392, 104, 16, 40},  // wheel
      {320, 192, 16, 30},  // front side button
      {320, 228, 16, 30},  // rear side button
      {392, 150, 16, 18},  // button behind the wheel
      {392, 171, 16, 18},  // rearmost top button
  };
  for (int k = 0; k < 7; ++k) {
    b.Add(M, HM::kFirstButtonHighlight + k, ("button" + std::to_string(k) + "_highlight").c_str(), parts[k], Look::MouseButton, k);
  }
  // Leader lines from each label to its button.
  g.leaders = {
      {0, {{240, 117}, {292, 117}, {352, 134}}},
      {3, {{240, 203}, {292, 203}, {322, 207}}},
      {4, {{240, 243}, {292, 243}, {322, 243}}},
      {1, {{560, 117}, {508, 117}, {448, 134}}},
      {2, {{560, 159}, {508, 159}, {408, 126}}},
      {5, {{560, 201}, {508, 201}, {408, 159}}},
      {6, {{560, 243}, {508, 243}, {408, 180}}},
  };

  // Wheel status below the left column.
  b.Add(M, HM::kWheelHeading, "wheel_heading", {70, 266, 170, 16}, Look::Text);
  b.Add(M, HM::kWheelStandard, "wheel_status0", {70, 284, 84, 24}, Look::Chip);
  b.Add(M, HM::kWheelAlternate, "wheel_status1", {156, 284, 84, 24}, Look::Chip);

  // DPI levels: selector, label, colour, on/off mark, then twelve step cells.
  g.dpiHeaderY = 352;
  b.Add(M, HM::kLevelColumn, "level_column", {60, 350, 76, 16}, Look::Text);
  b.Add(M, HM::kColourColumn, "colour_column", {138, 350, 46, 16}, Look::Text);
  b.Add(M, HM::kOnColumn, "on_column", {186, 350, 44, 16}, Look::Text);
  for (int level = 0; level < 6; ++level) {
    const int y = 374 + level * 27;
    const std::string n = std::to_string(level);
    b.Add(M, HM::kFirstActiveLevel + level, ("level" + n + "_select").c_str(), {34, y, 24, 24}, Look::Radio);
    b.Add(M, HM::kFirstLevelLabel + level, ("level" + n + "_label").c_str(), {60, y, 80, 24}, Look::Text);
    b.Add(M, HM::kFirstLevelColour + level, ("level" + n + "_colour").c_str(), {146, y + 5, 30, 14}, Look::Swatch);
    b.Add(M, HM::kFirstLevelEnable + level, ("level" + n + "_on").c_str(), {188, y + 3, 40, 18}, Look::Toggle);
    for (int step = 0; step < 12; ++step) {
      b.Add(M, HM::kFirstStep + 12 * level + step, ("level" + n + "_step" + std::to_string(step)).c_str(),
            {240 + step * 44, y + 2, 42, 20}, Look::StepCell, step);
    }
  }
}

void AdvancedPage(Builder& b, Geometry& g) {
  const Family A = Family::Advanced;
  g.macroPanel = QRect(20, 66, 456, 476);
  g.performancePanel = QRect(486, 66, 294, 476);
  b.Add(A, HA::kMacroHeading, "macro_heading", {128, 67, 240, 22}, Look::Heading);
  b.Add(A, HA::kPerformanceHeading, "performance_heading", {513, 67, 240, 22}, Look::Heading);

  b.Add(A, HA::kMacrosColumn, "macros_column", {36, 98, 170, 18}, Look::Text);
  b.Add(A, HA::kEventsColumn, "events_column", {216, 98, 244, 18}, Look::Text);
  b.Add(Family::MacroDisplay, 1, "macro_list", {36, 118, 170, 254}, Look::ControlWell);
  b.Add(Family::MacroDisplay, 2, "event_list", {216, 118, 244, 254}, Look::ControlWell);
  b.Add(Family::Edit, 4, "name_edit", {36, 384, 170, 26}, Look::ControlWell);
  b.Add(A, HA::kAddMacro, "new", {216, 384, 78, 26}, Look::Button);
  b.Add(A, HA::kDeleteMacro, "delete", {299, 384, 78, 26}, Look::Button);
  b.Add(A, HA::kRecord, "record", {382, 384, 78, 26}, Look::Button);
  b.Add(A, HA::kCountedMode, "repeat_counted", {36, 420, 150, 26}, Look::Checkbox);
  b.Add(Family::Edit, 3, "count_edit", {190, 420, 56, 26}, Look::ControlWell);
  b.Add(A, HA::kHeldMode, "repeat_held", {256, 420, 204, 26}, Look::Checkbox);
  b.Add(A, HA::kImportMacros, "import_macros", {36, 458, 136, 28}, Look::Button);
  b.Add(A, HA::kExportMacros, "export_macros", {180, 458, 136, 28}, Look::Button);
  b.Add(A, HA::kSaveMacros, "save_macros", {324, 458, 136, 28}, Look::PrimaryButton);
  b.Add(A, HA::kEventHint, "event_hint", {36, 500, 424, 18}, Look::Text);
  // No control lives at the spare edit rectangle.
  b.Add(Family::Edit, 2, "spare", {}, Look::None);

  const int x = 504;
  b.Add(A, HA::kPointerHeading, "pointer_heading", {502, 104, 262, 18}, Look::Text);
  b.Add(A, HA::kWheelHeading, "wheel_heading", {502, 204, 262, 18}, Look::Text);
  for (int i = 0; i < 10; ++i) {
    b.Add(A, HA::kFirstPointerSpeed + i, ("pointer_speed" + std::to_string(i)).c_str(), {x + i * 26, 126, 24, 32}, Look::Chip);
    b.Add(A, HA::kFirstWheelStep + i, ("wheel_speed" + std::to_string(i)).c_str(), {x + i * 26, 226, 24, 32}, Look::Chip);
  }
  b.Add(A, HA::kFireHeading, "fire_heading", {502, 304, 262, 18}, Look::Text);
  b.Add(A, HA::kFireDown, "fire_down", {x, 326, 26, 28}, Look::Chip);
  b.Add(A, HA::kFireBar, "fire_bar", {x + 30, 326, 150, 28}, Look::Slider);
  b.Add(A, HA::kFireUp, "fire_up", {x + 184, 326, 26, 28}, Look::Chip);
  b.Add(A, HA::kFireValue, "fire_value", {x + 214, 326, 46, 28}, Look::ValueBox);
  b.Add(A, HA::kPollingHeading, "polling_heading", {502, 404, 262, 18}, Look::Text);
  for (int i = 0; i < 4; ++i) {
    b.Add(A, HA::kFirstPolling + i, ("polling" + std::to_string(i)).c_str(), {x + i * 65, 426, 61, 30}, Look::Chip);
  }
}

void ColorPage(Builder& b, Geometry& g) {
  const Family C = Family::Color;
  g.previewPanel = QRect(20, 66, 330, 476);
  g.lightingPanel = QRect(360, 66, 420, 476);
  b.Add(C, HC::kPreviewHeading, "preview_heading", {65, 67, 240, 22}, Look::Heading);
  b.Add(C, HC::kLightingHeading, "lighting_heading", {450, 67, 240, 22}, Look::Heading);
  b.Add(C, HC::kPreview, "preview", {36, 98, 298, 428}, Look::Preview);

  b.Add(C, HC::kModeHeading, "mode_heading", {376, 104, 388, 18}, Look::Text);
  for (int i = 0; i < 4; ++i) {
    b.Add(C, HC::kFirstLightingMode + i, ("mode" + std::to_string(i)).c_str(), {376 + i * 98, 126, 94, 30}, Look::Chip);
  }
  b.Add(C, HC::kCycleTimeHeading, "cycle_time_heading", {376, 184, 388, 18}, Look::Text);
  for (int i = 0; i < 6; ++i) {
    b.Add(C, HC::kFirstCycleTime + i, ("cycle_time" + std::to_string(5 - i)).c_str(), {376 + i * 65, 206, 61, 28}, Look::Chip);
  }
  b.Add(C, HC::kFast, "fast", {376, 238, 61, 16}, Look::Text);
  b.Add(C, HC::kSlow, "slow", {701, 238, 61, 16}, Look::Text);
  b.Add(C, HC::kCycleColourHeading, "cycle_colour_heading", {376, 276, 388, 18}, Look::Text);
  for (int k = 0; k < 7; ++k) {
    b.Add(C, HC::kFirstCycleColour + k, ("cycle_colour" + std::to_string(k)).c_str(), {382 + k * 55, 300, 46, 46}, Look::ColourChip, k);
  }
  b.Add(C, HC::kDpiHeading, "dpi_heading", {376, 380, 388, 18}, Look::Text);
  b.Add(C, HC::kDpiValue, "dpi_value", {520, 402, 100, 36}, Look::ValueBox);
  b.Add(C, HC::kCycleNote, "cycle_note", {376, 470, 388, 18}, Look::Text);
}

void WarningDialog(Builder& b) {
  const Family W = Family::Warning;
  b.Add(W, hits::warning::kConfirm, "confirm", {60, 104, 120, 32}, Look::DialogButton);
  b.Add(W, hits::warning::kCancel, "cancel", {200, 104, 120, 32}, Look::DialogButton);
  b.Add(W, hits::warning::kMessage, "message", {16, 52, 348, 30}, Look::Text);
}

Geometry Build() {
  Geometry g;
  // Main window: chamfered corners, a raised crown behind the tabs and a
  // narrow waist on both sides.
  g.windowOutline = QPolygon({{20, 12},  {200, 12}, {212, 0},   {588, 0},   {600, 12},  {780, 12}, {800, 32},
                              {800, 210}, {792, 218}, {792, 382}, {800, 390}, {800, 580}, {780, 600}, {20, 600},
                              {0, 580},  {0, 390},  {8, 382},   {8, 218},   {0, 210},   {0, 32}});
  g.warningOutline = QPolygon({{14, 0}, {366, 0}, {380, 14}, {380, 142}, {366, 156}, {14, 156}, {0, 142}, {0, 14}});
  g.menuRowHeight = 26;
  g.menu = QSize(190, 10 * g.menuRowHeight + 1);
  g.subMenu = QSize(210, 12 * g.menuRowHeight + 1);
  Builder b(g);
  SharedBar(b);
  MainPage(b, g);
  AdvancedPage(b, g);
  ColorPage(b, g);
  WarningDialog(b);
  return g;
}

}  // namespace

std::string ValidateGeometry(const Geometry& g) {
  const QRegion window(g.windowOutline);
  const QRegion warning(g.warningOutline);
  auto page = [](const Element& e) {
    switch (e.family) {
      case Family::Main: return e.index <= hits::main::kLastShared ? 0 : 1;
      case Family::Advanced:
      case Family::Edit:
      case Family::MacroDisplay: return 2;
      case Family::Color: return 3;
      case Family::Warning: return 4;
    }
    return -1;
  };
  for (size_t i = 0; i < g.elements.size(); ++i) {
    const Element& a = g.elements[i];
    if (a.rect.isEmpty()) continue;
    const QRegion& outline = a.family == Family::Warning ? warning : window;
    if (QRegion(a.rect).subtracted(outline).rectCount() != 0) return a.id + " reaches outside its window";
    for (size_t j = i + 1; j < g.elements.size(); ++j) {
      const Element& b = g.elements[j];
      if (b.rect.isEmpty() || !a.rect.intersects(b.rect)) continue;
      const int pa = page(a), pb = page(b);
      // The shared bar is painted on every window page; pages never share a picture.
      const bool together = pa == pb || (pa == 0 && pb >= 1 && pb <= 3) || (pb == 0 && pa >= 1 && pa <= 3);
      if (together) return a.id + " overlaps " + b.id;
    }
  }
  return {};
}

const Element* Geometry::Find(Family family, int index) const {
  for (const Element& e : elements) {
    if (e.family == family && e.index == index) return &e;
  }
  return nullptr;
}

std::vector<const Element*> Geometry::Of(Family family) const {
  std::vector<const Element*> out;
  for (const Element& e : elements) {
    if (e.family == family) out.push_back(&e);
  }
  return out;
}

const Geometry& SkinGeometry() {
  static const Geometry g = Build();
  return g;
}

QColor CycleColour(int k) {
  static const QColor colours[7] = {QColor(255, 210, 0),  QColor(40, 110, 255), QColor(255, 80, 200),
                                    QColor(40, 225, 90),  QColor(255, 40, 40),  QColor(30, 220, 255),
                                    QColor(240, 244, 255)};
  return colours[((k % 7) + 7) % 7];
}

int StepDpi(int step) { return device::DpiShownForStepCode(device::StepCodeFor(step)); }

}  // namespace orv::skin_gen
