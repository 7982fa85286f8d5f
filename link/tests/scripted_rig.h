#pragma once
// A link over a scripted port, with recorded messages and status: the fixture of the
// link and module-command tests.
#include <memory>
#include <string>
#include <vector>

#include "link/device.h"
#include "link/link.h"
#include "link/scripted_port.h"
#include "platform/message_box.h"
#include "platform/status_port.h"

namespace plclink {

using Bytes = std::vector<std::uint8_t>;

struct Rig {
  platform::RecordingMessageSink messages;
  platform::RecordingStatusPort status;
  FixedPortChoice choice;
  FixedLanguage language;
  ScriptedPort* port = nullptr;
  std::unique_ptr<Link> link;
  std::unique_ptr<Device> device;

  Rig() {
    link = std::make_unique<Link>(LinkConfig{}, choice, [this](int) {
      auto p = std::make_unique<ScriptedPort>();
      port = p.get();
      return p;
    });
    device = std::make_unique<Device>(*link, messages, status, language);
    device->OpenPort();
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : messages.shown) t.push_back(m.text);
    return t;
  }
};

}  // namespace plclink
