// Start-up time of ORV_ZIduzu: from the moment the process is started to its
// first painted frame, with the simulated mouse (so the whole start-up runs:
// layouts, shape, macros, discovery and the first Apply of 22 reports). The
// program reports its first paint into a FIFO named by ORV_FIRST_PAINT_FILE.
// Needs a display: tools/run-benchmarks.sh runs it on a private Xvfb
// (tools/xvfb.sh). Runs on a copy of the portable folder.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

pid_t Spawn(const std::string& program, const std::vector<std::string>& args) {
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 1);
    dup2(null, 2);
    execvp(program.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

struct Environment {
  fs::path work;

  Environment() {
    work = fs::temp_directory_path() / ("orv-startup-bench-" + std::to_string(getpid()));
    fs::remove_all(work);
    fs::create_directories(work / "sim");
    fs::create_directories(work / "run");
    fs::permissions(work / "run", fs::perms::owner_all);
    fs::copy(ORV_PORTABLE_DIR, work / "app", fs::copy_options::recursive);
    fs::copy_file(ORV_APP_EXE, work / "app" / "ORV_ZIduzu", fs::copy_options::overwrite_existing);
    setenv("XDG_RUNTIME_DIR", (work / "run").c_str(), 1);
    setenv("ORV_SIMULATED_MOUSE", (work / "sim").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }
  ~Environment() {
    std::error_code ec;
    fs::remove_all(work, ec);
  }
};

Environment& Env() {
  static Environment env;
  return env;
}

void BM_StartupToFirstPaint(benchmark::State& state) {
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("no display: run it as tools/xvfb.sh startup_bench (tools/run-benchmarks.sh does)");
    return;
  }
  Environment& env = Env();
  const fs::path fifo = env.work / "first-paint";
  for (auto _ : state) {
    fs::remove(fifo);
    mkfifo(fifo.c_str(), 0600);
    setenv("ORV_FIRST_PAINT_FILE", fifo.c_str(), 1);
    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = Spawn((env.work / "app" / "ORV_ZIduzu").string(), {});
    // The program writes one line into the FIFO at its first paint; a program
    // that ends or hangs first is given up on after 20 s.
    const int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    char line[256];
    ssize_t n = -1;
    for (int waited = 0; fd >= 0 && n <= 0 && waited < 20000; waited += 5) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 5) > 0) n = read(fd, line, sizeof line);
      if (n <= 0 && waitpid(pid, nullptr, WNOHANG) == pid) break;
    }
    const auto painted = std::chrono::steady_clock::now();
    if (fd >= 0) close(fd);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    if (n <= 0) {
      state.SkipWithError("the program did not paint");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(painted - started).count());
  }
}
BENCHMARK(BM_StartupToFirstPaint)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
