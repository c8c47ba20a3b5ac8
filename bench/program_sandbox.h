#pragma once
// For the benchmarks that run the real program: child processes, and a work
// folder below /tmp holding a copy of the portable folder, the simulated
// mouse's folder and a runtime folder, with the surroundings every run of the
// program gets (the X11 platform, no session bus). Removed at the end.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace orv::bench {

// Starts `program` with `args`, its output appended to `output`.
inline pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
                   const char* output = "/dev/null") {
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int out = open(output, O_WRONLY | O_CREAT | O_APPEND, 0644);
    dup2(out, 1);
    dup2(out, 2);
    execvp(program.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

struct ProgramSandbox {
  std::filesystem::path work;

  // `name`: the work folder's name, before the process id.
  explicit ProgramSandbox(const std::string& name) {
    namespace fs = std::filesystem;
    work = fs::temp_directory_path() / (name + "-" + std::to_string(getpid()));
    fs::remove_all(work);
    fs::create_directories(work / "sim");
    fs::create_directories(work / "run");
    fs::permissions(work / "run", fs::perms::owner_all);
    fs::copy(ORV_PORTABLE_DIR, work / "app", fs::copy_options::recursive);
    setenv("XDG_RUNTIME_DIR", (work / "run").c_str(), 1);
    setenv("ORV_SIMULATED_MOUSE", (work / "sim").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }
  ~ProgramSandbox() {
    std::error_code ec;
    std::filesystem::remove_all(work, ec);
  }
  ProgramSandbox(const ProgramSandbox&) = delete;
  ProgramSandbox& operator=(const ProgramSandbox&) = delete;
};

}  // namespace orv::bench
