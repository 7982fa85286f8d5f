#include "link/termios_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace plclink {

TermiosPort::~TermiosPort() { Close(); }

bool TermiosPort::Open(const std::string& device, std::string* error) {
  if (fd_ >= 0) return true;
  auto fail = [&](const char* what) {
    if (error) *error = std::string(what) + " " + device + ": " + std::strerror(errno);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return false;
  };
  fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return fail("cannot open");
  if (!::isatty(fd_)) {
    errno = ENOTTY;
    return fail("not a serial device:");
  }
  if (::ioctl(fd_, TIOCEXCL) != 0) return fail("cannot lock");
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) return fail("cannot read settings of");
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~(CSTOPB | PARENB | CSIZE | CRTSCTS);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (::cfsetispeed(&tio, B19200) != 0 || ::cfsetospeed(&tio, B19200) != 0) return fail("cannot set speed of");
  if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return fail("cannot apply settings to");
  ::tcflush(fd_, TCIOFLUSH);
  received_.clear();
  hungUp_ = false;
  minimum_ = 0;
  return true;
}

void TermiosPort::Close() {
  if (fd_ < 0) return;
  // The exclusive flag stays with the device while another descriptor holds it open;
  // release it so that the port can be opened again.
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
  received_.clear();
  hungUp_ = false;
}

void TermiosPort::Failed(int error) {
  // EIO: the other end of the line went away; ENXIO, ENODEV: the device itself did.
  if (error == EIO || error == ENXIO || error == ENODEV) hungUp_ = true;
}

bool TermiosPort::HungUp() {
  if (fd_ < 0 || hungUp_) return hungUp_;
  pollfd p{fd_, 0, 0};
  if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) hungUp_ = true;
  return hungUp_;
}

void TermiosPort::Write(const std::uint8_t* bytes, std::size_t count) {
  if (fd_ < 0) return;
  std::size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd_, bytes + done, count - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd p{fd_, POLLOUT, 0};
      ::poll(&p, 1, 1000);
    } else {
      if (n < 0) Failed(errno);
      return;  // the device went away: the caller's wait times out
    }
  }
}

void TermiosPort::Drain() {
  if (fd_ < 0) return;
  std::uint8_t buf[4096];
  for (;;) {
    ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n > 0) {
      received_.insert(received_.end(), buf, buf + n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      if (n < 0) Failed(errno);
      return;
    }
  }
}

std::size_t TermiosPort::Available() {
  Drain();
  return received_.size();
}

std::vector<std::uint8_t> TermiosPort::TakeAll() {
  Drain();
  std::vector<std::uint8_t> out;
  out.swap(received_);
  return out;
}

void TermiosPort::DiscardInput() {
  if (fd_ >= 0) ::tcflush(fd_, TCIFLUSH);
  Drain();
  received_.clear();
}

void TermiosPort::DiscardOutput() {
  if (fd_ >= 0) ::tcflush(fd_, TCOFLUSH);
}

Micros TermiosPort::Now() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void TermiosPort::SetMinimum(std::size_t count) {
  const cc_t minimum = static_cast<cc_t>(std::clamp<std::size_t>(count, 1, 255));
  if (minimum == minimum_) return;
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) return;
  tio.c_cc[VMIN] = minimum;
  tio.c_cc[VTIME] = 0;
  if (::tcsetattr(fd_, TCSANOW, &tio) == 0) minimum_ = minimum;
}

void TermiosPort::WaitInput(Micros deadline, std::size_t count) {
  Micros left = deadline - Now();
  if (left <= 0) return;
  int ms = static_cast<int>((left + 999) / 1000);
  if (fd_ < 0 || hungUp_) {
    ::poll(nullptr, 0, ms);  // nothing more will come before the deadline
    return;
  }
  // With VTIME 0 the terminal reports input to poll() only once VMIN bytes are there; reads
  // stay non-blocking.
  SetMinimum(count);
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, ms) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
    hungUp_ = true;
    // Bytes that came before the hang-up are still taken; then the wait runs out.
    if (!(p.revents & POLLIN)) ::poll(nullptr, 0, ms);
  }
}

}  // namespace plclink
