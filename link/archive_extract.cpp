#include "link/archive_extract.h"

#include <cctype>
#include <sstream>
#include <utility>
#include <vector>

#include "link/exec_cmd.h"

namespace plclink {

namespace {

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

// The backup's entry among the archive's member names, one a line; empty when none.
std::string FindMember(const std::string& names) {
  std::istringstream in(names);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.back() == '/' || line.find('\\') != std::string::npos) continue;
    const auto slash = line.rfind('/');
    const std::string base = slash == std::string::npos ? line : line.substr(slash + 1);
    if (Upper(base) == kBackupFileName) return line;
  }
  return {};
}

// The size a member's entry states, from unzip's short listing of it
// ("-rw-r--r--  3.0 unx     1234 tx stor 24-Jan-01 12:00 NAME": the fourth field).
bool StatedSize(const std::string& listing, std::uint64_t* size) {
  std::istringstream in(listing);
  std::string field;
  for (int i = 0; i < 4; ++i)
    if (!(in >> field)) return false;
  if (field.empty() || field.size() > 19) return false;
  for (char c : field)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  *size = std::stoull(field);
  return true;
}

}  // namespace

ExtractResult ExtractBackup(const std::filesystem::path& archive, std::string* out, std::uint64_t maxBytes, std::chrono::milliseconds timeLimit) {
  auto unzip = [&](std::vector<std::string> args, std::uint64_t limit) {
    args.insert(args.begin(), "unzip");
    return RunCaptured(args, static_cast<std::size_t>(limit), timeLimit);
  };
  auto failure = [](const CaptureResult& r) {
    return r.end == CaptureEnd::NotStarted ? ExtractResult::CannotRun : ExtractResult::Unreadable;
  };
  constexpr std::uint64_t kListingBytes = 1024 * 1024;

  const CaptureResult names = unzip({"-Z1", archive.string()}, kListingBytes);
  if (names.end != CaptureEnd::Exited || names.exitStatus != 0) return failure(names);
  const std::string member = FindMember(names.output);
  if (member.empty()) return ExtractResult::NoMember;

  // The size the archive states, before anything is expanded.
  const CaptureResult entry = unzip({"-Z", "-s", archive.string(), Literal(member)}, kListingBytes);
  std::uint64_t stated = 0;
  if (entry.end != CaptureEnd::Exited || entry.exitStatus != 0) return failure(entry);
  if (!StatedSize(entry.output, &stated)) return ExtractResult::Unreadable;
  if (stated > maxBytes) return ExtractResult::TooLarge;

  // The stated size may lie: the expansion is cut off as soon as it passes the limit.
  CaptureResult data = unzip({"-p", "-P", "", archive.string(), Literal(member)}, maxBytes);
  if (data.end == CaptureEnd::TooMuch) return ExtractResult::TooLarge;
  if (data.end != CaptureEnd::Exited || data.exitStatus != 0) return failure(data);
  if (data.output.empty()) return ExtractResult::NoMember;
  *out = std::move(data.output);
  return ExtractResult::Ok;
}

}  // namespace plclink
