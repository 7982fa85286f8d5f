#include "link/build_command.h"

#include <unistd.h>

#include <system_error>

#include "compiler/macro_library.h"
#include "compiler/monitoring_refusal.h"
#include "compiler/options_header.h"
#include "compiler/program_file.h"
#include "compiler/translator.h"
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

void RemoveBuildOutputs(const std::filesystem::path& folder, int plcModel) {
  std::error_code ec;
  // Only a plain file can be an earlier build's output: a folder, a link or a device under
  // such a name is left alone (the build then fails on it, or reads and writes through it).
  for (const std::string& name : {std::string(kHexFileName), ListingName(plcModel), std::string(kUploadArchiveName)})
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(folder / name, ec)))
      std::filesystem::remove(folder / name, ec);
}

BatchStart RunBuildBatch(ProcessRunner* runner, const std::filesystem::path& folder, int plcModel,
                         std::string* output) {
  const std::string batch = BuildBatchName(plcModel);
  if (output) output->clear();
  RemoveBuildOutputs(folder, plcModel);
  // The shell starts even without a batch it can read: that counts as not started.
  std::error_code ec;
  const std::filesystem::path file = folder / batch;
  if (!runner || !std::filesystem::is_regular_file(file, ec) || access(file.c_str(), R_OK) != 0)
    return BatchStart::NotStarted;
  ExecResult ran = runner->Run({"/bin/sh", batch}, folder);
  if (output) *output = std::move(ran.output);
  return ran.started ? BatchStart::Started : BatchStart::NotStarted;
}

std::string BatchNotStartedText(int plcModel, bool korean) {
  return build_text::kBatchNotStarted.Pick(korean) + BuildBatchName(plcModel);
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
  std::string batchOutput;
  if (RunBuildBatch(job.runner, job.folder, model, &batchOutput) == BatchStart::NotStarted) {
    // The outputs of the last build are gone: nothing is left for Object Download.
    studio.build.CompileInfo = false;
    Show(studio, t::kCaptionError, BatchNotStartedText(model, korean));
    host.FocusBoard();
    return AutoOutcome::BatchNotStarted;
  }
  studio.build.CompileInfo = true;

  host.Save();
  host.PaintWhileWaiting();

  const ListingCheck listing = CheckCompileListing(job.folder, model, korean, studio.messages);
  if (listing.Failed()) {
    if (listing.outcome == ListingOutcome::ErrorAtCell)
      ReportErrorCell(studio.doc, host, studio.messages, listing.col, listing.row, listing.errorMessage);
    host.FocusBoard();
    return AutoOutcome::ListingError;
  }
  // A build that made no image says why in the lines its tools wrote (the linker's, as a
  // rule: the assembler's errors at a cell were shown by the listing scan).
  if (ReadHexFile(studio, job.folder, batchOutput)) {
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
