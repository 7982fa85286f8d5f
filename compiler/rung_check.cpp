#include "compiler/rung_check.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "compiler/asm_output.h"
#include "compiler/bool_diagram.h"
#include "compiler/operands.h"

namespace compiler {
namespace {

using Ref = BoolDiagram::Ref;

// An output: row, column, and which input of a counter box (0 count, 1 reset).
using OutputKey = std::tuple<int, int, int>;

using Output = std::pair<OutputKey, Ref>;

bool KeyBefore(const Output& a, const Output& b) { return a.first < b.first; }

struct NameHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

struct Power {
  bool reached = false;
  Ref on = BoolDiagram::kFalse;
};

}  // namespace

class RungChecker::Logic {
 public:
  explicit Logic(const ProgramDocument& doc) : doc_(doc) {}

  // A device by its operand text; the lines carry the text without its outer blanks.
  Ref Var(std::string_view name) {
    name = TrimBlanks(name);
    auto it = vars_.find(name);
    if (it == vars_.end()) it = vars_.emplace(std::string(name), static_cast<int>(vars_.size())).first;
    return bdd_.Var(it->second);
  }

  // The state an edge element had on the scan before, by its operand text.
  Ref Edge(std::string_view text) {
    std::string name = "prev:";
    name += TrimBlanks(text);
    return Var(name);
  }

  Power Join(Power a, Power b) {
    if (!a.reached) return b;
    if (!b.reached) return a;
    return {true, bdd_.Or(a.on, b.on)};
  }

  // Outputs of the drawing of rows first..last into drawn_, each once.
  void Drawn(int first, int last);
  // Outputs written by the lines into written_ (an output written twice appears twice).
  void Translated(const std::string& lines);

  enum class Verdict { Same, Differs, TooLarge };
  // The rung of rows firstRow..lastRow against its lines; col and row name the first output
  // that differs.
  Verdict Compare(int firstRow, int lastRow, const std::string& lines, int& col, int& row);

  bool Overflowed() const { return bdd_.Overflowed(); }
  // Nothing kept from an earlier rung.
  bool Fresh() const { return bdd_.Size() == BoolDiagram::kTerminals && vars_.empty(); }
  // Kept logic beyond what a rung may reuse cheaply.
  bool Large() const { return bdd_.Size() > kKeptNodes; }
  void Reset() {
    bdd_.Clear();
    vars_.clear();
  }

 private:
  static constexpr size_t kKeptNodes = 100000;

  const ProgramDocument& doc_;
  BoolDiagram bdd_;
  std::unordered_map<std::string, int, NameHash, std::equal_to<>> vars_;
  // Kept from rung to rung for their memory.
  std::vector<Output> drawn_, written_;
  std::vector<OutputKey> keys_;
  std::vector<Power> left_, right_, bridge_;
  std::vector<char> afterBox_, underCounter_;
};

void RungChecker::Logic::Drawn(int first, int last) {
  std::vector<Output>& out = drawn_;
  out.clear();
  const auto rows = static_cast<size_t>(last - first + 1);
  std::vector<Power>& left = left_;
  std::vector<Power>& right = right_;
  std::vector<Power>& bridge = bridge_;  // power taken to the output column over a gap
  std::vector<char>& afterBox = afterBox_;
  std::vector<char>& underCounter = underCounter_;
  left.assign(rows, Power{true, BoolDiagram::kTrue});  // the rail
  bridge.assign(rows, Power{});
  afterBox.assign(rows, 0);
  underCounter.assign(rows, 0);
  for (int c = 0; c <= 9; ++c) {
    right.assign(rows, Power{});
    for (size_t i = 0; i < rows; ++i) {
      const int r = first + static_cast<int>(i);
      const Power p = left[i];
      if (!p.reached && doc_.TypeAt(c, r) != kCounterBox) continue;
      const std::string& text = doc_.TextAt(c, r);
      Power q;
      switch (doc_.TypeAt(c, r)) {
        case kEmpty:
          if (afterBox[i]) bridge[i] = Join(bridge[i], p);
          afterBox[i] = 0;
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
          q = {true, bdd_.And(p.on, bdd_.Not(Edge(text)))};
          break;
        case kFallingEdge:
          q = {true, bdd_.And(bdd_.Not(p.on), Edge(text))};
          break;
        case kBox:
          out.push_back({{r, c, 0}, p.on});
          afterBox[i] = 1;
          q = p;
          break;
        case kCounterBox:
          if (c == 9 && i + 1 < rows && !underCounter[i]) {
            if (p.reached) out.push_back({{r, c, 0}, p.on});
            if (left[i + 1].reached) out.push_back({{r, c, 1}, left[i + 1].on});
            underCounter[i] = underCounter[i + 1] = 1;
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
    std::swap(left, right);
  }
  for (size_t i = 0; i < rows; ++i) {
    const int r = first + static_cast<int>(i);
    const Power p = Join(left[i], bridge[i]);
    if (doc_.TypeAt(kOutputCol, r) == kCoil && p.reached) out.push_back({{r, kOutputCol, 0}, p.on});
  }
}

namespace {

// " ; __Pos cccc rrrr": the marker's column and row.
bool ReadMarker(std::string_view line, size_t at, int& col, int& row) {
  const std::string_view digits = line.substr(at + 9);
  if (digits.size() < 9) return false;
  char field[5] = {};
  digits.substr(0, 4).copy(field, 4);
  col = static_cast<int>(std::strtol(field, nullptr, 16));
  digits.substr(5, 4).copy(field, 4);
  row = static_cast<int>(std::strtol(field, nullptr, 16));
  return true;
}

}  // namespace

void RungChecker::Logic::Translated(const std::string& lines) {
  std::vector<Output>& out = written_;
  out.clear();
  // Whatever an earlier rung left in the registers is unknown here.
  Ref now = Var("#now"), saved = Var("#saved"), kept = Var("#kept");
  const std::string_view all = lines;
  size_t at = 0;
  while (at < all.size()) {
    size_t end = all.find("\r\n", at);
    if (end == std::string_view::npos) end = all.size();
    std::string_view line = all.substr(at, end - at);
    at = end + 2;
    int col = -1, row = -1;
    const size_t marker = line.find(" ; __Pos ");
    const bool marked = marker != std::string_view::npos && ReadMarker(line, marker, col, row);
    if (marker != std::string_view::npos) line = line.substr(0, marker);
    const std::string_view body = TrimBlanks(line);
    if (body.empty()) continue;
    const size_t gap = body.find(' ');
    const std::string_view mnemonic = body.substr(0, gap);
    const std::string_view operand =
        gap == std::string_view::npos ? std::string_view() : body.substr(body.find_first_not_of(' ', gap));
    std::string_view contact = mnemonic;
    if (contact.size() > 2 && contact[0] == 'S') contact.remove_prefix(1);  // step contact forms
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
      now = bdd_.And(now, bdd_.Not(Edge(operand)));
    } else if (mnemonic == "DFN") {
      now = bdd_.And(bdd_.Not(now), Edge(operand));
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
}

namespace {

bool Linked(const ProgramDocument& doc, int upperRow) {
  for (int c = 0; c <= 9; ++c)
    if (doc.LinkAt(c, upperRow) == 1) return true;
  return false;
}

}  // namespace

RungChecker::Logic::Verdict RungChecker::Logic::Compare(int firstRow, int lastRow, const std::string& lines, int& col,
                                                        int& row) {
  int first = firstRow, last = lastRow;
  while (first > 0 && Linked(doc_, first - 1)) --first;
  while (last < kProgramRows - 1 && Linked(doc_, last)) ++last;

  Drawn(first, last);
  Translated(lines);
  if (Overflowed()) return Verdict::TooLarge;

  std::sort(drawn_.begin(), drawn_.end(), KeyBefore);
  std::sort(written_.begin(), written_.end(), KeyBefore);
  keys_.clear();
  for (const auto& [key, value] : written_) keys_.push_back(key);
  for (const auto& [key, value] : drawn_)
    if (std::get<0>(key) >= firstRow && std::get<0>(key) <= lastRow) keys_.push_back(key);
  std::sort(keys_.begin(), keys_.end());
  keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
  for (const OutputKey& key : keys_) {
    const auto [r, c, part] = key;
    if (doc_.TypeAt(c, r) == kBox && doc_.TextAt(c, r) == "END") continue;
    const Output probe{key, BoolDiagram::kFalse};
    const auto d = std::lower_bound(drawn_.begin(), drawn_.end(), probe, KeyBefore);
    const auto [from, to] = std::equal_range(written_.begin(), written_.end(), probe, KeyBefore);
    bool same = d != drawn_.end() && d->first == key && from != to;
    for (auto g = from; same && g != to; ++g) same = g->second == d->second;
    if (!same) {
      col = c;
      row = r;
      return Verdict::Differs;
    }
  }
  return Verdict::Same;
}

RungChecker::RungChecker(const ProgramDocument& doc) : logic_(std::make_unique<Logic>(doc)) {}

RungChecker::~RungChecker() = default;

bool RungChecker::Differs(int firstRow, int lastRow, const std::string& lines, int& col, int& row) {
  if (logic_->Large()) logic_->Reset();
  const bool fresh = logic_->Fresh();
  Logic::Verdict verdict = logic_->Compare(firstRow, lastRow, lines, col, row);
  if (verdict == Logic::Verdict::TooLarge && !fresh) {
    // Perhaps only too large beside what the earlier rungs left: compare it on its own.
    logic_->Reset();
    verdict = logic_->Compare(firstRow, lastRow, lines, col, row);
  }
  if (verdict == Logic::Verdict::TooLarge) logic_->Reset();
  return verdict == Logic::Verdict::Differs;
}

}  // namespace compiler
