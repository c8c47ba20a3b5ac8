#include "settings/kde_config.h"

#include <vector>

#include "platform/atomic_file.h"

namespace orv::settings {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// An option list such as "$i" or "$ie" that holds the immutable flag.
bool IsImmutableOption(std::string_view option) {
  return option.size() >= 2 && option.front() == '$' && option.find('i') != std::string_view::npos;
}

struct Line {
  size_t begin = 0;  // offset of the line in the text
  size_t end = 0;    // offset of its '\n', or the text's size
  enum class Kind { Other, Group, Entry } kind = Kind::Other;
  std::string group;      // Group: its name (nested groups as "a][b")
  bool immutable = false;  // Group: "[name][$i]"; Entry: "key[$i]="
  std::string_view key;    // Entry: the key without locale and options
  bool localised = false;  // Entry: "key[de]="
};

// "[a][b][$i]" -> name "a][b", immutable. False when the line is no group header.
bool ParseGroupHeader(std::string_view t, std::string& name, bool& immutable) {
  name.clear();
  immutable = false;
  std::vector<std::string_view> parts;
  while (!t.empty()) {
    if (t.front() != '[') return false;
    const size_t close = t.find(']');
    if (close == std::string_view::npos) return false;
    parts.push_back(t.substr(1, close - 1));
    t = Trim(t.substr(close + 1));
  }
  if (parts.empty()) return false;
  if (IsImmutableOption(parts.back())) {
    immutable = true;
    parts.pop_back();
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) name += "][";
    name += parts[i];
  }
  return true;
}

struct Parsed {
  std::vector<Line> lines;
  bool fileImmutable = false;
};

Parsed Parse(std::string_view text) {
  Parsed out;
  std::string group;  // "" before the first header: KDE's default group
  bool seenGroup = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    Line line;
    line.begin = pos;
    line.end = end;
    const std::string_view t = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (t.empty() || t.front() == '#') {
      out.lines.push_back(line);
      continue;
    }
    if (t.front() == '[') {
      std::string name;
      bool immutable = false;
      if (ParseGroupHeader(t, name, immutable)) {
        if (name.empty() && immutable && !seenGroup) {
          out.fileImmutable = true;  // "[$i]" ahead of every group
        } else {
          line.kind = Line::Kind::Group;
          line.group = name;
          line.immutable = immutable;
          group = name;
          seenGroup = true;
        }
      }
      out.lines.push_back(line);
      continue;
    }
    const size_t eq = t.find('=');
    if (eq != std::string_view::npos) {
      std::string_view key = Trim(t.substr(0, eq));
      line.kind = Line::Kind::Entry;
      line.group = group;
      const size_t bracket = key.find('[');
      if (bracket != std::string_view::npos) {
        std::string_view rest = key.substr(bracket);
        key = Trim(key.substr(0, bracket));
        while (!rest.empty() && rest.front() == '[') {
          const size_t close = rest.find(']');
          if (close == std::string_view::npos) break;
          const std::string_view option = rest.substr(1, close - 1);
          if (IsImmutableOption(option)) {
            line.immutable = true;
          } else if (!option.empty() && option.front() != '$') {
            line.localised = true;
          }
          rest = rest.substr(close + 1);
        }
      }
      line.key = key;
    }
    out.lines.push_back(line);
  }
  return out;
}

bool IsEntryOf(const Line& l, std::string_view group, std::string_view key) {
  return l.kind == Line::Kind::Entry && !l.localised && l.group == group && l.key == key;
}

}  // namespace

std::optional<std::string> GetKdeConfigValue(std::string_view text, std::string_view group, std::string_view key) {
  std::optional<std::string> value;
  for (const Line& l : Parse(text).lines) {
    if (!IsEntryOf(l, group, key)) continue;
    const std::string_view line = text.substr(l.begin, l.end - l.begin);
    value = std::string(Trim(line.substr(line.find('=') + 1)));
  }
  return value;
}

Outcome SetKdeConfigValue(std::string& text, std::string_view group, std::string_view key, std::string_view value) {
  const Parsed parsed = Parse(text);
  if (parsed.fileImmutable) return Failure::Of("the file is marked immutable");
  const Line* entry = nullptr;
  const Line* firstHeader = nullptr;
  for (const Line& l : parsed.lines) {
    if (l.kind == Line::Kind::Group && l.group == group) {
      if (l.immutable) return Failure::Of("group [" + std::string(group) + "] is marked immutable");
      if (!firstHeader) firstHeader = &l;
    }
    if (IsEntryOf(l, group, key)) entry = &l;
  }
  if (entry) {
    if (entry->immutable) return Failure::Of("key " + std::string(key) + " is marked immutable");
    // Keep everything up to and including '=' (spelling, options, blanks) and
    // a carriage return at the end of the line.
    const size_t eq = text.find('=', entry->begin);
    size_t valueEnd = entry->end;
    if (valueEnd > eq + 1 && text[valueEnd - 1] == '\r') --valueEnd;
    text.replace(eq + 1, valueEnd - (eq + 1), value);
    return {};
  }
  const std::string newEntry = std::string(key) + "=" + std::string(value);
  if (firstHeader) {
    // After the last non-blank line of the group's first block.
    const Line* last = firstHeader;
    for (const Line* l = firstHeader + 1; l != parsed.lines.data() + parsed.lines.size(); ++l) {
      if (l->kind == Line::Kind::Group) break;
      if (!Trim(std::string_view(text).substr(l->begin, l->end - l->begin)).empty()) last = l;
    }
    if (last->end == text.size()) {
      text += "\n" + newEntry;  // the file keeps ending without a line ending
    } else {
      text.insert(last->end + 1, newEntry + "\n");
    }
    return {};
  }
  if (group.empty()) {
    // KDE's default group is the part before the first header.
    text.insert(0, newEntry + "\n");
    return {};
  }
  if (!text.empty()) {
    if (text.back() != '\n') text += '\n';
    // One blank line ahead of the new group, unless the file ends with one.
    const size_t prev = text.size() >= 2 ? text.rfind('\n', text.size() - 2) : std::string::npos;
    const size_t lastBegin = prev == std::string::npos ? 0 : prev + 1;
    if (!Trim(std::string_view(text).substr(lastBegin, text.size() - 1 - lastBegin)).empty()) text += '\n';
  }
  text += "[" + std::string(group) + "]\n" + newEntry + "\n";
  return {};
}

Outcome WriteKdeConfigValue(const std::filesystem::path& file, std::string_view group, std::string_view key,
                            std::string_view value) {
  std::string text;
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    auto bytes = ReadWholeFile(file);
    if (!bytes) return Failure{"cannot read", file, {}};
    text = std::move(*bytes);
  }
  if (Outcome refused = SetKdeConfigValue(text, group, key, value)) {
    return Failure{"not changing " + std::string(key) + " in", file, refused->Text()};
  }
  return WriteFileAtomically(file, text);
}

}  // namespace orv::settings
