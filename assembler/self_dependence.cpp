#include "assembler/self_dependence.h"

#include <algorithm>
#include <vector>

#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/segments.h"
#include "assembler/statement_services.h"
#include "assembler/statements.h"

namespace aq71 {

namespace {

// Labels defined by labels defined by labels ...: followed this deep, no deeper.
constexpr int kMaxDepth = 64;

// An ORG or ASEG line whose location the walk knows: what follows it no longer moves with what
// comes before it.
bool known_location(const Statement& st) {
  const ValueRec* loc = location_of(st);
  return loc && !st.failed && loc->solved();
}

// Which lines of an absolute segment lie where they do because of where the segment starts: from
// its first line to the first location that is not reckoned from such places.
class StartPlaces {
 public:
  StartPlaces(const Segment& seg, int index) : index_(index) {
    bool from_start = true;
    for (const Statement* st : seg.chain) {
      if (from_start) line_starts_.insert(st);
      const ValueRec* loc = location_of(*st);
      if (!loc) continue;
      if (st->failed) {
        from_start = false;  // placed at 0
      } else if (loc != seg.start) {
        from_start = uses(loc->terms);
      }
      if (from_start) locations_.insert(st);
    }
  }

  // Whether the terms use, directly or through labels defined by expressions or by ORG lines, a
  // label placed from the start.
  bool uses(const TermList& terms) {
    seen_.clear();
    return uses_terms(terms);
  }

 private:
  bool uses_terms(const TermList& terms) {
    for (const ExprTerm& t : terms) {
      if (t.kind != ExprTerm::Symbol || !t.label) continue;
      const LabelRec* l = t.label;
      if (std::find(seen_.begin(), seen_.end(), l) != seen_.end()) continue;
      seen_.push_back(l);
      if (l->flags & LABEL_EXTERN) continue;
      if (l->value && !l->value->terms.empty()) {
        if (uses_terms(l->value->terms)) return true;
        continue;
      }
      const Statement* st = placing_statement(*l);
      if (!st) continue;
      // The label of an ORG line is its location (in whatever segment); "$" and any other label
      // lie where their line begins.
      const ValueRec* loc = st->location_label() == l ? nullptr : location_of(*st);
      if (st->segment != index_) {
        if (loc && uses_terms(loc->terms)) return true;
        continue;
      }
      if (loc ? locations_.count(st) : line_starts_.count(st)) return true;
    }
    return false;
  }

  int index_;
  std::unordered_set<const Statement*> line_starts_;  // lines that begin at a place from the start
  std::unordered_set<const Statement*> locations_;    // ORG lines whose location is reckoned from it
  std::vector<const LabelRec*> seen_;
};

// Whether the terms use, directly or through labels defined by expressions, a label some line
// places. Most starts are numbers or equates of numbers: they need no look at the lines.
bool uses_placed_labels(const TermList& terms, std::vector<const LabelRec*>& seen) {
  for (const ExprTerm& t : terms) {
    if (t.kind != ExprTerm::Symbol || !t.label) continue;
    const LabelRec* l = t.label;
    if (std::find(seen.begin(), seen.end(), l) != seen.end()) continue;
    seen.push_back(l);
    if (l->value && !l->value->terms.empty() ? uses_placed_labels(l->value->terms, seen)
                                             : placing_statement(*l) != nullptr)
      return true;
  }
  return false;
}

}  // namespace

void settle_segment_starts(Assembly& run) {
  SegmentTable& table = segments(run);
  for (int i = 0; i < table.count(); ++i) {
    Segment& seg = table[i];
    if (!seg.absolute() || !seg.start) continue;
    std::vector<const LabelRec*> seen;
    if (!uses_placed_labels(seg.start->terms, seen)) continue;
    StartPlaces places(seg, i);
    if (places.uses(seg.start->terms)) seg.start = new_constant_expression_A08(run, 0);
  }
}

void SizeDependence::place_segment(int segment) {
  if (!placed_segments_.insert(segment).second) return;
  Place p;
  for (const Statement* st : segments_[segment].chain) {
    // The sizing walk knows every place again from a known location on.
    if (known_location(*st)) ++p.stretch;
    places_[st] = p;
    ++p.index;
    if (st->kind == StatementKind::Alignment && !st->failed) ++p.alignments;
  }
}

bool SizeDependence::depends_on_own_size(const Statement& st, const ValueRec& expr) {
  place_segment(st.segment);
  const auto at = places_.find(&st);
  if (at == places_.end()) return false;
  statement_ = &st;
  place_ = at->second;
  labels_.clear();
  visiting_.clear();
  return of_terms(expr.terms, 0).any();
}

SizeDependence::Change SizeDependence::of_terms(const TermList& terms, int depth) {
  std::vector<Change> stack;
  for (const ExprTerm& t : terms) {
    switch (t.kind) {
      case ExprTerm::Symbol:
        stack.push_back(of_label(t.label, depth));
        break;
      case ExprTerm::Operator: {
        const std::size_t need = t.unary ? 1 : 2;
        if (stack.size() < need) return {};
        const Change b = stack.back();
        stack.pop_back();
        Change a;
        if (!t.unary) {
          a = stack.back();
          stack.pop_back();
        }
        Change r;
        if (t.token == OP_ADD) {
          r = {a.times + b.times, a.other || b.other};
        } else if (t.token == OP_SUB) {
          r = {a.times - b.times, a.other || b.other};
        } else {
          r.other = a.any() || b.any();
        }
        stack.push_back(r);
        break;
      }
      case ExprTerm::String:  // a deferred check follows: not part of the value
        return stack.size() == 1 ? stack.back() : Change{};
      default:
        stack.push_back({});
        break;
    }
  }
  return stack.size() == 1 ? stack.back() : Change{};
}

SizeDependence::Change SizeDependence::of_label(const LabelRec* label, int depth) {
  if (!label || (label->flags & LABEL_EXTERN) || label_solved(*label) || !label->value) return {};
  const ValueRec& v = *label->value;
  if (!v.terms.empty()) {
    // Defined by an expression: it changes as that does.
    if (const auto known = labels_.find(label); known != labels_.end()) return known->second;
    if (depth >= kMaxDepth || !visiting_.insert(label).second) return {};
    const Change c = of_terms(v.terms, depth + 1);
    visiting_.erase(label);
    labels_[label] = c;
    return c;
  }
  // Placed: it moves with the size when it lies after the statement in the same stretch. The
  // label of a known location is that location; "$" of the line is where the line begins.
  const Statement* at = placing_statement(*label);
  if (!at || at->segment != statement_->segment) return {};
  const bool known = known_location(*at);
  if (known && at->location_label() != label) return {};
  const auto p = places_.find(at);
  if (p == places_.end() || p->second.index <= place_.index) return {};
  if (p->second.stretch - (known ? 1 : 0) != place_.stretch) return {};  // "$" lies before its location
  const std::uint32_t own = statement_->kind == StatementKind::Alignment ? 1 : 0;
  if (p->second.alignments > place_.alignments + own) return {0, true};  // an alignment between
  return {1, false};
}

}  // namespace aq71
