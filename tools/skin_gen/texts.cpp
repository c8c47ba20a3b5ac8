#include "tools/skin_gen/texts.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/whole_number.h"

namespace orv::skin_gen {
namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> out;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, '\t')) out.push_back(field);
  if (!line.empty() && line.back() == '\t') out.emplace_back();
  return out;
}

bool ParseTable(const std::string& name, TextTable& table) {
  static const std::pair<const char*, TextTable> kNames[] = {
      {"main", TextTable::Main},       {"color", TextTable::Color},   {"advanced", TextTable::Advanced},
      {"warning", TextTable::Warning}, {"fun", TextTable::Function},
  };
  for (const auto& [n, t] : kNames) {
    if (name == n) {
      table = t;
      return true;
    }
  }
  return false;
}

}  // namespace

std::string SkinTexts::Get(TextTable table, int key, bool english) const {
  const auto it = entries.find({table, key});
  if (it == entries.end()) return {};
  return english ? it->second.first : it->second.second;
}

bool ReadSkinTexts(const std::filesystem::path& file, SkinTexts& out, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = "cannot read " + file.string();
    return false;
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const auto where = file.filename().string() + ":" + std::to_string(number) + ": ";
    const auto fields = SplitTabs(line);
    TextTable table;
    if (fields.size() != 4 || !ParseTable(fields[0], table)) {
      error = where + "expected: layout <tab> key <tab> English <tab> Turkish";
      return false;
    }
    const int key = ParseDigits<int>(fields[1]).value_or(-1);
    if (key < 0) {
      error = where + "bad key '" + fields[1] + "'";
      return false;
    }
    for (const std::string& text : {fields[2], fields[3]}) {
      if (text.find(',') != std::string::npos) {
        error = where + "a text cannot contain a comma: " + text;
        return false;
      }
    }
    if (!out.entries.emplace(std::make_pair(table, key), std::make_pair(fields[2], fields[3])).second) {
      error = where + "key defined twice";
      return false;
    }
  }
  return true;
}

bool TableOf(Family family, TextTable& table) {
  switch (family) {
    case Family::Main: table = TextTable::Main; return true;
    case Family::Color: table = TextTable::Color; return true;
    case Family::Advanced: table = TextTable::Advanced; return true;
    case Family::Warning: table = TextTable::Warning; return true;
    default: return false;
  }
}

}  // namespace orv::skin_gen
