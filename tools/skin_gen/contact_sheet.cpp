#include "tools/skin_gen/contact_sheet.h"

#include <QFile>
#include <QPainter>
#include <cstdio>
#include <functional>
#include <vector>

#include "device/wire_codes.h"
#include "settings/mouse_settings.h"
#include "gui/fonts.h"
#include "skin/layout.h"
#include "gui/picture.h"
#include "skin/picture_names.h"
#include "gui/region.h"

namespace orv::skin_gen {
namespace {

namespace pic = orv::skin::pictures;
using skin::ColourRef;
using skin::LayoutRect;
using skin::MakeColour;
using skin::PictureSurface;

constexpr ColourRef kGrey = MakeColour(200, 200, 200);
constexpr ColourRef kYellow = MakeColour(255, 255, 0);
constexpr ColourRef kRed = MakeColour(255, 0, 0);
constexpr ColourRef kWhite = MakeColour(255, 255, 255);
constexpr ColourRef kDimmed = MakeColour(128, 128, 128);

// A plausible moment of use: factory settings, profile 1, one level switched
// off, a few elements hovered so that every kind of look shows somewhere.
struct SampleState {
  int curProfile = 1;
  int hoverMain = 21;      // the right button's label, so its highlight lights up
  int hoverAdvanced = 2;   // "New"
  int hoverColor = 9;      // lighting mode 2
  std::array<int32_t, 7> K{1, 2, 3, 5, 4, 15, 16};
  int dpiLevel = 1;
  std::array<int, 6> steps{2, 4, 5, 7, 9, 11};
  std::array<int, 6> enabled{1, 1, 1, 1, 1, 0};
  std::array<std::array<int, 3>, 6> levelRgb{{{0, 0, 15}, {15, 15, 0}, {0, 15, 0}, {15, 0, 15}, {0, 15, 15}, {0, 0, 0}}};
  int wheelStatus = 0;
  int dpiSpeed = 4, wheelSpeed = 2, usbSpeed = 2, fireTime = 50;
  int macroMode = 1;  // counted repeat
  int ledType = 1, cycleTime = 2;
  std::array<bool, 7> cycleFlags{true, true, true, true, true, false, true};
  int previewIndex = 3;  // green
  int menuRow = 8;       // "Multimedia", which opens the second level
  int subRow = 3;
};

struct Skin {
  std::filesystem::path dir;
  skin::SkinLayout layout;
  bool english = true;
  QFont text, small, turkish;
  const QFont& PageFont() const { return english ? text : turkish; }
  PictureSurface Load(const char* name) const { return skin::LoadPicture(dir / name); }
};

void CopyFrom(PictureSurface& n, const PictureSurface& from, const LayoutRect& r) { skin::CopyArea(n, from, r); }

// Shared bar rules, in order: current profile, hovered, page tab, language.
void SharedBar(PictureSurface& n, const PictureSurface& o, const PictureSurface& d, const Skin& s,
               const SampleState& st, int tab) {
  for (int i = 0; i <= 19; ++i) {
    const LayoutRect& r = s.layout.mainHits[static_cast<size_t>(i)];
    if (i == st.curProfile + 3) {
      CopyFrom(n, d, r);
    } else if (i == st.hoverMain) {
      CopyFrom(n, o, r);
    } else if (i == tab || (i == 17 && !s.english) || (i == 18 && s.english)) {
      CopyFrom(n, d, r);
    }
  }
}

void SharedTexts(PictureSurface& n, const Skin& s) {
  for (int i = 0; i <= 18; ++i) {
    skin::DrawTextCentred(n, s.PageFont(), i == 1 ? kYellow : kGrey, s.layout.mainHits[static_cast<size_t>(i)],
                          s.layout.mainTexts[static_cast<size_t>(i)]);
  }
}

PictureSurface ComposeMain(const Skin& s, const SampleState& st) {
  PictureSurface n = s.Load(pic::kMainNormal), o = s.Load(pic::kMainOver), d = s.Load(pic::kMainDown);
  const auto& hits = s.layout.mainHits;
  auto hit = [&](int i) -> const LayoutRect& { return hits[static_cast<size_t>(i)]; };
  CopyFrom(n, o, hit(st.hoverMain));
  CopyFrom(n, d, hit(60 + st.dpiLevel));
  const bool onButton = st.hoverMain >= 20 && st.hoverMain <= 26;
  if (onButton) CopyFrom(n, o, hit(st.hoverMain + 118));
  for (int level = 0; level < 6; ++level) {
    const auto& rgb = st.levelRgb[static_cast<size_t>(level)];
    const ColourRef colour = settings::DisplayColourFor(rgb[0], rgb[1], rgb[2]);
    const LayoutRect& swatch = hit(41 + level);
    skin::FillArea(n, swatch.x, swatch.y, swatch.width, swatch.height, colour);
    for (int k = 66 + 12 * level; k <= 66 + 12 * level + st.steps[static_cast<size_t>(level)]; ++k) {
      const LayoutRect& c = hit(k);
      skin::FillArea(n, c.x + 1, c.y + 1, c.width - 2, c.height - 1, colour);
    }
    if (st.enabled[static_cast<size_t>(level)]) CopyFrom(n, d, hit(47 + level));
    if (onButton) CopyFrom(n, o, hit(st.hoverMain + 118));
  }
  CopyFrom(n, d, hit(st.wheelStatus == 0 ? 32 : 33));
  SharedBar(n, o, d, s, st, 9);

  for (int i = 0; i <= 58; ++i) {
    const LayoutRect& r = hit(i);
    if (i >= 20 && i <= 26) {
      const int32_t f = st.K[static_cast<size_t>(i - 20)];
      const std::string& name = s.layout.FunctionNames[static_cast<size_t>(std::clamp(f, 0, 54))];
      const skin::TextExtent size = skin::TextSize(n, s.PageFont(), name);
      skin::DrawTextAt(n, s.PageFont(), i == st.hoverMain ? kRed : kGrey, r.x + 5, r.y + (r.height - size.cy) / 2,
                       name);
      continue;
    }
    ColourRef colour = i == 1 ? kYellow : kGrey;
    const QFont* font = &s.PageFont();
    if (i == 34 || i == 35) colour = kWhite;
    if (i >= 53 && i <= 58) {
      font = s.english ? &s.small : &s.turkish;
      colour = st.enabled[static_cast<size_t>(i - 53)] ? kRed : kDimmed;
    }
    skin::DrawTextCentred(n, *font, colour, r, s.layout.mainTexts[static_cast<size_t>(i)]);
  }
  return n;
}

// What the child controls of the Advanced page would show.
void SampleControls(PictureSurface& n, const Skin& s) {
  const auto box = [](const skin::EdgeRect& e) { return LayoutRect{e.left, e.top, e.right - e.left, e.bottom - e.top}; };
  const std::vector<std::string> macros =
      s.english ? std::vector<std::string>{"Hello", "Double Click", "Select Line"}
                : std::vector<std::string>{"Merhaba", "Çift Tıklama", "Satırı Seç"};
  const std::vector<std::string> events = {"H  Down", "30 ms", "H  Up", "30 ms", "E  Down", "30 ms", "E  Up", "30 ms"};
  const auto list = [&](const LayoutRect& r, const std::vector<std::string>& lines) {
    const int lineHeight = skin::TextSize(n, s.PageFont(), "Ag").cy + 2;
    for (size_t i = 0; i < lines.size(); ++i) {
      const int y = r.y + 2 + static_cast<int>(i) * lineHeight;
      if (i == 0) skin::FillArea(n, r.x + 1, y, r.width - 2, lineHeight, MakeColour(0, 90, 160));
      skin::DrawTextAt(n, s.PageFont(), kWhite, r.x + 4, y + 1, lines[i]);
    }
  };
  list(box(s.layout.macroListRect), macros);
  list(box(s.layout.eventListRect), events);
  skin::DrawTextCentred(n, s.PageFont(), kWhite, box(s.layout.nameEditRect), macros[0]);
  skin::DrawTextCentred(n, s.PageFont(), kWhite, box(s.layout.countEditRect), "1");
}

PictureSurface ComposeAdvanced(const Skin& s, const SampleState& st) {
  PictureSurface n = s.Load(pic::kAdvancedNormal), o = s.Load(pic::kAdvancedOver),
                 d = s.Load(pic::kAdvancedDown);
  auto hit = [&](int i) -> const LayoutRect& { return s.layout.advancedHits[static_cast<size_t>(i)]; };
  CopyFrom(n, o, hit(st.hoverAdvanced));
  CopyFrom(n, d, hit(8 + st.dpiSpeed));
  CopyFrom(n, d, hit(18 + st.wheelSpeed));
  CopyFrom(n, d, hit(34 + st.usbSpeed));
  const LayoutRect& bar = hit(30);
  CopyFrom(n, d, LayoutRect{bar.x, bar.y, st.fireTime * bar.width / 300, bar.height});
  if (st.macroMode & 2) CopyFrom(n, d, hit(7));
  if (st.macroMode & 1) CopyFrom(n, d, hit(6));
  SharedBar(n, o, d, s, st, 10);
  SharedTexts(n, s);
  for (int j = 0; j < skin::kAdvancedEntries; ++j) {
    std::string text = s.layout.advancedTexts[static_cast<size_t>(j)];
    ColourRef colour = j == st.hoverAdvanced ? kRed : kGrey;
    if (j == 4) text = s.english ? "Record" : "Kayıt";
    if (j == 33) {
      text = std::to_string(st.fireTime) + "ms";
      colour = kWhite;
    }
    if (j == 45 || j == 46) colour = kWhite;
    skin::DrawTextCentred(n, s.PageFont(), colour, hit(j), text);
  }
  SampleControls(n, s);
  return n;
}

PictureSurface ComposeColor(const Skin& s, const SampleState& st) {
  PictureSurface n = s.Load(pic::kColorNormal), o = s.Load(pic::kColorOver), d = s.Load(pic::kColorDown);
  auto hit = [&](int i) -> const LayoutRect& { return s.layout.colorHits[static_cast<size_t>(i)]; };
  CopyFrom(n, o, hit(st.hoverColor));
  CopyFrom(n, d, hit(7 + st.ledType));
  if (st.ledType <= 1) CopyFrom(n, d, hit(16 - st.cycleTime));
  for (int k = 0; k < 7; ++k) {
    if (st.cycleFlags[static_cast<size_t>(k)]) CopyFrom(n, d, hit(k));
  }
  const char* previews[] = {pic::kColorOver, pic::kColorDown,  pic::kColorPink, pic::kColorGreen,
                            pic::kColorRed,  pic::kColorCyan, pic::kColorWhite};
  CopyFrom(n, s.Load(previews[st.previewIndex]), hit(32));
  SharedBar(n, o, d, s, st, 11);
  SharedTexts(n, s);
  const int dpi = device::DpiShownForStepCode(device::StepCodeFor(st.steps[static_cast<size_t>(st.dpiLevel)]));
  for (int j = 0; j <= 31; ++j) {
    if (j == 18) {
      skin::DrawTextCentred(n, s.PageFont(), kWhite, hit(18), std::to_string(dpi));
      continue;
    }
    skin::DrawTextCentred(n, s.PageFont(), j >= 21 && j <= 30 ? kWhite : kGrey, hit(j),
                          s.layout.colorTexts[static_cast<size_t>(j)]);
  }
  return n;
}

// A function menu as it shows with one row hovered.
PictureSurface ComposeMenu(const Skin& s, bool second, int hovered, const std::vector<std::string>& rows) {
  PictureSurface n = s.Load(second ? pic::kSubMenuNormal : pic::kMenuNormal);
  const PictureSurface o = s.Load(second ? pic::kSubMenuOver : pic::kMenuOver);
  const PictureSurface mask = s.Load(second ? pic::kSubMenuMask : pic::kMenuMask);
  const int itemWidth = mask.width();
  const int itemHeight = mask.height() / (second ? pic::kSubMenuRows : pic::kMenuRows);
  CopyFrom(n, o, LayoutRect{0, (hovered - 1) * itemHeight, itemWidth, itemHeight});
  for (size_t r = 0; r < rows.size(); ++r) {
    const LayoutRect band{0, static_cast<int>(r) * itemHeight, itemWidth, itemHeight};
    skin::DrawTextCentred(n, s.PageFont(), static_cast<int>(r) + 1 == hovered ? kRed : kWhite, band, rows[r]);
  }
  const int shown = static_cast<int>(rows.size()) * itemHeight + 1;
  return PictureSurface(n.image().copy(0, 0, itemWidth, shown));
}

PictureSurface ComposeWarning(const Skin& s) {
  PictureSurface n = s.Load(pic::kWarningNormal);
  CopyFrom(n, s.Load(pic::kWarningOver), s.layout.warningHits[0]);
  for (size_t k = 0; k < 3; ++k) {
    skin::DrawTextCentred(n, s.PageFont(), kRed, s.layout.warningHits[k], s.layout.warningTexts[k]);
  }
  return n;
}

// Holes of the window shape shown as a checkerboard.
QImage Shaped(const QImage& picture, const QRegion& shape) {
  QImage out(picture.size(), QImage::Format_RGB32);
  QPainter p(&out);
  for (int y = 0; y < out.height(); y += 8) {
    for (int x = 0; x < out.width(); x += 8) {
      p.fillRect(x, y, 8, 8, ((x + y) / 8) % 2 ? QColor(205, 205, 210) : QColor(240, 240, 244));
    }
  }
  p.setClipRegion(shape);
  p.drawImage(0, 0, picture);
  return out;
}

struct Outlined {
  const LayoutRect* rects;
  int begin;  // numbered by their index in the table
  int end;
  QColor colour;
  QString prefix;
};

QImage WithRectangles(const QImage& picture, const std::vector<Outlined>& sets) {
  QImage out = picture.copy();
  QPainter p(&out);
  p.fillRect(out.rect(), QColor(0, 0, 0, 120));
  QFont font("DejaVu Sans");
  font.setPixelSize(9);
  font.setBold(true);
  p.setFont(font);
  for (const Outlined& set : sets) {
    for (int i = set.begin; i < set.end; ++i) {
      const LayoutRect& r = set.rects[i];
      if (r.width <= 0 || r.height <= 0) continue;
      p.setPen(set.colour);
      p.setBrush(Qt::NoBrush);
      p.drawRect(r.x, r.y, r.width - 1, r.height - 1);
      const QString label = set.prefix + QString::number(i);
      const QRect box = p.fontMetrics().boundingRect(label).adjusted(-1, 0, 1, 0);
      const QRect at(r.x + 1, r.y + 1, box.width(), box.height());
      p.fillRect(at, QColor(0, 0, 0, 200));
      p.drawText(at, Qt::AlignCenter, label);
    }
  }
  return out;
}

class Sheet {
 public:
  Sheet(int width, int height) : image_(width, height, QImage::Format_RGB32), painter_(&image_) {
    image_.fill(QColor(40, 42, 48));
    caption_.setFamily("DejaVu Sans");
    caption_.setPixelSize(13);
    painter_.setFont(caption_);
  }
  // Places a tile with a caption above it at (x, y); returns the bottom edge.
  int Tile(int x, int y, const QImage& image, const QString& caption, double scale = 1.0) {
    painter_.setPen(QColor(230, 232, 236));
    painter_.drawText(QRect(x, y, std::max(image.width() * scale, 200.0), 18), Qt::AlignLeft | Qt::AlignVCenter,
                      caption);
    const QSize size = (QSizeF(image.size()) * scale).toSize();
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, scale != 1.0);
    painter_.drawImage(QRect(QPoint(x, y + 20), size), image);
    return y + 20 + size.height();
  }
  QImage& image() { return image_; }
  void End() { painter_.end(); }

 private:
  QImage image_;
  QPainter painter_;
  QFont caption_;
};

QImage FromDisk(const Skin& s, const char* name) {
  const PictureSurface p = s.Load(name);
  if (!p.IsNull()) return p.image();
  QImage missing(200, 150, QImage::Format_RGB32);
  missing.fill(QColor(160, 0, 0));
  return missing;
}

}  // namespace

bool WriteContactSheet(const std::filesystem::path& skinDir, bool english, const std::filesystem::path& png,
                       std::string& error) {
  Skin s;
  s.dir = skinDir;
  s.english = english;
  const skin::LayoutLoad load = skin::LoadAllLayouts(s.layout, skinDir, english ? 1 : 0);
  for (const Failure& said : load.said) std::fprintf(stderr, "skin message: %s\n", said.Text().c_str());
  if (!load) {
    error = "a layout file is missing in " + skinDir.string();
    return false;
  }
  s.text = skin::MakeSkinFont(skin::kFontEnglish);
  s.small = skin::MakeSkinFont(skin::kFontSmall);
  s.turkish = skin::MakeSkinFont(skin::kFontTurkish);
  const skin::MaskShape shape = skin::RegionFromMask(skinDir / pic::kMainMask);
  const skin::MaskShape warningShape = skin::RegionFromMask(skinDir / pic::kWarningMask);
  if (!shape.loaded || !warningShape.loaded) {
    error = "a mask picture is missing in " + skinDir.string();
    return false;
  }
  const SampleState st;
  const QString lang = english ? "English" : "Turkish";

  const int margin = 24, pageW = shape.width;
  const int width = margin * 3 + pageW * 2;
  Sheet sheet(width, 3100);
  int y = margin;
  struct PageTile {
    QString name;
    PictureSurface composed;
    const char* base;
    std::vector<Outlined> rects;
  };
  const Outlined bar{s.layout.mainHits.data(), 0, 20, QColor(255, 214, 0), ""};
  // Control rectangles by their keys: "EDIT" 2 ... 4 and "MACRODISPLAY" 1, 2.
  const auto box = [](const skin::EdgeRect& e) { return LayoutRect{e.left, e.top, e.right - e.left, e.bottom - e.top}; };
  const std::array<LayoutRect, 5> edits{LayoutRect{}, LayoutRect{}, box(s.layout.spareEditRect),
                                        box(s.layout.countEditRect), box(s.layout.nameEditRect)};
  const std::array<LayoutRect, 3> lists{LayoutRect{}, box(s.layout.macroListRect), box(s.layout.eventListRect)};
  const std::vector<PageTile> pages = {
      {"Main", ComposeMain(s, st), pic::kMainNormal,
       {{s.layout.mainHits.data(), 20, skin::kMainEntries, QColor(64, 220, 255), ""}, bar}},
      {"Advanced", ComposeAdvanced(s, st), pic::kAdvancedNormal,
       {{s.layout.advancedHits.data(), 0, skin::kAdvancedEntries, QColor(64, 220, 255), ""},
        {edits.data(), 2, 5, QColor(255, 90, 255), "EDIT "},
        {lists.data(), 1, 3, QColor(255, 90, 255), "LIST "},
        bar}},
      {"Color", ComposeColor(s, st), pic::kColorNormal,
       {{s.layout.colorHits.data(), 0, skin::kColorEntries, QColor(64, 220, 255), ""}, bar}},
  };
  for (const PageTile& page : pages) {
    sheet.Tile(margin, y, Shaped(page.composed.image(), shape.region), page.name + " page (" + lang + ", sample state)");
    const QImage outlined = WithRectangles(FromDisk(s, page.base), page.rects);
    y = sheet.Tile(margin * 2 + pageW, y, outlined,
                   page.name + " layout rectangles (yellow: shared bar, magenta: child controls)") +
        margin;
  }

  // Menus and the warning dialog, as they show with a row or button hovered.
  std::vector<std::string> first(s.layout.FunctionNames.begin() + 1, s.layout.FunctionNames.begin() + 11);
  std::vector<std::string> group(s.layout.FunctionNames.begin() + 21, s.layout.FunctionNames.begin() + 31);
  int x = margin;
  int bottom = y;
  const PictureSurface menu = ComposeMenu(s, false, st.menuRow, first);
  bottom = std::max(bottom, sheet.Tile(x, y, menu.image(), "Function menu"));
  x += menu.width() + margin;
  const PictureSurface sub = ComposeMenu(s, true, st.subRow, group);
  bottom = std::max(bottom, sheet.Tile(x, y, sub.image(), "Second level"));
  x += sub.width() + margin;
  const std::vector<std::string> groupA(s.layout.FunctionNames.begin() + 11, s.layout.FunctionNames.begin() + 17);
  const PictureSurface subA = ComposeMenu(s, true, 1, groupA);
  bottom = std::max(bottom, sheet.Tile(x, y, subA.image(), "Mouse functions"));
  x += subA.width() + margin;
  const std::vector<std::string> groupC(s.layout.FunctionNames.begin() + 31, s.layout.FunctionNames.begin() + 39);
  const PictureSurface subC = ComposeMenu(s, true, 2, groupC);
  bottom = std::max(bottom, sheet.Tile(x, y, subC.image(), "Shortcuts"));
  x += subC.width() + margin;
  bottom = std::max(bottom, sheet.Tile(x, y, Shaped(ComposeWarning(s).image(), warningShape.region), "Warning dialog"));
  y = bottom + margin;

  // Every picture file.
  const int thumbW = 200, thumbH = 150, perRow = (width - margin) / (thumbW + margin);
  int column = 0;
  int rowBottom = y;
  for (const char* name : pic::kAll) {
    const QImage image = FromDisk(s, name);
    const double scale = std::min({1.0, double(thumbW) / image.width(), double(thumbH) / image.height()});
    rowBottom = std::max(rowBottom, sheet.Tile(margin + column * (thumbW + margin), y, image, name, scale));
    if (++column == perRow) {
      column = 0;
      y = rowBottom + margin;
    }
  }
  if (column != 0) y = rowBottom + margin;
  sheet.End();
  const QImage out = sheet.image().copy(0, 0, width, y);
  if (!out.save(QFile::decodeName(QByteArray(png.c_str())), "PNG")) {
    error = "cannot write " + png.string();
    return false;
  }
  return true;
}

}  // namespace orv::skin_gen
