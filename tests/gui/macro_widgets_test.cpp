// The macro editor through the real window and its controls (offscreen):
// the program started on a copy of the portable folder with the simulated
// mouse, as a user would have it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <cstdlib>
#include <filesystem>

#include "app/controller.h"
#include "gui/editable_list.h"
#include "gui/main_window.h"
#include "app/startup.h"
#include "device/device_link.h"
#include "drive/playback.h"
#include "device/simulated/simulated_mouse.h"
#include "macros/key_names.h"
#include "macros/macro_files.h"
#include "platform/launch.h"
#include "settings/config_file.h"
#include "support/temp_dir.h"

namespace orv::test {
namespace {

namespace fs = std::filesystem;

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "gui_window_tests";
    static char* argv[] = {name, nullptr};
    application_ = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { application_.reset(); }

 private:
  std::unique_ptr<QApplication> application_;
};
const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class MacroWidgetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(ORV_PORTABLE_DIR, dir.path() / "app", fs::copy_options::recursive);
    fs::create_directories(dir.path() / "sim");
    setenv("ORV_SIMULATED_MOUSE", (dir.path() / "sim").c_str(), 1);
    s.exeDir = dir.path() / "app";
    s.session.backend = device::MakeHidBackend();
    s.session.host = std::make_unique<settings::RecordingHostSettings>(dir.path() / "sim" / device::kHostLogName);
    s.playback.launcher = std::make_unique<RecordingLauncher>(dir.path() / "sim" / device::kHostLogName);
    window = std::make_unique<app::MainWindow>(s);
    ASSERT_EQ(app::InitialiseMainWindow(s, *window, {""}), app::StartupResult::Running);
    window->show();
  }
  void TearDown() override {
    window->StopAnimation();
    app::StopWorkers(s);
    window.reset();
    unsetenv("ORV_SIMULATED_MOUSE");
  }

  // Slot 0 as a counted macro of two events, repeated `repeat` times, loaded
  // from the language's macro file as the program would load it.
  void LoadCountedMacro(uint16_t repeat) {
    macros::MacroTables t;
    macros::MacroRecord& r = t.userMacros[0];
    macros::SetMacroName(r, "counted");
    r.mode = macros::MODE_COUNTED;
    r.repeatCount = repeat;
    r.eventCount = 2;
    r.events[0] = {4, macros::ACTION_DOWN};
    r.events[1] = {4, macros::ACTION_UP};
    r.delays[0] = 50;
    t.userMacroCount = 1;
    ASSERT_EQ(macros::SaveMacros(s.macroFilePath, "Macros", t), Outcome());
    macros::LoadMacros(s.macroFilePath, "Macros", s.macros, macros::MacroTarget::User);
    s.macros.selectedMacro = 0;
  }
  void ClickAdvanced(int index) {
    const skin::LayoutRect& r = s.layout.advancedHits[static_cast<size_t>(index)];
    const app::Point p{r.x + r.width / 2, r.y + r.height / 2};
    app::OnPointerMove(s, p, *window);
    app::OnPress(s, p, *window);
    app::OnRelease(s, p, *window);
  }
  uint16_t RepeatCountInFile(const fs::path& file, const std::string& section) {
    macros::MacroTables t;
    macros::LoadMacros(file, section, t, macros::MacroTarget::User);
    return t.userMacros[0].repeatCount;
  }
  app::EditableListBox* EventList() { return window->findChild<app::EditableListBox*>(); }
  QLineEdit* CountBox() {
    for (QLineEdit* e : window->findChildren<QLineEdit*>()) {
      if (e->geometry().topLeft() == QPoint(s.layout.countEditRect.left, s.layout.countEditRect.top)) return e;
    }
    return nullptr;
  }
  void Key(QWidget* to, QEvent::Type type, int key, uint32_t keysym, Qt::KeyboardModifiers mods = Qt::NoModifier,
           const QString& text = {}, uint32_t keycode = 0) {
    QKeyEvent e(type, key, mods, keycode, keysym, 0, text);
    QApplication::sendEvent(to, &e);
  }

  TempDir dir;
  app::AppState s;
  std::unique_ptr<app::MainWindow> window;
};

TEST_F(MacroWidgetsTest, RepeatCountSurvivesSaveAndApplyOfTheAdvancedPage) {
  LoadCountedMacro(7);
  app::EnterAdvancedPage(s, *window);
  ASSERT_NE(CountBox(), nullptr);
  EXPECT_EQ(CountBox()->text(), "7");
  EXPECT_TRUE(CountBox()->isEnabled());
  ClickAdvanced(5);  // Save
  EXPECT_EQ(RepeatCountInFile(s.macroFilePath, "Macros"), 7);
  EXPECT_EQ(RepeatCountInFile(s.configPath, "Config" + std::to_string(s.profile.curProfile)), 7);
  app::ApplyCurrentProfile(s, *window, false);
  EXPECT_EQ(s.macros.userMacros[0].repeatCount, 7);
  EXPECT_EQ(RepeatCountInFile(s.configPath, "Config6"), 7);
  // A count typed by the user is taken, kept within range.
  CountBox()->setText("0");
  ClickAdvanced(5);
  EXPECT_EQ(RepeatCountInFile(s.macroFilePath, "Macros"), 1);
  EXPECT_EQ(CountBox()->text(), "1");
}

TEST_F(MacroWidgetsTest, PickingAMacroInTheListShowsIt) {
  LoadCountedMacro(3);
  s.macros.userMacros[1] = s.macros.userMacros[0];
  macros::SetMacroName(s.macros.userMacros[1], "once");
  s.macros.userMacros[1].mode = macros::MODE_ONCE;
  s.macros.userMacroCount = 2;
  s.macros.selectedMacro = 0;
  app::EnterAdvancedPage(s, *window);
  auto* list = window->findChild<QListWidget*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_NE(list, nullptr);
  QListWidget* macroList = list != EventList() ? list : nullptr;
  for (QListWidget* l : window->findChildren<QListWidget*>()) {
    if (l != EventList()) macroList = l;
  }
  ASSERT_NE(macroList, nullptr);
  macroList->setCurrentRow(1);  // as a click does
  EXPECT_EQ(s.macros.selectedMacro, 1);
  EXPECT_EQ(CountBox()->text(), "1");
  EXPECT_FALSE(CountBox()->isEnabled());
  ClickAdvanced(5);
  macros::MacroTables t;
  macros::LoadMacros(s.macroFilePath, "Macros", t, macros::MacroTarget::User);
  EXPECT_EQ(t.userMacros[0].repeatCount, 3);
}

// Ctrl+A on the line the user picked edits that line of the shown macro,
// whatever an earlier right-click chose.
TEST_F(MacroWidgetsTest, CtrlAEditsTheSelectedLineInPlace) {
  LoadCountedMacro(1);
  app::EnterAdvancedPage(s, *window);
  app::EditableListBox* list = EventList();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 3);
  const QPoint eventLine = list->viewport()->mapToGlobal(list->visualItemRect(list->item(2)).center());
  app::OnRightRelease(s, *window->MacroControls(), {eventLine.x(), eventLine.y()});
  list->setCurrentRow(1);  // the delay after event 0
  struct Step {
    const char* text;
    int key;
    uint16_t stored;
  } steps[] = {{"250ms", Qt::Key_Return, 250}, {"999", Qt::Key_Escape, 250}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.text);
    Key(list, QEvent::KeyPress, Qt::Key_A, 'a', Qt::ControlModifier, QString(QChar(1)));
    ASSERT_TRUE(list->Editing());
    list->Editor()->setText(step.text);
    Key(list->Editor(), QEvent::KeyRelease, step.key, 0);
    EXPECT_FALSE(list->Editing());
    EXPECT_EQ(s.macros.userMacros[0].delays[0], step.stored);
    EXPECT_EQ(s.macros.userMacros[0].delays[1], 0);
    EXPECT_EQ(list->item(1)->text().toStdString(), macros::DelayLineText(step.stored));
  }
}

TEST_F(MacroWidgetsTest, RecordingTakesTheKeysOfTheWindow) {
  LoadCountedMacro(1);
  app::EnterAdvancedPage(s, *window);
  ClickAdvanced(4);  // Record
  ASSERT_TRUE(s.editor.recording);
  app::EditableListBox* list = EventList();
  // Keys by their X key codes: the A and B positions, then volume up (no usage).
  constexpr uint32_t kKeyA = 38, kKeyB = 56, kVolumeUp = 123;
  Key(list, QEvent::KeyPress, Qt::Key_A, 0, Qt::NoModifier, "a", kKeyA);
  Key(list, QEvent::KeyRelease, Qt::Key_A, 0, Qt::NoModifier, "a", kKeyA);
  Key(list, QEvent::KeyPress, Qt::Key_B, 0, Qt::NoModifier, "b", kKeyB);
  {
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, kKeyB, 0, 0, "b", true);
    QApplication::sendEvent(list, &repeat);
  }
  Key(list, QEvent::KeyRelease, Qt::Key_B, 0, Qt::NoModifier, "b", kKeyB);
  Key(list, QEvent::KeyPress, Qt::Key_VolumeUp, 0, Qt::NoModifier, {}, kVolumeUp);
  EXPECT_FALSE(list->Editing());
  EXPECT_EQ(list->count(), 7);
  ClickAdvanced(4);  // Stop
  EXPECT_FALSE(s.editor.recording);
  EXPECT_FALSE(window->KeyboardGrabbed());
  const macros::MacroRecord& r = s.macros.userMacros[0];
  ASSERT_EQ(r.eventCount, 4);
  EXPECT_EQ(r.events[0], (macros::MacroEvent{4, macros::ACTION_DOWN}));
  EXPECT_EQ(r.events[1], (macros::MacroEvent{4, macros::ACTION_UP}));
  EXPECT_EQ(r.events[2], (macros::MacroEvent{5, macros::ACTION_DOWN}));
  EXPECT_EQ(r.events[3], (macros::MacroEvent{5, macros::ACTION_UP}));
  EXPECT_EQ(r.mode, macros::MODE_ONCE);
  EXPECT_EQ(macros::MacroName(r), "counted");
}

}  // namespace
}  // namespace orv::test
