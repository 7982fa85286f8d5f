#pragma once
// The studio's start-up options: read once when the program starts and handed to what uses
// them; no other code of the studio reads these variables.
//
//   ZQVSTUDIO_DIR          the studio's folder (runtime files, generated files); else the
//                          folder of the executable
//   ZQVSTUDIO_INI          the settings file; else $XDG_CONFIG_HOME/ZQVSTUDIO.INI, else
//                          $HOME/.config/ZQVSTUDIO.INI, else ./ZQVSTUDIO.INI
//   ZQV_PORT_DEV0..3       the device of port choice 0..3, over the settings file's
//   ZQV_BASE_WAIT_MS       the link's plain reply wait in ms (1..600000; other text is ignored)
//   ZQVSTUDIO_SCRIPT       a list of actions to play on the window after start-up
//   ZQVSTUDIO_FIRST_PAINT  set (even empty): report the first paint and end
//
// An empty value counts as unset, except for ZQVSTUDIO_FIRST_PAINT.

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace platform {

struct StartupOptions {
  std::filesystem::path studioFolder;
  std::filesystem::path profilePath;
  std::array<std::string, 4> portDevices;  // empty: the settings file decides
  std::optional<int> baseWaitMs;
  std::filesystem::path scriptFile;  // empty: no script
  bool firstPaint = false;
};

// The value of an environment variable; nullopt when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;

// Reads the options from `environment`; `executableFolder` is the studio's folder when
// ZQVSTUDIO_DIR gives none.
StartupOptions ReadStartupOptions(const EnvironmentLookup& environment, const std::filesystem::path& executableFolder);

// The options of this process: its environment and the folder of its executable.
StartupOptions ReadProcessStartupOptions();

}  // namespace platform
