#include "assembler/statements.h"
#include "assembler/assembly.h"

#include <cstring>

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

const StatementData Statement::kNoData{};

namespace {

std::string_view generated_text_at(const char* kept) {
  std::uint32_t size;
  std::memcpy(&size, kept, sizeof size);
  return {kept + sizeof size, size};
}

}  // namespace

std::string_view Statement::generated_text() const { return generated_ ? generated_text_at(generated_) : std::string_view(); }

const ProblemLines Statement::kNoProblems{};

StatementData& Statement::data() {
  if (!data_) data_ = &statement_store().make_data();
  return *data_;
}

Statement& StatementStore::make(StatementKind kind, int segment) {
  Statement& s = records_.emplace_back();
  s.kind = kind;
  s.segment = segment;
  return s;
}

const Fixup* StatementStore::keep_fixups(const Fixup* fixups, std::size_t count) {
  if (count == 0) return nullptr;
  std::array<Fixup, 2>& kept = fixups_.emplace_back();
  for (std::size_t i = 0; i < count && i < kept.size(); ++i) kept[i] = fixups[i];
  return kept.data();
}

const char* StatementStore::keep_file_name(const std::string& name) {
  // Few names, and mostly the last one again.
  for (auto it = file_names_.rbegin(); it != file_names_.rend(); ++it)
    if (*it == name) return it->c_str();
  return file_names_.emplace_back(name).c_str();
}

std::string_view StatementStore::keep_line(std::string_view line) { return keep_text(line, last_line_); }

// A generated line is kept behind its length (4 bytes), so that a statement holds one pointer.
const char* StatementStore::keep_generated_line(std::string_view line) {
  const bool ended = !line.empty() && line.back() == '\n';
  const std::uint32_t size = static_cast<std::uint32_t>(line.size() + (ended ? 0 : 1));
  if (last_generated_) {
    const std::string_view last = generated_text_at(last_generated_);
    if (last.size() == size && last.compare(0, line.size(), line) == 0) return last_generated_;
  }
  char head[sizeof size];
  std::memcpy(head, &size, sizeof size);
  return last_generated_ = lines_.keep_after(std::string_view(head, sizeof head), line, ended ? 0 : '\n').data();
}

std::string_view StatementStore::keep_text(std::string_view line, std::string_view& last) {
  const bool ended = !line.empty() && line.back() == '\n';
  const std::size_t size = line.size() + (ended ? 0 : 1);
  if (last.size() == size && last.back() == '\n' && last.compare(0, line.size(), line) == 0) return last;
  last = lines_.keep(line, ended ? 0 : '\n');
  return last;
}

StatementStore& statement_store() { return current_assembly().part<StatementStore>(); }

}  // namespace aq71
