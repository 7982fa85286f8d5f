#pragma once
// Test code that must run as an ordinary user: root may write every file, so checks of what a
// user may not write run in a child process that has dropped root's rights for those of
// "nobody". Run by an ordinary user, the child keeps the caller's own ids.

#include <grp.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

namespace ordinary_user {

constexpr uid_t kId = 65534;  // uid and gid of "nobody"

// Makes `path` belong to the user that Run runs as; true when that worked (or was not needed).
inline bool Give(const std::filesystem::path& path) { return geteuid() != 0 || chown(path.c_str(), kId, kId) == 0; }

// Runs `body` in a child process as an ordinary user and returns how the child ended, as
// waitpid tells it. The body reports a failed check on stderr (CHILD_CHECK) and returns a
// code other than 0.
inline int Run(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setresgid(kId, kId, kId) != 0 || setresuid(kId, kId, kId) != 0))
      _exit(100);
    const int code = body();
    std::fflush(nullptr);
    _exit(code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

// How a child ended, for a failure message.
inline std::string Ending(int status) {
  if (WIFSIGNALED(status)) return std::string("killed by ") + strsignal(WTERMSIG(status));
  return "exit code " + std::to_string(WEXITSTATUS(status));
}

inline bool EndedWell(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

}  // namespace ordinary_user

#define CHILD_CHECK(cond)                                             \
  do {                                                                \
    if (!(cond)) {                                                    \
      std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #cond); \
      return 1;                                                       \
    }                                                                 \
  } while (0)
