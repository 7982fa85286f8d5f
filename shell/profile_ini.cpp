#include "shell/profile_ini.h"

#include <limits>
#include <optional>
#include <vector>

#include "platform/file_read.h"
#include "platform/file_write.h"

namespace shell {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// One line of the file split into what the profile format sees in it.
struct Line {
  std::string raw;     // the line without its line end
  std::string ending;  // "\n", "\r\n" or "" for a last line without one
  bool isSection = false;
  std::string section;  // for a section header
  bool isKey = false;
  std::string key, value;  // for a key line
};

std::vector<Line> SplitLines(const std::string& bytes) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t nl = bytes.find('\n', pos);
    Line line;
    if (nl == std::string::npos) {
      line.raw = bytes.substr(pos);
      pos = bytes.size();
    } else {
      line.raw = bytes.substr(pos, nl - pos);
      line.ending = "\n";
      pos = nl + 1;
    }
    if (!line.ending.empty() && !line.raw.empty() && line.raw.back() == '\r') {
      line.raw.pop_back();
      line.ending = "\r" + line.ending;
    }
    std::string_view t = Trim(line.raw);
    if (!t.empty() && t.front() == '[') {
      size_t close = t.find(']');
      if (close != std::string_view::npos) {
        line.isSection = true;
        line.section = std::string(Trim(t.substr(1, close - 1)));
      }
    } else if (!t.empty() && t.front() != ';' && t.front() != '#') {
      size_t eq = t.find('=');
      if (eq != std::string_view::npos) {
        line.isKey = true;
        line.key = std::string(Trim(t.substr(0, eq)));
        line.value = std::string(Trim(t.substr(eq + 1)));
      }
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<Line> ReadLines(const std::filesystem::path& path) {
  std::string bytes;
  if (!platform::ReadWholeFile(path, bytes)) return {};
  return SplitLines(bytes);
}

std::optional<std::string> Lookup(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  bool inSection = false;
  for (const Line& line : lines) {
    if (line.isSection) {
      inSection = SameName(line.section, section);
    } else if (inSection && line.isKey && SameName(line.key, key)) {
      return line.value;
    }
  }
  return std::nullopt;
}

bool Unsafe(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

int64_t ProfileLeadingInt(std::string_view text) {
  text = Trim(text);
  bool negative = false;
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    int digit = text[i] - '0';
    value = (value > (kMax - digit) / 10) ? kMax : value * 10 + digit;
  }
  return negative ? -value : value;
}

bool ProfileBool(std::string_view text) {
  text = Trim(text);
  if (SameName(text, "true")) return true;
  if (text.empty()) return false;
  size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i == text.size()) return false;
  for (size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') return false;  // not a number at all
  return ProfileLeadingInt(text) != 0;
}

int64_t ProfileFile::ReadInt(std::string_view section, std::string_view key, int64_t def) const {
  auto value = Lookup(ReadLines(path_), section, key);
  if (!value) return def;
  return ProfileLeadingInt(*value);
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  auto value = Lookup(ReadLines(path_), section, key);
  return value ? *value : std::string(def);
}

bool ProfileFile::HasKey(std::string_view section, std::string_view key) const {
  return Lookup(ReadLines(path_), section, key).has_value();
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (Unsafe(section) || Unsafe(key) || Unsafe(value) || key.find('=') != std::string_view::npos ||
      section.find(']') != std::string_view::npos || Trim(key).empty())
    return false;
  std::string existing;
  std::error_code ec;
  if (std::filesystem::exists(path_, ec) && !platform::ReadWholeFile(path_, existing)) return false;
  std::vector<Line> lines = SplitLines(existing);
  // The file's own line end for new lines.
  std::string eol = "\n";
  for (const Line& line : lines)
    if (!line.ending.empty()) {
      eol = line.ending;
      break;
    }
  std::string newLine = std::string(key) + "=" + std::string(value);

  bool inSection = false, sectionFound = false, done = false;
  size_t lastOfSection = 0;  // index after the last non-blank line of the first matching section
  size_t sectionIndex = 0;
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    Line& line = lines[i];
    if (line.isSection) {
      if (inSection) break;  // end of the first matching section
      inSection = SameName(line.section, section);
      if (inSection && !sectionFound) {
        sectionFound = true;
        sectionIndex = i;
        lastOfSection = i + 1;
      } else if (inSection) {
        inSection = false;  // a later duplicate section is not written to
      }
    } else if (inSection) {
      if (line.isKey && SameName(line.key, key)) {
        line.raw = newLine;
        done = true;
      } else if (!Trim(line.raw).empty()) {
        lastOfSection = i + 1;
      }
    }
  }
  (void)sectionIndex;
  if (!done) {
    Line added;
    added.raw = newLine;
    added.ending = eol;
    if (sectionFound) {
      if (lastOfSection > 0 && lines[lastOfSection - 1].ending.empty()) lines[lastOfSection - 1].ending = eol;
      lines.insert(lines.begin() + long(lastOfSection), added);
    } else {
      if (!lines.empty() && lines.back().ending.empty()) lines.back().ending = eol;
      Line header;
      header.raw = "[" + std::string(section) + "]";
      header.ending = eol;
      lines.push_back(header);
      lines.push_back(added);
    }
  }
  std::string out;
  for (const Line& line : lines) out += line.raw + line.ending;
  if (!path_.parent_path().empty()) std::filesystem::create_directories(path_.parent_path(), ec);
  return platform::WriteFileAtomically(path_, out);
}

}  // namespace shell
