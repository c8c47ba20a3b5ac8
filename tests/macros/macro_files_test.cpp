#include "macros/macro_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "macros/key_names.h"
#include "support/missing_file.h"
#include "support/temp_dir.h"

namespace orv::macros {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

std::string Field(const std::string& entry, size_t first, size_t count) { return entry.substr(3 * first, 3 * count); }

// A record using every field, with codes a file can hold and give back.
MacroRecord FullRecord(uint32_t seed, const char* name) {
  std::mt19937 rng(seed);
  MacroRecord r;
  SetMacroName(r, name);
  r.mode = static_cast<uint8_t>(rng());
  r.repeatCount = static_cast<uint16_t>(rng());
  r.eventCount = 255;
  for (size_t k = 0; k < MAX_EVENTS; ++k) {
    r.events[k].code = VkToUsage(static_cast<uint8_t>(rng()));
    r.events[k].action = static_cast<uint8_t>(rng());
    r.delays[k] = static_cast<uint16_t>(rng());
  }
  return r;
}

std::unique_ptr<MacroTables> Tables() { return std::make_unique<MacroTables>(); }

TEST(MacroEntry, FieldLayout) {
  MacroRecord r;
  SetMacroName(r, "A");
  r.mode = MODE_COUNTED;
  r.repeatCount = 300;
  r.eventCount = 1;
  r.events[0] = {4, ACTION_DOWN};
  r.delays[0] = 30;
  r.events[254] = {CODE_MIDDLE_BUTTON, ACTION_UP};
  r.delays[254] = 0x1234;
  const std::string e = EncodeMacroEntry(r);
  EXPECT_EQ(Field(e, 0, 2), "065000");
  EXPECT_EQ(Field(e, 2, 38), std::string(114, '0'));
  EXPECT_EQ(Field(e, 40, 3), "001044001");
  EXPECT_EQ(Field(e, 43, 1), "001");
  EXPECT_EQ(Field(e, 44, 4), "065001030000");
  EXPECT_EQ(Field(e, 44 + 4 * 254, 4), "242002052018");
}

TEST(MacroEntry, EveryEntryIsExactly3192Digits) {
  MacroRecord maxed;
  maxed.name.fill(0xFFFF);
  maxed.mode = 255;
  maxed.repeatCount = 65535;
  maxed.eventCount = 255;
  maxed.events.fill({255, 255});
  maxed.delays.fill(65535);
  for (const MacroRecord& r : {MacroRecord{}, maxed, FullRecord(1, "Çift Tıklama")}) {
    const std::string e = EncodeMacroEntry(r);
    EXPECT_EQ(e.size(), kMacroEntryDigits);
    EXPECT_TRUE(std::all_of(e.begin(), e.end(), [](char c) { return c >= '0' && c <= '9'; }));
  }
  EXPECT_EQ(EncodeMacroEntry(maxed).substr(0, 6), "255255");
}

TEST(MacroEntry, DecodeRestoresEveryByteOfAnEncodedRecord) {
  for (uint32_t seed = 0; seed < 20; ++seed) {
    const MacroRecord r = FullRecord(seed, "Satırı Seç");
    MacroRecord back;
    DecodeMacroEntry(EncodeMacroEntry(r), back);
    EXPECT_EQ(back, r) << "seed " << seed;
  }
}

TEST(MacroEntry, DecodeOfUnusualEntries) {
  const std::string zeros(kMacroEntryDigits, '0');
  auto withField = [&](size_t field, const std::string& text) {
    std::string e = zeros;
    e.replace(3 * field, text.size(), text);
    return e;
  };
  struct Case {
    const char* what;
    std::string entry;
    size_t field;  // 40 mode, 43 eventCount, 44 first key, 45 first action
    int want;
  } cases[] = {
      {"all zeros", zeros, 40, 0},
      {"plain value", withField(40, "002"), 40, 2},
      {"value above a byte keeps its low bits", withField(43, "300"), 43, 44},
      {"largest field", withField(43, "999"), 43, 231},
      {"leading digits of a non-digit field", withField(45, "1x5"), 45, 1},
      {"no leading digit", withField(45, "x15"), 45, 0},
      {"key field goes through the key conversion", withField(44, "065"), 44, 4},
      {"short entry: missing fields read 0", "065000002", 40, 0},
      {"short entry: a partial field reads its digits", std::string(120, '0') + "01", 40, 1},
      {"characters beyond 3192 are ignored", zeros + "999999999", 43, 0},
      {"empty entry", "", 44, 0},
  };
  for (const Case& c : cases) {
    MacroRecord r = FullRecord(7, "old");  // every field is overwritten
    DecodeMacroEntry(c.entry, r);
    const int got = c.field == 40 ? r.mode : c.field == 43 ? r.eventCount : c.field == 44 ? r.events[0].code
                                                                                          : r.events[0].action;
    EXPECT_EQ(got, c.want) << c.what;
  }

  MacroRecord empty = FullRecord(3, "x");
  DecodeMacroEntry(zeros, empty);
  EXPECT_EQ(empty, MacroRecord{});
  MacroRecord shortOne = FullRecord(3, "x");
  DecodeMacroEntry("065000", shortOne);
  MacroRecord wantA;
  SetMacroName(wantA, "A");
  EXPECT_EQ(shortOne, wantA);
}

TEST(MacroEntry, ACharacterOutsideAsciiCountsAsOneCharacter) {
  // "Ç12" is field 0 (no leading digit), "065" field 1: the high byte of the first name unit.
  MacroRecord r;
  DecodeMacroEntry("Ç12065", r);
  EXPECT_EQ(r.name[0], 65 << 8);
}

TEST(MacroFiles, SaveAndLoadRestoreTwoFullMacrosByteForByte) {
  TempDir dir;
  const auto file = dir / "m.dat";
  auto saved = Tables();
  saved->userMacros[0] = FullRecord(11, "Çift Tıklama");
  saved->userMacros[1] = FullRecord(12, "Hello");
  saved->userMacroCount = 2;
  ASSERT_EQ(SaveMacros(file, "Macros", *saved), Outcome());

  const std::string text = ReadText(file);
  EXPECT_NE(text.find("macroNum=2"), std::string::npos);
  EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));

  auto loaded = Tables();
  loaded->userMacros[2] = FullRecord(13, "stays");
  const MacroRecord keep = loaded->userMacros[2];
  EXPECT_EQ(LoadMacros(file, "Macros", *loaded, MacroTarget::User), 2);
  EXPECT_EQ(loaded->userMacros[0], saved->userMacros[0]);
  EXPECT_EQ(loaded->userMacros[1], saved->userMacros[1]);
  EXPECT_EQ(loaded->userMacros[2], keep);
  EXPECT_EQ(loaded->userMacroCount, 2);
  EXPECT_EQ(loaded->selectedMacro, 1);
}

TEST(MacroFiles, SaveIsOneFileWrite) {
  TempDir dir;
  auto tables = Tables();
  for (int k = 0; k < MAX_USER_MACROS; ++k) tables->userMacros[k] = FullRecord(static_cast<uint32_t>(k), "m");
  tables->userMacroCount = MAX_USER_MACROS;
  const uint64_t before = IniFileWriteCount();
  ASSERT_EQ(SaveMacros(dir / "m.dat", "Macros", *tables), Outcome());
  EXPECT_EQ(IniFileWriteCount() - before, 1u);
}

TEST(MacroFiles, KeysBeyondTheCountStayAfterASmallerSave) {
  TempDir dir;
  const auto file = dir / "m.dat";
  auto tables = Tables();
  for (int k = 0; k < 3; ++k) SetMacroName(tables->userMacros[k], "m" + std::to_string(k));
  tables->userMacroCount = 3;
  ASSERT_EQ(SaveMacros(file, "Macros", *tables), Outcome());
  tables->userMacroCount = 2;  // the last of three deleted
  ASSERT_EQ(SaveMacros(file, "Macros", *tables), Outcome());
  EXPECT_EQ(GetProfileString(file, "Macros", "macroNum", 10), "2");
  EXPECT_EQ(GetProfileString(file, "Macros", "2", kMacroEntryDigits + 1), EncodeMacroEntry(tables->userMacros[2]));

  auto loaded = Tables();
  EXPECT_EQ(LoadMacros(file, "Macros", *loaded, MacroTarget::User), 2);
  EXPECT_EQ(loaded->userMacros[2], MacroRecord{});
}

TEST(MacroFiles, CountIsBoundedToTheTable) {
  TempDir dir;
  const auto file = dir / "m.dat";
  MacroRecord named;
  SetMacroName(named, "x");
  const std::string entry = EncodeMacroEntry(named);
  struct Case {
    const char* count;
    MacroTarget target;
    int want;
  } cases[] = {
      {"123", MacroTarget::User, 12},  // only two characters are read: 12
      {"5", MacroTarget::User, 5},     {"12", MacroTarget::User, 12},   {"13", MacroTarget::User, 12},
      {"99", MacroTarget::User, 12},   {"-5", MacroTarget::User, 0},    {"-", MacroTarget::User, 0},
      {"", MacroTarget::User, 0},      {"7x", MacroTarget::User, 7},    {"13", MacroTarget::Const, 13},
      {"99", MacroTarget::Const, 13},  {"-1", MacroTarget::Const, 0},   {"4", MacroTarget::Const, 4},
  };
  for (const Case& c : cases) {
    std::string text = std::string("[Macros]\nmacroNum=") + c.count + "\n";
    for (int k = 0; k < 14; ++k) text += std::to_string(k) + "=" + entry + "\n";
    WriteText(file, text);
    auto tables = Tables();
    tables->userMacroCount = 9;
    tables->selectedMacro = 9;
    EXPECT_EQ(LoadMacros(file, "Macros", *tables, c.target), c.want) << c.count;
    const auto& slots = c.target == MacroTarget::User ? tables->userMacros : tables->constMacros;
    for (int k = 0; k < MACRO_SLOTS; ++k) {
      EXPECT_EQ(slots[k] == named, k < c.want) << c.count << " slot " << k;
    }
    if (c.target == MacroTarget::User) {
      EXPECT_EQ(tables->userMacroCount, c.want) << c.count;
      EXPECT_EQ(tables->selectedMacro, std::max(c.want - 1, 0)) << c.count;
      EXPECT_EQ(tables->userMacros[MAX_USER_MACROS], MacroRecord{}) << "the recording record stays empty";
    } else {
      EXPECT_EQ(tables->userMacroCount, 9) << "built-in loads leave the user list alone";
      EXPECT_EQ(tables->selectedMacro, 9);
    }
  }
}

TEST(MacroFiles, SaveBoundsAnOutOfRangeCount) {
  TempDir dir;
  const auto file = dir / "m.dat";
  auto tables = Tables();
  for (auto& r : tables->userMacros) SetMacroName(r, "x");
  for (int16_t count : {int16_t{13}, int16_t{200}, int16_t{-1}}) {
    tables->userMacroCount = count;
    ASSERT_EQ(SaveMacros(file, "Macros", *tables), Outcome());
    const int want = std::clamp<int>(count, 0, MAX_USER_MACROS);
    EXPECT_EQ(GetProfileString(file, "Macros", "macroNum", 10), std::to_string(want)) << count;
    EXPECT_EQ(GetProfileString(file, "Macros", "12", 10), "") << count;
  }
}

// No count, or a count with none of its entries: an empty list, no message,
// and no blank macros made up for the entries that are not there.
TEST(MacroFiles, MissingSectionOrKeysEmptyTheListWithoutAMessage) {
  TempDir dir;
  const auto file = dir / "m.dat";
  for (const char* text : {"[Other]\nmacroNum=3\n", "[Macros]\n0=065000\n", "[Macros]\nmacroNum=2\n"}) {
    WriteText(file, text);
    auto tables = Tables();
    tables->userMacros[0] = FullRecord(1, "old");
    const MacroRecord old = tables->userMacros[0];
    tables->userMacroCount = 4;
    tables->selectedMacro = 3;
    EXPECT_EQ(LoadMacros(file, "Macros", *tables, MacroTarget::User), 0) << text;
    EXPECT_EQ(tables->userMacroCount, 0) << text;
    EXPECT_EQ(tables->selectedMacro, 0) << text;
    EXPECT_EQ(tables->userMacros[0], old) << text;
  }
}

// An import takes the macros a file holds and nothing else: a file that holds
// none leaves the list as it is and says why; entries that cannot be read are
// left out and counted.
TEST(MacroFiles, AnImportReplacesTheListOnlyWithMacrosItCanRead) {
  MacroRecord a, b;
  SetMacroName(a, "a");
  SetMacroName(b, "b");
  const std::string good = EncodeMacroEntry(a), other = EncodeMacroEntry(b);
  struct Case {
    const char* what;
    std::string text;  // "" : no such file
    std::vector<std::string> names;  // the list afterwards
    const char* said;                // part of the message; "" : none
  } cases[] = {
      {"every entry good", "[Macros]\nmacroNum=2\n0=" + good + "\n1=" + other + "\n", {"a", "b"}, ""},
      {"one entry cut short", "[Macros]\nmacroNum=3\n0=" + good + "\n1=" + good.substr(0, 99) + "\n2=" + other + "\n",
       {"a", "b"}, "2 macros were imported"},
      {"one entry not digits", "[Macros]\nmacroNum=2\n0=" + std::string(3192, 'x') + "\n1=" + other + "\n", {"b"},
       "1 entry that could not be read was skipped"},
      {"no entry readable", "[Macros]\nmacroNum=1\n0=hello\n", {"mine"}, "could be read. Nothing was imported"},
      {"an empty list", "[Macros]\nmacroNum=0\n", {"mine"}, "holds no macros"},
      {"no macro list", "[Config1]\nK0=1\n", {"mine"}, "is not a macro file"},
      {"no file", "", {"mine"}, kMissingFileMessage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const auto file = dir / "import.dat";
    if (!c.text.empty()) WriteText(file, c.text);
    auto tables = Tables();
    tables->userMacroCount = 1;
    SetMacroName(tables->userMacros[0], "mine");
    const std::string said = ImportMacroFile(file, *tables).value_or(Failure{}).Text();
    std::vector<std::string> names;
    for (int k = 0; k < tables->userMacroCount; ++k) names.push_back(MacroName(tables->userMacros[k]));
    EXPECT_EQ(names, c.names);
    if (*c.said == '\0') {
      EXPECT_EQ(said, "");
    } else {
      EXPECT_NE(said.find(c.said), std::string::npos) << said;
    }
  }
}

TEST(MacroFiles, MissingFileLoadsNothing) {
  TempDir dir;
  auto tables = Tables();
  tables->userMacros[0] = FullRecord(1, "old");
  tables->constMacros[0] = FullRecord(2, "old");
  const MacroRecord user = tables->userMacros[0];
  const MacroRecord builtIn = tables->constMacros[0];
  tables->userMacroCount = 3;
  tables->selectedMacro = 2;

  EXPECT_EQ(LoadMacros(dir / "none.dat", "Macros", *tables, MacroTarget::User), 0);
  EXPECT_EQ(tables->userMacroCount, 0);
  EXPECT_EQ(tables->selectedMacro, 0);
  EXPECT_EQ(tables->userMacros[0], user);

  EXPECT_EQ(LoadMacros(dir / "none.dat", "Macros", *tables, MacroTarget::Const), 0);
  EXPECT_EQ(tables->constMacros[0], builtIn);
  EXPECT_FALSE(std::filesystem::exists(dir / "none.dat"));
}

TEST(MacroFiles, LoadAndSaveShareABatchWithOtherKeys) {
  TempDir dir;
  const auto file = dir / "config.ini";
  WriteText(file, "[Config1]\nK0=1\n");
  auto tables = Tables();
  tables->userMacros[0] = FullRecord(4, "a");
  tables->userMacroCount = 1;
  IniEdit edit(file);
  edit.SetInt("Config1", "K1", 2);
  SaveMacros(edit, "Config1", *tables);
  auto loaded = Tables();
  EXPECT_EQ(LoadMacros(edit, "Config1", *loaded, MacroTarget::User), 1) << "reads see the batch's writes";
  EXPECT_EQ(loaded->userMacros[0], tables->userMacros[0]);
  ASSERT_EQ(edit.Commit(), Outcome());
  EXPECT_EQ(GetProfileString(file, "Config1", "K0", 5), "1");
  EXPECT_EQ(GetProfileString(file, "Config1", "macroNum", 5), "1");

  // Reading a parsed document gives the same as reading the file.
  const auto doc = LoadIniDocument(file);
  ASSERT_TRUE(doc);
  auto fromDoc = Tables();
  EXPECT_EQ(LoadMacros(*doc, "Config1", *fromDoc, MacroTarget::User), 1);
  EXPECT_EQ(fromDoc->userMacros[0], tables->userMacros[0]);
}

TEST(MacroFiles, LoadsWhileAnotherThreadReadsTheTable) {
  TempDir dir;
  const auto file = dir / "m.dat";
  auto source = Tables();
  source->userMacros[0] = FullRecord(5, "a");
  source->userMacros[1] = FullRecord(6, "b");
  source->userMacroCount = 2;
  ASSERT_EQ(SaveMacros(file, "Macros", *source), Outcome());

  auto tables = Tables();
  std::atomic<bool> done{false};
  std::thread player([&] {
    while (!done.load()) {
      std::lock_guard lock(tables->mutex);
      const MacroRecord& r = tables->userMacros[0];
      EXPECT_TRUE(r == MacroRecord{} || r == source->userMacros[0]);
    }
  });
  for (int i = 0; i < 30; ++i) {
    LoadMacros(file, "Macros", *tables, MacroTarget::User);
    EXPECT_EQ(SaveMacros(dir / "out.dat", "Macros", *tables), Outcome());
  }
  done = true;
  player.join();
  EXPECT_EQ(tables->userMacros[1], source->userMacros[1]);
}

}  // namespace
}  // namespace orv::macros
