#pragma once
// The serial link to the PLC module: the four ports (one open at a time is used, the one the
// port choice names when the link opens), the send primitives, the bounded reply waits, the
// received-bytes buffer and the reply framing of the module's command protocol. The link
// shows nothing: it returns what happened and the device commands above it raise the
// messages (link/device.h).
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
#include "link/serial_port.h"

namespace plclink {

// The command bytes of the module.
namespace cmd {
inline constexpr std::uint8_t kDownload = 0xA1;
inline constexpr std::uint8_t kReadBack = 0xA2;
inline constexpr std::uint8_t kVersion = 0xA3;
inline constexpr std::uint8_t kReadWord = 0xA4;
inline constexpr std::uint8_t kRun = 0xA5;
inline constexpr std::uint8_t kReset = 0xA6;
inline constexpr std::uint8_t kStop = 0xA7;
inline constexpr std::uint8_t kChecksum = 0xA8;
inline constexpr std::uint8_t kClearKeep = 0xA9;
}  // namespace cmd

// Makes the port object for a port choice 0..3 (not opened yet).
using PortFactory = std::function<std::unique_ptr<SerialPort>(int portNum)>;

// The real serial devices.
PortFactory TermiosPorts();

// Where the link learns which port the user chose (0..3: COM1..COM4). The window's Setup
// page answers it; the link asks each time it makes sure its port is open.
class PortChoice {
 public:
  virtual ~PortChoice() = default;
  virtual int ChosenPort() const = 0;
};

// A port choice that does not change (tools and tests).
class FixedPortChoice : public PortChoice {
 public:
  explicit FixedPortChoice(int portNum = 0) : portNum(portNum) {}
  int ChosenPort() const override { return portNum; }
  int portNum;
};

// How making sure of the port ended; `reason` is the system's word when it did not open.
enum class PortState { Open, Refused };
struct [[nodiscard]] PortOpening {
  PortState state = PortState::Open;
  std::string reason;
  bool Failed() const { return state != PortState::Open; }
};

class Link {
 public:
  Link(LinkConfig config, const PortChoice& choice, PortFactory factory = TermiosPorts());
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  // Makes sure that the chosen port is open. A device that hung up since (unplugged, the
  // module's end of the line gone) is closed and opened again, once until the next wait: a
  // command whose module stays away tries once and then times out on the port as before.
  PortOpening OpenPort();
  void SendByte(std::uint8_t b);
  // High byte first; callers pass 0..65535.
  void SendWord(int w);
  // The waits return true on a time-out: the studio's polarity, which the protocol steps of
  // the device commands are written against.
  // Discards pending output, sends b and waits for n bytes. Neither opens the port nor
  // empties the receive buffer.
  bool SendByteWait(std::uint8_t b, int n);
  // Waits until at least n bytes are queued and takes all of them as the reply.
  // A time-out leaves the reply and the queued bytes as they were.
  bool WaitReply(int n);
  bool WaitReplyLong(int n, int k);
  // Empties the receive buffer.
  void Flush();
  // Sends bytes as one output (opens the port; nothing is sent when that fails).
  void SendBytes(const std::vector<std::uint8_t>& bytes);
  void SendBytes(const std::uint8_t* bytes, std::size_t count);

  // The module's firmware version 0..255, or -1 when no module answered. Renews the
  // extended framing (ExtraAckByte) and raises DataEchoMode in it.
  int GetModuleVersion();
  // Reads the two bytes at addr and addr + 1 of the module's data memory; true on time-out,
  // as the waits (the bytes of the last good read stay). The receive buffer is emptied first.
  bool ReadDeviceWord(std::int16_t plcModel, int addr);
  // The two bytes of the last good ReadDeviceWord.
  std::array<std::uint8_t, 2> ReadBytes() const { return {readByte0_, readByte1_}; }

  // The reply framing: one acknowledgement byte more per command and two per parameter.
  bool ExtraAckByte() const { return extraAckByte_; }
  // Bytes sent after a command come back first. Raised by the download at its start and
  // by the extended framing, lowered by the model check for quiet firmware.
  bool DataEchoMode() const { return dataEchoMode_; }
  void SetDataEchoMode(bool on) { dataEchoMode_ = on; }

  // The bytes taken by the last good wait.
  const std::vector<std::uint8_t>& Replies() const { return replyBuffer_; }
  // Byte i of the last reply, or -1 when the reply is shorter.
  int Reply(std::size_t i) const { return i < replyBuffer_.size() ? replyBuffer_[i] : -1; }

  // The port used now (may be null before the first OpenPort).
  SerialPort* Port();
  const LinkConfig& Config() const { return config_; }
  void SetConfig(const LinkConfig& config) { config_ = config; }

 private:
  bool Wait(int n, Micros span);
  SerialPort* OpenedPort();
  void Reconnect(int portNum);
  LinkConfig config_;
  const PortChoice& choice_;
  PortFactory factory_;
  std::array<std::unique_ptr<SerialPort>, 4> ports_;
  std::array<bool, 4> lost_{};   // hung up and not opened again: sends go nowhere, waits time out
  bool reconnectTried_ = false;  // since the last wait
  std::int16_t portNum_ = 0;     // 0..3: COM1..COM4, as chosen at the last OpenPort
  bool extraAckByte_ = false;
  bool dataEchoMode_ = false;
  std::uint8_t readByte0_ = 0, readByte1_ = 0;
  std::vector<std::uint8_t> replyBuffer_;
};

}  // namespace plclink
