#include "platform/studio_folder.h"

#include <cstdlib>
#include <system_error>

namespace platform {

std::filesystem::path StudioFolder() {
  if (const char* dir = std::getenv("ZQVSTUDIO_DIR"); dir && *dir) return std::filesystem::path(dir);
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) return exe.parent_path();
  return std::filesystem::current_path(ec);
}

}  // namespace platform
