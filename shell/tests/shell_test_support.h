#pragma once
// Helpers shared by the shell's tests and its window tests: a temporary folder, whole-file
// reads and writes, a small program file, the differences of two maps.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace shell_test {

struct TempDir {
  std::filesystem::path path;
  TempDir();
  ~TempDir();
  std::string operator/(const std::string& name) const { return (path / name).string(); }
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// Writes the program file dir/name, written by a studio of its own: a contact `text` in the
// first cell and the END box on the second row. Returns its path.
std::string MakeProgram(const TempDir& dir, const std::string& name, const std::string& text,
                        platform::MessageSink& sink);

// What differs between two maps, one line per key: "KEY: A -> B", "KEY: A -> (none)" or
// "KEY: (none) -> B". Empty when they are equal.
std::vector<std::string> Differences(const std::map<std::string, std::string>& a,
                                     const std::map<std::string, std::string>& b);

}  // namespace shell_test
