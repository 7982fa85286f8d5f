#include "link/link.h"

#include "link/termios_port.h"

namespace plclink {

PortFactory TermiosPorts() {
  return [](int) { return std::make_unique<TermiosPort>(); };
}

Link::Link(LinkConfig config, const PortChoice& choice, PortFactory factory)
    : config_(std::move(config)), choice_(choice), factory_(std::move(factory)) {}

Link::~Link() = default;

SerialPort* Link::Port() {
  if (portNum_ < 0 || portNum_ > 3) return nullptr;
  return ports_[portNum_].get();
}

SerialPort* Link::OpenedPort() {
  SerialPort* p = Port();
  return p && p->IsOpen() ? p : nullptr;
}

PortOpening Link::OpenPort() {
  portNum_ = static_cast<std::int16_t>(choice_.ChosenPort());
  if (portNum_ >= 0 && portNum_ <= 3 && ports_[portNum_]) {
    SerialPort& p = *ports_[portNum_];
    if (p.IsOpen() || lost_[portNum_]) {
      if (!reconnectTried_ && (lost_[portNum_] || p.HungUp())) Reconnect(portNum_);
      return {};
    }
  }
  PortOpening result{PortState::Refused, {}};
  if (portNum_ < 0 || portNum_ > 3) {
    result.reason = "no port " + std::to_string(portNum_ + 1);
  } else {
    if (!ports_[portNum_] && factory_) ports_[portNum_] = factory_(portNum_);
    if (ports_[portNum_] && ports_[portNum_]->Open(config_.portDevices[portNum_], &result.reason)) return {};
  }
  return result;
}

void Link::Reconnect(int portNum) {
  SerialPort& p = *ports_[portNum];
  p.Close();
  std::string error;
  lost_[portNum] = !p.Open(config_.portDevices[portNum], &error);
  reconnectTried_ = true;
}

void Link::SendBytes(const std::uint8_t* bytes, std::size_t count) {
  if (OpenPort().Failed()) return;
  if (SerialPort* p = OpenedPort()) p->Write(bytes, count);  // a device that stays away takes nothing
}

void Link::SendByte(std::uint8_t b) { SendBytes(&b, 1); }

void Link::SendWord(int w) {
  const std::uint8_t buf[2] = {static_cast<std::uint8_t>((w >> 8) & 0xFF), static_cast<std::uint8_t>(w & 0xFF)};
  SendBytes(buf, 2);
}

void Link::SendBytes(const std::vector<std::uint8_t>& bytes) { SendBytes(bytes.data(), bytes.size()); }

bool Link::SendByteWait(std::uint8_t b, int n) {
  if (SerialPort* p = OpenedPort()) {
    p->DiscardOutput();
    p->Write(&b, 1);
  }
  return WaitReply(n);
}

void Link::Flush() {
  if (SerialPort* p = OpenedPort()) p->DiscardInput();
}

bool Link::Wait(int n, Micros span) {
  reconnectTried_ = false;
  SerialPort* p = OpenedPort();
  if (!p) return true;  // nothing can arrive on a port that is not open
  if (n < 0) n = 0;
  const Micros deadline = p->Now() + span;
  for (;;) {
    const std::size_t have = p->Available();
    if (have >= static_cast<std::size_t>(n)) {
      replyBuffer_ = p->TakeAll();
      return false;
    }
    if (p->Now() >= deadline) return true;
    p->WaitInput(deadline, static_cast<std::size_t>(n) - have);
  }
}

bool Link::WaitReply(int n) { return Wait(n, static_cast<Micros>(config_.baseWaitMs) * 1000); }

bool Link::WaitReplyLong(int n, int k) {
  // A plain wait stands for 501 x 101 polls, a long one for (k + 1) x 1001.
  const long double polls = static_cast<long double>(k + 1) * 1001.0L;
  const long double span = polls / 50601.0L * config_.baseWaitMs * 1000.0L;
  return Wait(n, static_cast<Micros>(span));
}

int Link::GetModuleVersion() {
  if (OpenPort().Failed()) return -1;
  Flush();
  if (SendByteWait(cmd::kVersion, 3)) return -1;
  if (Reply(1) != cmd::kVersion) return -1;
  std::vector<std::uint8_t> reply = replyBuffer_;
  if (reply[2] == cmd::kVersion && reply.size() < 4) {
    // The extended framing puts the version in a fourth byte that may still be on its
    // way; when none comes the reply was a plain one carrying version 0xA3.
    if (!WaitReply(1)) reply.insert(reply.end(), replyBuffer_.begin(), replyBuffer_.end());
    replyBuffer_ = reply;
  }
  extraAckByte_ = false;
  int version = reply[2];
  if (reply[2] == cmd::kVersion && reply.size() >= 4 && reply[3] > 20) {
    extraAckByte_ = true;
    dataEchoMode_ = true;
    version = reply[3];
  }
  return version;
}

bool Link::ReadDeviceWord(std::int16_t plcModel, int addr) {
  // Late bytes of an earlier read that timed out must not be taken as this reply.
  Flush();
  std::size_t first = 0;
  if (plcModel == 10) {
    SendByte(cmd::kReadWord);
    SendWord(addr);
    if (WaitReply(2)) return true;
  } else {
    SendByte(cmd::kReadWord);
    if (WaitReply(2)) return true;
    SendWord(addr);
    if (dataEchoMode_) {
      if (WaitReply(4)) return true;
      first = 2;
    } else {
      if (WaitReply(2)) return true;
    }
  }
  readByte0_ = replyBuffer_[first];
  readByte1_ = replyBuffer_[first + 1];
  return false;
}

}  // namespace plclink
