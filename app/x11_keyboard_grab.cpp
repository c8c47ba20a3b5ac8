#include "app/x11_keyboard_grab.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace orv::app {
namespace {

xcb_connection_t* Connection() {
  auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 != nullptr ? x11->connection() : nullptr;
}

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

}  // namespace

X11KeyboardGrab::X11KeyboardGrab(std::function<void(uint32_t, bool)> onKey) : onKey_(std::move(onKey)) {}

X11KeyboardGrab::~X11KeyboardGrab() { Release(); }

bool X11KeyboardGrab::Grab(uintptr_t window, std::string& problem) {
  problem.clear();
  if (active_) return true;
  xcb_connection_t* c = Connection();
  if (c == nullptr || window == 0) return false;
  const Reply<xcb_query_tree_reply_t> tree(
      xcb_query_tree_reply(c, xcb_query_tree(c, static_cast<xcb_window_t>(window)), nullptr));
  if (!tree) {
    problem = "the window's screen is unknown to the X server";
    return false;
  }
  const Reply<xcb_grab_keyboard_reply_t> grab(xcb_grab_keyboard_reply(
      c, xcb_grab_keyboard(c, 0, tree->root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr));
  if (!grab || grab->status != XCB_GRAB_STATUS_SUCCESS) {
    problem = grab && grab->status == XCB_GRAB_STATUS_ALREADY_GRABBED
                  ? "another program holds the keyboard"
                  : "the X server refused the keyboard grab (status " +
                        std::to_string(grab ? int{grab->status} : -1) + ")";
    return false;
  }
  root_ = tree->root;
  down_.reset();
  active_ = true;
  return true;
}

void X11KeyboardGrab::Release() {
  if (!active_) return;
  active_ = false;
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
