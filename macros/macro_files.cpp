#include "macros/macro_files.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "macros/key_names.h"
#include "platform/decimal.h"
#include "platform/file_names.h"
#include "platform/log.h"
#include "platform/text_codec.h"

namespace orv::macros {
namespace {

static_assert(kMacroEntryFields == 2 * NAME_UNITS + 4 + 4 * MAX_EVENTS, "an entry spells every byte of a record");

// The three digits of every byte value, zero-padded on the left.
constexpr std::array<char, 3 * 256> kFieldDigits = [] {
  std::array<char, 3 * 256> digits{};
  for (int v = 0; v < 256; ++v) {
    digits[3 * v] = static_cast<char>('0' + v / 100);
    digits[3 * v + 1] = static_cast<char>('0' + v / 10 % 10);
    digits[3 * v + 2] = static_cast<char>('0' + v % 10);
  }
  return digits;
}();

using EntryBytes = std::array<uint8_t, kMacroEntryFields>;

// Field i is the decimal value of the three characters at 3i, cut to a byte.
// A character is one UTF-16 code unit, as the file's reader counts them.
template <typename Char>
void ReadFields(std::basic_string_view<Char> entry, EntryBytes& bytes) {
  for (size_t i = 0; i < kMacroEntryFields; ++i) {
    const size_t at = 3 * i;
    if (at >= entry.size()) {
      bytes[i] = 0;
      continue;
    }
    bytes[i] = static_cast<uint8_t>(static_cast<uint32_t>(ReadDecimal(entry.substr(at, 3))) & 0xFFu);
  }
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

int Limit(MacroTarget target) { return target == MacroTarget::User ? MAX_USER_MACROS : MACRO_SLOTS; }

// Reads one macro block through `get(key, capacity)` and stores it in the table.
// The entries run from key 0 up to the stated count or to the first key that
// is missing, whichever comes first: a count larger than the entries present
// never turns into blank macros. The file is read before the table lock is
// taken: the INI layer has locks of its own, and nothing that may wait is
// called while holding the table's.
template <typename Get>
MacroBlockRead LoadBlock(Get&& get, MacroTables& tables, MacroTarget target, BadEntries bad) {
  MacroBlockRead read;
  // A capacity of 3 keeps the first two characters of the count.
  const std::string count = get(kMacroCountKey, 3);
  read.found = !count.empty();
  read.stated = std::clamp<int32_t>(ReadDecimal(count), 0, Limit(target));

  std::vector<MacroRecord> records;
  records.reserve(static_cast<size_t>(read.stated));
  for (int k = 0; k < read.stated; ++k) {
    const std::string entry = get(std::to_string(k), kMacroEntryDigits + 1);
    if (entry.empty()) break;
    ++read.present;
    if (!IsMacroEntry(entry)) {
      ++read.unreadable;
      if (bad == BadEntries::Skip) continue;
    }
    DecodeMacroEntry(entry, records.emplace_back());
  }
  read.loaded = static_cast<int>(records.size());

  std::lock_guard lock(tables.mutex);
  auto& slots = target == MacroTarget::User ? tables.userMacros : tables.constMacros;
  std::copy(records.begin(), records.end(), slots.begin());
  if (target == MacroTarget::User) {
    tables.userMacroCount = static_cast<int16_t>(read.loaded);
    tables.selectedMacro = read.loaded >= 1 ? read.loaded - 1 : 0;
  }
  return read;
}

void LogShortBlock(const std::filesystem::path& file, std::string_view section, const MacroBlockRead& read) {
  if (read.present >= read.stated) return;
  log::Warning(log::kFiles, file.string() + " [" + std::string(section) + "]: macroNum is " +
                                std::to_string(read.stated) + " but only " + std::to_string(read.present) +
                                " macros follow; those are loaded");
}

// 64-bit FNV-1a.
uint64_t Fnv1a(std::string_view bytes, uint64_t hash) {
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

template <typename Get>
std::string BlockSum(Get&& get) {
  const int n = std::clamp<int32_t>(ReadDecimal(get(kMacroCountKey, 3)), 0, MAX_USER_MACROS);
  uint64_t hash = Fnv1a(std::to_string(n) + "\n", 0xcbf29ce484222325ull);
  for (int k = 0; k < n; ++k) hash = Fnv1a(get(std::to_string(k), kMacroEntryDigits + 1) + "\n", hash);
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

}  // namespace

std::string EncodeMacroEntry(const MacroRecord& record) {
  std::string entry(kMacroEntryDigits, '0');
  char* out = entry.data();
  auto put = [&out](unsigned value) {
    const char* digits = &kFieldDigits[3 * (value & 0xFFu)];
    out[0] = digits[0];
    out[1] = digits[1];
    out[2] = digits[2];
    out += 3;
  };
  for (const char16_t unit : record.name) {
    put(unit & 0xFFu);
    put(unit >> 8);
  }
  put(record.mode);
  put(record.repeatCount & 0xFFu);
  put(record.repeatCount >> 8);
  put(record.eventCount);
  for (size_t k = 0; k < MAX_EVENTS; ++k) {
    put(UsageToVk(record.events[k].code));
    put(record.events[k].action);
    put(record.delays[k] & 0xFFu);
    put(record.delays[k] >> 8);
  }
  return entry;
}

void DecodeMacroEntry(std::string_view entry, MacroRecord& record) {
  EntryBytes bytes;
  if (IsAscii(entry)) {
    ReadFields(entry, bytes);
  } else {
    const std::u16string units = Utf8ToUtf16(entry);
    ReadFields(std::u16string_view(units), bytes);
  }
  size_t f = 0;
  for (char16_t& unit : record.name) {
    unit = static_cast<char16_t>(bytes[f] | bytes[f + 1] << 8);
    f += 2;
  }
  record.mode = bytes[f++];
  record.repeatCount = static_cast<uint16_t>(bytes[f] | bytes[f + 1] << 8);
  f += 2;
  record.eventCount = bytes[f++];
  for (size_t k = 0; k < MAX_EVENTS; ++k) {
    record.events[k].code = VkToUsage(bytes[f]);
    record.events[k].action = bytes[f + 1];
    record.delays[k] = static_cast<uint16_t>(bytes[f + 2] | bytes[f + 3] << 8);
    f += 4;
  }
}

bool IsMacroEntry(std::string_view entry) {
  return entry.size() == kMacroEntryDigits &&
         std::all_of(entry.begin(), entry.end(), [](char c) { return c >= '0' && c <= '9'; });
}

MacroBlockRead LoadMacroBlock(IniEdit& file, std::string_view section, MacroTables& tables, MacroTarget target,
                              BadEntries bad) {
  const MacroBlockRead read = LoadBlock(
      [&](std::string_view key, size_t capacity) { return file.Get(section, key, capacity); }, tables, target, bad);
  LogShortBlock(file.path(), section, read);
  return read;
}

int LoadMacros(IniEdit& file, std::string_view section, MacroTables& tables, MacroTarget target) {
  return LoadMacroBlock(file, section, tables, target, BadEntries::Keep).loaded;
}

int LoadMacros(const std::filesystem::path& file, std::string_view section, MacroTables& tables,
               MacroTarget target) {
  IniEdit edit(file);
  return LoadMacros(edit, section, tables, target);
}

int LoadMacros(const IniDocument& document, std::string_view section, MacroTables& tables, MacroTarget target) {
  return LoadBlock(
             [&](std::string_view key, size_t capacity) {
               const std::string* value = document.Find(section, key);
               return value ? CutToCapacity(*value, capacity) : std::string();
             },
             tables, target, BadEntries::Keep)
      .loaded;
}

Outcome ImportMacroFile(const std::filesystem::path& file, MacroTables& tables) {
  IniEdit edit(file);
  if (!edit.FileExists()) return MissingFile(file);
  // Read aside first: the live list changes only when the file holds macros.
  const auto read = std::make_unique<MacroTables>();
  const MacroBlockRead block = LoadMacroBlock(edit, names::kMacroSection, *read, MacroTarget::User, BadEntries::Skip);
  if (!block.found) {
    return Failure::Of(file.string() + " is not a macro file: it has no macro list (no macroNum in a [" +
                       names::kMacroSection + "] section). Nothing was imported.");
  }
  if (block.loaded == 0) {
    return Failure::Of(block.present > 0 ? "No macro of " + file.string() + " could be read. Nothing was imported."
                                         : file.string() + " holds no macros. Nothing was imported.");
  }
  {
    std::scoped_lock lock(tables.mutex, read->mutex);
    std::copy(read->userMacros.begin(), read->userMacros.begin() + block.loaded, tables.userMacros.begin());
    tables.userMacroCount = read->userMacroCount;
    tables.selectedMacro = read->selectedMacro;
  }
  if (block.unreadable == 0) return {};
  return Failure::Of(std::to_string(block.loaded) + " macros were imported from " + file.string() + "; " +
                     std::to_string(block.unreadable) + (block.unreadable == 1 ? " entry" : " entries") +
                     " that could not be read " + (block.unreadable == 1 ? "was" : "were") + " skipped.");
}

std::string MacroBlockSum(IniEdit& file, std::string_view section) {
  return BlockSum([&](std::string_view key, size_t capacity) { return file.Get(section, key, capacity); });
}

std::string MacroBlockSum(const IniDocument* document, std::string_view section) {
  return BlockSum([&](std::string_view key, size_t capacity) {
    const std::string* value = document ? document->Find(section, key) : nullptr;
    return value ? CutToCapacity(*value, capacity) : std::string();
  });
}

void SaveMacros(IniEdit& file, std::string_view section, const MacroTables& tables) {
  std::vector<std::string> entries;
  {
    std::lock_guard lock(tables.mutex);
    // Never beyond the user slots: slot 12 is the recording record, not a macro.
    const int count = std::clamp<int>(tables.userMacroCount, 0, MAX_USER_MACROS);
    entries.reserve(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k) entries.push_back(EncodeMacroEntry(tables.userMacros[static_cast<size_t>(k)]));
  }
  file.SetInt(section, kMacroCountKey, static_cast<int64_t>(entries.size()));
  for (size_t k = 0; k < entries.size(); ++k) file.Set(section, std::to_string(k), entries[k]);
}

Outcome SaveMacros(const std::filesystem::path& file, std::string_view section, const MacroTables& tables) {
  IniEdit edit(file);
  SaveMacros(edit, section, tables);
  return edit.Commit();
}

}  // namespace orv::macros
