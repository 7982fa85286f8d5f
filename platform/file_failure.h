#pragma once
// How the whole-file reader and writer report a failure: the operation and the system's reason.

#include <cerrno>
#include <cstring>
#include <string>

namespace platform::file_failure {

// Sets *error to `what` and the reason errno gives; errno stays as it was for the caller.
// Always false, for `return Fail(...)`.
inline bool Fail(std::string* error, const std::string& what) {
  const int saved = errno;
  if (error) *error = what + ": " + std::strerror(saved);
  errno = saved;
  return false;
}

}  // namespace platform::file_failure
