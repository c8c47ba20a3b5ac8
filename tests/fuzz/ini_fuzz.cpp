// Feeds arbitrary bytes to the INI reader: parsing, reading with every
// capacity, writing a key and reading the result back must never crash, and a
// written key must read back as written.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/decimal.h"
#include "platform/private_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  orv::IniDocument doc = orv::IniDocument::Parse(bytes);
  for (const char* section : {"Init", "Config1", "Macros", ""}) {
    for (const char* key : {"CurConfig", "K0", "macroNum", "0", ""}) {
      if (const std::string* v = doc.Find(section, key)) {
        for (size_t cap : {0u, 1u, 3u, 5u, 10u, 260u}) (void)orv::ReadDecimal(orv::CutToCapacity(*v, cap));
      }
    }
  }
  doc.Set("Config1", "K0", "15");
  doc.Set("New Section", "key", "value");
  const orv::IniDocument again = orv::IniDocument::Parse(doc.Serialize());
  const std::string* k0 = again.Find("config1", "k0");
  const std::string* key = again.Find("new section", "KEY");
  if (!k0 || *k0 != "15" || !key || *key != "value") __builtin_trap();
  return 0;
}
