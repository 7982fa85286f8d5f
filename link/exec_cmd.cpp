#include "link/exec_cmd.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/file_write.h"

extern char** environ;

namespace plclink {

namespace {

std::vector<char*> ArgPointers(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  return args;
}

// A wait status as the child's exit code, or 128 + the signal that ended it.
int ExitCode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Waits for the child and returns its ExitCode. With whileWaiting, the wait looks for the
// child's end every 20 ms and calls it in between.
int Reap(pid_t pid, const std::function<void()>& whileWaiting = {}) {
  int status = 0;
  pid_t waited;
  for (;;) {
    waited = waitpid(pid, &status, whileWaiting ? WNOHANG : 0);
    if (waited < 0 && errno == EINTR) continue;
    if (waited != 0) break;
    whileWaiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return waited < 0 ? -1 : ExitCode(status);
}

// An unnamed file in the temporary folder, closed on exec; -1 when none can be made.
int AnonymousFile() {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  if (ec) dir = "/tmp";
  int fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  std::string name = (dir / "zqv-output-XXXXXX").string();
  fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) unlink(name.c_str());
  return fd;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Reads the kept output back: the first kKeptOutputBytes into `kept`, and the whole of it
// to standard error.
void TakeKeptOutput(int fd, std::string& kept) {
  if (lseek(fd, 0, SEEK_SET) != 0) return;
  char buf[8192];
  bool echo = true;
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    const std::size_t got = static_cast<std::size_t>(n);
    kept.append(buf, std::min(got, kKeptOutputBytes - kept.size()));
    if (echo) echo = WriteAll(STDERR_FILENO, buf, got);
  }
}

}  // namespace

ExecResult ExecCmd(const std::vector<std::string>& argv, const std::filesystem::path& folder,
                   const std::function<void()>& whileWaiting, ExecOutput output) {
  ExecResult result;
  if (argv.empty()) return result;
  std::vector<char*> args = ArgPointers(argv);

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return result;
  // Without a file to keep it in, the output goes where the caller's goes.
  const int keep = output == ExecOutput::Kept ? AnonymousFile() : -1;
  bool ready = true;
  if (keep >= 0)
    ready = posix_spawn_file_actions_adddup2(&actions, keep, STDOUT_FILENO) == 0 &&
            posix_spawn_file_actions_adddup2(&actions, keep, STDERR_FILENO) == 0;
  const std::string dir = folder.string();
  if (ready && !dir.empty()) ready = posix_spawn_file_actions_addchdir_np(&actions, dir.c_str()) == 0;
  pid_t pid = 0;
  const int rc = ready ? posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) : -1;
  posix_spawn_file_actions_destroy(&actions);
  if (rc == 0) {
    result.started = true;
    result.exitStatus = Reap(pid, whileWaiting);
    if (keep >= 0) TakeKeptOutput(keep, result.output);
  }
  if (keep >= 0) close(keep);
  return result;
}

CaptureResult RunCaptured(const std::vector<std::string>& argv, std::size_t maxBytes, std::chrono::milliseconds limit) {
  CaptureResult result;
  if (argv.empty()) return result;
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  // A new session has no controlling terminal: nothing can prompt on the user's terminal.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  std::vector<char*> args = ArgPointers(argv);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    return result;
  }

  result.end = CaptureEnd::Exited;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  char buf[65536];
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) {
      result.end = CaptureEnd::TimedOut;
      break;
    }
    pollfd p{out[0], POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;  // the deadline is checked above
    const ssize_t n = read(out[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the output is closed: the program has ended (or closed it)
    if (result.output.size() + static_cast<std::size_t>(n) > maxBytes) {
      result.output.append(buf, maxBytes - result.output.size());
      result.end = CaptureEnd::TooMuch;
      break;
    }
    result.output.append(buf, static_cast<std::size_t>(n));
  }
  close(out[0]);
  // A program that closed its output may still run: it too has until the deadline.
  while (result.end == CaptureEnd::Exited) {
    int status = 0;
    const pid_t waited = waitpid(pid, &status, WNOHANG);
    if (waited == pid) {
      result.exitStatus = ExitCode(status);
      return result;
    }
    if (waited < 0 && errno != EINTR) return result;
    if (std::chrono::steady_clock::now() >= deadline) result.end = CaptureEnd::TimedOut;
    else usleep(2000);
  }
  // The program leads its own process group: end it with whatever it started.
  kill(-pid, SIGKILL);
  result.exitStatus = Reap(pid);
  return result;
}

void ClearMacroInclude(const std::filesystem::path& folder) { platform::WriteBuildFile(folder / "ZQ3MAC.INC", ""); }

}  // namespace plclink
