#pragma once
// Runs the code of an assembled macro-library program on the simavr AVR core (an ATmega128,
// which takes the -v3 code: 128 KiB flash, JMP/CALL), so that tests can check what the macros
// compute, not only that they assemble. The code bytes and the symbol values are taken from
// aq71's listing and the core stand-in. The machine state (registers, flags, data memory) lives
// in plain members, so a prepared machine can be copied and run with different inputs.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "macro_library_support.h"

namespace maclib_test {

// The code bytes of the listing's lines, from address 0 in address order (relocatable code
// starts at 0); holes are filled with FFH.
std::vector<uint8_t> CodeBytes(const std::string& listing);
// The same as little-endian instruction words.
std::vector<uint16_t> CodeWords(const std::string& listing);
// Data-memory address of a device symbol of a core stand-in (its value less 7FFF0000H); 0 if absent.
uint16_t DeviceAddress(const std::string& stub, const std::string& name);

struct AvrMachine {
  // Data memory below this address (registers, I/O) is not copied to or from the simulator.
  static constexpr uint16_t kSramStart = 0x100;

  std::vector<uint8_t> code;                                    // program bytes from address 0
  std::map<std::string, uint32_t> equ;                          // symbols defined with EQU in the core stand-in
  std::array<uint8_t, 32> r{};                                  // registers
  std::vector<uint8_t> ram = std::vector<uint8_t>(0x10000, 0);  // data memory
  bool c = false, z = false, t = false;                         // status flags, in before the run and out after it
  std::string error;                                            // why the last run failed

  // Reads the code from a listing; false when the listing holds no code.
  bool LoadListing(const std::string& listing);
  // Reads the "NAME EQU 0...H" lines of a source (the core stand-in).
  void LoadSymbols(const std::string& source);
  // Runs from address 0 until the code's end: the program runs off its last instruction or
  // returns with RET from its top level. At most maxSteps instructions; false on an error.
  bool Run(long maxSteps = 5000000);
  // Takes `words` as the code, then runs it.
  bool Run(const std::vector<uint16_t>& words, long maxSteps = 5000000);

  // Data-memory address of a device or buffer symbol (the 7FFF0000H offset removed).
  uint16_t Addr(const std::string& symbol) const;
  void PutWord(const std::string& symbol, uint16_t v);   // most significant byte first
  void PutDword(const std::string& symbol, uint32_t v);  // most significant byte first

  // Device words at data-memory addresses, most significant byte first.
  void SetWord(uint16_t addr, uint16_t v);
  uint16_t Word(uint16_t addr) const;
  void SetDword(uint16_t addr, uint32_t v);
  uint32_t Dword(uint16_t addr) const;
};

// Runs the program, assembled as AssembleClean does, on a machine prepared by `setup`.
template <class Setup>
AvrMachine Execute(const std::string& program, Setup setup, bool rungOn = true) {
  AvrMachine cpu;
  setup(cpu);
  auto words = AssembleClean(program, rungOn);
  EXPECT_FALSE(words.empty());
  EXPECT_TRUE(cpu.Run(words)) << cpu.error;
  return cpu;
}

}  // namespace maclib_test
