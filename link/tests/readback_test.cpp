// Verify and source read-back against scripted replies and the simulated module.
#include "link/readback.h"

#include <sys/stat.h>

#include <algorithm>

#include "link/checksum.h"
#include "link/download.h"
#include "link/module_commands.h"
#include "link/scripted_port.h"
#include "link/tests/sim_bench.h"
#include "platform/tests/hang_guard_support.h"

namespace plclink {
namespace {

using namespace plclink::testing;

struct ScriptRig {
  ScriptRig() {
    link = std::make_unique<Link>(LinkConfig{}, choice, [this](int) {
      auto p = std::make_unique<ScriptedPort>();
      port = p.get();
      return p;
    });
    device = std::make_unique<Device>(*link, messages, status, language);
    device->OpenPort();
  }
  platform::RecordingMessageSink messages;
  platform::RecordingStatusPort status;
  FixedPortChoice choice;
  FixedLanguage language;
  ScriptedPort* port = nullptr;
  std::unique_ptr<Link> link;
  std::unique_ptr<Device> device;
  TempFolder folder;
};

TEST(Verify, TranscriptOfAFourByteImage) {
  ScriptRig r;
  WriteFile(r.folder.path / "ZQVREM.$$$", {0x10, 0x20, 0x30, 0x40, 0xFF, 0xFF});
  r.port->Then({0xA3}, {0xA3, 0xA3, 150})
      .Then({0xA2}, {0xA2, 0xA2})
      .Then({0x00, 0x02}, {0, 2, 0xA2})
      .Then({0x00, 0x00}, {0, 0, 0xA2})
      .Then({0x00}, {0x10})
      .Then({0x00}, {0x20})
      .Then({0x00}, {0x30})
      .Then({0x00}, {0x40});
  DeviceJob job{r.folder.path, 10, 4, true, {}};
  EXPECT_FALSE(VerifyProgram(*r.device, job));
  EXPECT_TRUE(r.port->Finished());
  EXPECT_TRUE(r.port->errors.empty());
  EXPECT_TRUE(r.messages.shown.empty());
  EXPECT_EQ(r.status.texts, (std::vector<std::string>{"Verify...", "", "Size : 4 Byte"}));
}

TEST(Verify, PassesAfterEveryDownloadInBothFramings) {
  struct Case {
    int model, firmware;
  } cases[] = {{1, 11}, {1, 30}, {2, 120}, {3, 12}, {4, 51}, {4, 60}, {5, 30}, {10, 150}};
  for (const auto& c : cases) {
    for (bool extended : {false, true}) {
      if (extended && c.firmware <= 20) continue;
      SCOPED_TRACE("model " + std::to_string(c.model) + " firmware " + std::to_string(c.firmware) +
                   (extended ? " extended" : ""));
      SimBench b(ProfileOf(c.model, c.firmware, extended));
      b.Image(600);
      ASSERT_FALSE(DownloadProgram(*b.device, b.job));
      EXPECT_FALSE(CheckModuleModel(*b.device, b.job.plcModel));
      EXPECT_FALSE(VerifyProgram(*b.device, b.job)) << ::testing::PrintToString(b.Texts());
      b.job.romSize = 599;  // odd: the last word is announced and one byte of it compared
      EXPECT_FALSE(VerifyProgram(*b.device, b.job)) << ::testing::PrintToString(b.Texts());
    }
  }
}

TEST(Verify, MismatchAndTimeOut) {
  SimBench b(ProfileOf(10, 150, false));
  Bytes image = b.Image(600);
  ASSERT_FALSE(DownloadProgram(*b.device, b.job));
  b.core.AddFault(*zqvsim::ParseFault("A2 corrupt 0", nullptr));
  EXPECT_TRUE(VerifyProgram(*b.device, b.job));
  char expect[96];
  std::snprintf(expect, sizeof expect, "Verify Error at ADDRESS : 0 Buffer : %X Chip : %X", image[0], image[0] ^ 0xFF);
  EXPECT_EQ(b.Texts(), std::vector<std::string>{expect});
  EXPECT_EQ(b.status.texts.back(), "");
  EXPECT_EQ(b.status.gaugeValue, 0);
  b.core.ClearFaults();
  b.clock.now += 2 * 1000 * 1000;  // the module gives up the read-back that was left unfinished
  b.core.AddFault(*zqvsim::ParseFault("A2 stopafter 100", nullptr));
  EXPECT_TRUE(VerifyProgram(*b.device, b.job));
  EXPECT_EQ(b.Texts().back(), "RS232C Time Out Error !!! Check Cable or Power ");
  std::filesystem::remove(b.job.Image());
  b.clock.now += 2 * 1000 * 1000;
  EXPECT_TRUE(VerifyProgram(*b.device, b.job));
  EXPECT_EQ(b.Texts().back(), "File not found : ZQVREM.$$$");
  // An image file that became a FIFO is refused at once, not waited for.
  ASSERT_EQ(mkfifo(b.job.Image().c_str(), 0644), 0);
  b.clock.now += 2 * 1000 * 1000;
  std::string overran;
  const int status = hang_guard::RunInChild(
      [&] {
        CHILD_CHECK(VerifyProgram(*b.device, b.job));
        CHILD_CHECK(b.Texts().back() == "Open Error:ZQVREM.$$$");
        return 0;
      },
      &overran);
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << hang_guard::Ending(status, overran);
}

// Consecutive repeats dropped: what the status panel went through.
std::vector<std::string> Shown(std::vector<std::string> texts) {
  texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
  return texts;
}

TEST(StatusPainting, EachTextAndVisibleGaugeStepIsPaintedWhileTheCommandWaits) {
  SimBench b(ProfileOf(10, 150, false));
  b.Image(600);
  ASSERT_FALSE(DownloadProgram(*b.device, b.job));
  b.status.texts.clear();
  b.status.painted.clear();
  b.status.paintedGauges.clear();
  ASSERT_FALSE(VerifyChecksum(*b.device, b.job));
  ASSERT_FALSE(VerifyProgram(*b.device, b.job));
  // Every text was repainted as it was set, before the command returned.
  ASSERT_FALSE(b.status.texts.empty());
  EXPECT_EQ(Shown(b.status.painted), Shown(b.status.texts));
  EXPECT_NE(std::find(b.status.painted.begin(), b.status.painted.end(), "Verify..."), b.status.painted.end());
  // The gauge repaints once per shown percent, not once per byte.
  const int verifyMax = 600 + 10;
  const auto steps = std::count_if(b.status.paintedGauges.begin(), b.status.paintedGauges.end(),
                                   [&](const std::pair<int, int>& g) { return g.second == verifyMax; });
  EXPECT_GE(steps, 90);
  EXPECT_LE(steps, 102);
  ASSERT_FALSE(b.status.paintedGauges.empty());
  EXPECT_EQ(b.status.paintedGauges.back(), std::make_pair(0, 0));  // hidden at the end
}

TEST(Upload, AddressesFollowTheStoredLength) {
  ScriptRig r;
  r.port->Then({0xA3}, {0xA3, 0xA3, 150})
      .Then({0xA2}, {0xA2, 0xA2})
      .Then({0x00, 0x05}, {0, 5, 0xA2})
      .Then({0x00, 0x04}, {0, 4, 0xA2})
      .Then({0x00}, {0x34})
      .Then({0x00}, {0x12})
      .Then({0xA2}, {0xA2, 0xA2})
      .Then({0x09, 0x1B}, {0x09, 0x1B, 0xA2})  // word addresses 2331 (end) and 2330
      .Then({0x09, 0x1A}, {0x09, 0x1A, 0xA2})
      .Then({0x00}, {0x03})
      .Then({0x00}, {0x00})
      .Then({0xA2}, {0xA2, 0xA2})
      .Then({0x09, 0x1D}, {0, 0, 0xA2})  // 2330 + (3 + 1) / 2 + 1
      .Then({0x09, 0x1B}, {0, 0, 0xA2})
      .Then({0x00}, {'P'})
      .Then({0x00}, {'K'})
      .Then({0x00}, {'!'})
      .Then({0x00}, {0x00});  // the pad byte, dropped
  EXPECT_FALSE(UploadSource(*r.device, r.folder.path));
  EXPECT_TRUE(r.port->errors.empty()) << r.port->errors.front();
  EXPECT_TRUE(r.port->Finished());
  EXPECT_EQ(ReadFile(r.folder.path / "DNFILE.ZIP"), (Bytes{'P', 'K', '!'}));
  EXPECT_TRUE(r.messages.shown.empty());
}

TEST(Upload, ArchiveReadBackInEveryFraming) {
  const Bytes archive{'P', 'K', 3, 4, 'a', 'b', 'c'};
  for (int model : {1, 4, 10}) {
    for (bool extended : {false, true}) {
      SCOPED_TRACE("model " + std::to_string(model) + (extended ? " extended" : ""));
      SimBench b(ProfileOf(model, FirmwareFor(model), extended));
      b.Image(600, &archive);
      ASSERT_FALSE(DownloadProgram(*b.device, b.job));
      b.Sent();
      EXPECT_FALSE(UploadSource(*b.device, b.folder.path)) << ::testing::PrintToString(b.Texts());
      EXPECT_EQ(ReadFile(b.folder.path / "DNFILE.ZIP"), archive);
      Bytes sent = b.Sent();
      // the last range: 8 fetches for seven bytes and the pad
      EXPECT_EQ(std::count(sent.end() - 8, sent.end(), 0x00), 8);
      EXPECT_EQ(b.status.texts, (std::vector<std::string>{"Erasing...", "Downloading...", "", "Reading...", ""}));
    }
  }
}

TEST(Upload, RefusalsLeaveTheOldArchiveAlone) {
  const Bytes archive{'P', 'K', 1, 2};
  struct Case {
    const char* fault;
    bool withArchive;
    const char* message;
  } cases[] = {
      {nullptr, false, "This Module Not Contain Source File ! (Protected Mode)"},
      {"A2 protected", true, "This Module Not Contain Source File ! (Protected Mode)"},
      {"A2 length 9", true, "The module's program carries no valid source archive ! "},
      {"A2 length 601", true, "The module's program carries no valid source archive ! "},
      {"A2 archive 0x8000", true, "The module's program carries no valid source archive ! "},
      {"A2 length 0xFFF0", true, "This Module Not Contain Source File ! (Protected Mode)"},  // erased there
      {"A2 stopafter 1", true, "RS232C Time Out Error !!! Check Cable or Power "},
      {"A2 badack", true, "RS232C incorrect Error !!! "},
      {"A2 none", true, "RS232C Time Out Error !!! Check Cable or Power "},
      {"A3 none", true, "Korvane module Not Found ! "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault ? c.fault : "no archive");
    SimBench b(ProfileOf(10, 150, false));
    b.Image(600, c.withArchive ? &archive : nullptr);
    ASSERT_FALSE(DownloadProgram(*b.device, b.job));
    WriteFile(b.folder.path / "DNFILE.ZIP", {'o', 'l', 'd'});
    if (c.fault) b.core.AddFault(*zqvsim::ParseFault(c.fault, nullptr));
    EXPECT_TRUE(UploadSource(*b.device, b.folder.path));
    EXPECT_EQ(b.Texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(ReadFile(b.folder.path / "DNFILE.ZIP"), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(b.status.gaugeValue, 0);
  }
}

}  // namespace
}  // namespace plclink
