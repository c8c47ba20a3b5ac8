#pragma once
// A message sink that keeps every message shown, in order.
#include <string>
#include <vector>

#include "platform/message_port.h"

namespace orv::test {

class RecordingSink final : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

}  // namespace orv::test
