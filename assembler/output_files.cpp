#include "assembler/output_files.h"
#include "assembler/assembly.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "assembler/diagnostics.h"

namespace aq71 {

namespace {

// The folder part of a path, with its last "/" ("" for a name in the current folder).
std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Files of /proc and /sys are the kernel's (/dev/stdout leads to /proc/self/fd/1, which leads
// to whatever the descriptor is): they are written into as named.
bool in_kernel_folder(const std::string& path) {
  const std::string folder = folder_of(path);
  struct statfs fs {};
  if (::statfs(folder.empty() ? "." : folder.c_str(), &fs) != 0) return false;
  return fs.f_type == PROC_SUPER_MAGIC || fs.f_type == SYSFS_MAGIC;
}

// What an output's name leads to through its links.
struct Followed {
  std::string path;     // the file the links end at
  bool exists = false;  // `st` is its status
  struct stat st {};
};

// Follows the links of `name` as opening it would. None where it is to be written into as named:
// a chain of links that cannot be followed (opening it then fails as it would have), or one that
// passes through a kernel folder.
std::optional<Followed> follow_links(const std::string& name) {
  Followed f;
  f.path = name;
  for (int hop = 0; hop < 40; ++hop) {
    if (in_kernel_folder(f.path)) return std::nullopt;
    if (::lstat(f.path.c_str(), &f.st) != 0) {
      if (errno != ENOENT) return std::nullopt;
      return f;
    }
    if (!S_ISLNK(f.st.st_mode)) {
      f.exists = true;
      return f;
    }
    char link[PATH_MAX];
    const ssize_t n = ::readlink(f.path.c_str(), link, sizeof link);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof link) return std::nullopt;
    std::string to(link, static_cast<std::size_t>(n));
    f.path = to.front() == '/' ? to : folder_of(f.path) + to;
  }
  return std::nullopt;
}

// Makes the temporary ".NAME.XXXXXX" beside place.target, by this run alone, and records it in
// `place`, for a signal handler to remove. Termination signals wait meanwhile, so that a handler
// never misses a temporary made; the making never waits on anything (it makes a new name and
// never opens one that is there). -1 (errno set) when the folder refuses it.
int make_temporary(OutputPlace& place) {
  std::string file = place.target.substr(folder_of(place.target).size());
  if (file.size() > 200) file.resize(200);  // room for the marks within a name's limit
  std::string temporary = folder_of(place.target) + "." + file + ".XXXXXX";
  TerminationSignalHold hold;
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  place.temporary = std::move(temporary);
  place.road = OutputRoad::renamed;
  return fd;
}

// The temporary takes the mode (and, where the system lets, the owner) of the file it replaces;
// a new one the mode a new file gets.
void give_mode(int fd, const Followed& f) {
  if (f.exists) {
    if (f.st.st_uid != ::geteuid() || f.st.st_gid != ::getegid()) {
      [[maybe_unused]] const int owner_kept = ::fchown(fd, f.st.st_uid, f.st.st_gid);
    }
    ::fchmod(fd, f.st.st_mode & 07777);
    return;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
}

// Writes all `size` bytes; false (errno set) when that fails.
bool write_all(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Copies the whole of `from` into the file `to`, which it makes afresh. A file that has become a
// FIFO or a device meanwhile is not waited for: it fails.
bool copy_into(int from, const char* to) {
  if (::lseek(from, 0, SEEK_SET) != 0) return false;
  const int out = ::open(to, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (out < 0) return false;
  char buffer[4096];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    if (!write_all(out, buffer, static_cast<std::size_t>(n))) {
      ok = false;
      break;
    }
  }
  const int error = errno;
  if (::close(out) != 0 && ok) return false;
  errno = error;
  return ok;
}

constexpr int kTerminationSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM, SIGPIPE,   SIGALRM,
                                       SIGUSR1, SIGUSR2, SIGXCPU, SIGABRT, SIGVTALRM};

struct OutputState {
  std::vector<std::string> failed;  // the outputs whose failure was told
  bool stops = false;               // a failure or a clash was told: the run stops
  bool stopping = false;            // its fatal stop has begun
};

OutputState& output_state(Assembly& run) { return run.part<OutputState>(); }

// The stop writes the listing on: its failures are told already and stop nothing more.
void failed_write(Assembly& run, std::FILE* file, const std::string& name, int error) {
  note_output_failure(run, name, error, file);
  stop_after_output_failure(run);
}

}  // namespace

void note_output_failure(Assembly& run, const std::string& name, int error, std::FILE* file) {
  OutputState& s = output_state(run);
  if (output_failed(run, name)) return;
  s.failed.push_back(name);
  s.stops = true;
  // A stream in error without errno telling why.
  const std::string text = "\nCould not write file: '" + name + "': " + std::strerror(error != 0 ? error : EIO) + "\n";
  console_write(text);
  // The listing tells it too, unless it is the file that failed or it cannot take more; when it
  // cannot take this, that is its own failure.
  const DiagnosticHooks& hooks = diagnostic_hooks(run);
  std::FILE* list = hooks.list_file ? hooks.list_file() : nullptr;
  if (list && list != file && !std::ferror(list)) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), list) != text.size() || std::fflush(list) != 0)
      note_output_failure(run, hooks.list_name ? hooks.list_name() : std::string(), errno, list);
  }
}

void write_output(Assembly& run, std::FILE* file, const std::string& name, std::string_view bytes) {
  if (!file || bytes.empty()) return;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) failed_write(run, file, name, errno);
}

void flush_output(Assembly& run, std::FILE* file, const std::string& name) {
  if (!flush_output_noted(run, file, name)) stop_after_output_failure(run);
}

bool flush_output_noted(Assembly& run, std::FILE* file, const std::string& name) {
  if (!file) return true;
  errno = 0;
  if (std::fflush(file) == 0 && !std::ferror(file)) return true;
  note_output_failure(run, name, errno, file);
  return false;
}

bool output_failed(Assembly& run) { return output_state(run).stops; }

bool output_failed(Assembly& run, const std::string& name) {
  const std::vector<std::string>& failed = output_state(run).failed;
  return std::find(failed.begin(), failed.end(), name) != failed.end();
}

void note_output_clash(Assembly& run, const std::string& name) {
  console_printf("\nTry to overwrite file: '%s'\n", name.c_str());
  output_state(run).stops = true;
}

void stop_after_output_failure(Assembly& run) {
  OutputState& s = output_state(run);
  if (!s.stops || s.stopping) return;
  s.stopping = true;
  fatal_exit_A01(run);
}

OpenedOutput open_output(const std::string& name, bool binary, OutputPlace& place) {
  OpenedOutput out;
  const char* mode = binary ? "wb" : "w";
  const std::optional<Followed> followed = follow_links(name);
  if (!followed || (followed->exists && !S_ISREG(followed->st.st_mode))) {
    // A device, a FIFO, a terminal, a folder (which fails), a descriptor of the process. Opening
    // a FIFO waits for its reader: a signal that ends the process ends it then too.
    place.road = OutputRoad::direct;
    out.handle = std::fopen(name.c_str(), mode);
    out.error = out.handle ? 0 : errno;
    return out;
  }
  const Followed& f = *followed;
  // A file the user may not write is refused, as opening it for writing would be.
  if (f.exists && ::faccessat(AT_FDCWD, f.path.c_str(), W_OK, AT_EACCESS) != 0) {
    out.error = errno;
    return out;
  }
  // The target by the folder's own path: two outputs that name one file not made yet are found
  // the same by it.
  const std::string folder = folder_of(f.path);
  char* real_folder = ::realpath(folder.empty() ? "." : folder.c_str(), nullptr);
  if (!real_folder) {
    out.error = errno;
    return out;
  }
  place.target = real_folder;
  std::free(real_folder);
  if (place.target.back() != '/') place.target.push_back('/');
  place.target.append(f.path, folder.size());
  if (f.exists) {
    place.device = f.st.st_dev;
    place.inode = f.st.st_ino;
  }
  const int fd = make_temporary(place);
  if (fd >= 0) {
    give_mode(fd, f);
    out.handle = ::fdopen(fd, mode);
  } else if (f.exists && (errno == EACCES || errno == EPERM)) {
    // The folder takes no new file, but the file may be written: copied into it at the end.
    place.road = OutputRoad::copied;
    out.handle = std::tmpfile();
  } else {
    out.error = errno;
    return out;
  }
  if (!out.handle) {
    out.error = errno;
    if (fd >= 0) ::close(fd);
    discard_output(place);
  }
  return out;
}

bool put_output_in_place(OutputPlace& place, int fd) {
  switch (place.road) {
    case OutputRoad::renamed:
      if (::rename(place.temporary.c_str(), place.target.c_str()) != 0) return false;
      place.temporary.clear();
      return true;
    case OutputRoad::copied:
      return copy_into(fd, place.target.c_str());
    case OutputRoad::none:
    case OutputRoad::direct:
      break;
  }
  return true;
}

void remove_output_temporary(OutputPlace& place) {
  if (place.road != OutputRoad::renamed || place.temporary.empty()) return;
  ::unlink(place.temporary.c_str());
  place.temporary.clear();
}

void discard_output(OutputPlace& place) {
  TerminationSignalHold hold;
  remove_output_temporary(place);
  place.road = OutputRoad::none;
}

const int* termination_signals(std::size_t& count) {
  count = sizeof kTerminationSignals / sizeof kTerminationSignals[0];
  return kTerminationSignals;
}

TerminationSignalHold::TerminationSignalHold() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : kTerminationSignals) sigaddset(&set, s);
  held_ = ::sigprocmask(SIG_BLOCK, &set, &old_) == 0;
}

TerminationSignalHold::~TerminationSignalHold() {
  if (held_) ::sigprocmask(SIG_SETMASK, &old_, nullptr);
}

}  // namespace aq71
