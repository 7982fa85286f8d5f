#pragma once
// Writes a whole file so that a failure never leaves it half written: the bytes go to a
// temporary file in the target's folder, every write is checked, the file is flushed to
// disk and then renamed over the target. On failure the old file is untouched. After a
// successful write, temporaries of the same target that an interrupted write left behind
// (".NAME.XXXXXX") are removed.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Returns true on success; on failure the reason (from the system) is in *error.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes, std::string* error = nullptr);

// The same for a file that every build makes afresh from the program (a translation, an
// include, an image): written whole and renamed over the target, so a reader never sees it
// half written, but not flushed to disk first; after a power failure the next build makes
// it again.
bool WriteBuildFile(const std::filesystem::path& target, std::string_view bytes, std::string* error = nullptr);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string* error = nullptr);

}  // namespace platform
