#pragma once
// Where the program reads its shipped data and where it writes its own files,
// decided once at start-up from the executable's folder (`exeDir`).
//
// A portable folder is one whose `exeDir` holds skins/ and may be written:
// everything is read and written there, as the build lays it out
// (skins/config/config.ini, Macro_EN.dat, Macro_CN.dat, constMacro.dat).
//
// Otherwise the program is installed: the read-only data lies in
// <prefix>/share/orv-ziduzu beside <prefix>/bin (or in `exeDir` itself when it
// holds skins/ but may not be written), and the files the program writes lie
// flat in the user's folder $XDG_CONFIG_HOME/orv-ziduzu (~/.config/orv-ziduzu):
// config.ini, Macro_EN.dat, Macro_CN.dat. File dialogs open in the user's home.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/failure.h"

namespace orv {

// Name of the installed program, of its data folder below share/ and of the
// user's folder.
inline constexpr const char* kInstalledName = "orv-ziduzu";

struct ProgramFolders {
  std::filesystem::path data;        // skins/ and constMacro.dat, only read
  std::filesystem::path user;        // the user macro files, written
  std::filesystem::path configPath;  // the configuration file, written
  std::filesystem::path dialogs;     // where import and export dialogs open

  bool operator==(const ProgramFolders&) const = default;
};

// Why there is no user folder when neither $XDG_CONFIG_HOME nor $HOME (nor the
// password database) names an absolute folder.
inline constexpr const char* kNoUserFolder = "no home folder is known ($HOME is not set)";

// What the decision reads of the environment; tests pass their own.
struct FolderEnvironment {
  std::string xdgConfigHome;  // $XDG_CONFIG_HOME; ignored unless absolute
  std::string home;           // $HOME, else the user's entry in the password database
};
FolderEnvironment CurrentFolderEnvironment();

// The folders of a portable folder: all of them `exeDir`.
ProgramFolders PortableFolders(const std::filesystem::path& exeDir);
// The configuration file's path below a folder that holds skins/.
std::filesystem::path PortableConfigPath(const std::filesystem::path& folder);

// Decides between the portable folder and the installed layout (above).
ProgramFolders DecideProgramFolders(const std::filesystem::path& exeDir, const FolderEnvironment& env);

// Creates the user's folder when it is missing and, when it has no
// configuration file, gives it a copy of the shipped one and of each shipped
// user macro file it lacks. An existing file is never replaced, so where the
// data folder is the user's folder nothing happens. Returns what could not be
// done.
std::vector<Failure> PrepareUserFolder(const ProgramFolders& folders);

// Why the program cannot keep its files in `folder` (the system's words:
// "No such file or directory", "Not a directory", "Permission denied";
// kNoUserFolder for a relative path), or "" when it is a folder the program
// may write.
std::string FolderProblem(const std::filesystem::path& folder);

}  // namespace orv
