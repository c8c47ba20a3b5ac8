#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>

#include "gui/fonts.h"

namespace orv::skin {
namespace {

bool Installed(const QString& family) { return QFontDatabase::families().contains(family); }

// The first face of a chain that is installed, or "" (then the default face is used).
QString FirstInstalled(const QStringList& chain) {
  for (const QString& f : chain) {
    if (Installed(f)) return f;
  }
  return {};
}

TEST(FontsTest, FaceNamesStandForFallbackChains) {
  const QStringList mono = FallbackFamilies("Consolas");
  EXPECT_EQ(mono.front(), "Consolas");
  EXPECT_TRUE(mono.contains("DejaVu Sans Mono"));
  const QStringList cjk = FallbackFamilies("宋体");
  EXPECT_EQ(cjk.front(), QString::fromUtf8("宋体"));
  EXPECT_TRUE(cjk.contains("WenQuanYi Micro Hei"));
  EXPECT_EQ(FallbackFamilies("Arial"), QStringList{"Arial"});
}

TEST(FontsTest, CellsKeepTheRequestedHeight) {
  for (const FontFace* face : {&kFontEnglish, &kFontSmall, &kFontTurkish}) {
    const QFontMetrics metrics(MakeSkinFont(*face));
    EXPECT_LE(metrics.height(), face->height) << face->family;
    EXPECT_GE(metrics.height(), face->height - 3) << face->family;
    // Close to the requested average width on Latin text.
    const double average = metrics.horizontalAdvance("abcdefghijklmnopqrstuvwxyz") / 26.0;
    EXPECT_NEAR(average, face->width, 1.5) << face->family;
  }
}

TEST(FontsTest, ConsolasFallsBackToTheFirstInstalledMonospaceFace) {
  const QString expected = FirstInstalled(FallbackFamilies("Consolas"));
  if (expected.isEmpty()) GTEST_SKIP() << "no face of the monospace chain is installed (fonts-dejavu-core)";
  EXPECT_EQ(QFontInfo(MakeSkinFont(kFontEnglish)).family(), expected);
  EXPECT_TRUE(QFontInfo(MakeSkinFont(kFontEnglish)).fixedPitch());
}

TEST(FontsTest, TurkishAndChineseTextsHaveGlyphs) {
  const QString turkish = QString::fromUtf8("çğıöşüÇĞİÖŞÜ");
  const QString chinese = QString::fromUtf8("找不到配置文件加载错误！");
  if (!FirstInstalled(FallbackFamilies("Consolas")).isEmpty()) {
    const QFontMetrics english(MakeSkinFont(kFontEnglish));
    for (const QChar c : turkish) EXPECT_TRUE(english.inFont(c)) << QString(c).toStdString();
  }
  if (FirstInstalled(FallbackFamilies("宋体")).isEmpty()) {
    GTEST_SKIP() << "no CJK face of the chain is installed (fonts-wqy-microhei)";
  }
  const QFontMetrics metrics(MakeSkinFont(kFontTurkish));
  for (const QChar c : turkish + chinese) EXPECT_TRUE(metrics.inFont(c)) << QString(c).toStdString();
}

}  // namespace
}  // namespace orv::skin
