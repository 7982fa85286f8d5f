#include "assembler/statements.h"
#include "assembler/assembly.h"

namespace aq71 {

bool is_no_code_kind(StatementKind kind) {
  switch (kind) {
    case StatementKind::Nothing:
    case StatementKind::Failed:
    case StatementKind::LabelDefinition:
    case StatementKind::Declaration:
    case StatementKind::SegmentDeclaration:
    case StatementKind::PageBreak:
    case StatementKind::Comment:
    case StatementKind::ModuleStart:
    case StatementKind::ModuleEnd:
      return true;
    default:
      return false;
  }
}

const char* statement_kind_name(StatementKind kind) {
  switch (kind) {
    case StatementKind::Nothing:
      return "nothing";
    case StatementKind::Failed:
      return "failed";
    case StatementKind::LabelDefinition:
      return "label definition";
    case StatementKind::Declaration:
      return "declaration";
    case StatementKind::SegmentDeclaration:
      return "segment declaration";
    case StatementKind::PageBreak:
      return "page break";
    case StatementKind::Comment:
      return "comment";
    case StatementKind::ModuleStart:
      return "module start";
    case StatementKind::ModuleEnd:
      return "module end";
    case StatementKind::AbsoluteLocation:
      return "absolute location";
    case StatementKind::Location:
      return "location";
    case StatementKind::Instruction:
      return "instruction";
    case StatementKind::Storage:
      return "storage";
    case StatementKind::Alignment:
      return "alignment";
    case StatementKind::RestartOffset:
      return "restart";
  }
  return "?";
}

Statement& StatementStore::make(StatementKind kind, int segment) {
  Statement& s = records_.emplace_back();
  s.kind = kind;
  s.segment = segment;
  s.site.problems = &s.problems;
  return s;
}

StatementStore& statement_store() { return current_assembly().part<StatementStore>(); }

}  // namespace aq71
