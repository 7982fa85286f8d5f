#include "ladder/goto_find.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "compiler/operands.h"
#include "platform/ansi_text.h"
#include "platform/message_box.h"

namespace ladder {

namespace {

const std::string kCaptionError = "Korvane Studio ERROR !";
constexpr int kLastRow = compiler::kProgramRows - 1;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether text contains word starting at a character boundary (a double-byte character is
// never matched by its trail byte and the next lead byte).
bool ContainsAnsi(const platform::AnsiText& text, const platform::AnsiText& word) {
  if (word.size() > text.size()) return false;
  for (size_t i = 0; i + word.size() <= text.size();) {
    if (text.compare(i, word.size(), word) == 0) return true;
    i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
  }
  return false;
}

}  // namespace

int ParseGotoNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::string number;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
  bool digits = false;
  while (i < text.size() && IsDigit(text[i])) number += text[i++], digits = true;
  if (i < text.size() && text[i] == '.') {
    number += text[i++];
    while (i < text.size() && IsDigit(text[i])) number += text[i++], digits = true;
  }
  if (!digits) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    std::string exponent = "e";
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
    bool expDigits = false;
    while (j < text.size() && IsDigit(text[j])) exponent += text[j++], expDigits = true;
    if (expDigits) number += exponent;
  }
  const double value = std::strtod(number.c_str(), nullptr);
  if (!std::isfinite(value) || value >= 32767.5 || value < -32768.5) return 0;
  return static_cast<int>(std::nearbyint(value));  // to nearest, a half to the even neighbour
}

GotoResult GotoLine(compiler::Studio& studio, std::string_view text, int scrollMax) {
  const int n = ParseGotoNumber(text);
  if (n == 0) return GotoResult::Close;
  if (n < 1 || n >= kLastRow || n >= scrollMax) return GotoResult::StayOpen;
  compiler::ProgramDocument& doc = studio.doc;
  doc.TopRow = static_cast<int16_t>(n - 1);
  doc.CurRow = static_cast<int16_t>(n - 1);
  doc.CurCol = 0;
  return GotoResult::Moved;
}

FindResult FindNext(compiler::Studio& studio, std::string_view typedUtf8) {
  if (typedUtf8.empty()) return FindResult::Close;
  compiler::FindState& find = studio.editor.find;
  compiler::ProgramDocument& doc = studio.doc;
  find.FindWord = std::string(typedUtf8);
  const std::optional<platform::AnsiText> ansi = platform::Utf8ToAnsi(typedUtf8);
  bool found = false;
  int hitCol = 0, hitRow = 0;
  if (ansi) {  // a word the program's code page cannot hold is in no cell
    const platform::AnsiText word = compiler::AnsiUpper(*ansi);
    for (int row = std::max<int>(find.FindRow, 0); row <= kLastRow && !found; ++row) {
      for (int col = row == find.FindRow ? std::max<int>(find.FindCol, 0) : 0; col <= compiler::kOutputCol; ++col) {
        const platform::AnsiText& text = doc.CellText[col][row];
        if (ContainsAnsi(text, word)) {
          found = true;
          hitCol = col;
          hitRow = row;
          break;
        }
        if (text == "END") {
          row = kLastRow;  // the scan ends at the END cell
          break;
        }
      }
    }
  }
  if (found) {
    doc.TopRow = static_cast<int16_t>(hitRow);
    doc.CurRow = static_cast<int16_t>(hitRow);
    doc.CurCol = static_cast<int16_t>(hitCol);
    find.FindCol = static_cast<int16_t>(hitCol + 1);
    find.FindRow = static_cast<int16_t>(hitRow);
    return FindResult::Found;
  }
  find.FindCol = 0;
  find.FindRow = 0;
  if (studio.messages) {
    const std::string text =
        studio.shell.KoreanMenu ? find.FindWord + "을 찾을 수 없습니다. " : "Not Found [" + find.FindWord + "] ";
    studio.messages->Show({kCaptionError, text, platform::MsgIcon::Information, platform::MsgButtons::Ok});
  }
  return FindResult::NotFound;
}

}  // namespace ladder
