#pragma once
#include <filesystem>
#include <string>

#include "platform/failure.h"

namespace orv {

// Shown when a layout or macro file is missing.
inline constexpr const char* kMissingFileMessage = "找不到配置文件";

// What is wrong with a file the program needs to read: "" when it is a
// readable regular file, else "missing", "a folder, not a file",
// "unreadable: <reason>" and the like.
std::string FileProblem(const std::filesystem::path& file);
// The missing-file message with the file and what is wrong with it on a
// second line, e.g. "找不到配置文件\n/opt/skins/main_mask.jpg: missing".
std::string MissingFileMessage(const std::filesystem::path& file, const std::string& problem);
// The same as a failure, with what is wrong with `file` now.
Failure MissingFile(const std::filesystem::path& file);
// The same with `problem` as what is wrong with it.
Failure MissingFile(const std::filesystem::path& file, const std::string& problem);

}  // namespace orv
