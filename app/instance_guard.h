#pragma once
// One copy of the program at a time, without the window toolkit: the lock
// that makes a copy the first one, the first copy's socket that a second start
// asks to show the window, and the second start's request. The toolkit's part
// (gui/single_instance.h) only watches the descriptors and runs the timer.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/failure.h"

namespace orv::app {

// An advisory lock (flock) on a file, held while the object lives and
// released by the system when the process ends however it ends. What the
// file holds does not matter, so an empty or garbled lock file, or one a
// crashed copy left, is no obstacle.
class InstanceLock {
 public:
  enum class Outcome : uint8_t {
    Ours,           // this copy is the first one
    HeldByAnother,  // a running copy holds it
    Unusable,       // the lock file cannot be opened or locked: problem() says why
  };
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Creates the file (and its folder) when missing, then tries the lock once.
  Outcome Acquire(const std::string& path);
  // After Unusable, the file and the system's reason ("<path>: <reason>").
  const Failure& problem() const { return problem_; }

 private:
  int fd_ = -1;
  Failure problem_;
};

// What a later start asks the running copy, one line per connection:
// "ORV/<version> <command>[ <argument>]\n", at most kMaxRequestBytes with the
// newline. The running copy answers with at most kMaxAnswerBytes of text and
// closes the connection. The line "show" alone, which earlier versions send,
// is a show request.
inline constexpr char kRequestVersion[] = "ORV/1";
inline constexpr size_t kMaxRequestBytes = 64;
inline constexpr size_t kMaxAnswerBytes = 4096;

struct InstanceRequest {
  enum class Kind : uint8_t {
    Show,     // show the window
    Status,   // describe the mouse, the profile, the language and the rule in force
    Profile,  // make `profile` current and send it
    Unknown,  // a line of another version or command: answered with an error
  };
  Kind kind = Kind::Unknown;
  int32_t profile = 0;  // 1 ... 5 with Kind::Profile
};

// The request of one line (its newline, or carriage return and newline, may
// be there or not).
InstanceRequest ParseInstanceRequest(std::string_view line);
// The line (with its newline) that asks for `request`.
std::string InstanceRequestLine(const InstanceRequest& request);

// The request a second start sends.
inline constexpr char kShowRequest[] = "ORV/1 show\n";

// Connects to `socketPath`, sends `line` and reads the answer until the
// running copy closes the connection, waiting at most `timeoutMs` for each
// step. None when nobody listens or the request could not be sent; the
// answer may be empty (a copy of an earlier version answers nothing).
std::optional<std::string> AskRunningCopy(const std::string& socketPath, const std::string& line, int timeoutMs);

// Connects to `socketPath` and sends the show request, waiting at most
// `timeoutMs` for a copy that does not take it. False when nobody listens or
// the request could not be sent.
bool SendShowRequest(const std::string& socketPath, int timeoutMs);

// The first copy's socket (a Unix-domain stream socket only the user may
// connect to). Each connection may send one request; it is answered and
// closed after that request, after more bytes than a request has, when the peer closes, or
// when it has sent nothing for `idle`. At most `maxClients` connections are
// open at a time: at that bound the listening socket is not watched (the
// kernel keeps further connections waiting) until one of them is closed. A
// connection that would leave fewer than `reserve` free descriptors below the
// process's limit is closed at once and accepting pauses for `pause`, so the
// program's own work always finds descriptors.
class InstanceServer {
 public:
  using Clock = std::chrono::steady_clock;
  struct Limits {
    size_t maxClients = 8;
    Clock::duration idle = std::chrono::seconds(2);
    int reserve = 64;
    Clock::duration pause = std::chrono::milliseconds(500);
  };

  // Answers a request; the text goes back to the peer (cut to kMaxAnswerBytes).
  // The connection is no longer watched while it runs, so it may run an
  // event loop of its own.
  using Handler = std::function<std::string(const InstanceRequest&)>;

  InstanceServer(std::string socketPath, Handler onRequest);
  InstanceServer(std::string socketPath, Handler onRequest, Limits limits);
  // Only show requests are acted on; others are answered with an error.
  InstanceServer(std::string socketPath, std::function<void()> onShowRequest);
  InstanceServer(std::string socketPath, std::function<void()> onShowRequest, Limits limits);
  // Closes every connection and the socket, and removes its file.
  ~InstanceServer();
  InstanceServer(const InstanceServer&) = delete;
  InstanceServer& operator=(const InstanceServer&) = delete;

  // Makes the socket (replacing a file a crashed copy left: the caller holds
  // the lock). Returns what failed, or nothing.
  [[nodiscard]] orv::Outcome Listen();

  // ---- For the event loop that drives it ----
  int ListenFd() const { return listenFd_; }
  // Whether the listening socket is to be watched now.
  bool Accepting(Clock::time_point now) const;
  std::vector<int> ClientFds() const;
  // The next moment OnTimer has work (an idle connection to close, or the end
  // of a pause); none when there is nothing to wait for.
  std::optional<Clock::time_point> NextDeadline() const;
  void OnListenReadable(Clock::time_point now);
  void OnClientReadable(int fd, Clock::time_point now);
  void OnTimer(Clock::time_point now);
  // Told whenever the set of client descriptors or Accepting changes.
  std::function<void()> onWatchChanged;

 private:
  struct Client {
    int fd = -1;
    Clock::time_point since;
    std::string received;
  };
  void Drop(size_t index);
  void Changed();

  std::string path_;
  Handler onRequest_;
  Limits limits_;
  int listenFd_ = -1;
  std::vector<Client> clients_;
  std::optional<Clock::time_point> pausedUntil_;
};

}  // namespace orv::app
