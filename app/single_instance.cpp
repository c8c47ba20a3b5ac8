#include "app/single_instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include "app/app_state.h"

namespace orv::app {
namespace {

constexpr int kConnectTimeoutMs = 1000;
const char kShowRequest[] = "show\n";

QString RuntimeFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  return folder;
}

}  // namespace

SingleInstance::SingleInstance(QString folder) : folder_(folder.isEmpty() ? RuntimeFolder() : folder) {}

SingleInstance::~SingleInstance() {
  delete server_;
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
  QLocalSocket socket;
  socket.connectToServer(SocketPath());
  if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
  socket.write(kShowRequest);
  socket.flush();
  const bool sent = socket.waitForBytesWritten(kConnectTimeoutMs);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kConnectTimeoutMs);
  return sent;
}

void SingleInstance::Listen(std::function<void()> onShowRequest) {
  onShowRequest_ = std::move(onShowRequest);
  if (server_ != nullptr) return;
  // The lock is ours, so a socket file left behind belongs to a copy that crashed.
  QLocalServer::removeServer(SocketPath());
  server_ = new QLocalServer();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QObject::connect(server_, &QLocalServer::newConnection, server_, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      const auto take = [this, socket] {
        if (socket->readAll().contains("show") && onShowRequest_) onShowRequest_();
      };
      QObject::connect(socket, &QLocalSocket::readyRead, socket, take);
      QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      if (socket->bytesAvailable() > 0) take();
    }
  });
  server_->listen(SocketPath());
}

}  // namespace orv::app
