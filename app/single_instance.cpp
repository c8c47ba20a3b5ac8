#include "app/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>

#include "app/app_state.h"

namespace orv::app {
namespace {

constexpr int kSendTimeoutMs = 1000;
constexpr char kShowRequest[] = "show\n";
// A request is one short line; a peer that sends more is not listened to further.
constexpr size_t kMaxRequestBytes = 64;

QString RuntimeFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  return folder;
}

// The socket address of `path`; false when the path does not fit.
bool AddressOf(const QString& path, sockaddr_un& address) {
  const QByteArray native = QFile::encodeName(path);
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (native.isEmpty() || static_cast<size_t>(native.size()) >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));
  return true;
}

}  // namespace

struct SingleInstance::Client {
  int fd = -1;
  QSocketNotifier* notifier = nullptr;
  std::string received;
};

SingleInstance::SingleInstance(QString folder) : folder_(folder.isEmpty() ? RuntimeFolder() : folder) {}

SingleInstance::~SingleInstance() {
  for (auto& client : clients_) {
    delete client->notifier;
    ::close(client->fd);
  }
  delete listenNotifier_;
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    QFile::remove(SocketPath());
  }
  if (lock_) lock_->unlock();
}

QString SingleInstance::SocketPath() const { return folder_ + "/" + kInstanceName; }
QString SingleInstance::LockPath() const { return folder_ + "/" + kInstanceName + ".lock"; }

bool SingleInstance::TryBecomeFirst() {
  QDir().mkpath(folder_);
  lock_ = std::make_unique<QLockFile>(LockPath());
  // Only a lock whose process has gone counts as stale, however old it is.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) return true;
  lock_.reset();
  return false;
}

bool SingleInstance::AskFirstToShow() {
  sockaddr_un address{};
  if (!AddressOf(SocketPath(), address)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  // A first copy that is stuck must not hold the second one up for long.
  const timeval timeout{kSendTimeoutMs / 1000, (kSendTimeoutMs % 1000) * 1000};
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

bool SingleInstance::Listen(std::function<void()> onShowRequest) {
  onShowRequest_ = std::move(onShowRequest);
  if (listenFd_ >= 0) return true;
  sockaddr_un address{};
  if (!AddressOf(SocketPath(), address)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  // The lock is ours, so a socket file left behind belongs to a copy that crashed.
  ::unlink(address.sun_path);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::chmod(address.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 8) != 0) {
    ::close(fd);
    ::unlink(address.sun_path);
    return false;
  }
  listenFd_ = fd;
  listenNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read);
  QObject::connect(listenNotifier_, &QSocketNotifier::activated, listenNotifier_, [this] { Accept(); });
  return true;
}

void SingleInstance::Accept() {
  for (;;) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR) continue;
      return;  // nothing more pending (or a failed connection, which is simply dropped)
    }
    auto client = std::make_unique<Client>();
    client->fd = fd;
    client->notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
    Client* raw = client.get();
    QObject::connect(client->notifier, &QSocketNotifier::activated, client->notifier, [this, raw] { Read(*raw); });
    clients_.push_back(std::move(client));
    Read(*raw);
  }
}

void SingleInstance::Read(Client& client) {
  bool done = false;
  for (;;) {
    char buffer[64];
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
  if (client.received.find("show") != std::string::npos) {
    client.received.clear();
    done = true;
    if (onShowRequest_) onShowRequest_();
  }
  if (!done) return;
  // Closed after the current notifier event has returned.
  for (auto it = clients_.begin(); it != clients_.end(); ++it) {
    if (it->get() != &client) continue;
    client.notifier->setEnabled(false);
    client.notifier->deleteLater();
    ::close(client.fd);
    clients_.erase(it);
    break;
  }
}

}  // namespace orv::app
