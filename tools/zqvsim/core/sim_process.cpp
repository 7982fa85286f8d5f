#include "tools/zqvsim/core/sim_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace zqvsim {

namespace {

// Reads one line within the time limit.
bool ReadLine(int fd, std::string* line, int timeoutMs) {
  line->clear();
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    char c;
    ssize_t n = ::read(fd, &c, 1);
    if (n <= 0) return false;
    if (c == '\n') return true;
    line->push_back(c);
  }
}

}  // namespace

SimProcess::~SimProcess() { Stop(); }

bool SimProcess::Start(const std::vector<std::string>& args, std::string* error) {
  const char* bin = std::getenv("ZQV_BIN_DIR");
  std::filesystem::path program = std::filesystem::path(bin ? bin : ".") / "zqvsim";
  char tmpl[] = "/tmp/zqvsim-XXXXXX";
  if (!::mkdtemp(tmpl)) {
    if (error) *error = "cannot make a temporary folder";
    return false;
  }
  folder_ = tmpl;
  const std::string control = (folder_ / "control").string();

  int pipeFds[2];
  if (::pipe(pipeFds) != 0) {
    if (error) *error = "cannot make a pipe";
    return false;
  }
  std::vector<std::string> argv{program.string(), "--control", control};
  argv.insert(argv.end(), args.begin(), args.end());
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(pipeFds[1], 1);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    ::execv(cargv[0], cargv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  out_ = pipeFds[0];
  if (pid_ < 0 || !ReadLine(out_, &device_, 10000) || device_.empty()) {
    if (error) *error = "zqvsim did not start: " + program.string();
    Kill();
    return false;
  }
  control_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, control.c_str(), sizeof addr.sun_path - 1);
  for (int i = 0; i < 200; ++i) {
    if (::connect(control_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (error) *error = "cannot reach the control socket " + control;
  Kill();
  return false;
}

std::string SimProcess::Control(const std::string& line) {
  if (control_ < 0) return "";
  std::string l = line + "\n";
  if (::send(control_, l.data(), l.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(l.size())) return "";
  std::string reply;
  if (!ReadLine(control_, &reply, 10000)) return "";
  return reply;
}

bool SimProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == pid_) {
    pid_ = -1;
    return false;
  }
  return true;
}

void SimProcess::Kill() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  Stop();
}

void SimProcess::Stop() {
  if (pid_ > 0) {
    Control("quit");
    for (int i = 0; i < 300 && Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }
  if (control_ >= 0) ::close(control_);
  if (out_ >= 0) ::close(out_);
  control_ = out_ = -1;
  if (!folder_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
    folder_.clear();
  }
}

}  // namespace zqvsim
