#pragma once
// Painting of the program's own menus: the items of the owner-drawn context
// and tray menus (teal background, white text, a blue-to-cyan gradient under
// the selected item, red/blue separators), and the pictures of the two
// button-function menus and of the warning dialog, composed from the skin.
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QSize>
#include <QString>
#include <span>
#include <string>
#include <vector>

#include "skin/function_menu.h"
#include "gui/picture.h"

namespace orv::skin {

// ---- Owner-drawn menu items ----
inline constexpr ColourRef kMenuItemBackground = MakeColour(0, 120, 153);
inline constexpr ColourRef kMenuGradientTop = MakeColour(0, 0, 255);
inline constexpr ColourRef kMenuGradientBottom = MakeColour(0, 255, 255);
inline constexpr ColourRef kMenuText = MakeColour(255, 255, 255);
inline constexpr ColourRef kSeparatorTopLeft = MakeColour(255, 0, 0);
inline constexpr ColourRef kSeparatorBottomRight = MakeColour(0, 0, 255);
inline constexpr int kMenuItemHeight = 20;
inline constexpr int kMenuCharWidth = 8;
inline constexpr int kMenuTextIndent = 10;
inline constexpr int kSeparatorIndent = 25;
// Width a menu adds to every item it draws through the program, beside the
// measured width: the check-mark area, which also leaves room for the
// submenu arrow at the item's right end.
inline constexpr int kMenuCheckAreaWidth = 15;

QColor ToQColor(ColourRef c);

enum class MenuItemKind { Command, Submenu, Separator };

// Width 8 x the characters of the text (UTF-16 units, blanks included),
// height 20, or 1 for a separator.
QSize MeasureMenuItem(const QString& text, MenuItemKind kind);

// Draws one item into `rect`. A separator is a 3-D frame moved 25 pixels
// right; any other item is the background, or when selected a one-pixel frame
// in `framePen` around the gradient, then the text 10 pixels from the left,
// vertically centred, in white.
void DrawMenuItem(QPainter& painter, const QRect& rect, const QString& text, MenuItemKind kind, bool selected,
                  const QPen& framePen, const QFont& font);

// A 3-D frame: the top and left edges in `topLeft`, then the right and bottom
// edges in `bottomRight` (drawn last, so they win where they meet).
void Draw3dRect(QPainter& painter, const QRect& rect, ColourRef topLeft, ColourRef bottomRight);
// Fills `rect` line by line from `top` toward `bottom`: each channel's step is
// (end - start) / height, truncated toward zero once; line y gets
// start + step * y, kept to its low 8 bits.
void FillVerticalGradient(QPainter& painter, const QRect& rect, ColourRef top, ColourRef bottom);

// ---- Button-function menus ----
// The picture of a function menu: `normal` with the hovered row's band copied
// from `rowPicture`, then row r's text (texts[r - 1]) centred in its band, red
// when hovered, white otherwise. `hoveredRow` kNoIndex hovers nothing; rows
// beyond the texts are not drawn.
PictureSurface ComposeFunctionMenu(PictureSurface normal, const PictureSurface& rowPicture, const MenuMetrics& m,
                                   int hoveredRow, const std::vector<std::string>& texts, const QFont& font);

// ---- Warning dialog ----
// The warning picture: `normal`, the hovered button (kWarningConfirm or
// kWarningCancelButton) copied from `over`, and the three texts centred in
// their rectangles in red.
PictureSurface ComposeWarning(PictureSurface normal, const PictureSurface& over, int hoveredButton,
                              std::span<const LayoutRect> hits, std::span<const std::string> texts,
                              const QFont& font);

}  // namespace orv::skin
