#include "link/exec_cmd.h"

#include <spawn.h>
#include <sys/wait.h>
#include <cerrno>
#include <chrono>
#include <thread>
#include <fstream>

extern char** environ;

namespace plclink {

ExecResult ExecCmd(const std::vector<std::string>& argv, const std::filesystem::path& folder,
                   const std::function<void()>& whileWaiting) {
  ExecResult result;
  if (argv.empty()) return result;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return result;
  const std::string dir = folder.string();
  if (!dir.empty() && posix_spawn_file_actions_addchdir_np(&actions, dir.c_str()) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return result;
  }
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return result;
  result.started = true;

  int status = 0;
  pid_t waited;
  for (;;) {
    waited = waitpid(pid, &status, whileWaiting ? WNOHANG : 0);
    if (waited < 0 && errno == EINTR) continue;
    if (waited != 0) break;
    whileWaiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (waited < 0) return result;
  if (WIFEXITED(status))
    result.exitStatus = WEXITSTATUS(status);
  else if (WIFSIGNALED(status))
    result.exitStatus = 128 + WTERMSIG(status);
  return result;
}

void ClearMacroInclude(const std::filesystem::path& folder) {
  std::ofstream out(folder / "ZQ3MAC.INC", std::ios::binary | std::ios::trunc);
}

}  // namespace plclink
