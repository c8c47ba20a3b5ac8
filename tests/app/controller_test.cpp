#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/app_fixture.h"
#include "app/controller.h"
#include "macros/macro_files.h"
#include "platform/private_profile.h"

namespace orv::test {
namespace {

using app::kNone;
using app::kPageAdvanced;
using app::kPageColor;
using app::kPageMain;
using settings::MouseSettings;

class ControllerTest : public AppFixture {};

// ---- Pointer moves and hover bookkeeping ----

TEST_F(ControllerTest, MoveHitTestsEachFamilyWithThePagesLimits) {
  struct Case {
    uint8_t page;
    uint8_t ledType;
    app::Point point;
    int main, color, advanced;
  } cases[] = {
      {kPageMain, 0, MainAt(140), 140, kNone, kNone},      // every Main rectangle on the Main page
      {kPageColor, 0, MainAt(140), kNone, kNone, kNone},   // only the shared bar elsewhere
      {kPageColor, 0, MainAt(19), 19, kNone, kNone},
      {kPageAdvanced, 0, MainAt(20), kNone, kNone, kNone},
      {kPageColor, 1, ColorAt(17), kNone, 17, kNone},      // modes 0 and 1: 0 ... 17
      {kPageColor, 2, ColorAt(12), kNone, kNone, kNone},   // modes 2 and 3: 0 ... 11 only
      {kPageColor, 3, ColorAt(11), kNone, 11, kNone},
      {kPageMain, 0, AdvancedAt(37), kNone, kNone, 37},    // every family on every page
      {kPageMain, 0, AdvancedAt(38), kNone, kNone, kNone},
      {kPageMain, 0, ColorAt(3), kNone, 3, kNone},
  };
  for (const Case& c : cases) {
    s.ui.page = c.page;
    s.settings.LED_TYPE = c.ledType;
    app::OnPointerMove(s, c.point, port);
    EXPECT_EQ(s.ui.hoverMain, c.main) << int(c.page) << " " << c.point.x << "," << c.point.y;
    EXPECT_EQ(s.ui.hoverColor, c.color) << int(c.page) << " " << c.point.x << "," << c.point.y;
    EXPECT_EQ(s.ui.hoverAdvanced, c.advanced) << int(c.page) << " " << c.point.x << "," << c.point.y;
  }
}

TEST_F(ControllerTest, MoveRepaintsOncePerChangedHoverAndOnlyOutsideControlsOnTheAdvancedPage) {
  // Before the first move hoverMain is 0 and its painted copy 255.
  EXPECT_EQ(s.ui.hoverMain, 0);
  app::OnPointerMove(s, MainAt(3), port);
  EXPECT_EQ(port.calls, std::vector<std::string>{"Invalidate Whole"});
  port.Clear();
  app::OnPointerMove(s, MainAt(3), port);  // same element: nothing to repaint
  EXPECT_TRUE(port.calls.empty());
  app::OnPointerMove(s, Nowhere(), port);
  EXPECT_EQ(port.calls, std::vector<std::string>{"Invalidate Whole"});

  s.ui.page = kPageAdvanced;
  port.Clear();
  app::OnPointerMove(s, AdvancedAt(8), port);
  EXPECT_EQ(port.calls, std::vector<std::string>{"Invalidate OutsideControls"});
  port.Clear();
  // A point on a shared button and an Advanced rectangle at once (overlap):
  s.layout.advancedHits[9] = s.layout.mainHits[3];
  app::OnPointerMove(s, MainAt(3), port);
  EXPECT_EQ(port.calls, (std::vector<std::string>{"Invalidate OutsideControls", "Invalidate OutsideControls"}));
  EXPECT_EQ(s.ui.paintedMain, 3);
  EXPECT_EQ(s.ui.paintedAdvanced, 9);
}

// ---- Presses ----

TEST_F(ControllerTest, PressSetsPressedOnlyOverARectangle) {
  MoveAndPress(Nowhere());
  EXPECT_EQ(s.ui.pressed, 0);
  EXPECT_EQ(port.Actions(), std::vector<std::string>{"StartSystemMove"});
  app::OnRelease(s, Nowhere(), port);
  MoveAndPress(MainAt(1));  // the title: no action, but the pressed look
  EXPECT_EQ(s.ui.pressed, 1);
  app::OnRelease(s, MainAt(1), port);
  EXPECT_EQ(s.ui.pressed, 0);
}

struct SettingPress {
  const char* name;
  std::function<app::Point()> where;
  std::function<int32_t(const MouseSettings&)> read;
  int32_t expected;
};

TEST_F(ControllerTest, MainPagePressesEditTheLiveSettings) {
  const SettingPress cases[] = {
      {"wheel status 1", [] { return MainAt(33); }, [](const MouseSettings& m) { return m.WHEEL_STATUS; }, 1},
      {"wheel status 0", [] { return MainAt(32); }, [](const MouseSettings& m) { return m.WHEEL_STATUS; }, 0},
      {"level 2 off", [] { return MainAt(49); }, [](const MouseSettings& m) { return int32_t(m.levels[2].enabled); }, 0},
      {"level 2 on", [] { return MainAt(49); }, [](const MouseSettings& m) { return int32_t(m.levels[2].enabled); }, 1},
      {"active level 4", [] { return MainAt(64); }, [](const MouseSettings& m) { return int32_t(m.DPI_LEVEL); }, 4},
      {"level 0 step 11", [] { return MainAt(77); }, [](const MouseSettings& m) { return int32_t(m.levels[0].step); }, 11},
      {"level 5 step 0", [] { return MainAt(126); }, [](const MouseSettings& m) { return int32_t(m.levels[5].step); }, 0},
      {"level 5 selected cell", [] { return MainAt(137); },
       [](const MouseSettings& m) { return m.levels[5].selectedStepHit; }, 137},
  };
  for (const SettingPress& c : cases) {
    Click(c.where());
    EXPECT_EQ(c.read(s.settings), c.expected) << c.name;
    EXPECT_EQ(s.ui.page, kPageMain) << c.name;
  }
  EXPECT_FALSE(port.Has("StartSystemMove"));
}

TEST_F(ControllerTest, DisabledLevelCannotBecomeActive) {
  Click(MainAt(50));  // level 3 off
  Click(MainAt(63));  // select level 3
  EXPECT_EQ(int32_t(s.settings.DPI_LEVEL), 1);
}

TEST_F(ControllerTest, ColourSwatchOpensTheColourDialogAndRepaintsEvenOnCancel) {
  port.colourAnswer = std::nullopt;
  const uint32_t before = s.settings.levels[2].displayColour;
  MoveAndPress(MainAt(43));
  EXPECT_EQ(port.Actions(), std::vector<std::string>{"ChooseColour"});
  EXPECT_EQ(port.calls.back(), "Invalidate Whole");
  EXPECT_EQ(s.settings.levels[2].displayColour, before);

  port.colourAnswer = 0x0000FF;  // pure red, red in the low byte
  MoveAndPress(MainAt(43));
  EXPECT_EQ(s.settings.levels[2].r, 0);
  EXPECT_EQ(s.settings.levels[2].g, 15);
  EXPECT_EQ(s.settings.levels[2].b, 15);
}

TEST_F(ControllerTest, PagePressesTable) {
  struct Case {
    uint8_t from;
    app::Point where;
    uint8_t to;
    std::vector<std::string> actions;
  } cases[] = {
      {kPageMain, MainAt(10), kPageAdvanced, {"CreateMacroControls", "RefillMacroLists"}},
      {kPageMain, MainAt(11), kPageColor, {"StartColourAnimation"}},
      {kPageMain, MainAt(9), kPageMain, {}},  // the tab of the page shown does nothing
      {kPageColor, MainAt(9), kPageMain, {}},
      {kPageColor, MainAt(10), kPageAdvanced, {"CreateMacroControls", "RefillMacroLists"}},
      {kPageColor, MainAt(11), kPageColor, {}},
      {kPageAdvanced, MainAt(9), kPageMain, {"DestroyMacroControls"}},
      {kPageAdvanced, MainAt(11), kPageColor, {"DestroyMacroControls", "StartColourAnimation"}},
      {kPageAdvanced, MainAt(10), kPageAdvanced, {}},
  };
  for (const Case& c : cases) {
    GoTo(c.from);
    s.preview.running = false;
    MoveAndPress(c.where);
    EXPECT_EQ(s.ui.page, c.to) << int(c.from) << " -> " << c.where.x;
    EXPECT_EQ(port.Actions(), c.actions) << int(c.from) << " -> " << c.where.x;
    app::OnRelease(s, c.where, port);
    s.ui.page = kPageMain;
  }
}

TEST_F(ControllerTest, ColourPreviewWorkerStartsOnlyWhenNoneRuns) {
  s.preview.running = true;
  MoveAndPress(MainAt(11));
  EXPECT_EQ(s.ui.page, kPageColor);
  EXPECT_FALSE(port.Has("StartColourAnimation"));
  s.preview.running = false;
  GoTo(kPageMain);
  MoveAndPress(MainAt(11));
  EXPECT_TRUE(port.Has("StartColourAnimation"));
  EXPECT_TRUE(s.preview.running);
}

TEST_F(ControllerTest, ColorPagePressesTable) {
  GoTo(kPageColor);
  s.settings.LED_TYPE = 0;
  const SettingPress cases[] = {
      {"colour 3 off", [] { return ColorAt(3); }, [](const MouseSettings& m) { return int32_t(m.colourCycleFlags[3]); }, 0},
      {"colour 3 on", [] { return ColorAt(3); }, [](const MouseSettings& m) { return int32_t(m.colourCycleFlags[3]); }, 1},
      {"cycle time 5", [] { return ColorAt(11); }, [](const MouseSettings& m) { return int32_t(m.LED_CYC_TIME); }, 5},
      {"cycle time 0", [] { return ColorAt(16); }, [](const MouseSettings& m) { return int32_t(m.LED_CYC_TIME); }, 0},
      {"mode 1", [] { return ColorAt(8); }, [](const MouseSettings& m) { return int32_t(m.LED_TYPE); }, 1},
      {"mode 3", [] { return ColorAt(10); }, [](const MouseSettings& m) { return int32_t(m.LED_TYPE); }, 3},
      // Mode 3 has no cycle time: index 12 is not hit, the time stays.
      {"no cycle time in mode 3", [] { return ColorAt(12); }, [](const MouseSettings& m) { return int32_t(m.LED_CYC_TIME); }, 0},
      {"index 11 still reacts", [] { return ColorAt(11); }, [](const MouseSettings& m) { return int32_t(m.LED_CYC_TIME); }, 5},
  };
  for (const SettingPress& c : cases) {
    Click(c.where());
    EXPECT_EQ(c.read(s.settings), c.expected) << c.name;
  }
  EXPECT_EQ(s.ui.page, kPageColor);
}

TEST_F(ControllerTest, AdvancedPagePressesTable) {
  GoTo(kPageAdvanced);
  const SettingPress cases[] = {
      {"pointer step 0", [] { return AdvancedAt(8); }, [](const MouseSettings& m) { return int32_t(m.DPI_SPEED); }, 0},
      {"pointer step 9", [] { return AdvancedAt(17); }, [](const MouseSettings& m) { return int32_t(m.DPI_SPEED); }, 9},
      {"wheel step 0", [] { return AdvancedAt(18); }, [](const MouseSettings& m) { return int32_t(m.WHEEL_SPEED); }, 0},
      {"wheel step 9", [] { return AdvancedAt(27); }, [](const MouseSettings& m) { return int32_t(m.WHEEL_SPEED); }, 9},
      {"polling 0", [] { return AdvancedAt(34); }, [](const MouseSettings& m) { return int32_t(m.USB_SPEED); }, 0},
      {"polling 3", [] { return AdvancedAt(37); }, [](const MouseSettings& m) { return int32_t(m.USB_SPEED); }, 3},
      {"fire +1", [] { return AdvancedAt(31); }, [](const MouseSettings& m) { return m.FIRE_TIME; }, 51},
      {"fire -1", [] { return AdvancedAt(32); }, [](const MouseSettings& m) { return m.FIRE_TIME; }, 50},
  };
  for (const SettingPress& c : cases) {
    Click(c.where());
    EXPECT_EQ(c.read(s.settings), c.expected) << c.name;
  }
  EXPECT_EQ(s.ui.page, kPageAdvanced);
}

TEST_F(ControllerTest, FireTimeSliderTakesThePressPosition) {
  GoTo(kPageAdvanced);
  s.layout.advancedHits[30] = {100, 300, 150, 10};
  struct Case {
    int32_t x;
    int32_t fire;
  } cases[] = {{100, 0}, {101, 2}, {125, 50}, {175, 150}, {249, 298}};
  for (const Case& c : cases) {
    Click({c.x, 305});
    EXPECT_EQ(s.settings.FIRE_TIME, c.fire) << c.x;
  }
  s.settings.FIRE_TIME = 300;
  Click(AdvancedAt(31));
  EXPECT_EQ(s.settings.FIRE_TIME, 300);
  s.settings.FIRE_TIME = 0;
  Click(AdvancedAt(32));
  EXPECT_EQ(s.settings.FIRE_TIME, 0);
}

TEST_F(ControllerTest, AdvancedPageMacroOperationsReachTheirHooks) {
  GoTo(kPageAdvanced);
  struct Case {
    int index;
    const char* action;
  } cases[] = {{2, "AddMacro"}, {3, "DeleteMacro"}, {4, "ToggleRecording"}, {6, "ToggleMacroMode 1"},
               {7, "ToggleMacroMode 2"}};
  for (const Case& c : cases) {
    port.Clear();
    MoveAndPress(AdvancedAt(c.index));
    EXPECT_EQ(port.Actions(), std::vector<std::string>{c.action}) << c.index;
    app::OnRelease(s, AdvancedAt(c.index), port);
  }
}

TEST_F(ControllerTest, WindowMoveStartsOnlyWhereNoFamilyOfThePageHits) {
  // Main page: only the Main family counts; a Color rectangle gives the
  // pressed look and still moves the window.
  MoveAndPress(ColorAt(3));
  EXPECT_TRUE(port.Has("StartSystemMove"));
  EXPECT_EQ(s.ui.pressed, 1);
  app::OnRelease(s, ColorAt(3), port);

  GoTo(kPageColor);
  MoveAndPress(AdvancedAt(3));  // no Color and no shared rectangle: move
  EXPECT_TRUE(port.Has("StartSystemMove"));
  app::OnRelease(s, AdvancedAt(3), port);
  port.Clear();
  MoveAndPress(MainAt(3));  // on the shared bar: no move
  EXPECT_FALSE(port.Has("StartSystemMove"));
  app::OnRelease(s, Nowhere(), port);

  GoTo(kPageAdvanced);
  MoveAndPress(ColorAt(3));
  EXPECT_TRUE(port.Has("StartSystemMove"));
  port.Clear();
  MoveAndPress(AdvancedAt(29));  // an Advanced rectangle without action: no move
  EXPECT_FALSE(port.Has("StartSystemMove"));
}

// ---- Choices in the function menus ----

TEST_F(ControllerTest, FirstLevelRowsChooseDirectlyOrKeepTheMenuOpen) {
  struct Case {
    int button;  // 0 ... 6
    int row;
    bool closes;
    int32_t code;  // the button's function afterwards
  } cases[] = {
      {3, 1, true, 1}, {3, 6, true, 6},
      {3, 7, false, 4}, {3, 10, false, 4},   // group rows open the second level only
      {3, 11, false, 4}, {3, 12, false, 4},  // below the ten rows: nothing
      {3, app::kNone, false, 4},
  };
  for (const Case& c : cases) {
    s.settings.K[3] = 4;
    s.ui.menuButton = 20 + c.button;
    s.ui.buttonMenuOpen = true;
    EXPECT_EQ(app::ChooseMenuRow(s, c.row, port), c.closes) << c.row;
    EXPECT_EQ(s.settings.K[static_cast<size_t>(c.button)], c.code) << c.row;
    EXPECT_EQ(s.ui.buttonMenuOpen, !c.closes) << c.row;
  }
}

TEST_F(ControllerTest, ChoicesKeepSomeButtonOnTheLeftClick) {
  struct Case {
    int button;
    bool secondLevel;
    int menuRow, subRow;
    std::array<int32_t, 7> before, after;
  } cases[] = {
      // Button 0 alone has the left click: choosing row 2 gives it to button 1.
      {0, false, 2, 0, {1, 2, 3, 5, 4, 15, 16}, {2, 1, 3, 5, 4, 15, 16}},
      // Button 6 alone: its new function is replaced by the left click again.
      {6, false, 3, 0, {2, 2, 3, 5, 4, 15, 1}, {2, 2, 3, 5, 4, 15, 1}},
      {6, true, 8, 4, {2, 2, 3, 5, 4, 15, 1}, {2, 2, 3, 5, 4, 15, 1}},
      // Button 2 alone, second level: button 3 takes the left click.
      {2, true, 10, 2, {2, 2, 1, 5, 4, 15, 16}, {2, 2, 32, 1, 4, 15, 16}},
      // Another button keeps it: nothing else changes.
      {0, true, 7, 6, {1, 1, 3, 5, 4, 15, 16}, {16, 1, 3, 5, 4, 15, 16}},
  };
  for (const Case& c : cases) {
    for (size_t b = 0; b < 7; ++b) s.settings.K[b] = c.before[b];
    s.ui.menuButton = 20 + c.button;
    const bool closed = c.secondLevel ? app::ChooseSubMenuRow(s, c.menuRow, c.subRow, port)
                                      : app::ChooseMenuRow(s, c.menuRow, port);
    EXPECT_TRUE(closed);
    for (size_t b = 0; b < 7; ++b) EXPECT_EQ(s.settings.K[b], c.after[b]) << "button " << c.button << " slot " << b;
  }
}

TEST_F(ControllerTest, SecondLevelChoiceGivesTheGroupsCodeAndClosesAtTheNextPaint) {
  struct Case {
    int menuRow, subRow;
    int32_t code;
  } cases[] = {{7, 1, 11}, {7, 6, 16}, {8, 4, 24}, {8, 10, 30}, {10, 8, 38}, {9, 1, 41}, {9, 4, 44}};
  for (const Case& c : cases) {
    s.settings.K[0] = 1;
    s.ui.menuButton = 24;
    s.ui.buttonMenuOpen = true;
    ASSERT_TRUE(app::ChooseSubMenuRow(s, c.menuRow, c.subRow, port));
    EXPECT_EQ(s.settings.K[4], c.code) << c.menuRow << "/" << c.subRow;
    EXPECT_FALSE(s.ui.buttonMenuOpen);
    EXPECT_TRUE(app::ConsumeCloseMenuOnPaint(s));
    EXPECT_FALSE(app::ConsumeCloseMenuOnPaint(s));  // once only
  }
  // A release over no row (the last pixel line, or outside) changes nothing.
  s.settings.K[4] = 4;
  EXPECT_FALSE(app::ChooseSubMenuRow(s, 9, app::kNone, port));
  EXPECT_EQ(s.settings.K[4], 4);
  EXPECT_FALSE(app::ConsumeCloseMenuOnPaint(s));
  // A first-level row that opens no group repeats the latest code.
  EXPECT_TRUE(app::ChooseSubMenuRow(s, 3, 2, port));
  EXPECT_EQ(s.settings.K[4], 44);
}

// ---- Button-function popup ----

TEST_F(ControllerTest, ButtonPopupOpensBelowItsButtonWithAWarningOnlyForTheLastLeftClick) {
  s.layout.mainHits[22] = {300, 40, 170, 26};
  // Button 0 has the left click; button 2's popup needs no warning.
  MoveAndPress({305, 45});
  EXPECT_EQ(port.Actions(), std::vector<std::string>{"OpenButtonMenu 2 at 400,116"});
  EXPECT_EQ(s.ui.menuButton, 22);
  EXPECT_EQ(s.ui.menuAnchor, (app::Point{400, 116}));
  EXPECT_TRUE(s.ui.buttonMenuOpen);
  app::OnRelease(s, {305, 45}, port);

  // The next press on the Main page closes it first.
  port.Clear();
  MoveAndPress(MainAt(20));
  EXPECT_EQ(port.Actions(), (std::vector<std::string>{"CloseButtonMenu", "ShowLeftClickWarning", "OpenButtonMenu 0 at 300,60"}));
  app::OnRelease(s, MainAt(20), port);

  // Button 0 holds the only left click: cancelling the warning opens nothing.
  port.Clear();
  port.warningAnswer = app::kWarningCancel;
  MoveAndPress(MainAt(20));
  EXPECT_EQ(port.Actions(), (std::vector<std::string>{"CloseButtonMenu", "ShowLeftClickWarning"}));
  EXPECT_FALSE(s.ui.buttonMenuOpen);
}

// ---- Releases on the shared bar ----

TEST_F(ControllerTest, ReleaseActsOnlyWhereThePointerStillIs) {
  app::OnPointerMove(s, MainAt(3), port);
  app::OnPress(s, MainAt(3), port);
  app::OnPointerMove(s, Nowhere(), port);  // left the Apply button
  app::OnRelease(s, Nowhere(), port);
  EXPECT_EQ(mouse.Features().size(), 0u);
  Click(MainAt(3));
  EXPECT_EQ(mouse.Features().size(), 22u);
  EXPECT_EQ(host->Lines(), (std::vector<std::string>{"mouse-speed 8", "wheel-lines 3"}));
}

TEST_F(ControllerTest, ProfileButtonsLoadTheirProfile) {
  Click(MainAt(5));
  EXPECT_EQ(s.profile.curProfile, 2);
  EXPECT_EQ(s.settings.FIRE_TIME, 80);
  EXPECT_EQ(s.settings.LED_TYPE, 2);
  EXPECT_FALSE(port.Has("RefillMacroLists"));
  GoTo(kPageAdvanced);
  Click(MainAt(8));
  EXPECT_EQ(s.profile.curProfile, 5);
  EXPECT_TRUE(port.Has("RefillMacroLists"));
  // Apply now sends the chosen profile and makes it the start-up profile.
  Click(MainAt(3));
  EXPECT_EQ(GetProfileString(s.configPath, "Init", "CurConfig", 5), "5");
}

TEST_F(ControllerTest, SaveWritesTheCurrentProfile) {
  Click(MainAt(33));  // wheel status 1
  Click(MainAt(0));
  EXPECT_EQ(GetProfileString(s.configPath, "Config1", "WHEEL_STATUS", 5), "1");
  EXPECT_TRUE(port.messages.empty());
}

TEST_F(ControllerTest, FailedSavesAreShownNamingTheFile) {
  // The configuration folder is a file: nothing below it can be written.
  std::filesystem::remove_all(dir.path() / "skins" / "config");
  WriteText(dir.path() / "skins" / "config", "not a folder");
  Click(MainAt(0));
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_NE(port.messages[0].find("The settings could not be saved"), std::string::npos);
  EXPECT_NE(port.messages[0].find("config.ini"), std::string::npos);
  port.Clear();
  Click(MainAt(3));  // Apply still sends, and says the save failed
  EXPECT_EQ(mouse.Features().size(), 22u);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_NE(port.messages[0].find("skins/config"), std::string::npos);
  port.Clear();
  Click(MainAt(16));  // Reset
  EXPECT_EQ(port.messages.size(), 1u);
}

TEST_F(ControllerTest, CloseWithoutApplyingRevertsToTheAppliedSnapshotKeepingTheLevel) {
  Click(MainAt(3));  // Apply: Config6 holds profile 1
  Click(MainAt(33));  // unapplied: wheel status 1
  s.settings.DPI_LEVEL = 4;  // the mouse changed its level meanwhile
  port.Clear();
  Click(MainAt(2));
  EXPECT_EQ(s.settings.WHEEL_STATUS, 0);
  EXPECT_EQ(int32_t(s.settings.DPI_LEVEL), 4);
  EXPECT_EQ(s.profile.curProfile, 1);
  EXPECT_EQ(s.ui.hoverMain, kNone);
  EXPECT_EQ(port.Actions(), (std::vector<std::string>{"Minimise", "Hide", "TrayAdd"}));
}

TEST_F(ControllerTest, MinimiseAndHideButtons) {
  Click(MainAt(12));
  EXPECT_EQ(port.Actions(), std::vector<std::string>{"Minimise"});
  EXPECT_EQ(s.ui.hoverMain, kNone);
  port.Clear();
  Click(MainAt(13));
  EXPECT_EQ(port.Actions(), (std::vector<std::string>{"Minimise", "Hide", "TrayAdd"}));
  // Without a notification area the window stays on the taskbar.
  port.Clear();
  port.trayAvailable = false;
  Click(MainAt(13));
  EXPECT_EQ(port.Actions(), std::vector<std::string>{"Minimise"});
}

TEST_F(ControllerTest, SettingsExportAndImportUseTheirDialogs) {
  port.fileAnswer = dir.path() / "exchange.ini";
  Click(MainAt(15));
  ASSERT_EQ(port.fileDialogs.size(), 1u);
  app::FileDialogOptions save = port.fileDialogs[0];
  EXPECT_EQ(save, app::SettingsFileDialog(s, true));
  EXPECT_TRUE(save.save && save.confirmOverwrite);
  EXPECT_EQ(save.defaultExtension, "ini");
  EXPECT_EQ(save.filterName, "All Files(*.ini)");
  EXPECT_EQ(save.initialFolder, dir.path());
  EXPECT_EQ(GetProfileString(dir.path() / "exchange.ini", "Config7", "FIRE_TIME", 5), "50");

  ASSERT_EQ(WriteProfileString(dir.path() / "exchange.ini", "Config7", "FIRE_TIME", "123"), Outcome());
  GoTo(kPageAdvanced);
  Click(MainAt(14));
  EXPECT_EQ(port.fileDialogs.back(), app::SettingsFileDialog(s, false));
  EXPECT_EQ(port.fileDialogs.back().defaultExtension, "");
  EXPECT_EQ(s.settings.FIRE_TIME, 123);
  EXPECT_EQ(s.profile.curProfile, 1);
  EXPECT_TRUE(port.Has("RefillMacroLists"));

  // A cancelled import changes nothing but still refreshes the lists.
  port.Clear();
  port.fileAnswer = std::nullopt;
  Click(MainAt(14));
  EXPECT_EQ(s.settings.FIRE_TIME, 123);
  EXPECT_EQ(port.Actions(), (std::vector<std::string>{"ChooseFile open *.ini", "RefillMacroLists"}));
}

TEST_F(ControllerTest, MacroExportImportAndSaveOnTheAdvancedPage) {
  GoTo(kPageAdvanced);
  {
    std::lock_guard lock(s.macros.mutex);
    s.macros.userMacroCount = 1;
    macros::SetMacroName(s.macros.userMacros[0], "jump");
    s.macros.userMacros[0].mode = macros::MODE_COUNTED;
    s.macros.selectedMacro = 0;
  }
  port.fileAnswer = dir.path() / "mine.dat";
  Click(AdvancedAt(1));
  EXPECT_EQ(port.fileDialogs.back(), app::MacroFileDialog(s, true));
  EXPECT_EQ(port.fileDialogs.back().defaultExtension, "dat");
  EXPECT_EQ(GetProfileString(dir.path() / "mine.dat", "Macros", "macroNum", 5), "1");

  {
    std::lock_guard lock(s.macros.mutex);
    s.macros.userMacroCount = 0;
  }
  port.Clear();
  Click(AdvancedAt(0));
  EXPECT_EQ(s.macros.userMacroCount, 1);
  EXPECT_EQ(port.Actions(), (std::vector<std::string>{"ChooseFile open *.dat", "RefillMacroLists"}));

  // Save takes the repeat count (kept within 1 ... 65535) and writes both files.
  port.countText = "70000";
  Click(AdvancedAt(5));
  EXPECT_TRUE(port.Has("SetCountEditText 65535"));
  EXPECT_EQ(s.macros.userMacros[0].repeatCount, 65535);
  EXPECT_EQ(GetProfileString(s.macroFilePath, "Macros", "macroNum", 5), "1");
  EXPECT_EQ(GetProfileString(s.configPath, "Config1", "macroNum", 5), "1");
}

TEST_F(ControllerTest, RepeatCountOutsideItsRangeIsRewritten) {
  struct Case {
    const char* text;
    uint16_t stored;
    bool rewritten;
  } cases[] = {{"12", 12, false}, {"0", 1, true}, {"-5", 1, true}, {"abc", 1, true}, {"65535", 65535, false},
               {"99999", 65535, true}};
  // Only a listed macro in counted mode takes the count.
  s.macros.userMacroCount = 1;
  s.macros.userMacros[0].mode = macros::MODE_COUNTED;
  for (const Case& c : cases) {
    port.Clear();
    port.countText = c.text;
    app::TakeRepeatCount(s, port);
    EXPECT_EQ(s.macros.userMacros[0].repeatCount, c.stored) << c.text;
    EXPECT_EQ(port.Has("SetCountEditText"), c.rewritten) << c.text;
  }
  // A selection beyond the table takes nothing.
  s.macros.selectedMacro = 40;
  port.countText = "7";
  app::TakeRepeatCount(s, port);
  EXPECT_EQ(s.macros.userMacros[0].repeatCount, 65535);
}

TEST_F(ControllerTest, ReleaseOfTheFunctionLabelsDoesNothing) {
  Click(MainAt(25));
  port.Clear();
  app::OnRelease(s, MainAt(25), port);
  EXPECT_EQ(port.calls, std::vector<std::string>{"Invalidate Whole"});
  EXPECT_EQ(mouse.Features().size(), 0u);
}

}  // namespace
}  // namespace orv::test
