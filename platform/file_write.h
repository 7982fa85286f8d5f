#pragma once
// Writes a whole file so that a failure never leaves it half written. What the target is
// decides the road:
//
// - A regular file with one name, or none yet: the bytes go to an unnamed file (O_TMPFILE) in
//   the target's folder, every write is checked, the file is flushed to disk, takes the old
//   file's owner and group where the saver may give them (fchown; where not, it is the
//   saver's, which is no failure) and its mode, is named ".NAME.zqvstudio-save" (cut, with a
//   hash of NAME, where NAME is too long for that) and at once renamed over the target; then
//   the folder is flushed, so that the rename too survives a power failure. On failure the old
//   file is untouched and no temporary is left. A write that is killed leaves nothing (the
//   unnamed file goes with the process), except in the moment between naming and renaming, or
//   on a filesystem without unnamed files (there the temporary is named from the start): then
//   it leaves that one name, which the next write of the target removes. Nothing else in the
//   folder is ever removed.
//   A new file is made as open(2) with mode 0666 makes one: it gets the umask, or the
//   folder's default access list. A replacement must come out with the old file's extended
//   attributes, name for name and byte for byte (its access list, whose mask the mode shows as
//   the group's bits; a security label; user.* attributes); where it does not, or where they
//   cannot be read, the old file takes the bytes itself, as below.
// - A regular file with more than one name (hard links), one whose extended attributes a new
//   file would not carry, and one whose folder refuses the temporary or the rename (EACCES,
//   EPERM: a folder of mode 555, a sticky folder) while the file may be written: the bytes are
//   written into the file itself, which keeps its inode, owner, mode and attributes. They go
//   over the old bytes, which were read first, and the file is cut to its new length only once
//   they are all written and flushed; a failure before that writes the old bytes back and cuts
//   the file to its old length. Every failure the write sees thus leaves the old file; a write
//   that is killed on this road can leave it part old, part new.
// - A device or a FIFO: written into, as cp does, never replaced. It is opened without waiting
//   (a FIFO that nobody reads fails with ENXIO).
// - A folder: refused with EISDIR.
//
// A write beyond the file-size limit (ulimit -f) fails like a full disk (EFBIG), and one to a
// FIFO whose reader went away with EPIPE, instead of ending the process by SIGXFSZ or SIGPIPE.
//
// A target that is a symbolic link (or a chain of them) is written where the link leads, and
// the link stays as it is: "target", "its folder" and NAME above then mean the linked file, its
// folder and its name. A loop of links fails with ELOOP before anything is written.
//
// A target that exists and that the user may not write (a read-only file, another user's
// file) is never replaced: the write fails with EACCES before anything is written.
//
// On failure errno tells why; EACCES, EPERM and EROFS mean that the target could not be
// opened for writing (not permitted), and then nothing was written.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Returns true on success; on failure the reason (from the system) is in *error.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes, std::string* error = nullptr);

// The same for a file that every build makes afresh from the program (a translation, an
// include, an image): written whole and renamed over the target, so a reader never sees it
// half written, but neither the file nor its folder is flushed to disk; after a power failure
// the next build makes it again. (In place, the bytes are flushed before the file is cut.)
bool WriteBuildFile(const std::filesystem::path& target, std::string_view bytes, std::string* error = nullptr);

// For tests: WriteFileAtomically the way a filesystem without unnamed files goes, through the
// named temporary from the start.
bool WriteFileThroughNamedTemporary(const std::filesystem::path& target, std::string_view bytes,
                                    std::string* error = nullptr);

}  // namespace platform
