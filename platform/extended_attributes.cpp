#include "platform/extended_attributes.h"

#include <sys/types.h>
#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>

namespace platform {
namespace {

constexpr const char* kAccessList = "system.posix_acl_access";

// Runs `call(buffer, size)`, a call of the listxattr or getxattr kind, until `bytes` holds its
// whole answer: asked first for the size, then for the bytes, again while they keep growing.
template <typename Call>
bool Fetch(Call call, std::string& bytes) {
  for (int tries = 0; tries < 8; ++tries) {
    const ssize_t size = call(nullptr, 0);
    if (size < 0) return false;
    bytes.assign(static_cast<size_t>(size), '\0');
    if (size == 0) return true;
    const ssize_t n = call(bytes.data(), bytes.size());
    if (n >= 0) {
      bytes.resize(static_cast<size_t>(n));
      return true;
    }
    if (errno != ERANGE) return false;
  }
  errno = ERANGE;
  return false;
}

// `list(buffer, size)` lists the names, `get(name, buffer, size)` reads one value.
template <typename List, typename Get>
bool ReadAll(List list, Get get, ExtendedAttributes& attributes) {
  std::string names;
  if (!Fetch(list, names)) {
    if (errno != ENOTSUP) return false;
    // No listing: a filesystem without attributes, unless an access list shows all the same
    // (a filesystem that keeps some but cannot list them).
    std::string value;
    const auto access = [&](char* buffer, size_t size) { return get(kAccessList, buffer, size); };
    if (Fetch(access, value) || (errno != ENODATA && errno != ENOTSUP)) {
      errno = ENOTSUP;
      return false;
    }
    attributes.clear();
    return true;
  }
  ExtendedAttributes found;
  for (size_t at = 0; at < names.size();) {
    const size_t end = std::min(names.find('\0', at), names.size());
    std::string name = names.substr(at, end - at);
    at = end + 1;
    if (name.empty()) continue;
    std::string value;
    if (!Fetch([&](char* buffer, size_t size) { return get(name.c_str(), buffer, size); }, value)) return false;
    found.emplace_back(std::move(name), std::move(value));
  }
  std::sort(found.begin(), found.end());
  attributes = std::move(found);
  return true;
}

}  // namespace

bool ReadExtendedAttributes(const std::string& path, ExtendedAttributes& attributes) {
  return ReadAll(
      [&](char* buffer, size_t size) { return llistxattr(path.c_str(), buffer, size); },
      [&](const char* name, char* buffer, size_t size) { return lgetxattr(path.c_str(), name, buffer, size); },
      attributes);
}

bool ReadExtendedAttributes(int fd, ExtendedAttributes& attributes) {
  return ReadAll([&](char* buffer, size_t size) { return flistxattr(fd, buffer, size); },
                 [&](const char* name, char* buffer, size_t size) { return fgetxattr(fd, name, buffer, size); },
                 attributes);
}

bool HasDefaultAccessList(int dir) { return fgetxattr(dir, "system.posix_acl_default", nullptr, 0) > 0; }

}  // namespace platform
