// orv_test_desktop: the smallest desktop the end-to-end tests need on a bare
// X server. It is the window manager (maps windows, minimises a window that
// asks to be iconified, keeping WM_STATE as a real one does) and owns the
// notification-area selection, so the program finds a tray to hide into.
// Tray icons that dock are shown in a strip at the screen's bottom-right
// corner, 24 pixels apart, so a test can click them.
//   orv_test_desktop                  runs until killed
//   orv_test_desktop state <window>   prints the window's WM_STATE: Normal,
//                                     Iconic, Withdrawn or none
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <iterator>
#include <set>

#include "platform/whole_number.h"

namespace {

constexpr long kWithdrawnState = 0;
constexpr long kNormalState = 1;
constexpr long kIconicState = 3;
constexpr long kDockRequest = 0;  // SYSTEM_TRAY_REQUEST_DOCK

volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) { stopRequested = 1; }

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

void SetWmState(Display* d, Window w, long state, Atom wmState) {
  const long data[2] = {state, 0};
  XChangeProperty(d, w, wmState, wmState, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(data), 2);
}

int PrintState(Display* d, Window w) {
  const Atom wmState = XInternAtom(d, "WM_STATE", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const char* name = "none";
  if (XGetWindowProperty(d, w, wmState, 0, 2, False, wmState, &type, &format, &count, &after, &data) == Success &&
      data != nullptr && count > 0 && format == 32) {
    const long state = reinterpret_cast<long*>(data)[0];
    name = state == kNormalState ? "Normal" : state == kIconicState ? "Iconic" : state == kWithdrawnState ? "Withdrawn" : "other";
  }
  if (data != nullptr) XFree(data);
  std::printf("%s\n", name);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) {
    std::fprintf(stderr, "orv_test_desktop: cannot open the display\n");
    return 1;
  }
  if (argc == 3 && std::string(argv[1]) == "state") {
    XSetErrorHandler(IgnoreErrors);
    const auto id = orv::ParseWholeNumber(argv[2]);
    if (!id) {
      std::fprintf(stderr, "orv_test_desktop: not a window id: %s\n", argv[2]);
      XCloseDisplay(d);
      return 2;
    }
    const int result = PrintState(d, static_cast<Window>(*id));
    XCloseDisplay(d);
    return result;
  }
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGINT, OnSignal);
  XSetErrorHandler(IgnoreErrors);
  const int screen = DefaultScreen(d);
  const Window root = RootWindow(d, screen);
  const Atom wmState = XInternAtom(d, "WM_STATE", False);
  const Atom wmChangeState = XInternAtom(d, "WM_CHANGE_STATE", False);
  char trayName[32];
  std::snprintf(trayName, sizeof trayName, "_NET_SYSTEM_TRAY_S%d", screen);
  const Atom traySelection = XInternAtom(d, trayName, False);
  const Atom trayOpcode = XInternAtom(d, "_NET_SYSTEM_TRAY_OPCODE", False);
  const Atom manager = XInternAtom(d, "MANAGER", False);

  XSelectInput(d, root, SubstructureRedirectMask | SubstructureNotifyMask);
  XSync(d, False);

  // The notification area: a hidden window owning the tray selection.
  const Window tray = XCreateSimpleWindow(d, root, -10, -10, 1, 1, 0, 0, 0);
  XSetSelectionOwner(d, traySelection, tray, CurrentTime);
  XClientMessageEvent announce{};
  announce.type = ClientMessage;
  announce.window = root;
  announce.message_type = manager;
  announce.format = 32;
  announce.data.l[0] = CurrentTime;
  announce.data.l[1] = static_cast<long>(traySelection);
  announce.data.l[2] = static_cast<long>(tray);
  XSendEvent(d, root, False, StructureNotifyMask, reinterpret_cast<XEvent*>(&announce));
  XFlush(d);
  std::printf("ready\n");
  std::fflush(stdout);

  std::set<Window> trayIcons;
  const int screenWidth = DisplayWidth(d, screen);
  const int screenHeight = DisplayHeight(d, screen);
  constexpr int kIconSize = 22;
  auto showIcon = [&](Window icon) {
    const int slot = static_cast<int>(std::distance(trayIcons.begin(), trayIcons.find(icon)));
    XMoveResizeWindow(d, icon, screenWidth - 24 * (slot + 1), screenHeight - 24, kIconSize, kIconSize);
    XMapRaised(d, icon);
  };
  const int fd = ConnectionNumber(d);
  while (!stopRequested) {
    if (XPending(d) == 0) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(fd, &set);
      timeval tick{0, 100000};
      select(fd + 1, &set, nullptr, nullptr, &tick);
      continue;
    }
    XEvent e;
    XNextEvent(d, &e);
    switch (e.type) {
      case MapRequest:
        if (trayIcons.count(e.xmaprequest.window) == 0) {
          XMapWindow(d, e.xmaprequest.window);
          SetWmState(d, e.xmaprequest.window, kNormalState, wmState);
        } else {
          showIcon(e.xmaprequest.window);
        }
        break;
      case ConfigureRequest: {
        XWindowChanges changes{};
        changes.x = e.xconfigurerequest.x;
        changes.y = e.xconfigurerequest.y;
        changes.width = e.xconfigurerequest.width;
        changes.height = e.xconfigurerequest.height;
        changes.border_width = e.xconfigurerequest.border_width;
        changes.sibling = e.xconfigurerequest.above;
        changes.stack_mode = e.xconfigurerequest.detail;
        XConfigureWindow(d, e.xconfigurerequest.window, static_cast<unsigned>(e.xconfigurerequest.value_mask),
                         &changes);
        break;
      }
      case UnmapNotify:
        // A client that unmaps its own window withdraws it.
        if (e.xunmap.send_event) SetWmState(d, e.xunmap.window, kWithdrawnState, wmState);
        break;
      case ClientMessage:
        if (e.xclient.message_type == wmChangeState && e.xclient.data.l[0] == kIconicState) {
          XUnmapWindow(d, e.xclient.window);
          SetWmState(d, e.xclient.window, kIconicState, wmState);
        } else if (e.xclient.message_type == trayOpcode && e.xclient.data.l[1] == kDockRequest) {
          trayIcons.insert(static_cast<Window>(e.xclient.data.l[2]));
          showIcon(static_cast<Window>(e.xclient.data.l[2]));
        }
        break;
      default:
        break;
    }
    XFlush(d);
  }
  XCloseDisplay(d);
  return 0;
}
