// Checks of the default skin as the build ships it: what painting by copying
// and hit-testing rely on, in both languages.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QImageReader>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "device/ktr580.h"
#include "platform/private_profile.h"
#include "gui/fonts.h"
#include "skin/layout.h"
#include "gui/picture.h"
#include "skin/picture_names.h"
#include "gui/region.h"
#include "support/temp_dir.h"
#include "support/missing_file.h"

namespace orv::skin {
namespace {

namespace pic = pictures;

const std::filesystem::path kSkins = std::filesystem::path(ORV_PORTABLE_DIR) / "skins";

LayoutRect FromEdges(const EdgeRect& e) { return LayoutRect{e.left, e.top, e.right - e.left, e.bottom - e.top}; }
QRect ToQRect(const LayoutRect& r) { return QRect(r.x, r.y, r.width, r.height); }

struct Loaded {
  SkinLayout layout;
  bool ok = false;
  std::vector<std::string> messages;
};

Loaded Load(int32_t language) {
  Loaded l;
  const LayoutLoad load = LoadAllLayouts(l.layout, kSkins, language);
  l.ok = load.complete;
  l.messages = orv::test::Texts(load.said);
  return l;
}

const Loaded& Layout(int32_t language) {
  static const Loaded english = Load(1);
  static const Loaded turkish = Load(0);
  return language ? english : turkish;
}

// Every rectangle a page hit-tests or paints, with a name for messages.
struct NamedRect {
  std::string name;
  LayoutRect rect;
};

std::vector<NamedRect> PageRects(const SkinLayout& l, int page) {
  std::vector<NamedRect> out;
  auto add = [&](const std::string& prefix, const auto& table, size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i) out.push_back({prefix + std::to_string(i), table[i]});
  };
  switch (page) {
    case 0: add("main ", l.mainHits, 0, kMainEntries); break;
    case 1:
      add("main ", l.mainHits, 0, 20);
      add("advanced ", l.advancedHits, 0, kAdvancedEntries);
      out.push_back({"count edit", FromEdges(l.countEditRect)});
      out.push_back({"name edit", FromEdges(l.nameEditRect)});
      out.push_back({"macro list", FromEdges(l.macroListRect)});
      out.push_back({"event list", FromEdges(l.eventListRect)});
      break;
    case 2:
      add("main ", l.mainHits, 0, 20);
      add("color ", l.colorHits, 0, kColorEntries);
      break;
  }
  return out;
}

class SkinConsistencyTest : public ::testing::TestWithParam<int32_t> {};

TEST_P(SkinConsistencyTest, LoadsWithoutMessages) {
  const Loaded& l = Layout(GetParam());
  EXPECT_TRUE(l.ok);
  EXPECT_TRUE(l.messages.empty());
}

TEST_P(SkinConsistencyTest, DefinesEveryKeyTheProgramReads) {
  struct File {
    LayoutFile which;
    std::vector<std::pair<std::string, std::pair<int, int>>> keys;  // section, first ... last key
  };
  const File files[] = {
      {LayoutFile::Main, {{"BUTTONPOS", {0, 149}}, {"FUN_STRING", {1, 54}}}},
      {LayoutFile::Color, {{"BUTTONPOS", {0, 32}}}},
      {LayoutFile::Advanced, {{"BUTTONPOS", {0, 51}}, {"EDIT", {2, 4}}, {"MACRODISPLAY", {1, 2}}}},
      {LayoutFile::Warning, {{"BUTTONPOS", {0, 2}}}},
  };
  for (const File& f : files) {
    const auto path = LayoutPath(kSkins, GetParam(), f.which);
    const auto doc = LoadIniDocument(path);
    ASSERT_TRUE(doc) << path;
    for (const auto& [section, range] : f.keys) {
      for (int k = range.first; k <= range.second; ++k) {
        EXPECT_TRUE(doc->Find(section, std::to_string(k))) << path.filename() << " [" << section << "] " << k;
      }
    }
  }
  const SkinLayout& l = Layout(GetParam()).layout;
  for (int k = 1; k <= kFunctionNameKeys; ++k) EXPECT_FALSE(l.FunctionNames[static_cast<size_t>(k)].empty()) << k;
}

TEST_P(SkinConsistencyTest, RectanglesLieInsideTheWindowShape) {
  const MaskShape window = RegionFromMask(kSkins / pic::kMainMask);
  const MaskShape warning = RegionFromMask(kSkins / pic::kWarningMask);
  ASSERT_TRUE(window.loaded && warning.loaded);
  const SkinLayout& l = Layout(GetParam()).layout;
  for (int page = 0; page < 3; ++page) {
    for (const NamedRect& r : PageRects(l, page)) {
      if (r.rect.width <= 0 || r.rect.height <= 0) continue;
      EXPECT_TRUE(QRegion(ToQRect(r.rect)).subtracted(window.region).isEmpty()) << r.name;
    }
  }
  for (size_t i = 0; i < kWarningEntries; ++i) {
    EXPECT_TRUE(QRegion(ToQRect(l.warningHits[i])).subtracted(warning.region).isEmpty()) << "warning " << i;
  }
}

TEST_P(SkinConsistencyTest, RectanglesOfAPageNeverOverlap) {
  // A state is shown by copying a whole rectangle: an overlap would carry part
  // of a neighbour's look along, and the first of two overlapping hits would hide
  // the other.
  const SkinLayout& l = Layout(GetParam()).layout;
  for (int page = 0; page < 3; ++page) {
    const auto rects = PageRects(l, page);
    for (size_t i = 0; i < rects.size(); ++i) {
      for (size_t j = i + 1; j < rects.size(); ++j) {
        EXPECT_FALSE(ToQRect(rects[i].rect).intersects(ToQRect(rects[j].rect)))
            << rects[i].name << " and " << rects[j].name;
      }
    }
  }
}

TEST(DefaultSkinTest, BothLanguagesShareOneGeometry) {
  // The window shape and the repaint area are built once from the start-up
  // language; the other language must fit them too.
  const SkinLayout& en = Layout(1).layout;
  const SkinLayout& tr = Layout(0).layout;
  EXPECT_EQ(en.mainHits, tr.mainHits);
  EXPECT_EQ(en.colorHits, tr.colorHits);
  EXPECT_EQ(en.advancedHits, tr.advancedHits);
  EXPECT_EQ(en.warningHits, tr.warningHits);
  EXPECT_EQ(en.countEditRect, tr.countEditRect);
  EXPECT_EQ(en.nameEditRect, tr.nameEditRect);
  EXPECT_EQ(en.macroListRect, tr.macroListRect);
  EXPECT_EQ(en.eventListRect, tr.eventListRect);
  EXPECT_EQ(en.spareEditRect, tr.spareEditRect);
}

TEST(DefaultSkinTest, PicturesOfOneWindowShareOneSize) {
  const auto size = [](const char* name) {
    const PictureSurface p = LoadPicture(kSkins / name);
    EXPECT_FALSE(p.IsNull()) << name;
    return QSize(p.width(), p.height());
  };
  const QSize window = size(pic::kMainMask);
  EXPECT_GE(window.width(), 760);
  EXPECT_GE(window.height(), 560);
  for (const char* name : {pic::kMainNormal, pic::kMainOver, pic::kMainDown, pic::kAdvancedNormal, pic::kAdvancedOver,
                           pic::kAdvancedDown, pic::kColorNormal, pic::kColorOver, pic::kColorDown, pic::kColorPink,
                           pic::kColorGreen, pic::kColorRed, pic::kColorCyan, pic::kColorWhite}) {
    EXPECT_EQ(size(name), window) << name;
  }
  for (const auto& [mask, rows, others] :
       {std::tuple{pic::kMenuMask, pic::kMenuRows, std::vector{pic::kMenuNormal, pic::kMenuOver, pic::kMenuDown}},
        std::tuple{pic::kSubMenuMask, pic::kSubMenuRows,
                   std::vector{pic::kSubMenuNormal, pic::kSubMenuOver, pic::kSubMenuDown}}}) {
    const QSize menu = size(mask);
    // The shown part (all rows plus the closing line) exists in the pictures.
    EXPECT_GE(menu.height(), rows * (menu.height() / rows) + 1) << mask;
    EXPECT_GE(menu.height() / rows, 20) << mask;
    for (const char* name : others) EXPECT_EQ(size(name), menu) << name;
  }
  EXPECT_EQ(size(pic::kWarningNormal), size(pic::kWarningMask));
  EXPECT_EQ(size(pic::kWarningOver), size(pic::kWarningMask));
}

// Mean difference of two pictures over a rectangle, on a 0 ... 255 scale.
double MeanDifference(const PictureSurface& a, const PictureSurface& b, const LayoutRect& r) {
  double sum = 0;
  for (int y = r.y; y < r.y + r.height; ++y) {
    for (int x = r.x; x < r.x + r.width; ++x) {
      const ColourRef p = a.PixelAt(x, y), q = b.PixelAt(x, y);
      sum += std::abs(RedOf(p) - RedOf(q)) + std::abs(GreenOf(p) - GreenOf(q)) + std::abs(BlueOf(p) - BlueOf(q));
    }
  }
  return sum / (3.0 * r.width * r.height);
}

TEST(DefaultSkinTest, EveryElementShowsItsHoveredAndPressedLook) {
  const SkinLayout& l = Layout(1).layout;
  struct Page {
    const char *normal, *over, *down;
    const LayoutRect* hits;
    std::vector<int> indices;
  };
  std::vector<int> main;
  for (int i = 0; i <= 18; ++i) {
    if (i != 1) main.push_back(i);
  }
  std::vector<int> shared = main;
  for (int i : {20, 21, 22, 23, 24, 25, 26, 32, 33}) main.push_back(i);
  for (int i = 47; i <= 52; ++i) main.push_back(i);
  for (int i = 60; i <= 144; ++i) main.push_back(i);
  std::vector<int> advanced;
  for (int i = 0; i <= 37; ++i) {
    if (i != 28 && i != 29 && i != 33) advanced.push_back(i);
  }
  std::vector<int> color;
  for (int i = 0; i <= 16; ++i) color.push_back(i);
  const Page pages[] = {
      {pic::kMainNormal, pic::kMainOver, pic::kMainDown, l.mainHits.data(), main},
      {pic::kAdvancedNormal, pic::kAdvancedOver, pic::kAdvancedDown, l.advancedHits.data(), advanced},
      {pic::kAdvancedNormal, pic::kAdvancedOver, pic::kAdvancedDown, l.mainHits.data(), shared},
      {pic::kColorNormal, pic::kColorOver, pic::kColorDown, l.colorHits.data(), color},
      {pic::kColorNormal, pic::kColorOver, pic::kColorDown, l.mainHits.data(), shared},
  };
  for (const Page& p : pages) {
    const PictureSurface n = LoadPicture(kSkins / p.normal), o = LoadPicture(kSkins / p.over),
                         d = LoadPicture(kSkins / p.down);
    for (int i : p.indices) {
      const LayoutRect& r = p.hits[i];
      EXPECT_GT(MeanDifference(n, o, r), 3.0) << p.over << " element " << i;
      EXPECT_GT(MeanDifference(n, d, r), 3.0) << p.down << " element " << i;
      EXPECT_GT(MeanDifference(o, d, r), 1.0) << p.down << " element " << i;
    }
  }
  const PictureSurface wn = LoadPicture(kSkins / pic::kWarningNormal), wo = LoadPicture(kSkins / pic::kWarningOver);
  for (size_t i : {0u, 1u}) EXPECT_GT(MeanDifference(wn, wo, Layout(1).layout.warningHits[i]), 3.0) << i;
}

TEST(DefaultSkinTest, BuiltInMacroNamesMatchTheBuiltInMacroFile) {
  std::ifstream in(std::filesystem::path(ORV_SOURCE_DIR) / "resources" / "macros" / "constMacro.txt");
  ASSERT_TRUE(in);
  std::vector<std::string> names;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("macro ", 0) != 0) continue;
    std::string name = line.substr(6);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\r')) name.pop_back();
    names.push_back(name);
  }
  const int32_t first = device::FirstCodeOf(device::FunctionKind::BuiltInMacro);
  ASSERT_EQ(static_cast<int32_t>(names.size()), device::LastCodeOf(device::FunctionKind::BuiltInMacro) - first + 1);
  const SkinLayout& en = Layout(1).layout;
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(en.FunctionNames[static_cast<size_t>(first) + i], names[i]);
}

// The texts the program draws, with the rectangle each must fit in.
struct DrawnText {
  std::string text;
  int room;    // width available
  int height;  // height available
  const QFont* font;
};

TEST_P(SkinConsistencyTest, TextsFitTheirRectangles) {
  const bool english = GetParam() != 0;
  const QStringList chain = FallbackFamilies(english ? "Consolas" : "宋体");
  const QStringList installed = QFontDatabase::families();
  if (std::none_of(chain.begin(), chain.end(), [&](const QString& f) { return installed.contains(f); })) {
    GTEST_SKIP() << "the skin's fonts are not installed (fonts-dejavu-core, fonts-wqy-microhei)";
  }
  const QFont text = MakeSkinFont(english ? kFontEnglish : kFontTurkish);
  const QFont small = MakeSkinFont(english ? kFontSmall : kFontTurkish);
  const SkinLayout& l = Layout(GetParam()).layout;
  std::vector<DrawnText> texts;
  auto centred = [&](const LayoutRect& r, const std::string& s, const QFont* f = nullptr) {
    texts.push_back({s, r.width, r.height, f ? f : &text});
  };
  for (int i = 0; i <= 58; ++i) {
    if (i >= 20 && i <= 26) continue;
    centred(l.mainHits[static_cast<size_t>(i)], l.mainTexts[static_cast<size_t>(i)], i >= 53 ? &small : nullptr);
  }
  for (size_t j = 0; j < kAdvancedEntries; ++j) centred(l.advancedHits[j], l.advancedTexts[j]);
  // Texts the program puts in place of the layout's.
  centred(l.advancedHits[4], english ? "Record" : "Kayıt");
  centred(l.advancedHits[4], english ? "Stop" : "Durdur");
  centred(l.advancedHits[33], "300ms");
  for (size_t j = 0; j <= 31; ++j) centred(l.colorHits[j], l.colorTexts[j]);
  centred(l.colorHits[18], std::to_string(device::kDpiSteps.back().dpi));
  for (size_t k = 0; k < kWarningEntries; ++k) centred(l.warningHits[k], l.warningTexts[k]);
  // Button labels start 5 pixels in and leave room for the drop-down mark.
  // Menu rows, with room for the mark of the group rows.
  const LayoutRect& label = l.mainHits[20];
  const int menuWidth = LoadPicture(kSkins / pic::kMenuMask).width();
  const int subWidth = LoadPicture(kSkins / pic::kSubMenuMask).width();
  for (int r = 1; r <= device::kFirstLevelMenuRows; ++r) {
    texts.push_back({l.FunctionNames[static_cast<size_t>(r)], menuWidth - 40, 26, &text});
  }
  for (int32_t code = 0; code <= device::kLastFunctionCode; ++code) {
    const device::Function f = device::FunctionOf(code);
    if (f.nameSlot < 0) continue;  // user macros show their macros' names
    const std::string& name = l.FunctionNames[static_cast<size_t>(f.nameSlot)];
    texts.push_back({name, label.width - 5 - 16, label.height, &text});
    if (f.group != device::MenuGroup::None && f.group != device::MenuGroup::Direct) {
      texts.push_back({name, subWidth - 8, 26, &text});
    }
  }

  const PictureSurface surface(8, 8, 0);
  for (const DrawnText& t : texts) {
    if (t.text.empty()) continue;
    const TextExtent size = TextSize(surface, *t.font, t.text);
    EXPECT_LE(size.cx, t.room) << t.text;
    EXPECT_LE(size.cy, t.height) << t.text;
  }
}

#ifdef ORV_SKIN_GEN  // not in builds that take their skin from another build
TEST(DefaultSkinTest, GeneratorOutputIsDeterministic) {
  test::TempDir dir;
  // The generator is a tool here: its own leaks are not this test's subject.
  const std::string command = std::string("ASAN_OPTIONS=detect_leaks=0 TSAN_OPTIONS=report_bugs=0 QT_QPA_PLATFORM=offscreen '") + ORV_SKIN_GEN +
                              "' build '" + ORV_SOURCE_DIR + "/resources/skin/texts.tsv' '" + dir.path().string() +
                              "' 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(kSkins)) {
    if (!entry.is_regular_file()) continue;
    const auto relative = std::filesystem::relative(entry.path(), kSkins);
    if (relative.begin()->string() == "config") continue;
    ++files;
    EXPECT_EQ(test::ReadText(entry.path()), test::ReadText(dir.path() / relative)) << relative;
  }
  // Every picture in both sets, and the eight layout files.
  EXPECT_EQ(files, 2 * std::size(pic::kAll) + 8);
}
#endif

TEST(DefaultSkinTest, TwiceSizedSetMatchesTheSingleOne) {
  for (const char* name : pic::kAll) {
    const PictureSurface one = DecodePicture(kSkins / name);
    QImageReader reader(QString::fromStdString(HiResPath(kSkins / name).string()));
    ASSERT_EQ(reader.size(), QSize(one.width(), one.height()) * 2) << name << ": missing or not twice the size";
  }
  // Each window's outline is the same at both sizes: a 2x mask pixel agrees
  // with the 1x mask's pixel it lies on, except along the outline's edge.
  for (const char* name : {pic::kMainMask, pic::kWarningMask}) {
    const MaskShape one = RegionFromMask(kSkins / name);
    const MaskShape two = RegionFromMask(HiResPath(kSkins / name));
    ASSERT_TRUE(one.loaded && two.loaded) << name;
    const QRegion edge = one.region.xored(one.region.translated(1, 0)) | one.region.xored(one.region.translated(0, 1)) |
                         one.region.xored(one.region.translated(-1, 0)) | one.region.xored(one.region.translated(0, -1));
    long disagree = 0;
    for (int y = 0; y < two.height; ++y) {
      for (int x = 0; x < two.width; ++x) {
        const QPoint at(x / 2, y / 2);
        if (two.region.contains(QPoint(x, y)) != one.region.contains(at) && !edge.contains(at)) ++disagree;
      }
    }
    EXPECT_EQ(disagree, 0) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, SkinConsistencyTest, ::testing::Values(1, 0),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                           return std::string(info.param ? "English" : "Turkish");
                         });

}  // namespace
}  // namespace orv::skin
