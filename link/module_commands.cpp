#include "link/module_commands.h"

#include <string>

#include "compiler/monitoring_refusal.h"

namespace plclink {

bool SendCommand(Device& device, int command) {
  if (device.OpenPort()) return true;
  Link& link = device.Wire();
  link.Flush();
  if (link.SendByteWait(static_cast<std::uint8_t>(command), 2)) {
    device.Show(text::kCaptionError, text::kTimeOut);
    return true;
  }
  if (link.Reply(0) != command || link.Reply(1) != command) {
    device.Show(text::kCaptionError, text::kIncorrect);
    return true;
  }
  return false;
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

bool CheckModuleModel(Device& device, std::int16_t plcModel) {
  // A port that will not open has shown its message; the module is then not found either.
  const int v = device.OpenPort() ? -1 : device.Wire().GetModuleVersion();
  if (v == -1) {
    device.Show(text::kCaptionStudioError, text::kModuleNotFound);
    return true;
  }
  auto range = RangeOf(plcModel);
  if (!range) return false;
  if (v < range->low || v > range->high) {
    device.Show(text::kCaptionStudioError, *range->mismatch);
    return true;
  }
  if (range->quietLow && v >= range->quietLow) device.Wire().SetDataEchoMode(false);
  return false;
}

std::optional<std::array<std::uint8_t, 2>> ReadDeviceBytes(Link& link, std::int16_t plcModel, int addr) {
  if (link.ReadDeviceWord(plcModel, addr)) return std::nullopt;
  return link.ReadBytes();
}

bool RefuseWhileMonitoring(Device& device, bool monitorOn) {
  return compiler::RefuseWhileMonitoring(monitorOn, &device.Messages(), device.Korean());
}

MonitorItem RunCommand(Device& device, std::uint8_t command, bool monitorOn) {
  if (RefuseWhileMonitoring(device, monitorOn)) return MonitorItem::Unchanged;
  SendCommand(device, command);
  return command == cmd::kStop ? MonitorItem::Disable : MonitorItem::Enable;
}

void PortCheck(Device& device, bool monitorOn) {
  if (RefuseWhileMonitoring(device, monitorOn)) return;
  if (device.OpenPort()) return;
  int v = device.Wire().GetModuleVersion();
  if (v != -1) {
    std::string t = text::kFoundPrefix.Pick(device.Korean()) + std::to_string(v);
    if (device.Korean()) t += text::kFoundKoreanSuffix;
    device.Show(text::kCaptionFound, t);
  } else {
    device.Show(text::kCaptionMessage, text::kNotFound);
  }
}

}  // namespace plclink
