#pragma once
// Painting of the main window's three pages. A page is its base picture with
// the looks of hovered, pressed and selected elements copied in from the
// page's hovered (O) and pressed/selected (D) pictures, the DPI colours filled
// in, and the layout texts drawn on top. The page is composed off-screen and
// handed to the window as one image, so a repaint never flickers.
#include <QFont>
#include <QImage>
#include <cstdint>
#include <array>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "macros/macro_model.h"
#include "settings/mouse_settings.h"
#include "skin/layout.h"
#include "gui/picture.h"

class QWidget;

namespace orv::skin {

inline constexpr uint8_t kPageMain = 0;
inline constexpr uint8_t kPageAdvanced = 1;
inline constexpr uint8_t kPageColor = 2;

// Everything a paint reads besides the layout tables.
struct PaintState {
  uint8_t page = kPageMain;  // 0 Main, 1 Advanced, 2 Color
  int32_t hoverMain = 0, hoverColor = kNoIndex, hoverAdvanced = kNoIndex;
  bool pressed = false;
  int32_t curProfile = 0;
  int32_t language = 0;  // non-zero: English texts and fonts
  const settings::MouseSettings* settings = nullptr;
  const macros::MacroTables* macros = nullptr;  // names of user macros; its mutex is held while reading them
  bool recording = false;
  uint8_t selectedMacroMode = 0;  // mode bits of the selected macro
  uint8_t colorPreviewIndex = 0, colorBlinkPhase = 0;
  // The picture set to compose from (PictureScaleFor the window's device
  // pixel ratio); layout coordinates stay those of the layout files.
  int scale = 1;
  bool operator==(const PaintState&) const = default;
};

// Text colours of the pages.
inline constexpr ColourRef kTextGrey = MakeColour(200, 200, 200);
inline constexpr ColourRef kTextYellow = MakeColour(255, 255, 0);
inline constexpr ColourRef kTextRed = MakeColour(255, 0, 0);
inline constexpr ColourRef kTextWhite = MakeColour(255, 255, 255);
inline constexpr ColourRef kTextDimmed = MakeColour(128, 128, 128);

// Loads one picture of the skin in the set of `scale`. The window uses
// LoadPicture, which decodes a file only when it changed on disk.
using PictureLoader = PictureSurface (*)(const std::filesystem::path& file, int scale);

class PagePainter {
 public:
  // Needs a QGuiApplication (for the fonts, made at their first use).
  explicit PagePainter(std::filesystem::path skinDir);
  PagePainter(std::filesystem::path skinDir, PictureLoader loader);
  ~PagePainter();
  PagePainter(const PagePainter&) = delete;
  PagePainter& operator=(const PagePainter&) = delete;

  // Starts decoding the pictures of `page` in the set of `scale` on a worker
  // thread, and making the fonts of `language` on another, while the caller
  // goes on (the start-up sequence before the first paint). A paint waits
  // for the pictures and for its own language's fonts; the other language's
  // are made when first needed, or ahead by PrepareFonts. The workers touch
  // only the picture cache (thread-safe) and their font set, which nothing
  // reads before waiting for its worker.
  void Prepare(uint8_t page, int scale, int32_t language);
  // Starts making the fonts of `language` on a worker, unless made or being made.
  void PrepareFonts(int32_t language);

  // Composes the page off-screen into one image of the window's size (the base
  // picture's size, times state.scale in device pixels, with that device pixel
  // ratio) and returns it; the window copies it to the screen in one
  // go. The image stays valid until the next call. On the Advanced page the
  // record button's text and the fire-time text of `layout` are replaced by
  // their current values; they stay so until the layout is loaded again.
  const QImage& Compose(const PaintState& state, SkinLayout& layout);
  // The page the last Compose made.
  const QImage& Composed() const { return frame_.image(); }

  // The look of the Advanced page's child controls (edit boxes and lists):
  // white text on black in the font of the interface language.
  void StyleControl(QWidget& control, int32_t language) const;

  // The font of the page texts for a language.
  const QFont& TextFont(int32_t language) const { return Fonts(language).text; }

 private:
  PictureSurface Picture(const char* name) const;
  // The fonts of one interface language: the texts' font and the DPI level
  // labels' (the same face in Turkish).
  struct FontSet {
    QFont text;
    QFont small;
    bool made = false;
    std::future<void> making;  // Prepare's worker making them
  };
  static constexpr size_t kTurkishFonts = 0;
  static constexpr size_t kEnglishFonts = 1;
  static constexpr size_t FontSetOf(int32_t language) { return language != 0 ? kEnglishFonts : kTurkishFonts; }
  // The fonts of `language`: waits for Prepare's worker making them, or
  // makes them here if none does.
  const FontSet& Fonts(int32_t language) const;
  void MakeFontSet(size_t index) const;
  // Waits for every worker of Prepare.
  void AwaitPreparation() const;
  void PaintMainStates(const PaintState& state, const settings::MouseSettings& s, const SkinLayout& layout,
                       const PictureSurface& over, const PictureSurface& down);
  void PaintAdvancedStates(const PaintState& state, const settings::MouseSettings& s, const SkinLayout& layout,
                           const PictureSurface& down);
  void PaintColorStates(const PaintState& state, const settings::MouseSettings& s, const SkinLayout& layout,
                        const PictureSurface& over, const PictureSurface& down);
  void PaintSharedBar(const PaintState& state, const SkinLayout& layout, const PictureSurface& over,
                      const PictureSurface& down);
  void PaintMainTexts(const PaintState& state, const settings::MouseSettings& s, const SkinLayout& layout);
  void PaintAdvancedTexts(const PaintState& state, const settings::MouseSettings& s, SkinLayout& layout);
  void PaintColorTexts(const PaintState& state, const settings::MouseSettings& s, const SkinLayout& layout);
  void PaintSharedTexts(const SkinLayout& layout, int32_t language);

  std::filesystem::path skinDir_;
  PictureLoader loader_;
  mutable std::thread preparing_;  // decodes the first page's pictures
  mutable std::array<FontSet, 2> fontSets_;
  PictureSurface frame_;  // the page being composed; returned to the window
  int scale_ = 1;         // the picture set of the paint being composed
};

}  // namespace orv::skin
