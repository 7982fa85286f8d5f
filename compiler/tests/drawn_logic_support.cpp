#include "drawn_logic_support.h"

#include <vector>

namespace ladder_test {

using compiler::ProgramDocument;

InputMasks InputMasks::Count(const std::vector<std::string>& names) {
  InputMasks m;
  const size_t n = names.size() < 6 ? names.size() : 6;
  m.all = n == 6 ? ~uint64_t{0} : (uint64_t{1} << (uint64_t{1} << n)) - 1;
  for (size_t i = 0; i < n; ++i) {
    uint64_t mask = 0;
    for (uint64_t a = 0; a < 64; ++a)
      if ((a >> i) & 1) mask |= uint64_t{1} << a;
    m.vars[names[i]] = mask & m.all;
  }
  return m;
}

uint64_t InputMasks::Of(const std::string& name) const {
  if (name == "F0:1") return all;
  auto it = vars.find(name);
  return it == vars.end() ? 0 : it->second;
}

namespace {

struct Power {
  bool reached = false;
  uint64_t on = 0;
};

}  // namespace

OutputMasks DrawnOutputs(const ProgramDocument& doc, int firstRow, int lastRow, const InputMasks& in) {
  OutputMasks out;
  const int rows = lastRow - firstRow + 1;
  if (rows <= 0) return out;
  std::vector<Power> left(static_cast<size_t>(rows), Power{true, in.all});  // the rail
  std::vector<bool> underCounter(static_cast<size_t>(rows), false);
  std::vector<bool> boxMet(static_cast<size_t>(rows), false);
  std::vector<Power> jump(static_cast<size_t>(rows));  // over the gap after a box
  for (int c = 0; c <= 9; ++c) {
    std::vector<Power> right(static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i) {
      const int r = firstRow + i;
      const Power p = left[static_cast<size_t>(i)];
      const std::string& text = doc.TextAt(c, r);
      Power q;
      switch (doc.TypeAt(c, r)) {
        case compiler::kEmpty:
          if (boxMet[static_cast<size_t>(i)] && p.reached) {
            jump[static_cast<size_t>(i)] = p;
            boxMet[static_cast<size_t>(i)] = false;
          }
          break;
        case compiler::kWire:
          q = p;
          break;
        case compiler::kContactNO:
          q = {p.reached, p.on & in.Of(text)};
          break;
        case compiler::kContactNC:
          q = {p.reached, p.on & ~in.Of(text) & in.all};
          break;
        case compiler::kNot:
          q = {p.reached, ~p.on & in.all};
          break;
        case compiler::kRisingEdge:
          q = {p.reached, p.on & ~in.Of("prev:" + text) & in.all};
          break;
        case compiler::kFallingEdge:
          q = {p.reached, ~p.on & in.Of("prev:" + text) & in.all};
          break;
        case compiler::kBox:
          if (p.reached) out["[" + text + "]"] = p.on;
          if (p.reached) boxMet[static_cast<size_t>(i)] = true;
          q = p;
          break;
        case compiler::kCounterBox:
          if (c == 9 && i + 1 < rows) {
            const Power reset = left[static_cast<size_t>(i + 1)];
            if (p.reached) out["{" + text + "}"] = p.on;
            if (reset.reached) out["{" + text + "}.reset"] = reset.on;
            underCounter[static_cast<size_t>(i)] = underCounter[static_cast<size_t>(i + 1)] = true;
          }
          break;
        default:
          break;
      }
      if (underCounter[static_cast<size_t>(i)] && c == 9) q = Power{};
      right[static_cast<size_t>(i)] = q;
    }
    // Links join right edges: power spreads through each linked group.
    for (int i = 0; i < rows;) {
      int j = i;
      while (j + 1 < rows && doc.LinkAt(c, firstRow + j) == 1) ++j;
      Power joined;
      for (int k = i; k <= j; ++k) {
        if (!right[static_cast<size_t>(k)].reached) continue;
        joined.reached = true;
        joined.on |= right[static_cast<size_t>(k)].on;
      }
      for (int k = i; k <= j; ++k) right[static_cast<size_t>(k)] = joined;
      i = j + 1;
    }
    left = right;
  }
  for (int i = 0; i < rows; ++i) {
    const int r = firstRow + i;
    Power p = left[static_cast<size_t>(i)];
    const Power& j = jump[static_cast<size_t>(i)];
    if (j.reached) p = {true, (p.reached ? p.on : 0) | j.on};
    if (doc.TypeAt(10, r) == compiler::kCoil && p.reached) out["(" + doc.TextAt(10, r) + ")"] = p.on;
  }
  return out;
}

OutputMasks TranslatedOutputs(const std::string& lines, const InputMasks& in) {
  OutputMasks out;
  uint64_t now = 0, saved = 0, savest = 0;
  size_t at = 0;
  while (at < lines.size()) {
    size_t end = lines.find("\r\n", at);
    if (end == std::string::npos) end = lines.size();
    std::string line = lines.substr(at, end - at);
    at = end + 2;
    const size_t marker = line.find(" ; __Pos ");
    if (marker != std::string::npos) line.resize(marker);
    const size_t b = line.find_first_not_of(' ');
    if (b == std::string::npos) continue;
    const size_t e = line.find_last_not_of(' ');
    const std::string body = line.substr(b, e - b + 1);
    const size_t gap = body.find(' ');
    const std::string mnemonic = body.substr(0, gap);
    std::string operand;
    if (gap != std::string::npos) operand = body.substr(body.find_first_not_of(' ', gap));
    std::string plain = mnemonic;
    if (plain.size() > 1 && plain[0] == 'S' && plain != "SAVES") plain = plain.substr(1);  // step forms
    const uint64_t v = operand.empty() ? 0 : in.Of(operand);
    if (plain == "LOAD") {
      saved = now;
      now = v;
    } else if (plain == "LOADN") {
      saved = now;
      now = ~v & in.all;
    } else if (plain == "AN") {
      now &= v;
    } else if (plain == "ANN") {
      now &= ~v;
    } else if (plain == "IOR") {
      now |= v;
    } else if (plain == "IORN") {
      now |= ~v & in.all;
    } else if (mnemonic == "ORS") {
      now |= saved;
    } else if (mnemonic == "ANDS") {
      now &= saved;
    } else if (mnemonic == "SAVES") {
      savest = now;
    } else if (mnemonic == "RDS") {
      now = savest;
    } else if (mnemonic == "NT") {
      now = ~now & in.all;
    } else if (mnemonic == "DF") {
      now &= ~in.Of("prev:" + operand);
    } else if (mnemonic == "DFN") {
      now = ~now & in.Of("prev:" + operand) & in.all;
    } else if (mnemonic == "OT") {
      out["(" + operand + ")"] = now;
    } else if (mnemonic == "RET") {
    } else if (mnemonic == "CTU" || mnemonic == "CTD") {
      out["{" + body + "}"] = saved;
      out["{" + body + "}.reset"] = now;
    } else {
      out["[" + body + "]"] = now;
    }
  }
  return out;
}

}  // namespace ladder_test
