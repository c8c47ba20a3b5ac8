#pragma once
// The Advanced page's four controls as plain data, for the editor's tests.
#include <string>
#include <vector>

#include "app/macro_editor.h"

namespace orv::test {

class FakeMacroView : public app::MacroView {
 public:
  bool exists = true;
  std::vector<std::string> macroLines;
  int macroSel = -1;
  std::string name;
  std::string countText = "1";
  bool countEnabled = false;
  std::vector<std::string> eventLines;
  int eventSel = -1;
  int editorLine = -1;  // the line the in-place editor is open on, -1 when it is closed
  std::string editorText;
  app::EventListGeometry geometry{0, 0, 100, 200, 10, 0};

  // The window makes the controls empty when the Advanced page opens and
  // deletes them when it closes.
  void Create() {
    exists = true;
    macroLines.clear();
    macroSel = -1;
    name.clear();
    countText = "1";
    countEnabled = false;
    eventLines.clear();
    eventSel = -1;
    editorLine = -1;
  }
  void Destroy() {
    Create();
    exists = false;
  }

  bool Exists() override { return exists; }
  // Without the controls (another page) writes do nothing and reads find
  // nothing, as on the window.
  void SetMacroLines(const std::vector<std::string>& lines) override {
    if (!exists) return;
    macroLines = lines;
    macroSel = -1;
  }
  void AddMacroLine(const std::string& line) override {
    if (exists) macroLines.push_back(line);
  }
  void RemoveMacroLine(int line) override {
    macroLines.erase(macroLines.begin() + line);
    macroSel = -1;
  }
  int MacroLineCount() override { return exists ? static_cast<int>(macroLines.size()) : 0; }
  std::string MacroLineText(int line) override { return In(line, macroLines) ? macroLines[line] : ""; }
  int MacroSelection() override { return exists ? macroSel : -1; }
  void SelectMacroLine(int line) override { macroSel = In(line, macroLines) ? line : -1; }
  void FocusMacroList() override {}
  std::string NameText() override { return name; }
  void SetNameText(const std::string& text) override {
    if (exists) name = text;
  }
  void SetCountBox(const std::string& text, bool enabled) override {
    if (!exists) return;
    countText = text;
    countEnabled = enabled;
  }
  void SetEventLines(const std::vector<std::string>& lines) override {
    if (!exists) return;
    eventLines = lines;
    eventSel = -1;
  }
  void AppendEventLines(const std::vector<std::string>& lines) override {
    if (exists) eventLines.insert(eventLines.end(), lines.begin(), lines.end());
  }
  int EventLineCount() override { return exists ? static_cast<int>(eventLines.size()) : 0; }
  std::string EventLineText(int line) override { return In(line, eventLines) ? eventLines[line] : ""; }
  int EventSelection() override { return exists ? eventSel : -1; }
  void SelectEventLine(int line) override { eventSel = In(line, eventLines) ? line : -1; }
  void FocusEventList() override {}
  app::EventListGeometry EventGeometry() override { return geometry; }
  void OpenLineEditor(int line) override {
    editorLine = line;
    editorText = EventLineText(line);
  }
  std::string LineEditorText() override { return editorText; }
  void CloseLineEditor() override { editorLine = -1; }

  // A right-click with the pointer over event line `line` (the list's top
  // line is 0, items 10 pixels high).
  app::Point OverLine(int line) const { return {5, geometry.top + 10 * line + 5}; }

 private:
  static bool In(int i, const std::vector<std::string>& v) { return i >= 0 && i < static_cast<int>(v.size()); }
};

}  // namespace orv::test
