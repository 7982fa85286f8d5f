#pragma once
// The checksum after a download and the keep-area clear. The image sum and the size text
// come from link/hex_image.h.

#include "link/device_job.h"
#include "link/hex_image.h"
#include "link/device.h"

namespace plclink {

// Asks the module for the sum of its program and compares it with the image's. True on
// failure, after its message (the studio's polarity for device commands, which Auto's
// checksum step relies on). *romSum gets the image's sum when it was computed.
bool VerifyChecksum(Device& device, const DeviceJob& job, std::int32_t* romSum = nullptr);

// Tells the module to clear its keep area; failures end in a message.
void ClearKeepArea(Device& device, std::int32_t romSize);

}  // namespace plclink
