// Module commands against scripted replies: version framings, model checks, the device
// word read's three framings and the run, stop and port-check logic.
#include <gtest/gtest.h>

#include "link/module_commands.h"
#include "link/scripted_port.h"
#include "link/tests/scripted_rig.h"

namespace plclink {
namespace {

TEST(ModuleVersion, PlainAndExtendedFramings) {
  struct Case {
    Bytes reply;
    int version;
    bool extra, echo;
  } cases[] = {
      {{0xA3, 0xA3, 0x21}, 33, false, false},
      {{0xA3, 0xA3, 0xA3, 0x2A}, 42, true, true},
      {{0xA3, 0xA3, 0xA3, 0x14}, 163, false, false},
      {{0x00, 0xA3, 0x96}, 150, false, false},  // reply(0) is not examined
      {{0xA3, 0x00, 0x21}, -1, false, false},
      {{0xA3, 0xA3}, -1, false, false},
  };
  for (const auto& c : cases) {
    Rig r;
    r.port->Then({0xA3}, c.reply);
    EXPECT_EQ(r.link->GetModuleVersion(), c.version);
    EXPECT_EQ(r.link->ExtraAckByte(), c.extra);
    EXPECT_EQ(r.link->DataEchoMode(), c.echo);
    EXPECT_TRUE(r.messages.shown.empty());
  }
}

TEST(ModuleVersion, WaitsForALateFourthByteAndTakesItsAbsenceAsPlain) {
  Rig r;
  r.port->Then({0xA3}, {0xA3, 0xA3, 0xA3});
  r.port->Inject({0x2A}, 300 * 1000);
  // The fourth byte comes 0.3 s after the first three.
  EXPECT_EQ(r.link->GetModuleVersion(), 42);
  EXPECT_TRUE(r.link->ExtraAckByte());

  Rig plain;
  plain.port->Then({0xA3}, {0xA3, 0xA3, 0xA3});
  EXPECT_EQ(plain.link->GetModuleVersion(), 163);
  EXPECT_FALSE(plain.link->ExtraAckByte());
  EXPECT_FALSE(plain.link->DataEchoMode());
}

TEST(ModuleVersion, AVersionExchangeClearsExtraAckButNeverTheEchoFlag) {
  Rig r;
  r.port->Then({0xA3}, {0xA3, 0xA3, 0xA3, 0x2A}).Then({0xA3}, {0xA3, 0xA3, 0x21});
  r.link->GetModuleVersion();
  EXPECT_EQ(r.link->GetModuleVersion(), 33);
  EXPECT_FALSE(r.link->ExtraAckByte());
  EXPECT_TRUE(r.link->DataEchoMode());
}

TEST(ModuleModel, RangesMessagesAndEchoRules) {
  struct Case {
    std::int16_t model;
    int version;
    bool fails;
    bool echoAfter;  // DataEchoMode set before the check
    const char* message;
  } cases[] = {
      {1, 12, false, true, nullptr},
      {1, 13, false, false, nullptr},
      {1, 49, false, false, nullptr},
      {1, 50, true, true, "Device Mismatch ! This is not ZQV-E module !"},
      {1, 9, true, true, "Device Mismatch ! This is not ZQV-E module !"},
      {2, 100, false, true, nullptr},
      {2, 150, true, true, "Device Mismatch ! This is not ZQV-B module !"},
      {3, 40, false, true, nullptr},
      {3, 60, true, true, "Device Mismatch ! This is not ZQV-F module !"},
      {4, 52, false, true, nullptr},
      {4, 53, false, false, nullptr},
      {4, 100, true, true, "Device Mismatch ! This is not ZQV-C module !"},
      {5, 10, false, true, nullptr},
      {5, 50, true, true, "Device Mismatch ! This is not ZQV-D module !"},
      {10, 149, true, true, "Device Mismatch ! This is not ZQV-A module !"},
      {10, 150, false, true, nullptr},
      {10, 255, false, true, nullptr},
      {7, 3, false, true, nullptr},
  };
  for (const auto& c : cases) {
    Rig r;
    r.link->SetDataEchoMode(true);
    r.port->Then({0xA3}, {0xA3, 0xA3, static_cast<std::uint8_t>(c.version)});
    EXPECT_EQ(CheckModuleModel(*r.device, c.model), c.fails) << c.model << "/" << c.version;
    EXPECT_EQ(r.link->DataEchoMode(), c.echoAfter) << c.model << "/" << c.version;
    if (c.message) {
      ASSERT_EQ(r.messages.shown.size(), 1u);
      EXPECT_EQ(r.messages.shown[0].text, c.message);
      EXPECT_EQ(r.messages.shown[0].caption, "Korvane Studio Error !");
    } else {
      EXPECT_TRUE(r.messages.shown.empty());
    }
  }
}

TEST(ModuleModel, NoModuleAndKoreanTwin) {
  Rig r;
  r.link->SetConfig([] {
    LinkConfig c;
    c.baseWaitMs = 10;
    return c;
  }());
  EXPECT_TRUE(CheckModuleModel(*r.device, 10));
  EXPECT_EQ(r.Texts(), std::vector<std::string>{"Korvane module Not Found ! "});

  Rig k;
  k.language.korean = true;
  k.port->Then({0xA3}, {0xA3, 0xA3, 0x20});
  EXPECT_TRUE(CheckModuleModel(*k.device, 2));
  EXPECT_EQ(k.Texts(), std::vector<std::string>{"ZQV-B가 아닙니다. PLC설정을 조정하시기 바랍니다."});
}

TEST(SendCommand, AcknowledgementChecks) {
  Rig ok;
  ok.port->Then({0xA5}, {0xA5, 0xA5, 0xA5});  // a third byte of the extended framing is harmless
  EXPECT_FALSE(SendCommand(*ok.device, 0xA5));

  Rig wrong;
  wrong.port->Then({0xA7}, {0xA7, 0x00});
  EXPECT_TRUE(SendCommand(*wrong.device, 0xA7));
  EXPECT_EQ(wrong.Texts(), std::vector<std::string>{"RS232C incorrect Error !!! Check Cable or Power "});
  EXPECT_EQ(wrong.messages.shown[0].caption, "ERROR !");

  Rig stale;
  stale.port->Inject({0xA6, 0xA6});  // late bytes of an earlier exchange are flushed first
  stale.port->Then({0xA6}, {0xA6});
  EXPECT_TRUE(SendCommand(*stale.device, 0xA6));
  EXPECT_EQ(stale.Texts(), std::vector<std::string>{"RS232C Time Out Error !!! Check Cable or Power "});
}

TEST(RunCommands, MonitorItemFollowsTheCommandWhateverTheAnswer) {
  Rig r;
  r.port->Then({0xA5}, {});
  EXPECT_EQ(RunCommand(*r.device, 0xA5, false), MonitorItem::Enable);
  EXPECT_EQ(r.Texts(), std::vector<std::string>{"RS232C Time Out Error !!! Check Cable or Power "});
  r.port->Then({0xA7}, {0xA7, 0xA7});
  EXPECT_EQ(RunCommand(*r.device, 0xA7, false), MonitorItem::Disable);
  r.port->Then({0xA6}, {0xA6, 0xA6});
  EXPECT_EQ(RunCommand(*r.device, 0xA6, false), MonitorItem::Enable);
  EXPECT_EQ(r.messages.shown.size(), 1u);

  EXPECT_EQ(RunCommand(*r.device, 0xA5, true), MonitorItem::Unchanged);
  EXPECT_EQ(r.messages.shown.size(), 2u);  // the refusal
  EXPECT_TRUE(r.port->errors.empty());
}

TEST(PortCheck, FoundAndNotFound) {
  Rig r;
  r.port->Then({0xA3}, {0xA3, 0xA3, 150});
  PortCheck(*r.device, false);
  ASSERT_EQ(r.messages.shown.size(), 1u);
  EXPECT_EQ(r.messages.shown[0].text, "Ok! Korvane Found !  F/W version is 150");
  EXPECT_EQ(r.messages.shown[0].caption, "Found !");
  PortCheck(*r.device, false);
  EXPECT_EQ(r.messages.shown[1].text, "Korvane Not Found ! ");
  EXPECT_EQ(r.messages.shown[1].caption, "Korvane Studio Message");

  Rig k;
  k.language.korean = true;
  k.port->Then({0xA3}, {0xA3, 0xA3, 33});
  PortCheck(*k.device, false);
  EXPECT_EQ(k.messages.shown[0].text, "Korvane 모듈을 찾았습니다. 펌웨어 버전은 33 입니다.");
}

TEST(DeviceWord, ThreeFramings) {
  Rig m10;
  m10.port->Then({0xA4, 0x01, 0x2F}, {0x34, 0x12});
  EXPECT_FALSE(m10.link->ReadDeviceWord(10, 0x012F));
  EXPECT_EQ(m10.link->ReadBytes()[0], 0x34);
  EXPECT_EQ(m10.link->ReadBytes()[1], 0x12);

  Rig echo;
  echo.link->SetDataEchoMode(true);
  echo.port->Then({0xA4}, {0xA4, 0xA4}).Then({0x00, 0x60}, {0x00, 0x60, 0x05, 0x06});
  auto bytes = ReadDeviceBytes(*echo.link, 1, 0x60);
  ASSERT_TRUE(bytes);
  EXPECT_EQ((*bytes)[0], 0x05);
  EXPECT_EQ((*bytes)[1], 0x06);

  Rig plain;
  plain.port->Then({0xA4}, {0xA4, 0xA4}).Then({0x02, 0x63}, {0x07, 0x08});
  EXPECT_FALSE(plain.link->ReadDeviceWord(4, 611));
  EXPECT_EQ(plain.link->ReadBytes()[0], 0x07);
  EXPECT_EQ(plain.link->ReadBytes()[1], 0x08);
  EXPECT_TRUE(plain.port->errors.empty());
}

TEST(DeviceWord, TimeOutKeepsTheBytesAndLateBytesAreNotTakenNextTime) {
  Rig r;
  r.port->Then({0xA4, 0x00, 0x5E}, {0x11, 0x22});
  ASSERT_FALSE(r.link->ReadDeviceWord(10, 0x5E));
  // The first reply comes after the wait has ended.
  r.port->Then({0xA4, 0x00, 0x60}, {0xEE, 0xEE}, 5 * 1000 * 1000);
  EXPECT_TRUE(r.link->ReadDeviceWord(10, 0x60));
  EXPECT_EQ(r.link->ReadBytes()[0], 0x11);
  EXPECT_EQ(r.link->ReadBytes()[1], 0x22);
  EXPECT_TRUE(r.messages.shown.empty());
  r.port->WaitInput(r.port->Now() + 10 * 1000 * 1000, 1);  // the late reply arrives
  r.port->Then({0xA4, 0x00, 0x62}, {0x01, 0x02});
  EXPECT_FALSE(r.link->ReadDeviceWord(10, 0x62));
  EXPECT_EQ(r.link->ReadBytes()[0], 0x01);
  EXPECT_EQ(r.link->ReadBytes()[1], 0x02);
}

}  // namespace
}  // namespace plclink
