#pragma once
// The device commands of the menu and toolbar as the window calls them: Verify, Clear
// Keep Area, Erase, Object Download and Upload; Auto's module steps are RunAutoModuleSteps
// over LinkDeviceSteps. Each takes the device (the link with its message sink, status port
// and language), what it needs of the studio, and the host of the services of other parts
// of the studio; it returns what the window does afterwards.

#include <filesystem>
#include <string>

#include "compiler/studio_state.h"
#include "link/build_command.h"
#include "link/device_job.h"
#include "link/exec_cmd.h"
#include "link/device.h"
#include "link/module_commands.h"

namespace plclink {

struct Outcome {
  // The ladder view takes the keyboard focus when the command has ended: after any failure
  // of Verify's read-back past its checks (the image file, the module's reply or the
  // comparison); after a failed HEX read or batch of Erase and Object Download, and a failed
  // download of Object Download past the download's own checks (DownloadRefused); after
  // every Erase that reached its download, whatever its result; after an Upload that opened
  // its program. Otherwise, refusals among them, the focus stays where it was.
  bool ladderTakesKeys = false;
  MonitorItem monitor = MonitorItem::Unchanged;
};

// The build road's image as the device commands read it.
class BuildHost {
 public:
  virtual ~BuildHost() = default;
  // Reads ZQOUT.HEX into the image in job.folder and sets job.romSize and job.compileInfo;
  // a failed read has shown its message, with job.batchOutput under it.
  virtual StepResult ReadHexFile(DeviceJob& job) = 0;
};

// Verify: refused while monitoring or without an image; checks the model, then compares.
Outcome VerifyCommand(Device& device, const DeviceJob& job, bool monitorOn);

// Clear Keep Area.
void ClearKeepCommand(Device& device, const DeviceJob& job, bool monitorOn);

// Erase: models up to 9 download a four-byte image of 0xFF; model 10 builds and downloads
// an empty program, after removing the outputs of an earlier build; an output that cannot be
// removed, a batch that cannot start or that ends with a non-zero status is reported and
// nothing is downloaded (job.compileInfo false). Otherwise leaves job.compileInfo true and
// job.romSize the erase image's. `runner` starts the build batch.
Outcome EraseCommand(Device& device, DeviceJob& job, BuildHost& build, ProcessRunner* runner, bool monitorOn);

// Object Download: the last build's image again (no checksum, no run).
Outcome ObjectDownloadCommand(Device& device, DeviceJob& job, BuildHost& build, bool monitorOn);

// The window's side of Upload.
class UploadHost {
 public:
  virtual ~UploadHost() = default;
  virtual void SaveProgram() = 0;  // SaveProgram of a titled program
  virtual void SaveAs() = 0;       // the Save As command
  // The program holds edits that no file has, those still on the PLC page included.
  virtual bool Unsaved() = 0;
  // Loads the program file at the path as the document with its companion files and redraws
  // the ladder (the device commands' wrapper gives it the focus, as the Outcome asks).
  virtual void OpenProgram(const std::filesystem::path& program) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
};

// Upload: reads the source archive out of the module into DNFILE.ZIP, takes the backup
// QSKLBK.$$$ out of it and opens it as a new, untitled, changed program. Unsaved edits are
// asked about first; after Yes, Upload goes on only when the save stored every edit
// (UploadHost::Unsaved, as New, Open and a recent file test it), and otherwise ends with the
// program and its edit as they were (a failed save has said why).
Outcome UploadCommand(Device& device, const DeviceJob& job, compiler::ShellState& shell, UploadHost& host,
                      bool monitorOn);

}  // namespace plclink
