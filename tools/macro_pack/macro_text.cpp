#include "tools/macro_pack/macro_text.h"

#include <charconv>
#include <optional>

#include "macros/key_names.h"
#include "platform/text_codec.h"

namespace orv::macros {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> Tokens(std::string_view line) {
  std::vector<std::string_view> tokens;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsSpace(line[i])) ++i;
    const size_t start = i;
    while (i < line.size() && !IsSpace(line[i])) ++i;
    if (i > start) tokens.push_back(line.substr(start, i - start));
  }
  return tokens;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

// A whole token as an unsigned number no larger than `max`.
std::optional<unsigned> Number(std::string_view token, unsigned max) {
  unsigned value = 0;
  const char* end = token.data() + token.size();
  const auto [ptr, ec] = std::from_chars(token.data(), end, value);
  if (token.empty() || ec != std::errc() || ptr != end || value > max) return std::nullopt;
  return value;
}

std::optional<uint8_t> KeyCode(std::string_view token) {
  if (token.size() > 5 && SameIgnoringCase(token.substr(0, 5), "code:")) {
    if (auto n = Number(token.substr(5), 255)) return static_cast<uint8_t>(*n);
    return std::nullopt;
  }
  for (unsigned code = 0; code < 256; ++code) {
    const std::string name = KeyNameFor(static_cast<uint8_t>(code));
    if (name != kNonAvailableName && SameIgnoringCase(Trim(name), token)) return static_cast<uint8_t>(code);
  }
  return std::nullopt;
}

std::optional<uint8_t> Action(std::string_view token) {
  if (SameIgnoringCase(token, "down")) return ACTION_DOWN;
  if (SameIgnoringCase(token, "up")) return ACTION_UP;
  if (auto n = Number(token, 255)) return static_cast<uint8_t>(*n);
  return std::nullopt;
}

std::optional<uint8_t> Mode(std::string_view token) {
  if (SameIgnoringCase(token, "once")) return MODE_ONCE;
  if (SameIgnoringCase(token, "counted")) return MODE_COUNTED;
  if (SameIgnoringCase(token, "held")) return MODE_HELD;
  if (auto n = Number(token, 255)) return static_cast<uint8_t>(*n);
  return std::nullopt;
}

std::optional<uint16_t> Delay(std::string_view token) {
  if (token.size() > 2 && SameIgnoringCase(token.substr(token.size() - 2), "ms")) token.remove_suffix(2);
  if (auto n = Number(token, 65535)) return static_cast<uint16_t>(*n);
  return std::nullopt;
}

}  // namespace

bool ParseMacroText(std::string_view text, std::vector<MacroRecord>& records, MacroTextError& error) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  auto fail = [&error](int line, std::string message) {
    error.line = line;
    error.message = std::move(message);
    return false;
  };

  std::optional<MacroRecord> open;  // the macro being read
  int openLine = 0;
  int lineNo = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = Trim(line);
    if (line.empty() || line.front() == '#') continue;

    const std::vector<std::string_view> tokens = Tokens(line);
    const std::string_view word = tokens.front();

    if (word == "macro") {
      if (open) return fail(lineNo, "macro started before the one of line " + std::to_string(openLine) + " ended");
      if (records.size() >= static_cast<size_t>(MAX_USER_MACROS)) {
        return fail(lineNo, "more than " + std::to_string(MAX_USER_MACROS) + " macros");
      }
      const std::string_view name = Trim(line.substr(word.size()));
      if (name.empty()) return fail(lineNo, "macro without a name");
      const std::u16string units = Utf8ToUtf16(name);
      if (Utf16ToUtf8(units) != name) return fail(lineNo, "name is not valid UTF-8");
      if (units.size() > static_cast<size_t>(NAME_UNITS - 1)) {
        return fail(lineNo, "name longer than " + std::to_string(NAME_UNITS - 1) + " characters");
      }
      open.emplace();
      SetMacroName(*open, name);
      open->mode = MODE_ONCE;
      open->repeatCount = 1;
      openLine = lineNo;
      continue;
    }
    if (!open) return fail(lineNo, "expected \"macro <name>\"");

    if (word == "end" && tokens.size() == 1) {
      records.push_back(*open);
      open.reset();
    } else if (word == "mode" && tokens.size() == 2) {
      const auto mode = Mode(tokens[1]);
      if (!mode) return fail(lineNo, "mode must be once, counted, held or a number 0 ... 255");
      open->mode = *mode;
    } else if (word == "repeat" && tokens.size() == 2) {
      const auto count = Number(tokens[1], 65535);
      if (!count) return fail(lineNo, "repeat count must be a number 0 ... 65535");
      open->repeatCount = static_cast<uint16_t>(*count);
    } else if (tokens.size() == 3) {
      const auto code = KeyCode(tokens[0]);
      if (!code) return fail(lineNo, "unknown key \"" + std::string(tokens[0]) + "\"");
      const auto action = Action(tokens[1]);
      if (!action) return fail(lineNo, "action must be down, up or a number 0 ... 255");
      const auto delay = Delay(tokens[2]);
      if (!delay) return fail(lineNo, "delay must be a number of milliseconds 0 ... 65535");
      if (open->eventCount == MAX_EVENTS) return fail(lineNo, "more than 255 events in one macro");
      const size_t k = open->eventCount++;
      open->events[k] = MacroEvent{*code, *action};
      open->delays[k] = *delay;
    } else {
      return fail(lineNo, "expected \"<key> <down|up> <delay>\", \"mode ...\", \"repeat ...\" or \"end\"");
    }
  }
  if (open) return fail(openLine, "macro has no \"end\"");
  return true;
}

}  // namespace orv::macros
