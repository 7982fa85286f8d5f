#include "link/archive_extract.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "platform/file_write.h"

extern char** environ;

namespace plclink {

namespace {

// Runs a program with arguments, its standard output into *out; false when it cannot
// start or ends with a failure.
bool RunCapture(const std::vector<std::string>& args, const std::filesystem::path& outFile) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::vector<char*> argv;
  std::vector<std::string> copy = args;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// unzip reads member names as patterns: make every character literal.
std::string Literal(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '*' || c == '?' || c == '[' || c == ']') {
      out += '[';
      out += c;
      out += ']';
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

ExtractResult ExtractBackup(const std::filesystem::path& archive, std::string* out) {
  char tmpl[] = "/tmp/zqv-upload-XXXXXX";
  if (!mkdtemp(tmpl)) return ExtractResult::CannotRun;
  const std::filesystem::path temp = tmpl;
  struct Cleanup {
    std::filesystem::path p;
    ~Cleanup() {
      std::error_code ec;
      std::filesystem::remove_all(p, ec);
    }
  } cleanup{temp};

  const auto listing = temp / "names";
  if (!RunCapture({"unzip", "-Z1", archive.string()}, listing)) return ExtractResult::CannotRun;
  std::string names;
  if (!platform::ReadWholeFile(listing, names)) return ExtractResult::CannotRun;
  std::string member;
  std::istringstream in(names);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.back() == '/' || line.find('\\') != std::string::npos) continue;
    const auto slash = line.rfind('/');
    const std::string base = slash == std::string::npos ? line : line.substr(slash + 1);
    if (Upper(base) == kBackupFileName) {
      member = line;
      break;
    }
  }
  if (member.empty()) return ExtractResult::NoMember;
  const auto extracted = temp / kBackupFileName;
  if (!RunCapture({"unzip", "-p", archive.string(), Literal(member)}, extracted)) return ExtractResult::CannotRun;
  std::string bytes;
  if (!platform::ReadWholeFile(extracted, bytes) || bytes.empty()) return ExtractResult::NoMember;
  *out = std::move(bytes);
  return ExtractResult::Ok;
}

}  // namespace plclink
