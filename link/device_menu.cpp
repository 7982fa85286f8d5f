#include "link/device_menu.h"

#include "link/archive_extract.h"
#include "link/build_command.h"
#include "link/build_texts.h"
#include "link/checksum.h"
#include "link/download.h"
#include "link/hex_image.h"
#include "link/readback.h"
#include "platform/file_write.h"

namespace plclink {

namespace {

// The command ends with the keyboard back on the ladder view.
Outcome BackToLadder(MonitorItem monitor = MonitorItem::Unchanged) {
  return {.ladderTakesKeys = true, .monitor = monitor};
}

// Writes the one-line program " RET " into a file (made again by the next erase or build);
// false when it cannot be written, and then the file keeps what it held.
bool WriteReturnOnly(const std::filesystem::path& file) { return platform::WriteBuildFile(file, " RET \r\n"); }

}  // namespace

Outcome VerifyCommand(Device& device, const DeviceJob& job, bool monitorOn) {
  if (RefuseWhileMonitoring(device, monitorOn)) return {};
  if (!job.compileInfo || job.romSize == 0) {
    device.Show(text::kCaptionStudioERROR, text::kNoCompileInfoVerify);
    return {};
  }
  if (CheckModuleModel(device, job.plcModel)) return {};
  if (VerifyProgram(device, job)) return BackToLadder();
  return {.monitor = MonitorItem::Disable};
}

void ClearKeepCommand(Device& device, const DeviceJob& job, bool monitorOn) {
  if (RefuseWhileMonitoring(device, monitorOn)) return;
  ClearKeepArea(device, job.romSize);
}

Outcome EraseCommand(Device& device, DeviceJob& job, BuildHost& build, ProcessRunner* runner, bool monitorOn) {
  if (RefuseWhileMonitoring(device, monitorOn)) return {};
  if (job.plcModel <= 9) {
    // Four erased bytes and the no-source marker replace the whole file, so that nothing of
    // an earlier, longer image is downloaded behind them.
    std::int32_t romSize = 0;
    const std::string erased = MakeRomImage(std::vector<std::uint8_t>(4, 0xFF), nullptr, romSize);
    if (!platform::WriteFileAtomically(job.Image(), erased)) {
      device.Show(text::kCaptionStudioERROR, text::kImageOpenError);
      return {};
    }
    job.romSize = romSize;
    job.compileInfo = true;
  } else {
    ClearMacroInclude(job.folder);
    if (!WriteReturnOnly(job.folder / "QSKLINC.$$$")) {
      device.Show(text::kCaptionStudioERROR, text::kQsklincOpenError);
      return {};
    }
    if (!WriteReturnOnly(job.folder / kBackupFileName)) {
      device.Show(text::kCaptionStudioERROR, std::string(text::kFileOpenErrorColon.en) + kBackupFileName);
      return {};
    }
    const BatchRun batch = RunBuildBatch(runner, job.folder, job.plcModel);
    job.batchOutput = batch.output;
    // Only a batch that ended well made the empty program's image.
    job.compileInfo = batch.end == BatchEnd::Succeeded;
    if (!job.compileInfo) {
      const platform::Message failure = BatchFailureMessage(batch, job.folder, job.plcModel, device.Korean());
      device.Show(failure.caption.c_str(), failure.text);
      return BackToLadder();
    }
    if (build.ReadHexFile(job) == StepResult::Failed) return BackToLadder();
  }
  // Whatever the download's result, the user goes back to the ladder.
  const bool failed = DownloadProgram(device, job);
  return BackToLadder(failed ? MonitorItem::Unchanged : MonitorItem::Disable);
}

Outcome ObjectDownloadCommand(Device& device, DeviceJob& job, BuildHost& build, bool monitorOn) {
  if (RefuseWhileMonitoring(device, monitorOn)) return {};
  if (build.ReadHexFile(job) == StepResult::Failed) return BackToLadder();
  // Refused before the module is touched (no image of a build, an unknown model, an image too
  // large): the keys stay where they were, as after Verify's refusal.
  if (DownloadRefused(device, job)) return {};
  if (DownloadProgram(device, job)) return BackToLadder();
  return {.monitor = MonitorItem::Disable};
}

Outcome UploadCommand(Device& device, const DeviceJob& job, compiler::ShellState& shell, UploadHost& host,
                      bool monitorOn) {
  if (RefuseWhileMonitoring(device, monitorOn)) return {};
  if (host.Unsaved()) {
    auto answer = device.Ask(text::kCaptionQuestion, text::kAskSave.Pick(device.Korean()),
                           platform::MsgButtons::YesNoCancel, platform::MsgIcon::Warning);
    if (answer == platform::MsgResult::Cancel) return {};
    if (answer == platform::MsgResult::Yes) {
      if (shell.CurFilePath != "Untitled.qsl")
        host.SaveProgram();
      else
        host.SaveAs();
      // The uploaded program replaces this one: only once every edit is in its file.
      if (host.Unsaved()) return {};
    }
  }
  if (CheckModuleModel(device, job.plcModel)) return {};
  if (UploadSource(device, job.folder)) return {};
  if (device.Ask(text::kCaptionQuestion, text::kAskUpload.Pick(device.Korean()), platform::MsgButtons::YesNo,
               platform::MsgIcon::None) != platform::MsgResult::Yes)
    return {};
  std::string backup;
  switch (ExtractBackup(job.folder / kReadBackArchiveName, &backup)) {
    case ExtractResult::CannotRun:
      device.Show(text::kCaptionStudioERROR, text::kUnextract);
      return {};
    case ExtractResult::Unreadable:
      device.Show(text::kCaptionStudioERROR, text::kArchiveUnreadable.Pick(device.Korean()) + kReadBackArchiveName);
      return {};
    case ExtractResult::NoMember:
      device.Show(text::kCaptionStudioERROR, text::kNoBackup);
      return {};
    case ExtractResult::TooLarge:
      device.Show(text::kCaptionStudioERROR, text::kBackupTooLarge.Pick(device.Korean()) +
                                               std::to_string(kMaxBackupBytes) + text::kBytesSuffix.Pick(device.Korean()));
      return {};
    case ExtractResult::Ok:
      break;
  }
  const auto target = job.folder / kBackupFileName;
  if (!platform::WriteFileAtomically(target, backup)) {
    device.Show(text::kCaptionStudioERROR, text::kBackupWriteError.Pick(device.Korean()) + kBackupFileName);
    return {};
  }
  host.OpenProgram(target);
  shell.CurFilePath = "Untitled.qsl";
  host.SetCaption("Korvane studio [ untitled.qsl ]");
  shell.SourceSaved = false;
  return BackToLadder(MonitorItem::Disable);
}

}  // namespace plclink
