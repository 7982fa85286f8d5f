#include "assembler/self_dependence.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/segments.h"
#include "assembler/statement_services.h"
#include "assembler/statements.h"

namespace aq71 {

namespace {

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

}  // namespace

void settle_segment_starts(Assembly& run) {
  SegmentTable& table = segments(run);
  for (int i = 0; i < table.count(); ++i) {
    Segment& seg = table[i];
    if (!seg.absolute() || !seg.start || seg.start->terms.empty()) continue;
    StartPlaces places(seg, i);
    if (places.uses(seg.start->terms)) seg.start = new_constant_expression_A08(run, 0);
  }
}

}  // namespace aq71
