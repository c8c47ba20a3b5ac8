#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/failure.h"

namespace orv {
namespace {

Failure Failed(const std::string& what, const std::filesystem::path& path, int err) {
  return SystemFailure(what, path, err);
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

std::atomic<WriteGate*> gWriteGate{nullptr};

// Numbered copies of a damaged file tried before giving up; far more than anyone keeps.
constexpr int kMaxDamagedCopies = 1000;

// As many levels of links as the kernel follows.
constexpr int kMaxLinkLevels = 40;

// Follows `path` through symbolic links to the name of what it finally points
// to (which need not exist). Returns what failed, or nothing.
Outcome ResolveLinks(const std::filesystem::path& path, std::filesystem::path& out) {
  std::filesystem::path current = path;
  for (int level = 0; level <= kMaxLinkLevels; ++level) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0) {
      if (errno == ENOENT) {
        out = current;
        return {};
      }
      return Failed("cannot examine", current, errno);
    }
    if (!S_ISLNK(st.st_mode)) {
      out = current;
      return {};
    }
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::read_symlink(current, ec);
    if (ec) return Failure{"cannot read link", current, ec.message()};
    current = target.is_absolute() ? target : (current.parent_path() / target).lexically_normal();
  }
  return Failed("cannot follow", path, ELOOP);
}

bool IsTemporaryNameChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Length of the random part mkstemp puts in place of "XXXXXX".
constexpr size_t kTemporarySuffixLength = 6;
constexpr auto kStaleTemporaryAge = std::chrono::minutes(1);

// Whether the file at `path` holds exactly `bytes` (false when it cannot be read).
bool SameContents(const std::filesystem::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::string held(bytes.size() + 1, '\0');
  size_t got = 0;
  while (got < held.size()) {
    const ssize_t n = ::read(fd, held.data() + got, held.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  return got == bytes.size() && std::string_view(held.data(), got) == bytes;
}

}  // namespace


void SetWriteGate(WriteGate* gate) { gWriteGate.store(gate); }

Outcome WriteFileAtomically(const std::filesystem::path& requested, std::string_view bytes) {
  if (WriteGate* gate = gWriteGate.load()) {
    if (Outcome refused = gate->Check(requested)) return refused;
  }
  std::filesystem::path path;
  if (Outcome failed = ResolveLinks(requested, path)) return failed;
  std::filesystem::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) return Failure{"cannot create folder", dir, ec.message()};

  mode_t mode = 0644;
  bool existed = false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return Failure{"cannot replace", path, "it is not a regular file"};
    if (::access(path.c_str(), W_OK) != 0) return Failed("cannot write", path, errno);
    mode = st.st_mode & 07777;
    existed = true;
    // A file that already holds these bytes is left as it is: saving an
    // unchanged profile costs a read instead of two flushes to the disk.
    if (static_cast<uint64_t>(st.st_size) == bytes.size() && SameContents(path, bytes)) return {};
  }

  std::string tmpName = ".";
  tmpName.append(path.filename().string()).append(".XXXXXX");
  std::string tmpl = (dir / tmpName).string();
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return Failed("cannot create a temporary file for", path, errno);
  const auto discard = [&](Failure failure) -> Outcome {
    ::close(fd);
    ::unlink(tmpl.c_str());
    return failure;
  };
  if (!WriteAll(fd, bytes)) return discard(Failed("cannot write", path, errno));
  // Owner first: a change of owner clears set-id bits that fchmod then restores.
  // Only root may give a file away; anyone else keeps writing files as their own.
  if (existed && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::geteuid() == 0 &&
      ::fchown(fd, st.st_uid, st.st_gid) != 0) {
    return discard(Failed("cannot keep the owner of", path, errno));
  }
  if (::fchmod(fd, mode) != 0) return discard(Failed("cannot set permissions of", path, errno));
  if (::fsync(fd) != 0) return discard(Failed("cannot flush", path, errno));
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(tmpl.c_str());
    return Failed("cannot close", path, err);
  }
  if (::rename(tmpl.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmpl.c_str());
    return Failed("cannot replace", path, err);
  }
  // Make the rename itself durable.
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return {};
}

Outcome KeepDamagedCopy(const std::filesystem::path& file, std::string_view bytes, std::filesystem::path& keptAs) {
  mode_t mode = 0644;
  struct stat st {};
  const bool known = ::stat(file.c_str(), &st) == 0;
  if (known) mode = st.st_mode & 0777;
  const std::string base = file.string() + ".damaged";
  for (int i = 0; i <= kMaxDamagedCopies; ++i) {
    const std::string name = i == 0 ? base : base + "." + std::to_string(i);
    // Exclusive creation: an existing copy is never touched.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return Failed("cannot create", name, errno);
    }
    // Run as root, the copy belongs to whoever owns the file, like the file itself.
    const bool owned = !known || ::geteuid() != 0 || ::fchown(fd, st.st_uid, st.st_gid) == 0;
    const bool written = owned && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const int err = errno;
    if (::close(fd) != 0 || !written) {
      const int reported = written ? errno : err;
      ::unlink(name.c_str());
      return Failed("cannot write", name, reported);
    }
    keptAs = name;
    return {};
  }
  return Failure{"cannot keep a copy of", file, "too many damaged copies"};
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  // Non-blocking open: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string data;
  data.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
}

bool IsAtomicWriteTemporaryName(std::string_view name) {
  // "." + name + "." + six characters; the name itself is not empty.
  if (name.size() < 1 + 1 + 1 + kTemporarySuffixLength || name.front() != '.') return false;
  const size_t dot = name.size() - kTemporarySuffixLength - 1;
  if (name[dot] != '.') return false;
  for (size_t i = dot + 1; i < name.size(); ++i) {
    if (!IsTemporaryNameChar(name[i])) return false;
  }
  return true;
}

StaleTemporaryCleanup RemoveStaleTemporaryFiles(const std::filesystem::path& folder,
                                                std::filesystem::file_time_type now) {
  StaleTemporaryCleanup result;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) {
    if (ec != std::errc::no_such_file_or_directory) {
      result.failures.push_back(Failure{"cannot list", folder, ec.message()});
    }
    return result;
  }
  for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::filesystem::path& entry = it->path();
    if (!IsAtomicWriteTemporaryName(entry.filename().string())) continue;
    std::error_code entryError;
    if (!it->is_regular_file(entryError) || it->is_symlink(entryError)) continue;
    const auto modified = it->last_write_time(entryError);
    if (entryError || now - modified <= kStaleTemporaryAge) continue;
    if (std::filesystem::remove(entry, entryError)) {
      result.removed.push_back(entry);
    } else if (entryError) {
      result.failures.push_back(Failure{"cannot remove", entry, entryError.message()});
    }
  }
  if (ec) result.failures.push_back(Failure{"cannot list", folder, ec.message()});
  return result;
}

}  // namespace orv
