#include "compiler/memo_file.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

#include "compiler/file_messages.h"
#include "compiler/watch_file.h"
#include "platform/ansi_text.h"
#include "platform/file_read.h"

namespace compiler {
namespace {

constexpr const char* kKeptEnglish = "\r\nThe memo file is kept as it is unless you edit the memo.";
constexpr const char* kKeptKorean = "\r\n메모를 고치지 않으면 메모 파일은 그대로 둡니다.";

// The largest memo file read. A larger one is no memo a user typed: the memo box would take
// minutes to show it, or run out of memory. It is reported and kept as it is.
constexpr std::size_t kLargestMemo = std::size_t{16} << 20;

// A memo file that cannot be read: the reason, then the path.
void ShowUnreadable(Studio& studio, int reason, const std::string& path) {
  const bool denied = reason == EACCES || reason == EPERM;
  std::string english = denied ? "no permission to read it" : std::strerror(reason);
  std::string korean = denied ? "읽기 권한이 없습니다" : std::strerror(reason);
  if (reason == EFBIG) {
    english = "larger than 16 MiB";
    korean = "16 MiB보다 큽니다";
  }
  ShowFileMessage(studio, "Memo File Open Error (" + english + ") :", "메모 파일 오픈 에러 (" + korean + ") :",
                  path + (studio.shell.KoreanMenu ? kKeptKorean : kKeptEnglish));
}

void ShowNotText(Studio& studio, const std::string& path) {
  ShowFileMessage(studio, "Memo File Format Error (neither UTF-8 nor CP949 text) :",
                  "메모 파일 형식 에러 (UTF-8도 CP949도 아닌 텍스트) :",
                  path + (studio.shell.KoreanMenu ? kKeptKorean : kKeptEnglish));
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool HasHighByte(std::string_view bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) > 0x7F) return true;
  return false;
}

}  // namespace

bool DecodeMemo(std::string_view bytes, std::string& text, MemoFormat& format) {
  MemoFormat found;
  found.utf8 = HasHighByte(bytes) && platform::IsUtf8(bytes);
  std::string decoded;
  if (found.utf8) {
    found.bom = bytes.starts_with(kByteOrderMark);
    decoded = bytes.substr(found.bom ? kByteOrderMark.size() : 0);
  } else if (std::optional<std::string> converted = platform::AnsiToUtf8(bytes)) {
    decoded = std::move(*converted);
  } else {
    return false;
  }
  const std::size_t firstEnd = decoded.find('\n');
  found.crlf = firstEnd == std::string::npos || (firstEnd > 0 && decoded[firstEnd - 1] == '\r');
  text.clear();
  text.reserve(decoded.size());
  for (std::size_t i = 0; i < decoded.size(); ++i)
    if (!(decoded[i] == '\r' && i + 1 < decoded.size() && decoded[i + 1] == '\n')) text.push_back(decoded[i]);
  format = found;
  return true;
}

bool EncodeMemo(std::string_view text, const MemoFormat& format, std::string& bytes) {
  std::string lines;
  lines.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (format.crlf && text[i] == '\n') lines.push_back('\r');  // (a CR before it is a lone CR of the text)
    lines.push_back(text[i]);
  }
  if (format.utf8) {
    bytes = format.bom ? std::string(kByteOrderMark) + lines : std::move(lines);
    return true;
  }
  std::optional<platform::AnsiText> ansi = platform::Utf8ToAnsi(lines);
  if (!ansi) return false;
  bytes = std::move(*ansi);
  return true;
}

void LoadMemoFile(Studio& studio, const std::string& programPath) {
  ShellState& shell = studio.shell;
  shell.MemoText.clear();
  shell.MemoForm = MemoFormat{};
  shell.MemoChanged = false;
  const std::string path = MemoFilePath(programPath);
  shell.MemoFile = path;
  if (path.empty()) return;
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
    ShowUnreadable(studio, ec.value(), path);
    return;
  }
  if (!std::filesystem::is_regular_file(status)) return;  // no memo (a folder of that name is none either)
  std::string bytes;
  if (!platform::ReadFileStart(path, bytes, kLargestMemo + 1)) {
    ShowUnreadable(studio, errno, path);
    return;
  }
  if (bytes.size() > kLargestMemo) {
    ShowUnreadable(studio, EFBIG, path);
    return;
  }
  if (!DecodeMemo(bytes, shell.MemoText, shell.MemoForm)) ShowNotText(studio, path);
}

bool MemoToWrite(const Studio& studio, const std::string& programPath) {
  const ShellState& shell = studio.shell;
  return !shell.MemoText.empty() && (shell.MemoChanged || programPath != shell.CurFilePath);
}

bool SaveMemoFile(Studio& studio, const std::string& programPath) {
  ShellState& shell = studio.shell;
  if (!MemoToWrite(studio, programPath)) {
    shell.MemoChanged = false;  // untouched, or emptied: the memo file stays as it is
    return false;
  }
  const std::string path = MemoFilePath(programPath);
  shell.MemoChanged = true;  // until its bytes are in the file
  if (path.empty()) {
    ShowFileMessage(studio, kFileSaveError, programPath);
    return true;
  }
  MemoFormat format = shell.MemoForm;
  std::string bytes;
  if (!EncodeMemo(shell.MemoText, format, bytes)) {
    // A character CP949 has no code for: the memo goes to UTF-8, which Open reads as well.
    format.utf8 = true;
    format.bom = false;
    EncodeMemo(shell.MemoText, format, bytes);
  }
  if (WriteUserFile(studio, path, bytes)) return true;
  shell.MemoForm = format;
  shell.MemoChanged = false;
  shell.MemoFile = path;
  return false;
}

}  // namespace compiler
