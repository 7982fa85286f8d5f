#pragma once
// Reads a whole file that a user named (a program, its memo and watch list, the settings) or
// that lies in the studio's folder (the build's files, the tip file, the guide). Every file the
// studio reads comes through here, so that none can hang the window:
//
// - Only a regular file is read, found through symbolic links. A folder is refused with
//   EISDIR; a FIFO, a socket or a device with EINVAL, at once: a FIFO that nobody writes is
//   never waited for, and /dev/zero is never read. A name is looked at before it is opened, so
//   that a device never sees an open (a serial line would raise its modem lines); where it
//   turns into something else between the look and the open, the open does not wait
//   (O_NONBLOCK) and the file is refused after it (fstat).
// - A file is read as far as the size it had when it was opened, never further: one that grows
//   meanwhile is read as it was then, and one that calls itself empty (the system's files under
//   /proc) reads as empty, so that no file is read without end.

#include <cstddef>
#include <filesystem>
#include <string>

namespace platform {

// Reads a whole regular file. Returns true on success; false, with errno telling why and the
// reason in *error, when it is no regular file or cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string* error = nullptr);

// The same for the first `limit` bytes at most, for a reader that never looks further (a
// shorter file is read whole): a huge file is then not read whole to find the start.
bool ReadFileStart(const std::filesystem::path& path, std::string& bytes, std::size_t limit,
                   std::string* error = nullptr);

}  // namespace platform
