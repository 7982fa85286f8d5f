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

bool VerifyChecksum(Link& link, const DeviceJob& job, std::int32_t* romSumOut) {
  auto& status = link.Status();
  status.SetStatusText(text::kStatusChecksum);
  link.Flush();
  bool timedOut = true;
  for (int attempt = 0; attempt < 3 && timedOut; ++attempt) timedOut = link.SendByteWait(cmd::kChecksum, 2);
  if (timedOut) {
    link.Show(text::kCaptionError, text::kTimeOut);
    return true;
  }
  if (link.Reply(0) != cmd::kChecksum || link.Reply(1) != cmd::kChecksum) {
    link.Show(text::kCaptionError, text::kIncorrectChecksum);
    return true;
  }
  link.Flush();
  link.SendWord(job.romSize / 2);
  const std::size_t echo = link.ExtraAckByte ? 4 : 2;
  if (link.WaitReply(static_cast<int>(echo))) {
    link.Show(text::kCaptionError, text::kTimeOut);
    return true;
  }
  std::int32_t romSum = 0;
  if (SumRomImage(job.Image(), job.romSize, &romSum)) {
    link.Show(text::kCaptionError, text::kRomReadError);
    return true;
  }
  if (romSumOut) *romSumOut = romSum;
  // The sum may have come in the same read as the echo of the word.
  std::vector<std::uint8_t> sum(link.ReplyBuffer.begin() + static_cast<std::ptrdiff_t>(echo), link.ReplyBuffer.end());
  if (sum.size() < 2) {
    if (link.WaitReplyLong(static_cast<int>(2 - sum.size()), 10000)) {
      link.Show(text::kCaptionError,
                text::kSumValueTimeOutPrefix.Pick(link.Korean()) + text::kTimeOut.Pick(link.Korean()));
      return true;
    }
    sum.insert(sum.end(), link.ReplyBuffer.begin(), link.ReplyBuffer.end());
  }
  status.SetStatusText("");
  ShowProgramSize(status, job.romSize);
  const long module = sum[0] * 256L + sum[1];
  if (module == romSum) return false;
  std::string message = text::kSumMismatchPc.Pick(link.Korean()) + Hex(romSum) +
                        text::kSumMismatchModule.Pick(link.Korean()) + Hex(module);
  if (link.Korean()) message += text::kSumMismatchKoreanTail;
  link.Show(text::kCaptionError, message);
  return true;
}

void ClearKeepArea(Link& link, std::int32_t romSize) {
  if (link.OpenPort()) return;
  link.Flush();
  const bool extra = link.ExtraAckByte;
  if (link.SendByteWait(cmd::kClearKeep, extra ? 3 : 2)) {
    link.Show(text::kCaptionError, text::kKeepTimeOut);
    return;
  }
  if (link.Reply(0) != cmd::kClearKeep || link.Reply(1) != cmd::kClearKeep) {
    link.Show(text::kCaptionError, text::kKeepUnsupported);
    return;
  }
  link.Status().SetStatusText(text::kStatusKeep);
  link.SendWord(0x0090);
  if (link.WaitReplyLong(extra ? 6 : 4, 1500)) link.Show(text::kCaptionError, text::kTimeOut);
  ShowProgramSize(link.Status(), romSize);
}

}  // namespace plclink
