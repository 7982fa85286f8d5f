#pragma once
// Running an outside program and waiting for it (the build batch, the unzip command), and
// emptying the generated macro library.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace plclink {

// What a run keeps of what the program wrote.
inline constexpr std::size_t kKeptOutputBytes = 64 * 1024;

struct ExecResult {
  bool started = false;  // false: the program could not be started
  int exitStatus = -1;   // its exit code, or 128 + the signal that ended it
  std::string output;    // ExecOutput::Kept: the first kKeptOutputBytes it wrote
};

// Where the program's standard output and errors go.
enum class ExecOutput {
  Shared,  // to the caller's own (the terminal)
  // To a file of their own: the run's result keeps the first kKeptOutputBytes, and the
  // whole of it is then copied to the caller's standard error, where it went before.
  Kept,
};

// Runs argv[0] (searched in PATH when it has no "/") with the arguments, in `folder`, with
// the caller's environment, and waits for it to end. No shell is involved. whileWaiting, when
// given, is called on the caller's thread about every 20 ms while the program runs (the window
// repaints from it); the call still returns only once the program has ended.
ExecResult ExecCmd(const std::vector<std::string>& argv, const std::filesystem::path& folder,
                   const std::function<void()>& whileWaiting = {}, ExecOutput output = ExecOutput::Shared);

// How a captured run ended.
enum class CaptureEnd {
  Exited,      // exitStatus holds its exit code (or 128 + the signal that ended it)
  NotStarted,  // the program could not be started
  TimedOut,    // it ran longer than allowed and was killed
  TooMuch,     // it wrote more than allowed and was killed
};

struct CaptureResult {
  CaptureEnd end = CaptureEnd::NotStarted;
  int exitStatus = -1;
  std::string output;  // what it wrote to its standard output (at most the limit)
};

// Runs argv[0] (searched in PATH) with the arguments and takes its standard output. The
// program runs in a session of its own with no controlling terminal, its input from
// /dev/null and its errors discarded, so it can never ask the user anything. It and its
// children are killed when it runs longer than `limit` or writes more than `maxBytes`.
CaptureResult RunCaptured(const std::vector<std::string>& argv, std::size_t maxBytes, std::chrono::milliseconds limit);

// The seam through which commands start the build batch; tests put a fake in its place. The
// result's output holds what the batch and its tools wrote.
class ProcessRunner {
 public:
  virtual ~ProcessRunner() = default;
  virtual ExecResult Run(const std::vector<std::string>& argv, const std::filesystem::path& folder) = 0;
};

class SpawnProcessRunner : public ProcessRunner {
 public:
  SpawnProcessRunner() = default;
  explicit SpawnProcessRunner(std::function<void()> whileWaiting) : whileWaiting_(std::move(whileWaiting)) {}
  ExecResult Run(const std::vector<std::string>& argv, const std::filesystem::path& folder) override {
    return ExecCmd(argv, folder, whileWaiting_, ExecOutput::Kept);
  }

 private:
  std::function<void()> whileWaiting_;
};

// Empties ZQ3MAC.INC in `folder` (creates it empty when missing); errors are ignored.
void ClearMacroInclude(const std::filesystem::path& folder);

}  // namespace plclink
