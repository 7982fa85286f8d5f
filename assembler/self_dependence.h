// Places and sizes that depend on themselves. The sizing walks place each statement after the
// ones before it; a place or size reckoned from places it moves itself would move on every walk.
// - The start of an absolute segment is its first location. When that location is reckoned from
//   places in the segment that follow from the start ("$" of its line, labels before it), the
//   segment starts at 0 instead and the location follows from there.
// - A storage count or alignment exponent still unsolved after the walks may wait for labels
//   placed after its statement, whose places move with its size: no walk can fix that size.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <unordered_set>

namespace aq71 {

class Assembly;
class SegmentTable;
struct LabelRec;
struct Statement;
struct ValueRec;
class TermList;

// Before the sizing walks: every absolute segment whose start is reckoned from places that follow
// from it starts at 0.
void settle_segment_starts(Assembly& run);

class SizeDependence {
 public:
  explicit SizeDependence(SegmentTable& segments) : segments_(segments) {}

  // Whether `expr`, the count or exponent of `st`, changes with the size of `st`: it uses,
  // directly or through labels defined by expressions, a label whose place is not known yet and
  // lies after `st` in its segment, with no known location between them. Uses that cancel out
  // (the distance of two such labels) do not count, unless an alignment lies between `st` and
  // one of them; an operator other than + and - that takes such a use counts whatever it
  // computes.
  bool depends_on_own_size(const Statement& st, const ValueRec& expr);

 private:
  // Where a statement lies: its place in its segment's chain, the stretch it is in (a known
  // location starts a new one: what follows it no longer moves with sizes before it) and the
  // number of alignments before it (a label after one moves with sizes before it, but not by
  // as much).
  struct Place {
    std::uint32_t index = 0;
    std::uint32_t stretch = 0;
    std::uint32_t alignments = 0;
  };
  // How an expression changes with the size: by this many times the size, or in some other way.
  struct Change {
    std::int64_t times = 0;
    bool other = false;
    bool any() const { return times != 0 || other; }
  };

  void place_segment(int segment);
  Change of_terms(const TermList& terms, int depth);
  Change of_label(const LabelRec* label, int depth);

  SegmentTable& segments_;
  std::unordered_set<int> placed_segments_;
  std::unordered_map<const Statement*, Place> places_;
  // The statement asked about, and what is known of labels for it.
  const Statement* statement_ = nullptr;
  Place place_;
  std::unordered_map<const LabelRec*, Change> labels_;
  std::unordered_set<const LabelRec*> visiting_;
};

}  // namespace aq71
