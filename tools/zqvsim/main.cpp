// zqvsim: a simulated PLC module on a pseudo-terminal. Prints the device path of the
// terminal on its first line; the studio opens that path as its serial port. A control
// channel (a UNIX socket with --control, else standard input) sets and shows the
// module's memory, inputs, profile and faults. See docs/zqvsim.md.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tools/zqvsim/core/control_commands.h"
#include "tools/zqvsim/core/module_core.h"

namespace {

constexpr zqvsim::Micros kSlice = 1000;

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

zqvsim::Micros Now() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int Usage() {
  std::fprintf(stderr,
               "usage: zqvsim [--model N] [--firmware V] [--extended] [--link PATH] [--control PATH]\n"
               "              [--pace] [--delay MS] [--echo-data auto|on|off] [--third-ack] [--idle-reset MS]\n");
  return 2;
}

struct Client {
  int fd;
  std::string in;
};

std::string linkPath, controlPath;

void Cleanup() {
  if (!linkPath.empty()) {
    struct stat st {};
    if (::lstat(linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) ::unlink(linkPath.c_str());
  }
  if (!controlPath.empty()) ::unlink(controlPath.c_str());
}

void WriteAll(int fd, const std::string& s) {
  std::size_t done = 0;
  while (done < s.size()) {
    ssize_t n = ::write(fd, s.data() + done, s.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd p{fd, POLLOUT, 0};
      ::poll(&p, 1, 100);
    } else {
      return;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  zqvsim::Profile profile;
  bool firmwareGiven = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    std::string error;
    if (a == "--extended") {
      profile.extended = true;
    } else if (a == "--pace") {
      profile.pace = true;
    } else if (a == "--third-ack") {
      profile.thirdRunAck = true;
    } else if (a == "--link" || a == "--control") {
      const char* v = value();
      if (!v) return Usage();
      (a == "--link" ? linkPath : controlPath) = v;
    } else if (a == "--firmware") {
      firmwareGiven = true;
      const char* v = value();
      if (!v || !zqvsim::ApplyProfileSetting(profile, "firmware", v, &error)) {
        if (!error.empty()) std::fprintf(stderr, "zqvsim: %s\n", error.c_str());
        return Usage();
      }
    } else if (a == "--model" || a == "--delay" || a == "--echo-data" || a == "--idle-reset") {
      const char* v = value();
      if (!v || !zqvsim::ApplyProfileSetting(profile, a.substr(2), v, &error)) {
        if (!error.empty()) std::fprintf(stderr, "zqvsim: %s\n", error.c_str());
        return Usage();
      }
    } else {
      return Usage();
    }
  }

  // Without --firmware the module answers a version its model accepts.
  if (!firmwareGiven) profile.firmware = zqvsim::DefaultFirmware(profile.model);

  int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
    std::perror("zqvsim: pseudo-terminal");
    return 1;
  }
  const char* slaveName = ::ptsname(master);
  if (!slaveName) {
    std::perror("zqvsim: ptsname");
    return 1;
  }
  std::string slavePath = slaveName;
  // Our own descriptor on the slave keeps the terminal alive while the studio closes and
  // reopens it, and sets the raw mode that a serial line has.
  int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY);
  if (slave < 0) {
    std::perror("zqvsim: open slave");
    return 1;
  }
  termios tio{};
  ::tcgetattr(slave, &tio);
  ::cfmakeraw(&tio);
  ::cfsetispeed(&tio, B19200);
  ::cfsetospeed(&tio, B19200);
  ::tcsetattr(slave, TCSANOW, &tio);
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

  if (!linkPath.empty()) {
    struct stat st {};
    if (::lstat(linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) ::unlink(linkPath.c_str());
    if (::symlink(slavePath.c_str(), linkPath.c_str()) != 0) {
      std::fprintf(stderr, "zqvsim: cannot link %s: %s\n", linkPath.c_str(), std::strerror(errno));
      return 1;
    }
  }

  int listener = -1;
  if (!controlPath.empty()) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (controlPath.size() >= sizeof addr.sun_path) {
      std::fprintf(stderr, "zqvsim: control path too long\n");
      Cleanup();
      return 1;
    }
    std::strcpy(addr.sun_path, controlPath.c_str());
    ::unlink(controlPath.c_str());
    listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener, 8) != 0) {
      std::fprintf(stderr, "zqvsim: control socket %s: %s\n", controlPath.c_str(), std::strerror(errno));
      Cleanup();
      return 1;
    }
  }

  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  std::printf("%s\n", slavePath.c_str());
  std::fflush(stdout);

  // Paced answers are due to the microsecond: ask the kernel not to round our wake-ups.
  if (profile.pace) ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

  zqvsim::ModuleCore core(profile);
  std::vector<Client> clients;
  std::string stdinBuf;
  bool stdinOpen = listener < 0;
  std::string toWire;
  bool quit = false;

  auto control = [&](const std::string& line) { return zqvsim::RunControl(core, line, &quit) + "\n"; };

  while (!g_stop && !quit) {
    std::vector<pollfd> fds;
    fds.push_back({master, static_cast<short>(POLLIN | (toWire.empty() ? 0 : POLLOUT)), 0});
    if (listener >= 0) fds.push_back({listener, POLLIN, 0});
    if (stdinOpen) fds.push_back({0, POLLIN, 0});
    const std::size_t firstClient = fds.size();
    for (auto& c : clients) fds.push_back({c.fd, POLLIN, 0});

    // Answers are due to the microsecond (wire pacing): wait with that precision.
    timespec timeout{};
    timespec* wait = nullptr;
    std::optional<zqvsim::Micros> next = core.NextOutputTime();
    // A running program is stepped in slices of at most a millisecond of real time.
    if (core.Executing()) next = std::min(next.value_or(Now() + kSlice), Now() + kSlice);
    if (next) {
      zqvsim::Micros left = std::max<zqvsim::Micros>(*next - Now(), 0);
      timeout.tv_sec = static_cast<time_t>(left / 1000000);
      timeout.tv_nsec = static_cast<long>(left % 1000000) * 1000;
      wait = &timeout;
    }
    if (::ppoll(fds.data(), fds.size(), wait, nullptr) < 0 && errno != EINTR) break;

    if (fds[0].revents & POLLIN) {
      std::uint8_t buf[4096];
      ssize_t n = ::read(master, buf, sizeof buf);
      if (n > 0) core.Feed(buf, static_cast<std::size_t>(n), Now());
    }
    core.Advance(Now());
    if (core.dead()) {
      // A module that loses power in the middle of a transfer: gone without a word.
      Cleanup();
      ::_exit(3);
    }
    auto out = core.TakeOutput(Now());
    toWire.append(out.begin(), out.end());
    if (!toWire.empty()) {
      ssize_t n = ::write(master, toWire.data(), toWire.size());
      if (n > 0) toWire.erase(0, static_cast<std::size_t>(n));
    }

    const std::size_t polledClients = fds.size() - firstClient;
    std::size_t k = 1;
    if (listener >= 0) {
      if (fds[k].revents & POLLIN) {
        int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) clients.push_back({fd, {}});
      }
      ++k;
    }
    if (stdinOpen) {
      if (fds[k].revents & (POLLIN | POLLHUP)) {
        char buf[1024];
        ssize_t n = ::read(0, buf, sizeof buf);
        if (n <= 0) {
          stdinOpen = false;
        } else {
          stdinBuf.append(buf, static_cast<std::size_t>(n));
          for (std::size_t nl; (nl = stdinBuf.find('\n')) != std::string::npos;) {
            std::string line = stdinBuf.substr(0, nl);
            stdinBuf.erase(0, nl + 1);
            WriteAll(1, control(line));
          }
        }
      }
    }
    for (std::size_t i = 0; i < polledClients; ++i) {
      const pollfd& p = fds[firstClient + i];
      if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[1024];
      ssize_t n = ::read(clients[i].fd, buf, sizeof buf);
      if (n <= 0) {
        ::close(clients[i].fd);
        clients[i].fd = -1;
        continue;
      }
      clients[i].in.append(buf, static_cast<std::size_t>(n));
      for (std::size_t nl; (nl = clients[i].in.find('\n')) != std::string::npos;) {
        std::string line = clients[i].in.substr(0, nl);
        clients[i].in.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        WriteAll(clients[i].fd, control(line));
      }
    }
    std::erase_if(clients, [](const Client& c) { return c.fd < 0; });
  }
  for (auto& c : clients) ::close(c.fd);
  Cleanup();
  ::close(slave);
  ::close(master);
  return 0;
}
