#include "link/device.h"

namespace plclink {

bool Device::OpenPort() {
  const PortOpening opening = link_.OpenPort();
  if (!opening.Failed()) return false;
  std::string message = text::kInvalidPort.Pick(Korean());
  if (!opening.reason.empty()) message += "\r\n" + opening.reason;
  Show(text::kCaptionMessage, message);
  return true;
}

void Device::Show(const char* caption, const std::string& text, platform::MsgIcon icon) {
  Ask(caption, text, platform::MsgButtons::Ok, icon);
}

platform::MsgResult Device::Ask(const char* caption, const std::string& text, platform::MsgButtons buttons,
                                platform::MsgIcon icon) {
  platform::Message m;
  m.caption = caption;
  m.text = text;
  m.icon = icon;
  m.buttons = buttons;
  return messages_.Show(m);
}

}  // namespace plclink
