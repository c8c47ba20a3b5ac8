#pragma once
#include <filesystem>
#include <string>

namespace orv {

// Where the logic layers send the few messages the user must see. The window
// shows them as modal message boxes; tests record them.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};

// Shown when a layout or macro file is missing.
inline constexpr const char* kMissingFileMessage = "找不到配置文件";

// What is wrong with a file the program needs to read: "" when it is a
// readable regular file, else "missing", "a folder, not a file",
// "unreadable: <reason>" and the like.
std::string FileProblem(const std::filesystem::path& file);
// The missing-file message with the file and what is wrong with it on a
// second line, e.g. "找不到配置文件\n/opt/skins/main_mask.jpg: missing".
std::string MissingFileMessage(const std::filesystem::path& file, const std::string& problem);

}  // namespace orv
