#pragma once
// Reading the module's program memory back (command 0xA2): the byte-by-byte verify of
// the download image and the read-back of the source archive stored behind the program.

#include "link/device_job.h"
#include "link/device.h"

namespace plclink {

inline constexpr const char* kReadBackArchiveName = "DNFILE.ZIP";

// Compares the module's program with the first romSize bytes of the image. True on
// failure or mismatch, after its message (the studio's polarity for device commands, which
// Verify is written against).
bool VerifyProgram(Device& device, const DeviceJob& job);

// Reads the source archive out of the module into DNFILE.ZIP in the folder (replaced only
// when the whole archive has arrived). True on failure, after its message (the same
// polarity, which Upload is written against).
bool UploadSource(Device& device, const std::filesystem::path& folder);

}  // namespace plclink
