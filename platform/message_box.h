#pragma once
// Message boxes as the logic libraries raise them. The studio shows them with
// Qt dialogs; tests record them. Texts are UTF-8.

#include <string>
#include <vector>

namespace platform {

enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };
// The button that Enter presses: the first of the set, or the second (No of Yes and No).
enum class MsgDefault { First, Second };

struct Message {
  std::string caption;
  std::string text;
  MsgIcon icon = MsgIcon::None;
  MsgButtons buttons = MsgButtons::Ok;
  MsgDefault defaultButton = MsgDefault::First;
};

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual MsgResult Show(const Message& message) = 0;
};

// Chooses between an English text and its Korean twin by the interface language.
inline const std::string& Pick(bool koreanMenu, const std::string& english, const std::string& korean) {
  return koreanMenu ? korean : english;
}

// Keeps every message shown and answers with a queue of prepared results
// (Ok when the queue is empty). For tests.
class RecordingMessageSink : public MessageSink {
 public:
  MsgResult Show(const Message& message) override;
  std::vector<Message> shown;
  std::vector<MsgResult> answers;
};

// Shows nothing and answers Ok; for callers that have no user interface.
class SilentMessageSink : public MessageSink {
 public:
  MsgResult Show(const Message&) override { return MsgResult::Ok; }
};

}  // namespace platform
