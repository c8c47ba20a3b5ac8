#pragma once
// The skin's texts in both languages, read from a tab-separated table.
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "tools/skin_gen/geometry.h"

namespace orv::skin_gen {

enum class TextTable { Main, Color, Advanced, Warning, Function };

struct SkinTexts {
  // (table, key) -> {English, Turkish}
  std::map<std::pair<TextTable, int>, std::pair<std::string, std::string>> entries;

  // The text of an entry in one language (english: true for English), "" when none.
  std::string Get(TextTable table, int key, bool english) const;
  bool Has(TextTable table, int key) const { return entries.count({table, key}) != 0; }
};

// Reads the table. Returns false and describes the first problem in `error`
// (a malformed line, a comma in a text, a key defined twice).
bool ReadSkinTexts(const std::filesystem::path& file, SkinTexts& out, std::string& error);

// The text table of an element family (Edit and MacroDisplay have none).
bool TableOf(Family family, TextTable& table);

}  // namespace orv::skin_gen
