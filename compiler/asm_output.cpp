#include "compiler/asm_output.h"

#include <array>
#include <functional>
#include <map>

#include "compiler/operands.h"
#include "platform/ansi_text.h"

namespace compiler {

namespace {

void AppendPosComment(std::string& out, int col, int row) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  char buf[] = " ; __Pos 0000 0000\r\n";
  const auto c = static_cast<unsigned>(col), r = static_cast<unsigned>(row);
  for (int i = 0; i < 4; ++i) {
    buf[12 - i] = kHex[(c >> (4 * i)) & 0xF];
    buf[17 - i] = kHex[(r >> (4 * i)) & 0xF];
  }
  out.append(buf, sizeof buf - 1);
}

// head + text + the marker of (col, row), built in one buffer.
std::string MarkedLine(std::string_view head, std::string_view text, int col, int row) {
  std::string line;
  line.reserve(head.size() + text.size() + 20);
  line += head;
  line += text;
  AppendPosComment(line, col, row);
  return line;
}

}  // namespace

std::string MakePosComment(int col, int row) {
  std::string out;
  AppendPosComment(out, col, row);
  return out;
}

namespace {

struct CompareName {
  std::string_view op;
  std::string_view name;
};

constexpr std::array<CompareName, 22> kCompareNames{{
    {"=", "EQ"},    {"<>", "NE"},   {"><", "NE"},   {"!=", "NE"},   {"=!", "NE"},  {">", "GT"},
    {"<", "LT"},    {">=", "GE"},   {"=>", "GE"},   {"<=", "LE"},   {"=<", "LE"},  {"D=", "DEQ"},
    {"D<>", "DNE"}, {"D><", "DNE"}, {"D!=", "DNE"}, {"D=!", "DNE"}, {"D>", "DGT"}, {"D<", "DLT"},
    {"D>=", "DGE"}, {"D=>", "DGE"}, {"D<=", "DLE"}, {"D=<", "DLE"},
}};

// The compare operator the text begins with, the longest that fits (">=C0" is ">=", not
// ">"); empty when the text begins with none.
std::string_view LeadingCompare(std::string_view text, std::string_view& name) {
  std::string_view best;
  for (const auto& c : kCompareNames) {
    if (c.op.size() > best.size() && text.substr(0, c.op.size()) == c.op) {
      best = c.op;
      name = c.name;
    }
  }
  return best;
}

}  // namespace

std::string ConvertContactOperand(std::string_view text) {
  if (text.empty()) return {};
  if (text[0] == 'T') return std::string(text) + ":7";
  if (text[0] == 'C') return "C" + std::string(text) + ":7";
  std::string_view name;
  const std::string_view op = LeadingCompare(text, name);
  if (op.empty()) return std::string(text);
  // The macros take the condition and the two values as comma-separated parameters: a
  // blank after the operator, or none, becomes the comma ("D>= D0, 10" and "D>=D0, 10"
  // -> "DGE,D0, 10").
  std::string_view rest = text.substr(op.size());
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  std::string out(name);
  if (rest.empty()) return out;
  if (rest.front() != ',') out += ',';
  return out + std::string(rest);
}

std::string ContactLine(ContactOp op, std::string_view cellText, int col, int row) {
  static constexpr std::array<std::string_view, 6> kPlain{" LOAD   ", " LOADN  ", " AN     ",
                                                          " ANN    ", " IOR    ", " IORN   "};
  static constexpr std::array<std::string_view, 6> kStep{" SLOAD  ", " SLOADN ", " SAN    ",
                                                         " SANN   ", " SIOR   ", " SIORN  "};
  const bool step = !cellText.empty() && cellText[0] == 'S';
  const auto index = static_cast<size_t>(op);
  return MarkedLine(step ? kStep[index] : kPlain[index], ConvertContactOperand(cellText), col, row);
}

std::string CoilLine(std::string_view text, int col, int row) { return MarkedLine(" OT      ", text, col, row); }

std::string NotLine(int col, int row) { return MarkedLine(" NT      ", {}, col, row); }

std::string EdgeLine(bool rising, bool branchForm, std::string_view text, int col, int row) {
  std::string_view head;
  if (branchForm) {
    head = rising ? " DF     " : " DFN    ";
  } else {
    head = rising ? " DF      " : " DFN     ";
  }
  return MarkedLine(head, text, col, row);
}

std::string BoxLine(std::string_view text, int col, int row) { return MarkedLine(" ", text, col, row); }

std::string McsConditionLine(int level) { return " AN      MC0:" + std::to_string(level) + " \r\n"; }

std::string MakeAssemblerCopy(std::string_view in) {
  std::string out;
  out.reserve(in.size() + 2);
  std::map<std::string, std::string, std::less<>> johabOf;  // each character converted once
  for (size_t i = 0; i < in.size();) {
    const auto c = static_cast<unsigned char>(in[i]);
    if (c > 127) {
      const size_t len = (i + 1 < in.size()) ? 2 : 1;
      const std::string_view ansi = in.substr(i, len);
      auto known = johabOf.find(ansi);
      if (known == johabOf.end()) {
        auto johab = platform::AnsiToJohab(ansi);
        if (!johab || johab->empty() || johab->find('\0') != std::string::npos)
          johab = std::string(len, ' ');  // no Johab form: never let a NUL or a stray byte through
        known = johabOf.emplace(std::string(ansi), std::move(*johab)).first;
      }
      out += known->second;
      i += len;
      continue;
    }
    if (c == ':') {
      out += ',';
    } else if (c == 0) {
      out += ' ';
    } else {
      out += static_cast<char>(c);
    }
    ++i;
  }
  out += "\r\n";
  return out;
}

}  // namespace compiler
