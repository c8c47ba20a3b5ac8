#include "app/instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace orv::app {
namespace {

// A request is one short line; a peer that sends more is not listened to further.
constexpr size_t kMaxRequestBytes = 64;
// Connections the kernel keeps waiting while this copy does not accept.
constexpr int kBacklog = 16;

std::string Reason(int err) { return std::strerror(err); }

// The socket address of `path`; false when the path does not fit.
bool AddressOf(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
  return true;
}

// Whether a descriptor numbered `fd` leaves fewer than `reserve` free below the limit.
bool TooCloseToTheLimit(int fd, int reserve) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return false;
  return static_cast<rlim_t>(fd) + static_cast<rlim_t>(reserve) >= limit.rlim_cur;
}

}  // namespace

// ---- InstanceLock ----

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

InstanceLock::Outcome InstanceLock::Acquire(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  // Only read access is needed for the lock, so a file the user may only
  // read serves too. A folder in its place can be locked as well.
  int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0 && errno == EISDIR) fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    problem_ = path + ": " + Reason(errno);
    return Outcome::Unusable;
  }
  int result;
  do {
    result = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK) return Outcome::HeldByAnother;
    problem_ = path + ": " + Reason(err);
    return Outcome::Unusable;
  }
  fd_ = fd;
  return Outcome::Ours;
}

// ---- The second start's request ----

bool SendShowRequest(const std::string& socketPath, int timeoutMs) {
  sockaddr_un address{};
  if (!AddressOf(socketPath, address)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  // A first copy that is stuck, or whose waiting room is full, must not
  // hold the second one up for long.
  const timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  bool sent = false;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    const size_t length = sizeof kShowRequest - 1;
    ssize_t n;
    do {
      n = ::send(fd, kShowRequest, length, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    sent = n == static_cast<ssize_t>(length);
  }
  ::close(fd);
  return sent;
}

// ---- InstanceServer ----

InstanceServer::InstanceServer(std::string socketPath, std::function<void()> onShowRequest)
    : InstanceServer(std::move(socketPath), std::move(onShowRequest), Limits{}) {}

InstanceServer::InstanceServer(std::string socketPath, std::function<void()> onShowRequest, Limits limits)
    : path_(std::move(socketPath)), onShowRequest_(std::move(onShowRequest)), limits_(limits) {}

InstanceServer::~InstanceServer() {
  for (const Client& client : clients_) ::close(client.fd);
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    ::unlink(path_.c_str());
  }
}

std::string InstanceServer::Listen() {
  if (listenFd_ >= 0) return {};
  sockaddr_un address{};
  if (!AddressOf(path_, address)) return path_ + ": the path is too long for a socket";
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return path_ + ": " + Reason(errno);
  // The lock is ours, so a socket file left behind belongs to a copy that crashed.
  ::unlink(address.sun_path);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::chmod(address.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd, kBacklog) != 0) {
    const int err = errno;
    ::close(fd);
    ::unlink(address.sun_path);
    return path_ + ": " + Reason(err);
  }
  listenFd_ = fd;
  return {};
}

bool InstanceServer::Accepting(Clock::time_point now) const {
  return listenFd_ >= 0 && clients_.size() < limits_.maxClients && !(pausedUntil_ && now < *pausedUntil_);
}

std::vector<int> InstanceServer::ClientFds() const {
  std::vector<int> fds;
  fds.reserve(clients_.size());
  for (const Client& client : clients_) fds.push_back(client.fd);
  return fds;
}

std::optional<InstanceServer::Clock::time_point> InstanceServer::NextDeadline() const {
  std::optional<Clock::time_point> next = pausedUntil_;
  for (const Client& client : clients_) {
    const Clock::time_point due = client.since + limits_.idle;
    if (!next || due < *next) next = due;
  }
  return next;
}

void InstanceServer::OnListenReadable(Clock::time_point now) {
  bool changed = false;
  while (Accepting(now)) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        // Out of descriptors: wait rather than spin on a socket that stays readable.
        pausedUntil_ = now + limits_.pause;
        changed = true;
      }
      break;  // EAGAIN: nothing more is waiting
    }
    if (TooCloseToTheLimit(fd, limits_.reserve)) {
      ::close(fd);
      pausedUntil_ = now + limits_.pause;
      changed = true;
      break;
    }
    clients_.push_back(Client{fd, now, {}});
    changed = true;
    // The request may be there already.
    OnClientReadable(fd, now);
  }
  if (changed) Changed();
}

void InstanceServer::OnClientReadable(int fd, Clock::time_point) {
  const auto it = std::find_if(clients_.begin(), clients_.end(), [fd](const Client& c) { return c.fd == fd; });
  if (it == clients_.end()) return;
  Client& client = *it;
  bool done = false;
  for (;;) {
    char buffer[kMaxRequestBytes];
    const ssize_t n = ::recv(client.fd, buffer, sizeof buffer, 0);
    if (n > 0) {
      client.received.append(buffer, static_cast<size_t>(n));
      if (client.received.size() > kMaxRequestBytes) {
        done = true;
        break;
      }
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    done = true;  // the peer closed (or the connection failed)
    break;
  }
  // One request per connection: the first one is answered and the connection closed.
  const bool asked =
      client.received.size() <= kMaxRequestBytes && client.received.find("show") != std::string::npos;
  if (!asked && !done) return;
  Drop(static_cast<size_t>(it - clients_.begin()));
  Changed();
  if (asked && onShowRequest_) onShowRequest_();
}

void InstanceServer::OnTimer(Clock::time_point now) {
  bool changed = false;
  if (pausedUntil_ && now >= *pausedUntil_) {
    pausedUntil_.reset();
    changed = true;
  }
  for (size_t i = clients_.size(); i-- > 0;) {
    if (now - clients_[i].since >= limits_.idle) {
      Drop(i);
      changed = true;
    }
  }
  if (changed) Changed();
}

void InstanceServer::Drop(size_t index) {
  ::close(clients_[index].fd);
  clients_.erase(clients_.begin() + static_cast<std::ptrdiff_t>(index));
}

void InstanceServer::Changed() {
  if (onWatchChanged) onWatchChanged();
}

}  // namespace orv::app
