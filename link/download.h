#pragma once
// The program download: erases the module's program and writes the download image into
// it, with the block framing of each model and firmware. Progress goes to the status
// panel ("Erasing...", "Downloading...") and the gauge.

#include "link/device_job.h"
#include "link/exec_cmd.h"
#include "link/device.h"

namespace plclink {

// True on failure, after its message (the studio's polarity for device commands, which the
// download steps of Auto, Erase and Object Download rely on). Begins with DownloadRefused.
bool DownloadProgram(Device& device, const DeviceJob& job);

// The download's checks before the module is touched (the link's DataEchoMode is set first,
// whatever follows): true, after its message, without an image, for a model code other than
// 1, 2, 3, 4, 5 and 10, and for an image larger than the model's program memory.
bool DownloadRefused(Device& device, const DeviceJob& job);

// The module's program memory in bytes: every model's processor is an ATmega128.
std::int32_t ProgramMemoryBytes(std::int16_t plcModel);

// The bytes the module stores of an image: the counted bytes and the two behind them (the
// archive length or the FF FF marker that the read-back looks for).
inline std::int32_t StoredImageBytes(std::int32_t romSize) { return romSize + 2; }

// The block-count word sent after the erase command for a model and image length.
int BlockCountWord(std::int16_t plcModel, std::int32_t romSize);

}  // namespace plclink
