#pragma once
// The processor of the simulated PLC module: an ATmega128 (simavr) that runs the downloaded
// program image from flash address 0, with its scan loop and the 10 ms timer interrupt at the
// simulated clock.
//
// Device addresses are those of the module's device memory map (what the monitor asks for).
// On the ATmega128 the bytes 0 to FFH of data memory are the registers and I/O, so the core
// keeps device map address n at data address n + 100H; this class does that translation and
// nobody else. Map addresses 0 to 5FH (below the P area) hold the core's own variables.
//
// The 40 port bits P0 to P4 are the processor's ports A to E: an input bit is driven on the
// port's pin, an output bit is read from the port's output register.

#include <cstdint>
#include <string>
#include <vector>

struct avr_t;

namespace zqvsim {

class AvrMachine {
 public:
  static constexpr uint32_t kClockHz = 16000000;  // 10 ms = 160000 cycles
  static constexpr uint16_t kDeviceBase = 0x100;  // data address of device map address 0
  static constexpr int kPorts = 5;                // P0..P4 on ports A..E
  // The core's scan counter: a 16-bit word, low byte first, at this map address; it goes up by
  // one at the end of every scan, after the outputs are written.
  static constexpr uint16_t kScanCountAddr = 0x00;

  AvrMachine();
  ~AvrMachine();
  AvrMachine(const AvrMachine&) = delete;
  AvrMachine& operator=(const AvrMachine&) = delete;

  // Takes a program image (bytes from flash address 0) and powers up: data memory cleared,
  // processor reset. False, with Error(), when it does not fit the flash or the simulator
  // has no processor; the machine then holds no program.
  bool Load(const std::vector<uint8_t>& image);
  bool HasProgram() const { return loaded_; }

  // Processor reset as by the reset line: data memory (the keep area included) is kept, the
  // program starts again from address 0.
  void Reset();
  // Power cycle: data memory cleared, then reset.
  void PowerUp();

  // Runs for at least `cycles` clock cycles. False, with Error(), when the processor stopped
  // or crashed (the machine is then halted until the next Reset or Load). Without a program
  // nothing runs and the result is true.
  bool Run(uint64_t cycles);
  // Runs until the scan counter has gone up `scans` times, at most `maxCycles` cycles.
  // False when the scans did not complete (Error() says why).
  bool RunScans(int scans, uint64_t maxCycles = 50ull * kClockHz / 1000);
  uint64_t Cycles() const;
  uint16_t ScanCount() const;
  bool Halted() const { return halted_; }
  const std::string& Error() const { return error_; }

  // Device memory by map address; outside data memory a read gives 0 and a write is ignored.
  uint8_t ReadDevice(uint32_t mapAddr) const;
  void WriteDevice(uint32_t mapAddr, uint8_t value);
  // Map address range that lies in data memory: 0 .. DeviceEnd() - 1.
  uint32_t DeviceEnd() const;

  // Drives input pin `bit` of port word `port` (0..4) high or low, as the program reads it.
  void SetInput(int port, int bit, bool on);
  // The port's output register as the program last wrote it (0 for a bad port).
  uint8_t Outputs(int port) const;

 private:
  void ApplyInputs();

  avr_t* avr_ = nullptr;
  bool loaded_ = false;
  bool halted_ = false;
  std::string error_;
  uint8_t inputs_[kPorts] = {};
};

}  // namespace zqvsim
