#include "link/auto_device_steps.h"

#include <utility>

#include "link/checksum.h"
#include "link/download.h"
#include "link/module_commands.h"

namespace plclink {

LinkDeviceSteps::LinkDeviceSteps(Device& device, const compiler::PlcSetup& setup, compiler::BuildState& build,
                                 std::filesystem::path folder)
    : device_(device), setup_(setup), build_(build), folder_(std::move(folder)) {}

DeviceJob LinkDeviceSteps::Job() const {
  DeviceJob job;
  job.folder = folder_;
  job.plcModel = setup_.PlcModel;
  job.romSize = build_.RomSize;
  job.compileInfo = build_.CompileInfo;
  return job;
}

namespace {

StepResult Step(bool failed) { return failed ? StepResult::Failed : StepResult::Done; }

}  // namespace

StepResult LinkDeviceSteps::DownloadProgram() { return Step(plclink::DownloadProgram(device_, Job())); }

StepResult LinkDeviceSteps::VerifyChecksum() {
  std::int32_t sum = build_.RomSum;
  const bool failed = plclink::VerifyChecksum(device_, Job(), &sum);
  build_.RomSum = sum;
  return Step(failed);
}

StepResult LinkDeviceSteps::ClearKeepArea() {
  plclink::ClearKeepArea(device_, build_.RomSize);
  return StepResult::Done;
}

StepResult LinkDeviceSteps::SendRun() { return Step(SendCommand(device_, cmd::kRun)); }

}  // namespace plclink
