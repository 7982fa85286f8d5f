#pragma once
// The messages of the program's own files (program, backup, memo, watch list) and the one
// write that they all go through. Every message shows the information icon, one OK button and
// the caption "Korvane Studio Error !"; its text, in the interface language, is followed
// directly by the path it names.

#include <string>
#include <string_view>

#include "compiler/studio_state.h"

namespace compiler {

struct FileText {
  const char* english;
  const char* korean;
};
inline constexpr FileText kFileOpenError{"File Open Error :", "파일 오픈 에러 :"};
inline constexpr FileText kFileSaveError{"File Save Error :", "파일 세이브도중 에러가 발생했습니다. "};

void ShowFileMessage(Studio& studio, const std::string& english, const std::string& korean, const std::string& path);
inline void ShowFileMessage(Studio& studio, const FileText& text, const std::string& path) {
  ShowFileMessage(studio, text.english, text.korean, path);
}

// Writes a file of the program whole (platform/file_write.h; a build file is not flushed).
// Returns 0, or the reason of the failure (an errno value) without a message.
int WriteFileOrReason(const std::string& path, std::string_view bytes, bool buildFile = false);

// The message of a failed write of `path`: "File Open Error :" when the file may not be
// written there (`reason` EACCES, EPERM, EROFS), else "File Save Error :".
void ShowWriteFailure(Studio& studio, int reason, const std::string& path);

// Writes a file of the program whole (platform/file_write.h; a build file is not flushed).
// Returns true on failure, after "File Open Error :" with `path` when the file may not be
// written there (read-only, another user's, a folder that takes no new file), or
// "File Save Error :" with `path` for any other failure.
bool WriteUserFile(Studio& studio, const std::string& path, std::string_view bytes, bool buildFile = false);

}  // namespace compiler
