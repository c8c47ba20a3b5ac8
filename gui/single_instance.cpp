#include "gui/single_instance.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <chrono>

#include "app/app_state.h"

namespace orv::app {
namespace {

constexpr int kSendTimeoutMs = 1000;

QString RuntimeFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  return folder;
}

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

InstanceServer::Clock::time_point Now() { return InstanceServer::Clock::now(); }

// A notifier that is done with is switched off at once and deleted once the
// event that may be running in it has returned.
void Retire(QSocketNotifier* notifier) {
  notifier->setEnabled(false);
  notifier->deleteLater();
}

}  // namespace

SingleInstance::SingleInstance(QString folder) : folder_(folder.isEmpty() ? RuntimeFolder() : folder) {}

SingleInstance::~SingleInstance() {
  delete timer_;
  for (auto& [fd, notifier] : clientNotifiers_) delete notifier;
  delete listenNotifier_;
  server_.reset();
}

QString SingleInstance::SocketPath() const { return folder_ + "/" + kInstanceName; }
QString SingleInstance::LockPath() const { return folder_ + "/" + kInstanceName + ".lock"; }

InstanceLock::Outcome SingleInstance::TryBecomeFirst() {
  QDir().mkpath(folder_);
  return lock_.Acquire(Native(LockPath()));
}

bool SingleInstance::AskFirstToShow() { return SendShowRequest(Native(SocketPath()), kSendTimeoutMs); }

std::optional<std::string> SingleInstance::Ask(const InstanceRequest& request, int timeoutMs) {
  return AskRunningCopy(Native(SocketPath()), InstanceRequestLine(request), timeoutMs);
}

orv::Outcome SingleInstance::Listen(InstanceServer::Handler onRequest) {
  if (server_) return {};
  auto server = std::make_unique<InstanceServer>(Native(SocketPath()), std::move(onRequest));
  if (orv::Outcome failed = server->Listen()) return failed;
  server_ = std::move(server);
  server_->onWatchChanged = [this] { Rewatch(); };
  listenNotifier_ = new QSocketNotifier(server_->ListenFd(), QSocketNotifier::Read);
  QObject::connect(listenNotifier_, &QSocketNotifier::activated, listenNotifier_,
                   [this] { server_->OnListenReadable(Now()); });
  timer_ = new QTimer;
  timer_->setSingleShot(true);
  timer_->setTimerType(Qt::PreciseTimer);
  // A timer may still fire a little early: the next deadline is set again
  // after every run, whether or not it had work.
  QObject::connect(timer_, &QTimer::timeout, timer_, [this] {
    server_->OnTimer(Now());
    Rewatch();
  });
  Rewatch();
  return {};
}

void SingleInstance::Rewatch() {
  const auto now = Now();
  listenNotifier_->setEnabled(server_->Accepting(now));
  std::map<int, QSocketNotifier*> kept;
  for (const int fd : server_->ClientFds()) {
    if (const auto it = clientNotifiers_.find(fd); it != clientNotifiers_.end()) {
      kept.emplace(fd, it->second);
      clientNotifiers_.erase(it);
      continue;
    }
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [this, fd] { server_->OnClientReadable(fd, Now()); });
    kept.emplace(fd, notifier);
  }
  // What is left belongs to connections the server has closed.
  for (auto& [fd, notifier] : clientNotifiers_) Retire(notifier);
  clientNotifiers_ = std::move(kept);
  if (const auto deadline = server_->NextDeadline()) {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now);
    timer_->start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(wait.count(), 0)));
  } else {
    timer_->stop();
  }
}

}  // namespace orv::app
