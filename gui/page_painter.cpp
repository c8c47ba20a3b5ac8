#include "gui/page_painter.h"

#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <array>
#include <limits>
#include <mutex>
#include <span>
#include <string>

#include "device/wire_codes.h"
#include "gui/fonts.h"
#include "skin/hit_indexes.h"
#include "skin/page_texts.h"
#include "skin/picture_names.h"

namespace orv::skin {
namespace {

namespace pic = pictures;

namespace M = hits::main;
namespace C = hits::color;
namespace A = hits::advanced;

constexpr int kSharedBarEntries = M::kLastShared + 1;  // Main layout entries 0 ... 19, on every page
constexpr int kSharedTextEntries = M::kEnglish + 1;    // their texts drawn on the Advanced and Color pages
constexpr int kMainTextEntries = M::kLastLevelLabel + 1;
constexpr int kColorPageTexts = C::kCycleNote + 1;
constexpr int kHighlightOffset = M::kFirstButtonHighlight - M::kFirstButton;  // label 20 + k lights 138 + k
constexpr int kLabelIndent = 5;  // button labels are left-aligned this far inside their rectangle

struct PageFiles {
  const char* normal;
  const char* over;
  const char* down;
  int tab;  // the page's tab in the shared bar
};

PageFiles FilesOf(uint8_t page) {
  switch (page) {
    case kPageAdvanced: return {pic::kAdvancedNormal, pic::kAdvancedOver, pic::kAdvancedDown, M::kAdvancedTab};
    case kPageColor: return {pic::kColorNormal, pic::kColorOver, pic::kColorDown, M::kColorTab};
    default: return {pic::kMainNormal, pic::kMainOver, pic::kMainDown, M::kMainTab};
  }
}

std::span<const LayoutRect> HitsOf(uint8_t page, const SkinLayout& layout) {
  switch (page) {
    case kPageAdvanced: return layout.advancedHits;
    case kPageColor: return layout.colorHits;
    default: return layout.mainHits;
  }
}

int32_t HoverOf(const PaintState& state) {
  switch (state.page) {
    case kPageAdvanced: return state.hoverAdvanced;
    case kPageColor: return state.hoverColor;
    default: return state.hoverMain;
  }
}

bool IsLevel(int32_t level) { return level >= 0 && level < settings::kLevelCount; }

int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Copies entry `index` of a rectangle table from `source`. Indexes come from
// hover state, settings and files; one outside the table copies nothing.
void CopyEntry(PictureSurface& target, const PictureSurface& source, std::span<const LayoutRect> family,
               int64_t index) {
  if (index < 0 || index >= static_cast<int64_t>(family.size())) return;
  CopyArea(target, source, family[static_cast<size_t>(index)]);
}

void DrawCentred(PictureSurface& target, const QFont& font, ColourRef colour, const LayoutRect& r,
                 const std::string& text) {
  if (!text.empty()) DrawTextCentred(target, font, colour, r, text);
}

const settings::MouseSettings& NoSettings() {
  static const settings::MouseSettings kNone{};
  return kNone;
}

}  // namespace

PagePainter::PagePainter(std::filesystem::path skinDir) : PagePainter(std::move(skinDir), &LoadPicture) {}

PagePainter::PagePainter(std::filesystem::path skinDir, PictureLoader loader)
    : skinDir_(std::move(skinDir)), loader_(loader) {}

PagePainter::~PagePainter() { AwaitPreparation(); }

void PagePainter::AwaitPreparation() const {
  if (preparing_.joinable()) preparing_.join();
  for (FontSet& set : fontSets_) {
    if (set.making.valid()) set.making.get();
  }
}

void PagePainter::Prepare(uint8_t page, int scale, int32_t language) {
  if (preparing_.joinable()) return;
  const PageFiles files = FilesOf(page);
  preparing_ = std::thread([this, files, scale] {
    for (const char* name : {files.normal, files.over, files.down}) (void)loader_(skinDir_ / name, scale);
  });
  PrepareFonts(language);
}

void PagePainter::PrepareFonts(int32_t language) {
  const size_t index = FontSetOf(language);
  FontSet& set = fontSets_[index];
  if (set.made || set.making.valid()) return;
  set.making = std::async(std::launch::async, [this, index] { MakeFontSet(index); });
}

void PagePainter::MakeFontSet(size_t index) const {
  FontSet& set = fontSets_[index];
  if (index == kEnglishFonts) {
    set.text = MakeSkinFont(kFontEnglish);
    set.small = MakeSkinFont(kFontSmall);
  } else {
    set.text = MakeSkinFont(kFontTurkish);
    set.small = set.text;
  }
  set.made = true;
}

const PagePainter::FontSet& PagePainter::Fonts(int32_t language) const {
  const size_t index = FontSetOf(language);
  FontSet& set = fontSets_[index];
  if (set.making.valid()) set.making.get();
  if (!set.made) MakeFontSet(index);
  return set;
}

PictureSurface PagePainter::Picture(const char* name) const { return loader_(skinDir_ / name, scale_); }

const QImage& PagePainter::Compose(const PaintState& state, SkinLayout& layout) {
  const settings::MouseSettings& s = state.settings != nullptr ? *state.settings : NoSettings();
  const PageFiles files = FilesOf(state.page);
  (void)Fonts(state.language);
  if (preparing_.joinable()) preparing_.join();
  scale_ = std::clamp(state.scale, 1, kMaxPictureScale);
  CopyPicture(frame_, Picture(files.normal));
  const PictureSurface over = Picture(files.over);
  const PictureSurface down = Picture(files.down);
  if (frame_.IsNull()) {
    // Without its base picture the page is still usable: state looks and
    // texts go onto black of the window's size.
    const PictureSurface mask = Picture(pic::kMainMask);
    frame_ = PictureSurface(mask.width(), mask.height(), 0, scale_);
  }

  // Hovered or pressed element of the page (the fire-time bar has no pressed look).
  const std::span<const LayoutRect> hits = HitsOf(state.page, layout);
  const int32_t hover = HoverOf(state);
  if (hover != kNoIndex) {
    if (!state.pressed) {
      CopyEntry(frame_, over, hits, hover);
    } else if (!(state.page == kPageAdvanced && hover == A::kFireBar)) {
      CopyEntry(frame_, down, hits, hover);
    }
  }

  switch (state.page) {
    case kPageAdvanced: PaintAdvancedStates(state, s, layout, down); break;
    case kPageColor: PaintColorStates(state, s, layout, over, down); break;
    default: PaintMainStates(state, s, layout, over, down); break;
  }
  PaintSharedBar(state, layout, over, down);

  switch (state.page) {
    case kPageAdvanced:
      PaintSharedTexts(layout, state.language);
      PaintAdvancedTexts(state, s, layout);
      break;
    case kPageColor:
      PaintSharedTexts(layout, state.language);
      PaintColorTexts(state, s, layout);
      break;
    default: PaintMainTexts(state, s, layout); break;
  }
  return frame_.image();
}

void PagePainter::PaintMainStates(const PaintState& state, const settings::MouseSettings& s, const SkinLayout& layout,
                                  const PictureSurface& over, const PictureSurface& down) {
  const std::span<const LayoutRect> hits = layout.mainHits;
  // One read: the executor thread stores the level the mouse reports.
  const int32_t active = s.DPI_LEVEL;
  if (IsLevel(active)) CopyEntry(frame_, down, hits, M::kFirstActiveLevel + active);

  // The hovered mouse button's highlight; drawn again after each level so it
  // stays above every fill.
  const bool onButton =
      state.hoverMain >= M::kFirstButton && state.hoverMain <= M::kLastButton;
  const int64_t highlight = int64_t{state.hoverMain} + kHighlightOffset;
  if (onButton) CopyEntry(frame_, over, hits, highlight);

  for (int n = 0; n < settings::kLevelCount; ++n) {
    const settings::DpiLevel& level = s.levels[static_cast<size_t>(n)];
    const LayoutRect& swatch = hits[static_cast<size_t>(M::kFirstLevelColour + n)];
    FillArea(frame_, swatch.x, swatch.y, swatch.width, swatch.height, level.displayColour);
    // The cells from step 0 to the selected step form a bar in the level's
    // colour, each inset by a pixel at the left, top and right. A selected
    // cell beyond the level's twelve (a damaged profile) stops at its last.
    const int first = M::kFirstStep + settings::kStepCount * n;
    const int last = std::min<int32_t>(level.selectedStepHit, first + settings::kStepCount - 1);
    for (int k = first; k <= last; ++k) {
      const LayoutRect& cell = hits[static_cast<size_t>(k)];
      FillArea(frame_, Saturate(int64_t{cell.x} + 1), Saturate(int64_t{cell.y} + 1), Saturate(int64_t{cell.width} - 2),
               Saturate(int64_t{cell.height} - 1), level.displayColour);
    }
    if (level.enabled == 1) CopyEntry(frame_, down, hits, M::kFirstLevelEnable + n);
    if (onButton) CopyEntry(frame_, over, hits, highlight);
  }
  CopyEntry(frame_, down, hits, s.WHEEL_STATUS == 0 ? M::kWheelStandard : M::kWheelAlternate);
}

void PagePainter::PaintAdvancedStates(const PaintState& state, const settings::MouseSettings& s,
                                      const SkinLayout& layout, const PictureSurface& down) {
  const std::span<const LayoutRect> hits = layout.advancedHits;
  if (state.recording) CopyEntry(frame_, down, hits, A::kRecord);
  // A value outside its selector would light an element of another one.
  if (s.DPI_SPEED <= 9) CopyEntry(frame_, down, hits, A::kFirstPointerSpeed + s.DPI_SPEED);
  if (s.WHEEL_SPEED <= 9) CopyEntry(frame_, down, hits, A::kFirstWheelStep + s.WHEEL_SPEED);
  if (s.USB_SPEED <= 3) CopyEntry(frame_, down, hits, A::kFirstPolling + s.USB_SPEED);

  // The fire-time bar is filled in proportion to 0 ... 300 ms; a time outside
  // that range fills none or all of it rather than running past its end.
  const LayoutRect& bar = hits[A::kFireBar];
  const int64_t fire = std::clamp<int64_t>(s.FIRE_TIME, 0, settings::kFireTimeMax);
  LayoutRect filled = bar;
  filled.width = Saturate(fire * bar.width / settings::kFireTimeMax);
  CopyArea(frame_, down, filled);

  if (state.selectedMacroMode & macros::MODE_HELD) CopyEntry(frame_, down, hits, A::kHeldMode);
  if (state.selectedMacroMode & macros::MODE_COUNTED) CopyEntry(frame_, down, hits, A::kCountedMode);
}

void PagePainter::PaintColorStates(const PaintState& state, const settings::MouseSettings& s, const SkinLayout& layout,
                                   const PictureSurface& over, const PictureSurface& down) {
  const std::span<const LayoutRect> hits = layout.colorHits;
  if (s.LED_TYPE <= 3) CopyEntry(frame_, down, hits, C::kFirstLightingMode + s.LED_TYPE);
  // The cycle time matters only in modes 0 and 1; steps 5 ... 0 sit at 11 ... 16.
  if (s.LED_TYPE <= 1 && s.LED_CYC_TIME <= 5) CopyEntry(frame_, down, hits, C::kLastCycleTime - s.LED_CYC_TIME);
  for (int k = 0; k < settings::kCycleColourCount; ++k) {
    if (s.colourCycleFlags[static_cast<size_t>(k)]) CopyEntry(frame_, down, hits, C::kFirstCycleColour + k);
  }

  // Preview panel: grey in the dark half of a blink, else the cycle colour
  // being shown. The hovered and pressed pictures double as colours 0 and 1.
  static constexpr const char* kPreviewPictures[] = {pic::kColorPink, pic::kColorGreen, pic::kColorRed, pic::kColorCyan,
                                                     pic::kColorWhite};
  const LayoutRect& panel = hits[C::kPreview];
  const uint8_t index = state.colorPreviewIndex;
  if (state.colorBlinkPhase != 0) {
    CopyArea(frame_, Picture(pic::kColorNormal), panel);
  } else if (index == 0) {
    CopyArea(frame_, over, panel);
  } else if (index == 1) {
    CopyArea(frame_, down, panel);
  } else if (index <= 6) {
    CopyArea(frame_, Picture(kPreviewPictures[index - 2]), panel);
  }
}

void PagePainter::PaintSharedBar(const PaintState& state, const SkinLayout& layout, const PictureSurface& over,
                                 const PictureSurface& down) {
  const int tab = FilesOf(state.page).tab;
  for (int i = 0; i < kSharedBarEntries; ++i) {
    const LayoutRect& r = layout.mainHits[static_cast<size_t>(i)];
    // The first matching rule wins: current profile, then hover, then the
    // page's tab, then the language buttons.
    if (i >= M::kFirstProfile && i <= M::kLastProfile && i - M::kProfileOffset == int64_t{state.curProfile}) {
      CopyArea(frame_, down, r);
    } else if (i == state.hoverMain) {
      CopyArea(frame_, state.pressed ? down : over, r);
    } else if (i == tab || (i == M::kTurkish && state.language == 0) || (i == M::kEnglish && state.language == 1)) {
      CopyArea(frame_, down, r);
    }
  }
}

void PagePainter::PaintSharedTexts(const SkinLayout& layout, int32_t language) {
  const QFont& font = TextFont(language);
  for (int i = 0; i < kSharedTextEntries; ++i) {
    DrawCentred(frame_, font, i == M::kTitle ? kTextYellow : kTextGrey, layout.mainHits[static_cast<size_t>(i)],
                layout.mainTexts[static_cast<size_t>(i)]);
  }
}

void PagePainter::PaintMainTexts(const PaintState& state, const settings::MouseSettings& s, const SkinLayout& layout) {
  const QFont& font = TextFont(state.language);
  const QFont& levelFont = Fonts(state.language).small;
  for (int i = 0; i < kMainTextEntries; ++i) {
    const LayoutRect& r = layout.mainHits[static_cast<size_t>(i)];
    if (i >= M::kFirstButton && i <= M::kLastButton) {
      // Button labels: left-aligned, centred vertically.
      const std::string label = FunctionLabel(s.K[static_cast<size_t>(i - M::kFirstButton)], layout, state.macros);
      if (label.empty()) continue;
      const TextExtent size = TextSize(frame_, font, label);
      const TextOrigin at = CentreText(r, size.cx, size.cy);
      DrawTextAt(frame_, font, i == state.hoverMain ? kTextRed : kTextGrey, Saturate(int64_t{r.x} + kLabelIndent), at.y,
                 label);
      continue;
    }
    const std::string& text = layout.mainTexts[static_cast<size_t>(i)];
    if (i >= M::kFirstLevelLabel && i <= M::kLastLevelLabel) {
      // Level labels: red while the level is on, dimmed while it is off.
      const bool on = s.levels[static_cast<size_t>(i - M::kFirstLevelLabel)].enabled == 1;
      DrawCentred(frame_, levelFont, on ? kTextRed : kTextDimmed, r, text);
      continue;
    }
    ColourRef colour = kTextGrey;
    if (i == M::kTitle) colour = kTextYellow;
    if (i == M::kButtonsHeading || i == M::kDpiHeading) colour = kTextWhite;
    DrawCentred(frame_, font, colour, r, text);
  }
}

void PagePainter::PaintAdvancedTexts(const PaintState& state, const settings::MouseSettings& s, SkinLayout& layout) {
  layout.advancedTexts[A::kRecord] = RecordButtonText(state.language, state.recording);
  layout.advancedTexts[A::kFireValue] = std::to_string(s.FIRE_TIME) + "ms";
  const QFont& font = TextFont(state.language);
  for (int j = 0; j < kAdvancedEntries; ++j) {
    ColourRef colour = kTextGrey;
    if (j == A::kFireValue || j == A::kMacroHeading || j == A::kPerformanceHeading) colour = kTextWhite;
    if (j == state.hoverAdvanced) colour = kTextRed;
    DrawCentred(frame_, font, colour, layout.advancedHits[static_cast<size_t>(j)],
                layout.advancedTexts[static_cast<size_t>(j)]);
  }
}

void PagePainter::PaintColorTexts(const PaintState& state, const settings::MouseSettings& s, const SkinLayout& layout) {
  const QFont& font = TextFont(state.language);
  for (int j = 0; j < kColorPageTexts; ++j) {
    const LayoutRect& r = layout.colorHits[static_cast<size_t>(j)];
    if (j == C::kDpiValue) {
      // The DPI of the active level, which follows a level change the mouse reports.
      const int32_t active = s.DPI_LEVEL;
      if (!IsLevel(active)) continue;
      const uint8_t step = s.levels[static_cast<size_t>(active)].step;
      DrawCentred(frame_, font, kTextWhite, r,
                  std::to_string(device::DpiShownForStepCode(device::StepCodeFor(step))));
      continue;
    }
    DrawCentred(frame_, font, j >= C::kPreviewHeading && j <= C::kLastWhiteText ? kTextWhite : kTextGrey, r,
                layout.colorTexts[static_cast<size_t>(j)]);
  }
}

void PagePainter::StyleControl(QWidget& control, int32_t language) const {
  control.setFont(TextFont(language));
  QPalette palette = control.palette();
  palette.setColor(QPalette::Base, Qt::black);
  palette.setColor(QPalette::Window, Qt::black);
  palette.setColor(QPalette::Text, Qt::white);
  palette.setColor(QPalette::WindowText, Qt::white);
  control.setPalette(palette);
  control.setAutoFillBackground(true);
}

}  // namespace orv::skin
