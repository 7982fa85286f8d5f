#include "link/build_command.h"

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
  const std::string batch = BuildBatchName(model);
  RemoveBuildOutputs(seams.folder, model);
  // The shell starts even without the batch: a missing batch counts as not started.
  std::error_code ec;
  ExecResult ran;
  if (seams.runner && std::filesystem::is_regular_file(seams.folder / batch, ec))
    ran = seams.runner->Run({"/bin/sh", batch}, seams.folder);
  if (!ran.started) {
    Show(studio, t::kCaptionError, t::kBatchNotStarted.Pick(korean) + batch);
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
  if (seams.device->DownloadProgram()) {
    Call(seams.focusBoard);
    return AutoOutcome::DownloadError;
  }
  // A freshly downloaded program is stopped: nothing to monitor until it runs.
  Call(seams.disableMonitor);
  if (seams.device->VerifyChecksum()) {
    Call(seams.focusBoard);
    return AutoOutcome::ChecksumError;
  }
  if (studio.doc.Setup.ClearKeepFlag) seams.device->ClearKeepArea();
  if (seams.askStart && studio.messages) {
    const platform::MsgResult answer = studio.messages->Show(
        {t::kCaptionAsk, t::kAskRun.Pick(korean), platform::MsgIcon::None, platform::MsgButtons::YesNo});
    if (answer != platform::MsgResult::Yes) return AutoOutcome::NotStarted;
  }
  seams.device->SendRun();
  Call(seams.enableMonitor);
  return AutoOutcome::Started;
}

}  // namespace plclink
