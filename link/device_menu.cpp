#include "link/device_menu.h"

#include <fstream>

#include "link/archive_extract.h"
#include "link/build_command.h"
#include "link/build_texts.h"
#include "link/checksum.h"
#include "link/download.h"
#include "link/readback.h"
#include "platform/file_write.h"

namespace plclink {

namespace {

Outcome Failed() { return {true, MonitorItem::Unchanged}; }

// Writes the one-line program " RET " into a file; false when it cannot be written.
bool WriteReturnOnly(const std::filesystem::path& file) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out << " RET \r\n";
  return static_cast<bool>(out.flush());
}

}  // namespace

Outcome VerifyCommand(Link& link, const DeviceJob& job, bool monitorOn) {
  if (RefuseWhileMonitoring(link, monitorOn)) return {};
  if (!job.compileInfo || job.romSize == 0) {
    link.Show(text::kCaptionStudioERROR, text::kNoCompileInfoVerify);
    return {};
  }
  if (CheckModuleModel(link, job.plcModel)) return {};
  if (VerifyProgram(link, job)) return Failed();
  return {false, MonitorItem::Disable};
}

void ClearKeepCommand(Link& link, const DeviceJob& job, bool monitorOn) {
  if (RefuseWhileMonitoring(link, monitorOn)) return;
  ClearKeepArea(link, job.romSize);
}

Outcome EraseCommand(Link& link, DeviceJob& job, const BuildHooks& hooks, bool monitorOn) {
  if (RefuseWhileMonitoring(link, monitorOn)) return {};
  if (job.plcModel <= 9) {
    std::fstream image(job.Image(), std::ios::in | std::ios::out | std::ios::binary);
    if (!image) image.open(job.Image(), std::ios::out | std::ios::binary);  // a first image
    if (!image) {
      link.Show(text::kCaptionStudioERROR, text::kImageOpenError);
      return {};
    }
    const char erased[4] = {'\xFF', '\xFF', '\xFF', '\xFF'};
    image.seekp(0);
    image.write(erased, 4);
    image.close();
    job.romSize = 4;
    job.compileInfo = true;
  } else {
    ClearMacroInclude(job.folder);
    if (!WriteReturnOnly(job.folder / "QSKLINC.$$$")) {
      link.Show(text::kCaptionStudioERROR, text::kQsklincOpenError);
      return {};
    }
    if (!WriteReturnOnly(job.folder / kBackupFileName)) {
      link.Show(text::kCaptionStudioERROR, std::string(text::kFileOpenErrorColon.en) + kBackupFileName);
      return {};
    }
    if (!RunBuildBatch(hooks.runner, job.folder, job.plcModel)) {
      job.compileInfo = false;
      link.Show(build_text::kCaptionError, BatchNotStartedText(job.plcModel, link.Korean()));
      return Failed();
    }
    job.compileInfo = true;
    if (!hooks.readHexFile || hooks.readHexFile(job)) return Failed();
  }
  bool failed = DownloadProgram(link, job);
  return {true, failed ? MonitorItem::Unchanged : MonitorItem::Disable};
}

Outcome ObjectDownloadCommand(Link& link, DeviceJob& job, const BuildHooks& hooks, bool monitorOn) {
  if (RefuseWhileMonitoring(link, monitorOn)) return {};
  if (!hooks.readHexFile || hooks.readHexFile(job)) return Failed();
  if (DownloadProgram(link, job)) return Failed();
  return {false, MonitorItem::Disable};
}

Outcome UploadCommand(Link& link, const DeviceJob& job, compiler::ShellState& shell, const UploadHooks& hooks,
                      bool monitorOn) {
  if (RefuseWhileMonitoring(link, monitorOn)) return {};
  if (!shell.SourceSaved) {
    auto answer = link.Ask(text::kCaptionQuestion, text::kAskSave.Pick(link.Korean()),
                           platform::MsgButtons::YesNoCancel, platform::MsgIcon::Warning);
    if (answer == platform::MsgResult::Cancel) return {};
    if (answer == platform::MsgResult::Yes) {
      if (shell.CurFilePath != "Untitled.qsl") {
        if (hooks.saveProgram) hooks.saveProgram();
      } else if (hooks.saveAs) {
        hooks.saveAs();
      }
    }
  }
  if (CheckModuleModel(link, job.plcModel)) return {};
  if (UploadSource(link, job.folder)) return {};
  if (link.Ask(text::kCaptionQuestion, text::kAskUpload.Pick(link.Korean()), platform::MsgButtons::YesNo,
               platform::MsgIcon::None) != platform::MsgResult::Yes)
    return {};
  std::string backup;
  switch (ExtractBackup(job.folder / kReadBackArchiveName, &backup)) {
    case ExtractResult::CannotRun:
      link.Show(text::kCaptionStudioERROR, text::kUnextract);
      return {};
    case ExtractResult::Unreadable:
      link.Show(text::kCaptionStudioERROR, text::kArchiveUnreadable.Pick(link.Korean()) + kReadBackArchiveName);
      return {};
    case ExtractResult::NoMember:
      link.Show(text::kCaptionStudioERROR, text::kNoBackup);
      return {};
    case ExtractResult::TooLarge:
      link.Show(text::kCaptionStudioERROR, text::kBackupTooLarge.Pick(link.Korean()) +
                                               std::to_string(kMaxBackupBytes) + text::kBytesSuffix.Pick(link.Korean()));
      return {};
    case ExtractResult::Ok:
      break;
  }
  const auto target = job.folder / kBackupFileName;
  if (!platform::WriteFileAtomically(target, backup)) {
    link.Show(text::kCaptionStudioERROR, text::kBackupWriteError.Pick(link.Korean()) + kBackupFileName);
    return {};
  }
  shell.CurFilePath = target.string();
  if (hooks.openProgram) hooks.openProgram(target);
  shell.CurFilePath = "Untitled.qsl";
  if (hooks.setCaption) hooks.setCaption("Korvane studio [ untitled.qsl ]");
  shell.SourceSaved = false;
  return {true, MonitorItem::Disable};
}

Outcome DownloadAndRun(Link& link, const DeviceJob& job, bool clearKeep, bool askStart) {
  if (DownloadProgram(link, job)) return Failed();
  // From here the module holds the new program, stopped.
  if (VerifyChecksum(link, job)) return {true, MonitorItem::Disable};
  if (clearKeep) ClearKeepArea(link, job.romSize);
  if (askStart && link.Ask(text::kCaptionQuestion, text::kAskRun.Pick(link.Korean()), platform::MsgButtons::YesNo,
                           platform::MsgIcon::None) != platform::MsgResult::Yes)
    return {false, MonitorItem::Disable};
  SendCommand(link, cmd::kRun);
  return {false, MonitorItem::Enable};
}

}  // namespace plclink
