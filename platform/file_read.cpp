#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/file_failure.h"

namespace platform {
namespace {

using file_failure::Fail;

// The refusal of a name that is no regular file.
bool NotRegular(std::string* error, const std::filesystem::path& path, mode_t mode) {
  if (S_ISDIR(mode)) {
    errno = EISDIR;
    return Fail(error, "cannot read " + path.string());
  }
  if (error) *error = "cannot read " + path.string() + ": not a regular file";
  errno = EINVAL;
  return false;
}

}  // namespace

bool ReadFileStart(const std::filesystem::path& path, std::string& bytes, std::size_t limit, std::string* error) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return Fail(error, "cannot open " + path.string());
  if (!S_ISREG(st.st_mode)) return NotRegular(error, path, st.st_mode);
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return Fail(error, "cannot open " + path.string());
  auto refuse = [&](bool failed) {
    const int saved = errno;
    close(fd);
    errno = saved;
    return failed;
  };
  if (fstat(fd, &st) != 0) return refuse(Fail(error, "cannot read " + path.string()));
  if (!S_ISREG(st.st_mode)) return refuse(NotRegular(error, path, st.st_mode));
  const std::size_t size = std::min(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)), limit);
  bytes.assign(size, '\0');
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = read(fd, bytes.data() + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return refuse(Fail(error, "cannot read " + path.string()));
    }
    if (n == 0) break;  // the file was cut meanwhile
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  close(fd);
  return true;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string* error) {
  return ReadFileStart(path, bytes, static_cast<std::size_t>(-1), error);
}

}  // namespace platform
