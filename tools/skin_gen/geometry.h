#pragma once
// The one description of the default skin's geometry: the outline of each
// window, every element rectangle and how it is drawn. The pictures and the
// layout files are both made from it, so they cannot disagree.
#include <QColor>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QSize>
#include <optional>
#include <string>
#include <vector>

namespace orv::skin_gen {

// Which layout table (and window) an element belongs to.
enum class Family { Main, Color, Advanced, Warning, Edit, MacroDisplay };

// How an element is drawn in its three looks (normal, hovered, pressed/selected).
enum class Look {
  None,         // a layout entry with nothing of its own in the pictures
  Text,         // a text drawn by the program on the page background
  Heading,      // a panel title drawn by the program; the picture adds the title band
  Title,        // the window title with the emblem beside it
  Button,       // action button
  PrimaryButton,
  Tab,
  WindowMinimise,
  WindowHide,
  Chip,         // small selectable button (profile, language, segments, steps)
  FunctionLabel,
  MouseButton,  // a button of the mouse drawing; lit when hovered or pressed
  Swatch,       // the program fills it with a colour; the picture frames it
  Toggle,
  Radio,
  StepCell,
  Checkbox,
  Slider,
  ValueBox,
  ControlWell,  // child control area: black, framed
  ColourChip,
  Preview,
  DialogButton,
};

// The buttons of the mouse drawing, in button order 0 ... 6.
enum class MousePart { Left, Right, Wheel, SideFront, SideBack, DpiUp, DpiDown };

struct Element {
  Family family;
  int index;           // key in the layout file
  std::string id;      // written as item 0 of the value, for people reading the file
  QRect rect;          // empty for an entry that is only defined
  Look look;
  int param = 0;       // per look: mouse part, colour number, step value ...
};

struct LeaderLine {
  int button;               // 0 ... 6
  std::vector<QPoint> path; // from the label to the button
};

struct Geometry {
  QSize window{800, 600};
  QPolygon windowOutline;  // dark inside = window
  QSize warning{380, 156};
  QPolygon warningOutline;
  QSize menu;         // first-level menu picture: 10 rows plus the closing line
  QSize subMenu;      // second-level menu picture: 12 rows plus the closing line
  int menuRowHeight = 26;
  std::vector<Element> elements;
  std::vector<LeaderLine> leaders;
  QRect buttonPanel, dpiPanel, macroPanel, performancePanel, previewPanel, lightingPanel;
  QPoint mouseCentre;  // centre line and front of the Main page's mouse drawing
  int dpiHeaderY = 0;  // baseline row of the DPI numbers above the step cells

  const Element* Find(Family family, int index) const;
  std::vector<const Element*> Of(Family family) const;
};

const Geometry& SkinGeometry();

// Checks what painting by copying relies on: the rectangles of one page never
// overlap (a copied look would carry part of a neighbour), the shared bar keeps
// clear of every page, and everything lies inside its window's outline.
// Returns "" or the first problem.
std::string ValidateGeometry(const Geometry& g);

// The seven cycle colours of the Color page, in cycle order 0 ... 6 (yellow,
// blue, pink, green, red, cyan, white).
QColor CycleColour(int k);

// DPI shown for step 0 ... 11, as the settings model shows it.
int StepDpi(int step);

}  // namespace orv::skin_gen
