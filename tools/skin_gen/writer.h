#pragma once
// Writes the skin: every picture as JPEG and the eight layout files.
#include <QImage>
#include <filesystem>
#include <map>
#include <string>

#include "tools/skin_gen/geometry.h"
#include "tools/skin_gen/texts.h"

namespace orv::skin_gen {

// The layout files of both languages. Returns false with `error` set when the
// texts do not fit the geometry (a text for an element that does not exist, an
// element that needs a text without one, a missing function name).
bool WriteLayouts(const Geometry& g, const SkinTexts& texts, const std::filesystem::path& skinDir,
                  std::string& error);

// The pictures as JPEG files ("name@2x.jpg" for scale 2). Masks are written
// losslessly enough that no pixel crosses the window/hole threshold; this is
// checked by decoding them again.
bool WritePictures(const std::map<std::string, QImage>& pictures, const std::filesystem::path& skinDir,
                   std::string& error, int scale = 1);

}  // namespace orv::skin_gen
