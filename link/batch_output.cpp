#include "link/batch_output.h"

#include <vector>

#include "platform/ansi_text.h"

namespace plclink {
namespace {

bool Blank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// The first `chars` characters of a UTF-8 line, "..." after them when it is longer.
std::string Cut(std::string_view line, int chars) {
  std::size_t at = 0;
  for (int n = 0; at < line.size(); ++n) {
    if (n == chars) return std::string(line.substr(0, at)) + "...";
    ++at;
    while (at < line.size() && (static_cast<unsigned char>(line[at]) & 0xC0) == 0x80) ++at;
  }
  return std::string(line);
}

}  // namespace

std::string BatchOutputLines(std::string_view output) {
  const std::string text = platform::IsUtf8(output) ? std::string(output) : platform::AnsiToUtf8Lossy(output);
  std::vector<std::string_view> lines;
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
  }
  std::size_t first = 0, last = lines.size();
  while (first < last && Blank(lines[first])) ++first;
  while (last > first && Blank(lines[last - 1])) --last;

  std::vector<std::string> shown;
  const std::size_t count = last - first;
  const std::size_t limit = kShownBatchLines;
  for (std::size_t i = first; i < last; ++i) {
    if (count > limit && i == first + limit / 2) {
      shown.push_back("...");
      i = last - (limit - limit / 2 - 1);
    }
    shown.push_back(Cut(lines[i], kShownLineChars));
  }
  std::string joined;
  for (const std::string& line : shown) {
    if (!joined.empty()) joined += "\r\n";
    joined += line;
  }
  return joined;
}

std::string WithBatchOutput(const std::string& message, std::string_view output) {
  const std::string lines = BatchOutputLines(output);
  return lines.empty() ? message : message + "\r\n\r\n" + lines;
}

}  // namespace plclink
