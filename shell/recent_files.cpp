#include "shell/recent_files.h"

#include "shell/settings.h"

namespace shell {
namespace {

std::string Key(int k) { return "File" + std::to_string(k); }

std::string ReadEntry(const ProfileFile& file, int k) { return file.ReadString(ini::kLastOpen, Key(k), kNoEntry); }

void WriteEntry(ProfileFile& file, int k, const std::string& value) { file.WriteString(ini::kLastOpen, Key(k), value); }

}  // namespace

bool IsEmptyEntry(std::string_view entry) { return entry.substr(0, 4) == "none"; }

std::string MenuItemText(std::string_view path) {
  std::string out;
  for (char c : path) {
    if (c == '&') out += '&';
    out += c;
  }
  return out;
}

void RecentFiles::Refresh(const ProfileFile& file) {
  for (int k = 1; k <= kItems; ++k) {
    captions_[size_t(k - 1)] = ReadEntry(file, k);
    if (!IsEmptyEntry(captions_[size_t(k - 1)])) visible_[size_t(k - 1)] = true;  // never hidden again
  }
}

void RecentFiles::Load(const ProfileFile& file) { Refresh(file); }

void RecentFiles::Update(ProfileFile& file, const std::string& current) {
  if (Caption(1) == current) return;
  // Shift down from what the menu shows; the old fourth entry goes to the reserve.
  WriteEntry(file, 5, Caption(4));
  WriteEntry(file, 4, Caption(3));
  WriteEntry(file, 3, Caption(2));
  WriteEntry(file, 2, Caption(1));
  WriteEntry(file, 1, current);
  // The entry that was opened again moved down one place: empty it there.
  if (Caption(2) == current) WriteEntry(file, 3, kNoEntry);
  if (Caption(3) == current) WriteEntry(file, 4, kNoEntry);
  if (Caption(4) == current) WriteEntry(file, 5, kNoEntry);
  // Close the gap in one pass.
  for (int k = 2; k <= 4; ++k) {
    if (IsEmptyEntry(ReadEntry(file, k))) {
      WriteEntry(file, k, ReadEntry(file, k + 1));
      WriteEntry(file, k + 1, kNoEntry);
    }
  }
  Refresh(file);
}

void RecentFiles::Promote(ProfileFile& file, int index, const std::string& opened) {
  if (index < 2 || index > kItems || opened == Caption(1)) return;
  std::swap(captions_[0], captions_[size_t(index - 1)]);
  std::string first = ReadEntry(file, 1);
  std::string other = ReadEntry(file, index);
  WriteEntry(file, 1, other);
  WriteEntry(file, index, first);
}

}  // namespace shell
