#include "settings/app_rules.h"

#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/file_names.h"
#include "settings/profile_slots.h"

namespace orv::settings {

bool SameAppId(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

namespace {

// 1 ... 5 (or 0 as well when `keepAllowed`) written as plain digits; -1 otherwise.
int32_t ProfileValue(std::string_view text, bool keepAllowed) {
  if (text.empty() || text.size() > 2) return -1;
  int32_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  if (n == kKeepProfile && keepAllowed) return n;
  return n >= kFirstUserProfile && n <= kLastUserProfile ? n : -1;
}

bool HasContent(std::string_view bytes) {
  for (char c : bytes) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return true;
  }
  return false;
}

}  // namespace

const AppRule* AppRules::Find(std::string_view appId) const {
  if (appId.empty()) return nullptr;
  for (const AppRule& r : rules) {
    if (SameAppId(r.appId, appId)) return &r;
  }
  return nullptr;
}

AppRules RulesFromDocument(const IniDocument& doc) {
  AppRules out;
  for (const auto& [id, value] : doc.Keys(names::kAppRulesSection)) {
    const int32_t n = ProfileValue(value, false);
    if (id.empty() || n < 0) {
      out.ignored.push_back(id + "=" + value);
      continue;
    }
    out.rules.push_back({id, n});
  }
  if (const std::string* value = doc.Find(names::kAppRulesInitSection, names::kAppRulesDefaultKey)) {
    const int32_t n = ProfileValue(*value, true);
    if (n < 0) {
      out.ignored.push_back(std::string(names::kAppRulesDefaultKey) + "=" + *value);
    } else {
      out.defaultProfile = n;
    }
  }
  return out;
}

AppRulesLoad LoadAppRules(const std::filesystem::path& path) {
  AppRulesLoad load;
  const std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return load;
  const IniDocument doc = IniDocument::Parse(*bytes);
  if (doc.HasSection(names::kAppRulesSection) || doc.HasSection(names::kAppRulesInitSection) ||
      !HasContent(*bytes)) {
    load.rules = RulesFromDocument(doc);
    return load;
  }
  if (const Outcome failed = KeepDamagedCopy(path, *bytes, load.keptAs)) {
    load.message = "The application rules " + path.string() + " are damaged and are not used; " + failed->Text() + ".";
    return load;
  }
  if (::unlink(path.c_str()) != 0) {
    load.message = "The application rules " + path.string() + " are damaged and are not used; a copy was kept as " +
                   load.keptAs.string() + ".";
    return load;
  }
  load.message = "The application rules were damaged and are not used. The damaged file was kept as " +
                 load.keptAs.string() + ".";
  return load;
}

Outcome WriteAppRule(const std::filesystem::path& path, std::string_view appId, int32_t profile) {
  if (appId.empty() || appId.find_first_of("=[]\r\n;") != std::string_view::npos ||
      appId.find_first_not_of(" \t") == std::string_view::npos) {
    return Failure::Of("\"" + std::string(appId) + "\" cannot be written as an application id");
  }
  IniEdit edit(path);
  if (profile == kKeepProfile) {
    if (!edit.FileExists()) return {};
    edit.Remove(names::kAppRulesSection, appId);
  } else if (ProfileValue(std::to_string(profile), false) < 0) {
    return Failure::Of("profile " + std::to_string(profile) + " does not exist");
  } else {
    edit.SetInt(names::kAppRulesSection, appId, profile);
  }
  return edit.Commit();
}

Outcome WriteDefaultProfile(const std::filesystem::path& path, int32_t profile) {
  if (ProfileValue(std::to_string(profile), true) < 0) {
    return Failure::Of("profile " + std::to_string(profile) + " does not exist");
  }
  IniEdit edit(path);
  edit.SetInt(names::kAppRulesInitSection, names::kAppRulesDefaultKey, profile);
  return edit.Commit();
}

}  // namespace orv::settings
