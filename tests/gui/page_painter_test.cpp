// Page painting with the shipped skin: each state look must be the area of the
// right picture (base N, hovered O, pressed/selected D) at the right rectangle.
#include "gui/page_painter.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <atomic>
#include <memory>
#include <thread>

#include "settings/config_file.h"
#include "skin/picture_names.h"
#include "support/qt_environment.h"
#include "support/temp_dir.h"

namespace orv::skin {
namespace {

namespace fs = std::filesystem;
namespace pic = pictures;

const fs::path kSkinDir = fs::path(ORV_PORTABLE_DIR) / "skins";

[[maybe_unused]] ::testing::Environment* const kQt = test::AddQtEnvironment<QGuiApplication>();

enum class Look { Normal, Over, Down, Unclear };
const char* const kLookNames[] = {"N", "O", "D", "?"};
void PrintTo(Look look, std::ostream* os) { *os << kLookNames[static_cast<int>(look)]; }

struct PagePictures {
  PictureSurface n, o, d;
};
PagePictures PicturesOf(uint8_t page, int scale = 1, const fs::path& dir = kSkinDir) {
  const char* names[3][3] = {{pic::kMainNormal, pic::kMainOver, pic::kMainDown},
                             {pic::kAdvancedNormal, pic::kAdvancedOver, pic::kAdvancedDown},
                             {pic::kColorNormal, pic::kColorOver, pic::kColorDown}};
  return {DecodePicture(dir / names[page][0], scale), DecodePicture(dir / names[page][1], scale),
          DecodePicture(dir / names[page][2], scale)};
}

ColourRef PixelOf(const QImage& image, int x, int y) {
  const QRgb p = image.pixel(x, y);
  return MakeColour(static_cast<uint8_t>(qRed(p)), static_cast<uint8_t>(qGreen(p)), static_cast<uint8_t>(qBlue(p)));
}

// Which picture the area of `r` was copied from: only pixels where that
// picture differs from both others count, so texts drawn on top are ignored.
// All in device pixels, so that a 2x frame is checked against the 2x pictures.
Look ShownLook(const QImage& frame, const LayoutRect& r, const PagePictures& p) {
  int votes[3] = {};
  const int k = p.n.scale();
  const auto at = [](const PictureSurface& s, int x, int y) { return PixelOf(s.image(), x, y); };
  for (int y = r.y * k; y < (r.y + r.height) * k; ++y) {
    for (int x = r.x * k; x < (r.x + r.width) * k; ++x) {
      const ColourRef px = PixelOf(frame, x, y), n = at(p.n, x, y), o = at(p.o, x, y), d = at(p.d, x, y);
      if (px == n && n != o && n != d) ++votes[0];
      if (px == o && o != n && o != d) ++votes[1];
      if (px == d && d != n && d != o) ++votes[2];
    }
  }
  const int best = static_cast<int>(std::max_element(votes, votes + 3) - votes);
  for (int k = 0; k < 3; ++k) {
    if (k != best && votes[k] * 10 > votes[best]) return Look::Unclear;
  }
  return votes[best] > 0 ? static_cast<Look>(best) : Look::Unclear;
}

// Pixels within `tolerance` of the colour in every channel: the edges of small
// anti-aliased glyphs never reach the pen colour exactly.
int CountNear(const QImage& frame, const LayoutRect& r, ColourRef colour, int tolerance = 0) {
  int count = 0;
  for (int y = r.y; y < r.y + r.height; ++y) {
    for (int x = r.x; x < r.x + r.width; ++x) {
      const ColourRef px = PixelOf(frame, x, y);
      count += std::abs(RedOf(px) - RedOf(colour)) <= tolerance &&
               std::abs(GreenOf(px) - GreenOf(colour)) <= tolerance &&
               std::abs(BlueOf(px) - BlueOf(colour)) <= tolerance;
    }
  }
  return count;
}

bool SameArea(const QImage& a, const QImage& b, const LayoutRect& r) {
  return a.copy(r.x, r.y, r.width, r.height) == b.copy(r.x, r.y, r.width, r.height);
}

class PagePainterTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (int language : {0, 1}) {
      layouts_[language] = std::make_unique<SkinLayout>();
      ASSERT_TRUE(LoadAllLayouts(*layouts_[language], kSkinDir, language));
    }
  }

  void SetUp() override {
    settings::ResetToFactory(settings_);
    settings_.colourCycleFlags.fill(false);
    settings::RecomputeDerived(settings_);
    state_.curProfile = 1;
    state_.language = 1;
    state_.hoverMain = kNoIndex;
    state_.settings = &settings_;
    state_.macros = &macros_;
  }

  SkinLayout& Layout() { return *layouts_[state_.language != 0 ? 1 : 0]; }
  QImage Compose() { return painter_.Compose(state_, Layout()); }
  QImage Compose(uint8_t page) {
    state_.page = page;
    return Compose();
  }

  static inline std::unique_ptr<SkinLayout> layouts_[2];
  PagePainter painter_{kSkinDir};
  settings::MouseSettings settings_;
  macros::MacroTables macros_;
  PaintState state_;
};

TEST_F(PagePainterTest, SharedBarTakesTheFirstMatchingRule) {
  struct Case {
    const char* what;
    uint8_t page;
    int32_t hoverMain;
    bool pressed;
    int32_t language;
    int entry;
    Look expected;
  };
  const Case cases[] = {
      {"current profile hovered", kPageMain, 5, false, 1, 5, Look::Down},
      {"current profile pressed", kPageMain, 5, true, 1, 5, Look::Down},
      {"other profile hovered", kPageMain, 6, false, 1, 6, Look::Over},
      {"other profile pressed", kPageAdvanced, 6, true, 1, 6, Look::Down},
      {"other profile idle", kPageColor, kNoIndex, false, 1, 7, Look::Normal},
      {"own tab hovered wins over selected", kPageMain, 9, false, 1, 9, Look::Over},
      {"own tab hovered and pressed", kPageMain, 9, true, 1, 9, Look::Down},
      {"own tab", kPageMain, kNoIndex, false, 1, 9, Look::Down},
      {"Advanced tab on its page", kPageAdvanced, kNoIndex, false, 1, 10, Look::Down},
      {"Main tab on the Advanced page", kPageAdvanced, kNoIndex, false, 1, 9, Look::Normal},
      {"Color tab hovered on its page", kPageColor, 11, false, 1, 11, Look::Over},
      {"English selected", kPageMain, kNoIndex, false, 1, 18, Look::Down},
      {"Turkish not selected", kPageMain, kNoIndex, false, 1, 17, Look::Normal},
      {"Turkish selected", kPageColor, kNoIndex, false, 0, 17, Look::Down},
      {"English not selected", kPageColor, kNoIndex, false, 0, 18, Look::Normal},
      {"language 2 selects no button", kPageMain, kNoIndex, false, 2, 18, Look::Normal},
      {"save hovered", kPageAdvanced, 0, false, 1, 0, Look::Over},
  };
  for (const Case& c : cases) {
    state_.hoverMain = c.hoverMain;
    state_.pressed = c.pressed;
    state_.language = c.language;
    state_.curProfile = 2;  // button 5
    const QImage frame = Compose(c.page);
    EXPECT_EQ(ShownLook(frame, Layout().mainHits[c.entry], PicturesOf(c.page)), c.expected) << c.what;
  }
}

TEST_F(PagePainterTest, FireBarFillsInProportionWithinItsRectangle) {
  const LayoutRect bar = Layout().advancedHits[30];
  ASSERT_EQ(bar.width, 150);
  const PagePictures pictures = PicturesOf(kPageAdvanced);
  // -20 and 5000 only come from a damaged profile; the bar never runs past its end.
  for (auto [fire, filled] : {std::pair{0, 0}, {50, 25}, {300, 150}, {150, 75}, {-20, 0}, {5000, 150}}) {
    settings_.FIRE_TIME = fire;
    const QImage frame = Compose(kPageAdvanced);
    const LayoutRect on{bar.x, bar.y, filled, bar.height};
    const LayoutRect off{bar.x + filled, bar.y, bar.width - filled, bar.height};
    if (filled > 0) {
      EXPECT_EQ(ShownLook(frame, on, pictures), Look::Down) << fire;
    }
    if (filled < bar.width) {
      EXPECT_EQ(ShownLook(frame, off, pictures), Look::Normal) << fire;
    }
    const LayoutRect beyond{bar.x + bar.width, bar.y, 4, bar.height};
    EXPECT_NE(ShownLook(frame, beyond, pictures), Look::Down) << fire;
  }
}

TEST_F(PagePainterTest, LevelBarFillsTheLevelsCellsUpToTheSelectedStep) {
  const ColourRef other = settings::DisplayColourFor(15, 15, 0);  // blue
  struct Case {
    int level;
    int32_t selectedStepHit;
    int filledCells;
  };
  // A selected cell beyond the level's twelve (damaged profile) fills only its own cells.
  for (const Case& c : {Case{2, 66 + 24 + 5, 6}, Case{4, 66 + 48, 1}, Case{0, 66 + 255, 12}, Case{5, 20, 0}}) {
    for (auto& level : settings_.levels) {
      level.displayColour = other;
      level.selectedStepHit = 0;
    }
    const ColourRef colour = settings::DisplayColourFor(15, 0, 15);  // green
    settings_.levels[c.level].displayColour = colour;
    settings_.levels[c.level].selectedStepHit = c.selectedStepHit;
    const QImage frame = Compose(kPageMain);
    const LayoutRect swatch = Layout().mainHits[41 + c.level];
    EXPECT_EQ(CountNear(frame, swatch, colour), swatch.width * swatch.height);
    for (int k = 66; k < 138; ++k) {
      const LayoutRect cell = Layout().mainHits[k];
      const LayoutRect inset{cell.x + 1, cell.y + 1, cell.width - 2, cell.height - 1};
      const bool filled = k >= 66 + 12 * c.level && k < 66 + 12 * c.level + c.filledCells;
      EXPECT_EQ(CountNear(frame, inset, colour), filled ? inset.width * inset.height : 0) << "cell " << k;
      // The frame of the cell stays at its left, top and right edges.
      EXPECT_EQ(CountNear(frame, {cell.x, cell.y, 1, cell.height}, colour), 0) << "cell " << k;
      EXPECT_EQ(CountNear(frame, {cell.x, cell.y, cell.width, 1}, colour), 0) << "cell " << k;
      EXPECT_EQ(CountNear(frame, {cell.x + cell.width - 1, cell.y, 1, cell.height}, colour), 0) << "cell " << k;
    }
  }
}

TEST_F(PagePainterTest, SwitchedOffLevelKeepsColoursButLosesItsMark) {
  const PagePictures pictures = PicturesOf(kPageMain);
  const int n = 3;
  for (const uint8_t enabled : {0, 1}) {
    settings_.levels[n].enabled = enabled;
    settings_.levels[n].step = 4;
    settings::RecomputeDerived(settings_);
    const ColourRef colour = settings_.levels[n].displayColour;
    const QImage frame = Compose(kPageMain);
    const LayoutRect& swatch = Layout().mainHits[41 + n];
    EXPECT_EQ(CountNear(frame, swatch, colour), swatch.width * swatch.height);
    EXPECT_GT(CountNear(frame, Layout().mainHits[66 + 12 * n + 4], colour), 0);
    EXPECT_EQ(ShownLook(frame, Layout().mainHits[47 + n], pictures), enabled ? Look::Down : Look::Normal);
    const LayoutRect& label = Layout().mainHits[53 + n];
    const int red = CountNear(frame, label, kTextRed, 60), dimmed = CountNear(frame, label, kTextDimmed, 30);
    EXPECT_EQ(red > 0, enabled == 1);
    EXPECT_EQ(dimmed > 0, enabled == 0);
  }
}

TEST_F(PagePainterTest, ActiveLevelSelectorAndItsDpiOnTheColorPage) {
  const PagePictures pictures = PicturesOf(kPageMain);
  const PagePictures color = PicturesOf(kPageColor);
  // 7 and -1 name no level (the mouse or a damaged file): no selector, no DPI text.
  for (const int32_t level : {2, 7, -1}) {
    settings_.DPI_LEVEL = level;
    const QImage main = Compose(kPageMain);
    for (int n = 0; n < 6; ++n) {
      EXPECT_EQ(ShownLook(main, Layout().mainHits[60 + n], pictures), n == level ? Look::Down : Look::Normal);
    }
    const QImage mainAsComposed = main.copy();
    const QImage page = Compose(kPageColor);
    EXPECT_EQ(SameArea(page, color.n.image(), Layout().colorHits[18]), level != 2) << level;
    // The painter reuses its frame's pixels only while nobody else holds them.
    EXPECT_EQ(main, mainAsComposed);
  }
}

TEST_F(PagePainterTest, ColorPageSelections) {
  const PagePictures pictures = PicturesOf(kPageColor);
  struct Case {
    uint8_t mode, cycleTime;
    int selectedTime;  // entry 11 ... 16, or 0 for none
  };
  // Modes 2 and 3 have no cycle time; a step above 5 (damaged file) selects nothing.
  for (const Case& c : {Case{0, 2, 14}, Case{1, 5, 11}, Case{1, 0, 16}, Case{2, 2, 0}, Case{3, 4, 0}, Case{1, 9, 0}}) {
    settings_.LED_TYPE = c.mode;
    settings_.LED_CYC_TIME = c.cycleTime;
    settings_.colourCycleFlags = {true, false, false, true, false, false, true};
    const QImage frame = Compose(kPageColor);
    for (int e = 0; e <= 16; ++e) {
      const bool on = e == 7 + c.mode || e == c.selectedTime || e == 0 || e == 3 || e == 6;
      EXPECT_EQ(ShownLook(frame, Layout().colorHits[e], pictures), on ? Look::Down : Look::Normal)
          << "mode " << int{c.mode} << " time " << int{c.cycleTime} << " entry " << e;
    }
  }
}

TEST_F(PagePainterTest, PreviewPanelShowsThePictureOfTheCycleColour) {
  struct Case {
    uint8_t phase, index;
    const char* picture;
  };
  const Case cases[] = {{0, 0, pic::kColorOver},  {0, 1, pic::kColorDown},   {0, 2, pic::kColorPink},
                        {0, 3, pic::kColorGreen}, {0, 4, pic::kColorRed},    {0, 5, pic::kColorCyan},
                        {0, 6, pic::kColorWhite}, {1, 4, pic::kColorNormal}, {0, 7, pic::kColorNormal}};
  for (const Case& c : cases) {
    state_.colorBlinkPhase = c.phase;
    state_.colorPreviewIndex = c.index;
    const QImage frame = Compose(kPageColor);
    EXPECT_TRUE(SameArea(frame, DecodePicture(kSkinDir / c.picture).image(), Layout().colorHits[32]))
        << int{c.phase} << "/" << int{c.index};
  }
}

TEST_F(PagePainterTest, ButtonLabelNamesTheFunctionOrTheUserMacro) {
  const LayoutRect label = Layout().mainHits[20];
  auto labelArea = [&](int32_t code) {
    settings_.K[0] = code;
    return Compose(kPageMain).copy(label.x, label.y, label.width, label.height);
  };
  Layout().FunctionNames[5] = "Burst 7";
  macros::SetMacroName(macros_.userMacros[2], "Burst 7");
  const QImage named = labelArea(5);
  EXPECT_EQ(labelArea(43), named);  // user macro 2 shows its name
  macros::SetMacroName(macros_.userMacros[2], "Other");
  EXPECT_NE(labelArea(43), named);

  // Codes outside 0 ... 52 (damaged profile) have no label, even where a name slot exists.
  Layout().FunctionNames[53] = Layout().FunctionNames[54] = "Stray";
  macros::SetMacroName(macros_.userMacros[12], "Stray");
  macros::SetMacroName(macros_.constMacros[0], "Stray");
  const QImage empty = labelArea(0);
  for (const int32_t code : {53, 54, -1, 1000}) EXPECT_EQ(labelArea(code), empty) << code;
  ASSERT_TRUE(LoadMainLayout(Layout(), kSkinDir, state_.language));

  // The hovered button's label is red (its hovered frame may have red of its own).
  const PagePictures pictures = PicturesOf(kPageMain);
  settings_.K[0] = 1;
  state_.hoverMain = 20;
  EXPECT_GT(CountNear(Compose(kPageMain), label, kTextRed, 60), CountNear(pictures.o.image(), label, kTextRed, 60));
  state_.hoverMain = kNoIndex;
  EXPECT_EQ(CountNear(Compose(kPageMain), label, kTextRed, 60), CountNear(pictures.n.image(), label, kTextRed, 60));
}

TEST_F(PagePainterTest, AdvancedPageStatesAndReplacedTexts) {
  const PagePictures pictures = PicturesOf(kPageAdvanced);
  struct Case {
    int32_t language;
    bool recording;
    int32_t fire;
    const char* recordText;
    const char* fireText;
  };
  for (const Case& c : {Case{1, true, 50, "Stop", "50ms"}, Case{1, false, 300, "Record", "300ms"},
                        Case{0, true, 0, "Durdur", "0ms"}, Case{0, false, 7, "Kayıt", "7ms"}}) {
    state_.language = c.language;
    state_.recording = c.recording;
    settings_.FIRE_TIME = c.fire;
    const QImage frame = Compose(kPageAdvanced);
    EXPECT_EQ(Layout().advancedTexts[4], c.recordText);
    EXPECT_EQ(Layout().advancedTexts[33], c.fireText);
    EXPECT_EQ(ShownLook(frame, Layout().advancedHits[4], pictures), c.recording ? Look::Down : Look::Normal);
  }

  // A pointer speed of 10 would be the wheel's step 0; it selects nothing.
  settings_.DPI_SPEED = 10;
  settings_.WHEEL_SPEED = 4;
  settings_.USB_SPEED = 2;
  state_.selectedMacroMode = macros::MODE_HELD;
  const QImage frame = Compose(kPageAdvanced);
  for (int e = 6; e <= 37; ++e) {
    if (e >= 28 && e <= 33) continue;  // fire-time controls
    const bool on = e == 22 || e == 36 || e == 7;
    EXPECT_EQ(ShownLook(frame, Layout().advancedHits[e], pictures), on ? Look::Down : Look::Normal) << e;
  }
}

TEST_F(PagePainterTest, HoverIndexesBeyondTheTablesPaintNothing) {
  struct Case {
    uint8_t page;
    int32_t PaintState::*hover;
    int32_t value;
  };
  for (const Case& c :
       {Case{kPageMain, &PaintState::hoverMain, 150}, Case{kPageMain, &PaintState::hoverMain, -4},
        Case{kPageAdvanced, &PaintState::hoverAdvanced, 60}, Case{kPageColor, &PaintState::hoverColor, 33}}) {
    for (const bool pressed : {false, true}) {
      state_.pressed = pressed;
      state_.*c.hover = kNoIndex;
      const QImage idle = Compose(c.page);
      state_.*c.hover = c.value;
      EXPECT_EQ(Compose(c.page), idle) << int{c.page} << " " << c.value;
      state_.*c.hover = kNoIndex;
    }
  }
}

TEST_F(PagePainterTest, PaintsWhileTheExecutorChangesTheActiveLevel) {
  // The executor stores the level the mouse reports, including ones out of range.
  std::atomic<bool> done{false};
  std::thread executor([&] {
    for (int32_t n = 0; !done; n = (n + 1) % 9) settings_.DPI_LEVEL = n - 1;
  });
  for (int k = 0; k < 12; ++k) EXPECT_FALSE(Compose(k % 2 == 0 ? kPageMain : kPageColor).isNull());
  done = true;
  executor.join();
}

TEST_F(PagePainterTest, PicturesAreDecodedOnlyWhenTheirFilesChange) {
  test::TempDir dir;
  fs::copy(kSkinDir, dir.path(), fs::copy_options::recursive);
  PagePainter painter(dir.path());
  state_.hoverMain = 14;
  const QImage first = painter.Compose(state_, Layout());
  EXPECT_EQ(first.size(), PicturesOf(kPageMain).n.image().size());
  const uint64_t decodes = PictureDecodeCount();
  EXPECT_EQ(painter.Compose(state_, Layout()), first);
  EXPECT_EQ(PictureDecodeCount(), decodes);

  // A hovered picture replaced on disk shows at the next paint.
  fs::copy_file(dir / pic::kMainDown, dir / pic::kMainOver, fs::copy_options::overwrite_existing);
  EXPECT_EQ(ShownLook(painter.Compose(state_, Layout()), Layout().mainHits[14], PicturesOf(kPageMain)), Look::Down);

  // Without its base picture the page is composed on black of the window's size.
  fs::remove(dir / pic::kMainNormal);
  const QImage bare = painter.Compose(state_, Layout());
  EXPECT_EQ(bare.size(), DecodePicture(dir / pic::kMainMask).image().size());
  EXPECT_EQ(PixelOf(bare, 2, bare.height() / 2), 0u);
}

TEST_F(PagePainterTest, DenseScreensGetPagesOfTheTwiceSizedSet) {
  test::TempDir dir;
  fs::copy(kSkinDir, dir.path(), fs::copy_options::recursive);
  PagePainter painter(dir.path());
  state_.scale = 2;
  state_.hoverMain = 14;
  PaintState single = state_;
  single.scale = 1;
  const QImage one = painter_.Compose(single, Layout());
  const QImage two = painter.Compose(state_, Layout());
  // Twice the pixels, drawn at the layout's size.
  EXPECT_EQ(two.size(), one.size() * 2);
  EXPECT_EQ(two.devicePixelRatio(), 2.0);
  EXPECT_EQ(ShownLook(two, Layout().mainHits[14], PicturesOf(kPageMain, 2, dir.path())), Look::Over);
  EXPECT_EQ(ShownLook(two, Layout().mainHits[4], PicturesOf(kPageMain, 2, dir.path())), Look::Down);  // profile 1
  // A skin without its 2x set: the 1x pictures doubled, the same looks.
  for (const char* name : pic::kAll) fs::remove(HiResPath(dir / name));
  const QImage fallback = painter.Compose(state_, Layout());
  EXPECT_EQ(fallback.size(), one.size() * 2);
  EXPECT_EQ(ShownLook(fallback, Layout().mainHits[14], PicturesOf(kPageMain, 2, dir.path())), Look::Over);
}

TEST_F(PagePainterTest, PreparedFirstPageIsTheSamePage) {
  state_.hoverMain = 14;
  const QImage plain = Compose(kPageMain);
  // Prepared on a worker while the caller goes on; the paint waits for it.
  const uint64_t before = PictureDecodeCount();
  {
    test::TempDir dir;
    fs::copy(kSkinDir, dir.path(), fs::copy_options::recursive);
    PagePainter prepared(dir.path());
    prepared.Prepare(kPageMain, 1, 1);
    EXPECT_EQ(prepared.TextFont(1), painter_.TextFont(1));
    EXPECT_EQ(prepared.Compose(state_, Layout()), plain);
    // The pictures were decoded by the worker, once.
    EXPECT_EQ(PictureDecodeCount() - before, 3u);
    // Prepared and never painted: the worker is waited for at the end.
    PagePainter unused(dir.path());
    unused.Prepare(kPageColor, 2, 0);
  }
}

}  // namespace
}  // namespace orv::skin
