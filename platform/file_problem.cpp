#include "platform/file_problem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orv {

std::string FileProblem(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return "missing";
    return std::string("unreadable: ") + std::strerror(errno);
  }
  if (S_ISDIR(st.st_mode)) return "a folder, not a file";
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::string("unreadable: ") + std::strerror(errno);
  ::close(fd);
  return "";
}

std::string MissingFileMessage(const std::filesystem::path& file, const std::string& problem) {
  return std::string(kMissingFileMessage) + "\n" + file.string() + ": " + (problem.empty() ? "unreadable" : problem);
}

Failure MissingFile(const std::filesystem::path& file) { return MissingFile(file, FileProblem(file)); }

Failure MissingFile(const std::filesystem::path& file, const std::string& problem) {
  return Failure{std::string(kMissingFileMessage) + "\n" + file.string(), {}, problem.empty() ? "unreadable" : problem};
}

}  // namespace orv
