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
    problem_ = Failure{{}, path, Reason(errno)};
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
    problem_ = Failure{{}, path, Reason(err)};
    return Outcome::Unusable;
  }
  fd_ = fd;
  return Outcome::Ours;
}

// ---- Requests ----

InstanceRequest ParseInstanceRequest(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  InstanceRequest request;
  if (line == "show") {
    request.kind = InstanceRequest::Kind::Show;
    return request;
  }
  const std::string_view version(kRequestVersion);
  if (!line.starts_with(version) || line.size() <= version.size() || line[version.size()] != ' ') return request;
  line.remove_prefix(version.size() + 1);
  if (line == "show") {
    request.kind = InstanceRequest::Kind::Show;
  } else if (line == "status") {
    request.kind = InstanceRequest::Kind::Status;
  } else if (line.size() == std::string_view("profile N").size() && line.starts_with("profile ") &&
             line.back() >= '1' && line.back() <= '5') {
    request.kind = InstanceRequest::Kind::Profile;
    request.profile = line.back() - '0';
  }
  return request;
}

std::string InstanceRequestLine(const InstanceRequest& request) {
  std::string line = std::string(kRequestVersion) + " ";
  switch (request.kind) {
    case InstanceRequest::Kind::Show: line += "show"; break;
    case InstanceRequest::Kind::Status: line += "status"; break;
    case InstanceRequest::Kind::Profile: line += "profile " + std::to_string(request.profile); break;
    case InstanceRequest::Kind::Unknown: line += "unknown"; break;
  }
  return line + "\n";
}

namespace {

// A connected socket to `socketPath` with both timeouts set; -1 when nobody listens.
int ConnectTo(const std::string& socketPath, int timeoutMs) {
  sockaddr_un address{};
  if (!AddressOf(socketPath, address)) return -1;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  // A running copy that is stuck, or whose waiting room is full, must not
  // hold this one up for long.
  const timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool SendAll(int fd, std::string_view bytes) {
  ssize_t n;
  do {
    n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return n == static_cast<ssize_t>(bytes.size());
}

}  // namespace

std::optional<std::string> AskRunningCopy(const std::string& socketPath, const std::string& line, int timeoutMs) {
  const int fd = ConnectTo(socketPath, timeoutMs);
  if (fd < 0) return std::nullopt;
  if (!SendAll(fd, line)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string answer;
  char buffer[512];
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // closed, failed or timed out: what came is the answer
    answer.append(buffer, static_cast<size_t>(std::min<ssize_t>(n, ssize_t(kMaxAnswerBytes - answer.size()))));
    if (answer.size() >= kMaxAnswerBytes) break;
  }
  ::close(fd);
  return answer;
}

bool SendShowRequest(const std::string& socketPath, int timeoutMs) {
  const int fd = ConnectTo(socketPath, timeoutMs);
  if (fd < 0) return false;
  const bool sent = SendAll(fd, kShowRequest);
  ::close(fd);
  return sent;
}

// ---- InstanceServer ----

InstanceServer::InstanceServer(std::string socketPath, Handler onRequest)
    : InstanceServer(std::move(socketPath), std::move(onRequest), Limits{}) {}

InstanceServer::InstanceServer(std::string socketPath, Handler onRequest, Limits limits)
    : path_(std::move(socketPath)), onRequest_(std::move(onRequest)), limits_(limits) {}

InstanceServer::InstanceServer(std::string socketPath, std::function<void()> onShowRequest)
    : InstanceServer(std::move(socketPath), std::move(onShowRequest), Limits{}) {}

InstanceServer::InstanceServer(std::string socketPath, std::function<void()> onShowRequest, Limits limits)
    : InstanceServer(
          std::move(socketPath),
          [show = std::move(onShowRequest)](const InstanceRequest& request) -> std::string {
            if (request.kind != InstanceRequest::Kind::Show) return "error: not answered here\n";
            if (show) show();
            return "shown\n";
          },
          limits) {}

InstanceServer::~InstanceServer() {
  for (const Client& client : clients_) ::close(client.fd);
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    ::unlink(path_.c_str());
  }
}

orv::Outcome InstanceServer::Listen() {
  if (listenFd_ >= 0) return {};
  sockaddr_un address{};
  if (!AddressOf(path_, address)) return Failure{{}, path_, "the path is too long for a socket"};
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return Failure{{}, path_, Reason(errno)};
  // The lock is ours, so a socket file left behind belongs to a copy that crashed.
  ::unlink(address.sun_path);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::chmod(address.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd, kBacklog) != 0) {
    const int err = errno;
    ::close(fd);
    ::unlink(address.sun_path);
    return Failure{{}, path_, Reason(err)};
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
  // One request per connection: its first line (or what came before the
  // peer closed) is answered and the connection closed. More bytes than a
  // request has close it unheard.
  const size_t newline = client.received.find('\n');
  const bool tooLong = newline == std::string::npos ? client.received.size() > kMaxRequestBytes
                                                    : newline + 1 > kMaxRequestBytes;
  const bool asked = !tooLong && (newline != std::string::npos || (done && !client.received.empty()));
  if (!asked && !done) return;
  const int peer = client.fd;
  const std::string line = client.received.substr(0, newline);
  // The connection leaves the watched set before the answer is worked out,
  // so an event loop the handler runs never reads it again.
  clients_.erase(it);
  Changed();
  if (asked && onRequest_) {
    std::string answer = onRequest_(ParseInstanceRequest(line));
    if (answer.size() > kMaxAnswerBytes) answer.resize(kMaxAnswerBytes);
    // A fresh socket's buffer holds the whole answer; a peer that has gone
    // only loses it.
    if (!answer.empty()) (void)::send(peer, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  }
  ::close(peer);
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
