#pragma once
// The Auto command: check, save, translate, write the generated includes, run the build
// batch in the studio's folder, scan the listing, read the HEX file into the download
// image, then download, check and start the program through the module's steps.

#include <filesystem>
#include <optional>
#include <string>

#include "compiler/studio_state.h"
#include "link/error_cell.h"
#include "link/exec_cmd.h"
#include "link/module_commands.h"
#include "platform/status_port.h"

namespace plclink {

// How a step of the module's part of Auto ended; a failed step has shown its message.
enum class [[nodiscard]] StepResult { Done, Failed };

// The module's part of Auto.
class DeviceSteps {
 public:
  virtual ~DeviceSteps() = default;
  virtual StepResult DownloadProgram() = 0;
  virtual StepResult VerifyChecksum() = 0;
  virtual StepResult ClearKeepArea() = 0;  // result not examined by Auto
  virtual StepResult SendRun() = 0;        // the run command; result not examined by Auto
};

// Batch file by model code: above 9 "ZQA3.BAT", 2 "ZQA2.BAT", else "ZQA.BAT".
std::string BuildBatchName(int plcModel);

// An output of an earlier build that stays in the folder: its name and why it could not be
// removed (an errno value).
struct KeptOutput {
  std::string name;
  int reason = 0;
};

// Removes the output files of a build (ZQOUT.HEX, the model's listing, UPFILE.ZIP) from
// `folder` before the batch runs, so that none of them is read from an earlier build; only
// plain files are removed (not folders, links or devices). The first plain file that cannot
// be removed (a folder of mode 555, another user's file in a sticky folder) is returned, and
// the build must not go on: what it read could be that earlier build's.
std::optional<KeptOutput> RemoveBuildOutputs(const std::filesystem::path& folder, int plcModel);

// How a run of the build batch ended. Only Succeeded made this program's image.
enum class BatchEnd {
  Succeeded,   // it ran and ended with exit status 0
  OutputKept,  // an earlier build's output could not be removed: the batch did not run
  NotStarted,  // the batch is missing or unreadable, there is no runner, or the shell did not start
  Failed,      // it ran and ended with another exit status
};

struct [[nodiscard]] BatchRun {
  BatchEnd end = BatchEnd::NotStarted;
  int exitStatus = -1;  // Succeeded and Failed: the batch's exit status (128 + a signal)
  std::string output;   // what the batch and its tools wrote (the runner's output)
  KeptOutput kept;      // OutputKept: the output that stays
};

// Removes the outputs of an earlier build, then runs the model's batch in `folder` with
// /bin/sh and waits for it. Auto and Erase both build through it; a run that did not
// succeed is told with BatchFailureMessage.
BatchRun RunBuildBatch(ProcessRunner* runner, const std::filesystem::path& folder, int plcModel);

// The message of a batch run that did not succeed: the output that stays, with its path and
// why; a batch that did not start; a failed batch that left no HEX file, as the HEX reader
// tells a missing one ("Assemble Code Error : ZQOUT.HEX"), else the batch's exit status. The
// lines the batch wrote stand under the message of a batch that ran.
platform::Message BatchFailureMessage(const BatchRun& run, const std::filesystem::path& folder, int plcModel,
                                      bool korean);

enum class AutoOutcome {
  RefusedMonitoring,
  NoEnd,
  NotStorable,  // the program file cannot hold the program (a cell's text too long)
  TranslationError,  // also a file error of the translator
  LibraryError,
  OutputKept,  // an earlier build's output could not be removed: no batch ran
  BatchNotStarted,
  BatchFailed,  // the batch ended with a non-zero exit status, no cell to lead to
  ListingError,
  ImageError,
  ImageReady,  // no module steps given: the road ends with the image
  DownloadError,
  ChecksumError,
  NotStarted,  // the user answered No to the run question
  Started,
};

// What an Auto that ended so does to the Monitor menu item: a downloaded program is
// stopped (off) until the run command starts it (on); before the download nothing changes.
MonitorItem MonitorItemAfter(AutoOutcome outcome);

// The window's side of Auto. Also the view that shows a failing cell.
class AutoHost : public ErrorCellView {
 public:
  virtual void Save() = 0;               // the user's Save command (may ask for a name)
  virtual void PaintWhileWaiting() = 0;  // one pass of pending window events, no user input
  virtual void FocusBoard() = 0;         // give the ladder view the input focus
};

// Auto without a window (tools, tests of the build road): no Save command, nothing to
// paint, focus or mark.
class HeadlessAutoHost : public AutoHost {
 public:
  void Save() override {}
  void PaintWhileWaiting() override {}
  void FocusBoard() override {}
  void ShowErrorCell() override {}
};

// What one Auto run works with besides the studio and the host.
struct AutoJob {
  std::filesystem::path folder;     // the studio's folder
  ProcessRunner* runner = nullptr;  // starts the build batch; null: it cannot start
  DeviceSteps* device = nullptr;    // null: stop once the image is ready
  bool monitorOn = false;
  bool askStart = false;  // AskStart = 1: ask before the run command
};

// Runs Auto. Every failure has been shown: a failing cell through the host, then its message.
// The caller carries out what the outcome means for the Monitor item (MonitorItemAfter).
AutoOutcome RunAuto(compiler::Studio& studio, AutoHost& host, const AutoJob& job);

// The module's part of Auto once the image is ready, as RunAuto runs it: download, checksum,
// keep-area clear (when the setup's option is on), the question "Do you want execution now ?"
// (when job.askStart), run. job.device must be set.
AutoOutcome RunAutoModuleSteps(compiler::Studio& studio, AutoHost& host, const AutoJob& job);

}  // namespace plclink
