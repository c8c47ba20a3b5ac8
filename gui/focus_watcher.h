#pragma once
// Which application has the focus on an X11 desktop (and XWayland windows
// under a Wayland compositor): the window manager names the active window in
// _NET_ACTIVE_WINDOW on the root window; its WM_CLASS names the application.
// Watched on a connection of its own, woken by the X server's PropertyNotify
// events through the toolkit's event loop: nothing is polled.
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_switch.h"
#include "platform/failure.h"

class QSocketNotifier;
// At global scope, as the X library declares it: named first inside the
// class, it would be a type of this namespace of its own.
struct xcb_connection_t;

namespace orv::app {

class FocusWatcher final : public QObject {
 public:
  explicit FocusWatcher(std::function<void(const FocusedWindow&)> onFocus);
  ~FocusWatcher() override;
  FocusWatcher(const FocusWatcher&) = delete;
  FocusWatcher& operator=(const FocusWatcher&) = delete;

  // Connects to the X server of $DISPLAY and starts watching. Returns why not
  // (no display, a window manager without EWMH), or nothing.
  [[nodiscard]] Outcome Start();
  bool Watching() const { return connection_ != nullptr; }
  // The windows the window manager lists now (_NET_CLIENT_LIST).
  std::vector<FocusedWindow> OpenWindows();

 private:
  struct Atoms;
  void ReadEvents();
  void ReportActiveWindow();
  FocusedWindow Describe(uint32_t window);

  std::function<void(const FocusedWindow&)> onFocus_;
  xcb_connection_t* connection_ = nullptr;
  uint32_t root_ = 0;
  std::unique_ptr<Atoms> atoms_;
  std::unique_ptr<QSocketNotifier> notifier_;
  uint32_t lastActive_ = 0;
};

}  // namespace orv::app
