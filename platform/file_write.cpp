#include "platform/file_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <cstring>

#include <vector>

namespace platform {
namespace {

bool Fail(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
  return false;
}

// The name mkstemp gives a temporary of `target`: "." + name + "." + six letters or digits.
bool IsTemporaryOf(const std::string& entry, const std::string& prefix) {
  if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0) return false;
  for (size_t i = prefix.size(); i < entry.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(entry[i]))) return false;
  return true;
}

// Removes temporaries of `prefix` that an interrupted write left in `folder`. A write in
// progress holds a lock on its temporary and is left alone.
void RemoveLeftovers(const std::filesystem::path& folder, const std::string& prefix) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const int dirFd = dirfd(dir);
  while (const dirent* e = readdir(dir)) {
    if (!IsTemporaryOf(e->d_name, prefix)) continue;
    const int fd = openat(dirFd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) unlinkat(dirFd, e->d_name, 0);
    close(fd);
  }
  closedir(dir);
}

bool WriteAndRename(const std::filesystem::path& target, std::string_view bytes, bool flush, std::string* error) {
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  const std::string prefix = "." + target.filename().string() + ".";
  std::string pattern = (folder / (prefix + "XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return Fail(error, "cannot create a file in " + folder.string());
  // Marks the temporary as in use until it is closed (see RemoveLeftovers).
  flock(fd, LOCK_EX | LOCK_NB);
  auto abandon = [&](const std::string& what) {
    int saved = errno;
    close(fd);
    unlink(name.data());
    errno = saved;
    return Fail(error, what);
  };
  // Keep the permissions an existing target had; a new file gets the usual ones.
  struct stat st {};
  mode_t mode = 0666;
  if (stat(target.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode &= ~mask;
  }
  if (fchmod(fd, mode) != 0) return abandon("cannot set the mode of " + target.string());
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return abandon("cannot write " + target.string());
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (flush && fsync(fd) != 0) return abandon("cannot flush " + target.string());
  if (close(fd) != 0) {
    int saved = errno;
    unlink(name.data());
    errno = saved;
    return Fail(error, "cannot close " + target.string());
  }
  if (rename(name.data(), target.c_str()) != 0) {
    int saved = errno;
    unlink(name.data());
    errno = saved;
    return Fail(error, "cannot replace " + target.string());
  }
  RemoveLeftovers(folder, prefix);
  return true;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes, std::string* error) {
  return WriteAndRename(target, bytes, true, error);
}

bool WriteBuildFile(const std::filesystem::path& target, std::string_view bytes, std::string* error) {
  return WriteAndRename(target, bytes, false, error);
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string* error) {
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return Fail(error, "cannot open " + path.string());
  bytes.clear();
  char buf[65536];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int saved = errno;
      close(fd);
      errno = saved;
      return Fail(error, "cannot read " + path.string());
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  return true;
}

}  // namespace platform
