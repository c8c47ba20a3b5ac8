#pragma once
// One copy of the program at a time. The first copy holds a lock file in the
// user's runtime folder and, once its window has its title, listens on a
// Unix-domain socket of the same name (only the user may connect); a second
// start asks it through the socket to show its window and ends. A lock left by
// a copy that crashed is taken over, and so is its socket file.
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QLockFile;
class QSocketNotifier;

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
  // listens yet (the first copy is still starting) or the request could not
  // be sent.
  bool AskFirstToShow();
  // First copy: answers show requests from now on. Needs a Qt event loop.
  // False when the socket cannot be made (a second start then cannot reach
  // this copy; it still ends without a second window).
  bool Listen(std::function<void()> onShowRequest);

  QString SocketPath() const;
  QString LockPath() const;

 private:
  struct Client;
  void Accept();
  void Read(Client& client);

  QString folder_;
  std::unique_ptr<QLockFile> lock_;
  int listenFd_ = -1;
  QSocketNotifier* listenNotifier_ = nullptr;
  std::vector<std::unique_ptr<Client>> clients_;
  std::function<void()> onShowRequest_;
};

}  // namespace orv::app
