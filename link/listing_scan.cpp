#include "link/listing_scan.h"

#include <system_error>

#include "compiler/document.h"
#include "link/build_texts.h"
#include "platform/ansi_text.h"
#include "platform/file_read.h"

namespace plclink {
namespace {

constexpr std::string_view kMarker = "__Pos";

// The value of the leading hexadecimal digits of the (at most) four characters at `pos`.
int HexValue(std::string_view line, size_t pos) {
  int value = 0;
  for (size_t i = pos; i < pos + 4 && i < line.size(); ++i) {
    const char c = line[i];
    int d = (c >= '0' && c <= '9')   ? c - '0'
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                     : -1;
    if (d < 0) break;
    value = value * 16 + d;
  }
  return value;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

}  // namespace

std::string ListingName(int plcModel) { return plcModel > 9 ? "ZQCORE2.LST" : "ZQCORE3.LST"; }

std::optional<ListingMarker> FindListingMarker(std::string_view text) {
  size_t start = 0;
  auto nextLine = [&](std::string_view& line) {
    if (start >= text.size()) return false;
    size_t end = text.find('\n', start);
    line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    start = end == std::string_view::npos ? text.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  };
  std::string_view line;
  while (nextLine(line)) {
    const size_t at = line.find(kMarker);
    if (at == std::string_view::npos) continue;
    // The line is cut two characters before the marker: " ; __Pos" leaves one blank.
    if (at < 2) continue;
    ListingMarker m;
    m.col = HexValue(line, at + 6);
    m.row = HexValue(line, at + 11);
    if (m.col > compiler::kOutputCol || m.row >= compiler::kProgramRows) continue;
    m.topRow = compiler::ProgramDocument::ErrorTopRow(m.row);
    m.lines[0] = std::string(line.substr(0, at - 2));
    for (int i = 1; i < 3; ++i) {
      std::string_view next;
      if (nextLine(next)) m.lines[i] = std::string(next);
    }
    return m;
  }
  return std::nullopt;
}

ListingCheck CheckCompileListing(const std::filesystem::path& folder, int plcModel, bool korean,
                                 platform::MessageSink* messages) {
  namespace t = build_text;
  const std::string name = ListingName(plcModel);
  const std::filesystem::path path = folder / name;
  auto show = [&](const std::string& caption, const std::string& text) {
    if (messages) messages->Show({caption, text, platform::MsgIcon::Information});
  };
  ListingCheck check;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    show(t::kCaptionError, t::kFileNotFound.Pick(korean) + name);
    check.outcome = ListingOutcome::NotFound;
    return check;
  }
  std::string text;
  if (!platform::ReadWholeFile(path, text)) {
    show(t::kCaptionError, t::kOpenError.Pick(korean) + name);
    check.outcome = ListingOutcome::Unreadable;
    return check;
  }
  const std::optional<ListingMarker> m = FindListingMarker(text);
  if (!m) return check;

  check.outcome = ListingOutcome::ErrorAtCell;
  check.col = m->col;
  check.row = m->row;
  // The listing echoes source bytes as read: the code page of the generated files.
  std::string body = t::kLadderCompileError.Pick(korean) + "\r\n\r\n";
  for (int i = 0; i < 3; ++i) {
    if (i > 0) body += "\r\n";
    body += platform::AnsiToUtf8Lossy(TrimLeft(m->lines[i]));
  }
  check.errorMessage = {t::kCaptionCompileError, body, platform::MsgIcon::Information};
  return check;
}

}  // namespace plclink
