#include "platform/log.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <strings.h>

namespace orv::log {
namespace {

std::atomic<Sink*> sink{nullptr};
std::atomic<bool> debugEnabled{false};
std::mutex stderrMutex;

const char* LevelName(Level level) {
  switch (level) {
    case Level::Debug: return "debug";
    case Level::Info: return "info";
    case Level::Warning: return "warning";
    case Level::Error: return "error";
  }
  return "?";
}

}  // namespace

void SetSink(Sink* s) { sink.store(s, std::memory_order_release); }
void SetDebugEnabled(bool on) { debugEnabled.store(on, std::memory_order_relaxed); }
bool DebugEnabled() { return debugEnabled.load(std::memory_order_relaxed); }

bool DebugRequestedByEnvironment() {
  const char* value = std::getenv("ORV_LOG");
  return value != nullptr && ::strcasecmp(value, "debug") == 0;
}

void Write(Level level, std::string_view category, std::string_view text) {
  if (level < Level::Warning && !DebugEnabled()) return;
  if (Sink* s = sink.load(std::memory_order_acquire)) {
    s->Write(level, category, text);
    return;
  }
  std::lock_guard lock(stderrMutex);
  std::fprintf(stderr, "%.*s: %s: %.*s\n", static_cast<int>(category.size()), category.data(), LevelName(level),
               static_cast<int>(text.size()), text.data());
}

}  // namespace orv::log
