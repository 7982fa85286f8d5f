#include "build_test_support.h"

#include <unistd.h>
#include <fstream>
#include <sstream>

namespace build_test {

std::filesystem::path FreshFolder(const std::string& tag) {
  static int serial = 0;
  auto dir = std::filesystem::temp_directory_path() /
             ("zqv-build-" + tag + "-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

StudioFixture::StudioFixture() : studio(std::make_unique<compiler::Studio>()), folder(FreshFolder("fx")) {
  studio->messages = &sink;
}

StudioFixture::~StudioFixture() {
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

}  // namespace build_test
