#pragma once
// The keyboard of the whole X11 desktop for a macro recording: grabbed on the
// root window, which is always viewable, so the grab lasts whatever our own
// window does (hidden, minimised, covered) until it is released. While it
// lasts every key press and release of the desktop comes to this program and
// to no other; the window toolkit knows nothing of the root window, so the
// key events are read here from the native event stream.
#include <QAbstractNativeEventFilter>
#include <bitset>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/failure.h"

namespace orv::app {

class X11KeyboardGrab final : public QAbstractNativeEventFilter {
 public:
  // `onKey` gets the X key code of each press and release. While the grab
  // lasts a held key repeats as presses alone, which are not passed on.
  explicit X11KeyboardGrab(std::function<void(uint32_t keycode, bool press)> onKey);
  ~X11KeyboardGrab() override;
  X11KeyboardGrab(const X11KeyboardGrab&) = delete;
  X11KeyboardGrab& operator=(const X11KeyboardGrab&) = delete;

  // Whether the program runs on X11, so that Grab can take the keyboard of
  // `window`'s screen at all.
  static bool Possible(uintptr_t window);
  // Takes the keyboard on the root window of `window`'s screen. Returns why
  // not when it is not Possible or the server refused (another program holds
  // the keyboard), or nothing.
  [[nodiscard]] Outcome Grab(uintptr_t window);
  void Release();
  bool Active() const { return active_; }
  // Takes the keyboard back after one of the program's own popup menus,
  // which grab it while they are open and let it go when they close. False
  // when the server refused.
  bool Reassert();

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  std::function<void(uint32_t, bool)> onKey_;
  bool active_ = false;
  uint32_t root_ = 0;
  // The grab request on root_: the server's status, -1 without an answer.
  int GrabRoot();
  std::bitset<256> down_;
  bool detectableBefore_ = false;  // the client's auto-repeat setting before the grab
};

}  // namespace orv::app
