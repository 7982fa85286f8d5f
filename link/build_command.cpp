#include "link/build_command.h"

#include <unistd.h>

#include <system_error>

#include "compiler/macro_library.h"
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

void Call(const std::function<void()>& f) {
  if (f) f();
}

}  // namespace

std::string BuildBatchName(int plcModel) {
  if (plcModel > 9) return "ZQA3.BAT";
  if (plcModel == 2) return "ZQA2.BAT";
  return "ZQA.BAT";
}

void RemoveBuildOutputs(const std::filesystem::path& folder, int plcModel) {
  std::error_code ec;
  for (const std::string& name : {std::string(kHexFileName), ListingName(plcModel), std::string(kUploadArchiveName)})
    std::filesystem::remove(folder / name, ec);
}

bool RunBuildBatch(ProcessRunner* runner, const std::filesystem::path& folder, int plcModel) {
  const std::string batch = BuildBatchName(plcModel);
  RemoveBuildOutputs(folder, plcModel);
  // The shell starts even without a batch it can read: that counts as not started.
  std::error_code ec;
  const std::filesystem::path file = folder / batch;
  if (!runner || !std::filesystem::is_regular_file(file, ec) || access(file.c_str(), R_OK) != 0) return false;
  return runner->Run({"/bin/sh", batch}, folder).started;
}

std::string BatchNotStartedText(int plcModel, bool korean) {
  return build_text::kBatchNotStarted.Pick(korean) + BuildBatchName(plcModel);
}

AutoOutcome RunAuto(AutoSeams& seams) {
  namespace t = build_text;
  compiler::Studio& studio = *seams.studio;
  const bool korean = studio.shell.KoreanMenu;

  if (seams.monitorOn) {
    Show(studio, t::kCaptionMessage, t::kMonitoring.Pick(korean));
    return AutoOutcome::RefusedMonitoring;
  }
  if (studio.FindEndLine()) {
    Show(studio, t::kCaptionErrorUpper, t::kEndNotFound.Pick(korean));
    return AutoOutcome::NoEnd;
  }
  // The build uses the program in memory whatever becomes of the save.
  Call(seams.save);

  const compiler::CompileResult compiled = compiler::CompileLadder(studio, seams.folder, seams.showErrorCell);
  if (compiled.CompileErr != 0) {
    if (compiled.outcome == compiler::CompileOutcome::TranslationError) Call(seams.focusBoard);
    return AutoOutcome::TranslationError;
  }
  if (compiler::WriteMacroLib(studio, seams.folder)) return AutoOutcome::LibraryError;
  compiler::WriteCompileOptions(studio, seams.folder);
  // The archive the batch makes must hold this program, also when the save was cancelled.
  compiler::SaveBackup(studio, seams.folder);

  const int model = studio.doc.Setup.PlcModel;
  if (!RunBuildBatch(seams.runner, seams.folder, model)) {
    // The outputs of the last build are gone: nothing is left for Object Download.
    studio.build.CompileInfo = false;
    Show(studio, t::kCaptionError, BatchNotStartedText(model, korean));
    Call(seams.focusBoard);
    return AutoOutcome::BatchNotStarted;
  }
  studio.build.CompileInfo = true;

  Call(seams.save);
  Call(seams.processEvents);

  if (CheckCompileListing(studio, seams.folder, seams.showErrorCell) == 1) {
    Call(seams.focusBoard);
    return AutoOutcome::ListingError;
  }
  if (ReadHexFile(studio, seams.folder)) {
    Call(seams.focusBoard);
    return AutoOutcome::ImageError;
  }
  if (!seams.device) return AutoOutcome::ImageReady;
  if (seams.device->DownloadProgram() == StepResult::Failed) {
    Call(seams.focusBoard);
    return AutoOutcome::DownloadError;
  }
  // A freshly downloaded program is stopped: nothing to monitor until it runs.
  Call(seams.disableMonitor);
  if (seams.device->VerifyChecksum() == StepResult::Failed) {
    Call(seams.focusBoard);
    return AutoOutcome::ChecksumError;
  }
  if (studio.doc.Setup.ClearKeepFlag) (void)seams.device->ClearKeepArea();
  if (seams.askStart && studio.messages) {
    const platform::MsgResult answer = studio.messages->Show(
        {t::kCaptionAsk, t::kAskRun.Pick(korean), platform::MsgIcon::None, platform::MsgButtons::YesNo});
    if (answer != platform::MsgResult::Yes) return AutoOutcome::NotStarted;
  }
  (void)seams.device->SendRun();
  Call(seams.enableMonitor);
  return AutoOutcome::Started;
}

}  // namespace plclink
