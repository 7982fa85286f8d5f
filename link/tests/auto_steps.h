#pragma once
// Auto's module steps as the studio's Auto runs them (RunAutoModuleSteps over
// LinkDeviceSteps), for an image the test has written into the job's folder.
#include "compiler/studio_state.h"
#include "link/auto_device_steps.h"
#include "link/build_command.h"
#include "link/device_job.h"

namespace plclink::testing {

struct AutoStepsResult {
  AutoOutcome outcome;
  bool ladderTakesKeys;  // Auto gave the ladder the focus
  MonitorItem monitor;   // what Auto's outcome does to the Monitor item
};

inline AutoStepsResult RunAutoSteps(Device& device, const DeviceJob& job, platform::MessageSink& messages,
                                    bool clearKeep, bool askStart) {
  struct Host : HeadlessAutoHost {
    void FocusBoard() override { focused = true; }
    bool focused = false;
  } host;
  compiler::Studio studio;
  studio.messages = &messages;
  studio.doc.Setup.PlcModel = job.plcModel;
  studio.doc.Setup.ClearKeepFlag = clearKeep;
  studio.build.RomSize = job.romSize;
  studio.build.CompileInfo = job.compileInfo;
  LinkDeviceSteps steps(device, studio.doc.Setup, studio.build, job.folder);
  AutoJob autoJob;
  autoJob.folder = job.folder;
  autoJob.device = &steps;
  autoJob.askStart = askStart;
  const AutoOutcome outcome = RunAutoModuleSteps(studio, host, autoJob);
  return {outcome, host.focused, MonitorItemAfter(outcome)};
}

}  // namespace plclink::testing
