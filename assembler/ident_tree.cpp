// Identifier tree of aq71 (see ident_tree.h).
#include "assembler/ident_tree.h"
#include "assembler/assembly.h"

#include <algorithm>
#include <cstdio>

#include "assembler/diagnostics.h"

namespace aq71 {

// ---- reporting seam ----------------------------------------------------------------------------

ProblemHooks& problem_hooks(Assembly& run) { return run.part<ProblemHooks>(); }

// Without hooks the problems go straight to the diagnostics.
void report_error(Assembly& run, int number, std::string_view name, long number_arg) {
  const ProblemHooks& hooks = problem_hooks(run);
  if (hooks.error)
    hooks.error(number, name, number_arg);
  else
    user_error_A01(run, number, MessageArgs{name, number_arg});
}

void report_warning(Assembly& run, int number, std::string_view name, long number_arg) {
  const ProblemHooks& hooks = problem_hooks(run);
  if (hooks.warning)
    hooks.warning(number, name, number_arg);
  else
    user_warning_A01(run, number, MessageArgs{name, number_arg});
}

void report_internal(Assembly& run, const char* function, const char* diagnostic) {
  const ProblemHooks& hooks = problem_hooks(run);
  if (hooks.internal)
    hooks.internal(function, diagnostic);
  else
    internal_error_A01(run, function, diagnostic, 0, 0);
  throw InternalStop{function, diagnostic};
}

// ---- helpers -----------------------------------------------------------------------------------

std::string upper_ascii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool equals_upper_ascii(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

IdentTree& ident_tree(Assembly& run) { return run.part<IdentTree>(); }

namespace {

// Preference orders of the lookup modes. KIND_ANY_OTHER stands for "any kind but 71 and 72".
constexpr int KIND_ANY_OTHER = -1;

struct ModeOrder {
  int kinds[12];
  int count;
};

constexpr ModeOrder kFields{{72, 71, 84, 81, 75, 73, 74}, 7};
constexpr ModeOrder kMode2{{71, 84, 81, 75, 73, 74}, 6};
constexpr ModeOrder kOperands{{81, 75, 73, 74}, 4};
constexpr ModeOrder kExpression{{80, 73, 75, 74, KIND_ANY_OTHER}, 5};
constexpr ModeOrder kSegmentType{{79, 82, 72, 71, 84, 81, 75, 73, 74}, 9};
constexpr ModeOrder kPreprocessor{{82, 72, 71, 84, 81, 75, 73, 74}, 8};
constexpr ModeOrder kMode7{{84, 81, 75, 73, 74}, 5};
constexpr ModeOrder kBackquoted{{75}, 1};
constexpr ModeOrder kSymbolList{{80, 75, 73, 74, KIND_ANY_OTHER}, 5};
constexpr ModeOrder kSuffix{{78, 80, 73, 75, 74, KIND_ANY_OTHER}, 6};

const ModeOrder& order_of(int mode) {
  switch (mode) {
    case MODE_FIELDS:
      return kFields;
    case MODE_2:
      return kMode2;
    case MODE_OPERANDS:
      return kOperands;
    case MODE_EXPRESSION:
      return kExpression;
    case MODE_SEGMENT_TYPE:
      return kSegmentType;
    case MODE_PREPROCESSOR:
      return kPreprocessor;
    case MODE_7:
      return kMode7;
    case MODE_BACKQUOTED:
      return kBackquoted;
    case MODE_SYMBOL_LIST:
      return kSymbolList;
    case MODE_SUFFIX:
      return kSuffix;
    default:
      return kFields;
  }
}

bool has_lower(std::string_view name) {
  for (char c : name)
    if (c >= 'a' && c <= 'z') return true;
  return false;
}

bool kind_matches(const SymbolNode* n, int kind) {
  int k = n->def ? n->def->kind : KIND_NONE;
  if (kind == KIND_ANY_OTHER) return k != KIND_MNEMONIC && k != KIND_DIRECTIVE;
  return k == kind;
}

bool chain_has_kind(const SymbolNode* head, int kind) {
  for (const SymbolNode* n = head; n; n = n->next)
    if (n->def && n->def->kind == kind) return true;
  return false;
}

}  // namespace

// ---- tree --------------------------------------------------------------------------------------

IdentTree::IdentTree(Assembly& run) : run_(run) { reset(); }

void IdentTree::reset() {
  tree_.clear();
  current_ = nullptr;
  case_sensitive = false;
  directive_case = false;
  env = SymbolEnvironment{};
  mnemonics_.assign(kMnemonicCount, MnemonicRow{});
  operator_names_.assign(kOperatorTokens, std::string());
  registers_.clear();
  block_names_.clear();
  conditionals_.clear();
  sfr_bits_ = 0;
  ident_chars_ = 0;
  comment_chars_ = 0;
  ident_char_set_.reset();
  comment_char_set_.reset();
  kinds_made_.reset();
  marked_.clear();
  pending_.clear();
  pending_pos_ = 0;
  locals_.clear();
}

std::vector<SymbolNode*> IdentTree::heads_in_order() const {
  std::vector<SymbolNode*> heads;
  heads.reserve(tree_.size());
  tree_.for_each_head([&](SymbolNode* h) { heads.push_back(h); });
  std::sort(heads.begin(), heads.end(), [](const SymbolNode* a, const SymbolNode* b) { return a->name < b->name; });
  return heads;
}


SymbolNode* IdentTree::find_kind(std::string_view name, int kind) const {
  // No definition of the kind was ever made: nothing to look for. (The macro module turns
  // labels into macros itself.)
  if (kind >= 0 && kind < static_cast<int>(kinds_made_.size()) && kind != KIND_MACRO && !kinds_made_[kind])
    return nullptr;
  for (SymbolNode* x = find_exact(name); x; x = x->next)
    if (x->def && x->def->kind == kind) return x;
  if (has_lower(name))
    for (SymbolNode* x = find_exact(upper_ascii(name)); x; x = x->next)
      if (x->def && x->def->kind == kind) return x;
  return nullptr;
}

SymbolNode* IdentTree::new_node(std::string_view name) {
  SymbolNode& n = nodes_.emplace_back();
  n.name = std::string(name);
  return &n;
}

DefinitionRec* IdentTree::new_def(SymbolNode* node, int kind) {
  DefinitionRec& d = defs_.emplace_back();
  d.kind = kind;
  d.node = node;
  if (kind >= 0 && kind < static_cast<int>(kinds_made_.size())) kinds_made_[kind] = true;
  node->def = &d;
  return &d;
}

SymbolNode* IdentTree::choose(SymbolNode* written, SymbolNode* upper, int mode, int* which) const {
  // One node of the name alone: it is the choice whatever the mode prefers.
  if (!upper && !written->next) {
    *which = 1;
    return written;
  }
  const ModeOrder& order = order_of(mode);
  for (int i = 0; i < order.count; ++i) {
    for (SymbolNode* n = written; n; n = n->next)
      if (kind_matches(n, order.kinds[i])) {
        *which = 1;
        return n;
      }
    for (SymbolNode* n = upper; n; n = n->next)
      if (kind_matches(n, order.kinds[i])) {
        *which = 2;
        return n;
      }
  }
  *which = written ? 1 : 2;
  return written ? written : upper;
}

LookupResult IdentTree::check_ident(std::string_view name, int mode) {
  if (tree_.empty()) report_internal(run_, "check_ident - A07", "No symb_tree_root_A07");
  SymbolNode* wn = head_of(name);
  SymbolNode* un = nullptr;
  if (has_lower(name)) un = head_of(upper_ascii(name));
  LookupResult r;
  if (!wn && !un) {
    current_ = nullptr;
    return r;
  }
  if (wn) wn->looked_up = true;
  if (un) un->looked_up = true;
  r.node = choose(wn, un, mode, &r.result);
  current_ = r.node;
  return r;
}

LookupResult IdentTree::enter(std::string_view name, bool accept_folded, bool require_definition, int mode) {
  LookupResult r;
  if (!tree_.empty()) {
    r = check_ident(name, mode);
    if (r.result == 2 && !accept_folded && !head_of(name)) r = {};
    if (r.node && require_definition && !r.node->def) {
      // Look for a node of that name that has a meaning; else it counts as not found.
      SymbolNode* with_def = nullptr;
      for (SymbolNode* n = r.node; n && !with_def; n = n->next)
        if (n->def) with_def = n;
      r = {};
      if (with_def) {
        r.node = with_def;
        r.result = with_def->name == name ? 1 : 2;
      }
    }
  }
  if (r.node) {
    current_ = r.node;
    return r;
  }
  std::string stored = accept_folded && !case_sensitive ? upper_ascii(name) : std::string(name);
  SymbolNode* existing = head_of(stored);
  if (existing) {  // a node without meaning stands there already (require_definition)
    r.node = existing;
    r.result = 0;
    current_ = existing;
    return r;
  }
  SymbolNode* n = new_node(stored);
  tree_.insert(n);
  r.node = n;
  r.result = 0;
  r.created = true;
  current_ = n;
  return r;
}

SymbolNode* IdentTree::add_meaning(SymbolNode* node, int kind) {
  SymbolNode* head = head_of(node->name);
  if (!head) {  // a removed node: give it back its place
    head = node;
    node->next = nullptr;
    node->state = NODE_NORMAL;
    tree_.insert(node);
  }
  if (chain_has_kind(head, kind)) return nullptr;
  SymbolNode* target = nullptr;
  SymbolNode* last = head;
  for (SymbolNode* n = head; n; n = n->next) {
    if (!n->def && !target) target = n;
    last = n;
  }
  if (!target) {
    target = new_node(node->name);
    target->define = nullptr;
    last->next = target;
  }
  new_def(target, kind);
  current_ = target;
  return target;
}

void IdentTree::remove_node(SymbolNode* node) {
  if (!node || node->state == NODE_REMOVED) return;
  SymbolNode* first = head_of(node->name);
  if (!first) report_internal(run_, "delete_node_A05", "Not found");
  if (first == node) {
    if (node->next)
      tree_.set_head(node->next);
    else
      tree_.erase(node->name);
  } else {
    SymbolNode* p = first;
    while (p->next && p->next != node) p = p->next;
    if (!p->next) report_internal(run_, "delete_node_A05", "Duplicate not found");
    p->next = node->next;
  }
  node->next = nullptr;
  node->state = NODE_REMOVED;
  if (current_ == node) current_ = nullptr;
  if (node->name.size() <= 1) refresh_char_sets(node->name);
  // A #define lives for the whole run: it stays with the name when a node of it goes (the
  // labels of a module leave the tree at its end).
  if (DefineRec* d = node->define) {
    node->define = nullptr;
    SymbolNode* head = head_of(node->name);
    if (!head) {
      head = new_node(node->name);
      tree_.insert(head);
    }
    bool has_define = false;
    for (SymbolNode* n = head; n; n = n->next) has_define = has_define || n->define;
    if (!has_define) head->define = d;
  }
}

// ---- marked nodes and pending labels -------------------------------------------------------------

void IdentTree::mark_node(SymbolNode* node) {
  if (node->state == NODE_MARKED) return;
  if (node->state != NODE_NORMAL) report_internal(run_, "mark_unmark_node_A05", "Illegal case");
  node->state = NODE_MARKED;
  marked_.push_back(node);
}

SymbolNode* IdentTree::next_marked() {
  if (marked_.empty()) return nullptr;
  SymbolNode* n = marked_.front();
  marked_.pop_front();
  return n;
}

void IdentTree::unmark_node(SymbolNode* node, bool quiet) {
  auto it = std::find(marked_.begin(), marked_.end(), node);
  if (it == marked_.end()) {
    if (!quiet) report_internal(run_, "mark_unmark_node_A05", "node not found");
    return;
  }
  marked_.erase(it);
  if (node->state == NODE_MARKED) node->state = NODE_NORMAL;
}

SymbolNode* IdentTree::next_pending_label() {
  while (pending_pos_ < pending_.size()) {
    SymbolNode* n = pending_[pending_pos_++];
    if (!n->def || !n->def->label) continue;
    if (n->def->label->flags & (LABEL_PUBLIC | LABEL_EXTERN)) continue;
    return n;
  }
  return nullptr;
}

void IdentTree::remove_pending_label(SymbolNode* node) {
  for (std::size_t i = 0; i < pending_.size(); ++i)
    if (pending_[i] == node) {
      pending_.erase(pending_.begin() + static_cast<long>(i));
      if (pending_pos_ > i) --pending_pos_;
      return;
    }
}

// ---- user symbols --------------------------------------------------------------------------------

void IdentTree::record_reference(DefinitionRec* def, bool definition) {
  if (!env.record_label_references) return;
  Reference ref{env.file_index, env.line};
  if (!def->refs) def->refs = &references_.emplace_back();
  if (definition)
    def->refs->first = ref;
  else
    def->refs->uses.push_back(ref);
}

LabelRec* IdentTree::make_label(SymbolNode* node, bool placed) {
  DefinitionRec* def = node->def;
  if (!def) def = new_def(node, KIND_LABEL);
  LabelRec& l = labels_.emplace_back();
  init_label(l, def, placed, true);
  def->label = &l;
  if (env.make_value) l.value = env.make_value(l);
  return &l;
}

void IdentTree::init_label(LabelRec& l, DefinitionRec* def, bool placed, bool take_statement) {
  l.segment_kind = env.segment_kind;
  l.segment_number = env.segment_number;
  l.flags = env.symbol_flags | LABEL_DEFINED;
  if (!placed) l.flags |= LABEL_NOT_PLACED;
  l.def = def;
  l.statement = take_statement ? env.take_statement() : nullptr;
}

bool IdentTree::kind_acceptable_folded(int kind, const ClassifyContext& ctx) const {
  if (ctx.mode == MODE_BACKQUOTED) return false;
  switch (kind) {
    case KIND_MNEMONIC:
    case KIND_DIRECTIVE:
    case KIND_PREFIX:
    case KIND_SUFFIX:
    case KIND_OPERATOR:
    case KIND_DELIMITER:
    case KIND_DEFINED:
    case KIND_IDENT_CHAR:
    case KIND_COMMENT_CHAR:
    case KIND_SFR_ATTRIBUTE:
      return true;
    case KIND_REGISTER:
      return ctx.mode != MODE_SYMBOL_LIST;
    case KIND_SEGMENT_TYPE:
      return ctx.list_reads_type;
    default:
      return false;  // labels, macros, segments, preprocessor words: case matters
  }
}

LookupResult IdentTree::classify(std::string_view name, const ClassifyContext& ctx) {
  // Most names met are written in capitals and have one meaning: a keyword that stays what it
  // is, or a label. They are settled here; all others take the general road.
  if (!ctx.lookup_only && !has_lower(name))
    if (SymbolNode* n = single_meaning(name, ctx.first_field || ctx.symbol_list || ctx.mode == MODE_BACKQUOTED))
      return classify_single(n, ctx);
  return classify_general(name, ctx);
}

LookupResult IdentTree::classify_general(std::string_view name, const ClassifyContext& ctx) {
  if (ctx.lookup_only) return check_ident(name, ctx.mode);

  LookupResult r = enter(name, true, false, ctx.mode);

  // A preprocessor word used as a statement word: look for its keyword meaning instead.
  if (!r.created && r.result == 1 && r.kind() == KIND_PREPROCESSOR && !ctx.preprocessor_line && !ctx.first_field) {
    LookupResult r2 = enter(upper_ascii(name), true, true, ctx.mode);
    if (r2.node && r2.node->def) r = r2;
  }

  // Found only in upper case: keywords keep their meaning, user symbols follow the case switch.
  if (!r.created && r.result == 2 && !head_of(name)) {
    bool keep = r.kind() == KIND_DIRECTIVE && directive_case;
    if (!keep && case_sensitive && !ctx.preprocessor_line && !ctx.after_label &&
        !kind_acceptable_folded(r.kind(), ctx)) {
      r = enter(name, false, false, ctx.mode);
    }
  }

  SymbolNode* node = r.node;
  bool new_label = false;
  bool wants_label = ctx.first_field || ctx.symbol_list || ctx.mode == MODE_BACKQUOTED;
  if (r.created || !node->def) {
    // New name, or a name without any meaning (a #define name, an emptied node).
    if (!node->def) {
      new_def(node, KIND_LABEL);
      new_label = true;
    }
  } else if (node->def->kind != KIND_LABEL) {
    SymbolNode* head = head_of(node->name);
    bool only_preprocessor = true;
    for (SymbolNode* n = head; n; n = n->next)
      if (!n->def || n->def->kind != KIND_PREPROCESSOR) only_preprocessor = false;
    bool is_directive = node->def->kind == KIND_DIRECTIVE && directive_case;
    // Outside preprocessor lines a name whose only meaning is a preprocessor word is an
    // ordinary user name.
    if ((wants_label && !is_directive) || (only_preprocessor && !ctx.preprocessor_line)) {
      SymbolNode* label = nullptr;
      for (SymbolNode* n = head; n; n = n->next)
        if (n->def && n->def->kind == KIND_LABEL) label = n;
      if (label) {
        node = label;
      } else {
        node = add_meaning(node, KIND_LABEL);
        new_label = true;
      }
    }
  }
  r.node = node;
  current_ = node;

  if (new_label) {
    r.created = true;
    bool in_first_field = ctx.first_field && !ctx.define_line;
    LabelRec* l = make_label(node, in_first_field);
    if (!in_first_field && !ctx.line_active) l->flags |= LABEL_WAITING;
    if (!ctx.preprocessor_line) mark_node(node);
    if (env.queue_debug_labels && ctx.line_active && !ctx.define_line) queue_pending_label(node);
    record_reference(node->def, in_first_field);
  } else {
    settle_label(r, ctx);
  }
  return r;
}

void IdentTree::settle_label(LookupResult& r, const ClassifyContext& ctx) {
  SymbolNode* node = r.node;
  if (node->def && node->def->kind == KIND_LABEL && node->def->label) {
    LabelRec* l = node->def->label;
    if (ctx.first_field && (l->flags & LABEL_NOT_PLACED)) {
      l->flags &= ~LABEL_NOT_PLACED;
      l->segment_kind = env.segment_kind;
      l->segment_number = env.segment_number;
      r.placed_now = true;
      record_reference(node->def, true);
      if (env.label_placed) env.label_placed(*l);
    } else {
      record_reference(node->def, false);
    }
    if ((l->flags & LABEL_WAITING) && ctx.line_active) {
      l->statement = env.take_statement();
      l->flags &= ~LABEL_WAITING;
    }
  }
}

SymbolNode* IdentTree::declare_local(std::string_view name, int level, bool take_statement) {
  std::string stored = case_sensitive ? std::string(name) : upper_ascii(name);
  SymbolNode* outer = head_of(stored);
  SymbolNode* local = nullptr;
  for (std::size_t i = spare_locals_.size(); i-- > 0;)
    if (spare_locals_[i]->name == stored) {
      local = spare_locals_[i];
      spare_locals_.erase(spare_locals_.begin() + static_cast<long>(i));
      break;
    }
  LabelRec* l = nullptr;
  if (local) {
    // Its records start over; the label's value record is kept for the new value.
    DefinitionRec* def = local->def;
    LabelRec* old = def->label;
    ValueRec* value = old->value;
    *def = DefinitionRec{};
    def->kind = KIND_LABEL;
    def->node = local;
    local->state = NODE_NORMAL;
    local->looked_up = false;
    local->next = nullptr;
    local->define = outer ? outer->define : nullptr;
    tree_.set_head(local);
    *old = LabelRec{};
    l = def->label = old;
    init_label(*l, def, false, take_statement);
    l->value = env.renew_value ? value : nullptr;
    if (l->value) env.renew_value(*l);
  } else {
    local = new_node(stored);
    if (outer) local->define = outer->define;
    tree_.set_head(local);
    new_def(local, KIND_LABEL);
    l = &labels_.emplace_back();
    init_label(*l, local->def, false, take_statement);
    local->def->label = l;
  }
  l->flags |= LABEL_LOCAL;
  mark_node(local);
  locals_.push_back({local, outer, level});
  current_ = local;
  return local;
}

void IdentTree::end_local_level(int level) {
  for (std::size_t i = locals_.size(); i-- > 0;) {
    LocalEntry e = locals_[i];
    if (e.level != level) continue;
    locals_.erase(locals_.begin() + static_cast<long>(i));
    if (head_of(e.local->name) != e.local) {
      char diag[160];
      std::snprintf(diag, sizeof diag, "symbol '%.100s' not in tree", e.local->name.c_str());
      report_internal(run_, "remove_local_symbols in A10", diag);
    }
    if (e.outer)
      tree_.set_head(e.outer);
    else
      tree_.erase(e.local->name);
    if (e.local->state == NODE_MARKED) unmark_node(e.local, true);
    e.local->state = NODE_REMOVED;
    if (current_ == e.local) current_ = nullptr;
    if (!e.local->looked_up && e.local->def && e.local->def->kind == KIND_LABEL && e.local->def->label &&
        !e.local->def->label->dependents)
      spare_locals_.push_back(e.local);
  }
}

// ---- registration --------------------------------------------------------------------------------

SymbolNode* IdentTree::register_name(std::string_view name, int kind, bool upper_case, const char* entry_point) {
  std::string stored = upper_case ? upper_ascii(name) : std::string(name);
  SymbolNode* head = head_of(stored);
  if (head && chain_has_kind(head, kind)) {
    char diag[128];
    std::snprintf(diag, sizeof diag, "ID '%.80s' duplicated ", stored.c_str());
    report_internal(run_, entry_point, diag);
  }
  if (!head) {
    head = new_node(stored);
    tree_.insert(head);
  }
  return add_meaning(head, kind);
}

SymbolNode* IdentTree::init_mnemonic_A07(std::string_view name, const void* instr_class, int index, int max_operands,
                                         std::uint16_t flags) {
  if (index < 0 || index >= kMnemonicCount) report_internal(run_, "init_mnemonic_A07", "Instr.size too large");
  SymbolNode* n = register_name(name, KIND_MNEMONIC, true, "init_mnemonic_A07");
  n->def->a = index;
  n->def->object = instr_class;
  mnemonics_[index] = {n, static_cast<std::uint16_t>(max_operands), flags};
  return n;
}

SymbolNode* IdentTree::init_directive_A07(std::string_view name, int directive_number, int block_kind,
                                          bool upper_case) {
  static const char* const kStoreErrors[] = {"Can't store MACRO", "Can't store ENDM",  "Can't store REPT",
                                             "Can't store REPTI", "Can't store REPTC", "Can't store ENDR",
                                             "Can't store END",   "Can't store ENDMOD"};
  SymbolNode* n = register_name(name, KIND_DIRECTIVE, upper_case, "init_directive_A07");
  n->def->a = block_kind;
  n->def->b = directive_number;
  if (block_kind >= BLOCK_MACRO && block_kind <= BLOCK_ENDMOD) {
    auto& names = block_names_[block_kind];
    if (names.size() >= 8) report_internal(run_, "init_directive_A07", kStoreErrors[block_kind - 5]);
    names.push_back(n);
  } else if (block_kind >= COND_IF && block_kind <= COND_ELSEIF) {
    if (conditionals_.size() >= 19) report_internal(run_, "init_directive_A07", "Table too small");
    conditionals_.push_back({n, block_kind});
  }
  return n;
}

const std::vector<SymbolNode*>& IdentTree::block_names(int block_kind) const {
  static const std::vector<SymbolNode*> none;
  auto it = block_names_.find(block_kind);
  return it == block_names_.end() ? none : it->second;
}

SymbolNode* IdentTree::init_register_A07(std::string_view name, int number) {
  SymbolNode* n = register_name(name, KIND_REGISTER, true, "init_register_A07");
  n->def->b = number;
  registers_.insert(registers_.begin(), n);
  return n;
}

SymbolNode* IdentTree::insert_segment_type_in_tree_A07(std::string_view name, int type) {
  SymbolNode* n = register_name(name, KIND_SEGMENT_TYPE, false, "insert_segment_type_in_tree_A07");
  n->def->b = type;
  return n;
}

SymbolNode* IdentTree::init_operator_A07(std::string_view name, int precedence, int token, std::uint32_t flags) {
  if (token < 0 || token >= kOperatorTokens) report_internal(run_, "init_operator_A07", "Index too large");
  SymbolNode* n = register_name(name, KIND_OPERATOR, true, "init_operator_A07");
  OperatorRec& op = operators_.emplace_back();
  op.token = static_cast<std::uint16_t>(token);
  op.precedence = static_cast<std::uint16_t>(precedence);
  op.flags = flags;
  n->def->op = &op;
  n->def->b = token;
  operator_names_[token] = n->name;
  return n;
}

SymbolNode* IdentTree::init_delimiter_A07(std::string_view name, int code) {
  SymbolNode* n = register_name(name, KIND_DELIMITER, true, "init_delimiter_A07");
  n->def->b = code;
  return n;
}

SymbolNode* IdentTree::init_target_symbol_A07(std::string_view name, std::int32_t value, int kind) {
  if (kind != KIND_LABEL && kind < 150) report_internal(run_, "init_target_symbol_A07", "Illegal value");
  SymbolNode* n = register_name(name, kind, true, "init_target_symbol_A07");
  n->def->b = value;
  if (kind == KIND_LABEL) {
    LabelRec& l = labels_.emplace_back();
    l.flags = LABEL_ABSOLUTE | LABEL_PREDEFINED | LABEL_DEFINED;
    l.absolute_value = value;
    l.def = n->def;
    n->def->label = &l;
  }
  return n;
}

SymbolNode* IdentTree::init_part_of_identifier_A07(char c, int code) {
  SymbolNode* n = register_name(std::string(1, c), KIND_IDENT_CHAR, true, "init_part_of_identifier_A07");
  n->def->b = code;
  ++ident_chars_;
  refresh_char_sets(n->name);
  return n;
}

SymbolNode* IdentTree::init_comment_char_A07(char c, int code) {
  SymbolNode* n = register_name(std::string(1, c), KIND_COMMENT_CHAR, true, "init_comment_char_A07");
  n->def->b = code;
  ++comment_chars_;
  refresh_char_sets(n->name);
  return n;
}

SymbolNode* IdentTree::init_sfr_type_A07(std::string_view name, std::uint32_t bits) {
  SymbolNode* n = register_name(name, KIND_SFR_ATTRIBUTE, true, "init_sfr_type_A07");
  n->def->b = bits;
  sfr_bits_ |= bits;
  return n;
}

SymbolNode* IdentTree::init_preprocessor_word(std::string_view name) {
  return register_name(name, KIND_PREPROCESSOR, false, "init_cw in A02");
}

SymbolNode* IdentTree::init_defined_word(std::string_view name) {
  return register_name(name, KIND_DEFINED, false, "assemble_A03");
}

void IdentTree::refresh_char_sets(std::string_view name) {
  // Lookups of character 0 ask for the empty name; a one-byte name 0 is never asked for.
  if (name.size() > 1 || (name.size() == 1 && name[0] == 0)) return;
  unsigned char c = name.empty() ? 0 : static_cast<unsigned char>(name[0]);
  bool ident = false, comment = false;
  for (SymbolNode* n = head_of(name); n; n = n->next)
    if (n->def) {
      ident = ident || n->def->kind == KIND_IDENT_CHAR;
      comment = comment || n->def->kind == KIND_COMMENT_CHAR;
    }
  ident_char_set_[c] = ident;
  comment_char_set_[c] = comment;
}

}  // namespace aq71
