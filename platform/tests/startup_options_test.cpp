#include "platform/startup_options.h"

#include <gtest/gtest.h>

#include <map>

namespace platform {
namespace {

StartupOptions Read(const std::map<std::string, std::string>& environment) {
  return ReadStartupOptions(
      [&environment](const std::string& name) -> std::optional<std::string> {
        auto it = environment.find(name);
        if (it == environment.end()) return std::nullopt;
        return it->second;
      },
      "/opt/zqv/bin");
}

TEST(StartupOptions, NothingSetGivesTheDefaults) {
  const StartupOptions o = Read({});
  EXPECT_EQ(o.studioFolder, "/opt/zqv/bin");
  EXPECT_EQ(o.profilePath, "./ZQVSTUDIO.INI");
  for (const std::string& device : o.portDevices) EXPECT_EQ(device, "");
  EXPECT_FALSE(o.baseWaitMs.has_value());
  EXPECT_EQ(o.scriptFile, "");
  EXPECT_FALSE(o.firstPaint);
}

TEST(StartupOptions, EachVariableSetsItsOption) {
  const StartupOptions o = Read({{"ZQVSTUDIO_DIR", "/srv/studio"},
                                 {"ZQVSTUDIO_INI", "/tmp/a.ini"},
                                 {"XDG_CONFIG_HOME", "/x"},
                                 {"HOME", "/home/u"},
                                 {"ZQV_PORT_DEV0", "/dev/pts/7"},
                                 {"ZQV_PORT_DEV3", "/dev/ttyUSB0"},
                                 {"ZQV_BASE_WAIT_MS", "250"},
                                 {"ZQVSTUDIO_SCRIPT", "/tmp/script.txt"},
                                 {"ZQVSTUDIO_FIRST_PAINT", "1"}});
  EXPECT_EQ(o.studioFolder, "/srv/studio");
  EXPECT_EQ(o.profilePath, "/tmp/a.ini");
  EXPECT_EQ(o.portDevices, (std::array<std::string, 4>{"/dev/pts/7", "", "", "/dev/ttyUSB0"}));
  EXPECT_EQ(o.baseWaitMs, 250);
  EXPECT_EQ(o.scriptFile, "/tmp/script.txt");
  EXPECT_TRUE(o.firstPaint);
}

TEST(StartupOptions, TheSettingsFileFallsBackFromXdgToHome) {
  EXPECT_EQ(Read({{"XDG_CONFIG_HOME", "/x"}, {"HOME", "/home/u"}}).profilePath, "/x/ZQVSTUDIO.INI");
  EXPECT_EQ(Read({{"HOME", "/home/u"}}).profilePath, "/home/u/.config/ZQVSTUDIO.INI");
  EXPECT_EQ(Read({{"ZQVSTUDIO_INI", ""}, {"XDG_CONFIG_HOME", ""}, {"HOME", "/home/u"}}).profilePath,
            "/home/u/.config/ZQVSTUDIO.INI");
  EXPECT_EQ(Read({{"HOME", ""}}).profilePath, "./ZQVSTUDIO.INI");
}

TEST(StartupOptions, EmptyValuesCountAsUnsetButTheFirstPaintFlag) {
  const StartupOptions o = Read({{"ZQVSTUDIO_DIR", ""},
                                 {"ZQV_PORT_DEV1", ""},
                                 {"ZQV_BASE_WAIT_MS", ""},
                                 {"ZQVSTUDIO_SCRIPT", ""},
                                 {"ZQVSTUDIO_FIRST_PAINT", ""}});
  EXPECT_EQ(o.studioFolder, "/opt/zqv/bin");
  EXPECT_EQ(o.portDevices[1], "");
  EXPECT_FALSE(o.baseWaitMs.has_value());
  EXPECT_EQ(o.scriptFile, "");
  EXPECT_TRUE(o.firstPaint);
}

TEST(StartupOptions, TheReplyWaitTakesOnlyAWholeNumberInRange) {
  auto wait = [](const char* text) { return Read({{"ZQV_BASE_WAIT_MS", text}}).baseWaitMs; };
  EXPECT_EQ(wait("1"), 1);
  EXPECT_EQ(wait("600000"), 600000);
  for (const char* refused : {"soon", "250ms", "0", "-5", "600001", "99999999999999999999"})
    EXPECT_FALSE(wait(refused).has_value()) << refused;
}

}  // namespace
}  // namespace platform
