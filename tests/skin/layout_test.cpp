#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "skin/layout.h"
#include "support/missing_file.h"
#include "support/temp_dir.h"

namespace orv::skin {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

class LayoutLoadTest : public ::testing::Test {
 protected:
  void Write(int32_t language, LayoutFile which, const std::string& content) {
    test::WriteText(LayoutPath(dir_.path(), language, which), content);
  }
  test::TempDir dir_;
  SkinLayout layout_;
};

TEST(LayoutPathTest, FollowsTheLanguage) {
  const std::filesystem::path skins = "/x/skins";
  EXPECT_EQ(LayoutPath(skins, 1, LayoutFile::Main), skins / "INI_EN" / "skin_main_en.ini");
  EXPECT_EQ(LayoutPath(skins, 0, LayoutFile::Main), skins / "INI_CN" / "skin_main.ini");
  EXPECT_EQ(LayoutPath(skins, 2, LayoutFile::Advanced), skins / "INI_EN" / "skin_advance_en.ini");
  EXPECT_EQ(LayoutPath(skins, 0, LayoutFile::Color), skins / "INI_CN" / "skin_color.ini");
  EXPECT_EQ(LayoutPath(skins, -1, LayoutFile::Warning), skins / "INI_EN" / "LBWarning_en.ini");
  EXPECT_EQ(LayoutPath(skins, 0, LayoutFile::Warning), skins / "INI_CN" / "LBWarning.ini");
}

TEST_F(LayoutLoadTest, MainLayoutFillsRectanglesTextsAndFunctionNames) {
  Write(1, LayoutFile::Main,
        "[BUTTONPOS]\n"
        "0=save,568,556,68,28,Save,\n"
        "1=title, +58 ,21, 150,22, spaced text ,\n"
        "2=short,1,2,3,4\n"      // four commas: height 0, text is item 0
        "3=junk,a,b,c,d,e,\n"    // not numbers: zeros
        "149=last,1,2,3,4,end,\n"
        "[FUN_STRING]\n"
        "1=Left Click\n"
        "2=Right Click,ignored,\n");
  const LayoutLoad load = LoadMainLayout(layout_, dir_.path(), 1);
  ASSERT_TRUE(load);
  EXPECT_EQ(layout_.mainHits[0], (LayoutRect{568, 556, 68, 28}));
  EXPECT_EQ(layout_.mainTexts[0], "Save");
  EXPECT_EQ(layout_.mainHits[1], (LayoutRect{58, 21, 150, 22}));
  EXPECT_EQ(layout_.mainTexts[1], " spaced text ");
  EXPECT_EQ(layout_.mainHits[2], (LayoutRect{1, 2, 3, 0}));
  EXPECT_EQ(layout_.mainTexts[2], "short");
  EXPECT_EQ(layout_.mainHits[3], LayoutRect{});
  EXPECT_EQ(layout_.mainHits[4], LayoutRect{});  // absent key
  EXPECT_EQ(layout_.mainTexts[4], "");
  EXPECT_EQ(layout_.mainTexts[149], "end");
  EXPECT_EQ(layout_.FunctionNames[0], "");
  EXPECT_EQ(layout_.FunctionNames[1], "Left Click");
  EXPECT_EQ(layout_.FunctionNames[2], "Right Click");
  EXPECT_EQ(layout_.FunctionNames[54], "");
  EXPECT_TRUE(load.said.empty());
}

TEST_F(LayoutLoadTest, AdvancedLayoutGivesControlRectanglesInEdgeForm) {
  Write(0, LayoutFile::Advanced,
        "[BUTTONPOS]\n4=record,382,384,78,26,Kayıt,\n"
        "[EDIT]\n1=never,9,9,9,9,,\n2=spare,0,0,0,0,,\n3=count,190,420,56,26,,\n4=name,36,384,170,26,,\n"
        "[MACRODISPLAY]\n1=macros,36,118,170,254,,\n2=events,216,118,244,254,,\n");
  ASSERT_TRUE(LoadAdvancedLayout(layout_, dir_.path(), 0));
  EXPECT_EQ(layout_.advancedTexts[4], "Kayıt");
  EXPECT_EQ(layout_.spareEditRect, EdgeRect{});
  EXPECT_EQ(layout_.countEditRect, (EdgeRect{190, 420, 246, 446}));
  EXPECT_EQ(layout_.nameEditRect, (EdgeRect{36, 384, 206, 410}));
  EXPECT_EQ(layout_.macroListRect, (EdgeRect{36, 118, 206, 372}));
  EXPECT_EQ(layout_.eventListRect, (EdgeRect{216, 118, 460, 372}));
}

TEST_F(LayoutLoadTest, MissingFileStopsWithOneMessageAndKeepsTheTables) {
  layout_.colorTexts[0] = "before";
  const LayoutLoad load = LoadColorLayout(layout_, dir_.path(), 1);
  EXPECT_FALSE(load);
  test::ExpectOneMissingFileMessage(test::Texts(load.said), "skin_color_en.ini");
  EXPECT_EQ(layout_.colorTexts[0], "before");
}

TEST_F(LayoutLoadTest, LoadAllStopsAtTheFirstMissingFile) {
  Write(1, LayoutFile::Main, "[BUTTONPOS]\n0=save,1,2,3,4,Save,\n");
  Write(1, LayoutFile::Advanced, "[BUTTONPOS]\n0=import,1,2,3,4,Import,\n");
  layout_.advancedTexts[0] = "untouched";
  const LayoutLoad load = LoadAllLayouts(layout_, dir_.path(), 1);
  EXPECT_FALSE(load);
  EXPECT_EQ(layout_.mainTexts[0], "Save");
  EXPECT_EQ(layout_.advancedTexts[0], "untouched");  // Color is missing, Advanced comes after it
  EXPECT_EQ(load.said.size(), 1u);
}

TEST_F(LayoutLoadTest, SwitchingLanguageReplacesTextsAndGeometry) {
  Write(1, LayoutFile::Warning, "[BUTTONPOS]\n0=ok,60,104,120,32,Continue,\n2=msg,16,52,348,30,Sure?,\n");
  Write(0, LayoutFile::Warning, "[BUTTONPOS]\n0=ok,70,104,110,32,Devam Et,\n");
  ASSERT_TRUE(LoadWarningLayout(layout_, dir_.path(), 1));
  EXPECT_EQ(layout_.warningTexts[2], "Sure?");
  ASSERT_TRUE(LoadWarningLayout(layout_, dir_.path(), 0));
  EXPECT_EQ(layout_.warningHits[0], (LayoutRect{70, 104, 110, 32}));
  EXPECT_EQ(layout_.warningTexts[0], "Devam Et");
  EXPECT_EQ(layout_.warningTexts[2], "");  // every entry is overwritten
}

TEST(LayoutRectTest, ContainsLeftAndTopEdgesOnly) {
  const LayoutRect r{10, 20, 5, 4};
  struct Case {
    int64_t x, y;
    bool in;
  };
  for (const Case& c : {Case{10, 20, true}, Case{14, 23, true}, Case{15, 20, false}, Case{10, 24, false},
                        Case{9, 20, false}, Case{10, 19, false}}) {
    EXPECT_EQ(r.Contains(c.x, c.y), c.in) << c.x << "," << c.y;
  }
  EXPECT_FALSE((LayoutRect{10, 20, 0, 4}).Contains(10, 20));
  EXPECT_FALSE((LayoutRect{10, 20, -5, 4}).Contains(8, 20));
}

TEST(LayoutRectTest, ExtremeNumbersFromADamagedFileStayHarmless) {
  const LayoutRect far{kMax - 1, kMax - 1, kMax, kMax};
  EXPECT_TRUE(far.Contains(kMax, kMax));
  EXPECT_FALSE((LayoutRect{kMin, 0, kMin, 10}).Contains(kMin, 5));
  EXPECT_EQ(ToEdges(far), (EdgeRect{kMax - 1, kMax - 1, kMax, kMax}));
  EXPECT_EQ(ToEdges(LayoutRect{kMin, kMin, -10, -10}), (EdgeRect{kMin, kMin, kMin, kMin}));
  EXPECT_EQ(CentreText(LayoutRect{kMax, kMax, kMax, kMax}, kMin, kMin), (TextOrigin{kMax, kMax}));
}

TEST(HitIndexTest, FirstContainingRectangleUpToLast) {
  const std::vector<LayoutRect> family = {
      {0, 0, 10, 10},    // 0
      {5, 5, 10, 10},    // 1 overlaps 0
      {100, 0, 0, 0},    // 2 empty
      {20, 0, 10, 10},   // 3
  };
  struct Case {
    int64_t x, y;
    int last;
    int expected;
  };
  for (const Case& c : {
           Case{6, 6, 3, 0},         // overlap: lowest index wins
           Case{12, 12, 3, 1},       //
           Case{100, 0, 3, kNoIndex},
           Case{25, 5, 3, 3},        //
           Case{25, 5, 2, kNoIndex},  // beyond `last`
           Case{25, 5, 200, 3},      // `last` past the table is its end
           Case{0, 0, -1, kNoIndex},  //
           Case{50, 50, 3, kNoIndex},
       }) {
    EXPECT_EQ(HitIndex(c.x, c.y, family, c.last), c.expected) << c.x << "," << c.y << " last " << c.last;
  }
}

TEST(CentreTextTest, DividesTowardZero) {
  struct Case {
    LayoutRect r;
    int32_t cx, cy;
    TextOrigin at;
  };
  for (const Case& c : {
           Case{{10, 20, 100, 30}, 40, 14, {40, 28}},
           Case{{10, 20, 101, 31}, 40, 14, {40, 28}},
           Case{{10, 20, 20, 10}, 25, 13, {8, 19}},  // wider than the rectangle: -5 / 2 is -2
           Case{{0, 0, 0, 0}, 0, 0, {0, 0}},
       }) {
    EXPECT_EQ(CentreText(c.r, c.cx, c.cy), c.at);
  }
}

}  // namespace
}  // namespace orv::skin
