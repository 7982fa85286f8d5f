#include "assembler/statements.h"
#include "assembler/assembly.h"
#include "assembler/diagnostics.h"
#include "assembler/source_files.h"

#include <cstring>
#include <string.h>  // rawmemchr

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
const ProblemLines Statement::kNoProblems{};

InstrEntryRef& InstrEntryRef::operator=(const InstrEntry* entry) {
  index_ = holds(entry) ? static_cast<std::uint8_t>(entry - kInstrEntries.data() + 1) : 0;
  return *this;
}

namespace {

std::string_view generated_text_at(const char* kept) {
  std::uint32_t size;
  std::memcpy(&size, kept, sizeof size);
  return {kept + sizeof size, size};
}

}  // namespace

StatementExtra& Statement::extra(StatementStore& store) const {
  if (StatementExtra* x = extra_record()) return *x;
  StatementExtra& x = store.make_extra();
  x.line = ref_ && !store.keeps_lines() ? ref_ | 1u : ref_;
  ref_ = reinterpret_cast<std::uintptr_t>(&x) | 1u;
  return x;
}

std::string_view Statement::text(StatementStore& store) const {
  const StatementExtra* x = extra_record();
  const std::uintptr_t word = x ? x->line : ref_;
  const bool place = x ? (word & 1u) != 0 : !store.keeps_lines();
  if (!word) return {};
  if (place) {
    const std::string_view kept = store.line_again(word >> 1);
    extra(store).line = reinterpret_cast<std::uintptr_t>(kept.data());
    return kept;
  }
  const char* text = reinterpret_cast<const char*>(word);
  const char* end = static_cast<const char*>(rawmemchr(text, '\n'));
  return {text, static_cast<std::size_t>(end - text) + 1};
}

void Statement::set_kept_line(StatementStore& store, std::string_view line, std::uint64_t place) {
  const std::uintptr_t word = store.keeps_lines() ? reinterpret_cast<std::uintptr_t>(store.keep_line(line).data())
                                                  : static_cast<std::uintptr_t>(place << 1);
  if (StatementExtra* x = extra_record())
    x->line = word && !store.keeps_lines() ? word | 1u : word;
  else
    ref_ = word;
}

SourceRef Statement::source(StatementStore& store) const { return {store.file_name(file), line, text(store)}; }

ProblemSite Statement::site(StatementStore& store) const {
  ProblemSite site;
  site.where = source(store);
  site.columns = {columns[0], columns[1], columns[0]};
  StatementExtra& x = extra(store);
  site.problems = x.problems;
  site.keep = &x.problems;
  return site;
}

std::string_view Statement::generated_text() const {
  const StatementExtra* x = extra_record();
  return x && x->generated ? generated_text_at(x->generated) : std::string_view();
}

void Statement::set_generated_text(StatementStore& store, const char* kept) {
  if (kept || extra_record()) extra(store).generated = kept;
}

void Statement::set_fixups(StatementStore& store, const Fixup* fixups, std::uint8_t count) {
  code.fixup_count = count;
  if (fixups || extra_record()) extra(store).fixups = fixups;
}

StatementData& Statement::data(StatementStore& store) {
  StatementExtra& x = extra(store);
  if (!x.data) x.data = &store.make_data();
  return *x.data;
}

const Fixup* StatementStore::keep_fixups(const Fixup* fixups, std::size_t count) {
  if (count == 0) return nullptr;
  std::array<Fixup, 2>& kept = fixups_.emplace_back();
  for (std::size_t i = 0; i < count && i < kept.size(); ++i) kept[i] = fixups[i];
  return kept.data();
}

// A name other than the one kept last: one of few.
std::uint16_t StatementStore::keep_other_file_name(std::string_view name) {
  if (name.empty()) return 0;
  if (file_names_.empty()) file_names_.emplace_back();  // index 0: no name
  std::size_t index = file_names_.size() - 1;
  while (index > 0 && file_names_[index] != name) --index;
  if (index == 0) {
    if (file_names_.size() > 0xFFFF) internal_error_A01(run_, "keep_file_name", "Too many source file names", 0, 0);
    file_names_.emplace_back(name);
    index = file_names_.size() - 1;
  }
  last_file_name_ = static_cast<std::uint16_t>(index);
  last_name_ = file_names_[index];
  return last_file_name_;
}

const char* StatementStore::file_name(std::uint16_t index) const {
  return index < file_names_.size() ? file_names_[index].c_str() : "";
}

std::string_view StatementStore::keep_line(std::string_view line) { return keep_text(line, last_line_); }

std::string_view StatementStore::line_again(std::uint64_t place) {
  return keep_line(source_reader(run_).line_at(place));
}

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
  last = lines_.keep_even(line, ended ? 0 : '\n');
  return last;
}

StatementStore& statement_store(Assembly& run) { return run.part<StatementStore>(); }

StatementRange::iterator StatementRange::begin() const {
  return count_ ? iterator(store_->cursor(first_), count_) : iterator();
}

Statement* StatementRange::operator[](std::size_t i) const { return &store_->at(first_ + i); }

void StatementChain::append_run(const StatementStore& store, std::size_t index) {
  store_ = &store;
  if (index > UINT32_MAX) internal_error_A01(store.run(), "StatementChain", "Too many statements", 0, 0);
  runs_.push_back({static_cast<std::uint32_t>(index), 1});
}

std::size_t StatementChain::size() const {
  std::size_t n = 0;
  for (const Run& r : runs_) n += r.count;
  return n;
}

StatementChain::iterator StatementChain::begin() const {
  if (runs_.empty()) return end();
  iterator it;
  it.chain_ = this;
  it.run_ = 0;
  it.left_ = runs_[0].count;
  it.next_ = runs_[0].first;
  return it.next_span();
}

StatementChain::iterator StatementChain::end() const {
  iterator it;
  it.chain_ = this;
  it.run_ = runs_.size();
  return it;
}

StatementChain::iterator& StatementChain::iterator::next_span() {
  while (left_ == 0) {
    if (++run_ >= chain_->runs_.size()) {
      at_ = span_end_ = nullptr;
      return *this;
    }
    left_ = chain_->runs_[run_].count;
    next_ = chain_->runs_[run_].first;
  }
  const auto [first, available] = chain_->store_->neighbours(next_);
  const std::uint32_t taken = available < left_ ? static_cast<std::uint32_t>(available) : left_;
  left_ -= taken;
  next_ += taken;
  at_ = first;
  span_end_ = first + taken;
  return *this;
}

}  // namespace aq71
