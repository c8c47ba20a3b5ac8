#pragma once
// The program's icon in the sizes of the desktop's icon theme: the emblem of
// the window's title on a dark rounded square, drawn with the skin's palette.
#include <QImage>
#include <array>
#include <filesystem>
#include <string>

namespace orv::skin_gen {

inline constexpr std::array<int, 6> kIconSizes = {16, 32, 48, 64, 128, 256};

QImage RenderIcon(int size);

// Writes <folder>/<N>x<N>/apps/<name>.png for every size of kIconSizes.
bool WriteIcons(const std::filesystem::path& folder, const std::string& name, std::string& error);

}  // namespace orv::skin_gen
