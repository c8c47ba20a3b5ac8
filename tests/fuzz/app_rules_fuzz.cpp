// Feeds arbitrary bytes to the application rules reader: it must never crash,
// every rule it gives names a profile 1 ... 5 and is found by its own id, and
// removing a rule's key and writing the file leaves the other rules as they were.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_names.h"
#include "settings/app_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  orv::IniDocument doc = orv::IniDocument::Parse(bytes);
  const orv::settings::AppRules rules = orv::settings::RulesFromDocument(doc);
  if (rules.defaultProfile < 0 || rules.defaultProfile > 5) __builtin_trap();
  for (const orv::settings::AppRule& r : rules.rules) {
    if (r.profile < 1 || r.profile > 5 || rules.Find(r.appId) == nullptr) __builtin_trap();
  }
  if (rules.rules.empty()) return 0;
  const std::string removed = rules.rules.front().appId;
  doc.Remove(orv::names::kAppRulesSection, removed);
  const orv::settings::AppRules after = orv::settings::RulesFromDocument(orv::IniDocument::Parse(doc.Serialize()));
  if (after.rules.size() + 1 != rules.rules.size() || after.Find(removed) != nullptr) __builtin_trap();
  for (size_t i = 0; i < after.rules.size(); ++i) {
    if (after.rules[i].appId != rules.rules[i + 1].appId || after.rules[i].profile != rules.rules[i + 1].profile) {
      __builtin_trap();
    }
  }
  return 0;
}
