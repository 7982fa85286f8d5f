// Program download, checksum and keep-area clear against the simulated module and
// scripted replies.
#include "link/download.h"
#include "link/checksum.h"
#include "link/module_commands.h"
#include "link/scripted_port.h"
#include "link/tests/sim_bench.h"

#include <sys/stat.h>

#include "platform/tests/hang_guard_support.h"

namespace plclink {
namespace {

using namespace plclink::testing;

TEST(Download, EveryModelFirmwareAndFramingStoresTheImage) {
  struct Case {
    int model, firmware;
  } cases[] = {{1, 11}, {1, 12}, {1, 30}, {2, 120}, {3, 11}, {3, 30}, {4, 51}, {4, 60}, {5, 30}, {10, 150}};
  for (const auto& c : cases) {
    for (bool extended : {false, true}) {
      if (extended && c.firmware <= 20) continue;
      SCOPED_TRACE("model " + std::to_string(c.model) + " firmware " + std::to_string(c.firmware) +
                   (extended ? " extended" : ""));
      SimBench b(ProfileOf(c.model, c.firmware, extended));
      Bytes image = b.Image(1000);
      ASSERT_FALSE(DownloadProgram(*b.device, b.job)) << ::testing::PrintToString(b.Texts());
      EXPECT_TRUE(b.ProgramEquals(image, b.job.romSize + 2));
      EXPECT_TRUE(b.link->DataEchoMode() || c.model == 1 || c.model == 4);
      EXPECT_TRUE(b.messages.shown.empty());
      EXPECT_EQ(b.status.texts, (std::vector<std::string>{"Erasing...", "Downloading...", ""}));
      EXPECT_EQ(b.status.gaugeMax, 0);

      // The checksum and the keep-area clear follow.
      std::int32_t sum = -1;
      EXPECT_FALSE(VerifyChecksum(*b.device, b.job, &sum));
      EXPECT_EQ(b.status.texts.back(), "Size : 3E8 Byte");
      b.core.data()[b.core.KeepArea().first] = 0x5A;
      ClearKeepArea(*b.device, b.job.romSize);
      EXPECT_EQ(b.core.data()[b.core.KeepArea().first], 0);
      EXPECT_TRUE(b.messages.shown.empty()) << ::testing::PrintToString(b.Texts());
    }
  }
}

TEST(Download, CountWordsAndByteOrderOnTheWire) {
  {
    SimBench b(ProfileOf(1, 12, false));
    b.Image(10);
    WriteFile(b.job.Image(), {0xFF, 0xFF, 0xFF, 0xFF});
    b.job.romSize = 4;
    ASSERT_FALSE(DownloadProgram(*b.device, b.job));
    Bytes sent = b.Sent();
    // two version exchanges, the erase command, count word 1, one block of 256 pairs
    ASSERT_EQ(sent.size(), 2u + 1 + 2 + 512);
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 5), (Bytes{0xA3, 0xA3, 0xA1, 0x00, 0x01}));
    EXPECT_TRUE(std::all_of(sent.begin() + 5, sent.end(), [](std::uint8_t v) { return v == 0xFF; }));
  }
  {
    SimBench b(ProfileOf(1, 12, false));
    b.Image(512);
    ASSERT_FALSE(DownloadProgram(*b.device, b.job));
    Bytes sent = b.Sent();
    EXPECT_EQ(Bytes(sent.begin() + 3, sent.begin() + 5), (Bytes{0x00, 0x03}));
    EXPECT_EQ(sent.size(), 5u + 3 * 512);
  }
  {
    SimBench b(ProfileOf(2, 120, false));
    Bytes image = b.Image(1000);
    ASSERT_FALSE(DownloadProgram(*b.device, b.job));
    Bytes sent = b.Sent();
    EXPECT_EQ(Bytes(sent.begin() + 3, sent.begin() + 5), (Bytes{0x01, 0xF4}));
    EXPECT_EQ(Bytes(sent.begin() + 5, sent.end()), Bytes(image.begin(), image.begin() + 1000));
  }
  {
    SimBench b(ProfileOf(1, 11, false));
    Bytes image = b.Image(300);
    ASSERT_FALSE(DownloadProgram(*b.device, b.job));
    Bytes sent = b.Sent();
    EXPECT_EQ(sent[5], image[255]);  // offset 255 of block 0 goes first, then 0xFF
    EXPECT_EQ(sent[6], 0xFF);
    EXPECT_EQ(sent[5 + 2 * (255 - 200)], image[200]);
    EXPECT_TRUE(b.ProgramEquals(image, 302));
  }
  {
    SimBench b(ProfileOf(10, 150, false));
    b.Image(256);
    ASSERT_FALSE(DownloadProgram(*b.device, b.job));
    Bytes sent = b.Sent();
    EXPECT_EQ(Bytes(sent.begin() + 3, sent.begin() + 5), (Bytes{0x00, 0x03}));
    EXPECT_EQ(sent.size(), 5u + 3 * 128);
  }
}

TEST(Download, StaleBytesOfALongerImageAreNotSent) {
  SimBench b(ProfileOf(10, 150, false));
  b.Image(200);
  WriteFile(b.job.Image(), Bytes(600, 0x77));
  WriteFile(b.job.Image(), [] {
    Bytes shorter(600, 0x77);
    std::fill(shorter.begin(), shorter.begin() + 12, 0x00);
    return shorter;
  }());
  b.job.romSize = 10;
  ASSERT_FALSE(DownloadProgram(*b.device, b.job));
  EXPECT_EQ(b.core.program()[11], 0x00);  // the two bytes behind the image travel
  EXPECT_EQ(b.core.program()[12], 0xFF);  // the rest of the block is erased
  EXPECT_EQ(b.core.program()[127], 0xFF);
}

TEST(Download, RefusalsBeforeTheModuleIsErased) {
  {
    SimBench b(ProfileOf(10, 150, false));
    EXPECT_TRUE(DownloadProgram(*b.device, b.job));
    EXPECT_EQ(b.Texts(), std::vector<std::string>{"No compile information ! Please (AUTO) Click !"});
    EXPECT_TRUE(b.link->DataEchoMode());
    EXPECT_TRUE(b.Sent().empty());
  }
  {
    SimBench b(ProfileOf(10, 150, false));
    b.Image(100);
    b.job.plcModel = 7;
    EXPECT_TRUE(DownloadProgram(*b.device, b.job));
    EXPECT_EQ(b.Texts(), std::vector<std::string>{"Unknown PLC model code : 7"});
    EXPECT_TRUE(b.Sent().empty());
  }
  {
    SimBench b(ProfileOf(10, 150, false));
    b.Image(100);
    b.core.program()[0] = 0x12;
    std::filesystem::remove(b.job.Image());
    EXPECT_TRUE(DownloadProgram(*b.device, b.job));
    EXPECT_EQ(b.Texts(), std::vector<std::string>{"File not found : ZQVREM.$$$"});
    EXPECT_EQ(b.core.program()[0], 0x12);  // not erased
    Bytes sent = b.Sent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 0xA1), 0);
  }
  {
    // An image file that became a FIFO is refused at once, not waited for.
    SimBench b(ProfileOf(10, 150, false));
    b.Image(100);
    b.core.program()[0] = 0x12;
    std::filesystem::remove(b.job.Image());
    ASSERT_EQ(mkfifo(b.job.Image().c_str(), 0644), 0);
    std::string overran;
    const int status = hang_guard::RunInChild(
        [&] {
          CHILD_CHECK(DownloadProgram(*b.device, b.job));
          CHILD_CHECK(b.Texts() == std::vector<std::string>{"Open Error:ZQVREM.$$$"});
          CHILD_CHECK(b.core.program()[0] == 0x12);
          const Bytes sent = b.Sent();
          CHILD_CHECK(std::count(sent.begin(), sent.end(), 0xA1) == 0);
          return 0;
        },
        &overran);
    EXPECT_TRUE(ordinary_user::EndedWell(status)) << hang_guard::Ending(status, overran);
  }
  {
    SimBench b(ProfileOf(10, 150, false));
    b.Image(100);
    b.job.plcModel = 4;
    EXPECT_TRUE(DownloadProgram(*b.device, b.job));
    EXPECT_EQ(b.Texts(), std::vector<std::string>{"Device Mismatch ! This is not ZQV-C module !"});
  }
}

TEST(Download, AnImageLargerThanTheProgramMemoryIsRefusedBeforeAnythingIsSent) {
  for (int model : {1, 2, 3, 4, 5, 10}) {
    for (int length : {132 * 1024, 300 * 1024, 128 * 1024 - 1}) {
      SCOPED_TRACE("model " + std::to_string(model) + ", " + std::to_string(length) + " bytes");
      SimBench b(ProfileOf(model));
      b.Image(length);
      b.core.program()[0] = 0x12;
      EXPECT_TRUE(DownloadProgram(*b.device, b.job));
      EXPECT_EQ(b.Texts(), std::vector<std::string>{"The program does not fit the module ! Image : " +
                                                    std::to_string(length + 2) +
                                                    " Byte, Program memory : 131072 Byte !"});
      EXPECT_EQ(b.messages.shown.back().caption, "Korvane Studio Error !");
      EXPECT_TRUE(b.Sent().empty());
      EXPECT_EQ(b.core.program()[0], 0x12);
    }
  }
  SimBench b(ProfileOf(10));
  b.language.korean = true;
  b.Image(140000);
  EXPECT_TRUE(DownloadProgram(*b.device, b.job));
  EXPECT_EQ(b.Texts().back(), "프로그램이 모듈에 들어가지 않습니다 ! 이미지 : 140002 바이트, 프로그램 메모리 : 131072 바이트 !");
  // The largest image that fits is stored whole, with the marker behind it.
  b.language.korean = false;
  const Bytes image = b.Image(128 * 1024 - 2);
  ASSERT_FALSE(DownloadProgram(*b.device, b.job)) << b.Texts().back();
  EXPECT_TRUE(b.ProgramEquals(image, image.size()));
}

TEST(Download, LinkFailuresEndInTheirMessagesAndClearTheStatus) {
  struct Case {
    const char* fault;
    bool extended;
    const char* message;
  } cases[] = {
      {"A1 none", false, "RS232C Time Out Error !!! Check Cable or Power "},
      {"A1 badack", false, "RS232C incorrect Out Error !!! Check Cable or Power "},
      {"A1 status 0xBB", false, "Writing Logic Fail !!! "},
      {"A1 status 0xBB", true, "Writing Logic Fail !!! "},
      {"A1 status 0x00", true, "RS232C incorrect Out Error !!! Check Cable or Power "},
      {"A1 blockack 2", false, "RS232C Time Out Error !!! Check Cable or Power "},
      {"A1 partial 1", true, "RS232C Time Out Error !!! Check Cable or Power "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    SimBench b(ProfileOf(10, 150, c.extended));
    b.Image(1000);
    b.core.AddFault(*zqvsim::ParseFault(c.fault, nullptr));
    EXPECT_TRUE(DownloadProgram(*b.device, b.job));
    EXPECT_EQ(b.Texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(b.messages.shown[0].caption, "ERROR !");
    EXPECT_EQ(b.status.texts.back(), "");
    EXPECT_EQ(b.status.gaugeValue, 0);
  }
}

TEST(Download, GaugeGrowsByAQuarterPerByteUpToItsMaximum) {
  SimBench b(ProfileOf(1, 30, false));
  b.Image(1000);
  struct Spy : platform::StatusPort {
    void SetStatusText(const std::string&) override {}
    void SetGauge(int value, int maximum) override {
      if (maximum) {
        top = std::max(top, value);
        max = maximum;
      }
    }
    int top = 0, max = 0;
  };
  Spy spy;
  Device device(*b.link, b.messages, spy, b.language);
  ASSERT_FALSE(DownloadProgram(device, b.job));
  EXPECT_EQ(spy.max, 1000 / 4 + 100);
  EXPECT_EQ(spy.top, 1000 / 4 + 6);  // four blocks of 256 bytes: 1024 / 4
}

TEST(Checksum, RetriesCoalescedSumMismatchAndTimeOuts) {
  {
    SimBench b(ProfileOf(10, 150, false));
    b.Image(1000);
    ASSERT_FALSE(DownloadProgram(*b.device, b.job));
    b.core.AddFault(*zqvsim::ParseFault("A8 third", nullptr));
    EXPECT_FALSE(VerifyChecksum(*b.device, b.job));
    b.core.AddFault(*zqvsim::ParseFault("A8 wrongsum", nullptr));
    std::int32_t sum = 0;
    EXPECT_TRUE(VerifyChecksum(*b.device, b.job, &sum));
    char expect[128];
    std::snprintf(expect, sizeof expect, "Check Sum UnMatch Error !!!  PC : %X  Korvane : %X", sum, sum + 1);
    EXPECT_EQ(b.Texts(), std::vector<std::string>{expect});
    b.core.AddFault(*zqvsim::ParseFault("A8 nosum", nullptr));
    EXPECT_TRUE(VerifyChecksum(*b.device, b.job));
    EXPECT_EQ(b.Texts().back(), "CheckSum Value Error : RS232C Time Out Error !!! Check Cable or Power ");
    EXPECT_EQ(b.status.texts.back(), "Compute CheckSum...");
    b.core.AddFault(*zqvsim::ParseFault("A8 none *3", nullptr));
    EXPECT_TRUE(VerifyChecksum(*b.device, b.job));
    EXPECT_EQ(b.Texts().back(), "RS232C Time Out Error !!! Check Cable or Power ");
    b.core.AddFault(*zqvsim::ParseFault("A8 badack", nullptr));
    EXPECT_TRUE(VerifyChecksum(*b.device, b.job));
    EXPECT_EQ(b.Texts().back(), "RS232C Incorrect Error !!! Check Cable or Power ");
  }
  {
    // Echo and sum in one read; an odd size counts whole words only.
    platform::RecordingMessageSink messages;
    platform::RecordingStatusPort status;
    ScriptedPort* port = nullptr;
    FixedPortChoice choice;
    FixedLanguage language;
    Link link(LinkConfig{}, choice, [&](int) {
      auto p = std::make_unique<ScriptedPort>();
      port = p.get();
      return p;
    });
    Device device(link, messages, status, language);
    device.OpenPort();
    TempFolder folder;
    WriteFile(folder.path / "ZQVREM.$$$", {0x01, 0x02, 0xFF, 0x10, 0x20});
    port->Then({0xA8}, {0xA8, 0xA8}).Then({0x00, 0x02}, {0x00, 0x02, 0x01, 0x32});
    DeviceJob job{folder.path, 10, 5, true, {}};
    std::int32_t sum = 0;
    EXPECT_FALSE(VerifyChecksum(device, job, &sum));
    EXPECT_EQ(sum, 0x0132);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(port->errors.empty());
    EXPECT_EQ(status.texts.back(), "Size : 5 Byte");
  }
}

TEST(KeepArea, UnsupportedAndTimeOut) {
  SimBench b(ProfileOf(10, 150, false));
  b.core.AddFault(*zqvsim::ParseFault("A9 unsupported", nullptr));
  ClearKeepArea(*b.device, 4);
  EXPECT_EQ(b.Texts(), std::vector<std::string>{"This Korvane module not support Clear Keep Area Function ! "});
  EXPECT_EQ(b.Sent(), Bytes{0xA9});  // no parameter word
  b.core.AddFault(*zqvsim::ParseFault("A9 none", nullptr));
  ClearKeepArea(*b.device, 4);
  EXPECT_EQ(b.Texts().back(), "RS232C Time Out Error or Not Support Clear Keep Function ! ");
  b.core.AddFault(*zqvsim::ParseFault("A9 partial 3", nullptr));  // the ack is fine, the answer is not
  ClearKeepArea(*b.device, 4);
  EXPECT_EQ(b.messages.shown.size(), 2u);
}

}  // namespace
}  // namespace plclink
