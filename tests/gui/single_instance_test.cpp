// The single-instance socket: a second start reaches the first copy, a stale
// socket file of a crashed copy is taken over, other users cannot connect,
// and garbage or silent peers do nothing.
#include "gui/single_instance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "support/temp_dir.h"

namespace orv::app {
namespace {

QString Folder(const test::TempDir& dir) { return QString::fromStdString(dir.path().string()); }

// Runs the event loop until `done` or a generous guard against a hang.
template <typename Done>
bool SpinUntil(Done done) {
  QDeadlineTimer guard(10000);
  while (!done() && !guard.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

// A raw client that sends `bytes` and closes.
void SendRaw(const QString& path, const std::string& bytes) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray native = QFile::encodeName(path);
  std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  if (!bytes.empty()) {
    ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
  }
  ::close(fd);
}

// A running copy that only counts show requests and answers every request
// with what it was asked.
InstanceServer::Handler CountShows(int& shows) {
  return [&shows](const InstanceRequest& request) {
    if (request.kind == InstanceRequest::Kind::Show) ++shows;
    return InstanceRequestLine(request);
  };
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(QCoreApplication::instance(), nullptr); }
  test::TempDir dir_;
};

TEST_F(SingleInstanceTest, SecondStartReachesTheFirst) {
  SingleInstance first(Folder(dir_));
  ASSERT_EQ(first.TryBecomeFirst(), InstanceLock::Outcome::Ours);
  SingleInstance second(Folder(dir_));
  EXPECT_EQ(second.TryBecomeFirst(), InstanceLock::Outcome::HeldByAnother);
  // Before the first listens, the request finds nobody.
  EXPECT_FALSE(second.AskFirstToShow());
  int shows = 0;
  ASSERT_EQ(first.Listen(CountShows(shows)), Outcome());
  struct stat st {};
  ASSERT_EQ(::stat(first.SocketPath().toLocal8Bit().constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "only the user may connect";
  EXPECT_TRUE(second.AskFirstToShow());
  EXPECT_TRUE(second.AskFirstToShow());
  EXPECT_TRUE(SpinUntil([&] { return shows == 2; }));
  // A request that wants an answer gets it over the same connection, while
  // the first copy's event loop runs.
  std::optional<std::string> answer;
  std::atomic<bool> answered{false};
  std::thread asker([&] {
    answer = second.Ask({InstanceRequest::Kind::Profile, 4}, 5000);
    answered = true;
  });
  EXPECT_TRUE(SpinUntil([&] { return answered.load(); }));
  asker.join();
  EXPECT_EQ(answer, std::optional<std::string>("ORV/1 profile 4\n"));
}

TEST_F(SingleInstanceTest, StaleSocketOfACrashedCopyIsTakenOver) {
  const QString path = Folder(dir_) + "/" + kInstanceName;
  {
    // A socket file nobody listens on any more.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
  }
  SingleInstance first(Folder(dir_));
  ASSERT_EQ(first.TryBecomeFirst(), InstanceLock::Outcome::Ours);
  int shows = 0;
  ASSERT_EQ(first.Listen(CountShows(shows)), Outcome());
  EXPECT_TRUE(SingleInstance(Folder(dir_)).AskFirstToShow());
  EXPECT_TRUE(SpinUntil([&] { return shows == 1; }));
}

TEST_F(SingleInstanceTest, GarbageAndSilentPeersShowNothing) {
  SingleInstance first(Folder(dir_));
  ASSERT_EQ(first.TryBecomeFirst(), InstanceLock::Outcome::Ours);
  int shows = 0;
  ASSERT_EQ(first.Listen(CountShows(shows)), Outcome());
  SendRaw(first.SocketPath(), "");
  SendRaw(first.SocketPath(), std::string(1000, 'x'));
  SendRaw(first.SocketPath(), "hello\n");
  // A real request after them still gets through, and is the only show.
  EXPECT_TRUE(SingleInstance(Folder(dir_)).AskFirstToShow());
  EXPECT_TRUE(SpinUntil([&] { return shows == 1; }));
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_EQ(shows, 1);
}

// More silent peers than there are places: the event loop stops watching the
// socket while the places are taken, watches it again once the idle ones are
// dropped, and a real request still gets through.
TEST_F(SingleInstanceTest, SilentPeersBeyondTheBoundDoNotKeepARequestOut) {
  SingleInstance first(Folder(dir_));
  ASSERT_EQ(first.TryBecomeFirst(), InstanceLock::Outcome::Ours);
  int shows = 0;
  ASSERT_EQ(first.Listen(CountShows(shows)), Outcome());
  std::vector<int> silent;
  for (int i = 0; i < 12; ++i) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(first.SocketPath());
    std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    silent.push_back(fd);
  }
  for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  SendRaw(first.SocketPath(), "show\n");
  EXPECT_TRUE(SpinUntil([&] { return shows == 1; }));
  for (int fd : silent) ::close(fd);
}

TEST_F(SingleInstanceTest, SocketPathTooLongIsReportedNotTruncated) {
  const QString folder = Folder(dir_) + "/" + QString(120, QChar('d'));
  SingleInstance first(folder);
  ASSERT_EQ(first.TryBecomeFirst(), InstanceLock::Outcome::Ours);
  EXPECT_NE(first.Listen([](const InstanceRequest&) { return std::string(); }), Outcome());
  EXPECT_FALSE(SingleInstance(folder).AskFirstToShow());
}

TEST_F(SingleInstanceTest, SocketFileGoesWithTheFirstCopy) {
  QString path;
  {
    SingleInstance first(Folder(dir_));
    ASSERT_EQ(first.TryBecomeFirst(), InstanceLock::Outcome::Ours);
    ASSERT_EQ(first.Listen([](const InstanceRequest&) { return std::string(); }), Outcome());
    path = first.SocketPath();
    EXPECT_TRUE(QFile::exists(path));
  }
  EXPECT_FALSE(QFile::exists(path));
  SingleInstance next(Folder(dir_));
  EXPECT_EQ(next.TryBecomeFirst(), InstanceLock::Outcome::Ours);
}

}  // namespace
}  // namespace orv::app
