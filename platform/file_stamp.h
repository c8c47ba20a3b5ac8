#pragma once
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>

namespace orv {

// What identifies one version of a file on disk: a file replaced by rename has
// a new inode, one rewritten in place a new size or modification time. Caches
// of parsed or decoded files reuse their copy while the stamp is unchanged.
struct FileStamp {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = -1;
  int64_t mtimeNs = 0;
  bool operator==(const FileStamp&) const = default;
};

// The stamp of a regular file; false when it does not exist or is no regular file.
inline bool StatFile(const std::filesystem::path& file, FileStamp& out) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  out = FileStamp{st.st_dev, st.st_ino, st.st_size, int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec};
  return true;
}

}  // namespace orv
