#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// Replaces `path` with `bytes` so that a crash or kill at any moment leaves
// either the old or the new file whole: the bytes go to a temporary file in the
// same folder, are flushed to disk, and the temporary file is renamed over the
// old one. A missing parent folder is created. An existing file keeps its
// permission bits; a file the caller may not write is refused. Returns an empty
// string on success, otherwise a message saying what failed.
std::string WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Reads a whole file; nullopt when it does not exist or cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

}  // namespace orv
