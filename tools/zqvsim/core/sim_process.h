#pragma once
// Runs the zqvsim program for tests: starts it on a fresh pseudo-terminal with a control
// socket in a temporary folder, reads the device path it prints, sends control lines and
// stops it. The program is looked up in ZQV_BIN_DIR.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace zqvsim {

class SimProcess {
 public:
  SimProcess() = default;
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Starts zqvsim with the extra arguments; false (with *error) when it does not come up.
  bool Start(const std::vector<std::string>& args, std::string* error);
  // Sends one control line and returns the reply line ("" when the program is gone).
  std::string Control(const std::string& line);
  // Asks the program to quit and waits for it (killed when it does not end in time).
  void Stop();
  // Kills the program at once, as a module that loses its power.
  void Kill();
  // Whether the program is still running.
  bool Running();

  const std::string& device() const { return device_; }
  const std::filesystem::path& folder() const { return folder_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int control_ = -1;
  std::string device_;
  std::filesystem::path folder_;
};

}  // namespace zqvsim
