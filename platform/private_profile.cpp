#include "platform/file_stamp.h"
#include "platform/private_profile.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <unordered_map>

#include "platform/atomic_file.h"
#include "platform/text_codec.h"

namespace orv {
namespace {

// A carriage return counts as a blank: a line ended by "\r\r\n" (a file passed twice
// through a text-mode conversion) must name the same section or key after it
// has been written back with plain line endings.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

using Stamp = FileStamp;

// One cached file. `mutex` guards the fields and serialises the file's writers.
struct CacheEntry {
  std::mutex mutex;
  bool valid = false;
  Stamp stamp;
  std::shared_ptr<const IniDocument> doc;  // null: the file does not exist
  // Served from memory (ServeReadOnly): doc is fixed and writes are refused.
  bool readOnly = false;
  std::string refusal;
};

std::mutex gRegistryMutex;
std::atomic<uint64_t> gWriteCount{0};

CacheEntry& EntryFor(const std::filesystem::path& file) {
  static auto* registry = new std::unordered_map<std::string, std::unique_ptr<CacheEntry>>();
  std::error_code ec;
  std::filesystem::path key = std::filesystem::absolute(file, ec);
  if (ec) key = file;
  key = key.lexically_normal();
  std::lock_guard lock(gRegistryMutex);
  auto& slot = (*registry)[key.string()];
  if (!slot) slot = std::make_unique<CacheEntry>();
  return *slot;
}

// Brings the entry up to date with the disk. Caller holds entry.mutex.
const std::shared_ptr<const IniDocument>& Refresh(CacheEntry& entry, const std::filesystem::path& file) {
  if (entry.readOnly) return entry.doc;
  Stamp now;
  if (!StatFile(file, now)) {
    entry.valid = true;
    entry.stamp = Stamp{};
    entry.doc.reset();
    return entry.doc;
  }
  if (entry.valid && entry.doc && entry.stamp == now) return entry.doc;
  // Take the stamp before reading: a change during the read shows as a
  // different stamp next time and is read again then.
  auto bytes = ReadWholeFile(file);
  entry.valid = true;
  entry.stamp = now;
  if (bytes) {
    entry.doc = std::make_shared<const IniDocument>(IniDocument::Parse(*bytes));
  } else {
    entry.doc.reset();
  }
  return entry.doc;
}

}  // namespace

// ---------------------------------------------------------------- IniDocument

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  const DecodedText decoded = DecodeText(bytes);
  doc.encoding_ = static_cast<int>(decoded.encoding);
  std::string_view text = decoded.utf8;
  const size_t firstNl = text.find('\n');
  doc.crlf_ = firstNl != std::string_view::npos && firstNl > 0 && text[firstNl - 1] == '\r';
  doc.finalNewline_ = text.empty() || text.back() == '\n';

  int section = -1;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(pos, end - pos);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    pos = end + 1;

    Line line;
    line.text.assign(raw);
    const std::string_view t = Trim(raw);
    if (!t.empty() && t.front() == '[') {
      std::string_view name = t.substr(1);
      const size_t close = name.find(']');
      if (close != std::string_view::npos) name = name.substr(0, close);
      line.kind = Kind::Section;
      line.lower = AsciiLower(Trim(name));
      section = static_cast<int>(doc.lines_.size());
      line.section = section;
    } else if (!t.empty() && t.front() != ';' && t.find('=') != std::string_view::npos && section >= 0) {
      const size_t eq = t.find('=');
      line.kind = Kind::Key;
      line.lower = AsciiLower(Trim(t.substr(0, eq)));
      line.value.assign(Trim(t.substr(eq + 1)));
      line.section = section;
    } else {
      line.section = section;
    }
    doc.lines_.push_back(std::move(line));
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  const char* nl = crlf_ ? "\r\n" : "\n";
  std::string out;
  size_t total = 0;
  for (const Line& l : lines_) total += l.text.size() + 2;
  out.reserve(total);
  for (size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i].text;
    if (i + 1 < lines_.size() || finalNewline_) out += nl;
  }
  return EncodeText(out, static_cast<TextEncoding>(encoding_));
}

int IniDocument::FindSectionLine(std::string_view lowerSection) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::Section && lines_[i].lower == lowerSection) return static_cast<int>(i);
  }
  return -1;
}

int IniDocument::FindKeyLine(std::string_view lowerSection, std::string_view lowerKey) const {
  bool inSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const Line& l = lines_[i];
    if (l.kind == Kind::Section) {
      inSection = l.lower == lowerSection;
    } else if (inSection && l.kind == Kind::Key && l.lower == lowerKey) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

const std::string* IniDocument::Find(std::string_view section, std::string_view key) const {
  const int i = FindKeyLine(AsciiLower(Trim(section)), AsciiLower(Trim(key)));
  return i < 0 ? nullptr : &lines_[static_cast<size_t>(i)].value;
}

bool IniDocument::HasSection(std::string_view section) const {
  return FindSectionLine(AsciiLower(Trim(section))) >= 0;
}

void IniDocument::Remove(std::string_view section, std::string_view key) {
  const std::string lowerSection = AsciiLower(Trim(section));
  const std::string lowerKey = AsciiLower(Trim(key));
  for (int i = FindKeyLine(lowerSection, lowerKey); i >= 0; i = FindKeyLine(lowerSection, lowerKey)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
    // Lines after the removed one point at their section header by index.
    for (Line& l : lines_) {
      if (l.section > i) --l.section;
    }
  }
}

std::vector<std::pair<std::string, std::string>> IniDocument::Keys(std::string_view section) const {
  const std::string lowerSection = AsciiLower(Trim(section));
  std::vector<std::pair<std::string, std::string>> keys;
  std::vector<std::string> seen;
  bool inSection = false;
  for (const Line& l : lines_) {
    if (l.kind == Kind::Section) {
      inSection = l.lower == lowerSection;
    } else if (inSection && l.kind == Kind::Key) {
      if (std::find(seen.begin(), seen.end(), l.lower) != seen.end()) continue;
      seen.push_back(l.lower);
      keys.emplace_back(std::string(Trim(std::string_view(l.text).substr(0, l.text.find('=')))), l.value);
    }
  }
  return keys;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view sec = Trim(section);
  const std::string_view k = Trim(key);
  const std::string lowerSection = AsciiLower(sec);
  const std::string lowerKey = AsciiLower(k);
  const std::string_view v = Trim(value);

  const int existing = FindKeyLine(lowerSection, lowerKey);
  if (existing >= 0) {
    Line& l = lines_[static_cast<size_t>(existing)];
    // Keep the key as it was spelt in the file.
    const std::string_view oldText = l.text;
    const size_t eq = oldText.find('=');
    std::string keyPart(Trim(oldText.substr(0, eq)));
    l.text = keyPart + "=" + std::string(v);
    l.value.assign(v);
    return;
  }

  Line line;
  line.kind = Kind::Key;
  line.lower = lowerKey;
  line.value.assign(v);
  line.text = std::string(k) + "=" + std::string(v);

  const int header = FindSectionLine(lowerSection);
  if (header < 0) {
    Line head;
    head.kind = Kind::Section;
    head.lower = lowerSection;
    head.text = "[" + std::string(sec) + "]";
    head.section = static_cast<int>(lines_.size());
    // A file that ends without a line ending gets one before the new section.
    finalNewline_ = true;
    lines_.push_back(std::move(head));
    line.section = static_cast<int>(lines_.size()) - 1;
    lines_.push_back(std::move(line));
    return;
  }
  // After the last non-blank line of the section, so blank separators stay in front of the next section.
  size_t insertAt = static_cast<size_t>(header) + 1;
  for (size_t i = insertAt; i < lines_.size() && lines_[i].kind != Kind::Section; ++i) {
    if (!Trim(lines_[i].text).empty()) insertAt = i + 1;
  }
  if (insertAt == lines_.size()) finalNewline_ = true;
  line.section = header;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
}

// ---------------------------------------------------------------- free functions

std::string CutToCapacity(std::string_view value, size_t capacity) {
  if (capacity <= 1) return {};
  return std::string(value.substr(0, Utf8PrefixForUnits(value, capacity - 1)));
}

void ServeReadOnly(const std::filesystem::path& file, std::optional<std::string> bytes, std::string refusal) {
  CacheEntry& entry = EntryFor(file);
  std::lock_guard lock(entry.mutex);
  entry.readOnly = true;
  entry.refusal = std::move(refusal);
  entry.valid = true;
  entry.stamp = Stamp{};
  entry.doc = bytes ? std::make_shared<const IniDocument>(IniDocument::Parse(*bytes)) : nullptr;
}

void ServeFromDisk(const std::filesystem::path& file) {
  CacheEntry& entry = EntryFor(file);
  std::lock_guard lock(entry.mutex);
  entry.readOnly = false;
  entry.refusal.clear();
  entry.valid = false;
  entry.doc.reset();
}

std::shared_ptr<const IniDocument> LoadIniDocument(const std::filesystem::path& file) {
  CacheEntry& entry = EntryFor(file);
  std::lock_guard lock(entry.mutex);
  return Refresh(entry, file);
}

std::string GetProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                             size_t capacity) {
  const auto doc = LoadIniDocument(file);
  if (!doc) return {};
  const std::string* value = doc->Find(section, key);
  return value ? CutToCapacity(*value, capacity) : std::string();
}

Outcome WriteProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                           std::string_view value) {
  IniEdit edit(file);
  edit.Set(section, key, value);
  return edit.Commit();
}

uint64_t IniFileWriteCount() { return gWriteCount.load(std::memory_order_relaxed); }

// ---------------------------------------------------------------- IniEdit

IniEdit::IniEdit(std::filesystem::path file) : path_(std::move(file)) {}

void IniEdit::EnsureLoaded() {
  if (loaded_) return;
  base_ = LoadIniDocument(path_);
  loaded_ = true;
}

bool IniEdit::FileExists() {
  EnsureLoaded();
  return base_ != nullptr || working_ != nullptr;
}

std::string IniEdit::Get(std::string_view section, std::string_view key, size_t capacity) {
  EnsureLoaded();
  const IniDocument* doc = working_ ? working_.get() : base_.get();
  if (!doc) return {};
  const std::string* value = doc->Find(section, key);
  return value ? CutToCapacity(*value, capacity) : std::string();
}

void IniEdit::Set(std::string_view section, std::string_view key, std::string_view value) {
  EnsureLoaded();
  if (!working_) working_ = std::make_unique<IniDocument>(base_ ? *base_ : IniDocument());
  working_->Set(section, key, value);
  ops_.push_back(Op{std::string(section), std::string(key), std::string(value)});
}

void IniEdit::Remove(std::string_view section, std::string_view key) {
  EnsureLoaded();
  if (!working_) working_ = std::make_unique<IniDocument>(base_ ? *base_ : IniDocument());
  working_->Remove(section, key);
  ops_.push_back(Op{std::string(section), std::string(key), {}, true});
}

void IniEdit::SetInt(std::string_view section, std::string_view key, int64_t value) {
  Set(section, key, std::to_string(value));
}

Outcome IniEdit::Commit() {
  if (ops_.empty()) return {};
  CacheEntry& entry = EntryFor(path_);
  std::lock_guard lock(entry.mutex);
  if (entry.readOnly) return Failure::Of(entry.refusal);
  const std::shared_ptr<const IniDocument> current = Refresh(entry, path_);
  std::shared_ptr<IniDocument> result;
  if (current == base_) {
    result = std::move(working_);
  } else {
    // Someone else wrote the file since this batch read it: replay onto theirs.
    result = std::make_shared<IniDocument>(current ? *current : IniDocument());
    for (const Op& op : ops_) {
      if (op.remove) {
        result->Remove(op.section, op.key);
      } else {
        result->Set(op.section, op.key, op.value);
      }
    }
  }
  Outcome error = WriteFileAtomically(path_, result->Serialize());
  gWriteCount.fetch_add(1, std::memory_order_relaxed);
  if (error) {
    // Keep the batch readable as it was; the file stays as it is on disk.
    working_ = std::make_unique<IniDocument>(*result);
    return error;
  }
  Stamp now;
  entry.valid = StatFile(path_, now);
  entry.stamp = now;
  entry.doc = result;
  base_ = result;
  working_.reset();
  ops_.clear();
  return {};
}

}  // namespace orv
