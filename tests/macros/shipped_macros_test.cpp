// The macro files the program ships with, as the build makes them.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "macros/key_names.h"
#include "macros/macro_files.h"
#include "support/temp_dir.h"

namespace orv::macros {
namespace {

std::vector<std::string> Names(const std::array<MacroRecord, MACRO_SLOTS>& slots, int n) {
  std::vector<std::string> names;
  for (int k = 0; k < n; ++k) names.push_back(MacroName(slots[k]));
  return names;
}

std::vector<std::string> Lines(const MacroRecord& r) { return EventListLines(r); }

TEST(ShippedMacros, BuiltInFileHoldsTheEightShortcuts) {
  const std::filesystem::path file = std::filesystem::path(ORV_PORTABLE_DIR) / "constMacro.dat";
  ASSERT_TRUE(std::filesystem::exists(file)) << file;
  auto tables = std::make_unique<MacroTables>();
  EXPECT_EQ(LoadMacros(file, "Macros", *tables, MacroTarget::Const), 8);
  EXPECT_EQ(Names(tables->constMacros, 8), (std::vector<std::string>{"Copy", "Paste", "Cut", "Undo", "Redo",
                                                                      "Select All", "Save", "Switch Window"}));
  const char* keys[] = {"C", "V", "X", "Z", "Y", "A", "S", "TAB"};
  for (int k = 0; k < 8; ++k) {
    const MacroRecord& r = tables->constMacros[k];
    const std::string mod = k == 7 ? "LMENU" : "LCONTROL";
    EXPECT_EQ(r.mode, MODE_ONCE);
    EXPECT_EQ(r.repeatCount, 1);
    EXPECT_EQ(Lines(r), (std::vector<std::string>{"[\u2193]" + mod, "    30ms", "[\u2193]" + std::string(keys[k]),
                                                  "    30ms", "[\u2191]" + std::string(keys[k]), "    30ms",
                                                  "[\u2191]" + mod}))
        << MacroName(r);
    EXPECT_EQ(r.delays[3], 30);
  }
  EXPECT_EQ(tables->constMacros[8], MacroRecord{});
}

TEST(ShippedMacros, UserFilesHoldTheExamplesInBothLanguages) {
  struct Case {
    const char* file;
    std::vector<std::string> names;
    std::string typed;
  } cases[] = {
      {"Macro_EN.dat", {"Hello", "Double Click", "Select Line"}, "HELLO"},
      {"Macro_CN.dat", {"Merhaba", "Çift Tıklama", "Satırı Seç"}, "MERHABA"},
  };
  for (const Case& c : cases) {
    const std::filesystem::path file = std::filesystem::path(ORV_PORTABLE_DIR) / c.file;
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    auto tables = std::make_unique<MacroTables>();
    const int n = LoadMacros(file, "Macros", *tables, MacroTarget::User);
    EXPECT_EQ(n, 3) << c.file;
    EXPECT_EQ(Names(tables->userMacros, n), c.names) << c.file;

    const MacroRecord& typing = tables->userMacros[0];
    ASSERT_EQ(typing.eventCount, 2 * c.typed.size()) << c.file;
    for (size_t i = 0; i < c.typed.size(); ++i) {
      EXPECT_EQ(KeyNameFor(typing.events[2 * i].code), std::string(1, c.typed[i])) << c.file;
      EXPECT_EQ(typing.events[2 * i].action, ACTION_DOWN);
      EXPECT_EQ(typing.events[2 * i + 1], (MacroEvent{typing.events[2 * i].code, ACTION_UP}));
    }
    const MacroRecord& click = tables->userMacros[1];
    ASSERT_EQ(click.eventCount, 4) << c.file;
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(click.events[k], (MacroEvent{CODE_LEFT_BUTTON, k % 2 ? ACTION_UP : ACTION_DOWN})) << c.file;
    }

    // Saved again, the file comes out the same byte for byte.
    test::TempDir dir;
    ASSERT_EQ(SaveMacros(dir / "again.dat", "Macros", *tables), Outcome());
    EXPECT_EQ(test::ReadText(dir / "again.dat"), test::ReadText(file)) << c.file;
  }
}

}  // namespace
}  // namespace orv::macros
