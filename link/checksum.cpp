#include "link/checksum.h"

#include <cstdio>
#include <vector>

#include "link/module_commands.h"

namespace plclink {

namespace {

std::string Hex(long v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%lX", v);
  return buf;
}

}  // namespace

bool VerifyChecksum(Device& device, const DeviceJob& job, std::int32_t* romSumOut) {
  Link& link = device.Wire();
  auto& status = device.Status();
  status.SetStatusText(text::kStatusChecksum);
  link.Flush();
  bool timedOut = true;
  for (int attempt = 0; attempt < 3 && timedOut; ++attempt) timedOut = link.SendByteWait(cmd::kChecksum, 2);
  if (timedOut) {
    device.Show(text::kCaptionError, text::kTimeOut);
    return true;
  }
  if (link.Reply(0) != cmd::kChecksum || link.Reply(1) != cmd::kChecksum) {
    device.Show(text::kCaptionError, text::kIncorrectChecksum);
    return true;
  }
  link.Flush();
  link.SendWord(job.romSize / 2);
  const std::size_t echo = link.ExtraAckByte() ? 4 : 2;
  if (link.WaitReply(static_cast<int>(echo))) {
    device.Show(text::kCaptionError, text::kTimeOut);
    return true;
  }
  std::int32_t romSum = 0;
  if (SumRomImage(job.Image(), job.romSize, &romSum)) {
    device.Show(text::kCaptionError, text::kRomReadError);
    return true;
  }
  if (romSumOut) *romSumOut = romSum;
  // The sum may have come in the same read as the echo of the word.
  std::vector<std::uint8_t> sum(link.Replies().begin() + static_cast<std::ptrdiff_t>(echo), link.Replies().end());
  if (sum.size() < 2) {
    if (link.WaitReplyLong(static_cast<int>(2 - sum.size()), 10000)) {
      device.Show(text::kCaptionError,
                text::kSumValueTimeOutPrefix.Pick(device.Korean()) + text::kTimeOut.Pick(device.Korean()));
      return true;
    }
    sum.insert(sum.end(), link.Replies().begin(), link.Replies().end());
  }
  status.SetStatusText("");
  ShowProgramSize(status, job.romSize);
  const long module = sum[0] * 256L + sum[1];
  if (module == romSum) return false;
  std::string message = text::kSumMismatchPc.Pick(device.Korean()) + Hex(romSum) +
                        text::kSumMismatchModule.Pick(device.Korean()) + Hex(module);
  if (device.Korean()) message += text::kSumMismatchKoreanTail;
  device.Show(text::kCaptionError, message);
  return true;
}

void ClearKeepArea(Device& device, std::int32_t romSize) {
  Link& link = device.Wire();
  if (device.OpenPort()) return;
  link.Flush();
  const bool extra = link.ExtraAckByte();
  if (link.SendByteWait(cmd::kClearKeep, extra ? 3 : 2)) {
    device.Show(text::kCaptionError, text::kKeepTimeOut);
    return;
  }
  if (link.Reply(0) != cmd::kClearKeep || link.Reply(1) != cmd::kClearKeep) {
    device.Show(text::kCaptionError, text::kKeepUnsupported);
    return;
  }
  device.Status().SetStatusText(text::kStatusKeep);
  link.SendWord(0x0090);
  if (link.WaitReplyLong(extra ? 6 : 4, 1500)) device.Show(text::kCaptionError, text::kTimeOut);
  ShowProgramSize(device.Status(), romSize);
}

}  // namespace plclink
