#include "shell/tests/shell_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "compiler/program_file.h"
#include "compiler/studio_state.h"

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

std::string MakeProgram(const TempDir& dir, const std::string& name, const std::string& text,
                        platform::MessageSink& sink) {
  auto other = std::make_unique<compiler::Studio>();
  other->messages = &sink;
  other->doc.CellType[0][0] = compiler::kContactNO;
  other->doc.CellText[0][0] = text;
  other->doc.CellType[9][1] = compiler::kBox;
  other->doc.CellText[9][1] = "END";
  other->shell.CurFilePath = dir / name;
  EXPECT_FALSE(compiler::WriteProgramFile(*other));
  return dir / name;
}

std::vector<std::string> Differences(const std::map<std::string, std::string>& a,
                                     const std::map<std::string, std::string>& b) {
  std::vector<std::string> lines;
  for (const auto& [key, value] : a) {
    auto it = b.find(key);
    if (it == b.end())
      lines.push_back(key + ": " + value + " -> (none)");
    else if (it->second != value)
      lines.push_back(key + ": " + value + " -> " + it->second);
  }
  for (const auto& [key, value] : b)
    if (!a.count(key)) lines.push_back(key + ": (none) -> " + value);
  return lines;
}

}  // namespace shell_test
