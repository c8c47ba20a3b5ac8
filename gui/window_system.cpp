#include "gui/window_system.h"

#include <QGuiApplication>
#include <QString>
#include <cstdlib>
#include <string>
#include <string_view>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#define ORV_HAVE_XCB 1
#endif

namespace orv::app {
namespace {

// An X11 compositing manager owns the selection _NET_WM_CM_S<screen> while it runs.
bool X11CompositorRunning() {
#ifdef ORV_HAVE_XCB
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return false;
  xcb_connection_t* c = x11->connection();
  int screen = 0;
  if (const char* display = std::getenv("DISPLAY")) {
    const std::string_view d(display);
    if (const auto dot = d.rfind('.'); dot != std::string_view::npos && d.rfind(':') < dot) {
      screen = std::atoi(display + dot + 1);
    }
  }
  const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
  if (atom == nullptr) return false;
  const xcb_atom_t selection = atom->atom;
  std::free(atom);
  if (selection == XCB_ATOM_NONE) return false;
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
  if (owner == nullptr) return false;
  const bool running = owner->owner != XCB_NONE;
  std::free(owner);
  return running;
#else
  return false;
#endif
}

}  // namespace

bool PerPixelAlphaAvailable() {
  const QString platform = QGuiApplication::platformName();
  if (platform.startsWith(QStringLiteral("wayland"))) return true;
  if (platform == QStringLiteral("xcb")) return X11CompositorRunning();
  return false;
}

void FlushWindowSystem() {
#ifdef ORV_HAVE_XCB
  auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (x11 != nullptr && x11->connection() != nullptr) xcb_flush(x11->connection());
#endif
}

}  // namespace orv::app
