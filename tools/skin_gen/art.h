#pragma once
// Drawing primitives of the default skin: palette, panels, the looks of every
// kind of element in its three states, the mouse drawings, icons and a small
// stroke font for the DPI numbers (so no picture depends on installed fonts).
#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRect>
#include <array>
#include <string_view>

#include "tools/skin_gen/geometry.h"

namespace orv::skin_gen {

enum class State { Normal, Over, Down };

namespace palette {
inline const QColor kOutside(7, 8, 10);
inline const QColor kWindowTop(22, 25, 31);
inline const QColor kWindowBottom(13, 15, 18);
inline const QColor kPanel(20, 23, 29);
inline const QColor kPanelBorder(39, 44, 52);
inline const QColor kField(15, 17, 21);
inline const QColor kControl(30, 34, 41);
inline const QColor kControlBorder(52, 58, 68);
inline const QColor kLine(46, 52, 62);
inline const QColor kSteel(128, 138, 152);
inline const QColor kAccent(232, 32, 63);
inline const QColor kAccentBright(255, 72, 96);
inline const QColor kAccentDeep(92, 16, 32);
inline const QColor kAccentDark(52, 10, 20);
}  // namespace palette

// The whole window background inside `outline`: gradient, header and footer bands,
// texture, the rim and the glowing crown line. Outside the outline stays dark.
void DrawWindowBackground(QPainter& p, const QSize& size, const QPolygon& outline, int headerBottom,
                          int footerTop);
// A framed panel with chamfered corners.
void DrawPanel(QPainter& p, const QRect& r);
// The decoration of a panel title band; the title itself is a layout text
// centred in `r`, so the lines keep clear of its middle.
void DrawHeadingBand(QPainter& p, const QRect& r);

// The element looks. Each draws only inside the element's rectangle, except
// where noted (swatch and control-well frames lie just outside).
void DrawButton(QPainter& p, const QRect& r, State s, bool primary);
void DrawChip(QPainter& p, const QRect& r, State s);
void DrawTab(QPainter& p, const QRect& r, State s);
void DrawWindowButton(QPainter& p, const QRect& r, State s, bool close);
void DrawFunctionLabel(QPainter& p, const QRect& r, State s);
void DrawSwatchFrame(QPainter& p, const QRect& r);
void DrawToggle(QPainter& p, const QRect& r, State s);
void DrawRadio(QPainter& p, const QRect& r, State s);
void DrawStepCell(QPainter& p, const QRect& r, State s);
void DrawCheckbox(QPainter& p, const QRect& r, State s);
void DrawSlider(QPainter& p, const QRect& r, State s);
void DrawValueBox(QPainter& p, const QRect& r);
void DrawControlWell(QPainter& p, const QRect& r);
void DrawColourChip(QPainter& p, const QRect& r, State s, const QColor& colour);
void DrawEmblem(QPainter& p, const QRect& r);

// The Main page's mouse, front centre at `front`, with each of the seven buttons
// in its own state.
void DrawMainMouse(QPainter& p, QPoint front, const std::array<State, 7>& parts);
// The Color page's preview: the mouse lit in `light` (invalid colour: lights off).
void DrawPreview(QPainter& p, const QRect& r, const QColor& light);

// Digits and a few signs in a thin stroke font, `height` pixels tall, centred at `centre`.
void DrawStrokeText(QPainter& p, QPointF centre, double height, std::string_view text, const QColor& colour);

// Icons.
void DrawChevron(QPainter& p, QPointF centre, double size, const QColor& colour);
void DrawProfileIcon(QPainter& p, const QRectF& r);
void DrawWarningSign(QPainter& p, const QRectF& r);

}  // namespace orv::skin_gen
