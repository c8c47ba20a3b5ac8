// The main window's shape from the shipped mask: the run-based builder against
// the per-pixel rule (one region operation per hole pixel) in the same run, both
// from the decoded picture; the whole RegionFromMask with its decode; and a
// page picture loaded through the cache against a fresh decode.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImageReader>
#include <cstdio>

#include "gui/picture.h"
#include "skin/picture_names.h"
#include "gui/reference_region.h"  // tests/gui: the per-pixel reference
#include "gui/region.h"

namespace {

using namespace orv::skin;

const std::filesystem::path kSkins = std::filesystem::path(ORV_PORTABLE_DIR) / "skins";

QImage DecodedMask() {
  static const QImage mask = QImageReader(QString::fromStdString((kSkins / pictures::kMainMask).string())).read();
  return mask;
}

void BM_RegionFromMask_Runs(benchmark::State& state) {
  const QImage mask = DecodedMask();
  for (auto _ : state) benchmark::DoNotOptimize(RegionFromMaskImage(mask));
  state.counters["rects"] = RegionFromMaskImage(mask).rectCount();
}
BENCHMARK(BM_RegionFromMask_Runs)->Unit(benchmark::kMicrosecond);

void BM_RegionFromMask_PerPixelReference(benchmark::State& state) {
  const QImage mask = DecodedMask();
  for (auto _ : state) benchmark::DoNotOptimize(orv::test::ReferenceRegionFromMask(mask));
}
BENCHMARK(BM_RegionFromMask_PerPixelReference)->Unit(benchmark::kMicrosecond);

void BM_RegionFromMask_FileWithDecode(benchmark::State& state) {
  const auto file = kSkins / pictures::kMainMask;
  for (auto _ : state) benchmark::DoNotOptimize(RegionFromMask(file));
}
BENCHMARK(BM_RegionFromMask_FileWithDecode)->Unit(benchmark::kMicrosecond);

void BM_LoadPicture_Cached(benchmark::State& state) {
  const auto file = kSkins / pictures::kMainNormal;
  LoadPicture(file);
  for (auto _ : state) benchmark::DoNotOptimize(LoadPicture(file));
}
BENCHMARK(BM_LoadPicture_Cached)->Unit(benchmark::kMicrosecond);

void BM_LoadPicture_FreshDecode(benchmark::State& state) {
  const auto file = kSkins / pictures::kMainNormal;
  for (auto _ : state) benchmark::DoNotOptimize(DecodePicture(file));
}
BENCHMARK(BM_LoadPicture_FreshDecode)->Unit(benchmark::kMicrosecond);

// A paint's first step: the three pictures of a page, ready to draw into.
void BM_LoadPagePictures_Cached(benchmark::State& state) {
  const auto n = kSkins / pictures::kMainNormal, o = kSkins / pictures::kMainOver, d = kSkins / pictures::kMainDown;
  for (auto _ : state) {
    PictureSurface base = LoadPicture(n);
    FillArea(base, 0, 0, 1, 1, 0);  // the paint draws into its own copy
    benchmark::DoNotOptimize(LoadPicture(o));
    benchmark::DoNotOptimize(LoadPicture(d));
  }
}
BENCHMARK(BM_LoadPagePictures_Cached)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
