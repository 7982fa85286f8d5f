#pragma once
// The studio's folder: the folder that holds the zqvstudio executable, where the
// runtime files lie and the generated files are written. ZQVSTUDIO_DIR overrides it.

#include <filesystem>

namespace platform {

std::filesystem::path StudioFolder();

}  // namespace platform
