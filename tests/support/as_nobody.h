#pragma once
// Runs a piece of a test without root's powers. The suites run as root in CI,
// and root may write any file, so a check that a read-only file is refused
// runs in a child process that has dropped to the unprivileged user "nobody"
// (uid and gid 65534). Without root the piece runs in a child as it is.
#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

namespace orv::test {

inline constexpr uid_t kNobody = 65534;

// The child's exit status: 0 when `body` returned true, 1 when false, 2 when
// the privileges could not be dropped.
inline int RunUnprivileged(const std::function<bool()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                             ::setresuid(kNobody, kNobody, kNobody) != 0)) {
      ::_exit(2);
    }
    ::_exit(body() ? 0 : 1);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return 3;
  return WEXITSTATUS(status);
}

}  // namespace orv::test
