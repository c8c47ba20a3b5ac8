// Opens many idle connections to a Unix-domain socket and holds them, as a
// hostile local program could: the first copy's single-instance socket must
// neither hang nor run out of descriptors under it.
//   orv_socket_flood <socket> <count> [seconds]
// Connects until `count` connections are open or `seconds` (default 3) have
// passed, retrying those the listener's queue turned away; prints how many
// are open, then holds them until its standard input closes.
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <socket> <count> [seconds]\n", argv[0]);
    return 2;
  }
  const std::string path = argv[1];
  const long count = std::strtol(argv[2], nullptr, 10);
  const long seconds = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 3;
  // Room for every connection of the flood itself.
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < static_cast<rlim_t>(count + 64)) {
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, static_cast<rlim_t>(count + 64));
    ::setrlimit(RLIMIT_NOFILE, &limit);
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return 2;
  std::memcpy(address.sun_path, path.data(), path.size());

  std::vector<int> open;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (static_cast<long>(open.size()) < count && std::chrono::steady_clock::now() < end) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (fd < 0) break;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      open.push_back(fd);
      continue;
    }
    const int err = errno;
    ::close(fd);
    if (err != EAGAIN) {
      std::fprintf(stderr, "connect: %s\n", std::strerror(err));
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::printf("open %zu of %ld\n", open.size(), count);
  std::fflush(stdout);
  char buffer[64];
  while (::read(0, buffer, sizeof buffer) > 0) {
  }
  for (int fd : open) ::close(fd);
  return 0;
}
