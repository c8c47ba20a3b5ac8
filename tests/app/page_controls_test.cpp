// The painted controls as the keyboard and screen readers reach them: each
// activation does what a click on the control's rectangle does, and the
// arrows and Tab move where a user expects.
#include <gtest/gtest.h>

#include <functional>

#include "app/app_fixture.h"
#include "app/page_controls.h"
#include "skin/hit_indexes.h"

namespace orv::test {
namespace {

using app::ControlKey;
using app::ControlRole;
using app::HitFamily;
namespace M = skin::hits::main;
namespace C = skin::hits::color;
namespace A = skin::hits::advanced;

class PageControlsTest : public AppFixture {
 protected:
  app::PageControl Find(const ControlKey& key) {
    const auto controls = app::PageControls(s);
    const int at = app::FindControl(controls, key);
    EXPECT_GE(at, 0) << int(key.family) << " " << key.index;
    return at >= 0 ? controls[static_cast<size_t>(at)] : app::PageControl{};
  }
};

// Activating a control changes what a click on its rectangle changes, on
// every page, and gives the pointer its hover back.
TEST_F(PageControlsTest, ActivationActsAsAClickOnTheRectangle) {
  s.layout.mainTexts[M::kApply] = "Apply";
  struct Case {
    uint8_t page;
    ControlKey key;
    ControlRole role;
    std::function<bool(const app::AppState&)> done;
  };
  const Case cases[] = {
      {app::kPageMain, {HitFamily::Main, M::kFirstStep + 12 * 1 + 3}, ControlRole::RadioButton,
       [](const app::AppState& st) { return st.settings.levels[1].step == 3; }},
      {app::kPageMain, {HitFamily::Main, M::kWheelAlternate}, ControlRole::RadioButton,
       [](const app::AppState& st) { return st.settings.WHEEL_STATUS == 1; }},
      {app::kPageMain, {HitFamily::Main, M::kAdvancedTab}, ControlRole::PageTab,
       [](const app::AppState& st) { return st.ui.page == app::kPageAdvanced; }},
      {app::kPageMain, {HitFamily::Main, M::kFirstProfile + 2}, ControlRole::RadioButton,
       [](const app::AppState& st) { return st.profile.curProfile == 3; }},
      {app::kPageColor, {HitFamily::Color, C::kFirstLightingMode + 2}, ControlRole::RadioButton,
       [](const app::AppState& st) { return st.settings.LED_TYPE == 2; }},
      {app::kPageColor, {HitFamily::Main, M::kMainTab}, ControlRole::PageTab,
       [](const app::AppState& st) { return st.ui.page == app::kPageMain; }},
      {app::kPageAdvanced, {HitFamily::Advanced, A::kFirstPolling + 3}, ControlRole::RadioButton,
       [](const app::AppState& st) { return st.settings.USB_SPEED == 3; }},
      {app::kPageAdvanced, {HitFamily::Advanced, A::kFireUp}, ControlRole::PushButton,
       [](const app::AppState& st) { return st.settings.FIRE_TIME == 51; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.key.family) * 1000 + c.key.index);
    s.settings.FIRE_TIME = 50;
    GoTo(c.page);
    app::OnPointerMove(s, ColorAt(31), port);  // the pointer rests on no control of the page
    const int32_t hover[3] = {s.ui.hoverMain, s.ui.hoverColor, s.ui.hoverAdvanced};
    const app::PageControl control = Find(c.key);
    EXPECT_EQ(control.role, c.role);
    app::ActivateControl(s, control, port);
    EXPECT_TRUE(c.done(s));
    EXPECT_EQ(s.ui.pressed, 0);
    EXPECT_EQ(s.ui.hoverMain, hover[0]);
    EXPECT_EQ(s.ui.hoverColor, hover[1]);
    EXPECT_EQ(s.ui.hoverAdvanced, hover[2]);
  }

  // Apply from the keyboard sends the whole profile, as the button's release does.
  GoTo(app::kPageMain);
  const size_t before = mouse.Features().size();
  app::ActivateControl(s, Find({HitFamily::Main, M::kApply}), port);
  EXPECT_EQ(mouse.Features().size() - before, 22u);

  // A control that is not tested in the current lighting mode does nothing.
  GoTo(app::kPageColor);
  s.settings.LED_TYPE = 3;
  s.settings.LED_CYC_TIME = 2;
  const app::PageControl untested = Find({HitFamily::Color, C::kFirstCycleTime + 1});
  EXPECT_TRUE(untested.disabled);
  app::ActivateControl(s, untested, port);
  EXPECT_EQ(s.settings.LED_CYC_TIME, 2);

  // The fire-time bar set to any value lands on it exactly.
  GoTo(app::kPageAdvanced);
  for (int value : {0, 1, 77, 299, 300}) {
    app::SetSliderValue(s, Find({HitFamily::Advanced, A::kFireBar}), value, port);
    EXPECT_EQ(s.settings.FIRE_TIME, value);
  }
}

// Tab lands on a group's chosen member; the arrows stay in the group, Up and
// Down moving the DPI cells by level.
TEST_F(PageControlsTest, TabStopsAndArrows) {
  GoTo(app::kPageMain);
  s.settings.levels[0].step = 5;
  const auto controls = app::PageControls(s);
  const int cell = app::FindControl(controls, {HitFamily::Main, M::kFirstStep + 5});
  const int colour = app::FindControl(controls, {HitFamily::Main, M::kFirstLevelColour + 5});
  ASSERT_GE(cell, 0);
  ASSERT_GE(colour, 0);
  EXPECT_EQ(app::NextTabStop(controls, colour, true), cell);
  EXPECT_EQ(controls[static_cast<size_t>(app::MoveInGroup(controls, cell, 1, true))].key.index, M::kFirstStep + 17);
  EXPECT_EQ(app::MoveInGroup(controls, cell, -1, true), cell);  // no level above the first
  const int last = app::FindControl(controls, {HitFamily::Main, M::kLastStep});
  EXPECT_EQ(app::MoveInGroup(controls, last, 1, false), last);  // the grid's end, not the next group
  EXPECT_EQ(app::NextTabStop(controls, static_cast<int>(controls.size()) - 1, true), -1);
  EXPECT_EQ(controls.front().key.index, M::kMainTab);
}

}  // namespace
}  // namespace orv::test
