// Apply end to end: time per Apply with the factory profile and with twelve
// full macros, the file writes it makes, and the host cost of one feature
// report. For comparison, in the same run, the same keys written the naive way
// a private-profile emulation would: the whole file read, changed and rewritten
// (just as durably) for every single key.
#include <benchmark/benchmark.h>

#include <fstream>
#include <set>
#include <sstream>

#include "macros/macro_files.h"
#include "platform/atomic_file.h"
#include "platform/private_profile.h"
#include "drive/apply.h"
#include "support/temp_dir.h"

namespace {

using namespace orv;
using namespace orv::settings;
using namespace orv::drive;
using namespace orv::device;

class NullWriter final : public device::HidWriter {
 public:
  bool SetFeature(const uint8_t*, size_t) override { return true; }
};

class NoWindow final : public WindowPort {
 public:
  bool MacroPageOpen() override { return false; }
  void TakeRepeatCount() override {}
  void RefillMacroLists() override {}
  void Repaint() override {}
};

struct Rig {
  test::TempDir dir;
  MouseSettings settings;
  macros::MacroTables tables;
  ProfileState profile;
  device::ReportChannel channel;
  RecordingHostSettings host;
  NoWindow window;
  ApplyContext ctx{ConfigContext{settings, tables, &profile, 1}, channel};

  explicit Rig(int macroCount) {
    channel.SetWriteCollection(device::HandleState::Open, std::make_shared<NullWriter>(), 8);
    ResetToFactory(settings);
    settings.colourCycleFlags.fill(true);
    profile.curProfile = 1;
    for (int m = 0; m < macroCount; ++m) {
      macros::MacroRecord& r = tables.userMacros[m];
      macros::SetMacroName(r, "Macro " + std::to_string(m));
      r.mode = macros::MODE_COUNTED;
      r.repeatCount = 3;
      r.eventCount = 255;
      for (int k = 0; k < 255; ++k) {
        r.events[k] = {static_cast<uint8_t>(4 + k % 26), static_cast<uint8_t>(1 + k % 2)};
        r.delays[k] = static_cast<uint16_t>(15 + k);
      }
    }
    tables.userMacroCount = static_cast<int16_t>(macroCount);
    ctx.exeDir = dir.path();
    ctx.configPath = dir / "skins/config/config.ini";
    ctx.macroFilePath = dir / "Macro_EN.dat";
    ctx.host = &host;
    ctx.window = &window;
  }
};

void BM_Apply(benchmark::State& state) {
  Rig rig(static_cast<int>(state.range(0)));
  ApplySettings(rig.ctx);  // files exist from here on, as after the first start
  const uint64_t writes = IniFileWriteCount();
  const uint64_t reports = rig.channel.SentReports();
  for (auto _ : state) ApplySettings(rig.ctx);
  state.counters["file_writes_per_apply"] =
      benchmark::Counter(static_cast<double>(IniFileWriteCount() - writes) / static_cast<double>(state.iterations()));
  state.counters["reports_per_apply"] = benchmark::Counter(
      static_cast<double>(rig.channel.SentReports() - reports) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_Apply)->Arg(0)->Arg(12)->ArgName("macros")->Unit(benchmark::kMillisecond)->MinTime(1.0);

// ---- the naive way: one whole-file rewrite per key

struct Key {
  std::filesystem::path file;
  std::string section, key, value;
};

// The keys one Apply writes, taken from the files a real Apply produced.
std::vector<Key> KeysOfOneApply(const Rig& rig) {
  std::vector<Key> keys;
  auto collect = [&](const std::filesystem::path& file, const std::set<std::string>& sections) {
    std::istringstream in(ReadWholeFile(file).value_or(""));
    std::string line, section;
    while (std::getline(in, line)) {
      if (!line.empty() && line.front() == '[') {
        section = line.substr(1, line.find(']') - 1);
      } else if (const size_t eq = line.find('='); eq != std::string::npos && sections.count(section)) {
        keys.push_back({file, section, line.substr(0, eq), line.substr(eq + 1)});
      }
    }
  };
  collect(rig.ctx.macroFilePath, {"Macros"});
  collect(rig.ctx.configPath, {"Init"});
  collect(rig.ctx.configPath, {"Config6"});
  collect(rig.ctx.configPath, {"Config1"});
  return keys;
}

// Reads the file, finds or adds the key, and rewrites the whole file durably.
void NaiveWriteKey(const Key& k) {
  std::string text = ReadWholeFile(k.file).value_or("");
  const std::string header = "[" + k.section + "]\n";
  size_t sec = text.find(header);
  if (sec == std::string::npos) {
    text += header;
    sec = text.size() - header.size();
  }
  const size_t body = sec + header.size();
  size_t end = text.find("\n[", body);
  end = end == std::string::npos ? text.size() : end + 1;
  const std::string prefix = k.key + "=";
  size_t at = body;
  while (at < end) {
    const size_t eol = text.find('\n', at);
    const size_t lineEnd = eol == std::string::npos ? text.size() : eol;
    if (text.compare(at, prefix.size(), prefix) == 0) {
      text.replace(at, lineEnd - at, prefix + k.value);
      (void)WriteFileAtomically(k.file, text);
      return;
    }
    at = lineEnd + 1;
  }
  text.insert(end, prefix + k.value + "\n");
  (void)WriteFileAtomically(k.file, text);
}

void BM_ApplyNaivePerKeyRewrite(benchmark::State& state) {
  Rig rig(static_cast<int>(state.range(0)));
  ApplySettings(rig.ctx);
  const std::vector<Key> keys = KeysOfOneApply(rig);
  for (auto _ : state) {
    // The same device and host work as Apply, then the files the naive way.
    for (int b = 0; b < kButtonCount; ++b) rig.channel.SendButtonFunction(kButtonWireCodes[b], 1);
    for (const Key& k : keys) NaiveWriteKey(k);
  }
  state.counters["file_writes_per_apply"] = benchmark::Counter(static_cast<double>(keys.size()));
}
BENCHMARK(BM_ApplyNaivePerKeyRewrite)->Arg(0)->Arg(12)->ArgName("macros")->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Host cost of one feature report: building it in the shared buffer under the
// lock and handing it to the HID layer (here a writer that takes it at once).
void BM_FeatureReport(benchmark::State& state) {
  device::ReportChannel channel;
  channel.SetWriteCollection(device::HandleState::Open, std::make_shared<NullWriter>(), 8);
  int level = 0;
  for (auto _ : state) {
    channel.SendDpiLevel(level, 1, device::kDpiStepCodes[static_cast<size_t>(level)], 0x3F);
    level = (level + 1) % kLevelCount;
  }
}
BENCHMARK(BM_FeatureReport);

}  // namespace

BENCHMARK_MAIN();
