#pragma once
// A window port that records what the program asked of the window, one line
// per call, and answers dialogs as the test says.
#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "app/app_port.h"
#include "app/fake_macro_view.h"
#include "app/macro_editor.h"

namespace orv::test {

class FakePort final : public app::AppPort {
 public:
  std::vector<std::string> calls;
  std::vector<std::string> messages;
  std::vector<app::FileDialogOptions> fileDialogs;
  std::optional<std::filesystem::path> fileAnswer;
  std::optional<uint32_t> colourAnswer;
  bool trayAvailable = true;
  bool maskLoads = true;
  int32_t maskWidth = 800, maskHeight = 600;
  int warningAnswer = 1;
  std::string countText = "1";
  app::Point origin{100, 50};
  std::atomic<int> postedRepaints{0};
  bool destroyed = false;
  // Set both to have the Advanced page's controls faked by `controls` and the
  // macro editor's operations carried out on them, as the window does.
  app::AppState* state = nullptr;
  FakeMacroView* controls = nullptr;

  // Calls whose line starts with `prefix`.
  int Count(const std::string& prefix) const {
    return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                          [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
  }
  bool Has(const std::string& prefix) const { return Count(prefix) > 0; }
  // The calls other than repaints, which most tests do not care about.
  std::vector<std::string> Actions() const {
    std::vector<std::string> out;
    for (const std::string& c : calls) {
      if (c.rfind("Invalidate", 0) != 0) out.push_back(c);
    }
    return out;
  }
  void Clear() {
    calls.clear();
    messages.clear();
    fileDialogs.clear();
  }

  void ShowMessage(const std::string& text) override {
    calls.push_back("ShowMessage");
    messages.push_back(text);
  }
  void Invalidate(app::RepaintArea area) override {
    calls.push_back(area == app::RepaintArea::Whole ? "Invalidate Whole" : "Invalidate OutsideControls");
  }
  void PostRepaint() override { ++postedRepaints; }
  void SetTitle(const std::string& title) override { calls.push_back("SetTitle " + title); }
  void SetIcon() override { calls.push_back("SetIcon"); }
  Outcome ApplyWindowShape(const std::filesystem::path& mask, int32_t& w, int32_t& h) override {
    calls.push_back("ApplyWindowShape " + mask.filename().string());
    if (!maskLoads) return MissingFile(mask, "not a picture");
    w = maskWidth;
    h = maskHeight;
    return {};
  }
  app::Point WindowOrigin() override { return origin; }
  void StartSystemMove() override { calls.push_back("StartSystemMove"); }
  void Minimise() override { calls.push_back("Minimise"); }
  void Hide() override { calls.push_back("Hide"); }
  void ShowAndRestore() override { calls.push_back("ShowAndRestore"); }
  void DestroyWindow() override {
    calls.push_back("DestroyWindow");
    destroyed = true;
  }
  bool TrayAvailable() override { return trayAvailable; }
  void TrayAdd() override { calls.push_back("TrayAdd"); }
  void TrayRemove() override { calls.push_back("TrayRemove"); }
  void LoadMenus(int32_t language) override { calls.push_back("LoadMenus " + std::to_string(language)); }
  std::optional<std::filesystem::path> ChooseFile(const app::FileDialogOptions& options) override {
    calls.push_back(std::string("ChooseFile ") + (options.save ? "save " : "open ") + options.pattern);
    fileDialogs.push_back(options);
    return fileAnswer;
  }
  std::optional<uint32_t> ChooseColour(uint32_t) override {
    calls.push_back("ChooseColour");
    return colourAnswer;
  }
  void CreateMacroControls() override {
    calls.push_back("CreateMacroControls");
    if (Wired()) controls->Create();
  }
  void DestroyMacroControls() override {
    calls.push_back("DestroyMacroControls");
    if (Wired()) controls->Destroy();
  }
  void RefillMacroLists() override {
    calls.push_back("RefillMacroLists");
    if (Wired()) app::RefillMacroLists(*state, *controls);
  }
  std::string CountEditText() override { return Wired() ? controls->countText : countText; }
  void SetCountEditText(const std::string& text) override {
    calls.push_back("SetCountEditText " + text);
    (Wired() ? controls->countText : countText) = text;
  }
  void StartColourAnimation() override { calls.push_back("StartColourAnimation"); }
  int ShowLeftClickWarning() override {
    calls.push_back("ShowLeftClickWarning");
    return warningAnswer;
  }
  void OpenButtonMenu(int button, app::Point anchor) override {
    calls.push_back("OpenButtonMenu " + std::to_string(button) + " at " + std::to_string(anchor.x) + "," +
                    std::to_string(anchor.y));
  }
  void CloseButtonMenu() override { calls.push_back("CloseButtonMenu"); }
  void AddMacro() override {
    calls.push_back("AddMacro");
    if (Wired()) app::AddMacro(*state, *controls);
  }
  void DeleteMacro() override {
    calls.push_back("DeleteMacro");
    if (Wired()) app::DeleteMacro(*state, *controls);
  }
  void ToggleRecording() override {
    calls.push_back("ToggleRecording");
    if (Wired()) app::ToggleRecording(*state, *controls);
  }
  void StopRecording() override {
    calls.push_back("StopRecording");
    if (state != nullptr) app::StopRecording(*state);
  }
  void ToggleMacroMode(uint8_t bit) override {
    calls.push_back("ToggleMacroMode " + std::to_string(bit));
    if (Wired()) app::ToggleMacroMode(*state, *controls, *this, bit);
  }
  app::MacroView* MacroControls() override { return controls; }

 private:
  bool Wired() const { return state != nullptr && controls != nullptr; }
};

}  // namespace orv::test
