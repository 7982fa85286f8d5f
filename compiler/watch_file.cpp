#include "compiler/watch_file.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <utility>

#include "compiler/file_messages.h"
#include "platform/ansi_text.h"
#include "platform/file_read.h"

namespace compiler {
namespace {

constexpr std::string_view kWatchMagic = "WATCH200";

void PutI16(std::string& out, int v) {
  auto u = static_cast<uint16_t>(static_cast<int16_t>(v));
  out.push_back(static_cast<char>(u & 0xFF));
  out.push_back(static_cast<char>(u >> 8));
}

bool IsLead(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Sequential reads over the file's bytes; every read reports a short file.
struct Cursor {
  std::string_view bytes;
  std::size_t pos = 0;

  bool I16(int16_t& v) {
    if (bytes.size() - pos < 2) return false;
    auto lo = static_cast<unsigned char>(bytes[pos]);
    auto hi = static_cast<unsigned char>(bytes[pos + 1]);
    v = static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
    pos += 2;
    return true;
  }
  // n characters: a lead byte takes the byte after it.
  bool Chars(int n, platform::AnsiText& out) {
    std::size_t start = pos;
    for (int i = 0; i < n; ++i) {
      if (pos >= bytes.size()) return false;
      std::size_t step = IsLead(bytes[pos]) ? 2 : 1;
      if (bytes.size() - pos < step) return false;
      pos += step;
    }
    out.assign(bytes.substr(start, pos - start));
    return true;
  }
};

}  // namespace

std::string CompanionPath(std::string_view programPath, std::string_view extension) {
  std::string path(programPath);
  std::size_t nameStart = path.find_last_of('/');
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  std::string_view name = std::string_view(path).substr(nameStart);
  bool replace = false;
  if (name.size() >= 4) {
    std::string_view ext = name.substr(name.size() - 4);
    std::string lower;
    for (char c : ext) lower.push_back((c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c);
    replace = lower == ".qsl" || lower == ".$$$";
  }
  std::string result = replace ? path.substr(0, path.size() - 4) : path;
  result += extension;
  if (result == path) return {};
  return result;
}

std::string WatchFilePath(std::string_view programPath) { return CompanionPath(programPath, ".wch"); }
std::string MemoFilePath(std::string_view programPath) { return CompanionPath(programPath, ".txt"); }

std::string EncodeWatchFile(const WatchList& list) {
  int count = list.WatchCount < 0 ? 0 : (list.WatchCount > kWatchSlots ? kWatchSlots : list.WatchCount);
  std::string out(kWatchMagic);
  PutI16(out, count);
  for (int i = 0; i < count; ++i) {
    std::string_view label = list.WatchName[i];
    // A lone lead byte at the end would make the reader take one byte too many.
    std::size_t whole = 0;
    std::size_t chars = 0;
    while (whole < label.size()) {
      std::size_t step = IsLead(label[whole]) ? 2 : 1;
      if (label.size() - whole < step) break;
      whole += step;
      ++chars;
    }
    if (chars > 32767) {  // cannot be counted in the length field
      whole = platform::AnsiBytesOfChars(label, 32767);
      chars = 32767;
    }
    PutI16(out, static_cast<int>(chars));
    out.append(label.substr(0, whole));
    PutI16(out, list.WatchAddr[i]);
    PutI16(out, list.WatchMask[i]);
    PutI16(out, list.WatchKind[i]);
  }
  return out;
}

bool DecodeWatchFile(std::string_view bytes, WatchList& list) {
  // Only the first byte of the magic is checked; the other seven must be there.
  if (bytes.size() < kWatchMagic.size() || bytes[0] != 'W') return false;
  Cursor in{bytes, kWatchMagic.size()};
  int16_t count = 0;
  if (!in.I16(count) || count < 0 || count > kWatchSlots) return false;
  WatchList read = list;
  for (int i = 0; i < count; ++i) {
    int16_t n = 0;
    if (!in.I16(n) || n < 0) return false;
    if (!in.Chars(n, read.WatchName[i])) return false;
    if (!in.I16(read.WatchAddr[i]) || !in.I16(read.WatchMask[i]) || !in.I16(read.WatchKind[i])) return false;
  }
  read.WatchCount = count;
  list = std::move(read);
  return true;
}

bool SaveWatchFile(Studio& studio, const std::string& programPath) {
  std::string path = WatchFilePath(programPath);
  if (path.empty()) {
    ShowFileMessage(studio, kFileSaveError, programPath);
    return true;
  }
  std::error_code ec;
  const bool existed = std::filesystem::exists(path, ec);
  std::string bytes = EncodeWatchFile(studio.watch);
  const int reason = WriteFileOrReason(path, bytes);
  if (reason == 0) {
    studio.shell.WatchFile = path;
    studio.shell.WatchStored = std::move(bytes);
    return false;
  }
  // A folder that takes no new file (a shared folder) cannot hold a watch file that is not
  // there yet; an empty watch list loses nothing by that and is not worth a message.
  if (!existed && studio.watch.WatchCount == 0 && (reason == EACCES || reason == EPERM)) return false;
  ShowWriteFailure(studio, reason, path);
  return true;
}

bool LoadWatchFile(Studio& studio, const std::string& programPath) {
  std::string path = WatchFilePath(programPath);
  std::string bytes;
  if (path.empty() || !platform::ReadWholeFile(path, bytes)) {
    ShowFileMessage(studio, kFileOpenError, path.empty() ? programPath : path);
    return false;
  }
  if (!DecodeWatchFile(bytes, studio.watch)) {
    ShowFileMessage(studio, "File Format Error :", "읽어들일 수 없는 형식의 파일입니다.", path);
    return false;
  }
  studio.shell.WatchFile = path;
  studio.shell.WatchStored = EncodeWatchFile(studio.watch);
  return true;
}

bool WatchListEdited(const Studio& studio) {
  const std::string& stored = studio.shell.WatchStored;
  // Without a file of its own, only entries would be lost.
  return EncodeWatchFile(studio.watch) != (stored.empty() ? EncodeWatchFile(WatchList{}) : stored);
}

bool WatchListStored(const Studio& studio, const std::string& programPath) {
  const std::string path = WatchFilePath(programPath);
  return !path.empty() && path == studio.shell.WatchFile && !studio.shell.WatchStored.empty() &&
         !WatchListEdited(studio);
}

bool OpenWatchFile(Studio& studio, const std::string& programPath) {
  studio.shell.WatchFile = WatchFilePath(programPath);
  studio.shell.WatchStored.clear();
  std::error_code ec;
  if (studio.shell.WatchFile.empty() || !std::filesystem::is_regular_file(studio.shell.WatchFile, ec)) return false;
  LoadWatchFile(studio, programPath);
  return true;
}

}  // namespace compiler
