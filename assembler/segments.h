// Segments of aq71: the segment array of a module (the externals pseudo-segment, the absolute
// segment ASEG and the named segments of RSEG, STACK and COMMON), the current segment, the
// statement-record chain of each segment. The segment and alignment directives are in
// segment_directives.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/statements.h"

namespace aq71 {

class Assembly;
struct SymbolNode;
struct ValueRec;

inline constexpr int SEG_EXTERNS = 0;  // "__EXTERNS": declarations of external symbols
inline constexpr int SEG_ASEG = 1;     // "ASEG": the absolute segment

enum class SegmentKind : std::uint16_t {
  Absolute = 0,
  Relocatable = 1,
  Stack = 2,
  Common = 3,
};

// Segment types (the segment-type keywords).
inline constexpr std::uint16_t SEGTYPE_UNTYPED = 0;
inline constexpr std::uint16_t SEGTYPE_CODE = 1;
inline constexpr std::uint16_t SEGTYPE_DATA = 2;
inline constexpr std::uint16_t SEGTYPE_XDATA = 3;
inline constexpr std::uint16_t SEGTYPE_IDATA = 4;
inline constexpr std::uint16_t SEGTYPE_BIT = 5;
inline constexpr std::uint16_t SEGTYPE_REGISTER = 6;
inline constexpr std::uint16_t SEGTYPE_CONST = 7;

// Default alignment exponent of a named segment.
inline constexpr int DEFAULT_SEGMENT_ALIGNMENT = 1;
// Largest segment size in bytes.
inline constexpr std::uint32_t SEGMENT_SIZE_LIMIT = 0xFFFFFF;

struct Segment {
  std::string name;
  std::uint16_t type = SEGTYPE_UNTYPED;
  SegmentKind kind = SegmentKind::Relocatable;
  SymbolNode* node = nullptr;     // the segment name in the identifier tree
  ValueRec* alignment = nullptr;  // exponent; nullptr: alignment_value
  int alignment_value = DEFAULT_SEGMENT_ALIGNMENT;
  int alignment_count = 0;    // times an alignment was given
  ValueRec* start = nullptr;  // first ORG / ASEG address
  bool start_unknown = true;
  Statement* declaration = nullptr;  // the segment-declaration statement
  StatementChain chain;              // statement records in source order
  std::uint32_t size = 0;            // after the sizing walk
  std::uint32_t location = 0;        // location counter during the source pass
  bool location_known = true;        // false after an ORG whose value is not known yet

  bool absolute() const { return kind == SegmentKind::Absolute; }
  // The alignment exponent as far as known.
  int alignment_exponent() const;
};

class SegmentTable {
 public:
  // The segments of one run; their problems are reported to it.
  explicit SegmentTable(Assembly& run) : run_(run) {}

  // A module begins: only "__EXTERNS" and "ASEG" exist, ASEG is current.
  void begin_module();

  // Appends a segment, enters its name as a segment name (error 45 when the name has another
  // meaning that is not a label) and makes it current. Returns its index.
  int create(std::string_view name, std::uint16_t type, SegmentKind kind);
  // Makes a segment current.
  void select(int index);
  // Index of the segment of this name; internal error when there is none.
  int find(std::string_view name) const;
  // Index of the segment whose name node is `node`, -1 when none.
  int find_node(const SymbolNode* node) const;

  int current_index() const { return current_; }
  Segment& current() { return segments_[static_cast<std::size_t>(current_)]; }
  Segment& operator[](int index) { return segments_.at(static_cast<std::size_t>(index)); }
  const Segment& operator[](int index) const { return segments_.at(static_cast<std::size_t>(index)); }
  int count() const { return static_cast<int>(segments_.size()); }

  // A new statement record at the end of the current segment's chain, at its location.
  Statement& add_statement(StatementStore& store, StatementKind kind) {
    Statement& st = store.make(kind, current_);
    Segment& seg = current();
    st.end_offset = seg.location;
    seg.chain.append(store, store.count() - 1);
    return st;
  }
  // The store's last record, which is the last of the current segment, made anew as a statement
  // of that kind (it keeps its place in the chain).
  Statement& renew_statement(Statement& last, StatementKind kind);
  // Advances the current segment's source-pass location.
  void advance(std::uint32_t bytes) {
    Segment& seg = current();
    const std::uint64_t next = static_cast<std::uint64_t>(seg.location) + bytes;
    seg.location = next > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(next);
  }

 private:
  Assembly& run_;
  std::vector<Segment> segments_;
  int current_ = SEG_ASEG;
};
// The segments of a run's module.
SegmentTable& segments(Assembly& run);

// Registers the segment-type keywords.
void init_segment_types(Assembly& run);

// Padding from `offset` to the next multiple of 2^n (n < 0: to an odd address), in 64 bits.
std::uint64_t alignment_padding(std::uint64_t offset, int exponent);

}  // namespace aq71
