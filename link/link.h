#pragma once
// The serial link to the PLC module: the four ports (one open at a time is used, chosen by
// PortNum), the send primitives, the bounded reply waits and the received-bytes buffer.
// Results follow the studio's rule: true means failure.
//
// The waits are measured in time. A plain wait lasts the base wait of LinkConfig; a long
// wait with count k lasts (k + 1) * 1001 / 50601 base waits (k = 150: 2.987 times).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/link_config.h"
#include "link/link_texts.h"
#include "link/serial_port.h"
#include "platform/message_box.h"
#include "platform/status_port.h"

namespace plclink {

// Makes the port object for a port choice 0..3 (not opened yet).
using PortFactory = std::function<std::unique_ptr<SerialPort>(int portNum)>;

// The real serial devices.
PortFactory TermiosPorts();

class Link {
 public:
  Link(LinkConfig config, platform::MessageSink& messages, platform::StatusPort& status,
       PortFactory factory = TermiosPorts());
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  // The interface language: points at the studio's KoreanMenu flag (English when unset).
  void SetKoreanMenu(const bool* koreanMenu) { korean_ = koreanMenu; }
  bool Korean() const { return korean_ && *korean_; }

  // Makes sure that the port PortNum is open; shows "Invalid RS232C Port !!! " when the
  // first opening fails. A device that hung up since (unplugged, the module's end of the
  // line gone) is closed and opened again, once until the next wait: a command whose module
  // stays away tries once and then times out on the port as before, with no port message.
  bool OpenPort();
  void SendByte(std::uint8_t b);
  // High byte first; callers pass 0..65535.
  void SendWord(int w);
  // Discards pending output, sends b and waits for n bytes. Neither opens the port nor
  // empties the receive buffer.
  bool SendByteWait(std::uint8_t b, int n);
  // Waits until at least n bytes are queued and takes all of them into ReplyBuffer.
  // A time-out leaves ReplyBuffer and the queued bytes as they were.
  bool WaitReply(int n);
  bool WaitReplyLong(int n, int k);
  // Empties the receive buffer.
  void Flush();
  // Sends bytes as one output (opens the port; nothing is sent when that fails).
  void SendBytes(const std::vector<std::uint8_t>& bytes);
  void SendBytes(const std::uint8_t* bytes, std::size_t count);

  // Shows a message with the information icon and an OK button.
  void Show(const char* caption, const std::string& text, platform::MsgIcon icon = platform::MsgIcon::Information);
  void Show(const char* caption, const Twin& twin) { Show(caption, twin.Pick(Korean())); }
  platform::MsgResult Ask(const char* caption, const std::string& text, platform::MsgButtons buttons,
                          platform::MsgIcon icon);

  // The port of PortNum (may be null before the first OpenPort).
  SerialPort* Port();
  const LinkConfig& Config() const { return config_; }
  void SetConfig(const LinkConfig& config) { config_ = config; }
  platform::MessageSink& Messages() { return messages_; }
  platform::StatusPort& Status() { return status_; }

  std::int16_t PortNum = 0;   // 0..3: COM1..COM4
  bool ExtraAckByte = false;  // the module answers in the extended framing
  bool DataEchoMode = false;  // bytes sent after a command come back first
  std::uint8_t ReadByte0 = 0, ReadByte1 = 0;
  std::vector<std::uint8_t> ReplyBuffer;

  // Byte i of the last reply, or -1 when the reply is shorter.
  int Reply(std::size_t i) const { return i < ReplyBuffer.size() ? ReplyBuffer[i] : -1; }

 private:
  bool Wait(int n, Micros span);
  SerialPort* OpenedPort();
  void Reconnect(int portNum);
  LinkConfig config_;
  platform::MessageSink& messages_;
  platform::PaintingStatusPort status_;  // the window repaints after each change
  PortFactory factory_;
  std::array<std::unique_ptr<SerialPort>, 4> ports_;
  std::array<bool, 4> lost_{};   // hung up and not opened again: sends go nowhere, waits time out
  bool reconnectTried_ = false;  // since the last wait
  const bool* korean_ = nullptr;
};

}  // namespace plclink
