#pragma once
// The module steps of Auto over the serial link: download, checksum, keep-area clear and
// the run command, for the image the build road has just read. What the steps need of the
// build (model, image length, whether an image exists) is taken from the document's setup
// and the build state when each step runs, so the object may be made before the HEX file is
// read.
//
//   plclink::LinkDeviceSteps steps(device, studio.doc.Setup, studio.build, folder);
//   job.device = &steps;
//   plclink::RunAuto(studio, host, job);

#include <filesystem>

#include "compiler/document.h"
#include "compiler/studio_state.h"
#include "link/build_command.h"
#include "link/device_job.h"
#include "link/device.h"

namespace plclink {

class LinkDeviceSteps : public DeviceSteps {
 public:
  // `folder` is the studio's folder, which holds the image ZQVREM.$$$.
  LinkDeviceSteps(Device& device, const compiler::PlcSetup& setup, compiler::BuildState& build,
                  std::filesystem::path folder);

  StepResult DownloadProgram() override;
  // Also stores the image's sum in the build state's RomSum when it was computed.
  StepResult VerifyChecksum() override;
  StepResult ClearKeepArea() override;  // failures end in their message; always Done
  StepResult SendRun() override;

  // The job as the steps see it now.
  DeviceJob Job() const;

 private:
  Device& device_;
  const compiler::PlcSetup& setup_;
  compiler::BuildState& build_;
  std::filesystem::path folder_;
};

}  // namespace plclink
