#pragma once
// The skin's pictures, drawn from the geometry: each window in each state, and
// the pictures as they are written (a state picture differs from its base only
// inside element rectangles).
#include <QImage>
#include <QRegion>
#include <map>
#include <string>
#include <vector>

#include "tools/skin_gen/art.h"
#include "tools/skin_gen/geometry.h"

namespace orv::skin_gen {

enum class Page { Main, Advanced, Color };

// A whole page with every element drawn in state `s`. `preview` is the Color
// page's preview light (invalid: lights off); other pages ignore it.
// Every picture is drawn in layout coordinates onto `scale` device pixels per
// unit (1: the layout's size; 2: the 2x set for dense screens) and carries
// that scale as its device pixel ratio.
QImage RenderPage(Page page, State s, const QColor& preview = QColor(), int scale = 1);
// A function menu of `rows` rows (plus its closing line) in state `s`;
// `groupRows` get the mark that opens the next level.
QImage RenderMenu(QSize size, int rowHeight, int rows, State s, bool groupRows, int scale = 1);
QImage RenderWarning(State s, int scale = 1);
// Dark (0) inside the outline, light (255) outside, with hard edges.
QImage RenderMask(QSize size, const QPolygon& outline, int scale = 1);

// The rectangles whose pixels the state pictures of a page provide: the
// page's own elements and the shared bar.
std::vector<QRect> StateRects(Page page);
// `base` with the pixels of `rects` (layout coordinates) taken from `state`.
QImage Compose(const QImage& base, const QImage& state, const std::vector<QRect>& rects);

// Every picture of the skin by file name, at `scale` (the names stay the 1x
// names; the writer adds "@2x").
std::map<std::string, QImage> RenderAllPictures(int scale = 1);

}  // namespace orv::skin_gen
