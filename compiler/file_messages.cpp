#include "compiler/file_messages.h"

#include <cerrno>

#include "platform/file_write.h"
#include "platform/message_box.h"

namespace compiler {

void ShowFileMessage(Studio& studio, const std::string& english, const std::string& korean, const std::string& path) {
  if (!studio.messages) return;
  platform::Message m;
  m.caption = "Korvane Studio Error !";
  m.text = (studio.shell.KoreanMenu ? korean : english) + path;
  m.icon = platform::MsgIcon::Information;
  m.buttons = platform::MsgButtons::Ok;
  studio.messages->Show(m);
}

int WriteFileOrReason(const std::string& path, std::string_view bytes, bool buildFile) {
  if (buildFile ? platform::WriteBuildFile(path, bytes) : platform::WriteFileAtomically(path, bytes)) return 0;
  return errno != 0 ? errno : EIO;
}

void ShowWriteFailure(Studio& studio, int reason, const std::string& path) {
  const bool refused = reason == EACCES || reason == EPERM || reason == EROFS;
  ShowFileMessage(studio, refused ? kFileOpenError : kFileSaveError, path);
}

bool WriteUserFile(Studio& studio, const std::string& path, std::string_view bytes, bool buildFile) {
  const int reason = WriteFileOrReason(path, bytes, buildFile);
  if (reason != 0) ShowWriteFailure(studio, reason, path);
  return reason != 0;
}

}  // namespace compiler
