#include "device/event_fd.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/log.h"

namespace orv::device {

EventFd::EventFd() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_ < 0) log::Warning(log::kDevice, std::string("cannot make an event descriptor: ") + std::strerror(errno));
}

EventFd::~EventFd() {
  if (fd_ >= 0) ::close(fd_);
}

void EventFd::Signal() {
  if (fd_ < 0) return;
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t written = ::write(fd_, &one, sizeof one);
}

void EventFd::Drain() {
  if (fd_ < 0) return;
  uint64_t count = 0;
  [[maybe_unused]] ssize_t got = ::read(fd_, &count, sizeof count);
}

void EventFd::WaitForSignal() const {
  if (fd_ < 0) return;
  pollfd wait = {fd_, POLLIN, 0};
  while (::poll(&wait, 1, -1) < 0 && errno == EINTR) {
  }
}

std::vector<DeviceEvent> PostedDeviceEvents::DrainEvents() {
  wake_.Drain();
  std::lock_guard lock(mutex_);
  std::vector<DeviceEvent> events;
  events.swap(pending_);
  return events;
}

void PostedDeviceEvents::Post(DeviceEvent event) {
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(std::move(event));
  }
  wake_.Signal();
}

}  // namespace orv::device
