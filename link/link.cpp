#include "link/link.h"

#include "link/termios_port.h"

namespace plclink {

PortFactory TermiosPorts() {
  return [](int) { return std::make_unique<TermiosPort>(); };
}

Link::Link(LinkConfig config, platform::MessageSink& messages, platform::StatusPort& status, PortFactory factory)
    : config_(std::move(config)), messages_(messages), status_(status), factory_(std::move(factory)) {}

Link::~Link() = default;

SerialPort* Link::Port() {
  if (PortNum < 0 || PortNum > 3) return nullptr;
  return ports_[PortNum].get();
}

SerialPort* Link::OpenedPort() {
  SerialPort* p = Port();
  return p && p->IsOpen() ? p : nullptr;
}

bool Link::OpenPort() {
  if (PortNum >= 0 && PortNum <= 3 && ports_[PortNum]) {
    SerialPort& p = *ports_[PortNum];
    if (p.IsOpen() || lost_[PortNum]) {
      if (!reconnectTried_ && (lost_[PortNum] || p.HungUp())) Reconnect(PortNum);
      return false;
    }
  }
  bool ok = false;
  if (PortNum >= 0 && PortNum <= 3) {
    if (!ports_[PortNum] && factory_) ports_[PortNum] = factory_(PortNum);
    std::string error;
    ok = ports_[PortNum] && ports_[PortNum]->Open(config_.portDevices[PortNum], &error);
  }
  if (!ok) {
    Show(text::kCaptionMessage, text::kInvalidPort);
    return true;
  }
  return false;
}

void Link::Reconnect(int portNum) {
  SerialPort& p = *ports_[portNum];
  p.Close();
  std::string error;
  lost_[portNum] = !p.Open(config_.portDevices[portNum], &error);
  reconnectTried_ = true;
}

void Link::SendBytes(const std::uint8_t* bytes, std::size_t count) {
  if (OpenPort()) return;
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
      ReplyBuffer = p->TakeAll();
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

void Link::Show(const char* caption, const std::string& text, platform::MsgIcon icon) {
  platform::Message m;
  m.caption = caption;
  m.text = text;
  m.icon = icon;
  m.buttons = platform::MsgButtons::Ok;
  messages_.Show(m);
}

platform::MsgResult Link::Ask(const char* caption, const std::string& text, platform::MsgButtons buttons,
                              platform::MsgIcon icon) {
  platform::Message m;
  m.caption = caption;
  m.text = text;
  m.icon = icon;
  m.buttons = buttons;
  return messages_.Show(m);
}

}  // namespace plclink
