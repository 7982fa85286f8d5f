#include "compiler/rung_check.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <tuple>
#include <vector>

#include "compiler/asm_output.h"
#include "compiler/bool_diagram.h"

namespace compiler {
namespace {

using Ref = BoolDiagram::Ref;

// An output: row, column, and which input of a counter box (0 count, 1 reset).
using OutputKey = std::tuple<int, int, int>;

struct Power {
  bool reached = false;
  Ref on = BoolDiagram::kFalse;
};

class RungLogic {
 public:
  explicit RungLogic(const ProgramDocument& doc) : doc_(doc) {}

  // A device by its operand text; the lines carry the text without its outer blanks.
  Ref Var(std::string name) {
    const size_t b = name.find_first_not_of(' ');
    name = b == std::string::npos ? std::string() : name.substr(b, name.find_last_not_of(' ') - b + 1);
    auto it = vars_.find(name);
    if (it == vars_.end()) it = vars_.emplace(name, static_cast<int>(vars_.size())).first;
    return bdd_.Var(it->second);
  }

  // The state an edge element had on the scan before, by its operand text.
  static std::string Edge(const std::string& text) {
    const size_t b = text.find_first_not_of(' ');
    return b == std::string::npos ? "prev:" : "prev:" + text.substr(b);
  }

  Power Join(Power a, Power b) {
    if (!a.reached) return b;
    if (!b.reached) return a;
    return {true, bdd_.Or(a.on, b.on)};
  }

  // Outputs of the drawing of rows first..last.
  std::map<OutputKey, Ref> Drawn(int first, int last);
  // Outputs written by the lines, in order (an output written twice appears twice).
  std::vector<std::pair<OutputKey, Ref>> Translated(const std::string& lines);

  bool Overflowed() const { return bdd_.Overflowed(); }

 private:
  const ProgramDocument& doc_;
  BoolDiagram bdd_;
  std::map<std::string, int> vars_;
};

std::map<OutputKey, Ref> RungLogic::Drawn(int first, int last) {
  std::map<OutputKey, Ref> out;
  const auto rows = static_cast<size_t>(last - first + 1);
  std::vector<Power> left(rows, Power{true, BoolDiagram::kTrue});  // the rail
  std::vector<Power> bridge(rows);                                 // power taken to the output column over a gap
  std::vector<bool> afterBox(rows, false);
  std::vector<bool> underCounter(rows, false);
  for (int c = 0; c <= 9; ++c) {
    std::vector<Power> right(rows);
    for (size_t i = 0; i < rows; ++i) {
      const int r = first + static_cast<int>(i);
      const Power p = left[i];
      if (!p.reached && doc_.TypeAt(c, r) != kCounterBox) continue;
      const std::string& text = doc_.TextAt(c, r);
      Power q;
      switch (doc_.TypeAt(c, r)) {
        case kEmpty:
          if (afterBox[i]) bridge[i] = Join(bridge[i], p);
          afterBox[i] = false;
          break;
        case kWire:
          q = p;
          break;
        case kContactNO:
          q = {true, bdd_.And(p.on, Var(ConvertContactOperand(text)))};
          break;
        case kContactNC:
          q = {true, bdd_.And(p.on, bdd_.Not(Var(ConvertContactOperand(text))))};
          break;
        case kNot:
          q = {true, bdd_.Not(p.on)};
          break;
        case kRisingEdge:
          q = {true, bdd_.And(p.on, bdd_.Not(Var(Edge(text))))};
          break;
        case kFallingEdge:
          q = {true, bdd_.And(bdd_.Not(p.on), Var(Edge(text)))};
          break;
        case kBox:
          out[{r, c, 0}] = p.on;
          afterBox[i] = true;
          q = p;
          break;
        case kCounterBox:
          if (c == 9 && i + 1 < rows && !underCounter[i]) {
            if (p.reached) out[{r, c, 0}] = p.on;
            if (left[i + 1].reached) out[{r, c, 1}] = left[i + 1].on;
            underCounter[i] = underCounter[i + 1] = true;
          }
          break;
        default:
          break;
      }
      if (c == 9 && underCounter[i]) q = Power{};
      right[i] = q;
    }
    // A vertical link joins the right edges of its two cells.
    for (size_t i = 0; i < rows;) {
      size_t j = i;
      while (j + 1 < rows && doc_.LinkAt(c, first + static_cast<int>(j)) == 1) ++j;
      Power joined;
      for (size_t k = i; k <= j; ++k) joined = Join(joined, right[k]);
      for (size_t k = i; k <= j; ++k) right[k] = joined;
      i = j + 1;
    }
    left = std::move(right);
  }
  for (size_t i = 0; i < rows; ++i) {
    const int r = first + static_cast<int>(i);
    const Power p = Join(left[i], bridge[i]);
    if (doc_.TypeAt(kOutputCol, r) == kCoil && p.reached) out[{r, kOutputCol, 0}] = p.on;
  }
  return out;
}

bool ReadMarker(const std::string& line, size_t at, int& col, int& row) {
  // " ; __Pos cccc rrrr"
  const std::string digits = line.substr(at + 9);
  if (digits.size() < 9) return false;
  char* end = nullptr;
  col = static_cast<int>(std::strtol(digits.substr(0, 4).c_str(), &end, 16));
  row = static_cast<int>(std::strtol(digits.substr(5, 4).c_str(), &end, 16));
  return true;
}

std::vector<std::pair<OutputKey, Ref>> RungLogic::Translated(const std::string& lines) {
  std::vector<std::pair<OutputKey, Ref>> out;
  // Whatever an earlier rung left in the registers is unknown here.
  Ref now = Var("#now"), saved = Var("#saved"), kept = Var("#kept");
  size_t at = 0;
  while (at < lines.size()) {
    size_t end = lines.find("\r\n", at);
    if (end == std::string::npos) end = lines.size();
    std::string line = lines.substr(at, end - at);
    at = end + 2;
    int col = -1, row = -1;
    const size_t marker = line.find(" ; __Pos ");
    const bool marked = marker != std::string::npos && ReadMarker(line, marker, col, row);
    if (marker != std::string::npos) line.resize(marker);
    const size_t b = line.find_first_not_of(' ');
    if (b == std::string::npos) continue;
    const std::string body = line.substr(b, line.find_last_not_of(' ') - b + 1);
    const size_t gap = body.find(' ');
    const std::string mnemonic = body.substr(0, gap);
    const std::string operand = gap == std::string::npos ? "" : body.substr(body.find_first_not_of(' ', gap));
    std::string contact = mnemonic;
    if (contact.size() > 2 && contact[0] == 'S') contact.erase(0, 1);  // step contact forms
    const bool isContact = contact == "LOAD" || contact == "LOADN" || contact == "AN" || contact == "ANN" ||
                           contact == "IOR" || contact == "IORN";
    if (isContact) {
      Ref v;
      if (marked) {
        v = Var(operand);
      } else if (operand == "F0:1") {
        v = BoolDiagram::kTrue;  // the always-on bit of a row that starts with a wire
      } else {
        continue;  // master-control conditions and the down counter's flag
      }
      if (contact == "LOAD" || contact == "LOADN") saved = now;
      if (contact == "LOAD") now = v;
      if (contact == "LOADN") now = bdd_.Not(v);
      if (contact == "AN") now = bdd_.And(now, v);
      if (contact == "ANN") now = bdd_.And(now, bdd_.Not(v));
      if (contact == "IOR") now = bdd_.Or(now, v);
      if (contact == "IORN") now = bdd_.Or(now, bdd_.Not(v));
    } else if (mnemonic == "ORS") {
      now = bdd_.Or(now, saved);
    } else if (mnemonic == "ANDS") {
      now = bdd_.And(now, saved);
    } else if (mnemonic == "SAVES") {
      kept = now;
    } else if (mnemonic == "RDS") {
      now = kept;
    } else if (mnemonic == "NT") {
      now = bdd_.Not(now);
    } else if (mnemonic == "DF") {
      now = bdd_.And(now, bdd_.Not(Var(Edge(operand))));
    } else if (mnemonic == "DFN") {
      now = bdd_.And(bdd_.Not(now), Var(Edge(operand)));
    } else if (!marked) {
      continue;  // the END box's return and the lines of no cell
    } else if (mnemonic == "OT") {
      out.push_back({{row, col, 0}, now});
    } else if (doc_.TypeAt(col, row) == kCounterBox) {
      out.push_back({{row, col, 0}, saved});
      out.push_back({{row, col, 1}, now});
    } else {
      out.push_back({{row, col, 0}, now});
    }
  }
  return out;
}

bool Linked(const ProgramDocument& doc, int upperRow) {
  for (int c = 0; c <= 9; ++c)
    if (doc.LinkAt(c, upperRow) == 1) return true;
  return false;
}

}  // namespace

bool RungLogicDiffers(const ProgramDocument& doc, int firstRow, int lastRow, const std::string& lines, int& col,
                      int& row) {
  int first = firstRow, last = lastRow;
  while (first > 0 && Linked(doc, first - 1)) --first;
  while (last < kProgramRows - 1 && Linked(doc, last)) ++last;

  RungLogic logic(doc);
  const std::map<OutputKey, Ref> drawn = logic.Drawn(first, last);
  const std::vector<std::pair<OutputKey, Ref>> written = logic.Translated(lines);
  if (logic.Overflowed()) return false;

  std::map<OutputKey, std::vector<Ref>> got;
  for (const auto& [key, value] : written) got[key].push_back(value);
  std::vector<OutputKey> keys;
  for (const auto& [key, value] : got) keys.push_back(key);
  for (const auto& [key, value] : drawn)
    if (std::get<0>(key) >= firstRow && std::get<0>(key) <= lastRow) keys.push_back(key);
  std::sort(keys.begin(), keys.end());
  for (const OutputKey& key : keys) {
    const auto [r, c, part] = key;
    if (doc.TypeAt(c, r) == kBox && doc.TextAt(c, r) == "END") continue;
    auto d = drawn.find(key);
    auto g = got.find(key);
    bool same = d != drawn.end() && g != got.end();
    if (same)
      for (Ref v : g->second) same = same && v == d->second;
    if (!same) {
      col = c;
      row = r;
      return true;
    }
  }
  return false;
}

}  // namespace compiler
