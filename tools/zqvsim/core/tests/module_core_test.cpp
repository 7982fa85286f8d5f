// The simulated module driven by the studio's link in the same process (virtual time):
// transcripts of the identity, run and device-word commands per model and framing, the
// faults that can be injected into them, and the control channel.
#include <gtest/gtest.h>

#include <algorithm>

#include "link/device.h"
#include "link/module_commands.h"
#include "tools/zqvsim/core/control_commands.h"
#include "tools/zqvsim/core/sim_port.h"

namespace zqvsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Bench {
  explicit Bench(Profile p) : core(p) {
    link = std::make_unique<plclink::Link>(plclink::LinkConfig{}, choice, [this](int) {
      auto port = std::make_unique<SimPort>(core, clock);
      sim = port.get();
      return port;
    });
    device = std::make_unique<plclink::Device>(*link, messages, status, language);
    device->OpenPort();
  }
  Bytes Sent() {
    Bytes out;
    out.swap(sim->written);
    return out;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : messages.shown) t.push_back(m.text);
    return t;
  }
  ModuleCore core;
  SimClock clock;
  SimPort* sim = nullptr;
  platform::RecordingMessageSink messages;
  platform::RecordingStatusPort status;
  plclink::FixedPortChoice choice;
  plclink::FixedLanguage language;
  std::unique_ptr<plclink::Link> link;
  std::unique_ptr<plclink::Device> device;
};

int FirmwareOf(int model, bool extended) {
  switch (model) {
    case 1:
      return extended ? 30 : 12;  // the extended framing needs a version above 20
    case 2:
      return 120;
    case 4:
      return 60;
    case 10:
      return 150;
    default:
      return 30;
  }
}

TEST(SimTranscript, IdentityRunAndDeviceWordPerModelAndFraming) {
  for (int model : {1, 2, 3, 4, 5, 10}) {
    for (bool extended : {false, true}) {
      SCOPED_TRACE("model " + std::to_string(model) + (extended ? " extended" : " plain"));
      Profile p;
      p.model = model;
      p.firmware = FirmwareOf(model, extended);
      p.extended = extended;
      Bench b(p);
      const auto m = static_cast<std::int16_t>(model);

      EXPECT_FALSE(plclink::CheckModuleModel(*b.device, m));
      EXPECT_EQ(b.Sent(), Bytes{0xA3});
      EXPECT_EQ(b.link->ExtraAckByte(), extended);
      EXPECT_EQ(b.link->DataEchoMode(), extended && model != 1 && model != 4);

      EXPECT_FALSE(plclink::SendCommand(*b.device, 0xA5));
      EXPECT_TRUE(b.core.running());
      EXPECT_FALSE(plclink::SendCommand(*b.device, 0xA7));
      EXPECT_FALSE(b.core.running());
      EXPECT_FALSE(plclink::SendCommand(*b.device, 0xA6));
      EXPECT_EQ(b.core.resets(), 1);
      EXPECT_EQ(b.Sent(), (Bytes{0xA5, 0xA7, 0xA6}));

      b.core.data()[0x0263] = 0x34;
      b.core.data()[0x0264] = 0x12;
      ASSERT_FALSE(b.link->ReadDeviceWord(m, 0x0263));
      EXPECT_EQ(b.link->ReadBytes()[0], 0x34);
      EXPECT_EQ(b.link->ReadBytes()[1], 0x12);
      EXPECT_EQ(b.Sent(), (Bytes{0xA4, 0x02, 0x63}));
      EXPECT_TRUE(b.messages.shown.empty());
    }
  }
}

TEST(SimTranscript, EchoOfDeviceWordFollowsTheDownloadHistory) {
  // A model-3 module echoes once it has seen a download command; the studio, which set its
  // echo flag at the start of that download, reads the word through the echo framing.
  Profile p;
  p.model = 3;
  p.firmware = 30;
  Bench b(p);
  b.core.data()[100] = 0x5A;
  ASSERT_FALSE(b.link->ReadDeviceWord(3, 100));
  EXPECT_EQ(b.link->ReadBytes()[0], 0x5A);
  const std::uint8_t start[] = {0xA1, 0x00, 0x00};
  b.core.Feed(start, 3, b.clock.now);  // the module sees a download of no blocks
  b.link->Flush();
  b.link->SetDataEchoMode(true);
  ASSERT_FALSE(b.link->ReadDeviceWord(3, 100));
  EXPECT_EQ(b.link->ReadBytes()[0], 0x5A);
}

TEST(SimControl, StateIsStoppedFromADownloadUntilTheNextRun) {
  // A download takes the program off the processor, the erase that fails included: the
  // module stands still until the run command starts the new program.
  for (int status : {0xA2, 0xBB}) {
    SCOPED_TRACE(status);
    ModuleCore core(Profile{});
    bool quit = false;
    const std::uint8_t run[] = {0xA5}, erase[] = {0xA1, 0x00, 0x01};
    core.Feed(run, 1, 0);
    EXPECT_EQ(RunControl(core, "state", &quit), "ok running");
    if (status != 0xA2) {
      EXPECT_EQ(RunControl(core, "fault A1 status 0xBB", &quit), "ok");
    }
    core.Feed(erase, 3, 1000);
    EXPECT_EQ(RunControl(core, "state", &quit), "ok stopped");
    core.Feed(run, 1, 900000);
    EXPECT_EQ(RunControl(core, "state", &quit), "ok running");
  }
}

TEST(SimControl, ADownloadAbandonedAfterItsCommandLeavesTheModuleErasedAndStopped) {
  // A model-10 download of one block holding a program that loops for ever; bytes 8 and 9
  // (jumped over) carry its length, 12.
  const std::uint16_t words[] = {0xC004, 0x0000, 0x0000, 0x0000, 0x000C, 0xCFFF};
  Bytes download = {0xA1, 0x00, 0x01};
  for (std::uint16_t w : words) {
    download.push_back(static_cast<std::uint8_t>(w));
    download.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  download.resize(3 + 128, 0xFF);
  ModuleCore core(Profile{});
  bool quit = false;
  const std::uint8_t run[] = {0xA5}, erase[] = {0xA1};
  core.Feed(download.data(), download.size(), 0);
  core.Feed(run, 1, 1000);
  core.Advance(5000);
  ASSERT_TRUE(core.Executing());
  EXPECT_EQ(RunControl(core, "program", &quit), "ok 80 762A");

  // The studio gives up right after the download command: no block-count word follows.
  core.Feed(erase, 1, 10000);
  EXPECT_EQ(RunControl(core, "state", &quit), "ok stopped");
  EXPECT_FALSE(core.Executing());
  EXPECT_EQ(RunControl(core, "program", &quit), "ok 0 0000");
  EXPECT_TRUE(std::all_of(core.program().begin(), core.program().end(), [](std::uint8_t b) { return b == 0xFF; }));
  // Once the exchange has lapsed, a run command is acknowledged and finds nothing to run.
  core.Feed(run, 1, 10000 + core.profile().idleReset + 1000);
  EXPECT_EQ(RunControl(core, "state", &quit), "ok running");
  EXPECT_FALSE(core.Executing());
}

TEST(SimFaults, IdentityAndRunFaultsEndInTheirResults) {
  struct Case {
    const char* fault;
    bool extended;
    int version;  // expected GetModuleVersion
  } cases[] = {
      {"A3 none", false, -1},         {"A3 late 3000", false, -1},    {"A3 partial 2", false, -1},
      {"A3 badreply1", false, -1},    {"A3 version 149", false, 149}, {"A3 delay4 400", true, 150},
      {"A3 delay4 3000", true, 0xA3}, {"A3 version 20", true, 0xA3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    Profile p;
    p.extended = c.extended;
    Bench b(p);
    b.core.AddFault(*ParseFault(c.fault, nullptr));
    EXPECT_EQ(b.link->GetModuleVersion(), c.version);
    // The fault is used up: the next exchange is sound (late bytes are flushed first).
    b.clock.now += 5 * 1000 * 1000;
    EXPECT_EQ(b.link->GetModuleVersion(), 150);
    EXPECT_EQ(b.link->ExtraAckByte(), c.extended);
  }

  Bench b(Profile{});
  b.core.AddFault(*ParseFault("A5 badack", nullptr));
  b.core.AddFault(*ParseFault("A7 none *2", nullptr));
  EXPECT_TRUE(plclink::SendCommand(*b.device, 0xA5));
  EXPECT_TRUE(plclink::SendCommand(*b.device, 0xA7));
  EXPECT_TRUE(plclink::SendCommand(*b.device, 0xA7));
  EXPECT_FALSE(plclink::SendCommand(*b.device, 0xA7));
  EXPECT_EQ(b.Texts(), (std::vector<std::string>{"RS232C incorrect Error !!! Check Cable or Power ",
                                                 "RS232C Time Out Error !!! Check Cable or Power ",
                                                 "RS232C Time Out Error !!! Check Cable or Power "}));
}

TEST(SimFaults, ExtendedThirdRunAcknowledgementIsHarmless) {
  Profile p;
  p.extended = true;
  p.thirdRunAck = true;
  Bench b(p);
  EXPECT_FALSE(plclink::SendCommand(*b.device, 0xA5));
  EXPECT_EQ(b.link->GetModuleVersion(), 150);
}

TEST(SimFaults, DeadModuleAnswersNothing) {
  Bench b(Profile{});
  b.core.AddFault(*ParseFault("die 1", nullptr));
  EXPECT_EQ(b.link->GetModuleVersion(), 150);
  EXPECT_EQ(b.link->GetModuleVersion(), -1);
  EXPECT_TRUE(b.core.dead());
}

TEST(SimFaults, ParserRefusesMalformedSpecs) {
  for (const char* bad : {"", "A0 none", "B3 none", "A3 sleep", "A3 late", "A3 late soon", "A3 none *x",
                          "A3 none extra", "die", "die -1"}) {
    std::string error;
    EXPECT_FALSE(ParseFault(bad, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  auto f = ParseFault("0xA2 corrupt 0x10 *0", nullptr);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->command, 0xA2);
  EXPECT_EQ(f->kind, FaultKind::Corrupt);
  EXPECT_EQ(f->arg, 16);
  EXPECT_EQ(f->count, 0);
}

TEST(SimControl, MemoryInputsProfileAndErrors) {
  ModuleCore core(Profile{});
  bool quit = false;
  EXPECT_EQ(RunControl(core, "poke 0x263 34 12", &quit), "ok");
  EXPECT_EQ(RunControl(core, "peek 611 3", &quit), "ok 34 12 00");
  EXPECT_EQ(RunControl(core, "input P0:3 1", &quit), "ok");
  EXPECT_EQ(RunControl(core, "input P1:0 1", &quit), "ok");
  EXPECT_EQ(RunControl(core, "peek 96 2", &quit), "ok 08 01");
  EXPECT_EQ(RunControl(core, "input P0:3 0", &quit), "ok");
  EXPECT_EQ(RunControl(core, "peek 96 1", &quit), "ok 00");
  EXPECT_EQ(RunControl(core, "program", &quit), "ok 0 0000");
  EXPECT_EQ(RunControl(core, "state", &quit), "ok stopped");
  EXPECT_EQ(RunControl(core, "outputs", &quit), "ok 00 00 00 00 00");  // no program, nothing driven
  EXPECT_EQ(
      RunControl(core, "profile model 4 firmware 52 extended 1", &quit).rfind("ok model 4 firmware 52 extended 1", 0),
      0u);
  EXPECT_EQ(core.profile().model, 4);
  EXPECT_EQ(RunControl(core, "fault A9 unsupported *3", &quit), "ok");
  EXPECT_EQ(RunControl(core, "fault clear", &quit), "ok");
  for (const char* bad : {"peek", "peek 65535 2", "poke 10 zz", "input Q0:1 1", "input P16:0 1", "input P0:8 1",
                          "profile model", "profile model 0", "profile model 6", "profile model 11",
                          "profile model 255", "profile colour red", "fault A3", "outputs 2", "jump"}) {
    EXPECT_EQ(RunControl(core, bad, &quit).rfind("error", 0), 0u) << bad;
  }
  EXPECT_FALSE(quit);
  EXPECT_EQ(RunControl(core, "quit", &quit), "ok bye");
  EXPECT_TRUE(quit);
}

TEST(SimControl, RandomLinesNeverCrashTheInterpreter) {
  ModuleCore core(Profile{});
  std::uint32_t seed = 12345;
  auto next = [&]() { return seed = seed * 1664525u + 1013904223u; };
  const char* words[] = {"peek",  "poke", "input", "fault",        "profile", "program", "A1",    "A2", "none", "0x",
                         "65535", "-1",   "P0:7",  "999999999999", "*",       "corrupt", "model", "1",  ""};
  for (int i = 0; i < 2000; ++i) {
    std::string line;
    int n = next() % 6;
    for (int j = 0; j < n; ++j) {
      if (next() % 5 == 0) {
        line += static_cast<char>(next() % 256);
      } else {
        line += words[next() % (sizeof words / sizeof *words)];
      }
      line += ' ';
    }
    bool quit = false;
    std::string reply = RunControl(core, line, &quit);
    EXPECT_TRUE(reply.rfind("ok", 0) == 0 || reply.rfind("error", 0) == 0);
  }
}

TEST(SimCore, RandomBytesNeverCrashTheModule) {
  for (int model : {1, 2, 4, 10}) {
    Profile p;
    p.model = model;
    p.extended = model == 4;
    ModuleCore core(p);
    std::uint32_t seed = 99 + model;
    Micros now = 0;
    for (int i = 0; i < 20000; ++i) {
      seed = seed * 1664525u + 1013904223u;
      std::uint8_t b = static_cast<std::uint8_t>(seed >> 24);
      if (seed % 7 == 0) b = static_cast<std::uint8_t>(0xA1 + (seed >> 8) % 9);
      core.Feed(&b, 1, now);
      now += (seed % 100 == 0) ? 1000000 : 10;
      core.TakeOutput(now);
    }
  }
}

}  // namespace
}  // namespace zqvsim
