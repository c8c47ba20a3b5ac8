#include "settings/config_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/private_profile.h"
#include "settings/config_file.h"

namespace orv::settings {

// Generated at build time from resources/config/config.ini (embed_file.cmake).
extern const unsigned char kShippedConfigBytes[];
extern const std::size_t kShippedConfigBytes_size;

namespace {

// Numbered copies tried before giving up; far more than anyone keeps.
constexpr int kMaxDamagedCopies = 1000;

bool HoldsConfiguration(const IniDocument& doc) {
  if (doc.HasSection("Init")) return true;
  for (int32_t n = kFirstUserProfile; n <= kExchangeProfile; ++n) {
    if (doc.HasSection(ProfileSectionName(n, false, 0))) return true;
  }
  for (int32_t n = kFirstFactoryProfile; n <= kLastUserProfile; ++n) {
    if (doc.HasSection(ProfileSectionName(n, true, 0))) return true;
  }
  return doc.HasSection(ProfileSectionName(kLastUserProfile, true, 1));
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Copies `bytes` to the first free name of config.ini.damaged, .damaged.1, ...
// Exclusive creation: an existing copy is never touched. Returns "" or what failed.
std::string KeepCopy(const std::filesystem::path& configPath, std::string_view bytes, std::filesystem::path& keptAs) {
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(configPath.c_str(), &st) == 0) mode = st.st_mode & 0777;
  const std::string base = configPath.string() + ".damaged";
  for (int i = 0; i <= kMaxDamagedCopies; ++i) {
    const std::string name = i == 0 ? base : base + "." + std::to_string(i);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return "cannot create " + name + ": " + std::strerror(errno);
    }
    // Run as root, the copy belongs to whoever owns the file, like the file itself.
    const bool owned = ::geteuid() != 0 || ::fchown(fd, st.st_uid, st.st_gid) == 0;
    const bool written = owned && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const int err = errno;
    if (::close(fd) != 0 || !written) {
      ::unlink(name.c_str());
      return "cannot write " + name + ": " + std::strerror(written ? errno : err);
    }
    keptAs = name;
    return {};
  }
  return "cannot keep a copy of " + configPath.string() + ": too many damaged copies";
}

}  // namespace

std::string_view ShippedConfigText() {
  return {reinterpret_cast<const char*>(kShippedConfigBytes), kShippedConfigBytes_size};
}

ConfigCheck CheckConfigUsable(const std::filesystem::path& configPath) {
  ConfigCheck check;
  const auto doc = LoadIniDocument(configPath);
  if (!doc) {
    check.outcome = ConfigCheck::Outcome::Missing;
    return check;
  }
  if (HoldsConfiguration(*doc)) return check;

  const auto bytes = ReadWholeFile(configPath);
  std::string error = bytes ? KeepCopy(configPath, *bytes, check.keptAs) : "cannot read " + configPath.string();
  if (error.empty()) {
    error = WriteFileAtomically(configPath, ShippedConfigText());
    if (!error.empty()) {
      ::unlink(check.keptAs.c_str());
      check.keptAs.clear();
    }
  }
  if (!error.empty()) {
    check.outcome = ConfigCheck::Outcome::RestoreFailed;
    check.message = "The configuration file " + configPath.string() +
                    " is damaged and could not be replaced by the default settings.\n" + error;
    return check;
  }
  check.outcome = ConfigCheck::Outcome::Restored;
  check.message = "The configuration file was damaged and has been replaced by the default settings.\n"
                  "The damaged file was kept as " +
                  check.keptAs.string() + ".";
  return check;
}

}  // namespace orv::settings
