#include "platform/program_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/file_names.h"

namespace orv {
namespace fs = std::filesystem;

namespace {

const char* const kUserMacroFiles[] = {names::kEnglishMacroFile, names::kTurkishMacroFile};

std::string Getenv(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool IsDirectory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec);
}

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec);
}

// Copies `from` to `to` unless `to` exists or there is nothing to copy.
// Returns whether it was copied.
bool CopyIfMissing(const fs::path& from, const fs::path& to, std::vector<Failure>& problems) {
  if (Exists(to) || !Exists(from)) return false;
  const std::optional<std::string> bytes = ReadWholeFile(from);
  if (!bytes) {
    problems.push_back(Failure{{}, from, "cannot be read"});
    return false;
  }
  if (Outcome failed = WriteFileAtomically(to, *bytes)) {
    problems.push_back(std::move(*failed));
    return false;
  }
  return true;
}

}  // namespace

FolderEnvironment CurrentFolderEnvironment() {
  FolderEnvironment env;
  env.xdgConfigHome = Getenv("XDG_CONFIG_HOME");
  env.home = Getenv("HOME");
  if (env.home.empty()) {
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) env.home = entry->pw_dir;
  }
  return env;
}

fs::path PortableConfigPath(const fs::path& folder) {
  return folder / names::kSkinFolder / names::kConfigFolder / names::kConfigFile;
}

ProgramFolders PortableFolders(const fs::path& exeDir) {
  return {exeDir, exeDir, PortableConfigPath(exeDir), exeDir};
}

ProgramFolders DecideProgramFolders(const fs::path& exeDir, const FolderEnvironment& env) {
  const bool holdsData = IsDirectory(exeDir / names::kSkinFolder);
  if (holdsData && ::access(exeDir.c_str(), W_OK) == 0) return PortableFolders(exeDir);

  ProgramFolders f;
  f.data = holdsData ? exeDir : (exeDir / ".." / "share" / kInstalledName).lexically_normal();
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the base-directory rules say.
  const fs::path configHome = !env.xdgConfigHome.empty() && env.xdgConfigHome.front() == '/'
                                  ? fs::path(env.xdgConfigHome)
                                  : fs::path(env.home) / ".config";
  f.user = configHome / kInstalledName;
  f.configPath = f.user / names::kConfigFile;
  f.dialogs = env.home.empty() ? f.user : fs::path(env.home);
  // data may end in a separator after lexically_normal; the paths of the
  // program are built without one.
  if (!f.data.has_filename()) f.data = f.data.parent_path();
  return f;
}

std::vector<Failure> PrepareUserFolder(const ProgramFolders& folders) {
  std::vector<Failure> problems;
  // Never a folder relative to wherever the program was started.
  if (!folders.user.is_absolute()) return {Failure::Of(folders.user.string() + ": " + kNoUserFolder)};
  if (!IsDirectory(folders.user)) {
    std::error_code ec;
    fs::create_directories(folders.user, ec);
    if (ec) {
      problems.push_back(Failure{{}, folders.user, ec.message()});
      return problems;
    }
  }
  // The shipped macro files come with the shipped configuration only. Once
  // the user has a configuration of their own, its profiles keep a copy of
  // their macros, and a macro file that has gone is made anew from that copy
  // at start-up rather than replaced by the examples.
  if (!CopyIfMissing(PortableConfigPath(folders.data), folders.configPath, problems)) return problems;
  for (const char* name : kUserMacroFiles) CopyIfMissing(folders.data / name, folders.user / name, problems);
  return problems;
}

std::string FolderProblem(const fs::path& folder) {
  if (!folder.is_absolute()) return kNoUserFolder;
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return std::strerror(errno);
  if (!S_ISDIR(st.st_mode)) return std::strerror(ENOTDIR);
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
  return {};
}

}  // namespace orv
