#include "tools/zqvsim/core/avr_machine.h"

#include <gtest/gtest.h>

#include <vector>

using zqvsim::AvrMachine;

namespace {

// A scan loop in machine code: map 60H gets the pins of port B, port A shows the byte at map
// 62H, and the scan counter at map 0 counts up.
//   LDI R16,FFH / OUT DDRA,R16
//   loop: IN R17,PINB / STS 0160H,R17 / LDS R18,0162H / OUT PORTA,R18
//         LDS R19,0100H / INC R19 / STS 0100H,R19 / RJMP loop
std::vector<uint8_t> ScanLoop() {
  const uint16_t words[] = {0xEF0F, 0xBB0A, 0xB316, 0x9310, 0x0160, 0x9120, 0x0162,
                            0xBB2B, 0x9130, 0x0100, 0x9533, 0x9330, 0x0100, 0xCFF4};
  std::vector<uint8_t> bytes;
  for (uint16_t w : words) {
    bytes.push_back(uint8_t(w));
    bytes.push_back(uint8_t(w >> 8));
  }
  return bytes;
}

TEST(AvrMachine, RunsNothingWithoutAProgram) {
  AvrMachine m;
  EXPECT_FALSE(m.HasProgram());
  EXPECT_TRUE(m.Run(1000));
  EXPECT_EQ(m.Cycles(), 0u);
  EXPECT_FALSE(m.RunScans(1));
  EXPECT_FALSE(m.Load({}));
  EXPECT_FALSE(m.Load(std::vector<uint8_t>(0x20001, 0xFF)));
  EXPECT_FALSE(m.HasProgram());
}

TEST(AvrMachine, InputsDeviceMemoryAndOutputsMeetAtTheMapAddresses) {
  AvrMachine m;
  ASSERT_TRUE(m.Load(ScanLoop())) << m.Error();
  m.SetInput(1, 3, true);
  m.SetInput(1, 6, true);
  m.WriteDevice(0x62, 0x5A);
  ASSERT_TRUE(m.RunScans(2)) << m.Error();
  EXPECT_EQ(m.ReadDevice(0x60), 0x48);
  EXPECT_EQ(m.Outputs(0), 0x5A);
  m.SetInput(1, 3, false);
  ASSERT_TRUE(m.RunScans(1)) << m.Error();
  EXPECT_EQ(m.ReadDevice(0x60), 0x40);
  EXPECT_EQ(m.ScanCount() & 0xFF, 3);
  // Outside data memory: reads 0, writes go nowhere.
  EXPECT_EQ(m.DeviceEnd(), 0x1000u);
  m.WriteDevice(m.DeviceEnd(), 1);
  EXPECT_EQ(m.ReadDevice(m.DeviceEnd()), 0);
  EXPECT_EQ(m.Outputs(5), 0);
  m.SetInput(7, 0, true);  // ignored
}

TEST(AvrMachine, ResetKeepsMemoryPowerUpClearsIt) {
  AvrMachine m;
  ASSERT_TRUE(m.Load(ScanLoop()));
  ASSERT_TRUE(m.RunScans(5));
  m.WriteDevice(0x300, 0x77);
  m.SetInput(1, 0, true);
  m.Reset();
  EXPECT_EQ(m.ReadDevice(0x300), 0x77);
  EXPECT_EQ(m.ScanCount() & 0xFF, 5);
  ASSERT_TRUE(m.RunScans(1));
  EXPECT_EQ(m.ReadDevice(0x60), 0x01);  // the input survives the reset
  m.PowerUp();
  EXPECT_EQ(m.ReadDevice(0x300), 0);
  EXPECT_EQ(m.ScanCount(), 0);
}

TEST(AvrMachine, ScansThatNeverEndAreReported) {
  AvrMachine m;
  ASSERT_TRUE(m.Load({0xFF, 0xCF}));  // RJMP .
  EXPECT_FALSE(m.RunScans(1, 10000));
  EXPECT_FALSE(m.Error().empty());
  EXPECT_GE(m.Cycles(), 10000u);
  // Machines hand their processor on: a second one starts clean.
  AvrMachine other;
  ASSERT_TRUE(other.Load(ScanLoop()));
  EXPECT_TRUE(other.RunScans(1)) << other.Error();
}

}  // namespace
