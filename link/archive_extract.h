#pragma once
// Takes the program backup QSKLBK.$$$ out of the source archive read from the module. The
// archive's bytes come from outside: only that one member (its name compared without
// letter case, any folder part dropped) is taken, through the unzip program run without
// a shell, into a temporary folder; nothing else is written.

#include <filesystem>
#include <string>

namespace plclink {

inline constexpr const char* kBackupFileName = "QSKLBK.$$$";

enum class ExtractResult {
  Ok,         // *out holds the member's bytes
  CannotRun,  // unzip could not be started or failed on the archive
  NoMember,   // the archive holds no (non-empty) QSKLBK.$$$
};

ExtractResult ExtractBackup(const std::filesystem::path& archive, std::string* out);

}  // namespace plclink
