// Drives the macro editor, the recorder and the controller with random
// sequences of what a user does on the window (the same plain code the window
// calls, through faked controls and a faked window), and checks after every
// step that no macro was corrupted, edited in the wrong place or mixed with
// another, that saves store exactly the live tables and that the buttons keep
// playing the macros they were given.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/controller.h"
#include "app/fake_macro_view.h"
#include "app/fake_port.h"
#include "app/macro_editor.h"
#include "app/menu_commands.h"
#include "macros/key_names.h"
#include "macros/macro_files.h"
#include "macros/native_keys.h"
#include "platform/decimal.h"
#include "platform/file_names.h"
#include "platform/log.h"
#include "platform/private_profile.h"
#include "settings/config_file.h"
#include "skin/function_menu.h"
#include "skin/hit_indexes.h"
#include "support/fake_clock.h"

namespace {

namespace fs = std::filesystem;
using orv::app::AppState;
using orv::app::Point;
using orv::macros::MacroRecord;
using orv::macros::MacroTables;
namespace M = orv::skin::hits::main;
namespace A = orv::skin::hits::advanced;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
  __builtin_trap();
}
// The message is built only when the check fails.
#define CHECK(ok, what) \
  do {                  \
    if (!(ok)) Fail(what); \
  } while (false)

// The program's log lines (repaired profiles and the like) are not what is
// checked here.
class QuietLog final : public orv::log::Sink {
 public:
  void Write(orv::log::Level, std::string_view, std::string_view) override {}
};

class NullWriter final : public orv::device::HidWriter {
 public:
  bool SetFeature(const uint8_t*, size_t) override { return true; }
};

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Replaces the file by a new one (a new inode, so no cached copy survives).
void WriteBytes(const fs::path& file, const std::string& bytes) {
  const fs::path tmp = file.string() + ".new";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  fs::rename(tmp, file);
}

MacroRecord Macro(const std::string& name, std::vector<orv::macros::MacroEvent> events, uint8_t mode = 0,
                  uint16_t repeat = 1) {
  MacroRecord r;
  orv::macros::SetMacroName(r, name);
  r.mode = mode;
  r.repeatCount = repeat;
  r.eventCount = static_cast<uint8_t>(events.size());
  for (size_t k = 0; k < events.size(); ++k) {
    r.events[k] = events[k];
    r.delays[k] = static_cast<uint16_t>(30 + 10 * k);
  }
  return r;
}

void Fill(MacroTables& t, const std::vector<MacroRecord>& records) {
  t.userMacros = {};
  for (size_t i = 0; i < records.size(); ++i) t.userMacros[i] = records[i];
  t.userMacroCount = static_cast<int16_t>(records.size());
}

// The user macros of a table, copied.
struct Macros {
  std::array<MacroRecord, orv::macros::MACRO_SLOTS> userMacros{};
  int16_t userMacroCount = 0;
  int32_t selectedMacro = 0;
};

// A layout whose entry i of every family lies on its own 10 x 10 square:
// Main at (10 i, 0), Color at (10 i, 100), Advanced at (10 i, 200).
void WriteGridLayouts(const fs::path& skinDir) {
  using orv::skin::LayoutFile;
  for (int language : {0, 1}) {
    const auto positions = [](int entries, int y) {
      std::string text = "[BUTTONPOS]\n";
      for (int i = 0; i < entries; ++i) {
        text += std::to_string(i) + "=0," + std::to_string(10 * i) + "," + std::to_string(y) + ",10,10,t" +
                std::to_string(i) + ",\n";
      }
      return text;
    };
    const auto write = [&](LayoutFile which, const std::string& text) {
      const fs::path file = orv::skin::LayoutPath(skinDir, language, which);
      fs::create_directories(file.parent_path());
      std::ofstream(file) << text;
    };
    std::string main = positions(orv::skin::kMainEntries, 0) + "[FUN_STRING]\n";
    for (int k = 1; k <= orv::skin::kFunctionNameKeys; ++k) main += std::to_string(k) + "=f" + std::to_string(k) + ",\n";
    write(LayoutFile::Main, main);
    write(LayoutFile::Color, positions(orv::skin::kColorEntries, 100));
    write(LayoutFile::Advanced, positions(orv::skin::kAdvancedEntries, 200) +
                                    "[EDIT]\n2=0,0,300,10,10,\n3=0,0,310,10,10,\n4=0,0,320,10,10,\n"
                                    "[MACRODISPLAY]\n1=0,0,330,10,10,\n2=0,0,340,10,10,\n");
    write(LayoutFile::Warning, positions(orv::skin::kWarningEntries, 400));
  }
}

// The files every run starts from: profiles holding macros of their own, the
// two languages' macro files, a macro file and a settings file to import.
struct World {
  fs::path root, skinDir, work, configPath, importMacros, importSettings, exportFile;
  std::map<fs::path, std::string> initial;
  orv::skin::SkinLayout layout;
  // The state after the start-up's loads, which every run begins with.
  orv::settings::MouseSettings settings;
  Macros macros;
  orv::settings::ProfileState profile;
  uint64_t writesRestored = 0;

  World() {
    static QuietLog quiet;
    orv::log::SetSink(&quiet);
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    const std::string prefix = "orv-macro-fuzz-";
    // Folders of runs that ended on a finding (no clean-up then) go first.
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(base, ignored)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(prefix, 0) == 0 && !fs::exists("/proc/" + name.substr(prefix.size()))) {
        fs::remove_all(entry.path(), ignored);
      }
    }
    root = base / (prefix + std::to_string(::getpid()));
    fs::remove_all(root);
    skinDir = root / "skins";
    WriteGridLayouts(skinDir);
    CHECK(orv::skin::LoadAllLayouts(layout, skinDir, 1).complete, "layouts load");
    work = root / "work";
    fs::create_directories(work / "config");
    configPath = work / "config" / "config.ini";
    fs::copy_file(fs::path(ORV_SOURCE_DIR) / "resources" / "config" / "config.ini", configPath);
    importMacros = work / "import.dat";
    importSettings = work / "import.ini";
    exportFile = work / "export.dat";

    using orv::macros::MacroEvent;
    const uint8_t D = orv::macros::ACTION_DOWN, U = orv::macros::ACTION_UP;
    const MacroRecord hello = Macro("Hello", {{11, D}, {11, U}, {8, D}, {8, U}, {15, D}, {15, U}});
    const MacroRecord dbl = Macro("Double Click", {{240, D}, {240, U}, {240, D}, {240, U}}, 1, 5);
    const MacroRecord line = Macro("Select Line", {{74, D}, {74, U}, {225, D}, {77, D}, {77, U}, {225, U}});
    const MacroRecord fire = Macro("Fire", {{44, D}, {44, U}}, 2);
    const MacroRecord empty = Macro("Empty", {});
    const MacroRecord tab = Macro("Tab", {{43, D}, {43, U}}, 1, 3);

    const auto saveMacros = [](const fs::path& file, const std::vector<MacroRecord>& records) {
      MacroTables t;
      Fill(t, records);
      CHECK(!orv::macros::SaveMacros(file, orv::names::kMacroSection, t).has_value(), "write " + file.string());
    };
    saveMacros(work / orv::names::UserMacroFileFor(1), {hello, dbl, line});
    saveMacros(work / orv::names::UserMacroFileFor(0), {tab, fire});
    saveMacros(importMacros, {fire, empty, hello, tab});

    // Profile n of `file`: profile 1's settings with `records` as its macros
    // and button `button` on macro `slot`.
    const auto writeProfile = [&](const fs::path& file, int n, const std::vector<MacroRecord>& records, int button,
                                  int slot) {
      orv::settings::MouseSettings settings;
      MacroTables tables;
      orv::settings::ConfigContext ctx{settings, tables, nullptr, 1};
      orv::settings::LoadConfig(ctx, configPath, 1, false);
      Fill(tables, records);
      if (slot < tables.userMacroCount) settings.K[static_cast<size_t>(button)] = 41 + slot;
      CHECK(!orv::settings::SaveConfig(ctx, file, n, true).has_value(), "write profile " + std::to_string(n));
    };
    // Profiles 1 ... 6 hold macro blocks of their own, with button 3 on the last macro.
    const std::vector<std::vector<MacroRecord>> profiles = {
        {hello, dbl, line}, {dbl, hello}, {}, {line, fire, empty, tab}, {tab}, {hello, dbl, line}};
    for (int n = 6; n >= 1; --n) {
      const auto& records = profiles[static_cast<size_t>(n - 1)];
      writeProfile(configPath, n, records, 3, static_cast<int>(records.size()) - 1);
    }
    writeProfile(importSettings, orv::settings::kExchangeProfile, {empty, fire}, 4, 1);
    {
      MacroTables tables;
      profile.curProfile = 1;
      orv::settings::ConfigContext ctx{settings, tables, &profile, 1};
      orv::settings::LoadConfig(ctx, configPath, 1, false);
      orv::macros::LoadMacros(work / orv::names::UserMacroFileFor(1), orv::names::kMacroSection, tables,
                              orv::macros::MacroTarget::User);
      macros = Macros{tables.userMacros, tables.userMacroCount, tables.selectedMacro};
    }
    for (const fs::path& f : {configPath, work / fs::path(orv::names::UserMacroFileFor(1)),
                              work / fs::path(orv::names::UserMacroFileFor(0)), importMacros, importSettings}) {
      initial[f] = ReadBytes(f);
    }
    writesRestored = orv::IniFileWriteCount();
  }
  ~World() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  // Puts back the files a run changed (a file left alone stays cached).
  void Restore() {
    if (orv::IniFileWriteCount() == writesRestored) return;
    for (const auto& [file, bytes] : initial) {
      if (ReadBytes(file) != bytes) WriteBytes(file, bytes);
    }
    std::error_code ignored;
    fs::remove(exportFile, ignored);
    writesRestored = orv::IniFileWriteCount();
  }
};

World& TheWorld() {
  static World world;
  return world;
}

// The next bytes of the input, 0 once it is used up.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return pos_ >= size_; }
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

Macros Loaded(const fs::path& file, const std::string& section) {
  MacroTables t;
  orv::macros::LoadMacros(file, section, t, orv::macros::MacroTarget::User);
  return Macros{t.userMacros, t.userMacroCount, t.selectedMacro};
}

std::string SlotText(int i) { return "slot " + std::to_string(i); }

constexpr int kButtons = orv::settings::kButtonCount;

class Session {
 public:
  explicit Session(const World& w) : world_(w) {
    s.exeDir = w.work;
    s.skinDir = w.skinDir;
    s.configPath = w.configPath;
    s.language = 1;
    s.macroFilePath = orv::app::MacroFilePathFor(w.work, 1);
    s.profile = w.profile;
    s.settings = w.settings;
    s.macros.userMacros = w.macros.userMacros;
    s.macros.userMacroCount = w.macros.userMacroCount;
    s.macros.selectedMacro = w.macros.selectedMacro;
    clock_ = &orv::test::UseFakeClock(s);
    s.session.channel.SetWriteCollection(orv::device::HandleState::Open, std::make_shared<NullWriter>(), 8);
    s.layout = w.layout;
    view.Destroy();
    view.geometry = {0, 0, 100, 10 * 600, 10, 0};
    port.state = &s;
    port.controls = &view;
    port.warningAnswer = 1;
    TrackButtons();
    // The user has opened the macro page.
    orv::app::EnterAdvancedPage(s, port);
  }

  void Step(Input& in);

 private:
  const World& world_;
  AppState s;
  orv::test::FakeMacroView view;
  orv::test::FakePort port;
  orv::test::FakeClock* clock_ = nullptr;  // s.clock
  // The open in-place edit as the user started it: the macro shown and the
  // line, and that macro then.
  int32_t editMacro_ = -1;
  int editLine_ = -1;
  MacroRecord editBefore_;
  // The button functions as they should be.
  std::array<int32_t, kButtons> expectedK_{};
  bool nameBoxTyped_ = false;
  std::string last_;

  void Click(Point p) {
    orv::app::OnPointerMove(s, p, port);
    orv::app::OnPress(s, p, port);
    orv::app::OnRelease(s, p, port);
  }
  static Point MainAt(int i) { return {10 * i + 5, 5}; }
  static Point AdvancedAt(int i) { return {10 * i + 5, 205}; }
  bool OnAdvanced() const { return s.ui.page == orv::app::kPageAdvanced; }
  bool Editing() const { return view.editorLine >= 0; }

  const MacroRecord& Slot(int i) const { return s.macros.userMacros[static_cast<size_t>(i)]; }
  Macros Snapshot() const { return Macros{s.macros.userMacros, s.macros.userMacroCount, s.macros.selectedMacro}; }

  void TrackButtons() {
    for (int b = 0; b < kButtons; ++b) expectedK_[static_cast<size_t>(b)] = s.settings.K[static_cast<size_t>(b)];
  }

  // The tables once the open edit is confirmed: its text becomes the delay
  // of its line when that is a delay line of the macro it was opened on.
  Macros WithEditConfirmed(const Macros& before) const {
    Macros expected = before;
    const MacroRecord& r = editBefore_;
    const bool delayLine = editLine_ % 2 == 1 && editLine_ / 2 + 1 < r.eventCount;
    const bool inPlace = editMacro_ >= 0 && editMacro_ < before.userMacroCount &&
                         before.userMacros[static_cast<size_t>(editMacro_)] == r;
    if (!delayLine || !inPlace) return expected;
    std::string number = view.editorText;
    if (const size_t ms = number.find("ms"); ms != std::string::npos) number.resize(ms);
    expected.userMacros[static_cast<size_t>(editMacro_)].delays[static_cast<size_t>(editLine_ / 2)] =
        static_cast<uint16_t>(std::clamp<int32_t>(orv::ReadDecimal(number), 0, 65535));
    return expected;
  }

  void CheckTablesEqual(const Macros& expected, const std::string& what) const {
    CHECK(s.macros.userMacroCount == expected.userMacroCount, what + ": macro count");
    for (int i = 0; i < orv::macros::MACRO_SLOTS; ++i) {
      CHECK(Slot(i) == expected.userMacros[static_cast<size_t>(i)], what + ": " + SlotText(i));
    }
  }

  void CheckLoaded(const fs::path& file, const std::string& section, const std::string& what) const {
    const Macros t = Loaded(file, section);
    CHECK(t.userMacroCount == s.macros.userMacroCount, what + ": count in " + section);
    for (int i = 0; i < t.userMacroCount; ++i) {
      CHECK(t.userMacros[static_cast<size_t>(i)] == Slot(i), what + ": " + SlotText(i) + " in " + section);
    }
  }

  // After a save: the language's macro file and the profile's section hold
  // exactly the live macros (a recording that runs with what it has recorded
  // so far), and the profile the live button functions.
  void CheckSaved(const std::string& what) const {
    CheckLoaded(s.macroFilePath, orv::names::kMacroSection, what + " (macro file)");
    const std::string section = "Config" + std::to_string(s.profile.curProfile);
    CheckLoaded(s.configPath, section, what + " (profile)");
    if (s.editor.recorder.Recording()) {
      const Macros t = Loaded(s.macroFilePath, orv::names::kMacroSection);
      CHECK(t.userMacros[static_cast<size_t>(s.editor.recorder.Macro())].eventCount == s.editor.recorder.Count(),
            what + ": the recording so far is saved");
    }
    for (int b = 0; b < kButtons; ++b) {
      const std::string key = "K" + std::to_string(b);
      CHECK(orv::ReadDecimal(orv::GetProfileString(s.configPath, section, key, 32)) == s.settings.K[static_cast<size_t>(b)],
            what + ": " + key + " saved");
    }
  }

  void CheckControls() const;
};

void Session::CheckControls() const {
  CHECK(Editing() == s.editor.eventEdit.has_value(), "the edit box is open exactly while an edit is after " + last_);
  if (!OnAdvanced() || Editing() || s.editor.recorder.Recording() || s.macros.userMacroCount == 0) return;
  const MacroRecord& r = Slot(s.macros.selectedMacro);
  std::vector<std::string> names;
  for (int i = 0; i < s.macros.userMacroCount; ++i) names.push_back(orv::macros::MacroName(Slot(i)));
  CHECK(view.macroLines == names, "the macro list shows the macros after " + last_);
  CHECK(view.macroSel == s.macros.selectedMacro, "the macro list selects the selected macro after " + last_);
  CHECK(view.eventLines == orv::macros::EventListLines(r), "the event list shows the selected macro after " + last_);
  const bool counted = r.mode == orv::macros::MODE_COUNTED;
  CHECK(view.countText == (counted ? std::to_string(r.repeatCount) : std::string("1")) && view.countEnabled == counted,
        "the count box shows the selected macro's count after " + last_);
  if (!nameBoxTyped_) CHECK(view.name == orv::macros::MacroName(r), "the name box names the selected macro after " + last_);
}

// The user's actions, one byte each (a second byte, and for a right-click a
// third, chooses among their variants).
enum Op : uint8_t {
  kSelectMacro, kTypeName, kNew, kDelete, kRecord, kSave, kCounted, kHeld, kImportMacros, kExportMacros,
  kKey, kCtrlA, kInsert, kLetter, kClickLine, kRightClickLine, kTypeInEdit, kEndEdit, kTab, kProfile,
  kCancel, kLanguage, kImportSettings, kReset, kApply, kBarSave, kButtonFunction, kClickElsewhere, kOpCount
};

void Session::Step(Input& in) {
  const auto op = static_cast<Op>(in.Byte() % kOpCount);
  const uint8_t arg = in.Byte();
  clock_->AdvanceMs(7);
  const bool wasEditing = Editing();

  // While the edit box has the focus, keys typed on the list go to it.
  if (wasEditing && (op == kCtrlA || op == kInsert || op == kLetter)) return;
  if (op == kTypeInEdit) {
    static const char* kTexts[] = {"500", "70000", "-1", "abc", "    120ms", "", "65535", "0"};
    if (wasEditing) view.editorText = kTexts[arg % 8];
    return;
  }
  // Anything else ends an open edit first (Return, Escape, the focus moving
  // away, a click on the window): what the tables should then hold.
  const bool escape = op == kEndEdit && arg % 4 == 1;
  const Macros before = wasEditing && !escape ? WithEditConfirmed(Snapshot()) : Snapshot();
  bool reload = false;  // the action reloads the macro tables from a file
  fs::path loadedFile;
  std::string loadedSection;
  bool saved = false;
  bool selects = false;              // the action shows a macro in the name box
  std::optional<int32_t> deleted;    // the slot a Delete removes
  std::optional<int32_t> onlyMacro;  // the action may change this macro only (-1: none at all)
  bool buttonsSet = false;           // the action sets button functions itself
  bool mayOpenEdit = false;          // the action may open an edit

  const auto advancedButton = [&](int index) {
    Click(AdvancedAt(index));
    last_ = "advanced " + std::to_string(index);
  };

  switch (op) {
    case kSelectMacro:  // a click on a line of the macro list (its focus ends an edit)
      if (!OnAdvanced() || view.macroLines.empty()) return;
      orv::app::EndEventEdit(s, view, true);
      view.macroSel = arg % static_cast<int>(view.macroLines.size());
      orv::app::OnMacroSelected(s, view);
      selects = true;
      onlyMacro = -1;
      last_ = "select " + std::to_string(view.macroSel);
      break;
    case kTypeName: {
      if (!OnAdvanced()) return;
      orv::app::EndEventEdit(s, view, true);
      const int count = s.macros.userMacroCount;
      switch (arg % 4) {
        case 0: view.name = count > 0 ? orv::macros::MacroName(Slot(arg / 4 % count)) : "x"; break;
        case 1: view.name = "n" + std::to_string(arg / 4 % 3); break;
        case 2: view.name = "   "; break;
        default: view.name.clear(); break;
      }
      nameBoxTyped_ = true;
      onlyMacro = -1;
      last_ = "typed name '" + view.name + "'";
      break;
    }
    case kNew:
      if (!OnAdvanced()) return;
      advancedButton(A::kAddMacro);
      break;
    case kDelete:
      if (!OnAdvanced()) return;
      if (!s.editor.recorder.Recording() && view.MacroSelection() >= 0) {
        deleted = view.MacroSelection();
        selects = true;
      } else {
        onlyMacro = -1;
      }
      advancedButton(A::kDeleteMacro);
      break;
    case kRecord:
      if (!OnAdvanced()) return;
      onlyMacro = s.editor.recorder.Recording() ? s.editor.recorder.Macro() : view.MacroSelection();
      advancedButton(A::kRecord);
      break;
    case kSave:
      if (!OnAdvanced()) return;
      onlyMacro = s.macros.selectedMacro;  // takes its repeat count
      advancedButton(A::kSaveMacros);
      saved = true;
      break;
    case kCounted:
    case kHeld:
      if (!OnAdvanced()) return;
      onlyMacro = s.macros.selectedMacro;
      advancedButton(op == kCounted ? A::kCountedMode : A::kHeldMode);
      break;
    case kImportMacros: {
      if (!OnAdvanced()) return;
      const bool chosen = arg & 1;
      port.fileAnswer = chosen ? std::optional<fs::path>(world_.importMacros) : std::nullopt;
      if (chosen) {
        reload = true;
        loadedFile = world_.importMacros;
        loadedSection = orv::names::kMacroSection;
      } else {
        onlyMacro = -1;
      }
      advancedButton(A::kImportMacros);
      break;
    }
    case kExportMacros:
      if (!OnAdvanced()) return;
      port.fileAnswer = world_.exportFile;
      onlyMacro = -1;
      advancedButton(A::kExportMacros);
      CheckLoaded(world_.exportFile, orv::names::kMacroSection, "export");
      break;
    case kKey: {  // a key typed while recording, by its position
      if (!s.editor.recorder.Recording()) return;
      // A, B, left Shift, Return, the key left of 1, the ISO key, keypad Enter, volume up
      static constexpr uint32_t kKeycodes[] = {38, 56, 50, 36, 49, 94, 104, 123};
      onlyMacro = s.editor.recorder.Macro();
      if (const auto message = orv::macros::KeyMessageFor({kKeycodes[(arg >> 1) % 8], (arg & 1) == 0, false})) {
        orv::app::RecordKey(s, view, *message);
      }
      last_ = "key";
      break;
    }
    case kCtrlA:
    case kInsert:
    case kLetter:
      if (!OnAdvanced() || s.editor.recorder.Recording()) return;
      if (op == kInsert) {
        orv::app::OnEventListInsertReleased(s, view);
      } else {
        orv::app::OnEventListCharacter(s, view, op == kCtrlA ? 1 : 'x');
      }
      onlyMacro = -1;
      mayOpenEdit = true;
      last_ = op == kCtrlA ? "Ctrl+A" : op == kInsert ? "Insert" : "a letter";
      break;
    case kClickLine: {  // a left click on a line of the event list (its focus ends an edit)
      if (!OnAdvanced()) return;
      orv::app::EndEventEdit(s, view, true);
      const int line = arg % (static_cast<int>(view.eventLines.size()) + 1);
      view.SelectEventLine(line);
      onlyMacro = -1;
      last_ = "click on line " + std::to_string(line);
      break;
    }
    case kRightClickLine: {  // a right-click on the event list, then a menu command or Escape
      if (!OnAdvanced()) return;
      const uint8_t command = in.Byte();
      orv::app::EndEventEdit(s, view, true);
      const int line = arg % (static_cast<int>(view.eventLines.size()) + 2);
      onlyMacro = -1;
      mayOpenEdit = true;
      last_ = "right-click on line " + std::to_string(line);
      if (s.editor.recorder.Recording()) break;  // the window does not route it while recording
      view.SelectEventLine(line);
      if (!orv::app::OnRightRelease(s, view, view.OverLine(line))) {
        orv::app::OnEventListRightReleased(s, view, view.EventSelection() == line && line >= 0);
        break;
      }
      static constexpr int kCommands[] = {orv::app::kCmdEnForwardLeftDown, orv::app::kCmdEnBackwardRightUp,
                                          orv::app::kCmdTrForwardMidDown, orv::app::kCmdEnModifyDelay,
                                          orv::app::kCmdTrModifyDelay, orv::app::kCmdEnDelete,
                                          orv::app::kCmdTrBackwardLeftUp};
      const int pick = command % 8;
      if (pick == 7) break;  // Escape: no command
      onlyMacro = s.macros.selectedMacro;
      last_ += ", command " + std::to_string(kCommands[pick]);
      orv::app::OnContextCommand(s, kCommands[pick], port);
      break;
    }
    case kEndEdit:  // Return, Escape, the focus moving away, the list scrolling
      if (!wasEditing) return;
      orv::app::EndEventEdit(s, view, !escape);
      onlyMacro = -1;
      last_ = std::string(escape ? "edit cancelled" : "edit confirmed") + " on line " + std::to_string(editLine_) +
              " of " + SlotText(editMacro_) + " with \"" + view.editorText + "\"";
      break;
    case kTab:
      Click(MainAt(M::kMainTab + arg % 3));
      onlyMacro = -1;
      last_ = "tab";
      break;
    case kProfile: {
      const int n = arg % 5 + 1;
      Click(MainAt(M::kFirstProfile + n - 1));
      reload = true;
      loadedFile = s.configPath;
      loadedSection = "Config" + std::to_string(n);
      last_ = "profile " + std::to_string(n);
      break;
    }
    case kCancel:  // close without applying
      Click(MainAt(M::kCloseWithoutApplying));
      reload = true;
      loadedFile = s.configPath;
      loadedSection = "Config" + std::to_string(orv::settings::kAppliedProfile);
      last_ = "cancel";
      break;
    case kLanguage: {
      const bool english = arg & 1;
      Click(MainAt(english ? M::kEnglish : M::kTurkish));
      reload = true;
      loadedFile = orv::app::MacroFilePathFor(world_.work, english ? 1 : 0);
      loadedSection = orv::names::kMacroSection;
      last_ = "language";
      break;
    }
    case kImportSettings:
      port.fileAnswer = world_.importSettings;
      Click(MainAt(M::kImportSettings));
      reload = true;
      loadedFile = world_.importSettings;
      loadedSection = "Config" + std::to_string(orv::settings::kExchangeProfile);
      last_ = "settings import";
      break;
    case kReset:  // factory settings
      Click(MainAt(M::kReset));
      reload = true;
      loadedFile = s.configPath;
      loadedSection = "Config" + std::to_string(s.profile.curProfile);
      saved = true;
      last_ = "reset";
      break;
    case kApply:  // repairs a profile without a left click
      Click(MainAt(M::kApply));
      saved = true;
      buttonsSet = true;
      onlyMacro = s.macros.selectedMacro;  // takes its repeat count
      last_ = "apply";
      break;
    case kBarSave:
      Click(MainAt(M::kSave));
      CheckLoaded(s.configPath, "Config" + std::to_string(s.profile.curProfile), "bar save");
      onlyMacro = -1;
      last_ = "save";
      break;
    case kButtonFunction: {  // a button's function menu: a user macro, or Escape
      if (s.ui.page != orv::app::kPageMain || s.macros.userMacroCount == 0) return;
      const int b = arg % kButtons;
      Click(MainAt(M::kFirstButton + b));
      onlyMacro = -1;
      buttonsSet = true;
      last_ = "button function";
      if (!s.ui.buttonMenuOpen) break;
      if (arg & 0x80) {
        const int32_t k = s.settings.K[static_cast<size_t>(b)];
        CHECK(orv::app::OnEscapeKey(s, port) && !s.ui.buttonMenuOpen && port.calls.back() == "CloseButtonMenu" &&
                  s.settings.K[static_cast<size_t>(b)] == k,
              "Escape closes the function menu without a choice");
        break;
      }
      orv::app::ChooseSubMenuRow(s, orv::skin::kMenuRowMacros, arg / kButtons % s.macros.userMacroCount + 1, port);
      break;
    }
    default:  // kClickElsewhere: a click on an empty place of the window
      Click({5, 900});
      onlyMacro = -1;
      last_ = "click elsewhere";
      break;
  }
  // The user's action ended the edit that was open (unless it opened one).
  if (!mayOpenEdit) CHECK(!Editing(), "an edit stays open after " + last_);
  if (selects) nameBoxTyped_ = false;
  if (Editing() && !wasEditing) {
    editMacro_ = s.macros.selectedMacro;
    editLine_ = view.editorLine;
    editBefore_ = Slot(editMacro_);
  }

  // ---- What every step keeps ----
  CHECK(s.macros.userMacroCount >= 0 && s.macros.userMacroCount <= orv::macros::MAX_USER_MACROS, "macro count");
  CHECK(s.macros.userMacroCount == 0 ||
            (s.macros.selectedMacro >= 0 && s.macros.selectedMacro < s.macros.userMacroCount),
        "selection within the list after " + last_);
  CHECK(Slot(orv::macros::MAX_USER_MACROS) == MacroRecord{}, "slot 12 stays the empty recording record");
  for (int i = 0; i < s.macros.userMacroCount; ++i) {
    const std::string name = orv::macros::MacroName(Slot(i));
    CHECK(before.userMacroCount > i || name.find_first_not_of(" \t") != std::string::npos,
          "a new macro has a name that is not only blanks after " + last_);
  }
  CHECK(s.editor.recording == s.editor.recorder.Recording(), "the recording flag follows the recorder");
  if (s.editor.recorder.Recording()) {
    const int32_t slot = s.editor.recorder.Macro();
    CHECK(slot >= 0 && slot < s.macros.userMacroCount, "recording slot listed");
  }

  // An action on one macro leaves every other byte for byte (-1: all).
  if (onlyMacro) {
    for (int i = 0; i < orv::macros::MACRO_SLOTS; ++i) {
      if (i == *onlyMacro) continue;
      CHECK(Slot(i) == before.userMacros[static_cast<size_t>(i)],
            last_ + " on " + SlotText(*onlyMacro) + " changed " + SlotText(i));
    }
  }
  // A Delete takes exactly its macro out; the vacated last slot is reset.
  if (deleted && s.macros.userMacroCount < before.userMacroCount) {
    Macros expected = before;
    const int count = before.userMacroCount;
    for (int i = *deleted; i + 1 < count; ++i) expected.userMacros[static_cast<size_t>(i)] = before.userMacros[static_cast<size_t>(i + 1)];
    MacroRecord& vacated = expected.userMacros[static_cast<size_t>(count - 1)];
    vacated.mode = orv::macros::MODE_ONCE;
    vacated.repeatCount = 1;
    vacated.eventCount = 0;
    expected.userMacroCount = static_cast<int16_t>(count - 1);
    CheckTablesEqual(expected, "delete of " + SlotText(*deleted));
  }
  if (reload) {
    CHECK(!s.editor.recorder.Recording(), "a recording ends before " + last_ + " reloads the macros");
    CheckLoaded(loadedFile, loadedSection, last_ + " loads exactly the file's macros");
  }
  if (saved) CheckSaved(last_);

  // Button functions follow their macros: a Delete moves the functions of
  // the later macros down with them and takes the deleted macro's away.
  if (reload || buttonsSet) {
    TrackButtons();
  } else {
    if (deleted && s.macros.userMacroCount < before.userMacroCount) {
      for (int32_t& k : expectedK_) {
        if (k < orv::settings::kFirstUserMacroFunction || k > orv::settings::kLastUserMacroFunction) continue;
        const int32_t j = k - orv::settings::kFirstUserMacroFunction;
        if (j == *deleted) {
          k = orv::settings::kNoFunction;
        } else if (j > *deleted && j < before.userMacroCount) {
          --k;
        }
      }
    }
    for (int b = 0; b < kButtons; ++b) {
      CHECK(s.settings.K[static_cast<size_t>(b)] == expectedK_[static_cast<size_t>(b)],
            "button " + std::to_string(b) + " plays the macro it was given after " + last_);
    }
  }

  CheckControls();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  World& world = TheWorld();
  world.Restore();
  Session session(world);
  Input in(data, size);
  while (!in.Empty()) session.Step(in);
  return 0;
}
