// Identifier tree of aq71: every name the assembler knows (keywords, operators, punctuation,
// registers, segments, macros, #define names and user labels) with its meanings, the lookup
// modes that choose among them, the registration entry points of the keyword tables, the
// classification of scanned identifiers into user symbols, and LOCAL / _args shadowing.
//
// Names are kept in a hash table; listings get them in byte order (unsigned bytes, shorter
// first). A name with several meanings has a chain of nodes, one meaning each. Nodes and records live for the whole
// run: a removed node is only marked, so statements that point at it stay valid.
#pragma once

#include <bitset>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/name_table.h"
#include "assembler/record_arena.h"
#include "assembler/tokens.h"

namespace aq71 {

class Assembly;
struct DefineRec;  // #define record of the preprocessor
struct ValueRec;   // value record of the expression evaluator
struct Statement;  // statement record of the driver
struct DefinitionRec;
struct DependentLink;  // expressions that use a label (evaluator's)

// Flags of a label record.
inline constexpr std::uint32_t LABEL_DEFINED = 0x1;
inline constexpr std::uint32_t LABEL_PUBLIC = 0x10;
inline constexpr std::uint32_t LABEL_EXTERN = 0x20;
inline constexpr std::uint32_t LABEL_LOCAL = 0x40;
inline constexpr std::uint32_t LABEL_PREDEFINED = 0x80;
inline constexpr std::uint32_t LABEL_NOT_PLACED = 0x100;
inline constexpr std::uint32_t LABEL_SFR = 0x200;
inline constexpr std::uint32_t LABEL_ABSOLUTE = 0x2000;
inline constexpr std::uint32_t LABEL_WAITING = 0x400000;  // waiting for its statement

// Node states.
inline constexpr std::uint16_t NODE_NORMAL = 0;
inline constexpr std::uint16_t NODE_REMOVED = 1;
inline constexpr std::uint16_t NODE_MARKED = 2;

struct Reference {
  int file = 0;
  long line = 0;
};

struct LabelRec {
  std::uint16_t segment_kind = 0;
  int segment_number = 0;
  std::uint32_t flags = 0;
  int type = 0;
  int extern_index = 65535;
  int function_index = -1;
  ValueRec* value = nullptr;
  std::int32_t absolute_value = 0;  // predefined absolute labels (TID, init_target_symbol)
  DefinitionRec* def = nullptr;
  Statement* statement = nullptr;
  int word0 = 0;
  int word1 = -1;
  // Expression bookkeeping of the module numbered expression_module (the evaluator's): the
  // expressions that use the label, whether one uses it at all, whether error 50 was given.
  DependentLink* dependents = nullptr;  // in the order they came
  DependentLink* last_dependent = nullptr;
  std::uint32_t expression_module = 0;
  bool used = false;
  bool reported_undefined = false;
  // The solved value the label's dependents were folded from, kept while the label's value is
  // unsettled (a provisional place, or its expression waiting to be folded again): when it
  // settles elsewhere, those dependents are folded again.
  bool has_folded = false;
  std::uint8_t folded_kind = 0;
  std::uint16_t folded_segment = 0;
  std::uint32_t folded_value = 0;
};

struct OperatorRec {
  std::uint16_t token = 0;
  std::uint16_t precedence = 0;
  std::uint32_t flags = 0;
  std::uint32_t spare = 65535;
};

// Where a name is defined and where it is used.
struct References {
  std::optional<Reference> first;
  std::vector<Reference> uses;
};

struct DefinitionRec {
  int kind = KIND_NONE;
  std::int32_t a = 0;            // mnemonic index, block/conditional kind of a directive
  std::int64_t b = 0;            // directive number, register, segment, type, code, value, bits
  const void* object = nullptr;  // instruction-class record (71) or macro (76)
  LabelRec* label = nullptr;     // user symbols (75)
  OperatorRec* op = nullptr;     // operators (80)
  // Recorded only when asked for (most runs record none, and every name has a definition).
  References* refs = nullptr;
  struct SymbolNode* node = nullptr;

  const std::optional<Reference>& first_reference() const {
    static const std::optional<Reference> none;
    return refs ? refs->first : none;
  }
  const std::vector<Reference>& references() const {
    static const std::vector<Reference> none;
    return refs ? refs->uses : none;
  }
};

struct SymbolNode {
  std::uint16_t state = NODE_NORMAL;
  bool looked_up = false;  // found by a lookup since it was made (LOCAL names: unused while false)
  DefinitionRec* def = nullptr;
  std::string name;
  DefineRec* define = nullptr;
  SymbolNode* next = nullptr;  // next node of the same name (duplicate chain)
};

// Lookup modes: the order in which meanings are preferred.
enum LookupMode : int {
  MODE_FIELDS = 1,  // label and operation fields
  MODE_2 = 2,
  MODE_OPERANDS = 3,      // instruction operands
  MODE_EXPRESSION = 4,    // other expressions, operands after a mnemonic
  MODE_SEGMENT_TYPE = 5,  // segment type after ':'
  MODE_PREPROCESSOR = 6,
  MODE_7 = 7,
  MODE_BACKQUOTED = 10,   // labels only
  MODE_SYMBOL_LIST = 11,  // PUBLIC, EXTERN and LOCAL lists
  MODE_SUFFIX = 12,
};

// Block kinds of directives whose names the tree remembers.
enum BlockKind : int {
  BLOCK_NONE = 0,
  COND_IF = 1,
  COND_ELSE = 2,
  COND_ENDIF = 3,
  COND_ELSEIF = 4,
  BLOCK_MACRO = 5,
  BLOCK_ENDM = 6,
  BLOCK_REPT = 7,
  BLOCK_REPTI = 8,
  BLOCK_REPTC = 9,
  BLOCK_ENDR = 10,
  BLOCK_END = 11,
  BLOCK_ENDMOD = 12,
};

struct LookupResult {
  int result = 0;  // 1 name as written, 2 upper-cased name, 0 not found
  SymbolNode* node = nullptr;
  bool created = false;     // enter/classify: the node (or its label meaning) is new
  bool placed_now = false;  // classify: a label used earlier was defined here
  int kind() const { return node && node->def ? node->def->kind : KIND_NONE; }  // KIND_NONE: none
};

// What the classification of a scanned identifier needs to know about its surroundings.
struct ClassifyContext {
  int mode = MODE_FIELDS;
  bool first_field = false;      // label field, or a name followed by ':' and a blank
  bool symbol_list = false;      // PUBLIC, EXTERN or LOCAL list
  bool list_reads_type = false;  // a PUBLIC/EXTERN list is reading a segment type
  bool preprocessor_line = false;
  bool define_line = false;  // inside a #define line
  bool lookup_only = false;  // raw mode and the operand of `defined`: enter nothing
  bool after_label = false;  // read right after a label on this line
  bool line_active = true;
};

// Where new user symbols go and how the rest of the assembler hears of them. The driver keeps
// these up to date.
struct SymbolEnvironment {
  std::uint16_t segment_kind = 0;
  int segment_number = 1;
  std::uint32_t symbol_flags = 0;  // added to every new label
  Statement* statement = nullptr;  // the current statement
  // The statement a record kept for later (a label, an expression) last took as the current
  // statement: it has to stay where it is.
  Statement* taken_statement = nullptr;
  Statement* take_statement() {
    if (statement) taken_statement = statement;
    return statement;
  }
  int file_index = 0;
  long line = 0;
  bool record_label_references = false;   // object debug word bits 1 and 4 (-r with b)
  bool queue_debug_labels = false;        // object debug word bit 1 (-r)
  bool record_define_references = false;  // -x
  // A fresh value record for a new label in its segment (expressions, later).
  std::function<ValueRec*(LabelRec&)> make_value;
  // A label record made anew keeps its value record: it is to start over.
  std::function<void(LabelRec&)> renew_value;
  // A label that was used before its definition has just been placed.
  std::function<void(LabelRec&)> label_placed;
};

class IdentTree {
 public:
  // The tree of a run: it reports its problems through the run's problem hooks.
  explicit IdentTree(Assembly& run);
  IdentTree(const IdentTree&) = delete;
  IdentTree& operator=(const IdentTree&) = delete;
  Assembly& run() const { return run_; }

  bool case_sensitive = false;  // case switch: 0 stores user symbols upper-cased
  bool directive_case = false;  // directives are found in any case and never become labels
  SymbolEnvironment env;

  // ---- lookup and insertion --------------------------------------------------------------

  LookupResult check_ident(std::string_view name, int mode);
  LookupResult lookup(std::string_view name, int mode) { return check_ident(name, mode); }
  // check_ident of the one-character name c; the table must not be empty.
  LookupResult check_char(unsigned char c, int mode) {
    SymbolNode* n = tree_.find_single(c);
    if (!(c >= 'a' && c <= 'z') && (!n || !n->next)) {
      LookupResult r;
      if (n) {
        n->looked_up = true;
        r.result = 1;
        r.node = n;
      }
      current_ = n;
      return r;
    }
    const char text[1] = {static_cast<char>(c)};
    return check_ident(std::string_view(text, 1), mode);
  }
  // Enters the name (or finds it). accept_folded: a name found only upper-cased counts as found,
  // and a new name is stored upper-cased while the case switch is 0.
  LookupResult enter(std::string_view name, bool accept_folded, bool require_definition, int mode = MODE_FIELDS);
  // Appends a node of the same name with a meaning of the given kind; nullptr when the chain
  // already has that kind. The new node becomes current.
  SymbolNode* add_meaning(SymbolNode* node, int kind);
  // Takes a node out of the tree (state 1). Its records stay valid.
  void remove_node(SymbolNode* node);
  SymbolNode* current() const { return current_; }
  void set_current(SymbolNode* node) { current_ = node; }
  // First node of the chain of a name exactly as written (nullptr when absent).
  SymbolNode* find_exact(std::string_view name) const {
    SymbolNode* n = head_of(name);
    if (n) n->looked_up = true;
    return n;
  }
  // Node of the given kind in the chain of a name as written, then upper-cased.
  SymbolNode* find_kind(std::string_view name, int kind) const;
  // Whether some definition of the kind was ever made.
  bool kind_made(int kind) const { return kind >= 0 && kind < static_cast<int>(kinds_made_.size()) && kinds_made_[kind]; }
  // Names in byte order (cross reference, #define table).
  template <class F>
  void for_each_node(F f) const {
    for (SymbolNode* head : heads_in_order())
      for (SymbolNode* n = head; n; n = n->next) f(n);
  }
  std::vector<SymbolNode*> heads_in_order() const;
  std::size_t name_count() const { return tree_.size(); }

  // ---- marked nodes and pending labels -----------------------------------------------------

  void mark_node(SymbolNode* node);
  SymbolNode* next_marked();  // first marked node, removed from the list
  void unmark_node(SymbolNode* node, bool quiet = false);
  const std::deque<SymbolNode*>& marked() const { return marked_; }

  void queue_pending_label(SymbolNode* node) { pending_.push_back(node); }
  void clear_pending_labels() {
    pending_.clear();
    pending_pos_ = 0;
  }
  void rewind_pending_labels() { pending_pos_ = 0; }
  SymbolNode* next_pending_label();  // next that is neither PUBLIC nor EXTERN
  void remove_pending_label(SymbolNode* node);
  const std::vector<SymbolNode*>& pending_labels() const { return pending_; }

  // ---- user symbols ------------------------------------------------------------------------

  // Classifies a scanned identifier and enters it as a user symbol where the rules say so.
  // Returns the chosen node (also current). In the first field a name that is not a directive
  // gets a label meaning; created tells a new label from one seen before (the driver's
  // duplicate-label check), placed_now a forward-referenced label that is defined here.
  LookupResult classify(std::string_view name, const ClassifyContext& ctx);
  // The same without the shortcut for names of one meaning: every name takes the road of
  // entering and choosing.
  LookupResult classify_general(std::string_view name, const ClassifyContext& ctx);
  // For a name without small letters: the node classify would choose when it has but one
  // meaning and classifying it changes nothing but the current node (a keyword that stays a
  // keyword where the name stands), or notes the use of a label (see use_label); else nullptr.
  // wants_label: the name stands in the first field, a symbol list or backquotes.
  SymbolNode* single_meaning(std::string_view name, bool wants_label) const {
    if (tree_.empty()) return nullptr;
    SymbolNode* n = head_of(name);
    if (!n || n->next || !n->def) return nullptr;
    const int kind = n->def->kind;
    if (kind == KIND_LABEL) return n;
    if (kind == KIND_PREPROCESSOR || (wants_label && !(kind == KIND_DIRECTIVE && directive_case))) return nullptr;
    return n;
  }
  // classify of the name of a node single_meaning gave.
  LookupResult classify_single(SymbolNode* node, const ClassifyContext& ctx) {
    node->looked_up = true;
    current_ = node;
    LookupResult r;
    r.result = 1;
    r.node = node;
    if (node->def->kind == KIND_LABEL) settle_label(r, ctx);
    return r;
  }
  // Gives a node a label record in the current segment (kind 75).
  LabelRec* make_label(SymbolNode* node, bool placed);
  // The fields make_label sets (the statement only with take_statement).
  void init_label(LabelRec& l, DefinitionRec* def, bool placed, bool take_statement);

  // LOCAL and _args: a fresh label node for the name takes its place in the tree for the
  // current expansion level; end_local_level puts the outer nodes back. take_statement: the
  // label keeps the current statement as its place until a line places it (a LOCAL name);
  // without it the label keeps no statement (_args, which no line places).
  SymbolNode* declare_local(std::string_view name, int level, bool take_statement = true);
  void end_local_level(int level);

  // ---- registration ------------------------------------------------------------------------

  SymbolNode* init_mnemonic_A07(std::string_view name, const void* instr_class, int index, int max_operands,
                                std::uint16_t flags);
  SymbolNode* init_directive_A07(std::string_view name, int directive_number, int block_kind, bool upper_case);
  SymbolNode* init_register_A07(std::string_view name, int number);
  SymbolNode* insert_segment_type_in_tree_A07(std::string_view name, int type);
  SymbolNode* init_operator_A07(std::string_view name, int precedence, int token, std::uint32_t flags);
  SymbolNode* init_delimiter_A07(std::string_view name, int code);
  SymbolNode* init_target_symbol_A07(std::string_view name, std::int32_t value, int kind);
  SymbolNode* init_part_of_identifier_A07(char c, int code);
  SymbolNode* init_comment_char_A07(char c, int code);
  SymbolNode* init_sfr_type_A07(std::string_view name, std::uint32_t bits);
  SymbolNode* init_preprocessor_word(std::string_view name);  // kind 82 (init_cw)
  SymbolNode* init_defined_word(std::string_view name);       // kind 83

  struct MnemonicRow {
    SymbolNode* node = nullptr;
    std::uint16_t max_operands = 0;
    std::uint16_t flags = 0xFFFF;
  };
  static constexpr int kMnemonicCount = 103;
  static constexpr int kOperatorTokens = 149;
  const MnemonicRow& mnemonic(int index) const { return mnemonics_[index]; }
  const std::string& operator_name(int token) const { return operator_names_[token]; }
  const std::vector<SymbolNode*>& registers() const { return registers_; }  // newest first
  std::uint32_t sfr_attributes() const { return sfr_bits_; }
  // Directive names of a block kind (MACRO ... ENDMOD), at most 8 each.
  const std::vector<SymbolNode*>& block_names(int block_kind) const;
  struct ConditionalName {
    SymbolNode* node;
    int kind;  // COND_IF ... COND_ELSEIF
  };
  const std::vector<ConditionalName>& conditional_names() const { return conditionals_; }
  bool has_ident_chars() const { return ident_chars_ != 0; }
  bool is_ident_char(unsigned char c) const { return ident_chars_ && ident_char_set_[c]; }
  bool has_comment_chars() const { return comment_chars_ != 0; }
  // False when no two-character name can be a followed by b (as written or with b upper-cased,
  // as check_ident looks names up): no need to look the pair up.
  bool may_hold_pair(unsigned char a, unsigned char b) const {
    return tree_.may_hold_pair(a, b) || (b >= 'a' && b <= 'z' && tree_.may_hold_pair(a, b - 'a' + 'A'));
  }
  bool is_comment_char(unsigned char c) const { return comment_chars_ && comment_char_set_[c]; }

 private:
  void reset();
  SymbolNode* new_node(std::string_view name);
  DefinitionRec* new_def(SymbolNode* node, int kind);
  SymbolNode* choose(SymbolNode* written, SymbolNode* upper, int mode, int* which) const;
  SymbolNode* register_name(std::string_view name, int kind, bool upper_case, const char* entry_point);
  SymbolNode* head_of(std::string_view name) const { return tree_.find(name); }
  bool kind_acceptable_folded(int kind, const ClassifyContext& ctx) const;
  // A label met by classify: placed when it stands in the first field, its reference noted.
  void settle_label(LookupResult& r, const ClassifyContext& ctx);
  void record_reference(DefinitionRec* def, bool definition);

  Assembly& run_;
  NameTable<SymbolNode> tree_;
  // Records live for the run (statements point at them).
  RecordArena<SymbolNode> nodes_;
  RecordArena<DefinitionRec> defs_;
  RecordArena<LabelRec> labels_;
  RecordArena<OperatorRec> operators_;
  RecordArena<References> references_;
  SymbolNode* current_ = nullptr;

  std::vector<MnemonicRow> mnemonics_;
  std::vector<std::string> operator_names_;
  std::vector<SymbolNode*> registers_;
  std::map<int, std::vector<SymbolNode*>> block_names_;
  std::vector<ConditionalName> conditionals_;
  std::uint32_t sfr_bits_ = 0;
  int ident_chars_ = 0;
  int comment_chars_ = 0;
  // Characters whose one-character name has an identifier-character (84) or comment-character
  // (85) meaning; kept up to date with the tree.
  std::bitset<256> ident_char_set_;
  std::bitset<256> comment_char_set_;
  std::bitset<256> kinds_made_;  // kinds some definition was made with
  void refresh_char_sets(std::string_view name);

  std::deque<SymbolNode*> marked_;
  std::vector<SymbolNode*> pending_;
  std::size_t pending_pos_ = 0;

  struct LocalEntry {
    SymbolNode* local;
    SymbolNode* outer;  // nullptr when the name was new
    int level;
  };
  std::vector<LocalEntry> locals_;  // newest last
  // Local nodes that ended without ever being looked up (nothing refers to them or to their
  // label): the next declaration of the same name takes one instead of new records.
  std::vector<SymbolNode*> spare_locals_;
};

// The identifier tree of a run.
IdentTree& ident_tree(Assembly& run);

std::string upper_ascii(std::string_view text);
// True when `text` upper-cased (ASCII letters only) is `upper`; no copy is made.
bool equals_upper_ascii(std::string_view text, std::string_view upper);

}  // namespace aq71
