// Start-up time of ORV_ZIduzu: from the moment the process is started to the
// end of its first composed frame (the first page drawn and handed to the
// window system), with the simulated mouse (so the whole start-up runs:
// layouts, shape, macros, discovery and the first Apply of 22 reports).
// The floor is a minimal Qt program showing one 800 x 600 picture, timed the
// same way; both report their first frame into a FIFO named by
// ORV_FIRST_PAINT_FILE. The two are measured in turns in one run, and the
// medians and their ratio are printed at the end (goal: ratio <= 1.25).
// Needs a display: tools/run-benchmarks.sh runs it on a private Xvfb
// (tools/xvfb.sh, which keeps the server from resetting between clients).
// Runs on a copy of the portable folder.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/program_sandbox.h"

namespace {

namespace fs = std::filesystem;

using orv::bench::Spawn;

struct Environment : orv::bench::ProgramSandbox {
  Environment() : ProgramSandbox("orv-startup-bench") {
    fs::copy_file(ORV_APP_EXE, work / "app" / "ORV_ZIduzu", fs::copy_options::overwrite_existing);
  }
};

Environment& Env() {
  static Environment env;
  return env;
}

std::vector<double> gProgramMs, gFloorMs;

// Starts `program`, waits for its first-frame line, ends it; the time to the
// line in seconds, or a negative value when none came.
double TimeToFirstFrame(const std::string& program, const std::vector<std::string>& args) {
  Environment& env = Env();
  const fs::path fifo = env.work / "first-paint";
  fs::remove(fifo);
  mkfifo(fifo.c_str(), 0600);
  setenv("ORV_FIRST_PAINT_FILE", fifo.c_str(), 1);
  const auto started = std::chrono::steady_clock::now();
  const pid_t pid = Spawn(program, args);
  // One line comes at the end of the first frame; a program that ends or
  // hangs first is given up on after 20 s.
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
  if (n <= 0) return -1;
  return std::chrono::duration<double>(painted - started).count();
}

void Measure(benchmark::State& state, bool floor) {
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("no display: run it as tools/xvfb.sh startup_bench (tools/run-benchmarks.sh does)");
    return;
  }
  Environment& env = Env();
  for (auto _ : state) {
    const double seconds =
        floor ? TimeToFirstFrame(ORV_FLOOR_EXE, {(env.work / "app" / "skins" / "main_normal.jpg").string()})
              : TimeToFirstFrame((env.work / "app" / "ORV_ZIduzu").string(), {});
    if (seconds < 0) {
      state.SkipWithError(floor ? "the floor program did not paint" : "the program did not paint");
      break;
    }
    (floor ? gFloorMs : gProgramMs).push_back(seconds * 1000);
    state.SetIterationTime(seconds);
  }
}

// The two in turns, so that a slower or faster phase of the machine falls on both.
void BM_ProgramToFirstFrame(benchmark::State& state) { Measure(state, false); }
void BM_FloorToFirstFrame(benchmark::State& state) { Measure(state, true); }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t m = v.size() / 2;
  return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  constexpr int kRounds = 9;
  // Registered round by round: program, floor, program, floor, ...
  for (int round = 0; round < kRounds; ++round) {
    benchmark::RegisterBenchmark("BM_ProgramToFirstFrame", BM_ProgramToFirstFrame)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_FloorToFirstFrame", BM_FloorToFirstFrame)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const double program = Median(gProgramMs), floor = Median(gFloorMs);
  std::printf("first frame, median of %zu / %zu: program %.1f ms, floor %.1f ms, ratio %.2f (goal <= 1.25)\n",
              gProgramMs.size(), gFloorMs.size(), program, floor, floor > 0 ? program / floor : 0.0);
  return 0;
}
