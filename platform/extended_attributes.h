#pragma once
// A file's extended attributes as the system shows them to this process: its access list
// (system.posix_acl_access), a security label (security.*), the user's own (user.*) and
// whatever else the caller may see. The whole-file writer compares an old file's with a new
// one's to tell whether a replacement would carry everything the old file did.

#include <string>
#include <utility>
#include <vector>

namespace platform {

// Each attribute's name and value, sorted by name.
using ExtendedAttributes = std::vector<std::pair<std::string, std::string>>;

// Reads the attributes of the file `path` (a symbolic link itself, not what it leads to) or of
// the open file `fd`. A filesystem that keeps no attributes (listing them answers ENOTSUP)
// gives none, unless it shows an access list all the same: the attributes then cannot be known
// and the read fails with ENOTSUP. False (errno set) when they cannot be listed or read.
bool ReadExtendedAttributes(const std::string& path, ExtendedAttributes& attributes);
bool ReadExtendedAttributes(int fd, ExtendedAttributes& attributes);

// Whether the open folder `dir` has a default access list, which every new file made in it
// takes (the kernel applies it when the file is made). False also when that cannot be read.
bool HasDefaultAccessList(int dir);

}  // namespace platform
