#include "platform/startup_options.h"

#include <cstdlib>
#include <system_error>

namespace platform {
namespace {

// The variable's value when it is set and not empty.
std::optional<std::string> NonEmpty(const EnvironmentLookup& environment, const std::string& name) {
  std::optional<std::string> value = environment(name);
  if (value && value->empty()) return std::nullopt;
  return value;
}

std::filesystem::path ProfilePathOf(const EnvironmentLookup& environment) {
  if (auto over = NonEmpty(environment, "ZQVSTUDIO_INI")) return *over;
  std::filesystem::path dir;
  if (auto xdg = NonEmpty(environment, "XDG_CONFIG_HOME")) {
    dir = *xdg;
  } else if (auto home = NonEmpty(environment, "HOME")) {
    dir = std::filesystem::path(*home) / ".config";
  } else {
    dir = ".";
  }
  return dir / "ZQVSTUDIO.INI";
}

std::optional<int> WaitOf(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  char* end = nullptr;
  const long ms = std::strtol(text->c_str(), &end, 10);
  if (end && *end == '\0' && ms > 0 && ms <= 600000) return static_cast<int>(ms);
  return std::nullopt;
}

}  // namespace

StartupOptions ReadStartupOptions(const EnvironmentLookup& environment, const std::filesystem::path& executableFolder) {
  StartupOptions options;
  const auto dir = NonEmpty(environment, "ZQVSTUDIO_DIR");
  options.studioFolder = dir ? std::filesystem::path(*dir) : executableFolder;
  options.profilePath = ProfilePathOf(environment);
  for (size_t i = 0; i < options.portDevices.size(); ++i)
    options.portDevices[i] = NonEmpty(environment, "ZQV_PORT_DEV" + std::to_string(i)).value_or("");
  options.baseWaitMs = WaitOf(NonEmpty(environment, "ZQV_BASE_WAIT_MS"));
  options.scriptFile = NonEmpty(environment, "ZQVSTUDIO_SCRIPT").value_or("");
  options.firstPaint = environment("ZQVSTUDIO_FIRST_PAINT").has_value();
  return options;
}

StartupOptions ReadProcessStartupOptions() {
  std::error_code ec;
  std::filesystem::path folder;
  if (auto exe = std::filesystem::read_symlink("/proc/self/exe", ec); !ec) {
    folder = exe.parent_path();
  } else {
    folder = std::filesystem::current_path(ec);
  }
  return ReadStartupOptions(
      [](const std::string& name) -> std::optional<std::string> {
        if (const char* value = std::getenv(name.c_str())) return std::string(value);
        return std::nullopt;
      },
      folder);
}

}  // namespace platform
