#pragma once
// Takes the program backup QSKLBK.$$$ out of the source archive read from the module. The
// archive's bytes come from outside: only that one member (its name compared without
// letter case, any folder part dropped) is taken, through the unzip program run without a
// shell, with no terminal to ask on and an empty password, within a time limit; a member
// larger than the largest program file there can be is not extracted. Nothing is written.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace plclink {

inline constexpr const char* kBackupFileName = "QSKLBK.$$$";
// The largest program file is about 3 MB; a member above this is refused.
inline constexpr std::uint64_t kMaxBackupBytes = 8u * 1024 * 1024;
// How long each run of unzip may take.
inline constexpr std::chrono::milliseconds kUnzipTimeLimit{10000};

enum class ExtractResult {
  Ok,          // *out holds the member's bytes
  CannotRun,   // unzip could not be started
  Unreadable,  // unzip failed on the archive or did not end in time (an encrypted member, a broken archive)
  NoMember,    // the archive holds no (non-empty) QSKLBK.$$$
  TooLarge,    // the member states, or expands to, more than the limit
};

ExtractResult ExtractBackup(const std::filesystem::path& archive, std::string* out,
                            std::uint64_t maxBytes = kMaxBackupBytes,
                            std::chrono::milliseconds timeLimit = kUnzipTimeLimit);

}  // namespace plclink
