#include "link/auto_device_steps.h"

#include <utility>

#include "link/checksum.h"
#include "link/download.h"
#include "link/module_commands.h"

namespace plclink {

LinkDeviceSteps::LinkDeviceSteps(Device& device, compiler::Studio& studio, std::filesystem::path folder)
    : device_(device), studio_(studio), folder_(std::move(folder)) {}

DeviceJob LinkDeviceSteps::Job() const {
  DeviceJob job;
  job.folder = folder_;
  job.plcModel = studio_.doc.Setup.PlcModel;
  job.romSize = studio_.build.RomSize;
  job.compileInfo = studio_.build.CompileInfo;
  return job;
}

namespace {

StepResult Step(bool failed) { return failed ? StepResult::Failed : StepResult::Done; }

}  // namespace

StepResult LinkDeviceSteps::DownloadProgram() { return Step(plclink::DownloadProgram(device_, Job())); }

StepResult LinkDeviceSteps::VerifyChecksum() {
  std::int32_t sum = studio_.build.RomSum;
  const bool failed = plclink::VerifyChecksum(device_, Job(), &sum);
  studio_.build.RomSum = sum;
  return Step(failed);
}

StepResult LinkDeviceSteps::ClearKeepArea() {
  plclink::ClearKeepArea(device_, studio_.build.RomSize);
  return StepResult::Done;
}

StepResult LinkDeviceSteps::SendRun() { return Step(SendCommand(device_, cmd::kRun)); }

}  // namespace plclink
