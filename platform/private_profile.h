#pragma once
// Private-profile INI files: the program's configuration, macro and layout files
// are read and written one key at a time with these semantics:
//  - section and key names match without regard to ASCII case;
//  - blanks around keys and values are trimmed;
//  - a missing file, section or key reads as empty text;
//  - a read value is cut to the caller's capacity minus one character (the
//    capacity counts a terminator; characters are UTF-16 code units);
//  - a write creates the file, section and key when missing; an existing key
//    keeps its place; a new key goes at the end of its section and a new section
//    at the end of the file; lines that are not understood are kept as they are;
//  - a file is rewritten in the encoding it had (UTF-8, UTF-8 with BOM, or
//    UTF-16LE with BOM); new files are UTF-8 without BOM;
//  - every write replaces the whole file atomically (see atomic_file.h).
//
// Parsed files are cached per path and reused while the file on disk keeps the
// same identity, size and modification time. All functions are thread-safe;
// writers of one file are serialised so that concurrent writers never lose each
// other's keys.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/failure.h"

namespace orv {

class IniDocument {
 public:
  // Parses file bytes of any supported encoding.
  static IniDocument Parse(std::string_view bytes);
  // The file's bytes in the encoding it was read with.
  std::string Serialize() const;

  // Trimmed value of the first matching key, or nullptr.
  const std::string* Find(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes every line of the key in the section (nothing when it is missing).
  void Remove(std::string_view section, std::string_view key);
  // The keys of the section as they are spelt in the file, with their trimmed
  // values, in file order (a key spelt twice is listed once, with its first value).
  std::vector<std::pair<std::string, std::string>> Keys(std::string_view section) const;

 private:
  enum class Kind : uint8_t { Other, Section, Key };
  struct Line {
    std::string text;   // the line as it stands in the file, without its line ending
    Kind kind = Kind::Other;
    std::string lower;  // lower-case section or key name
    std::string value;  // trimmed value of a key line
    int section = -1;   // index of the section header line this line belongs to
  };
  int FindSectionLine(std::string_view lowerSection) const;
  int FindKeyLine(std::string_view lowerSection, std::string_view lowerKey) const;

  std::vector<Line> lines_;
  int encoding_ = 0;  // TextEncoding
  bool crlf_ = false;
  bool finalNewline_ = true;
};

// Cuts `value` to at most `capacity` - 1 UTF-16 code units (0 or 1 gives "").
std::string CutToCapacity(std::string_view value, size_t capacity);

// The cached parsed form of a file, or nullptr when it does not exist or cannot be read.
std::shared_ptr<const IniDocument> LoadIniDocument(const std::filesystem::path& file);

// Serves `file` from memory from now on: reads see `bytes` (nullopt: no such
// file) whatever the disk holds, and every write of it is refused with
// `refusal` without touching the disk. For a file whose own copy cannot be
// used, so that the program runs on a stand-in it must never save over it.
void ServeReadOnly(const std::filesystem::path& file, std::optional<std::string> bytes, std::string refusal);
// Ends ServeReadOnly: `file` is read from and written to the disk again.
void ServeFromDisk(const std::filesystem::path& file);

// GetPrivateProfileString: the trimmed value cut to capacity - 1 characters.
std::string GetProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                             size_t capacity);

// WritePrivateProfileString of one key, as one atomic rewrite of the file.
// Returns what failed, or nothing.
[[nodiscard]] Outcome WriteProfileString(const std::filesystem::path& file, std::string_view section,
                                         std::string_view key, std::string_view value);

// A batch of reads and writes of one file that ends in a single atomic rewrite.
// Reads see the batch's own writes. Commit replays the writes onto the file as it
// is at that moment, so a writer that committed in between keeps its keys.
class IniEdit {
 public:
  explicit IniEdit(std::filesystem::path file);
  IniEdit(const IniEdit&) = delete;
  IniEdit& operator=(const IniEdit&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // True when the file existed when the batch first read it, or the batch wrote to it.
  bool FileExists();
  std::string Get(std::string_view section, std::string_view key, size_t capacity);
  void Set(std::string_view section, std::string_view key, std::string_view value);
  void SetInt(std::string_view section, std::string_view key, int64_t value);
  void Remove(std::string_view section, std::string_view key);
  // Writes the file once when anything was set. Returns what failed, or nothing.
  [[nodiscard]] Outcome Commit();

 private:
  void EnsureLoaded();
  struct Op {
    std::string section, key, value;
    bool remove = false;
  };
  std::filesystem::path path_;
  bool loaded_ = false;
  std::shared_ptr<const IniDocument> base_;
  std::unique_ptr<IniDocument> working_;
  std::vector<Op> ops_;
};

// Number of whole-file writes the INI layer has made in this process (for
// benchmarks and tests).
uint64_t IniFileWriteCount();

}  // namespace orv
