#include "monitor/device_map.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using compiler::DeviceMap;

TEST(DeviceMap, GroupsOfTheModels) {
  for (int model : {1, 3, 5}) EXPECT_EQ(monitor::ModelGroup(model), 1) << model;
  EXPECT_EQ(monitor::ModelGroup(2), 2);
  for (int model : {0, 4, 6, 7, 8, 9, 10, 11, -1}) EXPECT_EQ(monitor::ModelGroup(model), 3) << model;
}

TEST(DeviceMap, ThirdGroupAsModelsTenAndFourUseIt) {
  for (int model : {10, 4, 0, 6, 9}) {
    const DeviceMap m = monitor::DeviceMapFor(model);
    EXPECT_EQ(m.AddrT, 387);
    EXPECT_EQ(m.CountT, 64);
    EXPECT_EQ(m.AddrD, 611);
    EXPECT_EQ(m.CountD, 220);
    EXPECT_EQ(m.AddrK, 323);
    EXPECT_EQ(m.CountK, 512);
    EXPECT_EQ(m.AddrAD, 1059);
    EXPECT_EQ(m.AddrC, 515);
    EXPECT_EQ(m.AddrCF, 579);
  }
}

TEST(DeviceMap, EveryAreaOfTheFirstTwoGroups) {
  const DeviceMap g1 = monitor::DeviceMapFor(3);
  EXPECT_EQ(g1.AddrP, 96);
  EXPECT_EQ(g1.CountP, 128);
  EXPECT_EQ(g1.AddrCH, 112);
  EXPECT_EQ(g1.CountCH, 80);
  EXPECT_EQ(g1.AddrG, 192);
  EXPECT_EQ(g1.CountG, 40);
  EXPECT_EQ(g1.AddrAD, 232);
  EXPECT_EQ(g1.CountAD, 8);
  EXPECT_EQ(g1.AddrHCNT, 248);
  EXPECT_EQ(g1.CountHCNT, 1);
  EXPECT_EQ(g1.AddrF, 255);
  EXPECT_EQ(g1.CountF, 128);
  EXPECT_EQ(g1.AddrM, 271);
  EXPECT_EQ(g1.CountM, 1024);
  EXPECT_EQ(g1.AddrS, 527);
  EXPECT_EQ(g1.CountS, 256);
  EXPECT_EQ(g1.AddrK, 559);
  EXPECT_EQ(g1.CountK, 512);
  EXPECT_EQ(g1.AddrT, 623);
  EXPECT_EQ(g1.CountT, 256);
  EXPECT_EQ(g1.AddrC, 1135);
  EXPECT_EQ(g1.CountC, 256);
  EXPECT_EQ(g1.AddrCF, 1647);
  EXPECT_EQ(g1.AddrD, 1904);
  EXPECT_EQ(g1.CountD, 1024);

  const DeviceMap g2 = monitor::DeviceMapFor(2);
  EXPECT_EQ(g2.AddrAD, 571);
  EXPECT_EQ(g2.AddrHCNT, 232);
  EXPECT_EQ(g2.AddrF, 235);
  EXPECT_EQ(g2.CountF, 64);
  EXPECT_EQ(g2.AddrM, 243);
  EXPECT_EQ(g2.CountM, 256);
  EXPECT_EQ(g2.AddrS, 307);
  EXPECT_EQ(g2.CountS, 128);
  EXPECT_EQ(g2.AddrK, 323);
  EXPECT_EQ(g2.CountK, 128);
  EXPECT_EQ(g2.AddrT, 339);
  EXPECT_EQ(g2.CountT, 32);
  EXPECT_EQ(g2.AddrC, 403);
  EXPECT_EQ(g2.CountC, 32);
  EXPECT_EQ(g2.AddrCF, 467);
  EXPECT_EQ(g2.AddrD, 499);
  EXPECT_EQ(g2.CountD, 32);
}

TEST(DeviceMap, SetDeviceMapFollowsTheDocumentsModelAndStartsAsModelOne) {
  auto studio = std::make_unique<compiler::Studio>();
  EXPECT_EQ(studio->monitor.map.AddrD, monitor::DeviceMapFor(studio->doc.Setup.PlcModel).AddrD);
  studio->doc.Setup.PlcModel = 10;
  monitor::SetDeviceMap(*studio);
  EXPECT_EQ(studio->monitor.map.AddrT, 387);
  studio->doc.Setup.PlcModel = 2;
  monitor::SetDeviceMap(*studio);
  EXPECT_EQ(studio->monitor.map.AddrT, 339);
}

TEST(HexWord, LowByteFirst) {
  EXPECT_EQ(monitor::HexWord(0x34, 0x12), 4660);
  EXPECT_EQ(monitor::HexWord(0xFF, 0xFF), 65535);
  EXPECT_EQ(monitor::HexWord(5, 0), 5);
  EXPECT_EQ(monitor::HexWord(0, 0x80), 32768);
}

}  // namespace
