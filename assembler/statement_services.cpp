#include "assembler/statement_services.h"

#include "assembler/assembly.h"
#include "assembler/diagnostics.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/run_settings.h"
#include "assembler/scanner.h"
#include "assembler/segments.h"
#include "assembler/source_files.h"

namespace aq71 {

ModuleState& module_state(Assembly& run) { return run.part<ModuleState>(); }

StatementServices::StatementServices(Assembly& run)
    : run(run),
      segments(aq71::segments(run)),
      reader(source_reader(run)),
      settings(aq71::settings(run)),
      tree(ident_tree(run)),
      module(module_state(run)),
      store(statement_store(run)),
      problems_may_wait(aq71::problems_may_wait(run)) {}

// A statement keeps the listing flags of its line in 16 bits.
static_assert(((LIST_ON | LIST_ASSEMBLED_ONLY | LIST_MULTI_CODE | LIST_MACRO_EXPANSION | LIST_MACRO_DEFS | LIST_CYCLES |
                LIST_BIT_100 | LIST_XREF | LIST_STRUCTURED) >>
               16) == 0);

StatementServices& statement_services(Assembly& run) { return run.part<StatementServices>(); }

bool lines_listed(const StatementServices& s) {
  return s.listing && (s.settings.list_includes || s.reader.include_depth() == 0);
}

namespace {

// The record made last when the next statement may take its place: a line that made no code
// and holds no label, problem or other detail is of no use once the next statement is read,
// unless a label or expression took it, or a listing may show it or the next one.
Statement* disposable_record(StatementServices& s, bool listed) {
  Statement* last = s.store.last();
  if (listed || !last || (s.listing && !s.last_unlisted)) return nullptr;
  if (last->kind != StatementKind::Nothing && last->kind != StatementKind::Comment) return nullptr;
  if (s.store.place(*last) <= s.module_first) return nullptr;
  if (last->label() || last->failed || last->size || last->has_side_record()) return nullptr;
  if (last->segment != s.segments.current_index()) return nullptr;
  if (last == s.module.first_statement || last == s.backend) return nullptr;
  if (last == s.tree.env.taken_statement) return nullptr;
  return last;
}

}  // namespace

Statement& open_statement(Assembly& run, StatementKind kind) {
  StatementServices& s = statement_services(run);
  const bool listed = lines_listed(s);
  Statement* disposable = disposable_record(s, listed);
  Statement& st = disposable ? s.segments.renew_statement(*disposable, kind) : s.segments.add_statement(s.store, kind);
  s.last_unlisted = !listed;
  SourceReader& reader = s.reader;
  st.file = s.store.keep_file_name(reader.file_name());
  st.line = static_cast<std::int32_t>(reader.line_number());
  st.set_line(s.store, reader.line(), reader.line_place());
  // The generated text of an expansion line is kept only for a listing that may show it.
  constexpr std::uint32_t kShowsExpansions = LIST_ON | LIST_MACRO_EXPANSION;
  if (s.scanner && listed && (s.settings.list_flags & kShowsExpansions) == kShowsExpansions)
    if (const std::string* generated = s.scanner->generated_line())
      st.set_generated_text(s.store, s.store.keep_generated_line(*generated));
  const std::uint16_t column = caret_column(s.scanner ? s.scanner->token().where.column : 0);
  st.columns = {column, column};
  st.list_flags = static_cast<std::uint16_t>(s.settings.list_flags);
  if (s.problems_may_wait && pending_problems(s.run)) take_pending_problems(s.run, site_problems(s.run, st.site(s.store)));
  if (s.statement_opened) s.statement_opened(st, s.line_statement == nullptr);
  s.line_statement = &st;
  s.tree.env.statement = &st;
  if (!s.module.first_statement && kind != StatementKind::Comment) s.module.first_statement = &st;
  return st;
}

Statement* line_statement(Assembly& run) { return statement_services(run).line_statement; }

Statement& open_line_statement(Assembly& run, StatementKind kind) {
  statement_services(run).line_statement = nullptr;
  return open_statement(run, kind);
}

LabelRec* label_record(SymbolNode* node) {
  if (!node || !node->def || node->def->kind != KIND_LABEL) return nullptr;
  return node->def->label;
}

const Statement* placing_statement(const LabelRec& label) {
  const Statement* st = label.statement;
  if (!st || !st->label_counted) return nullptr;
  return (label.flags & LABEL_ON_LINE) || st->location_label() == &label ? st : nullptr;
}

void attach_label(Assembly& run, Statement& st, SymbolNode* node) {
  LabelRec* l = label_record(node);
  if (!l) return;
  st.set_label(statement_store(run), node);
  l->statement = &st;
  l->flags |= LABEL_ON_LINE;
  l->flags &= ~(LABEL_NOT_PLACED | LABEL_WAITING);
  if (!st.label_counted) return;
  Segment& seg = segments(run)[st.segment];
  l->segment_number = st.segment;
  l->segment_kind = static_cast<std::uint16_t>(seg.kind);
  set_label_location(run, *l, st.segment, seg.absolute(), st.start(), seg.location_known);
}

Statement* get_backend_ptr_AI00(Assembly& run) {
  Statement* backend = statement_services(run).backend;
  if (!backend) internal_error_A01(run, "get_backend_ptr_AI00", "get_backend_ptr_AI00() not valid", 0, 0);
  return backend;
}

}  // namespace aq71
