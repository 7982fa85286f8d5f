#include "shell/tests/shell_test_support.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace shell_test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zqv-shell-XXXXXX").string();
  path = mkdtemp(pattern.data());
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace shell_test
