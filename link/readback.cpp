#include "link/readback.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "link/checksum.h"
#include "link/module_commands.h"
#include "platform/file_read.h"
#include "platform/file_write.h"

namespace plclink {

namespace {

std::string Hex(long v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%lX", v);
  return buf;
}

// Both read-backs use the same framing: the acknowledgement of 0xA2 and the answer to
// each address are longer by the extended framing's extra bytes.
int AckCount(const Link& link) { return link.ExtraAckByte() ? 3 : 2; }
int AddressAnswer(const Link& link) { return link.ExtraAckByte() ? 5 : 3; }

// Sends a word address and waits for its answer; true on time-out.
bool SendAddress(Link& link, long word) {
  link.SendWord(static_cast<int>(word));
  return link.WaitReply(AddressAnswer(link));
}

// Fetches one program byte: send 0x00, take the byte (after the echo of the 0x00).
std::optional<std::uint8_t> Fetch(Link& link) {
  link.SendByte(0x00);
  const int n = link.DataEchoMode() ? 2 : 1;
  if (link.WaitReply(n)) return std::nullopt;
  return link.Replies()[static_cast<std::size_t>(n - 1)];
}

}  // namespace

bool VerifyProgram(Device& device, const DeviceJob& job) {
  Link& link = device.Wire();
  auto& status = device.Status();
  if (device.OpenPort()) return true;
  if (link.GetModuleVersion() == -1) {
    device.Show(text::kCaptionStudioError, text::kModuleNotFound);
    return true;
  }
  link.Flush();
  if (link.SendByteWait(cmd::kReadBack, AckCount(link))) {
    device.Show(text::kCaptionError, text::kTimeOut);
    return true;
  }
  if (link.Reply(0) != cmd::kReadBack || link.Reply(1) != cmd::kReadBack) {
    device.Show(text::kCaptionError, text::kIncorrect);
    return true;
  }
  // An odd image ends in half a word: announce the word that holds its last byte.
  if (SendAddress(link, (job.romSize + 1) / 2) || SendAddress(link, 0)) {
    device.Show(text::kCaptionError, text::kTimeOut);
    return true;
  }
  const std::string name = job.Image().filename().string();
  std::error_code ec;
  if (!std::filesystem::exists(job.Image(), ec)) {
    device.Show(text::kCaptionStudioError, text::kFileNotFoundVerify.Pick(false) + name);
    return true;
  }
  std::string image;
  const std::size_t length = static_cast<std::size_t>(std::max<std::int32_t>(job.romSize, 0));
  if (!platform::ReadFileStart(job.Image(), image, length) || image.size() != length) {
    device.Show(text::kCaptionStudioError, text::kOpenErrorVerify.Pick(false) + name);
    return true;
  }
  status.SetGauge(0, job.romSize + 10);
  status.SetStatusText(text::kStatusVerify);
  auto end = [&]() {
    status.SetGauge(0, 0);
    status.SetStatusText("");
  };
  for (std::int32_t i = 0; i < job.romSize; ++i) {
    auto c = Fetch(link);
    if (!c) {
      device.Show(text::kCaptionError, text::kTimeOut);
      end();
      return true;
    }
    const std::uint8_t b = static_cast<std::uint8_t>(image[static_cast<std::size_t>(i)]);
    if (*c != b) {
      device.Show(text::kCaptionError,
                text::kVerifyErrorPrefix.Pick(device.Korean()) + Hex(i) + " Buffer : " + Hex(b) + " Chip : " + Hex(*c));
      end();
      return true;
    }
    status.SetGauge(i + 1, job.romSize + 10);
  }
  end();
  ShowProgramSize(device.Status(), job.romSize);
  return false;
}

bool UploadSource(Device& device, const std::filesystem::path& folder) {
  Link& link = device.Wire();
  auto& status = device.Status();
  if (device.OpenPort()) return true;
  if (link.GetModuleVersion() == -1) {
    device.Show(text::kCaptionStudioError, text::kModuleNotFound);
    return true;
  }
  auto timeOut = [&]() {
    device.Show(text::kCaptionError, text::kTimeOut);
    return true;
  };
  // Late bytes of the version exchange must not be read as data.
  link.Flush();
  if (link.SendByteWait(cmd::kReadBack, AckCount(link))) return timeOut();
  if (link.Reply(0) != cmd::kReadBack || link.Reply(1) != cmd::kReadBack) {
    device.Show(text::kCaptionError, text::kIncorrectUpload);
    return true;
  }
  // Starts a read of the words [start, end) after the first one.
  auto range = [&](long end, long start) { return SendAddress(link, end) || SendAddress(link, start); };
  auto again = [&](long end, long start) {
    link.SendByte(cmd::kReadBack);
    return link.WaitReply(AckCount(link)) || range(end, start);
  };
  if (range(5, 4)) return timeOut();
  auto b8 = Fetch(link);
  auto b9 = b8 ? Fetch(link) : std::nullopt;
  if (!b9) return timeOut();
  const long length = *b9 * 256L + *b8;
  if (length < 10 || length % 2 != 0) {
    device.Show(text::kCaptionStudioError, text::kBadArchiveLength);
    return true;
  }
  if (again(length / 2 + 1, length / 2)) return timeOut();
  auto lo = Fetch(link);
  auto hi = lo ? Fetch(link) : std::nullopt;
  if (!hi) return timeOut();
  if (*lo == 0xFF && *hi == 0xFF) {
    device.Show(device.Korean() ? text::kCaptionStudioERROR : text::kCaptionError, text::kProtected);
    return true;
  }
  const long archive = *hi * 256L + *lo;
  const long endWord = length / 2 + (archive + 1) / 2 + 1;
  if (archive > 32767 || endWord > 0xFFFF) {
    device.Show(text::kCaptionStudioError, text::kBadArchiveLength);
    return true;
  }
  if (again(endWord, length / 2 + 1)) return timeOut();

  status.SetGauge(0, static_cast<int>(archive) + 10);
  status.SetStatusText(text::kStatusReading);
  auto end = [&]() {
    status.SetGauge(0, 0);
    status.SetStatusText("");
  };
  std::string bytes;
  for (long i = 0; i < archive; ++i) {
    auto c = Fetch(link);
    if (!c) {
      end();
      return timeOut();
    }
    bytes.push_back(static_cast<char>(*c));
    status.SetGauge(static_cast<int>(i + 1), static_cast<int>(archive) + 10);
  }
  if (archive % 2 != 0) Fetch(link);  // the pad byte, dropped
  end();
  if (!platform::WriteFileAtomically(folder / kReadBackArchiveName, bytes)) {
    device.Show(text::kCaptionStudioError, text::kOpenErrorUpload.Pick(device.Korean()) + kReadBackArchiveName);
    return true;
  }
  return false;
}

}  // namespace plclink
