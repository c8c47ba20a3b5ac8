#pragma once
// One copy of the program at a time: the window toolkit's side of
// app/instance_guard.h. The first copy holds a lock on a file in the user's
// runtime folder and, once its window has its title, listens on a
// Unix-domain socket of the same name (only the user may connect); a second
// start asks it through the socket to show its window and ends. This class
// only watches the socket's descriptors and runs its timer on the toolkit's
// event loop; what is accepted, answered and closed is InstanceServer's.
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/instance_guard.h"

class QSocketNotifier;
class QTimer;

namespace orv::app {

class SingleInstance {
 public:
  // `folder`: where the lock and the socket live (the user's runtime folder
  // when empty).
  explicit SingleInstance(QString folder = {});
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Ours when this is the first copy (the lock is now held); Unusable with
  // LockProblem() saying which file and why.
  InstanceLock::Outcome TryBecomeFirst();
  const Failure& LockProblem() const { return lock_.problem(); }
  // Second copy: asks the first to show its window. False when nobody
  // listens yet (the first copy is still starting) or the request could not
  // be sent.
  bool AskFirstToShow();
  // A later start: asks the running copy and returns its answer; none when
  // no copy listens (yet).
  std::optional<std::string> Ask(const InstanceRequest& request, int timeoutMs);
  // First copy: answers requests from now on. Needs a Qt event loop.
  // Returns why the socket cannot be made (a second start then cannot reach
  // this copy; it still ends without a second window), or nothing.
  [[nodiscard]] orv::Outcome Listen(InstanceServer::Handler onRequest);

  QString SocketPath() const;
  QString LockPath() const;

 private:
  void Rewatch();

  QString folder_;
  InstanceLock lock_;
  std::unique_ptr<InstanceServer> server_;
  QSocketNotifier* listenNotifier_ = nullptr;
  std::map<int, QSocketNotifier*> clientNotifiers_;
  QTimer* timer_ = nullptr;
};

}  // namespace orv::app
