#include "app/keyboard_navigation.h"

#include "skin/hit_indexes.h"

namespace orv::app {

TabTarget NextTabTarget(const std::vector<PageControl>& controls, int widgets, int atWidget, int atControl,
                        bool forward) {
  std::vector<TabTarget> stops;
  bool widgetsPlaced = false;
  const auto placeWidgets = [&] {
    for (int w = 0; w < widgets; ++w) stops.push_back({-1, w});
    widgetsPlaced = true;
  };
  for (int i = NextTabStop(controls, -1, true); i >= 0; i = NextTabStop(controls, i, true)) {
    if (!widgetsPlaced && controls[static_cast<size_t>(i)].key.family == HitFamily::Advanced) placeWidgets();
    stops.push_back({i, -1});
  }
  if (!widgetsPlaced) placeWidgets();
  if (stops.empty()) return {};
  const int n = static_cast<int>(stops.size());
  const bool onControl = atControl >= 0 && atControl < static_cast<int>(controls.size());
  int at = -1;
  for (int k = 0; k < n && at < 0; ++k) {
    const TabTarget& stop = stops[static_cast<size_t>(k)];
    if (stop.widget >= 0) {
      if (stop.widget == atWidget) at = k;
    } else if (onControl &&
               controls[static_cast<size_t>(stop.control)].group == controls[static_cast<size_t>(atControl)].group) {
      at = k;
    }
  }
  const int next = at < 0 ? (forward ? 0 : n - 1) : (at + (forward ? 1 : n - 1)) % n;
  return stops[static_cast<size_t>(next)];
}

NavigationStep StepForKey(const std::vector<PageControl>& controls, int at, NavigationKey key) {
  if (at < 0 || at >= static_cast<int>(controls.size())) return {};
  const PageControl& c = controls[static_cast<size_t>(at)];
  const bool slider = c.role == ControlRole::Slider;
  if (key == NavigationKey::Press) {
    if (slider) return {};
    return {NavigationStep::Kind::Activate, c.key};
  }
  if (slider) {
    namespace A = skin::hits::advanced;
    const bool longer = key == NavigationKey::Right || key == NavigationKey::Up;
    return {NavigationStep::Kind::StepSlider, {HitFamily::Advanced, longer ? A::kFireUp : A::kFireDown}};
  }
  const int delta = (key == NavigationKey::Right || key == NavigationKey::Down) ? 1 : -1;
  const int to = MoveInGroup(controls, at, delta, key == NavigationKey::Up || key == NavigationKey::Down);
  if (to == at) return {};
  return {NavigationStep::Kind::Focus, controls[static_cast<size_t>(to)].key};
}

ControlKey FocusAfterChange(const std::vector<PageControl>& controls, const ControlKey& focus) {
  if (focus.index == kNone || FindControl(controls, focus) >= 0) return focus;
  const int first = NextTabStop(controls, -1, true);
  return first >= 0 ? controls[static_cast<size_t>(first)].key : ControlKey{};
}

}  // namespace orv::app
