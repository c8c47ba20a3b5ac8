#include "app/page_controls.h"

#include <algorithm>
#include <cstdio>

#include "app/controller.h"
#include "device/ktr580.h"
#include "macros/macro_model.h"
#include "settings/mouse_settings.h"
#include "skin/hit_indexes.h"
#include "skin/page_texts.h"

namespace orv::app {
namespace {

namespace M = skin::hits::main;
namespace C = skin::hits::color;
namespace A = skin::hits::advanced;

// Words the layouts do not carry, for controls without a text of their own.
struct Words {
  const char* profile;
  const char* button;
  const char* minimise;
  const char* close;
  const char* cycleColour;
};
const Words& WordsFor(int32_t language) {
  static const Words english{"Profile", "Button", "Minimise", "Close", "Cycle color"};
  static const Words turkish{"Profil", "Düğme", "Simge durumuna küçült", "Kapat", "Döngü rengi"};
  return language != 0 ? english : turkish;
}

const std::string& TextOf(const AppState& s, HitFamily family, int index) {
  switch (family) {
    case HitFamily::Color: return s.layout.colorTexts[static_cast<size_t>(index)];
    case HitFamily::Advanced: return s.layout.advancedTexts[static_cast<size_t>(index)];
    case HitFamily::Main: break;
  }
  return s.layout.mainTexts[static_cast<size_t>(index)];
}

const skin::LayoutRect& RectOf(const AppState& s, const ControlKey& key) {
  switch (key.family) {
    case HitFamily::Color: return s.layout.colorHits[static_cast<size_t>(key.index)];
    case HitFamily::Advanced: return s.layout.advancedHits[static_cast<size_t>(key.index)];
    case HitFamily::Main: break;
  }
  return s.layout.mainHits[static_cast<size_t>(key.index)];
}

std::string Joined(const std::string& a, const std::string& b, const char* between = " ") {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + between + b;
}

std::string HexColour(uint32_t colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
  return text;
}

// Builds the list: each Add starts or continues the current group.
class ListBuilder {
 public:
  explicit ListBuilder(const AppState& s) : s_(s) {}

  PageControl& Add(HitFamily family, int index, ControlRole role, std::string name) {
    PageControl c;
    c.key = {family, index};
    c.role = role;
    c.name = std::move(name);
    c.rect = RectOf(s_, c.key);
    c.group = group_;
    c.pressed = s_.ui.pressed != 0 && Hovered(c.key);
    list_.push_back(std::move(c));
    return list_.back();
  }
  // A push button with its layout text, as a Tab stop of its own.
  PageControl& Button(HitFamily family, int index, std::string name = {}) {
    NewGroup();
    if (name.empty()) name = TextOf(s_, family, index);
    return Add(family, index, ControlRole::PushButton, std::move(name));
  }
  void NewGroup() { ++group_; }
  std::vector<PageControl> Take() {
    // A rectangle the skin leaves empty cannot be pressed: no control there.
    std::erase_if(list_, [](const PageControl& c) { return c.rect.width <= 0 || c.rect.height <= 0; });
    return std::move(list_);
  }

 private:
  bool Hovered(const ControlKey& k) const {
    switch (k.family) {
      case HitFamily::Color: return s_.ui.hoverColor == k.index;
      case HitFamily::Advanced: return s_.ui.hoverAdvanced == k.index;
      case HitFamily::Main: break;
    }
    return s_.ui.hoverMain == k.index;
  }
  const AppState& s_;
  std::vector<PageControl> list_;
  int group_ = 0;
};

void AddTopBar(const AppState& s, ListBuilder& b) {
  const Words& w = WordsFor(s.language);
  b.NewGroup();
  for (int i = M::kMainTab; i <= M::kColorTab; ++i) {
    b.Add(HitFamily::Main, i, ControlRole::PageTab, TextOf(s, HitFamily::Main, i)).checked = i - M::kMainTab == s.ui.page;
  }
  b.NewGroup();
  b.Add(HitFamily::Main, M::kTurkish, ControlRole::RadioButton, TextOf(s, HitFamily::Main, M::kTurkish)).checked =
      s.language == 0;
  b.Add(HitFamily::Main, M::kEnglish, ControlRole::RadioButton, TextOf(s, HitFamily::Main, M::kEnglish)).checked =
      s.language != 0;
  b.Button(HitFamily::Main, M::kMinimise, Joined(TextOf(s, HitFamily::Main, M::kMinimise), w.minimise));
  b.Button(HitFamily::Main, M::kHide, Joined(TextOf(s, HitFamily::Main, M::kHide), w.close));
}

void AddBottomBar(const AppState& s, ListBuilder& b) {
  const Words& w = WordsFor(s.language);
  b.NewGroup();
  for (int i = M::kFirstProfile; i <= M::kLastProfile; ++i) {
    const int profile = i - M::kProfileOffset;
    b.Add(HitFamily::Main, i, ControlRole::RadioButton, std::string(w.profile) + " " + std::to_string(profile)).checked =
        profile == s.profile.curProfile;
  }
  for (int i : {M::kImportSettings, M::kExportSettings, M::kReset, M::kSave, M::kCloseWithoutApplying, M::kApply}) {
    b.Button(HitFamily::Main, i);
  }
}

void AddMainPage(const AppState& s, ListBuilder& b) {
  const settings::MouseSettings& m = s.settings;
  b.NewGroup();
  for (int i = M::kFirstButton; i <= M::kLastButton; ++i) {
    b.Add(HitFamily::Main, i, ControlRole::PushButton, ButtonFunctionText(s, i - M::kFirstButton));
  }
  b.NewGroup();
  for (int i : {M::kWheelStandard, M::kWheelAlternate}) {
    b.Add(HitFamily::Main, i, ControlRole::RadioButton, Joined(TextOf(s, HitFamily::Main, M::kWheelHeading), TextOf(s, HitFamily::Main, i), ": "))
        .checked = m.WHEEL_STATUS == i - M::kWheelStandard;
  }
  const auto levelName = [&](int n) { return TextOf(s, HitFamily::Main, M::kFirstLevelLabel + n); };
  const auto level = [&](int n) -> const settings::DpiLevel& { return m.levels[static_cast<size_t>(n)]; };
  b.NewGroup();
  for (int n = 0; n < settings::kLevelCount; ++n) {
    PageControl& c = b.Add(HitFamily::Main, M::kFirstActiveLevel + n, ControlRole::RadioButton, levelName(n));
    c.checked = m.DPI_LEVEL == n;
    c.disabled = level(n).enabled != 1;
  }
  b.NewGroup();
  for (int n = 0; n < settings::kLevelCount; ++n) {
    b.Add(HitFamily::Main, M::kFirstLevelEnable + n, ControlRole::CheckBox,
          Joined(levelName(n), TextOf(s, HitFamily::Main, M::kOnColumn)))
        .checked = level(n).enabled == 1;
  }
  b.NewGroup();
  for (int n = 0; n < settings::kLevelCount; ++n) {
    b.Add(HitFamily::Main, M::kFirstLevelColour + n, ControlRole::PushButton,
          Joined(Joined(levelName(n), TextOf(s, HitFamily::Main, M::kColourColumn)), HexColour(level(n).displayColour),
                 ", "));
  }
  b.NewGroup();
  for (int n = 0; n < settings::kLevelCount; ++n) {
    for (int step = 0; step < settings::kStepCount; ++step) {
      const int dpi = device::kDpiSteps[static_cast<size_t>(step)].dpi;
      PageControl& c = b.Add(HitFamily::Main, M::kFirstStep + settings::kStepCount * n + step, ControlRole::RadioButton,
                             Joined(levelName(n), std::to_string(dpi) + " DPI", ", "));
      c.checked = level(n).step == step;
      c.columns = settings::kStepCount;
    }
  }
}

void AddColorPage(const AppState& s, ListBuilder& b) {
  const settings::MouseSettings& m = s.settings;
  b.NewGroup();
  for (int i = C::kFirstLightingMode; i <= C::kLastLightingMode; ++i) {
    b.Add(HitFamily::Color, i, ControlRole::RadioButton, TextOf(s, HitFamily::Color, i)).checked =
        m.LED_TYPE == i - C::kFirstLightingMode;
  }
  b.NewGroup();
  const bool timed = m.LED_TYPE <= 1;
  for (int i = C::kFirstCycleTime; i <= C::kLastCycleTime; ++i) {
    PageControl& c = b.Add(HitFamily::Color, i, ControlRole::RadioButton,
                           Joined(TextOf(s, HitFamily::Color, C::kCycleTimeHeading), TextOf(s, HitFamily::Color, i)));
    c.checked = timed && m.LED_CYC_TIME == C::kLastCycleTime - i;
    // Only the first step is tested while the mode has no cycle time.
    c.disabled = !timed && i > C::kLastTestedWithoutCycle;
  }
  b.NewGroup();
  for (int k = 0; k < settings::kCycleColourCount; ++k) {
    b.Add(HitFamily::Color, C::kFirstCycleColour + k, ControlRole::CheckBox,
          std::string(WordsFor(s.language).cycleColour) + " " + std::to_string(k + 1))
        .checked = m.colourCycleFlags[static_cast<size_t>(k)];
  }
}

void AddAdvancedPage(const AppState& s, ListBuilder& b) {
  const settings::MouseSettings& m = s.settings;
  const auto text = [&](int i) { return TextOf(s, HitFamily::Advanced, i); };
  uint8_t mode = 0;
  {
    std::lock_guard lock(s.macros.mutex);
    const int32_t slot = s.macros.selectedMacro;
    if (slot >= 0 && slot < macros::MACRO_SLOTS) mode = s.macros.userMacros[static_cast<size_t>(slot)].mode;
  }
  b.Button(HitFamily::Advanced, A::kAddMacro);
  b.Button(HitFamily::Advanced, A::kDeleteMacro);
  b.Button(HitFamily::Advanced, A::kRecord, skin::RecordButtonText(s.language, s.editor.recording));
  for (int i : {A::kCountedMode, A::kHeldMode}) {
    b.NewGroup();
    b.Add(HitFamily::Advanced, i, ControlRole::CheckBox, text(i)).checked =
        (mode & (i == A::kCountedMode ? macros::MODE_COUNTED : macros::MODE_HELD)) != 0;
  }
  for (int i : {A::kImportMacros, A::kExportMacros, A::kSaveMacros}) b.Button(HitFamily::Advanced, i);

  const auto selector = [&](int first, int last, int heading, int chosen) {
    b.NewGroup();
    for (int i = first; i <= last; ++i) {
      b.Add(HitFamily::Advanced, i, ControlRole::RadioButton, Joined(text(heading), text(i))).checked =
          i - first == chosen;
    }
  };
  selector(A::kFirstPointerSpeed, A::kLastPointerSpeed, A::kPointerHeading, m.DPI_SPEED);
  selector(A::kFirstWheelStep, A::kLastWheelStep, A::kWheelHeading, m.WHEEL_SPEED);
  b.Button(HitFamily::Advanced, A::kFireDown, Joined(text(A::kFireHeading), text(A::kFireDown)));
  b.NewGroup();
  PageControl& bar = b.Add(HitFamily::Advanced, A::kFireBar, ControlRole::Slider, text(A::kFireHeading));
  bar.value = std::clamp<int32_t>(m.FIRE_TIME, 0, settings::kFireTimeMax);
  bar.maximum = settings::kFireTimeMax;
  b.Button(HitFamily::Advanced, A::kFireUp, Joined(text(A::kFireHeading), text(A::kFireUp)));
  selector(A::kFirstPolling, A::kLastPolling, A::kPollingHeading, m.USB_SPEED);
}

int GroupStop(const std::vector<PageControl>& controls, int group) {
  int first = -1;
  for (size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].group != group) continue;
    if (first < 0) first = static_cast<int>(i);
    if (controls[i].checked) return static_cast<int>(i);
  }
  return first;
}

}  // namespace

std::vector<PageControl> PageControls(const AppState& s) {
  ListBuilder b(s);
  AddTopBar(s, b);
  switch (s.ui.page) {
    case kPageMain: AddMainPage(s, b); break;
    case kPageColor: AddColorPage(s, b); break;
    case kPageAdvanced: AddAdvancedPage(s, b); break;
    default: break;
  }
  AddBottomBar(s, b);
  return b.Take();
}

int FindControl(const std::vector<PageControl>& controls, const ControlKey& key) {
  for (size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].key == key) return static_cast<int>(i);
  }
  return -1;
}

int NextTabStop(const std::vector<PageControl>& controls, int from, bool forward) {
  const int n = static_cast<int>(controls.size());
  if (from < 0 || from >= n) {
    if (!forward || n == 0) return -1;
    return GroupStop(controls, controls.front().group);
  }
  const int group = controls[static_cast<size_t>(from)].group;
  int i = from;
  while (i >= 0 && i < n && controls[static_cast<size_t>(i)].group == group) i += forward ? 1 : -1;
  if (i < 0 || i >= n) return -1;
  return GroupStop(controls, controls[static_cast<size_t>(i)].group);
}

int MoveInGroup(const std::vector<PageControl>& controls, int from, int delta, bool vertical) {
  const int n = static_cast<int>(controls.size());
  if (from < 0 || from >= n) return from;
  const PageControl& c = controls[static_cast<size_t>(from)];
  const int to = from + delta * (vertical && c.columns > 0 ? c.columns : 1);
  if (to < 0 || to >= n || controls[static_cast<size_t>(to)].group != c.group) return from;
  return to;
}

void ActivateControl(AppState& s, const PageControl& c, AppPort& port) {
  if (c.disabled) return;
  PageState& ui = s.ui;
  const int32_t saved[3] = {ui.hoverMain, ui.hoverColor, ui.hoverAdvanced};
  const int32_t set[3] = {c.key.family == HitFamily::Main ? c.key.index : kNone,
                          c.key.family == HitFamily::Color ? c.key.index : kNone,
                          c.key.family == HitFamily::Advanced ? c.key.index : kNone};
  ui.hoverMain = set[0];
  ui.hoverColor = set[1];
  ui.hoverAdvanced = set[2];
  const Point centre{c.rect.x + c.rect.width / 2, c.rect.y + c.rect.height / 2};
  OnPress(s, centre, port);
  OnRelease(s, centre, port);
  // The pointer has not moved: its hover comes back, unless the action chose
  // another (hiding and minimising clear it).
  if (ui.hoverMain == set[0] && ui.hoverColor == set[1] && ui.hoverAdvanced == set[2]) {
    ui.hoverMain = saved[0];
    ui.hoverColor = saved[1];
    ui.hoverAdvanced = saved[2];
  }
}

void SetSliderValue(AppState& s, const PageControl& c, int value, AppPort& port) {
  if (c.role != ControlRole::Slider || c.rect.width <= 0) return;
  value = std::clamp(value, 0, settings::kFireTimeMax);
  // The bar gives 0 ... 299 by position, a step per pixel or more; the
  // buttons beside it make up the rest.
  const int64_t offset = (int64_t{std::min(value, settings::kFireTimeMax - 1)} * c.rect.width + settings::kFireTimeMax - 1) /
                         settings::kFireTimeMax;
  PageControl press = c;
  press.rect = {static_cast<int32_t>(c.rect.x + std::min<int64_t>(offset, c.rect.width - 1)), c.rect.y, 1, c.rect.height};
  ActivateControl(s, press, port);
  PageControl step = c;
  step.role = ControlRole::PushButton;
  for (int guard = 0; guard <= settings::kFireTimeMax && s.settings.FIRE_TIME != value; ++guard) {
    step.key.index = s.settings.FIRE_TIME < value ? A::kFireUp : A::kFireDown;
    step.rect = s.layout.advancedHits[static_cast<size_t>(step.key.index)];
    ActivateControl(s, step, port);
  }
}

void SwitchPageByKey(AppState& s, bool forward, AppPort& port) {
  const int pages = 3;
  const int next = (s.ui.page + (forward ? 1 : pages - 1)) % pages;
  PageControl tab;
  tab.key = {HitFamily::Main, M::kMainTab + next};
  tab.rect = RectOf(s, tab.key);
  ActivateControl(s, tab, port);
}

std::string ButtonFunctionText(const AppState& s, int button) {
  if (button < 0 || button >= device::kButtonCount) return {};
  const std::string label = skin::FunctionLabel(s.settings.K[static_cast<size_t>(button)], s.layout, &s.macros);
  return std::string(WordsFor(s.language).button) + " " + std::to_string(button + 1) + ": " + label;
}

std::string ApplyStatusText(int32_t language, int32_t profile, bool failed) {
  const std::string n = std::to_string(profile);
  if (language != 0) return failed ? "Profile " + n + " applied; the settings could not be saved" : "Profile " + n + " applied";
  return failed ? "Profil " + n + " uygulandı; ayarlar kaydedilemedi" : "Profil " + n + " uygulandı";
}

std::string PageName(const AppState& s) {
  return TextOf(s, HitFamily::Main, M::kMainTab + std::min<int>(s.ui.page, 2));
}

}  // namespace orv::app
