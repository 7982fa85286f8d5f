#include "assembler/segments.h"
#include "assembler/assembly.h"

#include "assembler/diagnostics.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"

namespace aq71 {

namespace {

// Tells the identifier tree which segment its new labels belong to.
void update_environment(SegmentTable& t, IdentTree& tree) {
  tree.env.segment_number = t.current_index();
  tree.env.segment_kind = static_cast<std::uint16_t>(t.current().kind);
}

}  // namespace

// ---- segment records ---------------------------------------------------------------------------

int Segment::alignment_exponent() const {
  if (alignment && alignment->absolute()) return alignment->signed_value();
  return alignment_value;
}

void SegmentTable::begin_module() {
  segments_.clear();
  Segment ext;
  ext.name = "__EXTERNS";
  ext.kind = SegmentKind::Absolute;
  ext.alignment_value = 0;
  segments_.push_back(std::move(ext));
  Segment aseg;
  aseg.name = "ASEG";
  aseg.kind = SegmentKind::Absolute;
  aseg.alignment_value = 0;
  segments_.push_back(std::move(aseg));
  current_ = SEG_ASEG;
  update_environment(*this, ident_tree(run_));
}

int SegmentTable::create(std::string_view name, std::uint16_t type, SegmentKind kind) {
  IdentTree& tree = ident_tree(run_);
  int index = count();
  // A statement keeps its segment's index in 16 bits.
  if (index > 0xFFFF) internal_error_A01(run_, "create_segment", "Too many segments", index, 0);
  SymbolNode* node = tree.find_kind(name, KIND_SEGMENT);
  if (!node) {
    SymbolNode* head = tree.find_exact(name);
    bool other_meaning = false;
    for (SymbolNode* n = head; n; n = n->next)
      if (n->def && n->def->kind != KIND_LABEL && n->def->kind != KIND_SEGMENT_TYPE) other_meaning = true;
    if (other_meaning) {
      user_error_A01(run_, 45, {.text = name});
    } else {
      if (!head) head = tree.enter(name, false, false).node;
      node = tree.add_meaning(head, KIND_SEGMENT);
      if (node) {
        node->def->b = index;
        tree.mark_node(node);
      }
    }
  }
  Segment s;
  s.name = std::string(name);
  s.type = type;
  s.kind = kind;
  s.node = node;
  segments_.push_back(std::move(s));
  select(index);
  return index;
}

void SegmentTable::select(int index) {
  if (index < 0 || index >= count()) internal_error_A01(run_, "select_segment_A09", "No such segment", index, 0);
  current_ = index;
  update_environment(*this, ident_tree(run_));
}

int SegmentTable::find(std::string_view name) const {
  for (int i = 0; i < count(); ++i)
    if (segments_[static_cast<std::size_t>(i)].name == name) return i;
  internal_error_A01(run_, "find_segment_A09", "Segment-name not found", 0, 0);
}

int SegmentTable::find_node(const SymbolNode* node) const {
  if (!node) return -1;
  for (int i = 0; i < count(); ++i)
    if (segments_[static_cast<std::size_t>(i)].node == node) return i;
  return -1;
}

Statement& SegmentTable::renew_statement(Statement& last, StatementKind kind) {
  last = Statement{};
  last.kind = kind;
  last.segment = static_cast<std::uint16_t>(current_);
  last.end_offset = current().location;
  return last;
}

SegmentTable& segments(Assembly& run) { return run.part<SegmentTable>(); }

void init_segment_types(Assembly& run) {
  static const struct {
    const char* name;
    int type;
  } kTypes[] = {{"UNTYPED", SEGTYPE_UNTYPED}, {"CODE", SEGTYPE_CODE},  {"DATA", SEGTYPE_DATA},
                {"XDATA", SEGTYPE_XDATA},     {"ZPAGE", SEGTYPE_DATA}, {"NPAGE", SEGTYPE_XDATA},
                {"IDATA", SEGTYPE_IDATA},     {"BIT", SEGTYPE_BIT},    {"REGISTER", SEGTYPE_REGISTER},
                {"CONST", SEGTYPE_CONST}};
  for (const auto& t : kTypes) ident_tree(run).insert_segment_type_in_tree_A07(t.name, t.type);
}

std::uint64_t alignment_padding(std::uint64_t offset, int exponent) {
  bool odd = exponent < 0;
  int n = odd ? 0 : exponent;
  if (n > 62) n = 62;
  std::uint64_t unit = std::uint64_t{1} << n;
  std::uint64_t pad = unit - ((offset + unit) % unit);
  if (pad == unit) pad = 0;
  if (odd && ((offset + pad) % 2 == 0)) pad += 1;
  return pad;
}

}  // namespace aq71
