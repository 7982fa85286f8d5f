#pragma once
// Runs the code of an assembled macro-library program on a small AVR model, so that tests can
// check what the macros compute, not only that they assemble. The code bytes and the symbol
// values are taken from aq71's listing and the core stand-in. Only the instructions the contact and compare macros
// use are modelled; anything else stops the run with an error.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace maclib_test {

struct AvrMachine {
  std::vector<uint8_t> code;            // program bytes from address 0
  std::map<std::string, uint32_t> equ;  // symbols defined with EQU in the core stand-in
  std::array<uint8_t, 32> r{};          // registers
  std::array<uint8_t, 0x10000> ram{};   // data memory
  bool c = false, z = false, t = false;
  std::string error;                    // set when the run met an instruction it cannot model

  // Reads the code from a listing; false when the listing holds no code.
  bool LoadListing(const std::string& listing);
  // Reads the "NAME EQU 0...H" lines of a source (the core stand-in).
  void LoadSymbols(const std::string& source);
  // Runs from address 0 to the end of the code (at most maxSteps instructions). False on error.
  bool Run(int maxSteps = 100000);

  // Data-memory address of a device or buffer symbol (the 7FFF0000H offset removed).
  uint16_t Addr(const std::string& symbol) const;
  void PutWord(const std::string& symbol, uint16_t v);   // most significant byte first
  void PutDword(const std::string& symbol, uint32_t v);  // most significant byte first
};

}  // namespace maclib_test
