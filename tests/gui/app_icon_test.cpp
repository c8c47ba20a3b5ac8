// The program's icon: the installed icon files when there are any, else the
// drawn one, at the sizes the desktop asks for.
#include "gui/app_icon.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <cstdlib>

#include "support/temp_dir.h"

namespace orv::app {
namespace {

class AppIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("XDG_DATA_DIRS")) saved_ = old;
    ASSERT_NE(QGuiApplication::instance(), nullptr);
  }
  void TearDown() override {
    if (saved_.empty()) {
      unsetenv("XDG_DATA_DIRS");
    } else {
      setenv("XDG_DATA_DIRS", saved_.c_str(), 1);
    }
  }
  std::string saved_;
};

TEST_F(AppIconTest, InstalledFilesWinOverTheDrawnIcon) {
  test::TempDir data;
  const auto folder = data / "icons/hicolor/48x48/apps";
  std::filesystem::create_directories(folder);
  QImage green(48, 48, QImage::Format_ARGB32);
  green.fill(Qt::green);
  ASSERT_TRUE(green.save(QString::fromStdString((folder / "orv-ziduzu.png").string())));

  setenv("XDG_DATA_DIRS", (data.path().string() + ":/nonexistent").c_str(), 1);
  const QImage installed = AppIcon().pixmap(48, 48).toImage();
  EXPECT_EQ(installed.pixelColor(24, 24), QColor(Qt::green));

  setenv("XDG_DATA_DIRS", "/nonexistent", 1);
  const QIcon drawn = AppIcon();
  EXPECT_FALSE(drawn.isNull());
  EXPECT_GE(drawn.availableSizes().size(), 5);
  EXPECT_NE(drawn.pixmap(48, 48).toImage().pixelColor(24, 24), QColor(Qt::green));
}

}  // namespace
}  // namespace orv::app
