// Feeds arbitrary bytes to the KDE configuration reader and writer: neither may
// crash; a value that was set reads back as set, setting it again changes
// nothing, and a refused change leaves the text as it was.
#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/kde_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (const char* group : {"KDE", "", "KDE][Extra"}) {
    (void)orv::settings::GetKdeConfigValue(bytes, group, "WheelScrollLines");
    std::string text = bytes;
    if (orv::settings::SetKdeConfigValue(text, group, "WheelScrollLines", "7")) {
      if (text != bytes) __builtin_trap();
      continue;
    }
    if (orv::settings::GetKdeConfigValue(text, group, "WheelScrollLines") != "7") __builtin_trap();
    const std::string once = text;
    if (orv::settings::SetKdeConfigValue(text, group, "WheelScrollLines", "7").has_value() || text != once) {
      __builtin_trap();
    }
  }
  return 0;
}
