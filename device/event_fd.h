#pragma once
// Waking a thread that waits in poll(): an eventfd counter that any thread
// signals, and a source of arrivals and removals posted from any thread and
// taken by the window's event loop, which watches its descriptor.
#include <mutex>
#include <vector>

#include "device/hid_transport.h"

namespace orv::device {

class EventFd {
 public:
  // Non-blocking and closed on exec. fd() is -1 when the kernel refused one
  // (said in the log); Signal and Drain then do nothing.
  EventFd();
  ~EventFd();
  EventFd(const EventFd&) = delete;
  EventFd& operator=(const EventFd&) = delete;

  int fd() const { return fd_; }
  // Makes the descriptor readable until the next Drain.
  void Signal();
  // Takes what was signalled: the descriptor is not readable until the next Signal.
  void Drain();
  // Blocks until the descriptor is readable (returns at once without one).
  void WaitForSignal() const;

 private:
  int fd_;
};

class PostedDeviceEvents final : public DeviceEventSource {
 public:
  int fd() const override { return wake_.fd(); }
  std::vector<DeviceEvent> DrainEvents() override;
  // Queues the event and wakes whoever watches fd().
  void Post(DeviceEvent event);

 private:
  EventFd wake_;
  std::mutex mutex_;
  std::vector<DeviceEvent> pending_;
};

}  // namespace orv::device
