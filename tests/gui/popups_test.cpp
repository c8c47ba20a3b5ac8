// The popup windows on the off-screen platform: the warning's results and the
// function menus' hover, second level and choices, driven by synthetic
// pointer events, with the shipped skin.
#include "gui/popups.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <memory>

#include "app/fake_port.h"
#include "platform/log.h"
#include "skin/layout.h"
#include "skin/picture_names.h"
#include "support/qt_environment.h"
#include "support/temp_dir.h"

namespace orv::test {
namespace {

[[maybe_unused]] ::testing::Environment* const kQt = AddQtEnvironment<QApplication>();

void Send(QWidget& w, QEvent::Type type, QPoint at) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
  QMouseEvent event(type, QPointF(at), QPointF(w.mapToGlobal(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(&w, &event);
}

// Runs pending deletions, so released popups are gone.
void Settle() {
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
}

class PopupsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s.exeDir = ORV_PORTABLE_DIR;
    ASSERT_TRUE(skin::LoadAllLayouts(s.layout, s.exeDir / "skins", 1));
    for (size_t b = 0; b < 7; ++b) s.settings.K[b] = static_cast<int32_t>(b + 1);
    s.ui.menuButton = 23;
    s.ui.menuAnchor = {40, 30};
    env.state = &s;
    env.port = &port;
    env.skinDir = s.exeDir / "skins";
    env.font = QApplication::font();
  }

  app::AppState s;
  FakePort port;
  app::PopupEnvironment env;
  QWidget main;
};

QPoint Row(int row) { return QPoint(95, (row - 1) * 26 + 13); }

TEST_F(PopupsTest, WarningEndsOnlyOnItsButtonsAndEveryOtherWayIsCancel) {
  const skin::LayoutRect confirm = s.layout.warningHits[0];
  const skin::LayoutRect cancel = s.layout.warningHits[1];
  const skin::LayoutRect message = s.layout.warningHits[2];
  const QPoint onConfirm(confirm.x + 2, confirm.y + 2);
  const QPoint onCancel(cancel.x + 2, cancel.y + 2);
  const QPoint onMessage(message.x + 2, message.y + 2);
  {
    app::WarningDialog dialog(&main, env);
    dialog.show();
    EXPECT_EQ(dialog.pos(), QPoint(40, 30));  // at the anchor, like the menu after it
    Send(dialog, QEvent::MouseButtonRelease, onMessage);
    EXPECT_TRUE(dialog.isVisible());
    Send(dialog, QEvent::MouseButtonRelease, QPoint(1, 1));
    EXPECT_TRUE(dialog.isVisible());
    // Pressed on confirm, released on cancel: the release decides.
    Send(dialog, QEvent::MouseButtonPress, onConfirm);
    Send(dialog, QEvent::MouseButtonRelease, onCancel);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), app::kWarningCancel);
  }
  {
    app::WarningDialog dialog(&main, env);
    dialog.show();
    Send(dialog, QEvent::MouseButtonRelease, onConfirm);
    EXPECT_EQ(dialog.result(), skin::kWarningConfirm);
  }
  {
    app::WarningDialog dialog(&main, env);
    dialog.show();
    dialog.reject();  // Escape, or the window manager's close
    EXPECT_EQ(dialog.result(), app::kWarningCancel);
  }
  {
    app::WarningDialog dialog(&main, env);
    dialog.show();
    dialog.close();
    EXPECT_EQ(dialog.result(), app::kWarningCancel);
  }
}

// Without its mask picture the warning still opens and answers Escape, and the
// log says which picture could not be used.
TEST_F(PopupsTest, WarningWithoutItsMaskSaysWhyInTheLog) {
  struct Errors final : log::Sink {
    Errors() { log::SetSink(this); }
    ~Errors() override { log::SetSink(nullptr); }
    void Write(log::Level level, std::string_view, std::string_view text) override {
      if (level == log::Level::Error) texts.emplace_back(text);
    }
    std::vector<std::string> texts;
  } errors;
  TempDir empty;
  env.skinDir = empty.path();
  app::WarningDialog dialog(&main, env);
  dialog.show();
  dialog.reject();
  EXPECT_EQ(dialog.result(), app::kWarningCancel);
  ASSERT_EQ(errors.texts.size(), 1u);
  EXPECT_NE(errors.texts[0].find((empty.path() / skin::pictures::kWarningMask).string()), std::string::npos)
      << errors.texts[0];
}

TEST_F(PopupsTest, GroupRowOpensTheSecondLevelAndItsChoiceSetsTheCode) {
  QPointer<app::FunctionMenu> menu = new app::FunctionMenu(&main, env);
  menu->Open({40, 300});
  EXPECT_EQ(menu->windowTitle(), "MainMenuDlg");
  EXPECT_EQ(menu->size(), QSize(190, 261));

  Send(*menu, QEvent::MouseMove, Row(8));
  auto subMenus = [&] { return menu->findChildren<app::SubFunctionMenu*>(); };
  ASSERT_EQ(subMenus().size(), 1);
  app::SubFunctionMenu* sub = subMenus().front();
  EXPECT_EQ(sub->rows(), 10);
  EXPECT_EQ(sub->pos(), QPoint(40 + 190, 300 - 2 * 26));  // level with row 8's bottom

  // A release on the group row keeps the menu open.
  Send(*menu, QEvent::MouseButtonPress, Row(8));
  Send(*menu, QEvent::MouseButtonRelease, Row(8));
  Settle();
  ASSERT_TRUE(menu);
  EXPECT_EQ(s.settings.K[3], 4);
  ASSERT_EQ(subMenus().size(), 1);
  sub = subMenus().front();

  // Row 4 of the media group: Volume Increment.
  Send(*sub, QEvent::MouseMove, Row(4));
  Send(*sub, QEvent::MouseButtonPress, Row(4));
  Send(*sub, QEvent::MouseButtonRelease, Row(4));
  EXPECT_EQ(s.settings.K[3], 24);
  Settle();
  EXPECT_FALSE(menu);  // both menus released
}

TEST_F(PopupsTest, HoveringAnotherRowClosesTheSecondLevelAndTheLastLineChoosesNothing) {
  QPointer<app::FunctionMenu> menu = new app::FunctionMenu(&main, env);
  menu->Open({40, 30});
  Send(*menu, QEvent::MouseMove, Row(7));
  Settle();
  ASSERT_EQ(menu->findChildren<app::SubFunctionMenu*>().size(), 1);
  Send(*menu, QEvent::MouseMove, Row(2));
  Settle();
  EXPECT_TRUE(menu->findChildren<app::SubFunctionMenu*>().empty());

  // The last pixel line (row 11) highlights and chooses nothing.
  Send(*menu, QEvent::MouseMove, QPoint(95, 260));
  Send(*menu, QEvent::MouseButtonPress, QPoint(95, 260));
  Send(*menu, QEvent::MouseButtonRelease, QPoint(95, 260));
  Settle();
  ASSERT_TRUE(menu);
  EXPECT_EQ(s.settings.K[3], 4);

  // A direct row chooses and asks the window to close the menu.
  Send(*menu, QEvent::MouseMove, Row(2));
  Send(*menu, QEvent::MouseButtonRelease, Row(2));
  EXPECT_EQ(s.settings.K[3], 2);
  EXPECT_TRUE(port.Has("CloseButtonMenu"));
  delete menu;
}

TEST_F(PopupsTest, EmptyMacroGroupShowsNothing) {
  {
    std::lock_guard lock(s.macros.mutex);
    s.macros.userMacroCount = 0;
  }
  QPointer<app::FunctionMenu> menu = new app::FunctionMenu(&main, env);
  menu->Open({40, 30});
  Send(*menu, QEvent::MouseMove, Row(9));
  const auto subs = menu->findChildren<app::SubFunctionMenu*>();
  ASSERT_EQ(subs.size(), 1);
  EXPECT_EQ(subs.front()->rows(), 0);
  EXPECT_FALSE(subs.front()->isVisible());
  delete menu;
}

}  // namespace
}  // namespace orv::test
