#pragma once
// The checksum after a download, the keep-area clear, and the image sum and size they share.

#include "link/device_job.h"
#include "link/link.h"

namespace plclink {

// Asks the module for the sum of its program and compares it with the image's. True on
// failure, after its message. *romSum gets the image's sum when it was computed.
bool VerifyChecksum(Link& link, const DeviceJob& job, std::int32_t* romSum = nullptr);

// The 16-bit byte sum of the first romSize bytes of the image; true when the file is
// missing or cannot be read whole.
bool SumRomImage(const std::filesystem::path& image, std::int32_t romSize, std::int32_t* romSum);

// Status panel: "Size : " and the size in upper-case hex and " Byte".
void ShowProgramSize(Link& link, std::int32_t romSize);

// Tells the module to clear its keep area; failures end in a message.
void ClearKeepArea(Link& link, std::int32_t romSize);

}  // namespace plclink
