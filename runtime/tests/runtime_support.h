#pragma once
// The real build road for tests: a studio folder made of links to the built programs and
// the runtime files, Auto up to the image with the real batch, aq71 and zqlink, and the
// image run on the simulated ATmega128.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "compiler/studio_state.h"
#include "link/build_command.h"
#include "platform/message_box.h"
#include "tools/zqvsim/core/avr_machine.h"

namespace runtime_test {

struct BuiltStudio {
  BuiltStudio();
  ~BuiltStudio();
  // Runs Auto up to the image (no module).
  plclink::AutoOutcome Build();
  // The program bytes of the image: the first L bytes, L taken from bytes 8 and 9.
  std::vector<uint8_t> Program() const;
  std::string ReadOutput(const std::string& name) const;

  std::unique_ptr<compiler::Studio> studio;
  platform::RecordingMessageSink sink;
  std::filesystem::path folder;
};

// Device map start address of an area ("P", "M", "K", "F", "S", "T", "C", "CF", "D") for
// a model code.
int MapStart(const std::string& area, int plcModel);

// Value of a bit operand such as "M3:5" or a P bit, read from the machine.
bool BitOf(const zqvsim::AvrMachine& m, const std::string& operand, int plcModel);
// Word n of a word area ("T", "C", "D"), high byte first.
uint16_t WordOf(const zqvsim::AvrMachine& m, const std::string& area, int n, int plcModel);
void SetWordOf(zqvsim::AvrMachine& m, const std::string& area, int n, uint16_t value, int plcModel);

// Sets every port bit of P0 and P1 to input and of P2 to P4 to output.
void InputsOnP0P1(compiler::Studio& studio);

// A small machine-control ladder on the port bits (inputs P0, outputs P2), END included:
//   P2:0 = P0:0 and not P0:1        P2:1 = P0:2 or P0:3
//   TON T0, kDemoPreset on P0:5     P2:2 = T0
//   CTU C0, 3 counts P0:6, P0:7 resets it; P2:3 = C0
// Sets the port directions too.
inline constexpr int kDemoPreset = 30;  // 10 ms ticks
void DemoLadder(compiler::Studio& studio);
// The output bits P2:0..3 that ladder shows for the input byte P0 once the timer has run
// out (timerDone) and the counter reached its preset (counted).
uint8_t DemoLogic(uint8_t p0, bool timerDone, bool counted);

}  // namespace runtime_test
