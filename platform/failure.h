#pragma once
// A failure as the program reports it: what failed, the file or device it
// concerns, and the system's reason. Operations that can fail return an
// Outcome, a Failure or nothing when they worked; the application layer logs
// every failure it shows the user (app/tell.h).
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

struct Failure {
  std::string what;             // "cannot write"; the whole text when there is nothing more
  std::filesystem::path where;  // the file or device, if any
  std::string reason;           // why, in the system's words, if known

  // A failure told in one sentence, with no file or reason apart.
  static Failure Of(std::string text) { return Failure{std::move(text), {}, {}}; }

  // "what where: reason"; without a file "what: reason"; without either, "what".
  std::string Text() const;
  bool operator==(const Failure&) const = default;
};

// Empty when the operation worked.
using Outcome = std::optional<Failure>;

// A failure told in `text` about `file`: the file is named in front of the
// text ("<file>: <text>") unless the text names it already.
Failure AboutFile(const std::filesystem::path& file, std::string text);
// The same for a failure already made: kept as it is when its text names the
// file, else told after the file's name.
Failure AboutFile(const std::filesystem::path& file, Failure failure);

// The failures' texts one after another, `separator` between two.
std::string JoinedText(const std::vector<Failure>& failures, std::string_view separator);

// A failure whose reason is the system's text for errno value `err`.
Failure SystemFailure(std::string what, std::filesystem::path where, int err);

inline std::ostream& operator<<(std::ostream& out, const Failure& failure) { return out << failure.Text(); }

}  // namespace orv
