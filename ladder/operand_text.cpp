#include "ladder/operand_text.h"

#include <cctype>

#include "compiler/operands.h"

namespace ladder {

bool IsComment(const platform::AnsiText& text) { return !text.empty() && text[0] == '\''; }

platform::AnsiText DeviceOfAlias(const compiler::ProgramDocument& doc, const platform::AnsiText& text) {
  const platform::AnsiText name = compiler::AnsiUpper(TrimBlanks(text));
  if (name.empty()) return {};
  return compiler::AliasToDevice(doc, name);
}

platform::AnsiText InsertBitColon(const platform::AnsiText& text) {
  if (text.find(':') != std::string::npos) return text;
  const size_t chars = platform::AnsiCharCount(text);
  if (chars <= 2) return text;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  if (std::string_view("MPFSK").find(letter) == std::string_view::npos) return text;
  if (text[1] < '0' || text[1] > '9') return text;
  const size_t cut = platform::AnsiBytesOfChars(text, chars - 1);
  return text.substr(0, cut) + ":" + text.substr(cut);
}

}  // namespace ladder
