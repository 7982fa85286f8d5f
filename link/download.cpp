#include "link/download.h"

#include <algorithm>
#include <string>
#include <vector>

#include "link/module_commands.h"
#include "platform/file_read.h"

namespace plclink {

namespace {

bool KnownModel(std::int16_t m) { return (m >= 1 && m <= 5) || m == 10; }

// Reads the image bytes the blocks are cut from: the counted length and the two bytes behind
// it, the archive length (or the 0xFF 0xFF marker) that the module needs. Shows the message
// when the file is not there or cannot be read (a FIFO or a device of that name is refused at
// once).
bool ReadImageFile(Device& device, const std::filesystem::path& image, std::int32_t romSize, std::string& bytes) {
  std::error_code ec;
  const std::string name = image.filename().string();
  if (!std::filesystem::exists(image, ec)) {
    device.Show(text::kCaptionStudioError, text::kFileNotFound.Pick(device.Korean()) + name);
    return false;
  }
  if (!platform::ReadFileStart(image, bytes, static_cast<std::size_t>(std::max<std::int32_t>(romSize, 0)) + 2)) {
    device.Show(text::kCaptionStudioError, text::kOpenError.Pick(device.Korean()) + name);
    return false;
  }
  return true;
}

// `total` bytes to send: the image's, then erased bytes. Anything of the file further on (an
// earlier, longer image) was never read.
std::vector<std::uint8_t> ImageBlocks(const std::string& image, std::size_t total) {
  std::vector<std::uint8_t> bytes(total, 0xFF);
  std::copy_n(image.begin(), std::min(total, image.size()), bytes.begin());
  return bytes;
}

class Gauge {
 public:
  Gauge(platform::StatusPort& status, int maximum) : status_(status), max_(maximum) { status_.SetGauge(0, max_); }
  void Step() {
    p_ += 0.25;
    int v = std::min(static_cast<int>(p_), max_);
    if (v != shown_) {
      shown_ = v;
      status_.SetGauge(v, max_);
    }
  }

 private:
  platform::StatusPort& status_;
  int max_;
  double p_ = 0;
  int shown_ = 0;
};

}  // namespace

std::int32_t ProgramMemoryBytes(std::int16_t) { return 128 * 1024; }

int BlockCountWord(std::int16_t plcModel, std::int32_t romSize) {
  if (plcModel == 1 || plcModel == 3 || plcModel == 5) return romSize / 256 + 1;
  if (plcModel == 2) return romSize / 2;
  return romSize / 128 + 1;
}

bool DownloadRefused(Device& device, const DeviceJob& job) {
  device.Wire().SetDataEchoMode(true);
  if (!job.compileInfo || job.romSize == 0) {
    device.Show(text::kCaptionStudioError, text::kNoCompileInfo);
    return true;
  }
  if (!KnownModel(job.plcModel)) {
    device.Show(text::kCaptionStudioError, text::kUnknownModel.Pick(device.Korean()) + std::to_string(job.plcModel));
    return true;
  }
  const std::int32_t memory = ProgramMemoryBytes(job.plcModel);
  if (StoredImageBytes(job.romSize) > memory) {
    const bool ko = device.Korean();
    device.Show(text::kCaptionStudioError, text::kImageTooLarge.Pick(ko) + std::to_string(StoredImageBytes(job.romSize)) +
                                             text::kImageTooLargeMemory.Pick(ko) + std::to_string(memory) +
                                             text::kBytesSuffix.Pick(ko));
    return true;
  }
  return false;
}

bool DownloadProgram(Device& device, const DeviceJob& job) {
  Link& link = device.Wire();
  auto& status = device.Status();
  if (DownloadRefused(device, job)) return true;
  ClearMacroInclude(job.folder);
  if (device.OpenPort()) return true;
  if (CheckModuleModel(device, job.plcModel)) return true;
  const int v = link.GetModuleVersion();
  if (v == -1) {
    device.Show(text::kCaptionStudioError, text::kModuleNotFound);
    return true;
  }
  // The module is erased below: make sure there is an image to write first.
  std::string imageFile;
  if (!ReadImageFile(device, job.Image(), job.romSize, imageFile)) return true;

  link.Flush();
  status.SetStatusText(text::kStatusErasing);
  auto fail = [&](const Twin& message) {
    device.Show(text::kCaptionError, message);
    status.SetGauge(0, 0);
    status.SetStatusText("");
    return true;
  };
  const bool extra = link.ExtraAckByte();
  if (link.SendByteWait(cmd::kDownload, extra ? 3 : 2)) return fail(text::kTimeOut);
  if (link.Reply(0) != cmd::kDownload || link.Reply(1) != cmd::kDownload) return fail(text::kIncorrectOut);
  const int count = BlockCountWord(job.plcModel, job.romSize);
  link.SendWord(count);
  if (link.WaitReplyLong(extra ? 5 : 3, 500)) return fail(text::kTimeOut);
  const int erase = link.Reply(extra ? 4 : 2);
  if (erase == 0xBB) return fail(text::kWritingFail);
  if (erase != 0xA2) return fail(text::kIncorrectOut);

  Gauge gauge(status, job.romSize / 4 + 100);
  status.SetStatusText(text::kStatusDownloading);
  link.Flush();

  const int m = job.plcModel;
  if (m == 2) {
    auto image = ImageBlocks(imageFile, static_cast<std::size_t>(job.romSize));
    for (std::int32_t i = 0; i < job.romSize; ++i) {
      link.SendByte(image[static_cast<std::size_t>(i)]);
      gauge.Step();
      if (link.WaitReply(2)) return fail(text::kTimeOut);
    }
  } else {
    const bool pairs = m != 10;
    const int blockLen = (m == 1 || m == 3 || m == 5) ? 256 : 128;
    const bool reverse = (m == 1 || m == 3 || m == 5) && v < 12;
    int ackCount = 1, k = 50;
    if (m == 1 || m == 3 || m == 5) {
      k = 150;
      ackCount = (reverse || link.DataEchoMode()) ? 513 : 1;
    } else if (m == 4) {
      ackCount = link.DataEchoMode() ? 257 : 1;
    }
    auto image = ImageBlocks(imageFile, static_cast<std::size_t>(count) * blockLen);
    std::vector<std::uint8_t> block;
    for (int b = 0; b < count; ++b) {
      block.clear();
      for (int i = 0; i < blockLen; ++i) {
        const int off = reverse ? blockLen - 1 - i : i;
        block.push_back(image[static_cast<std::size_t>(b) * blockLen + off]);
        if (pairs) block.push_back(0xFF);
        gauge.Step();
      }
      link.SendBytes(block);
      if (link.WaitReplyLong(ackCount, k)) return fail(text::kTimeOut);
    }
  }
  status.SetGauge(0, 0);
  status.SetStatusText("");
  return false;
}

}  // namespace plclink
