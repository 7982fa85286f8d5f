#include "assembler/assembly_driver.h"
#include "assembler/assembly.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "assembler/avr_isa.h"
#include "assembler/conditional.h"
#include "assembler/define_expansion.h"
#include "assembler/diagnostics.h"
#include "assembler/directives.h"
#include "assembler/expressions.h"
#include "assembler/floats.h"
#include "assembler/ident_tree.h"
#include "assembler/instruction_statement.h"
#include "assembler/listing.h"
#include "assembler/macros.h"
#include "assembler/object_writer.h"
#include "assembler/operator_keywords.h"
#include "assembler/preprocessor.h"
#include "assembler/repeat_blocks.h"
#include "assembler/run_settings.h"
#include "assembler/scanner.h"
#include "assembler/segments.h"
#include "assembler/self_dependence.h"
#include "assembler/source_files.h"
#include "assembler/statement_services.h"

namespace aq71 {

namespace {

// ---- run and line state ----------------------------------------------------------------------

struct DriverState {
  std::unique_ptr<IncludeStackSource> source;
  std::unique_ptr<Scanner> scanner;
  std::deque<LabelRec> location_labels;  // "$" of statements
  bool input_ended = false;
  // resolve bookkeeping
  std::vector<Statement*> pending;  // instructions whose size is not fixed
  struct Range {
    std::uint32_t start;
    std::uint32_t end;
  };
  std::vector<Range> aseg_ranges;
  bool range_reported = false;
  bool sizes_changed = false;          // a size given before changed in the last sizing walk
  Statement* first_changed = nullptr;  // the first of them in walk order
  // Storage counts and alignment exponents the last walk in mode 1 left unsolved.
  std::vector<Statement*> open_sizes;
  // Locations the last walk found below the start of their segment.
  std::vector<Statement*> below_start;
  std::set<std::pair<const void*, int>> reported;  // pass-2 problems already shown
};

// Sizing walks made after the last one when sizes still follow their counts and offsets: more
// means sizes that feed each other without end.
constexpr int kMaxFinalWalks = 16;

// Error: "size depends on itself and can not be fixed".
constexpr int kSizeOfItsOwn = 100;

// Error: "Address can't be negative.", for a location below the start of its segment.
constexpr int kNegativeAddress = 405;

// One run of the driver over a run's source: the parts of the run it works with, reached once.
class Driver {
 public:
  explicit Driver(Assembly& run)
      : run_(run),
        s_(run.part<DriverState>()),
        settings_(settings(run)),
        tree_(ident_tree(run)),
        segments_(segments(run)),
        module_(module_state(run)),
        services_(statement_services(run)),
        reader_(source_reader(run)),
        files_(standard_files(run)),
        conditional_(conditional_assembly(run)) {}

  void assemble();

 private:
  // A pass-2 problem at a statement, once per statement and number.
  void statement_error(Statement& st, int number, MessageArgs args = {}) {
    if (!s_.reported.insert({&st, number}).second) return;
    user_error_pass2_A01(run_, 2, st.site(services_.store), number, 1, args);
  }

  void label_error(LabelRec& l, int number, MessageArgs args = {}) {
    if (!s_.reported.insert({&l, number}).second) return;
    Statement* st = l.statement;
    if (st)
      user_error_pass2_A01(run_, 1, st->site(services_.store), number, 1, args);
    else
      user_error_A01(run_, number, args);
  }

  // ---- keywords ---------------------------------------------------------------------------------

  // ---- statements ------------------------------------------------------------------------------

  bool is_comment_or_empty(const Statement& st) { return st.kind == StatementKind::Comment; }

  void record_line(StatementKind kind) {
    if (services_.line_statement) return;
    open_statement(run_, kind);
  }

  void set_location_labels(Statement& st, int segment, bool absolute, std::uint32_t offset, bool known) {
    if (LabelRec* l = st.location_label()) set_label_location(run_, *l, segment, absolute, offset, known);
  }

  // Listing context of a macro call line. The call is already active: a call read from an outer
  // expansion or a repeat body is itself an expansion line.
  unsigned call_line_context(const Scanner& sc) {
    if (macro_level(run_) > 1) return LINE_CONTEXT_MACRO;
    return repeat_playing(sc) ? LINE_CONTEXT_REPEAT : 0u;
  }

  // The statement field: the current token is its first token (blanks skipped).
  void statement_field(Scanner& sc, SymbolNode* label) {
    const Token& t = sc.token();
    int code = t.code;
    if (code == TOK_MACRO_CALL) {  // the expansion follows as input
      Statement& st = open_statement(run_, label ? StatementKind::Nothing : StatementKind::Comment);
      attach_label(run_, st, label);
      note_call_line(run_, st, call_line_context(sc));
      return;
    }
    // A VAR symbol may only be defined again by VAR or EQU.
    if (LabelRec* l = label_record(label);
        l && (l->flags & LABEL_REDEFINABLE) && !(t.kind == KIND_DIRECTIVE && directive_defines_label(t.node))) {
      user_error_A01(run_, 42, {.text = label->name});
      label = nullptr;
    }
    if (code == TOK_EOL || code == TOK_EOF) {
      if (label) {
        Statement& st = open_statement(run_, StatementKind::Nothing);
        attach_label(run_, st, label);
      } else {
        record_line(sc.comment_seen() ? StatementKind::Comment : StatementKind::Comment);
      }
      return;
    }
    if (code == TOK_IDENT && t.kind == KIND_MNEMONIC) {
      Statement& st = open_statement(run_, StatementKind::Instruction);
      if (label) attach_label(run_, st, label);
      services_.backend = &st;
      parse_instruction_statement(sc, st);
      services_.backend = nullptr;
      if (st.failed && st.size == 0) st.final = st.size_fixed = true;
      segments_.advance(st.size);
      st.end_offset += st.size;
      if (sc.token().code != TOK_EOL && sc.token().code != TOK_EOF) sc.skip_rest_of_line();
      return;
    }
    if (t.kind == KIND_DIRECTIVE && t.node) {
      SymbolNode* directive = t.node;
      if (!run_directive(sc, directive, label)) {
        // A directive this assembler does not carry out.
        user_error_A01(run_, 40);
        sc.skip_rest_of_line();
        Statement& st = open_statement(run_, StatementKind::Failed);
        st.failed = true;
        attach_label(run_, st, label);
        return;
      }
      if (!services_.line_statement) {
        Statement& st = open_statement(run_, StatementKind::Nothing);
        attach_label(run_, st, label);
      }
      return;
    }
    if (code == TOK_SEMICOLON) {
      sc.skip_rest_of_line();
      Statement& st = open_statement(run_, label ? StatementKind::Nothing : StatementKind::Comment);
      attach_label(run_, st, label);
      return;
    }
    Statement& st = open_statement(run_, StatementKind::Failed);
    st.failed = true;
    attach_label(run_, st, label);
    user_error_A01(run_, 40);
    sc.skip_rest_of_line();
  }

  void source_pass(Scanner& sc) {
    DriverState& s = s_;
    while (!module_.ended) {
      services_.line_statement = nullptr;
      tree_.env.statement = nullptr;
      const Token& t = sc.next_token_A07();
      int code = t.code;
      if (code == TOK_EOF) {
        s.input_ended = true;
        return;
      }
      SymbolNode* label = nullptr;
      if (code == TOK_EOL) {
        record_line(StatementKind::Comment);
        continue;
      }
      if (code == TOK_MACRO_CALL) {
        note_call_line(run_, open_statement(run_, StatementKind::Comment), call_line_context(sc));
        continue;
      }
      if (code == TOK_BLANK) {
        next_nonblank(sc);
      } else if (code == TOK_IDENT && t.kind == KIND_LABEL) {
        label = t.node;
        LabelRec* l = label_record(label);
        if (l && (l->flags & LABEL_ON_LINE) && !(l->flags & LABEL_REDEFINABLE)) {
          // Defined before on a line of this module.
          user_error_A01(run_, 42, {.text = label->name});
          label = nullptr;
        }
        sc.next_token_A07();
        if (sc.token().code == TOK_COLON) sc.next_token_A07();
        skip_blanks(sc);
      } else if (code == TOK_IDENT && t.kind == KIND_DIRECTIVE) {
        // The operation field starts in the first column.
      } else if (code == TOK_SEMICOLON) {
        // A comment line (scanners that hand the comment start on).
      } else {
        user_error_A01(run_, 41);
        next_nonblank(sc);
      }
      if (sc.token().code == TOK_EOF) {
        if (label) {
          Statement& st = open_statement(run_, StatementKind::Nothing);
          attach_label(run_, st, label);
        }
        s.input_ended = true;
        return;
      }
      statement_field(sc, label);
      if (sc.token().code == TOK_EOF) {
        s.input_ended = true;
        return;
      }
    }
  }

  // ---- resolve -----------------------------------------------------------------------------------

  // A label below 0 lies after a location below the start of its segment: that location is the
  // error, not the length of the segment.
  void set_label_value(SymbolNode* node, Statement& st, std::int64_t offset, bool all_known, int unknown) {
    (void)unknown;
    LabelRec* l = label_record(node);
    if (!l || (l->flags & LABEL_EXTERN)) return;
    if (offset > SEGMENT_SIZE_LIMIT) {
      label_error(*l, 66, {.number = static_cast<long>(SEGMENT_SIZE_LIMIT)});
      fatal_exit_A01(run_);
    }
    const Segment& seg = segments_[st.segment];
    set_label_location(run_, *l, st.segment, seg.absolute(), static_cast<std::uint32_t>(offset), all_known);
  }

  // end_place is where the statement ends. Code below 0 lies after a location below the start
  // of the segment, which is the error: only its part from 0 on is checked.
  void check_aseg_range(Statement& st, int mode, std::int64_t end_place) {
    DriverState& s = s_;
    if (mode == 0 || st.segment != SEG_ASEG || st.size == 0 || end_place <= 0) return;
    std::uint32_t start = end_place < st.size ? 0 : st.end_offset - st.size;
    std::uint32_t end = st.end_offset;
    if (!s.range_reported) {
      for (const auto& r : s.aseg_ranges) {
        if (start < r.end && end > r.start) {
          statement_error(st, 90);
          s.range_reported = true;
          break;
        }
      }
    }
    if (s.aseg_ranges.empty()) s.aseg_ranges.push_back({start, start});
    auto& cur = s.aseg_ranges.back();
    if (cur.start == cur.end) cur.start = start;
    if (end > cur.end) cur.end = end;
  }

  static std::uint32_t byte_count(std::uint64_t bytes) {
    return static_cast<std::uint32_t>(bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : bytes);
  }

  // A size given before changed in this walk: what comes after it moves, and the walk is to be
  // made again.
  void size_changed(Statement& st, std::uint32_t now) {
    st.size = now;
    s_.sizes_changed = true;
    if (!s_.first_changed) s_.first_changed = &st;
  }

  // A storage statement sized from a count folded again since (a label it uses settled
  // elsewhere): its size follows the count.
  void resize_storage(Statement& st) {
    const ValueRec& c = *st.data().count;
    if (!c.absolute() || c.signed_value() < 0) return;
    const std::uint32_t now = byte_count(static_cast<std::uint64_t>(c.value) * st.data().element_size);
    if (now != st.size) size_changed(st, now);
  }

  // An alignment placed before a size in front of it changed: its padding follows the offset.
  void resize_alignment(Statement& st, std::uint64_t offset) {
    const std::uint32_t now = byte_count(alignment_padding(offset, st.data().exponent_value));
    if (now != st.size) size_changed(st, now);
  }

  bool calc_code_offsets(int mode) {
    DriverState& s = s_;
    SegmentTable& table = segments_;
    bool count_not_absolute = false;
    s.pending.clear();
    s.sizes_changed = false;
    s.first_changed = nullptr;
    s.open_sizes.clear();
    s.below_start.clear();
    if (mode != 0) {
      s.aseg_ranges.clear();
      s.range_reported = false;
    }
    for (int si = 0; si < table.count(); ++si) {
      Segment& seg = table[si];
      // Signed: a location below the start of the segment places what follows below 0, as the
      // source says; that location is the error.
      std::int64_t offset = 0;
      if (seg.absolute() && seg.start && seg.start->solved()) offset = seg.start->signed_value();
      bool all_known = true;
      int unknown = 0;
      for (Statement* stp : seg.chain) {
        Statement& st = *stp;
        // Most statements are instructions of a known size without label or "$": they only
        // move the offset on.
        if (st.kind == StatementKind::Instruction && (st.size_fixed || st.final) && !st.has_side_record()) {
          offset += st.size;
          if (offset > 0xFFFFFFFFu) offset = 0xFFFFFFFFu;
          st.end_offset = static_cast<std::uint32_t>(offset);
          check_aseg_range(st, mode, offset);
          continue;
        }
        std::int64_t start = offset;
        switch (st.kind) {
          case StatementKind::AbsoluteLocation:
          case StatementKind::Location: {
            if (!st.data().location) {
              st.size = 0;
              st.size_fixed = true;
              break;
            }
            ValueRec& loc = *st.data().location;
            // "$" in the operand is where the line begins, before its own location takes effect.
            LabelRec* here = st.location_label();
            if (here) set_label_location(run_, *here, si, seg.absolute(), static_cast<std::uint32_t>(start), all_known);
            if (st.failed) {
              offset = 0;
            } else {
              if (!loc.solved()) evaluate_expression_A08(run_, loc, mode == 2);
              if (loc.solved()) {
                offset = loc.signed_value();
                all_known = true;
                if (offset < 0) s.below_start.push_back(&st);
              } else if (mode == 0 || (mode == 1 && here && !all_known)) {
                // Not known yet, or waiting for the sizes before the line.
                offset = 257;
                all_known = false;
                ++unknown;
              } else {
                // A line with an error: from the next walk on the location is 0 (else one
                // solved from labels after it would move them on every walk).
                statement_error(st, 52);
                st.failed = true;
              }
            }
            if (mode != 0 && st.segment == SEG_ASEG) {
              // Below 0 the range starts where the code after it is checked from.
              std::uint32_t o = offset < 0 ? 0 : static_cast<std::uint32_t>(offset);
              s.aseg_ranges.push_back({o, o});
              s.range_reported = false;
            }
            start = offset;
            st.size = 0;
            break;
          }
          case StatementKind::Instruction:
            if (!st.size_fixed && !st.final) {
              all_known = false;
              ++unknown;
              s.pending.push_back(&st);
            }
            offset += st.size;
            break;
          case StatementKind::Storage:
            if (st.failed) st.final = true;
            if (st.final && !st.failed && st.data().count) resize_storage(st);
            if (!st.final && st.data().count) {
              ValueRec& c = *st.data().count;
              if (!c.solved()) evaluate_expression_A08(run_, c, mode == 2);
              if (c.absolute()) {
                std::int64_t n = c.signed_value();
                if (n < 0) {
                  statement_error(st, 48, {.text = std::to_string(n)});
                  n = 0;
                }
                st.size = byte_count(static_cast<std::uint64_t>(n) * st.data().element_size);
                st.final = st.size_fixed = true;
              } else if (c.solved() || c.kind == VALUE_COMPLEX) {
                if (mode == 1) count_not_absolute = true;
                if (mode != 0) {
                  statement_error(st, 53);
                  st.size = 0;
                  st.final = st.size_fixed = true;
                } else {
                  all_known = false;
                  ++unknown;
                }
              } else if (mode == 2) {
                if (const LabelRec* u = c.first_undefined)
                  statement_error(st, 50, {.text = u->def && u->def->node ? u->def->node->name : std::string()});
                st.size = 0;
                st.final = st.size_fixed = true;
              } else {
                all_known = false;
                ++unknown;
                if (mode == 1) s.open_sizes.push_back(&st);
              }
            }
            offset += st.size;
            break;
          case StatementKind::Alignment:
            if (!st.size_fixed) {
              StatementData& d = st.data(services_.store);
              bool have_exponent = !d.exponent || d.exponent->solved();
              if (d.exponent && !d.exponent->solved()) evaluate_expression_A08(run_, *d.exponent, mode == 2);
              have_exponent = !d.exponent || d.exponent->solved();
              if (st.failed) {
                st.size = 0;
                st.size_fixed = st.final = true;
              } else if (all_known && have_exponent) {
                int n = d.exponent ? d.exponent->signed_value() : d.exponent_value;
                if (d.exponent && (n < 0 || n > 8)) n = 0;  // reported when it was read
                d.exponent_value = n;
                st.size = byte_count(alignment_padding(static_cast<std::uint64_t>(offset), n));
                st.size_fixed = st.final = true;
              } else {
                if (mode != 0 && d.exponent && d.exponent->kind == VALUE_COMPLEX) statement_error(st, 52);
                if (mode == 1 && d.exponent && d.exponent->kind == VALUE_UNSOLVED) s.open_sizes.push_back(&st);
                all_known = false;
                ++unknown;
              }
            } else if (!st.failed && all_known) {
              resize_alignment(st, static_cast<std::uint64_t>(offset));
            }
            offset += st.size;
            break;
          case StatementKind::RestartOffset:
            offset = 0;
            start = 0;
            st.size = 0;
            st.size_fixed = true;
            break;
          default:
            if (!is_no_code_kind(st.kind)) {
              internal_error_A01(run_, "calc_code_offsets in A03", "Illegal type", static_cast<long>(st.kind), 0);
            }
            st.size = 0;
            st.size_fixed = true;
            break;
        }
        if (offset > 0xFFFFFFFFu) offset = 0xFFFFFFFFu;
        st.end_offset = static_cast<std::uint32_t>(offset);
        const std::int64_t place = st.kind == StatementKind::Instruction || st.kind == StatementKind::Storage ||
                                           st.kind == StatementKind::Alignment
                                       ? offset - st.size
                                       : start;
        if (st.label() && st.label_counted) set_label_value(st.label(), st, place, all_known, unknown);
        // "$" of an ORG or ASEG line was placed before its location.
        if (!location_of(st)) set_location_labels(st, si, seg.absolute(), static_cast<std::uint32_t>(place), all_known);
        if (st.kind == StatementKind::Instruction || st.kind == StatementKind::Storage)
          check_aseg_range(st, mode, offset);
      }
      seg.size = static_cast<std::uint32_t>(offset);
    }
    return count_not_absolute;
  }

  // A statement whose size can not be fixed: an error at it, and it takes no room from now on.
  void give_up_size(Statement& st) {
    statement_error(st, kSizeOfItsOwn);
    st.failed = true;
    st.size = 0;
    st.final = st.size_fixed = true;
  }

  // Gives up the sizes left open by the walk in mode 1 that depend on themselves: no walk could
  // fix them, and the labels after them would keep no place. True when there was one.
  bool give_up_sizes_of_their_own() {
    if (s_.open_sizes.empty()) return false;
    SizeDependence dependence(segments_);
    bool given_up = false;
    for (Statement* st : s_.open_sizes) {
      const StatementData& d = st->data();
      const ValueRec* e = st->kind == StatementKind::Storage ? d.count : d.exponent;
      if (!e || e->solved() || st->failed || !dependence.depends_on_own_size(*st, *e)) continue;
      give_up_size(*st);
      given_up = true;
    }
    return given_up;
  }

  void resolve() {
    DriverState& s = s_;
    settle_segment_starts(run_);
    calc_code_offsets(0);
    resolve_unsolved_A08(run_);
    for (Statement* st : s.pending) {
      if (!st->failed && st->entry && st->entry->expander != Expander::kNone) {
        services_.backend = st;
        expand_instruction_statement(*st);
        services_.backend = nullptr;
      }
      st->final = true;
      st->size_fixed = true;
    }
    bool again = calc_code_offsets(1);
    if (give_up_sizes_of_their_own()) again = calc_code_offsets(1) || again;
    if (again) calc_code_offsets(2);
    final_evaluation_A08(run_);
    if (again) calc_code_offsets(2);
    // Sizes can no longer change: make the labels final. A size that followed its count or
    // offset moves what comes after it: the walk is made again until nothing moves. A size that
    // still moves after that feeds on itself: the first that changed in the last walk is given
    // up, and the walks go on without it.
    calc_code_offsets(2);
    for (int walks = 0; s.sizes_changed; ++walks) {
      if (walks == kMaxFinalWalks) {
        give_up_size(*s.first_changed);
        walks = 0;
      }
      calc_code_offsets(2);
    }
    if (!s.pending.empty()) internal_error_A01(run_, "resolve in A03", "Bytecount not fixed", 0, 0);
    refuse_locations_below_start();
  }

  // A location below the start of its segment (an offset or address below 0) is an error at its
  // line, once the last walk has placed it: sizes before it may still have moved it up.
  void refuse_locations_below_start() {
    for (Statement* st : s_.below_start) {
      statement_error(*st, kNegativeAddress);
      st->failed = true;
    }
  }

  // Encodes every instruction at its final place.
  void generate_code() {
    SegmentTable& table = segments_;
    for (int si = 0; si < table.count(); ++si) {
      Segment& seg = table[si];
      OddAddressCheck odd;
      for (Statement* st : seg.chain) {
        if (st->kind != StatementKind::Instruction || st->failed || !st->entry) continue;
        EncodeContext ctx;
        ctx.location = st->end_offset;
        ctx.segment = static_cast<std::uint16_t>(si);
        ctx.absolute_segment = seg.absolute();
        services_.backend = st;
        encode_instruction_statement(run_, *st, ctx, odd);
        services_.backend = nullptr;
      }
    }
  }

  // Two statements other than empty and comment lines, with no module start between them.
  bool module_has_content() {
    int count = 0;
    for (const Statement* st : services_.module_statements()) {
      if (st->kind == StatementKind::ModuleStart) {
        count = 0;
        continue;
      }
      if (is_comment_or_empty(*st)) continue;
      if (++count >= 2) return true;
    }
    return false;
  }

  // Writes the module when it has content; true when code was produced.
  bool write_object_module_A03() {
    ModuleView view;
    view.name = module_.name;
    view.library = module_.kind == ModuleKind::Library;
    view.option = module_.option;
    view.start_address = module_.start_address;
    view.statements = services_.module_statements();
    view.program_end = module_.end_seen;
    if (module_has_content()) {
      write_object_module(run_, view);
      return true;
    }
    if (module_.ended) {
      Statement* first = module_.first_statement;
      if (!first && !services_.module_statements().empty()) first = services_.module_statements().front();
      if (first)
        user_warning_pass2_A01(run_, 2, first->site(services_.store), 17, 1, {.text = module_.name});
      else
        user_warning_A01(run_, 17, {.text = module_.name});
    }
    return false;
  }

  // With debugger output the user symbols the module met become public symbols of the object,
  // recorded in "__EXTERNS" like a PUBLIC list and never listed: first those with a #define
  // attached, then the others. A name that was never placed (only used, or only tested by the
  // preprocessor) has no value to give the debugger and is left out.
  void emit_debug_symbols() {
    if (!(settings_.debug_info & DEBUG_ON)) return;
    IdentTree& tree = tree_;
    SegmentTable& table = segments_;
    const int current = table.current_index();
    Statement* const line = services_.line_statement;
    for (bool with_define : {true, false}) {
      tree.rewind_pending_labels();
      while (SymbolNode* n = tree.next_pending_label()) {
        if ((n->define != nullptr) != with_define || n->state == NODE_REMOVED) continue;
        LabelRec* l = label_record(n);
        if (!l || (l->flags & (LABEL_NOT_PLACED | LABEL_LOCAL)) || !(l->flags & LABEL_DEFINED)) continue;
        l->flags |= LABEL_DEFINED | LABEL_PUBLIC;
        table.select(SEG_EXTERNS);
        services_.line_statement = nullptr;
        Statement& st = open_statement(run_, StatementKind::Declaration);
        st.set_label(services_.store, n);
        st.label_counted = false;
        st.listed = false;
        st.debug_symbol = true;
      }
    }
    table.select(current);
    services_.line_statement = line;
  }

  // Names of the module (labels, segment names) leave the tree.
  void end_module_symbols() {
    IdentTree& tree = tree_;
    while (SymbolNode* n = tree.next_marked()) tree.remove_node(n);
    tree.clear_pending_labels();
  }

  void begin_module(Scanner& sc) {
    DriverState& s = s_;
    begin_module_diagnostics(run_);
    module_.ended = false;
    module_.opened_by_directive = false;
    module_.kind =
        module_.module_count == 0 && settings_.first_module_library ? ModuleKind::Library : ModuleKind::Program;
    module_.name = files_.base_name;
    module_.option = -1;
    module_.start_address = nullptr;
    module_.first_statement = nullptr;
    services_.begin_module_statements();
    s.pending.clear();
    s.aseg_ranges.clear();
    s.reported.clear();
    services_.line_statement = nullptr;
    services_.backend = nullptr;  // a run that stopped inside a statement leaves no statement behind
    segments_.begin_module();
    begin_module_expressions(run_);
    conditional_.reset();
    // The scanner lets go of the expansion and repeat readers before they are freed.
    sc.begin_module();
    reset_macros(run_);
    reset_repeat_blocks(run_);
    if (!install_assembler_float_callbacks(run_, float_state(run_)))
      internal_error_A01(run_, "assemble_A03", "init_floats G03 failed", 0, 0);
    reset_define_expansion(run_);
  }

  void install_hooks(Scanner& sc) {
    DiagnosticHooks& d = diagnostic_hooks(run_);
    sc.conditional = &conditional_;
    sc.hooks.macro_call = [&sc](SymbolNode* n) { macro_call_A10(sc, n); };
    sc.hooks.repeat_recording = [&run = run_] { return repeat_recording(run); };
    listing_hooks(run_).line_context = [&sc]() -> unsigned {
      if (macro_level(sc.run()) > 0) return LINE_CONTEXT_MACRO;
      return repeat_playing(sc) ? LINE_CONTEXT_REPEAT : 0u;
    };
    d.block_origin = [&blocks = block_stack(run_)] { return blocks.origin(); };
    d.current_location = [&reader = reader_, &sc] {
      SourceLocation loc = reader.location();
      if (sc.input_depth() <= 1) {
        int column = sc.column();
        if (InputReader* r = sc.current_reader()) column -= static_cast<int>(r->pushback.size());
        // While a new line is being fetched the scanner still counts the previous one.
        if (column > loc.column) column = loc.column;
        loc.column = column < 0 ? 0 : column;
      }
      return loc;
    };
    d.current_statement = [&run = run_, &services = services_]() -> ProblemLines* {
      Statement* st = services.backend ? services.backend : services.line_statement;
      return st ? &site_problems(run, st->site(services.store)) : nullptr;
    };
    // A '$' line is searched like an #include name in angle brackets.
    sc.hooks.include_file = [&reader = reader_](const std::string& name) { reader.push_include_file(name, false); };
    // Lines of a false conditional branch are listed unless only the assembled part is (LSTCND).
    sc.hooks.line_begin = [previous = sc.hooks.line_begin, &sc, &settings = settings_] {
      if (previous) previous();
      sc.listing_flags = settings.list_flags;
    };
    // Without a list file a skipped line leaves nothing behind (and the scanner need not read
    // it), and a statement keeps no text for the listing.
    services_.listing = files_.list != nullptr;
    // A statement holds its line where the listing shows it or the debugger's line records
    // measure it; else a report after the line was read has the reader give the line again.
    const bool keeps_lines = services_.listing || (settings_.debug_info & DEBUG_ON);
    services_.store.set_keeps_lines(keeps_lines);
    reader_.set_gives_places(!keeps_lines);
    sc.hooks.lines_listed = [&services = services_] { return lines_listed(services); };
    if (files_.list)
      sc.hooks.list_skipped_line = [&run = run_, &services = services_](std::string_view) {
        Statement* current = services.line_statement;
        services.line_statement = nullptr;
        note_skipped_line(run, open_statement(run, StatementKind::Comment));
        services.line_statement = current;
      };

    ExpressionHooks& e = expression_hooks(run_);
    e.location_label = [&run = run_, &s = s_, &services = services_, &segments = segments_]() -> LabelRec* {
      Statement* st = services.backend ? services.backend : services.line_statement;
      if (st && st->location_label()) return st->location_label();
      LabelRec& l = s.location_labels.emplace_back();
      Segment& seg = segments.current();
      l.flags = LABEL_DEFINED;
      if (st && (st->kind == StatementKind::Location || st->kind == StatementKind::AbsoluteLocation))
        l.flags |= LABEL_LOCATION_ORIGIN;
      l.segment_number = segments.current_index();
      l.segment_kind = static_cast<std::uint16_t>(seg.kind);
      l.statement = st;
      label_value(run, l);
      std::uint32_t where = st ? st->start() : seg.location;
      set_label_location(run, l, segments.current_index(), seg.absolute(), where, seg.location_known);
      if (st) st->set_location_label(services.store, &l);
      return &l;
    };
    e.pass2_error = [&run = run_, &s = s_, &store = services_.store](const ValueRec* expr, const LabelRec* label,
                                                                    int number, MessageArgs args) {
      Statement* st = nullptr;
      int kind = 2;
      if (label && label->statement) {
        st = label->statement;
        kind = 1;
      } else if (expr && expr->statement) {
        st = expr->statement;
      }
      if (st && !s.reported.insert({label ? static_cast<const void*>(label) : expr, number}).second) return;
      if (st)
        user_error_pass2_A01(run, kind, st->site(store), number, 1, args);
      else
        user_error_A01(run, number, args);
    };
    e.pass2_warning = [&run = run_, &store = services_.store](const ValueRec* expr, int number, MessageArgs args) {
      if (expr && expr->statement)
        user_warning_pass2_A01(run, 2, expr->statement->site(store), number, 1, args);
      else
        user_warning_A01(run, number, args);
    };
  }

  Assembly& run_;
  DriverState& s_;
  RunSettings& settings_;
  IdentTree& tree_;
  SegmentTable& segments_;
  ModuleState& module_;
  StatementServices& services_;
  SourceReader& reader_;
  StandardFiles& files_;
  ConditionalAssembly& conditional_;
};

void Driver::assemble() {
  DriverState& s = s_;
  std::time_t now = std::time(nullptr);
  std::tm tm_now{};
  localtime_r(&now, &tm_now);
  set_assembly_time(run_, tm_now);
  begin_listing_run(run_);

  IdentTree& tree = tree_;
  const std::uint32_t debug = settings_.debug_info;
  if (debug & DEBUG_ON) tree.env.queue_debug_labels = true;
  tree.env.renew_value = renew_label_value;
  if ((debug & (DEBUG_ON | DEBUG_REFERENCES)) == (DEBUG_ON | DEBUG_REFERENCES)) tree.env.record_label_references = true;
  init_preprocessor_A02(run_);
  segments_.begin_module();
  init_segment_types(run_);
  tree.init_defined_word("defined");
  init_keywords_B00(run_);
  static const struct {
    int block;
    const char* diagnostic;
  } kBlocks[] = {{BLOCK_MACRO, "MACRO name not set"}, {BLOCK_ENDM, "ENDM name not set"},
                 {BLOCK_ENDR, "ENDR name not set"},   {BLOCK_REPT, "REPT name not set"},
                 {BLOCK_REPTI, "REPTI name not set"}, {BLOCK_REPTC, "REPTC name not set"},
                 {BLOCK_END, "END name not set"},     {BLOCK_ENDMOD, "ENDMOD name not set"}};
  for (const auto& b : kBlocks)
    if (tree.block_names(b.block).empty()) internal_error_A01(run_, "assemble_A03", b.diagnostic, 0, 0);

  module_ = ModuleState{};
  s.input_ended = false;
  s.source = std::make_unique<IncludeStackSource>(reader_);
  s.scanner = std::make_unique<Scanner>(run_);
  Scanner& sc = *s.scanner;
  StatementServices& services = services_;
  services.scanner = &sc;
  // The listing notes the statements it will show (the list file is opened by the command line).
  if (files_.list)
    services.statement_opened = [&run = run_](const Statement& st, bool new_line) { note_statement(run, st, new_line); };
  else
    services.statement_opened = nullptr;
  sc.start(s.source.get());
  install_hooks(sc);
  install_preprocessor(sc);

  for (;;) {
    begin_module_listing(run_);
    begin_module(sc);
    source_pass(sc);
    if (conditional_.depth() != 0) user_error_A01(run_, 57);
    emit_debug_symbols();
    resolve();
    generate_code();
    if (module_.open_counter == 0) list_header_A01(run_);
    bool produced = write_object_module_A03();
    print_final_report_A03(run_, produced, services_.module_statements());
    end_module_symbols();
    if (module_.end_seen || s.input_ended || !module_.ended) break;
  }
  if (!module_.end_seen) user_error_A01(run_, 4);
}

}  // namespace

void prepare_source_pass(Assembly& run) { init_preprocessor_A02(run); }

void init_keywords_B00(Assembly& run) {
  IdentTree& tree = ident_tree(run);
  RunSettings& s = settings(run);
  tree.directive_case = true;
  tree.init_part_of_identifier_A07('.', TOK_DOT);
  if (!s.case_option_given) s.case_sensitive = true;
  tree.case_sensitive = s.case_sensitive;
  init_operators_B00(tree);
  init_punctuation_B00(tree);
  init_mnemonics_B00(tree, s.processor_option);
  init_registers_B00(tree);
  tree.init_sfr_type_A07("READ", 0x800);
  tree.init_sfr_type_A07("WRITE", 0x1000);
  tree.init_sfr_type_A07("BYTE", 0x80000);
  tree.init_sfr_type_A07("WORD", 0x100000);
  init_directives(run);
  tree.init_comment_char_A07(';', TOK_SEMICOLON);
  tree.init_target_symbol_A07("TID", target_id(s), KIND_LABEL);
}

void assemble_A03(Assembly& run) { Driver(run).assemble(); }

}  // namespace aq71
