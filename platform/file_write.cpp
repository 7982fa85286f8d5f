#include "platform/file_write.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/extended_attributes.h"
#include "platform/file_failure.h"

namespace platform {
namespace {

// The one temporary name a write of NAME uses: ".NAME.zqvstudio-save". No user picks it, it
// differs from every ".NAME.XXXXXX" that older studios made, and it is the same on every
// write of NAME, so a write that was killed leaves at most this one file, which the next
// write of NAME takes away.
constexpr const char* kTemporarySuffix = ".zqvstudio-save";

// The temporary's name for a target named `name`. A name too long to take the suffix is cut,
// with a hash of the whole name (FNV-1a, the same in every build) so that long names that
// begin alike keep apart.
std::string TemporaryName(const std::string& name) {
  std::string temp = "." + name + kTemporarySuffix;
  if (temp.size() <= NAME_MAX) return temp;
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
  char mark[20];
  std::snprintf(mark, sizeof mark, "~%016llx", static_cast<unsigned long long>(hash));
  const size_t keep = NAME_MAX - 1 - std::strlen(mark) - std::strlen(kTemporarySuffix);
  return "." + name.substr(0, keep) + mark + kTemporarySuffix;
}

using file_failure::Fail;

// The reasons for which a folder refuses a new file, or a file refuses to be written.
bool NotPermitted(int reason) { return reason == EACCES || reason == EPERM; }

// Two signals of a write would end the process by their default action: SIGXFSZ (a write past
// the file-size limit, ulimit -f) and SIGPIPE (a FIFO whose reader went away). While a write
// runs, this holds them blocked in the writing thread, so the write fails with EFBIG or EPIPE
// instead; what the write raised of them is taken off again before the thread's signal mask
// is restored. A signal the caller already held blocked stays the caller's, pending or not.
// Nothing process-wide changes: the signals' actions (and so what programs the studio starts
// inherit) stay as they were.
class WriteSignalHold {
 public:
  WriteSignalHold() {
    sigset_t both;
    sigemptyset(&both);
    sigemptyset(&held_);
    for (int signal : kSignals) sigaddset(&both, signal);
    sigset_t old;
    if (pthread_sigmask(SIG_BLOCK, &both, &old) != 0) return;
    for (int signal : kSignals) {
      if (sigismember(&old, signal) != 0) continue;
      sigaddset(&held_, signal);
      holding_ = true;
    }
  }
  ~WriteSignalHold() {
    if (!holding_) return;
    const int saved = errno;
    const timespec now{};
    for (;;) {
      sigset_t pending;
      if (sigpending(&pending) != 0) break;
      bool raised = false;
      for (int signal : kSignals)
        raised = raised || (sigismember(&held_, signal) == 1 && sigismember(&pending, signal) == 1);
      if (!raised) break;
      if (sigtimedwait(&held_, nullptr, &now) < 0 && errno != EINTR) break;
    }
    pthread_sigmask(SIG_UNBLOCK, &held_, nullptr);
    errno = saved;
  }
  WriteSignalHold(const WriteSignalHold&) = delete;
  WriteSignalHold& operator=(const WriteSignalHold&) = delete;

 private:
  static constexpr int kSignals[] = {SIGXFSZ, SIGPIPE};
  sigset_t held_;
  bool holding_ = false;
};

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Removes the temporary `name` in `dir` when a killed write left it: a regular file that no
// write in progress holds locked (a write holds its temporary locked from before it has the
// name until it is renamed). Returns 0 when the name is free, else the reason: EBUSY while a
// write holds it, EEXIST when it is not a regular file (then it is not the studio's and stays).
int RemoveLeftover(int dir, const char* name) {
  struct stat named {};
  if (fstatat(dir, name, &named, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT ? 0 : errno;
  if (!S_ISREG(named.st_mode)) return EEXIST;
  // Open for writing where that is allowed: NFS locks only files open for writing.
  int fd = openat(dir, name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && errno == EACCES) fd = openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? 0 : errno;
  struct stat held {};
  int result = 0;
  if (fstat(fd, &held) != 0) {
    result = errno;
  } else if (!S_ISREG(held.st_mode)) {
    result = EEXIST;
  } else if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    result = EBUSY;  // (where there are no locks, no write can hold one either)
  } else if (fstatat(dir, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(named, held) &&
             unlinkat(dir, name, 0) != 0 && errno != ENOENT) {
    result = errno;  // the name still leads to the file locked here: that file goes
  }
  close(fd);
  return result;
}

// Runs `make` (which returns 0 or sets errno); when the temporary's name is taken by a
// leftover, removes it and runs `make` once more.
template <typename Make>
int WithNameFree(int dir, const char* name, Make make) {
  if (make() == 0) return 0;
  if (errno != EEXIST) return -1;
  if (const int reason = RemoveLeftover(dir, name)) {
    errno = reason;
    return -1;
  }
  return make();
}

// Gives the unnamed file `fd` the name `name` in `dir`.
int LinkUnnamed(int fd, int dir, const char* name) {
  char proc[40];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
  if (linkat(AT_FDCWD, proc, dir, name, AT_SYMLINK_FOLLOW) == 0) return 0;
  // Without /proc: AT_EMPTY_PATH, which needs the capability CAP_DAC_READ_SEARCH.
  if (errno == ENOENT) return linkat(fd, "", dir, name, AT_EMPTY_PATH);
  return -1;
}

bool WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

// Writes `bytes` at the start of the file, over what is there.
bool WriteFromStart(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Reads the first bytes.size() bytes of the file into `bytes`; a file that is shorter by now
// gives what it has.
bool ReadFromStart(int fd, std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  bytes.resize(done);
  return true;
}

// Writes `bytes` into the existing regular file `target` itself: for when its folder refuses
// the temporary (a shared folder of mode 555, a sticky folder that keeps others from
// replacing the file) while the file may be written, for a file with more than one name (hard
// links), which a new file would split from its other names, and for one whose extended
// attributes (an access list, a label, the user's own) a new file would not carry. The file
// keeps its inode, owner, mode and attributes. The old bytes that the new ones cover are read
// first; room beyond the old end is reserved where the filesystem can (fallocate, which leaves
// the length as it is); the new bytes are written over the old ones without cutting anything
// and flushed, and only then is the file cut to its new length (and, with `flush`, flushed
// again). Any failure before the cut writes the old bytes back and cuts the file to its old
// length, whose room was never given up: the file is then the old one again, not a shortened
// or mixed one. A failure of the last flush leaves the new file whole. The road is not atomic:
// a write that is killed, or a failing disk, can leave the file part old, part new. With
// `refusal` (the folder's refusal, `refused` its message), a `target` that is no regular file
// that may be read and written fails with that refusal.
bool WriteInPlace(const std::filesystem::path& target, std::string_view bytes, bool flush, int refusal,
                  const std::string& refused, std::string* error) {
  int fd = open(target.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  struct stat st {};
  if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    const int reason = S_ISREG(st.st_mode) ? errno : EAGAIN;  // (it changed from a regular file meanwhile)
    close(fd);
    fd = -1;
    errno = reason;
  }
  if (fd < 0) {
    if (refusal != 0) errno = refusal;
    return Fail(error, refusal != 0 ? refused : "cannot write " + target.string());
  }
  auto abandon = [&](const std::string& what) {
    const int saved = errno;
    close(fd);
    errno = saved;
    return Fail(error, what);
  };
  const std::string writing = "cannot write " + target.string();
  const auto size = static_cast<off_t>(bytes.size());
  rlimit limit{};
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && bytes.size() > limit.rlim_cur) {
    errno = EFBIG;  // found before the first byte, also where the filesystem cannot reserve room
    return abandon(writing);
  }
  const auto covered = static_cast<size_t>(std::min(st.st_size, size));
  std::string old(covered, '\0');
  if (!ReadFromStart(fd, old)) return abandon("cannot read " + target.string());
  // (A file that came out shorter than it was has that length now.)
  const off_t oldSize = old.size() < covered ? static_cast<off_t>(old.size()) : st.st_size;
  // A filesystem that cannot reserve room (ext2, many FUSE filesystems) shows a full disk
  // while the bytes are written; the old ones then go back.
  if (size > oldSize && fallocate(fd, FALLOC_FL_KEEP_SIZE, oldSize, size - oldSize) != 0 && errno != EOPNOTSUPP &&
      errno != ENOSYS && errno != EINVAL)
    return abandon(writing);
  auto giveBack = [&](const std::string& what) {
    const int saved = errno;
    if (WriteFromStart(fd, old) && ftruncate(fd, oldSize) == 0) fsync(fd);
    errno = saved;
    return abandon(what);
  };
  if (!WriteFromStart(fd, bytes)) return giveBack(writing);
  if (fsync(fd) != 0) return giveBack("cannot flush " + target.string());
  if (ftruncate(fd, size) != 0) return giveBack(writing);
  if (flush && fsync(fd) != 0) return abandon("cannot flush " + target.string());
  if (close(fd) != 0) return Fail(error, "cannot close " + target.string());
  return true;
}

// Writes `bytes` into `target`, which is no regular file (a device, a FIFO), as cp does: it
// stays what it is and takes the bytes in one pass. It is opened without waiting (a FIFO that
// nobody reads fails at once with ENXIO, a serial line does not wait for its carrier) and
// then written in blocking mode; with `flush` it is flushed where it can be (a device that
// cannot answers EINVAL, which is no failure).
bool WriteInto(const std::filesystem::path& target, std::string_view bytes, bool flush, std::string* error) {
  const std::string writing = "cannot write " + target.string();
  const int fd = open(target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail(error, writing);
  auto abandon = [&](const std::string& what) {
    const int saved = errno;
    close(fd);
    errno = saved;
    return Fail(error, what);
  };
  struct stat st {};
  if (fstat(fd, &st) != 0) return abandon(writing);
  if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) {
    errno = EAGAIN;  // it became a regular file meanwhile: not written into without its old bytes
    return abandon(writing);
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return abandon(writing);
  if (!WriteAll(fd, bytes)) return abandon(writing);
  if (flush && fsync(fd) != 0 && errno != EINVAL) return abandon("cannot flush " + target.string());
  if (close(fd) != 0) return Fail(error, "cannot close " + target.string());
  return true;
}

// The bytes go to an unnamed file in the target's folder (O_TMPFILE): a write that is killed
// leaves nothing behind. Only when it is complete (and flushed) does it get the temporary's
// name, and at once it is renamed over the target; with `flush` the folder is flushed after
// that, so that the rename too is on disk. A filesystem without unnamed files (or `named`)
// takes a named temporary created afresh, which a write that is killed leaves behind until the
// next write of the target removes it. `target` is no symbolic link (see FinalTarget).
bool WriteAndRename(const std::filesystem::path& target, std::string_view bytes, bool flush, bool named,
                    std::string* error) {
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  const std::string name = target.filename().string();
  const std::string temp = TemporaryName(name);
  const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return Fail(error, "cannot create a file in " + folder.string());
  // An existing target's attributes (its access list, a security label, the user's own) do not
  // pass to a new file: the new file must come out with the same ones, or the bytes go into the
  // old file itself, which keeps them. Attributes that cannot be read count as not the same.
  struct stat st {};
  const bool replacing = fstatat(dir, name.c_str(), &st, 0) == 0;
  ExtendedAttributes kept;
  if (replacing && !ReadExtendedAttributes(target.string(), kept)) {
    close(dir);
    return WriteInPlace(target, bytes, flush, 0, std::string(), error);
  }
  // A new file is made as open(2) makes one with mode 0666, so that it gets what the folder
  // gives every new file: the umask, or the folder's default access list, which the umask does
  // not cut. A replacement is the saver's alone until it has the old file's mode.
  const mode_t creation = replacing ? 0600 : 0666;
  int fd = -1;
  if (!named) {
    fd = openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, creation);
    named = fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL);
  }
  auto create = [&] {
    fd = openat(dir, temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, creation);
    return fd < 0 ? -1 : 0;
  };
  if (named && WithNameFree(dir, temp.c_str(), create) != 0) fd = -1;
  if (fd < 0) {
    const int saved = errno;
    close(dir);
    const std::string refused = "cannot create a file in " + folder.string();
    if (NotPermitted(saved)) return WriteInPlace(target, bytes, flush, saved, refused, error);
    errno = saved;
    return Fail(error, refused);
  }
  // Held until the file has its final name: a write of the same target elsewhere then leaves
  // the temporary alone (see RemoveLeftover). A remover can only have come between the
  // creation of a named temporary and this lock; then the name no longer leads to this file.
  flock(fd, LOCK_EX);
  bool ownsName = named;
  auto discard = [&] {
    const int saved = errno;
    if (ownsName) unlinkat(dir, temp.c_str(), 0);
    close(fd);
    close(dir);
    errno = saved;
  };
  auto abandon = [&](const std::string& what) {
    discard();
    return Fail(error, what);
  };
  if (named) {
    struct stat mine {};
    struct stat now {};
    if (fstat(fd, &mine) != 0 || fstatat(dir, temp.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(mine, now)) {
      ownsName = false;
      errno = EBUSY;
      return abandon("cannot create " + (folder / temp).string());
    }
  }
  // Keep the owner, group and permissions an existing target had: the owner and group where
  // the saver may give them (root saving a user's program), else the group alone, else the
  // file is the saver's, which is no failure. The mode comes after them, since a change of
  // owner clears the set-id bits; then the attributes must be the old file's, or the old file
  // takes the bytes.
  if (replacing) {
    if (fchown(fd, st.st_uid, st.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
      // kept as the saver's
    }
    if (fchmod(fd, st.st_mode & 07777) != 0) return abandon("cannot set the mode of " + target.string());
    ExtendedAttributes carried;
    if (!ReadExtendedAttributes(fd, carried) || carried != kept) {
      discard();
      return WriteInPlace(target, bytes, flush, 0, std::string(), error);
    }
  } else if (!HasDefaultAccessList(dir)) {
    // The umask once more, for kernels that did not apply it to unnamed files.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd, 0666 & ~mask) != 0) return abandon("cannot set the mode of " + target.string());
  }
  if (!WriteAll(fd, bytes)) return abandon("cannot write " + target.string());
  if (flush && fsync(fd) != 0) return abandon("cannot flush " + target.string());
  // Closing a duplicate reports what a filesystem that writes back on close (NFS) found
  // wrong; the file itself stays open and locked until it is renamed.
  const int check = dup(fd);
  if (check < 0 || close(check) != 0) return abandon("cannot close " + target.string());
  if (!named) {
    if (WithNameFree(dir, temp.c_str(), [&] { return LinkUnnamed(fd, dir, temp.c_str()); }) != 0) {
      if (errno != ENOENT && errno != EPERM) return abandon("cannot create " + (folder / temp).string());
      // No /proc and no right to link by descriptor: the named way, from the start.
      close(fd);
      close(dir);
      return WriteAndRename(target, bytes, flush, true, error);
    }
    ownsName = true;
  }
  if (renameat(dir, temp.c_str(), dir, name.c_str()) != 0) {
    const int refusal = errno;
    const std::string refused = "cannot replace " + target.string();
    abandon(refused);
    return NotPermitted(refusal) && WriteInPlace(target, bytes, flush, refusal, refused, error);
  }
  close(fd);
  // A filesystem that cannot flush a folder says EINVAL: there the rename is as safe as that
  // filesystem makes it, and the write has not failed.
  const bool flushed = !flush || fsync(dir) == 0 || errno == EINVAL;
  const int saved = errno;
  close(dir);
  errno = saved;
  return flushed || Fail(error, "cannot flush the folder " + folder.string());
}

// The most symbolic links a write follows from the name it is given: as many as the system
// follows in one path.
constexpr int kMaxLinks = 40;

// The name a write of `target` replaces: where `target` is a symbolic link, the file it leads
// to (through a chain of links, each read relative to its own folder), so that the link stays
// as it is and the linked file gets the bytes. A link to a name that does not exist leads to
// that name, which the write creates. A name that is no link, or that cannot be looked at,
// is the one written (the write then meets whatever stands in its way). False (errno set) when
// the chain is longer than kMaxLinks, which every loop of links is (ELOOP).
bool FinalTarget(const std::filesystem::path& target, std::filesystem::path& final) {
  std::filesystem::path path = target;
  char text[PATH_MAX];
  for (int links = 0;; ++links) {
    const ssize_t n = readlink(path.c_str(), text, sizeof text);
    if (n < 0) {
      final = path;
      return true;
    }
    if (links == kMaxLinks) {
      errno = ELOOP;
      return false;
    }
    if (static_cast<size_t>(n) == sizeof text) {
      errno = ENAMETOOLONG;
      return false;
    }
    const std::filesystem::path next(std::string(text, static_cast<size_t>(n)));
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
}

bool WriteFollowingLinks(const std::filesystem::path& target, std::string_view bytes, bool flush, bool named,
                         std::string* error) {
  WriteSignalHold hold;
  std::filesystem::path final;
  if (!FinalTarget(target, final)) return Fail(error, "cannot follow the links of " + target.string());
  // A file that the user may not write (made read-only, or another user's) is not replaced,
  // even where its folder would let a new file take its name.
  if (faccessat(AT_FDCWD, final.c_str(), W_OK, AT_EACCESS) != 0 && (NotPermitted(errno) || errno == EROFS))
    return Fail(error, "cannot write " + final.string());
  // What is there decides the road: a folder is no file to write, a device or a FIFO is
  // written into, a file with other names is written in place so that they keep it.
  struct stat st {};
  if (stat(final.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      errno = EISDIR;
      return Fail(error, "cannot write " + final.string());
    }
    if (!S_ISREG(st.st_mode)) return WriteInto(final, bytes, flush, error);
    if (st.st_nlink > 1) return WriteInPlace(final, bytes, flush, 0, std::string(), error);
  }
  return WriteAndRename(final, bytes, flush, named, error);
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes, std::string* error) {
  return WriteFollowingLinks(target, bytes, true, false, error);
}

bool WriteBuildFile(const std::filesystem::path& target, std::string_view bytes, std::string* error) {
  return WriteFollowingLinks(target, bytes, false, false, error);
}

bool WriteFileThroughNamedTemporary(const std::filesystem::path& target, std::string_view bytes, std::string* error) {
  return WriteFollowingLinks(target, bytes, true, true, error);
}

}  // namespace platform
