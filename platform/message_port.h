#pragma once
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

}  // namespace orv
