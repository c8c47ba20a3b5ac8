#pragma once
// A contact sheet of a skin folder: each page composed as the program paints it
// in a sample state, each page with its rectangles outlined and numbered, the
// menus and the warning dialog with their texts, and every picture file.
#include <filesystem>
#include <string>

namespace orv::skin_gen {

bool WriteContactSheet(const std::filesystem::path& skinDir, bool english, const std::filesystem::path& png,
                       std::string& error);

}  // namespace orv::skin_gen
