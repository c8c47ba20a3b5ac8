// The single-instance lock and the first copy's socket, driven by the test as
// the event loop would drive them, on a clock of the test's own.
#include "app/instance_guard.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace orv::app {
namespace {

using namespace std::chrono_literals;
using Clock = InstanceServer::Clock;

// The lock does not care what its file holds; what cannot be opened is named.
TEST(InstanceLock, TakesAnyLockFileAndNamesOneItCannotOpen) {
  struct Case {
    const char* what;
    const char* content;  // nullptr: a folder in its place
    InstanceLock::Outcome outcome;
  } cases[] = {
      {"none yet", "", InstanceLock::Outcome::Ours},
      {"empty", "", InstanceLock::Outcome::Ours},
      {"garbage", "\x01\xFFpid 99999 of a copy that crashed", InstanceLock::Outcome::Ours},
      {"a folder", nullptr, InstanceLock::Outcome::Ours},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    const std::string path = (dir / "lock").string();
    if (c.content == nullptr) {
      std::filesystem::create_directory(path);
    } else if (std::string(c.what) != "none yet") {
      test::WriteText(path, c.content);
    }
    InstanceLock first;
    EXPECT_EQ(first.Acquire(path), c.outcome);
    InstanceLock second;
    EXPECT_EQ(second.Acquire(path), InstanceLock::Outcome::HeldByAnother);
  }
  test::TempDir dir;
  test::WriteText(dir / "file", "a file where the runtime folder should be");
  InstanceLock lock;
  const std::string path = (dir / "file" / "lock").string();
  EXPECT_EQ(lock.Acquire(path), InstanceLock::Outcome::Unusable);
  EXPECT_EQ(lock.problem().Text(), path + ": Not a directory");
}

// A client connection of the test's: connected (or waiting in the kernel's
// queue), sending what it is given.
int Connect(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

class InstanceServerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int fd : peers) ::close(fd);
  }
  int Peer(const std::string& bytes = "") {
    const int fd = Connect(path);
    EXPECT_GE(fd, 0);
    if (!bytes.empty()) {
      EXPECT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
    }
    peers.push_back(fd);
    return fd;
  }
  // One turn of the event loop at `now`: what a poll on the watched
  // descriptors would report, handed to the server.
  void Turn(InstanceServer& server, Clock::time_point now) {
    if (const auto due = server.NextDeadline(); due && *due <= now) server.OnTimer(now);
    if (server.Accepting(now)) server.OnListenReadable(now);
    for (int fd : server.ClientFds()) server.OnClientReadable(fd, now);
  }

  test::TempDir dir;
  std::string path = (dir / "socket").string();
  std::vector<int> peers;
  int shows = 0;
};

// Silent peers fill the few places and leave after the idle time; the socket
// is not watched while they are full, and a real request gets through.
TEST_F(InstanceServerTest, SilentPeersAreBoundedAndDroppedWhenIdle) {
  InstanceServer server(path, [&] { ++shows; }, {.maxClients = 4, .idle = 2s, .reserve = 0, .pause = 500ms});
  ASSERT_EQ(server.Listen(), Outcome());
  for (int i = 0; i < 10; ++i) Peer();
  Peer(kShowRequest);
  Clock::time_point now{};
  Turn(server, now);
  EXPECT_EQ(server.ClientFds().size(), 4u);
  EXPECT_FALSE(server.Accepting(now)) << "full: the listening socket is left alone";
  EXPECT_EQ(server.NextDeadline(), now + 2s);
  Turn(server, now + 1s);
  EXPECT_EQ(server.ClientFds().size(), 4u) << "not idle for long enough yet";
  for (int round = 1; round <= 3; ++round) {
    now += 2s;
    Turn(server, now);
    EXPECT_LE(server.ClientFds().size(), 4u);
  }
  EXPECT_EQ(shows, 1);
}

// One request per connection; a peer that talks too much is dropped unheard.
TEST_F(InstanceServerTest, OneRequestPerConnectionAndNoMore) {
  InstanceServer server(path, [&] { ++shows; });
  ASSERT_EQ(server.Listen(), Outcome());
  Peer("show\nshow\nshow\n");
  Peer(std::string(100, 'x') + "show\n");
  Peer("hello\n");
  Peer("ORV/1 sho");
  Turn(server, Clock::time_point{});
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(server.ClientFds().size(), 1u) << "the peer in the middle of its line waits for its idle time";
  char answer[64] = {};
  EXPECT_EQ(::recv(peers[0], answer, sizeof answer, MSG_DONTWAIT), ssize_t(6)) << "answered, then closed";
  EXPECT_STREQ(answer, "shown\n");
  std::fill(std::begin(answer), std::end(answer), '\0');
  EXPECT_GT(::recv(peers[2], answer, sizeof answer, MSG_DONTWAIT), 0);
  EXPECT_TRUE(std::string_view(answer).starts_with("error: ")) << "an unknown request is told so: " << answer;
}

// Requests of this version and the bare line of earlier ones; anything else,
// including a profile outside 1 ... 5, is Unknown.
TEST(InstanceRequest, ReadsTheVersionedLineAndNothingElse) {
  using K = InstanceRequest::Kind;
  const struct {
    const char* line;
    K kind;
    int32_t profile;
  } cases[] = {
      {"show", K::Show, 0},           {"ORV/1 show", K::Show, 0},     {"ORV/1 status\r", K::Status, 0},
      {"ORV/1 profile 1", K::Profile, 1}, {"ORV/1 profile 5", K::Profile, 5}, {"ORV/1 profile 0", K::Unknown, 0},
      {"ORV/1 profile 6", K::Unknown, 0}, {"ORV/1 profile 12", K::Unknown, 0}, {"ORV/1 profile", K::Unknown, 0},
      {"ORV/2 show", K::Unknown, 0},  {"ORV/1show", K::Unknown, 0},   {"ORV/1 show now", K::Unknown, 0},
      {"", K::Unknown, 0},
  };
  for (const auto& c : cases) {
    const InstanceRequest r = ParseInstanceRequest(c.line);
    EXPECT_EQ(r.kind, c.kind) << c.line;
    EXPECT_EQ(r.profile, c.profile) << c.line;
    if (c.kind != K::Unknown) {
      EXPECT_EQ(ParseInstanceRequest(InstanceRequestLine(r)).kind, c.kind) << c.line;
    }
  }
}

// A connection that would leave too few descriptors for the program's own
// work is closed at once, and accepting pauses rather than spins.
TEST_F(InstanceServerTest, TheProgramsDescriptorsAreKept) {
  InstanceServer server(path, [&] { ++shows; }, {.maxClients = 8, .idle = 2s, .reserve = 1 << 30, .pause = 500ms});
  ASSERT_EQ(server.Listen(), Outcome());
  Peer(kShowRequest);
  Clock::time_point now{};
  Turn(server, now);
  EXPECT_EQ(shows, 0);
  EXPECT_TRUE(server.ClientFds().empty());
  EXPECT_FALSE(server.Accepting(now + 100ms));
  EXPECT_EQ(server.NextDeadline(), now + 500ms);
  server.OnTimer(now + 500ms);
  EXPECT_TRUE(server.Accepting(now + 500ms));
}

}  // namespace
}  // namespace orv::app
