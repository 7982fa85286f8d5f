#include "link/module_commands.h"

#include <string>

namespace plclink {

bool SendCommand(Link& link, int command) {
  if (link.OpenPort()) return true;
  link.Flush();
  if (link.SendByteWait(static_cast<std::uint8_t>(command), 2)) {
    link.Show(text::kCaptionError, text::kTimeOut);
    return true;
  }
  if (link.Reply(0) != command || link.Reply(1) != command) {
    link.Show(text::kCaptionError, text::kIncorrect);
    return true;
  }
  return false;
}

int GetModuleVersion(Link& link) {
  if (link.OpenPort()) return -1;
  link.Flush();
  if (link.SendByteWait(cmd::kVersion, 3)) return -1;
  if (link.Reply(1) != cmd::kVersion) return -1;
  std::vector<std::uint8_t> reply = link.ReplyBuffer;
  if (reply[2] == cmd::kVersion && reply.size() < 4) {
    // The extended framing puts the version in a fourth byte that may still be on its
    // way; when none comes the reply was a plain one carrying version 0xA3.
    if (!link.WaitReply(1)) reply.insert(reply.end(), link.ReplyBuffer.begin(), link.ReplyBuffer.end());
    link.ReplyBuffer = reply;
  }
  link.ExtraAckByte = false;
  int version = reply[2];
  if (reply[2] == cmd::kVersion && reply.size() >= 4 && reply[3] > 20) {
    link.ExtraAckByte = true;
    link.DataEchoMode = true;
    version = reply[3];
  }
  return version;
}

namespace {

struct ModelRange {
  int low, high;  // accepted versions
  int quietLow;   // from this version on the module does not echo (0: never)
  const Twin* mismatch;
};

std::optional<ModelRange> RangeOf(std::int16_t model) {
  switch (model) {
    case 1:
      return ModelRange{10, 49, 13, &text::kMismatchE};
    case 2:
      return ModelRange{100, 149, 0, &text::kMismatchB};
    case 3:
      return ModelRange{10, 49, 0, &text::kMismatchF};
    case 4:
      return ModelRange{50, 99, 53, &text::kMismatchC};
    case 5:
      return ModelRange{10, 49, 0, &text::kMismatchD};
    default:
      break;
  }
  if (model >= 10) return ModelRange{150, 255, 0, &text::kMismatchA};
  return std::nullopt;
}

}  // namespace

bool CheckModuleModel(Link& link, std::int16_t plcModel) {
  int v = GetModuleVersion(link);
  if (v == -1) {
    link.Show(text::kCaptionStudioError, text::kModuleNotFound);
    return true;
  }
  auto range = RangeOf(plcModel);
  if (!range) return false;
  if (v < range->low || v > range->high) {
    link.Show(text::kCaptionStudioError, *range->mismatch);
    return true;
  }
  if (range->quietLow && v >= range->quietLow) link.DataEchoMode = false;
  return false;
}

bool ReadDeviceWord(Link& link, std::int16_t plcModel, int addr) {
  // Late bytes of an earlier read that timed out must not be taken as this reply.
  link.Flush();
  std::size_t first = 0;
  if (plcModel == 10) {
    link.SendByte(cmd::kReadWord);
    link.SendWord(addr);
    if (link.WaitReply(2)) return true;
  } else {
    link.SendByte(cmd::kReadWord);
    if (link.WaitReply(2)) return true;
    link.SendWord(addr);
    if (link.DataEchoMode) {
      if (link.WaitReply(4)) return true;
      first = 2;
    } else {
      if (link.WaitReply(2)) return true;
    }
  }
  link.ReadByte0 = link.ReplyBuffer[first];
  link.ReadByte1 = link.ReplyBuffer[first + 1];
  return false;
}

std::optional<std::array<std::uint8_t, 2>> ReadDeviceBytes(Link& link, std::int16_t plcModel, int addr) {
  if (ReadDeviceWord(link, plcModel, addr)) return std::nullopt;
  return std::array<std::uint8_t, 2>{link.ReadByte0, link.ReadByte1};
}

bool RefuseWhileMonitoring(Link& link, bool monitorOn) {
  if (!monitorOn) return false;
  link.Show(text::kCaptionMessage, text::kMonitoring);
  return true;
}

MonitorItem RunCommand(Link& link, std::uint8_t command, bool monitorOn) {
  if (RefuseWhileMonitoring(link, monitorOn)) return MonitorItem::Unchanged;
  SendCommand(link, command);
  return command == cmd::kStop ? MonitorItem::Disable : MonitorItem::Enable;
}

void PortCheck(Link& link, bool monitorOn) {
  if (RefuseWhileMonitoring(link, monitorOn)) return;
  if (link.OpenPort()) return;
  int v = GetModuleVersion(link);
  if (v != -1) {
    std::string t = text::kFoundPrefix.Pick(link.Korean()) + std::to_string(v);
    if (link.Korean()) t += text::kFoundKoreanSuffix;
    link.Show(text::kCaptionFound, t);
  } else {
    link.Show(text::kCaptionMessage, text::kNotFound);
  }
}

}  // namespace plclink
