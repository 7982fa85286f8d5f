#include "assembler/object_writer.h"
#include "assembler/assembly.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>

#include "assembler/avr_encode.h"
#include "assembler/diagnostics.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/output_files.h"
#include "assembler/preprocessor.h"
#include "assembler/run_settings.h"
#include "assembler/segments.h"
#include "assembler/source_files.h"
#include "assembler/statement_services.h"

namespace aq71 {

namespace {

using zolex::Encoder;
using zolex::Tag;

// A module that cannot be written: the reason goes to the error report.
struct WriteProblem {
  int number;
  std::string text;
  long value;
};

// Segment number of the file (the assembler's own two lists come first and are not numbered).
unsigned file_segment(Assembly& run, int segment) {
  if (segment < 2) internal_error_A01(run, "dump_expression_A23", "Segment not set", segment, 0);
  return static_cast<unsigned>(segment - 2);
}

bool errors_counted(Assembly& run) { return diagnostic_counts(run).run_errors > 0; }

// An expression that must have a value by now. Problems were reported when the resolve step
// gave up on it; without any, this is an inconsistency.
void not_solved(Assembly& run) {
  if (!errors_counted(run)) internal_error_A01(run, "dump_expression_A23", "Expr not solved", 0, 0);
}

// Object tag of an operator term that has one without payload.
int operator_tag(int token, bool unary) {
  switch (token) {
    case OP_MUL:
      return zolex::kMul;
    case OP_DIV:
      return zolex::kDiv;
    case OP_MOD:
      return zolex::kMod;
    case OP_ADD:
      return unary ? -1 : zolex::kAdd;
    case OP_SUB:
      return unary ? zolex::kNeg : zolex::kSub;
    case OP_SHL:
      return zolex::kShlBy;
    case OP_SHR:
      return zolex::kShrBy;
    case OP_AND:
      return zolex::kLogAnd;
    case OP_OR:
      return zolex::kLogOr;
    case OP_XOR:
      return zolex::kLogXor;
    case OP_BITAND:
      return zolex::kBitAnd;
    case OP_BITOR:
      return zolex::kBitOr;
    case OP_BITXOR:
      return zolex::kBitXor;
    case OP_EQ:
    case OP_ASSIGN_EQ:
      return zolex::kEq;
    case OP_NE:
    case OP_NE_ANGLE:
      return zolex::kNe;
    case OP_GT:
      return zolex::kGt;
    case OP_LT:
      return zolex::kLt;
    case OP_GE:
      return zolex::kGe;
    case OP_LE:
      return zolex::kLe;
    case OP_UGT:
      return zolex::kUgt;
    case OP_ULT:
      return zolex::kUlt;
    case OP_NOT:
      return zolex::kLogNot;
    case OP_BITNOT:
      return zolex::kBitNot;
    case OP_LWRD:
      return zolex::kLowWord;
    case OP_HWRD:
      return zolex::kHighWord;
    case OP_DATE:
      return zolex::kDate;
    default:
      return -2;
  }
}

// Operators that only take their right operand, also when written between two.
bool takes_right_only(int token) {
  switch (token) {
    case OP_NOT:
    case OP_BITNOT:
    case OP_LOW:
    case OP_HIGH:
    case OP_BYTE2:
    case OP_BYTE3:
    case OP_LWRD:
    case OP_HWRD:
    case OP_DATE:
      return true;
    default:
      return false;
  }
}

void write_operator(Assembly& run, Encoder& e, const ExprTerm& t) {
  if (!t.unary && takes_right_only(t.token)) e.op(zolex::kSwap).op(zolex::kDrop);
  switch (t.token) {
    case OP_LOW:
      e.byte_of(0);
      return;
    case OP_HIGH:
    case OP_BYTE2:
      e.byte_of(1);
      return;
    case OP_BYTE3:
      e.byte_of(2);
      return;
    case OP_CHECK_RANGE:
      e.check_from_stack();
      return;
    default:
      break;
  }
  int tag = operator_tag(t.token, t.unary);
  if (tag == -1) return;  // unary plus
  if (tag < 0) internal_error_A01(run, "dump_operator in A23", "Not an Operator", t.token, 0);
  e.op(static_cast<Tag>(tag));
}

// A label met in a folded term list: its value as far as the linker needs it.
void write_label(Assembly& run, Encoder& e, LabelRec* l) {
  if (!l) internal_error_A01(run, "A23:dump_complex_expression", "Not a label", 0, 0);
  if (l->flags & LABEL_EXTERN) {
    e.push_external(static_cast<unsigned>(l->extern_index));
    return;
  }
  ValueRec& v = label_value(run, *l);
  if (v.kind == VALUE_COMPLEX) {
    write_linker_expression(run, e, v);
    return;
  }
  if (!v.solved() && !(l->flags & (LABEL_PREDEFINED | LABEL_ABSOLUTE))) {
    not_solved(run);
    e.push_constant(0);
    return;
  }
  if (v.kind == VALUE_RELOCATABLE && v.result_segment >= 2)
    e.push_segment(file_segment(run, v.result_segment), v.value);
  else if (!v.solved())
    e.push_constant(l->absolute_value);
  else
    e.push_constant(static_cast<std::int32_t>(v.value));
}

void write_terms(Assembly& run, Encoder& e, const TermList& terms) {
  for (std::size_t i = 0; i < terms.size(); ++i) {
    const ExprTerm& t = terms[i];
    switch (t.kind) {
      case ExprTerm::Constant:
        if (t.segment >= 2)
          e.push_segment(file_segment(run, t.segment), t.value);
        else
          e.push_constant(static_cast<std::int32_t>(t.value));
        break;
      case ExprTerm::Symbol:
        write_label(run, e, t.label);
        break;
      case ExprTerm::External:
        e.push_external(static_cast<unsigned>(t.extern_index));
        break;
      case ExprTerm::SegmentBegin:
        e.push_segment_begin(file_segment(run, t.segment));
        break;
      case ExprTerm::SegmentEnd:
        e.push_segment_end(file_segment(run, t.segment));
        break;
      case ExprTerm::String:
        if (i + 1 >= terms.size() || terms[i + 1].kind != ExprTerm::Operator || terms[i + 1].token != OP_ERROR_TEXT)
          internal_error_A01(run, "A23:dump_complex_expression", "Operator missing", 0, 0);
        e.message(t.text);
        ++i;
        break;
      case ExprTerm::Operator:
        write_operator(run, e, t);
        break;
      default:
        internal_error_A01(run, "A23:dump_complex_expression", "No tag", t.kind, 0);
    }
  }
}

// Message of a numbered error as the linker prints it (without the report's control bytes).
// The message of an error as the linker shows it (the table's text without control characters);
// the texts are made once, as the few numbers of the fixups come.
const std::string& error_message(int number) {
  static std::map<int, std::string> made;
  auto [it, is_new] = made.try_emplace(number);
  if (is_new) {
    const char* text = find_error_text(number);
    for (const char* p = text ? text : ""; *p; ++p)
      if (static_cast<unsigned char>(*p) >= 32) it->second += *p;
  }
  return it->second;
}

// The postfix program of one fixup: its operand value(s) pushed, then its steps.
void write_fixup(Assembly& run, Encoder& e, const Statement& st, const Fixup& f) {
  auto operand = [&](int n) {
    if (n < 1 || n > 2 || !st.operand_exprs[static_cast<std::size_t>(n - 1)])
      internal_error_A01(run, "gen_instruction_B00", "Fixup without operand", n, 0);
    const OperandSlot slot = st.operand_exprs[static_cast<std::size_t>(n - 1)];
    if (LabelRec* l = slot.label())
      write_linker_expression(run, e, *l->value);
    else if (ValueRec* v = slot.expression())
      write_linker_expression(run, e, *v);
    else
      e.push_constant(static_cast<std::int32_t>(slot.constant_value()));
  };
  if (f.extra_operand) operand(f.extra_operand);
  operand(f.value_operand);
  const LinkProgram p = link_program(f);
  if (p.count == 0) internal_error_A01(run, "gen_instruction_B00", "Fixup field unknown", f.field, 0);
  for (std::uint8_t i = 0; i < p.count; ++i) {
    const LinkStep& s = p.steps[i];
    switch (s.op) {
      case LinkOp::kConst:
        e.push_constant(s.a);
        break;
      case LinkOp::kLocationPlus:
        e.push_location(s.a);
        break;
      case LinkOp::kDup:
        e.op(zolex::kDup);
        break;
      case LinkOp::kSwap:
        e.op(zolex::kSwap);
        break;
      case LinkOp::kDrop:
        e.drop();
        break;
      case LinkOp::kAnd:
        e.op(zolex::kBitAnd);
        break;
      case LinkOp::kOr:
        e.op(zolex::kBitOr);
        break;
      case LinkOp::kShl:
        e.op(zolex::kShlBy);
        break;
      case LinkOp::kDiv:
        e.op(zolex::kDiv);
        break;
      case LinkOp::kSub:
        e.op(zolex::kSub);
        break;
      case LinkOp::kNotEqual:
        e.op(zolex::kNe);
        break;
      case LinkOp::kComplement:
        e.op(zolex::kBitNot);
        break;
      case LinkOp::kCheck:
        e.checked_range(s.a, s.b, error_message(s.error));
        break;
      case LinkOp::kField:
        e.field(2);
        break;
    }
  }
}

int field_count(const Fixup& f) {
  const LinkProgram p = link_program(f);
  int n = 0;
  for (std::uint8_t i = 0; i < p.count; ++i)
    if (p.steps[i].op == LinkOp::kField) ++n;
  return n;
}

void write_instruction(Assembly& run, Encoder& e, const Statement& st) {
  const StatementCode& c = st.code;
  if (c.word_count * 2u != st.size)
    internal_error_A01(run, "gen_instruction_B00", "Wrong bytecount", c.word_count * 2, st.size);
  std::size_t k = 0;
  while (k < c.word_count) {
    const Fixup* filling = nullptr;
    for (std::uint8_t i = 0; i < c.fixup_count; ++i) {
      const Fixup& f = st.fixups()[i];
      if (f.word != k) continue;
      if (field_count(f) == 0)
        write_fixup(run, e, st, f);  // a check only: nothing is placed
      else if (!filling)
        filling = &f;
    }
    if (filling) {
      write_fixup(run, e, st, *filling);
      k += static_cast<std::size_t>(field_count(*filling));
    } else {
      e.code16(c.words[k]);
      ++k;
    }
  }
}

void write_location(Assembly& run, Encoder& e, int segment, std::uint32_t offset) {
  if (segment == SEG_ASEG)
    e.absolute_location(offset);
  else
    e.segment_location(file_segment(run, segment), offset);
}

// A constant of 1 to 4 bytes as one code record.
void write_constant(Assembly& run, Encoder& e, std::uint32_t v, std::uint32_t size) {
  switch (size) {
    case 1:
      e.code8(static_cast<std::uint8_t>(v));
      break;
    case 2:
      e.code16(static_cast<std::uint16_t>(v));
      break;
    case 3:
      e.code24(v & 0xFFFFFFu);
      break;
    case 4:
      e.code32(v);
      break;
    default:
      internal_error_A01(run, "gen_asm_code", "Illegal data size", static_cast<long>(size), 0);
  }
}

// One expression item of `size` bytes: a constant when the assembler knows it, else a linker
// expression and its field.
void write_value_item(Assembly& run, Encoder& e, ValueRec& v, std::uint32_t size) {
  if (!v.solved() && v.kind != VALUE_COMPLEX) evaluate_expression_A08(run, v, true);
  if (v.absolute() || v.kind == VALUE_TEMPORARY) {
    write_constant(run, e, v.value, size);
    return;
  }
  if (v.kind == VALUE_RELOCATABLE || v.kind == VALUE_COMPLEX) {
    write_linker_expression(run, e, v);
    e.field(size);
    return;
  }
  not_solved(run);
  write_constant(run, e, 0, size);
}

void write_items(Assembly& run, Encoder& e, const Statement& st) {
  for (const DataItem& item : st.data().items) {
    if (item.count == 0) internal_error_A01(run, "gen_asm_code", "Count = NULL", 0, 0);
    if (item.value) {
      for (std::uint32_t n = 0; n < item.count; ++n) write_value_item(run, e, *item.value, item.size);
    } else if (item.size == 1) {
      // Strings: one record per character.
      for (std::uint8_t b : item.bytes) e.code8(b);
    } else {
      std::uint32_t v = 0;
      for (std::size_t i = 0; i < item.bytes.size() && i < 4; ++i)
        v |= static_cast<std::uint32_t>(item.bytes[i]) << (8 * i);
      for (std::uint32_t n = 0; n < item.count; ++n) write_constant(run, e, v, item.size);
    }
  }
}

// Padding of an alignment: the fill values over and over, or a gap the linker leaves.
void write_alignment(Assembly& run, Encoder& e, const Statement& st) {
  if (st.size == 0) return;
  if (st.data().items.empty()) {
    write_location(run, e, st.segment, st.end_offset);
    return;
  }
  for (std::uint32_t i = 0; i < st.size; ++i) {
    const DataItem& item = st.data().items[i % st.data().items.size()];
    if (item.value)
      write_value_item(run, e, *item.value, 1);
    else
      e.code8(item.bytes.empty() ? 0 : item.bytes[0]);
  }
}

// Debugger records of the module being written.
struct DebugRecords {
  bool on = false;          // any -r
  bool embedded = false;    // -re: line records refer to the embedded main source
  bool references = false;  // -rb
  std::string line_file;    // file of the previous line record
};

// What writing a run's modules keeps and the parts of the run it reads.
struct ObjectRun {
  explicit ObjectRun(Assembly& run)
      : run(run),
        settings(aq71::settings(run)),
        segments(aq71::segments(run)),
        files(standard_files(run)),
        reader(source_reader(run)),
        tree(ident_tree(run)),
        store(statement_store(run)) {}
  DebugRecords debug;
  ObjectModuleSummary summary;  // of the last module written
  Assembly& run;
  RunSettings& settings;
  SegmentTable& segments;
  StandardFiles& files;
  SourceReader& reader;
  IdentTree& tree;
  StatementStore& store;
};

// Line numbers are words in the object; a longer source gives its later lines the last number.
std::uint16_t line_word(long line) { return static_cast<std::uint16_t>(std::clamp<long>(line, 0, 0xFFFF)); }

// The line record in front of an instruction, with the record of its file when that changed.
void write_line_record(Encoder& e, ObjectRun& w, const Statement& st) {
  DebugRecords& debug = w.debug;
  const SourceRef where = st.source(w.store);
  if (!debug.embedded && where.file != debug.line_file) {
    const OpenFileEntry* file = find_open_file(w.run, where.file);
    if (!file) {
      std::string text = std::string("File '") + where.file + "' has no index";
      internal_error_A01(w.run, "gen_asm_code", text.c_str(), 0, 0);
    }
    e.line_file(static_cast<unsigned>(file->file_index));
    debug.line_file = where.file;
  }
  std::size_t length = where.text.size();
  if (length && where.text.back() == '\n') --length;
  e.line(line_word(where.line), static_cast<unsigned>(std::min<std::size_t>(length, 0xFFFF)));
}

// After the header: the source-file table (or the embedded main source) and the #define table.
void write_source_tables(Encoder& e, ObjectRun& w) {
  e.source_table_start();
  if (w.debug.embedded) {
    const std::string* main_name = &w.files.source_name;
    for (const OpenFileEntry& f : open_file_table(w.run))
      if (f.kind == FileKind::text_input && f.file_index == 0) {
        main_name = &f.name;
        break;
      }
    const std::size_t lines = w.reader.main_lines().size();
    if (lines > 0xFFFF)
      throw WriteProblem{48, "-re: " + std::to_string(lines) + " source lines (max is 65535)", 0};
    e.embedded_source(*main_name, w.reader.main_lines());
  } else {
    for (const OpenFileEntry& f : open_file_table(w.run)) {
      if (f.kind != FileKind::text_input) continue;
      const FileTime& t = f.time;
      const std::uint8_t stamp[6] = {static_cast<std::uint8_t>(t.year == 255 ? 255 : t.second),
                                     static_cast<std::uint8_t>(t.minute),
                                     static_cast<std::uint8_t>(t.hour),
                                     static_cast<std::uint8_t>(t.day),
                                     static_cast<std::uint8_t>(t.month),
                                     static_cast<std::uint8_t>(t.year)};
      e.source_file(static_cast<unsigned>(f.file_index), f.name, stamp);
    }
  }
  w.tree.for_each_node([&](SymbolNode* n) {
    if (n->define && n->define->param_count == DEFINE_OBJECT) e.define(n->name, n->define->body);
  });
}

// -rb: where a symbol is defined and where it is used.
void write_symbol_debug(Encoder& e, const SymbolNode& node) {
  std::uint16_t file = 0xFFFF, line = 0xFFFF;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> uses;
  if (const DefinitionRec* def = node.def) {
    if (def->first_reference()) {
      file = static_cast<std::uint16_t>(def->first_reference()->file);
      line = line_word(def->first_reference()->line);
    }
    for (const Reference& r : def->references()) uses.emplace_back(static_cast<std::uint16_t>(r.file), line_word(r.line));
  }
  e.symbol_debug(file, line, uses);
}

void write_statement(Encoder& e, ObjectRun& w, Statement& st) {
  if (st.failed) {
    e.no_code();
    // Whatever follows stays where the assembler placed it.
    if (st.size) write_location(w.run, e, st.segment, st.end_offset);
    return;
  }
  switch (st.kind) {
    case StatementKind::AbsoluteLocation:
    case StatementKind::Location:
      if (st.data().location) write_location(w.run, e, st.segment, st.end_offset);
      break;
    case StatementKind::Instruction:
      if (w.debug.on) write_line_record(e, w, st);
      if (!st.encoded || !st.entry) {
        e.no_code();
        if (st.size) write_location(w.run, e, st.segment, st.end_offset);
      } else {
        write_instruction(w.run, e, st);
      }
      break;
    case StatementKind::Storage:
      if (st.data().reserve_only)
        write_location(w.run, e, st.segment, st.end_offset);
      else
        write_items(w.run, e, st);
      break;
    case StatementKind::Alignment:
      write_alignment(w.run, e, st);
      break;
    case StatementKind::RestartOffset:
      write_location(w.run, e, st.segment, 0);
      break;
    case StatementKind::Failed:
      e.no_code();
      break;
    default:
      break;  // no bytes
  }
}

bool has_code(const Segment& seg) {
  for (const Statement* st : seg.chain)
    if (!is_no_code_kind(st->kind) || st->failed) return true;
  return false;
}

// Symbol record of a PUBLIC or EXTERN declaration; false when none was written.
bool write_symbol(Encoder& e, ObjectRun& w, const Statement& st) {
  Assembly& run = w.run;
  LabelRec* l = label_record(st.label());
  if (!l) internal_error_A01(run, "gen_asm_code", "Illegal usage", 0, 0);
  const std::string& name = st.label()->name;
  if (l->flags & LABEL_EXTERN) {
    e.external(static_cast<unsigned>(l->extern_index), name, static_cast<std::uint16_t>(l->type));
    return true;
  }
  if (!(l->flags & LABEL_PUBLIC)) internal_error_A01(run, "gen_asm_code", "Illegal usage", 0, 0);
  ValueRec& v = label_value(run, *l);
  if (!(l->flags & LABEL_ON_LINE) && !(l->flags & LABEL_PREDEFINED))
    user_error_pass2_A01(run, 2, st.site(w.store), 67, 1, {.text = name});
  const bool assigned = (l->flags & LABEL_BY_EQU) != 0;
  if (v.kind == VALUE_RELOCATABLE && v.result_segment >= 2) {
    e.symbol(assigned ? zolex::SymbolKind::RelocatableFlagged : zolex::SymbolKind::Relocatable,
             file_segment(run, v.result_segment), v.value, name, static_cast<std::uint16_t>(l->type));
    return true;
  }
  if (v.kind == VALUE_COMPLEX) {
    // A value left to the linker (a label plus an offset, an external) is no symbol value: a
    // PUBLIC of it is refused, the debugger goes without the name.
    if (!st.debug_symbol) user_error_pass2_A01(run, 2, st.site(w.store), 64, 1);
    return false;
  }
  std::uint32_t value = v.solved() ? v.value : static_cast<std::uint32_t>(l->absolute_value);
  if (l->flags & LABEL_SFR) {
    std::uint16_t type = (l->flags & 0x80000)    ? zolex::kTypeByte
                         : (l->flags & 0x100000) ? zolex::kTypeWord
                                                 : zolex::kTypeSfr;
    e.symbol(zolex::SymbolKind::AbsoluteTyped, 0, value, name, type);
  } else if (assigned) {
    e.symbol(zolex::SymbolKind::AbsoluteTyped, 0, value, name, 8);
  } else {
    e.symbol(zolex::SymbolKind::AbsoluteLabel, 0, value, name, static_cast<std::uint16_t>(l->type));
  }
  return true;
}

zolex::SegmentKind file_segment_kind(Assembly& run, SegmentKind k) {
  switch (k) {
    case SegmentKind::Absolute:
      return zolex::SegmentKind::Absolute;
    case SegmentKind::Relocatable:
      return zolex::SegmentKind::Relocatable;
    case SegmentKind::Stack:
      return zolex::SegmentKind::Stack;
    case SegmentKind::Common:
      return zolex::SegmentKind::Common;
  }
  internal_error_A01(run, "gen_declaration_code_A23", "Illegal rel_mode", static_cast<long>(k), 0);
}

std::tm header_time(const RunSettings& settings) {
  std::tm t{};
  if (settings.fixed_date) {
    t.tm_mday = 28;
    t.tm_mon = 10;
    t.tm_year = 90;
    return t;
  }
  static const std::time_t start = std::time(nullptr);
  localtime_r(&start, &t);
  return t;
}

// Bytes the segment contents take, generously: a code word is three bytes, a linker field a few
// more, a data byte two, a line record some. Room that is not written costs no memory; an image
// that outgrows it is only moved once more.
std::size_t contents_estimate(SegmentTable& table, bool debug) {
  std::size_t n = 64;
  for (int i = SEG_ASEG; i < table.count(); ++i)
    for (const Statement* st : table[i].chain) {
      if (st->kind == StatementKind::Instruction)
        n += 2 * st->size + 24 * st->code.fixup_count + (debug ? 16 : 0);
      else if (st->kind == StatementKind::Storage && !st->data().reserve_only)
        n += 2 * st->size;
      n += 8;  // locations, alignments and the like
    }
  return n;
}

// Writes the module; returns the bytes of code and data it holds.
std::uint32_t build(Assembly& run, Encoder& e, ObjectRun& w, const ModuleView& module) {
  SegmentTable& table = w.segments;
  if (table.count() - 2 > 256) {
    throw WriteProblem{48, table[2 + 256].name, 0};
  }
  zolex::ModuleHeader h;
  h.program = !module.library;
  h.processor_option =
      static_cast<std::uint8_t>(module.option >= 0 ? module.option & 0xFF : w.settings.processor_option & 15);
  const std::tm t = header_time(w.settings);
  h.day = static_cast<std::uint8_t>(t.tm_mday);
  h.month = static_cast<std::uint8_t>(t.tm_mon + 1);
  h.year = static_cast<std::uint8_t>(t.tm_year);
  h.name = module.name;
  e.header(h);
  e.sign_on(target_id(w.settings), signon_text_A01(w.settings));
  if (w.debug.on) write_source_tables(e, w);

  bool types_written = false;
  auto types = [&] {
    if (!types_written) e.base_type_definitions();
    types_written = true;
  };
  // Symbols: the declarations of the module, in the order they were made.
  for (Statement* st : table[SEG_EXTERNS].chain) {
    if (st->kind != StatementKind::Declaration || st->failed || !st->label()) continue;
    LabelRec* l = label_record(st->label());
    if (!l || (l->flags & LABEL_LOCAL)) continue;
    // A public label that also names a #define and is not waiting for its statement goes
    // without a symbol record.
    if (st->label()->define && (l->flags & LABEL_PUBLIC) && !(l->flags & LABEL_WAITING)) continue;
    types();
    if (write_symbol(e, w, *st) && w.debug.references) write_symbol_debug(e, *st->label());
  }
  for (int i = 2; i < table.count(); ++i) {
    const Segment& seg = table[i];
    if (seg.alignment && !seg.alignment->absolute())
      internal_error_A01(run, "gen_declaration_code_A23", "alignment unsolved", i, 0);
    types();
    e.segment_declaration(file_segment(run, i), file_segment_kind(run, seg.kind), seg.type,
                          static_cast<std::uint8_t>(seg.alignment_exponent()), seg.name);
  }
  e.reserve(e.size() + contents_estimate(table, w.debug.on));
  // A segment without code holds no instructions, storage or alignment either.
  std::uint32_t bytes = 0;
  for (int i = SEG_ASEG; i < table.count(); ++i) {
    Segment& seg = table[i];
    if (i == SEG_ASEG) {
      if (!has_code(seg)) continue;
      std::uint32_t start = seg.start && seg.start->solved() ? seg.start->value : 0;
      e.absolute_location(start);
    } else {
      e.segment_location(file_segment(run, i), 0);
    }
    for (Statement* st : seg.chain) {
      write_statement(e, w, *st);
      if (st->kind == StatementKind::Instruction || st->kind == StatementKind::Storage ||
          st->kind == StatementKind::Alignment)
        bytes += st->size;
    }
  }

  ValueRec* entry = module.start_address;
  if (entry && !entry->solved() && entry->kind != VALUE_COMPLEX) evaluate_expression_A08(run, *entry, true);
  if (!entry) {
    e.end_module(module.program_end);
  } else if (entry->absolute()) {
    e.end_module_absolute(entry->value, module.program_end);
  } else if (entry->kind == VALUE_RELOCATABLE && entry->result_segment >= 2) {
    e.end_module_relative(file_segment(run, entry->result_segment), entry->value, module.program_end);
  } else {
    if (entry->statement)
      user_error_pass2_A01(run, 2, entry->statement->site(w.store), 64, 1);
    else
      user_error_A01(run, 64);
    e.end_module(module.program_end);
  }
  return bytes;
}

}  // namespace

void write_linker_expression(Assembly& run, zolex::Encoder& e, ValueRec& v) {
  if (!v.solved() && v.kind != VALUE_COMPLEX && v.kind != VALUE_TEMPORARY) evaluate_expression_A08(run, v, true);
  switch (v.kind) {
    case VALUE_ABSOLUTE:
    case VALUE_TEMPORARY:
      e.push_constant(static_cast<std::int32_t>(v.value));
      return;
    case VALUE_RELOCATABLE:
      if (v.result_segment >= 2)
        e.push_segment(file_segment(run, v.result_segment), v.value);
      else
        e.push_constant(static_cast<std::int32_t>(v.value));
      return;
    case VALUE_COMPLEX:
      write_terms(run, e, v.reduced);
      return;
    default:
      not_solved(run);
      e.push_constant(0);
      return;
  }
}

const ObjectModuleSummary& last_object_module(Assembly& run) { return run.part<ObjectRun>().summary; }

std::optional<std::vector<std::uint8_t>> build_object_module(Assembly& run, const ModuleView& module) {
  ObjectRun& w = run.part<ObjectRun>();
  w.summary = ObjectModuleSummary{};
  const std::uint32_t debug = w.settings.debug_info;
  w.debug = DebugRecords{};
  w.debug.on = (debug & DEBUG_ON) != 0;
  w.debug.embedded = w.debug.on && (debug & DEBUG_EMBED_SOURCE);
  w.debug.references = w.debug.on && (debug & DEBUG_REFERENCES);
  Encoder e;
  const Statement* first = module.statements.empty() ? nullptr : module.statements.front();
  auto report = [&](int number, MessageArgs args) {
    if (first)
      user_error_pass2_A01(run, 2, first->site(w.store), number, 1, args);
    else
      user_error_A01(run, number, args);
  };
  std::uint32_t bytes = 0;
  try {
    bytes = build(run, e, w, module);
  } catch (const WriteProblem& p) {
    report(p.number, {.text = p.text, .number = p.value});
    return std::nullopt;
  } catch (const zolex::EncodeError& err) {
    // A name, file name or message over 255 bytes, or a number the format cannot hold: the
    // module is refused rather than written with a wrong length.
    std::string what = err.what();
    if (what.find("segment") != std::string::npos)
      report(48, {.text = what});
    else
      report(12, {.number = 255});
    return std::nullopt;
  }
  w.summary.written = true;
  w.summary.crc = e.last_crc();
  w.summary.bytes = bytes;
  return e.take();
}

void write_object_module(Assembly& run, const ModuleView& module) {
  std::optional<std::vector<std::uint8_t>> bytes = build_object_module(run, module);
  if (!bytes) return;
  // Flushed at once: a failure stops the run before its report can tell of success.
  const StandardFiles& files = standard_files(run);
  write_output(run, files.object, files.object_name,
               std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  flush_output(run, files.object, files.object_name);
}

}  // namespace aq71
