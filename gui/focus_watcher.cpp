#include "gui/focus_watcher.h"

#include <unistd.h>
#include <xcb/xcb.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cstdlib>

#include "platform/log.h"

namespace orv::app {

namespace {

template <typename T>
struct OwnedReply {
  explicit OwnedReply(T* p) : ptr(p) {}
  ~OwnedReply() { std::free(ptr); }
  OwnedReply(const OwnedReply&) = delete;
  OwnedReply& operator=(const OwnedReply&) = delete;
  T* operator->() const { return ptr; }
  explicit operator bool() const { return ptr != nullptr; }
  T* ptr;
};

xcb_atom_t Intern(xcb_connection_t* c, const char* name) {
  const OwnedReply<xcb_intern_atom_reply_t> r(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::char_traits<char>::length(name)), name),
                            nullptr));
  return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The 32-bit items of a property (at most `max`).
std::vector<uint32_t> Cardinals(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
                                uint32_t max) {
  const OwnedReply<xcb_get_property_reply_t> r(
      xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, max), nullptr));
  if (!r || r->format != 32 || r->type != type) return {};
  const auto* items = static_cast<const uint32_t*>(xcb_get_property_value(r.ptr));
  const int n = xcb_get_property_value_length(r.ptr) / 4;
  return {items, items + (n > 0 ? n : 0)};
}

}  // namespace

struct FocusWatcher::Atoms {
  xcb_atom_t activeWindow = XCB_ATOM_NONE;
  xcb_atom_t clientList = XCB_ATOM_NONE;
  xcb_atom_t pid = XCB_ATOM_NONE;
};

FocusWatcher::FocusWatcher(std::function<void(const FocusedWindow&)> onFocus) : onFocus_(std::move(onFocus)) {}

FocusWatcher::~FocusWatcher() {
  notifier_.reset();
  if (connection_ != nullptr) xcb_disconnect(connection_);
}

Outcome FocusWatcher::Start() {
  if (connection_ != nullptr) return {};
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return Failure::Of("no X display ($DISPLAY is not set)");
  int screenNumber = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
  if (c == nullptr || xcb_connection_has_error(c) != 0) {
    if (c != nullptr) xcb_disconnect(c);
    return Failure::Of(std::string("cannot connect to the X display ") + display);
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screenNumber && it.rem > 0; ++i) xcb_screen_next(&it);
  if (it.rem == 0) {
    xcb_disconnect(c);
    return Failure::Of("the X display has no screen");
  }
  connection_ = c;
  root_ = it.data->root;
  atoms_ = std::make_unique<Atoms>();
  atoms_->activeWindow = Intern(c, "_NET_ACTIVE_WINDOW");
  atoms_->clientList = Intern(c, "_NET_CLIENT_LIST");
  atoms_->pid = Intern(c, "_NET_WM_PID");
  const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(c, root_, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(c);
  notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { ReadEvents(); });
  ReportActiveWindow();
  return {};
}

void FocusWatcher::ReadEvents() {
  // The replies ReportActiveWindow waits for may bring further events along,
  // which xcb then keeps in its queue without the socket showing anything to
  // read: the queue is looked at again until a pass finds no change.
  for (;;) {
    bool activeChanged = false;
    while (xcb_generic_event_t* e = xcb_poll_for_event(connection_)) {
      if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
        const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(e);
        if (p->window == root_ && p->atom == atoms_->activeWindow) activeChanged = true;
      }
      std::free(e);
    }
    if (xcb_connection_has_error(connection_) != 0) {
      log::Warning(log::kApp, "the connection to the X display for the focused application broke; profiles are no "
                              "longer switched by application");
      notifier_.reset();
      xcb_disconnect(connection_);
      connection_ = nullptr;
      return;
    }
    if (!activeChanged) return;
    ReportActiveWindow();
  }
}

void FocusWatcher::ReportActiveWindow() {
  const std::vector<uint32_t> active = Cardinals(connection_, root_, atoms_->activeWindow, XCB_ATOM_WINDOW, 1);
  const uint32_t window = active.empty() ? 0 : active.front();
  // The property is rewritten with the same window on many desktops.
  if (window == lastActive_ || window == 0) {
    lastActive_ = window;
    return;
  }
  lastActive_ = window;
  onFocus_(Describe(window));
}

FocusedWindow FocusWatcher::Describe(uint32_t window) {
  FocusedWindow w;
  const OwnedReply<xcb_get_property_reply_t> r(xcb_get_property_reply(
      connection_, xcb_get_property(connection_, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256), nullptr));
  if (r && r->format == 8) {
    // Two zero-terminated strings: the instance, then the class.
    const char* text = static_cast<const char*>(xcb_get_property_value(r.ptr));
    const std::string both(text, static_cast<size_t>(std::max(0, xcb_get_property_value_length(r.ptr))));
    const size_t end = both.find('\0');
    w.wmInstance = both.substr(0, end);
    if (end != std::string::npos) w.wmClass = std::string(both.c_str() + end + 1);
  }
  const std::vector<uint32_t> pid = Cardinals(connection_, window, atoms_->pid, XCB_ATOM_CARDINAL, 1);
  w.ours = !pid.empty() && pid.front() == static_cast<uint32_t>(::getpid());
  return w;
}

std::vector<FocusedWindow> FocusWatcher::OpenWindows() {
  std::vector<FocusedWindow> windows;
  if (connection_ == nullptr) return windows;
  for (uint32_t window : Cardinals(connection_, root_, atoms_->clientList, XCB_ATOM_WINDOW, 4096)) {
    windows.push_back(Describe(window));
  }
  // Events that came with the replies are queued inside xcb: read them soon.
  QMetaObject::invokeMethod(this, [this] { if (connection_ != nullptr) ReadEvents(); }, Qt::QueuedConnection);
  return windows;
}

}  // namespace orv::app
