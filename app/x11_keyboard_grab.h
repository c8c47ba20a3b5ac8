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

namespace orv::app {

class X11KeyboardGrab final : public QAbstractNativeEventFilter {
 public:
  // `onKey` gets the X key code of each press and release; a press of a key
  // already down (the server's auto-repeat) is not passed on.
  explicit X11KeyboardGrab(std::function<void(uint32_t keycode, bool press)> onKey);
  ~X11KeyboardGrab() override;
  X11KeyboardGrab(const X11KeyboardGrab&) = delete;
  X11KeyboardGrab& operator=(const X11KeyboardGrab&) = delete;

  // Takes the keyboard on the root window of `window`'s screen. False when
  // the program does not run on X11 (`problem` stays empty) or the server
  // refused (`problem` says why: another program holds the keyboard).
  bool Grab(uintptr_t window, std::string& problem);
  void Release();
  bool Active() const { return active_; }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  std::function<void(uint32_t, bool)> onKey_;
  bool active_ = false;
  uint32_t root_ = 0;
  std::bitset<256> down_;
};

}  // namespace orv::app
