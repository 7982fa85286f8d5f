#pragma once
// Helpers shared by the shell's tests: a temporary folder and whole-file reads and writes.

#include <filesystem>
#include <string>

namespace shell_test {

struct TempDir {
  std::filesystem::path path;
  TempDir();
  ~TempDir();
  std::string operator/(const std::string& name) const { return (path / name).string(); }
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace shell_test
