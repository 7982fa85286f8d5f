#pragma once
// The link as the device commands use it: the serial link below them, the message boxes
// and the status bar they report to, and the interface language that picks each message's
// twin. The link itself shows nothing; every message of the device commands is raised
// here, from what the link returned.
//
//   plclink::Device device(link, messages, status, language);
//   plclink::CheckModuleModel(device, model);

#include <string>

#include "link/link.h"
#include "link/link_texts.h"
#include "platform/message_box.h"
#include "platform/status_port.h"

namespace plclink {

// The interface language as the window has it now.
class Language {
 public:
  virtual ~Language() = default;
  virtual bool Korean() const = 0;
};

// A language that changes only when told (tools and tests).
class FixedLanguage : public Language {
 public:
  explicit FixedLanguage(bool korean = false) : korean(korean) {}
  bool Korean() const override { return korean; }
  bool korean;
};

class Device {
 public:
  Device(Link& link, platform::MessageSink& messages, platform::StatusPort& status, const Language& language)
      : link_(link), messages_(messages), status_(status), language_(language) {}
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  Link& Wire() { return link_; }
  bool Korean() const { return language_.Korean(); }
  platform::MessageSink& Messages() { return messages_; }
  platform::StatusPort& Status() { return status_; }

  // Makes sure that the chosen port is open; true on failure (the studio's polarity for
  // OpenPort), after "Invalid RS232C Port !!! " followed by the system's reason.
  bool OpenPort();

  // Shows a message with the information icon and an OK button.
  void Show(const char* caption, const std::string& text, platform::MsgIcon icon = platform::MsgIcon::Information);
  void Show(const char* caption, const Twin& twin) { Show(caption, twin.Pick(Korean())); }
  platform::MsgResult Ask(const char* caption, const std::string& text, platform::MsgButtons buttons,
                          platform::MsgIcon icon);

 private:
  Link& link_;
  platform::MessageSink& messages_;
  platform::PaintingStatusPort status_;  // the window repaints after each change
  const Language& language_;
};

}  // namespace plclink
