// Playback timing, each figure from one run with real threads and the real
// clock:
// - TriggerLatency: from an input report written into the simulated mouse's
//   FIFO to the first key report appended to its feature.log (median, 99th
//   percentile, worst, in microseconds);
// - Onset: 510 events at 15 ms (a full macro, twice): each report's send
//   time against its place on the schedule (worst and mean error, and the drift of the last
//   event, in microseconds);
// - IdleCpu: CPU time of the whole process (listener, executor and the
//   simulated mouse's FIFO reader all running) while nothing happens, as a
//   percentage of one core.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "device/device_link.h"
#include "device/simulated/simulated_mouse.h"
#include "drive/playback.h"
#include "support/memory_mouse.h"
#include "support/temp_dir.h"

namespace {

using namespace orv;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Stamps every report with the moment it was handed over (before) and the
// moment the inner collection took it (after).
class StampingWriter final : public device::HidWriter {
 public:
  explicit StampingWriter(std::shared_ptr<device::HidWriter> inner = nullptr) : inner_(std::move(inner)) {}
  bool SetFeature(const uint8_t* data, size_t length) override {
    const auto before = Clock::now();
    const bool ok = inner_ ? inner_->SetFeature(data, length) : true;
    const auto after = Clock::now();
    {
      std::lock_guard lock(mutex_);
      stamps_.push_back({before, after, data[1]});
    }
    changed_.notify_all();
    return ok;
  }
  struct Stamp {
    Clock::time_point before, after;
    uint8_t command;
  };
  // Waits until at least n reports were sent.
  bool WaitFor(size_t n, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return stamps_.size() >= n; });
  }
  std::vector<Stamp> Stamps() {
    std::lock_guard lock(mutex_);
    return stamps_;
  }

 private:
  std::shared_ptr<device::HidWriter> inner_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Stamp> stamps_;
};


double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, static_cast<size_t>(std::ceil(p * static_cast<double>(v.size()))) - 1);
  return v[i];
}

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The simulated mouse with the engine running on it; button 3 (wire code 5)
// plays user macro 0.
struct SimulatedRig {
  test::TempDir dir;
  device::SimulatedMouse mouse{dir.path()};
  device::ReportChannel channel;
  device::DeviceLink link{mouse, channel};
  std::shared_ptr<StampingWriter> writer;
  settings::MouseSettings settings;
  macros::MacroTables tables;
  RecordingLauncher launcher;
  SteadyClock clock;
  std::unique_ptr<drive::PlaybackEngine> engine;
  int fifo = -1;

  SimulatedRig() {
    link.FindMouse();
    // The same feature collection, stamped on its way.
    device::OpenStatus status;
    writer = std::make_shared<StampingWriter>(mouse.OpenWrite(mouse.FeaturePath(), status));
    channel.SetWriteCollection(device::HandleState::Open, writer, 8);
    settings.K[3] = 41;
    macros::MacroRecord& m = tables.userMacros[0];
    m.mode = macros::MODE_ONCE;
    m.eventCount = 1;
    m.events[0] = {4, macros::ACTION_DOWN};
    drive::PlaybackDeps deps;
    deps.settings = &settings;
    deps.macros = &tables;
    deps.channel = &channel;
    deps.input = &link;
    deps.launcher = &launcher;
    deps.clock = &clock;
    engine = std::make_unique<drive::PlaybackEngine>(deps);
    engine->Start();
    fifo = ::open((dir / device::kInputFifoName).c_str(), O_WRONLY | O_CLOEXEC);
  }
  ~SimulatedRig() {
    engine->Stop();
    if (fifo >= 0) ::close(fifo);
  }
  void Write(const char* line) {
    const size_t n = std::strlen(line);
    if (::write(fifo, line, n) != static_cast<ssize_t>(n)) std::abort();
  }
};

void BM_TriggerLatency(benchmark::State& state) {
  constexpr int kTriggers = 200;
  for (auto _ : state) {
    SimulatedRig rig;
    std::vector<double> latencies;
    for (int i = 0; i < kTriggers; ++i) {
      const size_t before = rig.writer->Stamps().size();
      const auto written = Clock::now();
      rig.Write("06 F5 01\n");
      if (!rig.writer->WaitFor(before + 1, 2s)) {
        state.SkipWithError("no key report");
        return;
      }
      latencies.push_back(Micros(rig.writer->Stamps()[before].after - written));
      rig.Write("06 F5 80\n");
      rig.writer->WaitFor(before + 3, 2s);  // the pass ends with its two release reports
      while (rig.engine->handOff().triggerPending.load() != 0) std::this_thread::sleep_for(1ms);
      std::this_thread::sleep_for(3ms);
    }
    state.counters["p50_us"] = Percentile(latencies, 0.50);
    state.counters["p99_us"] = Percentile(latencies, 0.99);
    state.counters["max_us"] = *std::max_element(latencies.begin(), latencies.end());
  }
}
BENCHMARK(BM_TriggerLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Onset(benchmark::State& state) {
  // A full record (255 events, every one played 15 ms after the one before)
  // played twice: 510 events, and the pass boundary in between.
  constexpr int kEvents = macros::MAX_EVENTS;
  constexpr int kPasses = 2;
  constexpr double kGapUs = 15'000;
  constexpr double kPassUs = kEvents * kGapUs + 20'000;  // + the two 10 ms waits of the pass end
  for (auto _ : state) {
    settings::MouseSettings settings;
    macros::MacroTables tables;
    macros::MacroRecord& m = tables.userMacros[0];
    m.mode = macros::MODE_COUNTED;
    m.repeatCount = kPasses;
    m.eventCount = static_cast<uint8_t>(kEvents);
    for (int k = 0; k < kEvents; ++k) {
      m.events[static_cast<size_t>(k)] = {static_cast<uint8_t>(4 + k % 26),
                                          k % 2 == 0 ? macros::ACTION_DOWN : macros::ACTION_UP};
      m.delays[static_cast<size_t>(k)] = static_cast<uint16_t>(k % 3 == 0 ? 0 : 15);  // all played as 15 ms
    }
    settings.K[0] = 41;
    auto writer = std::make_shared<StampingWriter>();
    device::ReportChannel channel;
    channel.SetWriteCollection(device::HandleState::Open, writer, 8);
    device::SimulatedMouse mouse;
    std::shared_ptr<device::InputReportSource> input = test::OpenInput(mouse);
    SteadyClock clock;
    drive::PlaybackDeps deps;
    deps.settings = &settings;
    deps.macros = &tables;
    deps.channel = &channel;
    deps.input = input.get();
    deps.clock = &clock;
    drive::PlaybackEngine engine(deps);
    engine.Start();
    const double cpu0 = ProcessCpuSeconds();
    const auto wall0 = Clock::now();
    mouse.Deliver({6, 0xF1, 0x01});
    const size_t total = static_cast<size_t>(kPasses * (kEvents + 2));
    if (!writer->WaitFor(total, 30s)) {
      state.SkipWithError("macro did not finish");
      return;
    }
    state.counters["playing_cpu_percent_of_core"] =
        100.0 * (ProcessCpuSeconds() - cpu0) / std::chrono::duration<double>(Clock::now() - wall0).count();
    engine.Stop();
    const auto stamps = writer->Stamps();
    // The schedule the sends follow: each event due 15 ms after the one
    // before was due, but not sooner than 15 ms after it actually went out
    // (10 ms for the two waits of a pass end). "late" is how far each send
    // came after its due time; "drift" is where the last event landed
    // against the plain 15 ms grid from the first.
    std::vector<double> late;
    double due = 0, previous = 0, drift = 0;
    for (int pass = 0; pass < kPasses; ++pass) {
      for (int k = 0; k < kEvents + 2; ++k) {
        const size_t i = static_cast<size_t>(pass * (kEvents + 2) + k);
        const double sent = Micros(stamps[i].before - stamps[0].before);
        if (i > 0) {
          // The gap before this send: 15 ms after an event, 15 + 10 into the
          // pass end, 10 to the keys' release, none into the next pass.
          const double wait = k == 0 ? 0 : k < kEvents ? 15'000 : k == kEvents ? 25'000 : 10'000;
          const double minimum = wait;
          due = std::max(due + wait, previous + minimum);
          late.push_back(sent - due);
        }
        previous = sent;
        if (k < kEvents) drift = sent - (pass * kPassUs + k * kGapUs);
      }
    }
    state.counters["events"] = kPasses * kEvents;
    state.counters["late_p50_us"] = Percentile(late, 0.50);
    state.counters["late_p99_us"] = Percentile(late, 0.99);
    state.counters["late_max_us"] = *std::max_element(late.begin(), late.end());
    state.counters["drift_us"] = drift;
  }
}
BENCHMARK(BM_Onset)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_IdleCpu(benchmark::State& state) {
  for (auto _ : state) {
    SimulatedRig rig;
    std::this_thread::sleep_for(200ms);  // let the threads settle
    const double cpu0 = ProcessCpuSeconds();
    const auto wall0 = Clock::now();
    std::this_thread::sleep_for(3s);
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    state.counters["cpu_percent_of_core"] = 100.0 * cpu / wall;
  }
}
BENCHMARK(BM_IdleCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
