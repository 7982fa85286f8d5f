#include "link/build_command.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "compiler/macro_library.h"
#include "compiler/monitoring_refusal.h"
#include "compiler/options_header.h"
#include "compiler/program_file.h"
#include "compiler/translator.h"
#include "link/batch_output.h"
#include "link/build_texts.h"
#include "link/hex_image.h"
#include "link/listing_scan.h"

namespace plclink {
namespace {

void Show(compiler::Studio& studio, const char* caption, const std::string& text,
          platform::MsgIcon icon = platform::MsgIcon::Information) {
  if (studio.messages) studio.messages->Show({caption, text, icon});
}

}  // namespace

std::string BuildBatchName(int plcModel) {
  if (plcModel > 9) return "ZQA3.BAT";
  if (plcModel == 2) return "ZQA2.BAT";
  return "ZQA.BAT";
}

std::optional<KeptOutput> RemoveBuildOutputs(const std::filesystem::path& folder, int plcModel) {
  // Only a plain file can be an earlier build's output: a folder, a link or a device under
  // such a name is left alone (the build then fails on it, or reads and writes through it).
  for (const std::string& name : {std::string(kHexFileName), ListingName(plcModel), std::string(kUploadArchiveName)}) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(folder / name, ec))) continue;
    if (!std::filesystem::remove(folder / name, ec) && ec) return KeptOutput{name, ec.value()};
  }
  return std::nullopt;
}

BatchRun RunBuildBatch(ProcessRunner* runner, const std::filesystem::path& folder, int plcModel) {
  BatchRun run;
  if (std::optional<KeptOutput> kept = RemoveBuildOutputs(folder, plcModel)) {
    run.end = BatchEnd::OutputKept;
    run.kept = std::move(*kept);
    return run;
  }
  // The shell starts even without a batch it can read: that counts as not started.
  const std::string batch = BuildBatchName(plcModel);
  std::error_code ec;
  const std::filesystem::path file = folder / batch;
  if (!runner || !std::filesystem::is_regular_file(file, ec) || access(file.c_str(), R_OK) != 0) return run;
  ExecResult ran = runner->Run({"/bin/sh", batch}, folder);
  if (!ran.started) return run;
  run.end = ran.exitStatus == 0 ? BatchEnd::Succeeded : BatchEnd::Failed;
  run.exitStatus = ran.exitStatus;
  run.output = std::move(ran.output);
  return run;
}

platform::Message BatchFailureMessage(const BatchRun& run, const std::filesystem::path& folder, int plcModel,
                                      bool korean) {
  namespace t = build_text;
  const std::string batch = BuildBatchName(plcModel);
  switch (run.end) {
    case BatchEnd::OutputKept: {
      const bool denied = run.kept.reason == EACCES || run.kept.reason == EPERM;
      const std::string why = denied ? t::kNoRightToRemove.Pick(korean) : std::strerror(run.kept.reason);
      return {t::kCaptionError,
              t::kOutputNotRemoved.Pick(korean) + "(" + why + ") : " + (folder / run.kept.name).string() +
                  t::kNothingBuilt.Pick(korean),
              platform::MsgIcon::Information};
    }
    case BatchEnd::Failed: {
      std::error_code ec;
      if (!std::filesystem::exists(folder / kHexFileName, ec))
        return {t::kCaptionPlainError, WithBatchOutput(t::kAssembleCodeError.Pick(korean) + kHexFileName, run.output),
                platform::MsgIcon::Information};
      return {t::kCaptionError,
              WithBatchOutput(t::kBatchFailed.Pick(korean) + std::to_string(run.exitStatus) + ") : " + batch, run.output),
              platform::MsgIcon::Information};
    }
    case BatchEnd::NotStarted:
    case BatchEnd::Succeeded:
      break;
  }
  return {t::kCaptionError, t::kBatchNotStarted.Pick(korean) + batch, platform::MsgIcon::Information};
}

AutoOutcome RunAuto(compiler::Studio& studio, AutoHost& host, const AutoJob& job) {
  namespace t = build_text;
  const bool korean = studio.shell.KoreanMenu;

  if (compiler::RefuseWhileMonitoring(job.monitorOn, studio.messages, korean)) return AutoOutcome::RefusedMonitoring;
  if (studio.FindEndLine()) {
    Show(studio, t::kCaptionErrorUpper, t::kEndNotFound.Pick(korean));
    return AutoOutcome::NoEnd;
  }
  // A program its file cannot hold is neither saved nor built: the source archive would
  // pack the backup of an older program. Told once, with the cursor on the cell named.
  std::string bytes;
  if (compiler::SaveRefusal refusal; !compiler::EncodeProgramFile(studio.doc, bytes, &refusal)) {
    const platform::Message message{t::kCaptionError, korean ? refusal.korean : refusal.english,
                                    platform::MsgIcon::Information};
    if (const std::optional<compiler::CellPlace> cell = compiler::FirstUnstorableCell(studio.doc))
      ReportErrorCell(studio.doc, host, studio.messages, cell->col, cell->row, message);
    else if (studio.messages)
      studio.messages->Show(message);
    host.FocusBoard();
    return AutoOutcome::NotStorable;
  }
  // The build uses the program in memory whatever becomes of the save.
  host.Save();

  const compiler::CompileResult compiled = compiler::CompileLadder(studio, job.folder);
  if (compiled.CompileErr != 0) {
    if (compiled.outcome == compiler::CompileOutcome::TranslationError) {
      ReportErrorCell(studio.doc, host, studio.messages, compiled.ErrCol, compiled.ErrRow, compiled.errorMessage);
      host.FocusBoard();
    }
    return AutoOutcome::TranslationError;
  }
  if (compiler::WriteMacroLib(studio, job.folder)) return AutoOutcome::LibraryError;
  compiler::WriteCompileOptions(studio, job.folder);
  // The archive the batch makes must hold this program, also when the save was cancelled.
  compiler::SaveBackup(studio, job.folder);

  const int model = studio.doc.Setup.PlcModel;
  const BatchRun batch = RunBuildBatch(job.runner, job.folder, model);
  // Only a batch that ended well made this program's image; the outputs of the last build
  // are gone or not to be trusted, so nothing is left for Object Download or Verify.
  studio.build.CompileInfo = batch.end == BatchEnd::Succeeded;
  if (batch.end == BatchEnd::OutputKept || batch.end == BatchEnd::NotStarted) {
    if (studio.messages) studio.messages->Show(BatchFailureMessage(batch, job.folder, model, korean));
    host.FocusBoard();
    return batch.end == BatchEnd::OutputKept ? AutoOutcome::OutputKept : AutoOutcome::BatchNotStarted;
  }

  host.Save();
  host.PaintWhileWaiting();

  // An assembler error on a line made from a cell is the most precise news of a failed
  // build: the listing leads to the cell, whatever the batch's status. Of a failed batch
  // the listing says nothing else (a missing one is no news), and the batch's own message
  // follows instead, once.
  const bool failed = batch.end == BatchEnd::Failed;
  const ListingCheck listing = CheckCompileListing(job.folder, model, korean, failed ? nullptr : studio.messages);
  if (listing.outcome == ListingOutcome::ErrorAtCell) {
    ReportErrorCell(studio.doc, host, studio.messages, listing.col, listing.row, listing.errorMessage);
    host.FocusBoard();
    return AutoOutcome::ListingError;
  }
  if (failed) {
    if (studio.messages) studio.messages->Show(BatchFailureMessage(batch, job.folder, model, korean));
    host.FocusBoard();
    return AutoOutcome::BatchFailed;
  }
  if (listing.Failed()) {
    host.FocusBoard();
    return AutoOutcome::ListingError;
  }
  // A batch that ended well but made no usable image (one that does not pass on its tools'
  // status) is told by the HEX reader, with the lines the batch wrote under the message.
  if (ReadHexFile(studio, job.folder, batch.output)) {
    host.FocusBoard();
    return AutoOutcome::ImageError;
  }
  if (!job.device) return AutoOutcome::ImageReady;
  return RunAutoModuleSteps(studio, host, job);
}

AutoOutcome RunAutoModuleSteps(compiler::Studio& studio, AutoHost& host, const AutoJob& job) {
  namespace t = build_text;
  const bool korean = studio.shell.KoreanMenu;
  if (job.device->DownloadProgram() == StepResult::Failed) {
    host.FocusBoard();
    return AutoOutcome::DownloadError;
  }
  if (job.device->VerifyChecksum() == StepResult::Failed) {
    host.FocusBoard();
    return AutoOutcome::ChecksumError;
  }
  if (studio.doc.Setup.ClearKeepFlag) (void)job.device->ClearKeepArea();
  if (job.askStart && studio.messages) {
    const platform::MsgResult answer = studio.messages->Show(
        {t::kCaptionAsk, t::kAskRun.Pick(korean), platform::MsgIcon::None, platform::MsgButtons::YesNo});
    if (answer != platform::MsgResult::Yes) return AutoOutcome::NotStarted;
  }
  (void)job.device->SendRun();
  return AutoOutcome::Started;
}

MonitorItem MonitorItemAfter(AutoOutcome outcome) {
  switch (outcome) {
    case AutoOutcome::ChecksumError:
    case AutoOutcome::NotStarted:
      return MonitorItem::Disable;  // a freshly downloaded program is stopped
    case AutoOutcome::Started:
      return MonitorItem::Enable;
    default:
      return MonitorItem::Unchanged;
  }
}

}  // namespace plclink
