#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/failure.h"

namespace orv {

// Replaces `path` with `bytes` so that a crash or kill at any moment leaves
// either the old or the new file whole: the bytes go to a temporary file
// (".<name>.XXXXXX") in the same folder, are flushed to disk, and the temporary
// file is renamed over the old one. A missing parent folder is created.
//
// A symbolic link (any number of levels) is followed and the file it finally
// names is replaced in that file's own folder, so the link stays a link; a link
// whose target does not exist yet creates the target. Something that is not a
// regular file (a folder, a device, a FIFO) is refused without being opened.
// An existing file keeps its permission bits and, where the process may give
// files away (running as root), its owner and group; a file the caller may not
// write is refused. Returns what failed, or nothing.
[[nodiscard]] Outcome WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Asked before every WriteFileAtomically: a write it refuses does not touch
// the disk at all and fails with the gate's reason. The program installs none;
// tests install one that stops the writes after a given number, the way a kill
// between two writes would.
class WriteGate {
 public:
  virtual ~WriteGate() = default;
  // Nothing lets the write of `path` go ahead; otherwise why it is refused.
  virtual Outcome Check(const std::filesystem::path& path) = 0;
};
// Installs `gate` for every thread (nullptr: none). The gate must outlive its use.
void SetWriteGate(WriteGate* gate);

// Keeps `bytes` (the content of `file`, which the program could not use) as
// "<file>.damaged", or ".damaged.1", ".damaged.2", ... when that name is
// taken: an existing copy is never overwritten. The copy gets the file's
// permission bits and, run as root, its owner. Sets `keptAs` and returns
// nothing, or returns what failed (and leaves no partial copy).
[[nodiscard]] Outcome KeepDamagedCopy(const std::filesystem::path& file, std::string_view bytes,
                                      std::filesystem::path& keptAs);

// Reads a whole regular file; nullopt when it does not exist, cannot be read or
// is not a regular file (a FIFO is never waited on).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// True for a name of the form WriteFileAtomically gives its temporary files:
// a dot, a non-empty file name, a dot and six letters or digits.
bool IsAtomicWriteTemporaryName(std::string_view name);

struct StaleTemporaryCleanup {
  std::vector<std::filesystem::path> removed;
  std::vector<Failure> failures;  // what could not be listed or removed
};

// Removes from `folder` the temporary files of atomic writes that never reached
// their rename (the writer was killed): regular files, not links, whose name
// IsAtomicWriteTemporaryName accepts and whose modification time is more than a
// minute before `now`. Younger files may belong to a write still going on. A
// missing folder is no error.
StaleTemporaryCleanup RemoveStaleTemporaryFiles(const std::filesystem::path& folder,
                                                std::filesystem::file_time_type now);

}  // namespace orv
