#pragma once
// Running an outside program and waiting for it (the build batch, the unzip command), and
// emptying the generated macro library.

#include <filesystem>
#include <string>
#include <vector>

namespace plclink {

struct ExecResult {
  bool started = false;  // false: the program could not be started
  int exitStatus = -1;   // its exit code, or 128 + the signal that ended it
};

// Runs argv[0] (searched in PATH when it has no "/") with the arguments, in `folder`, with
// the caller's environment, and waits for it to end. No shell is involved.
ExecResult ExecCmd(const std::vector<std::string>& argv, const std::filesystem::path& folder);

// The seam through which commands start programs; tests put a fake in its place.
class ProcessRunner {
 public:
  virtual ~ProcessRunner() = default;
  virtual ExecResult Run(const std::vector<std::string>& argv, const std::filesystem::path& folder) = 0;
};

class SpawnProcessRunner : public ProcessRunner {
 public:
  ExecResult Run(const std::vector<std::string>& argv, const std::filesystem::path& folder) override {
    return ExecCmd(argv, folder);
  }
};

// Empties ZQ3MAC.INC in `folder` (creates it empty when missing); errors are ignored.
void ClearMacroInclude(const std::filesystem::path& folder);

}  // namespace plclink
