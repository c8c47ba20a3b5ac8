// Paint latency of the main window's pages with the shipped skin: one Compose
// per iteration, the hover moving between two elements so that every paint
// shows a change. For comparison, in the same run, the same composition with
// the page's pictures decoded afresh from their files for every paint.
//
// `app_paint_bench --snapshots=DIR` instead writes the three pages in English
// and Turkish as DIR/paint-<page>-<en|tr>.png, for people to look at.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <string>

#include "macros/macro_model.h"
#include "settings/config_file.h"
#include "skin/layout.h"
#include "gui/page_painter.h"
#include "gui/picture.h"

namespace {

using namespace orv;
using namespace orv::skin;

const std::filesystem::path kSkinDir = std::filesystem::path(ORV_PORTABLE_DIR) / "skins";

struct Scene {
  SkinLayout layout;
  settings::MouseSettings settings;
  macros::MacroTables macros;

  Scene() {
    if (!LoadAllLayouts(layout, kSkinDir, 1)) {
      std::fprintf(stderr, "no skin at %s\n", kSkinDir.c_str());
      std::exit(1);
    }
    settings::ResetToFactory(settings);
    settings.colourCycleFlags.fill(true);
    settings::RecomputeDerived(settings);
    macros::SetMacroName(macros.userMacros[0], "Macro 0");
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

// Two hover positions per page: Main a button label and a step cell, Advanced
// a speed step and a macro button, Color a mode and a cycle colour.
void PaintPage(benchmark::State& bench, PictureLoader loader, uint8_t page) {
  Scene& scene = TheScene();
  PagePainter painter(kSkinDir, loader);
  PaintState state;
  state.page = page;
  state.curProfile = 1;
  state.language = 1;
  state.settings = &scene.settings;
  state.macros = &scene.macros;
  const uint64_t decodesBefore = PictureDecodeCount();
  bool flip = false;
  for (auto _ : bench) {
    flip = !flip;
    switch (page) {
      case kPageAdvanced: state.hoverAdvanced = flip ? 12 : 2; break;
      case kPageColor: state.hoverColor = flip ? 8 : 3; break;
      default: state.hoverMain = flip ? 21 : 70; break;
    }
    const QImage& frame = painter.Compose(state, scene.layout);
    benchmark::DoNotOptimize(frame.constBits());
  }
  bench.counters["decodes/paint"] = benchmark::Counter(static_cast<double>(PictureDecodeCount() - decodesBefore) /
                                                       static_cast<double>(bench.iterations()));
}

void BM_PaintCached(benchmark::State& bench) { PaintPage(bench, &LoadPicture, static_cast<uint8_t>(bench.range(0))); }
// Without the picture cache: every paint decodes its pictures from the files.
void BM_PaintDecodeEachTime(benchmark::State& bench) {
  PaintPage(bench, &DecodePicture, static_cast<uint8_t>(bench.range(0)));
}

void PageArgs(benchmark::internal::Benchmark* b) {
  b->ArgName("page")->Arg(kPageMain)->Arg(kPageAdvanced)->Arg(kPageColor);
  b->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_PaintCached)->Apply(PageArgs);
BENCHMARK(BM_PaintDecodeEachTime)->Apply(PageArgs);

// A hovered button label, a switched-off level and a macro on a button, so
// that the snapshots show these looks too.
int WriteSnapshots(const std::filesystem::path& dir) {
  Scene& scene = TheScene();
  scene.settings.levels[3].enabled = 0;
  scene.settings.K[6] = 41;
  PagePainter painter(kSkinDir);
  PaintState state;
  state.curProfile = 1;
  state.hoverMain = 21;
  state.settings = &scene.settings;
  state.macros = &scene.macros;
  const char* names[] = {"main", "advanced", "color"};
  for (int32_t language : {1, 0}) {
    LoadAllLayouts(scene.layout, kSkinDir, language);
    state.language = language;
    for (uint8_t page : {kPageMain, kPageAdvanced, kPageColor}) {
      state.page = page;
      const std::string file =
          (dir / ("paint-" + std::string(names[page]) + (language ? "-en" : "-tr") + ".png")).string();
      if (!painter.Compose(state, scene.layout).save(QString::fromStdString(file))) {
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
        return 1;
      }
      std::printf("%s\n", file.c_str());
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  char name[] = "app_paint_bench";
  char* qtArgv[] = {name, nullptr};
  QGuiApplication app(qtArgc, qtArgv);
  constexpr const char* kSnapshots = "--snapshots=";
  if (argc > 1 && std::strncmp(argv[1], kSnapshots, std::strlen(kSnapshots)) == 0) {
    return WriteSnapshots(argv[1] + std::strlen(kSnapshots));
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
