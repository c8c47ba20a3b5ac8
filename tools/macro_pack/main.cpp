// orv_macro_pack <input.txt> <output.dat>: turns a readable macro description
// (see macro_text.h) into a macro file with the block in section "Macros".
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "macros/macro_files.h"
#include "tools/macro_pack/macro_text.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: orv_macro_pack <input.txt> <output.dat>\n");
    return 2;
  }
  const std::filesystem::path input = argv[1];
  const std::filesystem::path output = argv[2];

  std::ifstream in(input, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "orv_macro_pack: cannot read %s\n", input.c_str());
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  std::vector<orv::macros::MacroRecord> records;
  orv::macros::MacroTextError error;
  if (!orv::macros::ParseMacroText(text, records, error)) {
    std::fprintf(stderr, "orv_macro_pack: %s:%d: %s\n", input.c_str(), error.line, error.message.c_str());
    return 1;
  }

  auto tables = std::make_unique<orv::macros::MacroTables>();
  std::copy(records.begin(), records.end(), tables->userMacros.begin());
  tables->userMacroCount = static_cast<int16_t>(records.size());

  // A fresh file: keys of an earlier, longer output must not stay behind.
  std::error_code ec;
  if (output.has_parent_path()) std::filesystem::create_directories(output.parent_path(), ec);
  std::filesystem::remove(output, ec);
  if (const orv::Outcome failed = orv::macros::SaveMacros(output, "Macros", *tables)) {
    std::fprintf(stderr, "orv_macro_pack: cannot write %s: %s\n", output.c_str(), failed->Text().c_str());
    return 1;
  }
  return 0;
}
