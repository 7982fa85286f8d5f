#pragma once
// The settings file: a small profile (INI) text file read and written one key at a time.
//
// Semantics follow the classic profile calls: section and key names compare without regard
// to letter case; an integer read takes the decimal number at the start of the value (the
// default when the key is missing, 0 when the value does not start with a number); a text
// read returns the value with blanks trimmed (the default when missing). A write replaces
// one key (creating the section and the key as needed), keeps every other line of the file
// as it was and replaces the file atomically. Nothing is cached: each call reads the file.
// Lines starting with ";" or "#" are comments; the first of duplicate keys wins.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace shell {

class ProfileFile {
 public:
  explicit ProfileFile(std::filesystem::path path) : path_(std::move(path)) {}
  const std::filesystem::path& Path() const { return path_; }

  // The leading (optionally signed) decimal number of the value, saturated to the range of
  // int64; `def` when the key is missing, 0 when the value does not begin with a number.
  int64_t ReadInt(std::string_view section, std::string_view key, int64_t def) const;
  // The value with blanks trimmed, or `def` when the key is missing. Never cut.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // Whether the key is present.
  bool HasKey(std::string_view section, std::string_view key) const;
  // Writes one key. Returns true on success; on failure the file is unchanged.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);

 private:
  std::filesystem::path path_;
};

// A text taken as a Boolean: true for "True" in any letter case or a non-zero number.
bool ProfileBool(std::string_view text);

// The leading decimal number of a text as the integer read takes it.
int64_t ProfileLeadingInt(std::string_view text);

}  // namespace shell
