// Opening the Advanced page with twelve full macros (255 events each): the
// controls created, both lists filled and the window painted, on the
// offscreen platform. For comparison, in the same run, the selected macro's
// event list filled one line at a time with a repaint after each line.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <cstdlib>
#include <filesystem>

#include "app/controller.h"
#include "gui/editable_list.h"
#include "gui/main_window.h"
#include "app/startup.h"
#include "device/device_link.h"
#include "drive/playback.h"
#include "platform/launch.h"
#include "device/simulated/simulated_mouse.h"
#include "macros/key_names.h"
#include "support/temp_dir.h"

namespace {

using namespace orv;
namespace fs = std::filesystem;

// The program on a copy of the portable folder with the simulated mouse, its
// user macros replaced by twelve macros of 255 events.
struct Program {
  test::TempDir dir;
  app::AppState state;
  std::unique_ptr<app::MainWindow> window;

  Program() {
    fs::copy(ORV_PORTABLE_DIR, dir.path() / "app", fs::copy_options::recursive);
    fs::create_directories(dir.path() / "sim");
    setenv("ORV_SIMULATED_MOUSE", (dir.path() / "sim").c_str(), 1);
    state.exeDir = dir.path() / "app";
    state.session.backend = device::MakeHidBackend();
    state.session.host = std::make_unique<settings::RecordingHostSettings>(dir.path() / "sim" / device::kHostLogName);
    state.playback.launcher = std::make_unique<RecordingLauncher>(dir.path() / "sim" / device::kHostLogName);
    window = std::make_unique<app::MainWindow>(state);
    if (app::InitialiseMainWindow(state, *window, {""}) != app::StartupResult::Running) std::exit(1);
    window->show();
    for (int m = 0; m < macros::MAX_USER_MACROS; ++m) {
      macros::MacroRecord& r = state.macros.userMacros[static_cast<size_t>(m)];
      macros::SetMacroName(r, "Macro " + std::to_string(m));
      r.eventCount = macros::MAX_EVENTS;
      for (int k = 0; k < macros::MAX_EVENTS; ++k) {
        r.events[static_cast<size_t>(k)] = {static_cast<uint8_t>(4 + k % 26), k % 2 ? macros::ACTION_UP : macros::ACTION_DOWN};
        r.delays[static_cast<size_t>(k)] = static_cast<uint16_t>(10 + k);
      }
    }
    state.macros.userMacroCount = macros::MAX_USER_MACROS;
    state.macros.selectedMacro = macros::MAX_USER_MACROS - 1;
  }
  ~Program() {
    window->StopAnimation();
    app::StopWorkers(state);
    window.reset();
  }
};

// Made at the first benchmark, ended in main before the application object.
std::unique_ptr<Program> program;

Program& TheProgram() {
  if (!program) program = std::make_unique<Program>();
  return *program;
}

void OpenAdvancedPage(benchmark::State& bench) {
  Program& p = TheProgram();
  for (auto _ : bench) {
    app::EnterAdvancedPage(p.state, *p.window);
    p.window->repaint();
    bench.PauseTiming();
    app::EnterMainPage(p.state, *p.window);
    QApplication::processEvents();
    bench.ResumeTiming();
  }
}
BENCHMARK(OpenAdvancedPage)->Unit(benchmark::kMillisecond);

// The naive way: the event list filled one line at a time, repainted after each.
void FillEventListLineByLine(benchmark::State& bench) {
  Program& p = TheProgram();
  const std::vector<std::string> lines =
      macros::EventListLines(p.state.macros.userMacros[static_cast<size_t>(p.state.macros.selectedMacro)]);
  for (auto _ : bench) {
    app::EnterAdvancedPage(p.state, *p.window);
    auto* list = p.window->findChild<app::EditableListBox*>();
    list->clear();
    for (const std::string& line : lines) {
      list->addItem(QString::fromStdString(line));
      list->repaint();
    }
    bench.PauseTiming();
    app::EnterMainPage(p.state, *p.window);
    QApplication::processEvents();
    bench.ResumeTiming();
  }
}
BENCHMARK(FillEventListLineByLine)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  program.reset();
  return 0;
}
