// Auto's module steps over the link, against the simulated module in the same process: the
// job is read from the studio when each step runs, the sum lands in the studio, and the
// failures of the module end in their messages.
#include "link/auto_device_steps.h"

#include <gtest/gtest.h>

#include "sim_bench.h"

namespace plclink::testing {
namespace {

TEST(LinkDeviceSteps, RunTheImageTheStudioHoldsWhenEachStepRuns) {
  SimBench b(zqvsim::Profile{4, FirmwareFor(4)});
  compiler::Studio studio;
  studio.doc.Setup.PlcModel = 4;
  // Made before the image exists.
  LinkDeviceSteps steps(*b.device, studio.doc.Setup, studio.build, b.folder.path);

  const Bytes image = b.Image(600);
  studio.build.RomSize = b.job.romSize;
  studio.build.CompileInfo = true;
  EXPECT_EQ(steps.Job().Image(), b.job.Image());
  EXPECT_EQ(steps.Job().romSize, 600);

  EXPECT_EQ(steps.DownloadProgram(), StepResult::Done);
  EXPECT_TRUE(b.ProgramEquals(image, image.size()));
  EXPECT_EQ(steps.VerifyChecksum(), StepResult::Done);
  unsigned sum = 0;
  for (int i = 0; i < 600; ++i) sum += image[static_cast<std::size_t>(i)];
  EXPECT_EQ(studio.build.RomSum, static_cast<std::int32_t>(sum & 0xFFFF));
  EXPECT_EQ(b.status.texts.back(), "Size : 258 Byte");

  const int keep = b.core.KeepArea().first;
  b.core.data()[static_cast<std::size_t>(keep)] = 0x77;
  EXPECT_EQ(steps.ClearKeepArea(), StepResult::Done);
  EXPECT_EQ(b.core.data()[static_cast<std::size_t>(keep)], 0x00);
  EXPECT_FALSE(b.core.running());
  EXPECT_EQ(steps.SendRun(), StepResult::Done);
  EXPECT_TRUE(b.core.running());
  EXPECT_TRUE(b.messages.shown.empty());
}

TEST(LinkDeviceSteps, FailuresEndInTheirMessages) {
  SimBench b(zqvsim::Profile{10, FirmwareFor(10)});
  compiler::Studio studio;
  studio.doc.Setup.PlcModel = 10;
  b.Image(200);
  studio.build.RomSize = b.job.romSize;
  studio.build.CompileInfo = true;
  LinkDeviceSteps steps(*b.device, studio.doc.Setup, studio.build, b.folder.path);

  b.core.AddFault(*zqvsim::ParseFault("A8 wrongsum", nullptr));
  ASSERT_EQ(steps.DownloadProgram(), StepResult::Done);
  EXPECT_EQ(steps.VerifyChecksum(), StepResult::Failed);
  EXPECT_EQ(b.Texts().back().rfind("Check Sum UnMatch Error !!!  PC : ", 0), 0u);

  b.core.AddFault(*zqvsim::ParseFault("A5 none", nullptr));
  EXPECT_EQ(steps.SendRun(), StepResult::Failed);

  // An image larger than the module's program memory: refused before the module is touched.
  b.Image(132 * 1024);
  studio.build.RomSize = b.job.romSize;
  b.Sent();
  EXPECT_EQ(steps.DownloadProgram(), StepResult::Failed);
  EXPECT_TRUE(b.Sent().empty());
  EXPECT_EQ(b.Texts().back(), "The program does not fit the module ! Image : 135170 Byte, Program memory : 131072 Byte !");

  studio.doc.Setup.PlcModel = 7;  // no such model: refused before the module is touched
  b.Sent();
  EXPECT_EQ(steps.DownloadProgram(), StepResult::Failed);
  EXPECT_TRUE(b.Sent().empty());
}

}  // namespace
}  // namespace plclink::testing
