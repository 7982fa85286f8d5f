#pragma once
// The Auto command: check, save, translate, write the generated includes, run the build
// batch in the studio's folder, scan the listing, read the HEX file into the download
// image, then download, check and start the program through the module's steps.

#include <filesystem>
#include <functional>
#include <string>

#include "compiler/studio_state.h"
#include "link/exec_cmd.h"
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

// Output files of a build, removed before the batch runs so that none of them is read
// from an earlier build.
void RemoveBuildOutputs(const std::filesystem::path& folder, int plcModel);

// Removes the outputs of an earlier build, then runs the model's batch in `folder` with
// /bin/sh and waits for it. False when the batch cannot be started: it is missing or
// unreadable, there is no runner, or the shell does not start. Auto and Erase both build
// through it; the caller shows BatchNotStartedText.
[[nodiscard]] bool RunBuildBatch(ProcessRunner* runner, const std::filesystem::path& folder, int plcModel);
std::string BatchNotStartedText(int plcModel, bool korean);

enum class AutoOutcome {
  RefusedMonitoring,
  NoEnd,
  TranslationError,  // also a file error of the translator
  LibraryError,
  BatchNotStarted,
  ListingError,
  ImageError,
  ImageReady,  // no module steps given: the road ends with the image
  DownloadError,
  ChecksumError,
  NotStarted,  // the user answered No to the run question
  Started,
};

struct AutoSeams {
  compiler::Studio* studio = nullptr;
  std::filesystem::path folder;  // the studio's folder
  ProcessRunner* runner = nullptr;
  DeviceSteps* device = nullptr;        // null: stop once the image is ready
  std::function<void()> save;           // the user's Save command (may ask for a name)
  std::function<void()> processEvents;  // one pass of pending window events
  std::function<void()> focusBoard;     // give the ladder view the input focus
  // The cursor is on the cell a translation or assembly failed at: show it marked "ERROR",
  // scrolled to TopRow, with the keyboard (before the error's message).
  std::function<void()> showErrorCell;
  std::function<void()> enableMonitor;   // enable the Monitor menu item
  std::function<void()> disableMonitor;  // disable it (a program was downloaded)
  bool monitorOn = false;
  bool askStart = false;  // AskStart = 1: ask before the run command
};

// Runs Auto. Every failure has been shown where it arose.
AutoOutcome RunAuto(AutoSeams& seams);

}  // namespace plclink
