#pragma once
// Guards for test code that must end at once, so that a read that waits for a FIFO's writer, or
// reads a device without end, fails its test instead of holding the test run for ever.

#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "platform/tests/ordinary_user_support.h"

namespace hang_guard {

// The child's resident memory in bytes, or -1 when it cannot be told.
inline long long Resident(pid_t pid) {
  std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
  long long size = 0, resident = -1;
  if (!(statm >> size >> resident)) return -1;
  return resident * sysconf(_SC_PAGESIZE);
}

// Runs `body` in a child process and returns how it ended, as waitpid tells it (the body
// reports a failed check with CHILD_CHECK and returns a code other than 0). The child is
// killed when it runs longer than `limit` or grows by more than `growth` bytes of memory;
// *overran then tells which. The caller must have one thread only (a fork copies no other).
inline int RunInChild(const std::function<int()>& body, std::string* overran,
                      std::chrono::milliseconds limit = std::chrono::seconds(5), long long growth = 256ll << 20) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int code = body();
    std::fflush(nullptr);
    _exit(code);
  }
  const auto deadline = std::chrono::steady_clock::now() + limit;
  const long long start = Resident(pid);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    const long long now = Resident(pid);
    std::string why;
    if (std::chrono::steady_clock::now() > deadline)
      why = "still running after " + std::to_string(limit.count()) + " ms";
    if (start >= 0 && now - start > growth) why = "took " + std::to_string((now - start) >> 20) + " MiB";
    if (!why.empty()) {
      if (overran) *overran = why;
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return status;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return status;
}

// How a child of RunInChild ended, for a failure message.
inline std::string Ending(int status, const std::string& overran) {
  return overran.empty() ? ordinary_user::Ending(status) : "killed: " + overran;
}

// For a process with threads, where a fork is not safe (the window tests): while it lives, a
// reader that opened `fifo` and waits for a writer is let go after `limit`, when a thread
// opens the FIFO for writing and closes it again (the reader then reads nothing). Released()
// tells whether that was needed.
class FifoRelease {
 public:
  explicit FifoRelease(std::filesystem::path fifo, std::chrono::milliseconds limit = std::chrono::seconds(5))
      : fifo_(std::move(fifo)), thread_([this, limit] { Watch(limit); }) {}
  ~FifoRelease() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  FifoRelease(const FifoRelease&) = delete;
  FifoRelease& operator=(const FifoRelease&) = delete;
  bool Released() {
    std::lock_guard<std::mutex> lock(mutex_);
    return released_;
  }

 private:
  void Watch(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (wake_.wait_for(lock, limit, [this] { return done_; })) return;
    // A non-blocking open for writing succeeds only while a reader has the FIFO open.
    while (!done_) {
      const int fd = open(fifo_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) {
        close(fd);
        released_ = true;
      }
      wake_.wait_for(lock, std::chrono::milliseconds(10), [this] { return done_; });
    }
  }

  std::filesystem::path fifo_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  bool released_ = false;
  std::thread thread_;
};

}  // namespace hang_guard
