#include "platform/message_box.h"

namespace platform {

MsgResult RecordingMessageSink::Show(const Message& message) {
  shown.push_back(message);
  if (answers.empty()) return MsgResult::Ok;
  MsgResult r = answers.front();
  answers.erase(answers.begin());
  return r;
}

}  // namespace platform
