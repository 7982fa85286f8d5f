#pragma once
// What the device commands need to know about the last build: the folder that holds the
// download image ZQVREM.$$$ (the studio's folder), the configured model, the image's
// length and whether an image has been prepared since the program was loaded.

#include <cstdint>
#include <filesystem>
#include <string>

namespace plclink {

struct DeviceJob {
  std::filesystem::path folder;
  std::int16_t plcModel = 10;
  std::int32_t romSize = 0;  // image bytes transferred, summed and compared
  bool compileInfo = false;  // an image exists
  std::string batchOutput;   // what the build batch this command ran wrote
  std::filesystem::path Image() const { return folder / "ZQVREM.$$$"; }
};

}  // namespace plclink
