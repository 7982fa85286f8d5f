#pragma once
// The program download: erases the module's program and writes the download image into
// it, with the block framing of each model and firmware. Progress goes to the status
// panel ("Erasing...", "Downloading...") and the gauge.

#include "link/device_job.h"
#include "link/exec_cmd.h"
#include "link/link.h"

namespace plclink {

// True on failure, after its message. Refuses without an image, and for a model code
// other than 1, 2, 3, 4, 5 and 10, before the module is touched.
bool DownloadProgram(Link& link, const DeviceJob& job);

// The block-count word sent after the erase command for a model and image length.
int BlockCountWord(std::int16_t plcModel, std::int32_t romSize);

}  // namespace plclink
