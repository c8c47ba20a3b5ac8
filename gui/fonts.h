#pragma once
// The three fonts of the painted texts. Their faces, "Consolas" and "宋体", are
// rarely installed on Linux desktops, so each face name stands for a chain of
// fallbacks: a monospace chain for "Consolas", a CJK-capable chain (then the
// default face) for "宋体". Sizes keep the cell height and average character
// width asked for, in pixels.
#include <QFont>
#include <QStringList>
#include <string>
#include <string_view>

namespace orv::skin {

struct FontFace {
  std::string family;  // the face name a layout or the program asks for
  int height = 0;  // cell height (ascent + descent) in pixels
  int width = 0;   // average character width in pixels
};

// Texts of the English interface, and the DPI level labels in English.
inline const FontFace kFontEnglish{"Consolas", 14, 7};
inline const FontFace kFontSmall{"Consolas", 12, 5};
// Texts of the Turkish interface (and the Chinese messages).
inline const FontFace kFontTurkish{"宋体", 12, 6};

// Reading the system's font configuration (all its files and font caches) is
// the slowest part of the first text drawn. StartFontWarmUp reads it on a
// thread of its own, from before the window toolkit starts, so that it is
// done by the first paint; MakeSkinFont waits for it, so the toolkit never
// reads the configuration a second time alongside.
void StartFontWarmUp();

// The faces tried for a face name, best first; the face itself comes first.
QStringList FallbackFamilies(std::string_view face);

// A font of the first installed face of the chain whose cell is at most
// `height` pixels high, narrowed or widened so that its average character is
// about `width` pixels wide. Needs a QGuiApplication.
QFont MakeSkinFont(const FontFace& face);

}  // namespace orv::skin
