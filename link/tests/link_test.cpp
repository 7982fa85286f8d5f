// The serial link: port opening, send primitives, reply waits and their lengths.
#include <gtest/gtest.h>

#include "link/device.h"
#include "link/link.h"
#include "link/module_commands.h"
#include "link/scripted_port.h"
#include "link/termios_port.h"
#include "link/tests/scripted_rig.h"

namespace plclink {
namespace {

TEST(Link, WordsGoHighByteFirst) {
  Rig r;
  r.link->SendWord(300);
  r.link->SendWord(0x0090);
  EXPECT_EQ(r.port->written, (Bytes{0x01, 0x2C, 0x00, 0x90}));
}

TEST(Link, WaitTakesEverythingQueuedAndTimeOutKeepsThePreviousReply) {
  Rig r;
  r.port->Inject({1, 2, 3});
  ASSERT_FALSE(r.link->WaitReply(2));
  EXPECT_EQ(r.link->Replies(), (Bytes{1, 2, 3}));

  // Two bytes of a three-byte reply: the wait times out, the reply stays, the bytes stay queued.
  r.port->Inject({7, 8});
  EXPECT_TRUE(r.link->WaitReply(3));
  EXPECT_EQ(r.link->Replies(), (Bytes{1, 2, 3}));
  r.port->Inject({9}, 10);
  ASSERT_FALSE(r.link->WaitReply(3));
  EXPECT_EQ(r.link->Replies(), (Bytes{7, 8, 9}));
  EXPECT_TRUE(r.messages.shown.empty());
}

TEST(Link, FlushDropsLateBytes) {
  Rig r;
  r.port->Inject({0xAA});
  r.link->Flush();
  r.port->Inject({0xBB});
  ASSERT_FALSE(r.link->WaitReply(1));
  EXPECT_EQ(r.link->Replies(), (Bytes{0xBB}));
}

TEST(Link, WaitLengthsKeepThePollRatios) {
  Rig r;
  const Micros base = 1000 * 1000;
  struct Case {
    int k;
    double ratio;
  } cases[] = {{50, 1.009}, {150, 2.987}, {500, 9.911}, {1500, 29.69}, {10000, 197.8}};
  Micros t0 = r.port->Now();
  EXPECT_TRUE(r.link->WaitReply(1));
  EXPECT_EQ(r.port->Now() - t0, base);
  for (const auto& c : cases) {
    t0 = r.port->Now();
    EXPECT_TRUE(r.link->WaitReplyLong(1, c.k));
    EXPECT_NEAR(static_cast<double>(r.port->Now() - t0) / base, c.ratio, c.ratio * 0.001) << "k = " << c.k;
  }
}

TEST(Link, SecondOpenChangesNothing) {
  Rig r;
  EXPECT_FALSE(r.link->OpenPort().Failed());
  EXPECT_FALSE(r.link->OpenPort().Failed());
  EXPECT_EQ(r.port->openCount, 1);
}

TEST(Link, AHungUpDeviceIsOpenedAgainOnceUntilTheNextWait) {
  Rig r;
  r.port->hangUp = true;
  r.port->failOpen = true;  // unplugged, not back yet
  // The command stands on the port as before: no port message, sends go nowhere, the wait
  // times out. One attempt to open the device again until that wait.
  EXPECT_FALSE(r.link->OpenPort().Failed());
  r.link->SendByte(0xA3);
  EXPECT_EQ(r.port->openCount, 2);
  EXPECT_TRUE(r.port->written.empty());
  EXPECT_TRUE(r.link->WaitReply(3));
  EXPECT_TRUE(r.messages.shown.empty());

  // Back again: the next command opens it and is answered; a sound device is not reopened.
  r.port->failOpen = false;
  r.port->Then({0xA3}, {0xA3, 0xA3, 150});
  EXPECT_FALSE(r.link->OpenPort().Failed());
  r.link->SendByte(0xA3);
  ASSERT_FALSE(r.link->WaitReply(3));
  EXPECT_EQ(r.link->Replies(), (Bytes{0xA3, 0xA3, 150}));
  EXPECT_FALSE(r.link->OpenPort().Failed());
  EXPECT_EQ(r.port->openCount, 3);
  EXPECT_TRUE(r.messages.shown.empty());
}

TEST(Link, PortsStayOpenAcrossAChangeOfPortNumber) {
  FixedPortChoice choice;
  std::vector<ScriptedPort*> made(4, nullptr);
  Link link(LinkConfig{}, choice, [&](int n) {
    auto p = std::make_unique<ScriptedPort>();
    made[n] = p.get();
    return p;
  });
  EXPECT_FALSE(link.OpenPort().Failed());
  // The link takes the port the user chose when it makes sure of it.
  choice.portNum = 2;
  EXPECT_FALSE(link.OpenPort().Failed());
  EXPECT_EQ(link.Port(), made[2]);
  choice.portNum = 0;
  EXPECT_FALSE(link.OpenPort().Failed());
  EXPECT_EQ(link.Port(), made[0]);
  ASSERT_NE(made[0], nullptr);
  ASSERT_NE(made[2], nullptr);
  EXPECT_EQ(made[0]->openCount, 1);
  EXPECT_TRUE(made[2]->IsOpen());
}

TEST(Link, MissingDeviceShowsThePortMessageWithItsReasonAndSendsNothing) {
  platform::RecordingMessageSink messages;
  platform::NullStatusPort status;
  FixedPortChoice choice;
  FixedLanguage language;
  LinkConfig config;
  config.portDevices[0] = "/nonexistent/zqv-serial";
  config.baseWaitMs = 5;
  Link link(config, choice);
  Device device(link, messages, status, language);

  // The link itself shows nothing and hands back the system's reason.
  const PortOpening opening = link.OpenPort();
  EXPECT_TRUE(opening.Failed());
  EXPECT_NE(opening.reason.find("/nonexistent/zqv-serial: No such file or directory"), std::string::npos)
      << opening.reason;
  EXPECT_TRUE(messages.shown.empty());

  // The command layer shows the port message first, then that reason.
  EXPECT_TRUE(device.OpenPort());
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Invalid RS232C Port !!! \r\n" + opening.reason);
  EXPECT_EQ(messages.shown[0].caption, "Korvane Studio Message");
  EXPECT_TRUE(link.WaitReply(1));

  // A send on that port sends nothing and says nothing; the next command says it again.
  link.SendByte(0xA5);
  EXPECT_EQ(messages.shown.size(), 1u);
  language.korean = true;
  EXPECT_TRUE(SendCommand(device, cmd::kRun));
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.shown[1].text, "존재하지 않는 RS232C 포트입니다. \r\n" + opening.reason);
}

TEST(Link, APortOutsideTheFourIsRefusedWithItsNumber) {
  Rig r;
  r.choice.portNum = 5;
  const PortOpening opening = r.link->OpenPort();
  EXPECT_TRUE(opening.Failed());
  EXPECT_EQ(opening.reason, "no port 6");
}

TEST(Link, TermiosPortRefusesAFileThatIsNoTerminal) {
  TermiosPort port;
  std::string error;
  EXPECT_FALSE(port.Open("/dev/null", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(port.IsOpen());
}

TEST(LinkConfig, StartupOptionsOverrideDevicesAndWait) {
  platform::StartupOptions options;
  options.portDevices[2] = "/tmp/zqv-port";
  options.baseWaitMs = 250;
  LinkConfig settings;
  settings.portDevices[0] = "/dev/ttyUSB0";
  LinkConfig c = settings.WithOverrides(options);
  EXPECT_EQ(c.portDevices[0], "/dev/ttyUSB0");
  EXPECT_EQ(c.portDevices[1], "/dev/ttyS1");
  EXPECT_EQ(c.portDevices[2], "/tmp/zqv-port");
  EXPECT_EQ(c.baseWaitMs, 250);
  EXPECT_EQ(LinkConfig{}.WithOverrides(platform::StartupOptions{}).baseWaitMs, 1000);
}

}  // namespace
}  // namespace plclink
