#pragma once
// One copy of the program at a time. The first copy holds a lock file in the
// user's runtime folder and, once its window has its title, listens on a local
// socket of the same name; a second start asks it through the socket to show
// its window and ends. A lock left by a copy that crashed is taken over.
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

namespace orv::app {

class SingleInstance {
 public:
  // `folder`: where the lock and the socket live (the user's runtime folder
  // when empty).
  explicit SingleInstance(QString folder = {});
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when this is the first copy (the lock is now ours).
  bool TryBecomeFirst();
  // Second copy: asks the first to show its window. False when nobody
  // listens yet (the first copy is still starting).
  bool AskFirstToShow();
  // First copy: answers show requests from now on. Needs a Qt event loop.
  void Listen(std::function<void()> onShowRequest);

  QString SocketPath() const;
  QString LockPath() const;

 private:
  QString folder_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
  std::function<void()> onShowRequest_;
};

}  // namespace orv::app
