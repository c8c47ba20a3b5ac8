#include "gui/x11_keyboard_grab.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

// Last: the X library's headers define names (None, KeyPress, ...) that the
// window toolkit's headers use too.
#include <X11/XKBlib.h>

namespace orv::app {
namespace {

QNativeInterface::QX11Application* X11() {
  return qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
}

xcb_connection_t* Connection() {
  auto* x11 = X11();
  return x11 != nullptr ? x11->connection() : nullptr;
}

// Whether a held key repeats as presses alone (true) or as release and press
// pairs, the server's default; the recording asks for presses alone, which
// it drops.
bool DetectableAutoRepeat(bool on) {
  auto* x11 = X11();
  if (x11 == nullptr || x11->display() == nullptr) return false;
  Bool supported = False;
  const Bool was = XkbGetDetectableAutoRepeat(x11->display(), &supported);
  XkbSetDetectableAutoRepeat(x11->display(), on ? True : False, &supported);
  return was == True;
}

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

}  // namespace

X11KeyboardGrab::X11KeyboardGrab(std::function<void(uint32_t, bool)> onKey) : onKey_(std::move(onKey)) {}

X11KeyboardGrab::~X11KeyboardGrab() { Release(); }

bool X11KeyboardGrab::Possible(uintptr_t window) { return Connection() != nullptr && window != 0; }

Outcome X11KeyboardGrab::Grab(uintptr_t window) {
  if (active_) return {};
  if (!Possible(window)) return Failure::Of("the program does not run on X11");
  xcb_connection_t* c = Connection();
  const Reply<xcb_query_tree_reply_t> tree(
      xcb_query_tree_reply(c, xcb_query_tree(c, static_cast<xcb_window_t>(window)), nullptr));
  if (!tree) return Failure::Of("the window's screen is unknown to the X server");
  root_ = tree->root;
  const int status = GrabRoot();
  if (status != XCB_GRAB_STATUS_SUCCESS) {
    return Failure::Of(status == XCB_GRAB_STATUS_ALREADY_GRABBED
                           ? "another program holds the keyboard"
                           : "the X server refused the keyboard grab (status " + std::to_string(status) + ")");
  }
  down_.reset();
  detectableBefore_ = DetectableAutoRepeat(true);
  active_ = true;
  return {};
}

bool X11KeyboardGrab::Reassert() { return !active_ || GrabRoot() == XCB_GRAB_STATUS_SUCCESS; }

int X11KeyboardGrab::GrabRoot() {
  xcb_connection_t* c = Connection();
  if (c == nullptr) return -1;
  // The keys are reported to the root window, not to ours; neither the
  // keyboard nor the pointer is frozen.
  const Reply<xcb_grab_keyboard_reply_t> grab(xcb_grab_keyboard_reply(
      c, xcb_grab_keyboard(c, 0, root_, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr));
  return grab ? grab->status : -1;
}

void X11KeyboardGrab::Release() {
  if (!active_) return;
  active_ = false;
  DetectableAutoRepeat(detectableBefore_);
  if (xcb_connection_t* c = Connection()) {
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    xcb_flush(c);
  }
}

bool X11KeyboardGrab::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (!active_ || eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  const uint8_t type = event->response_type & 0x7F;
  if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return false;
  // Every key event while the grab lasts belongs to the recording.
  const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
  const bool press = type == XCB_KEY_PRESS;
  if (press && down_.test(key->detail)) return true;
  down_.set(key->detail, press);
  if (onKey_) onKey_(key->detail, press);
  return true;
}

}  // namespace orv::app
