#pragma once
// The list of recently used program files: five entries File1 (most recent) to File5 in the
// LastOpen section of the settings file, the first four shown as items of the File menu.
// Paths are kept whole; an entry whose text begins with "none" is empty.

#include <array>
#include <string>
#include <string_view>

#include "shell/profile_ini.h"

namespace shell {

inline constexpr const char* kNoEntry = "none";

bool IsEmptyEntry(std::string_view entry);

// The caption of a menu item showing `path`: "&" doubled so that it shows as itself.
std::string MenuItemText(std::string_view path);

class RecentFiles {
 public:
  static constexpr int kItems = 4;

  // Start-up: the four items from File1..File4; an item shows when its entry is not empty.
  void Load(const ProfileFile& file);

  // Makes `current` the first entry (nothing happens when it already is), removes the
  // duplicate further down and closes the gap, then refreshes the items.
  void Update(ProfileFile& file, const std::string& current);

  // After item `index` (2..4) was opened: it changes places with item 1, in the menu and in
  // the file. Nothing happens for another index or when `opened` equals item 1.
  void Promote(ProfileFile& file, int index, const std::string& opened);

  // Item k = 1..4.
  const std::string& Caption(int k) const { return captions_[size_t(k - 1)]; }
  bool Visible(int k) const { return visible_[size_t(k - 1)]; }

 private:
  void Refresh(const ProfileFile& file);
  std::array<std::string, kItems> captions_{kNoEntry, kNoEntry, kNoEntry, kNoEntry};
  std::array<bool, kItems> visible_{};
};

}  // namespace shell
