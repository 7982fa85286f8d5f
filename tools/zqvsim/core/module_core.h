#pragma once
// The simulated PLC module: a state machine fed with the bytes the studio sends, each
// with the time it arrives, that schedules its answers on the same clock. It holds
// 128 KiB of program memory (erased = 0xFF), 64 KiB of data memory laid out by the
// device map of its model, and a run state, and answers the commands 0xA1 to 0xA9 per
// model, firmware and framing. Bytes that start no command are ignored.

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zqvsim {

class AvrMachine;

using Micros = std::int64_t;

// One byte on the wire at 19200 baud: a start bit, eight data bits and a stop bit.
inline constexpr Micros kByteTime = 521;

enum class EchoData { Auto, On, Off };

struct Profile {
  int model = 10;
  int firmware = 150;
  bool extended = false;
  // Whether data bytes sent after a command are echoed. Auto follows what the studio
  // expects of each firmware: "quiet" firmware (model 1 from 13 on, model 4 from 53 on)
  // echoes the download blocks only in the extended framing, the read-back bytes only in
  // the extended framing, and never the device-word address; other firmware echoes the
  // download blocks always, and the read-back bytes and the device-word address in the
  // extended framing and, in the plain one, once a download command has been seen.
  EchoData echo = EchoData::Auto;
  bool thirdRunAck = false;   // extended framing: a third acknowledgement byte after 0xA5..0xA7
  Micros replyDelay = 0;      // added before every answer
  bool pace = false;          // bytes take their wire time in both directions
  Micros idleReset = 500000;  // a silence this long ends an unfinished exchange
};

// A firmware version the studio accepts for a model code (what a module of that model
// answers when no version is asked for).
constexpr int DefaultFirmware(int model) {
  switch (model) {
    case 2:
      return 120;
    case 4:
      return 60;
    case 1:
    case 3:
    case 5:
      return 30;
    default:
      return 150;
  }
}

enum class FaultKind {
  NoReply,      // the command is not answered
  Late,         // the first answer comes arg ms late
  Partial,      // the first answer stops after arg bytes
  BadAck,       // the acknowledgement bytes are wrong
  Status,       // 0xA1: the erase status is arg (0xBB: write failure)
  BlockAck,     // 0xA1: no acknowledgement after block arg (counted from 0)
  DropEcho,     // 0xA1/0xA2: one echoed byte is lost
  Third,        // 0xA8: only the third command byte is answered
  WrongSum,     // 0xA8: the sum is off by one
  NoSum,        // 0xA8: the sum never comes
  Unsupported,  // 0xA9: acknowledged with other bytes
  Corrupt,      // 0xA2: program byte at address arg reads inverted (until cleared)
  StopAfter,    // 0xA2: silent after arg data bytes
  Protected,    // 0xA2: the archive length reads 0xFF 0xFF (until cleared)
  Length,       // 0xA2: bytes 8 and 9 read as arg, low byte first (until cleared)
  Archive,      // 0xA2: the archive length reads as arg (until cleared)
  BadReply1,    // 0xA3: reply(1) is not 0xA3
  Version,      // 0xA3: answers version arg
  Delay4,       // 0xA3: the fourth byte of the extended answer comes arg ms late
  Die,          // the module dies after arg more bytes
};

struct Fault {
  std::uint8_t command = 0;  // 0xA1..0xA9 (0 for Die)
  FaultKind kind = FaultKind::NoReply;
  int arg = 0;
  int count = 1;  // exchanges it applies to; 0 = every one
};

// "CMD KIND [ARG] [*COUNT]" or "die N"; see docs/zqvsim.md.
std::optional<Fault> ParseFault(const std::string& text, std::string* error);

// Start and size in bits of a bit area of the data memory.
struct BitArea {
  int start = 0;
  int bits = 0;
};
// The P, M, F, S and K areas of a model's device map (letter given upper case).
std::optional<BitArea> BitAreaOf(int model, char letter);

class ModuleCore {
 public:
  explicit ModuleCore(Profile profile = {});
  ~ModuleCore();
  ModuleCore(const ModuleCore&) = delete;
  ModuleCore& operator=(const ModuleCore&) = delete;

  void Feed(const std::uint8_t* bytes, std::size_t count, Micros now);
  // The answer bytes due by now, taken.
  std::vector<std::uint8_t> TakeOutput(Micros now);
  std::optional<Micros> NextOutputTime() const;

  void AddFault(const Fault& fault);
  void ClearFaults();
  const Profile& profile() const { return profile_; }
  void SetProfile(const Profile& profile) { profile_ = profile; }

  std::vector<std::uint8_t>& program() { return program_; }
  const std::vector<std::uint8_t>& program() const { return program_; }
  std::vector<std::uint8_t>& data() { return data_; }
  const std::vector<std::uint8_t>& data() const { return data_; }
  bool running() const { return running_; }
  // Whether a downloaded program is executing: the module is running and its processor holds
  // the program and has not stopped.
  bool Executing() const;
  // Lets the processor catch up with the clock: it runs the cycles from the last call to
  // `now` (at most kMaxCatchUp of them at once; time the host could not keep up with is
  // dropped, never queued). Nothing runs unless Executing().
  void Advance(Micros now);
  static constexpr Micros kMaxCatchUp = 20000;
  // The processor, once a run command has found a downloaded program (else null).
  const AvrMachine* machine() const { return machine_.get(); }
  // Data memory by device map address as the studio reads it: the live bytes of the running
  // program where the processor holds them, else the module's own memory.
  std::uint8_t ReadData(std::uint32_t addr) const;
  void WriteData(std::uint32_t addr, std::uint8_t value);
  // The output registers of ports A to E (port words P0 to P4); zeros without a program.
  std::array<std::uint8_t, 5> Outputs() const;
  bool dead() const { return dead_; }
  // Bytes written by the last download and their 16-bit sum.
  std::size_t storedLength() const { return stored_; }
  std::uint16_t StoredSum() const;
  int resets() const { return resets_; }

  // Sets an input bit given as a device ("P0:3").
  bool SetInput(const std::string& device, bool on, std::string* error);
  // The keep area (K bits) of the model: start and byte count.
  std::pair<int, int> KeepArea() const;

  static constexpr std::size_t kProgramSize = 0x20000;
  static constexpr std::size_t kDataSize = 0x10000;

 private:
  enum class State { Idle, A4Addr, A1Count, A1Data, A2End, A2Start, A2Fetch, A8Count, A9Param };

  void Step(std::uint8_t b, Micros t);
  void Command(std::uint8_t b, Micros t);
  void Emit(std::vector<std::uint8_t> bytes, Micros t, bool answer = true);
  void Answer(std::vector<std::uint8_t> bytes, Micros t);  // first answer of a command: faults apply
  enum class Echoing { Download, ReadBack, DeviceWord };
  bool EchoActive(Echoing what) const;
  bool Quiet() const;
  bool Has(FaultKind kind) const { return fault_ && fault_->kind == kind; }
  std::optional<Fault> TakeFault(std::uint8_t command);
  std::optional<int> Sticky(FaultKind kind) const;
  std::uint8_t ReadProgram(std::uint32_t addr) const;
  void StartData(Micros t);
  void StartProgram(bool reset, Micros t);
  void DropMachine();
  bool ProgramReady() const;
  std::vector<std::uint8_t> WordEcho(int word) const;

  Profile profile_;
  std::vector<std::uint8_t> program_;
  std::vector<std::uint8_t> data_;
  bool running_ = false;
  bool dead_ = false;
  bool a1Seen_ = false;
  int resets_ = 0;
  std::size_t stored_ = 0;

  std::unique_ptr<AvrMachine> machine_;
  int downloads_ = 0;          // download commands seen: a new one replaces the program
  int loadedDownload_ = -1;    // the download whose program the machine holds
  std::uint8_t pins_[5] = {};  // input pins of ports A to E, kept for the next machine
  Micros lastRun_ = 0;

  State state_ = State::Idle;
  std::uint8_t command_ = 0;
  std::optional<Fault> fault_;  // the fault of the exchange under way
  bool answered_ = false;       // the first answer of the exchange has gone
  std::vector<std::uint8_t> param_;
  int blocks_ = 0, block_ = 0, blockBytes_ = 0, unit_ = 1, blockLen_ = 0;
  int pos_ = 0;
  bool reverse_ = false, echoData_ = false, perByte_ = false;
  int endWord_ = 0, startWord_ = 0, fetched_ = 0, toFetch_ = 0;
  int a8Skip_ = 0;

  std::vector<Fault> faults_;
  int dieAfter_ = -1;

  struct Out {
    Micros at;
    std::uint8_t byte;
  };
  std::deque<Out> out_;
  Micros lastIn_ = 0, lastOut_ = 0, lastActivity_ = 0;
};

}  // namespace zqvsim
