#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace orv {
namespace {

std::string Failure(const std::string& what, const std::filesystem::path& path, int err) {
  return what + " " + path.string() + ": " + std::strerror(err);
}

bool WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) return "cannot create folder " + dir.string() + ": " + ec.message();

  mode_t mode = 0644;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (::access(path.c_str(), W_OK) != 0) return Failure("cannot write", path, errno);
    mode = st.st_mode & 07777;
  }

  std::string tmpName = ".";
  tmpName.append(path.filename().string()).append(".XXXXXX");
  std::string tmpl = (dir / tmpName).string();
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return Failure("cannot create a temporary file for", path, errno);
  const auto discard = [&](const std::string& message) {
    ::close(fd);
    ::unlink(tmpl.c_str());
    return message;
  };
  if (!WriteAll(fd, bytes)) return discard(Failure("cannot write", path, errno));
  if (::fchmod(fd, mode) != 0) return discard(Failure("cannot set permissions of", path, errno));
  if (::fsync(fd) != 0) return discard(Failure("cannot flush", path, errno));
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(tmpl.c_str());
    return Failure("cannot close", path, err);
  }
  if (::rename(tmpl.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmpl.c_str());
    return Failure("cannot replace", path, err);
  }
  // Make the rename itself durable.
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return {};
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return data;
}

}  // namespace orv
