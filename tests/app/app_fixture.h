#pragma once
// A program state on a private copy of the shipped configuration, with a
// layout whose rectangles are easy to aim at: entry i of the Main family lies
// at (10 i, 0), of the Color family at (10 i, 100), of the Advanced family at
// (10 i, 200), each 10 x 10.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/app_state.h"
#include "app/controller.h"
#include "settings/config_file.h"
#include "settings/host_settings.h"
#include "support/memory_mouse.h"
#include "support/temp_dir.h"
#include "app/fake_port.h"

namespace orv::test {

class AppFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir.path() / "skins" / "config");
    std::filesystem::copy_file(std::filesystem::path(ORV_SOURCE_DIR) / "resources" / "config" / "config.ini",
                               dir.path() / "skins" / "config" / "config.ini");
    s.exeDir = dir.path();
    s.skinDir = dir.path() / "skins";
    s.configPath = s.skinDir / "config" / "config.ini";
    s.language = 1;
    s.macroFilePath = app::MacroFilePathFor(s.exeDir, 1);
    s.profile.curProfile = 1;
    UseGridLayout();
    settings::ConfigContext ctx = app::MakeConfigContext(s);
    settings::LoadConfig(ctx, s.configPath, 1, false);
    auto recording = std::make_unique<settings::RecordingHostSettings>();
    host = recording.get();
    s.session.host = std::move(recording);
    s.session.channel.SetWriteCollection(device::HandleState::Open, hid, 8);
    app::PublishSharedSettings(s);
  }

  void UseGridLayout() {
    for (int i = 0; i < skin::kMainEntries; ++i) s.layout.mainHits[i] = {10 * i, 0, 10, 10};
    for (int i = 0; i < skin::kColorEntries; ++i) s.layout.colorHits[i] = {10 * i, 100, 10, 10};
    for (int i = 0; i < skin::kAdvancedEntries; ++i) s.layout.advancedHits[i] = {10 * i, 200, 10, 10};
  }

  static app::Point MainAt(int i) { return {10 * i + 5, 5}; }
  static app::Point ColorAt(int i) { return {10 * i + 5, 105}; }
  static app::Point AdvancedAt(int i) { return {10 * i + 5, 205}; }
  static app::Point Nowhere() { return {5, 500}; }

  // A click as the window sees it: a move onto the point, a press, a release.
  void Click(app::Point p) {
    app::OnPointerMove(s, p, port);
    app::OnPress(s, p, port);
    app::OnRelease(s, p, port);
  }
  void MoveAndPress(app::Point p) {
    app::OnPointerMove(s, p, port);
    app::OnPress(s, p, port);
  }
  void GoTo(uint8_t page) {
    s.ui.page = page;
    app::OnPointerMove(s, Nowhere(), port);
    port.Clear();
  }

  TempDir dir;
  app::AppState s;
  FakePort port;
  settings::RecordingHostSettings* host = nullptr;
  // The mouse, in memory; `hid` is its feature collection, open in s.channel.
  device::SimulatedMouse mouse;
  std::shared_ptr<device::HidWriter> hid = OpenFeatures(mouse);
};

}  // namespace orv::test
