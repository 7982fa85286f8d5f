// Identifier tree: registration, lookup modes, case rules, user symbols, LOCAL shadowing.
#include "assembler/ident_tree.h"
#include "assembler/assembly.h"
#include "assembler/assembly_driver.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace aq71;

namespace {

class IdentTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    problem_hooks(run).error = [this](int n, std::string_view, long) { errors.push_back(n); };
    problem_hooks(run).internal = [this](const char* f, const char* d) {
      internal_function = f;
      internal_diag = d;
    };
    tree.directive_case = true;
    tree.init_part_of_identifier_A07('.', TOK_DOT);
    tree.init_operator_A07("=", 64, TOK_ASSIGN, 1);
    tree.init_operator_A07("LOW", 1, 88, 1);
    tree.init_delimiter_A07("=", TOK_ASSIGN);
    tree.init_delimiter_A07(",", TOK_COMMA);
    tree.init_mnemonic_A07("ADD", nullptr, 0, 2, 0);
    tree.init_mnemonic_A07("NOP", nullptr, 91, 1, 0);
    tree.init_register_A07("R16", 16);
    tree.init_register_A07("X", 257);
    tree.init_directive_A07("END", 6, BLOCK_END, true);
    tree.init_directive_A07("EQU", 20, BLOCK_NONE, true);
    tree.init_directive_A07("=", 20, BLOCK_NONE, true);
    tree.init_directive_A07("IF", 30, COND_IF, true);
    tree.init_preprocessor_word("if");
  }

  LookupResult name(std::string_view text, bool first_field, int mode = MODE_FIELDS) {
    ClassifyContext ctx;
    ctx.mode = mode;
    ctx.first_field = first_field;
    return tree.classify(text, ctx);
  }

  Assembly run;  // the tree reports to this run's hooks
  IdentTree tree{run};
  std::vector<int> errors;
  std::string internal_function, internal_diag;
};

TEST_F(IdentTreeTest, RegisteringAMeaningTwiceIsAnInternalError) {
  EXPECT_THROW(tree.init_mnemonic_A07("ADD", nullptr, 0, 2, 0), InternalStop);
  EXPECT_EQ(internal_diag, "ID 'ADD' duplicated ");
  EXPECT_EQ(internal_function, "init_mnemonic_A07");
  // A second meaning of another kind is fine: ADD can also be a register name.
  EXPECT_NO_THROW(tree.init_register_A07("add", 99));
  EXPECT_THROW(tree.init_mnemonic_A07("XCH", nullptr, 103, 1, 0), InternalStop);
  EXPECT_EQ(internal_diag, "Instr.size too large");
  EXPECT_THROW(tree.init_operator_A07("??", 1, 149, 1), InternalStop);
  EXPECT_EQ(internal_diag, "Index too large");
  EXPECT_THROW(tree.init_target_symbol_A07("T1", 5, 100), InternalStop);
  EXPECT_EQ(internal_diag, "Illegal value");
}

TEST_F(IdentTreeTest, BlockAndConditionalNameTablesAreBounded) {
  for (int i = 0; i < 7; ++i) tree.init_directive_A07("E" + std::to_string(i), 1, BLOCK_END, true);
  EXPECT_EQ(tree.block_names(BLOCK_END).size(), 8u);
  EXPECT_THROW(tree.init_directive_A07("E9", 1, BLOCK_END, true), InternalStop);
  EXPECT_EQ(internal_diag, "Can't store END");
  for (int i = 1; i < 19; ++i) tree.init_directive_A07("C" + std::to_string(i), 1, COND_ELSE, true);
  EXPECT_THROW(tree.init_directive_A07("C99", 1, COND_ELSE, true), InternalStop);
  EXPECT_EQ(internal_diag, "Table too small");
}

TEST_F(IdentTreeTest, LookupOnAnEmptyTreeIsAnInternalError) {
  IdentTree empty(run);
  EXPECT_THROW(empty.check_ident("A", MODE_FIELDS), InternalStop);
  EXPECT_EQ(internal_diag, "No symb_tree_root_A07");
}

TEST_F(IdentTreeTest, LookupModesChooseAmongMeanings) {
  EXPECT_EQ(tree.check_ident("=", MODE_FIELDS).kind(), KIND_DIRECTIVE);
  EXPECT_EQ(tree.check_ident("=", MODE_EXPRESSION).kind(), KIND_OPERATOR);
  EXPECT_EQ(tree.check_ident("=", MODE_OPERANDS).kind(), KIND_DELIMITER);
  // The name as written is preferred to the upper-cased one within one kind.
  EXPECT_EQ(tree.check_ident("if", MODE_PREPROCESSOR).kind(), KIND_PREPROCESSOR);
  EXPECT_EQ(tree.check_ident("if", MODE_FIELDS).kind(), KIND_DIRECTIVE);
  EXPECT_EQ(tree.check_ident("if", MODE_FIELDS).result, 2);
  EXPECT_EQ(tree.check_ident("nothing", MODE_FIELDS).result, 0);
  EXPECT_EQ(tree.current(), nullptr);
}

TEST_F(IdentTreeTest, CaseSwitchDecidesWhetherUserSymbolsFoldCase) {
  tree.case_sensitive = false;
  LookupResult a = name("loop", true);
  LookupResult b = name("LOOP", false);
  EXPECT_EQ(a.node, b.node);
  EXPECT_EQ(a.node->name, "LOOP");

  tree.case_sensitive = true;
  LookupResult c = name("Cnt", true);
  LookupResult d = name("CNT", true);
  LookupResult e = name("cnt", false);
  EXPECT_NE(c.node, d.node);
  EXPECT_NE(c.node, e.node);
  EXPECT_NE(d.node, e.node);
  EXPECT_EQ(c.node->name, "Cnt");
  // "CNT" exists; "cnt" is found only upper-cased but labels keep their case.
  EXPECT_EQ(e.node->name, "cnt");

  // Keywords are found in any case.
  EXPECT_EQ(name("nop", false).kind(), KIND_MNEMONIC);
  EXPECT_EQ(name("r16", false, MODE_EXPRESSION).kind(), KIND_REGISTER);
  EXPECT_EQ(name("low", false, MODE_EXPRESSION).kind(), KIND_OPERATOR);
}

TEST_F(IdentTreeTest, MnemonicInTheFirstFieldBecomesALabel) {
  LookupResult lab = name("ADD", true);
  EXPECT_EQ(lab.kind(), KIND_LABEL);
  EXPECT_TRUE(lab.created);
  ASSERT_NE(lab.node->def->label, nullptr);
  EXPECT_FALSE(lab.node->def->label->flags & LABEL_NOT_PLACED);
  // The operation field still finds the mnemonic, an operand the label.
  EXPECT_EQ(name("ADD", false).kind(), KIND_MNEMONIC);
  EXPECT_EQ(name("ADD", false, MODE_EXPRESSION).node, lab.node);
  // A directive never becomes a label.
  EXPECT_EQ(name("END", true).kind(), KIND_DIRECTIVE);
  EXPECT_EQ(tree.find_kind("END", KIND_LABEL), nullptr);
}

TEST_F(IdentTreeTest, ForwardReferenceIsPlacedByItsDefinitionOnce) {
  tree.env.segment_kind = 1;
  tree.env.segment_number = 3;
  LookupResult use = name("FWD", false, MODE_EXPRESSION);
  ASSERT_EQ(use.kind(), KIND_LABEL);
  LabelRec* l = use.node->def->label;
  EXPECT_TRUE(l->flags & LABEL_NOT_PLACED);
  EXPECT_TRUE(use.created);

  tree.env.segment_number = 4;
  LookupResult def = name("FWD", true);
  EXPECT_EQ(def.node, use.node);
  EXPECT_FALSE(def.created);
  EXPECT_TRUE(def.placed_now);
  EXPECT_FALSE(l->flags & LABEL_NOT_PLACED);
  EXPECT_EQ(l->segment_number, 4);

  // A second definition is neither new nor placed now: the driver's duplicate label.
  LookupResult again = name("FWD", true);
  EXPECT_FALSE(again.created);
  EXPECT_FALSE(again.placed_now);
  ASSERT_EQ(tree.marked().size(), 1u);
  EXPECT_EQ(tree.marked()[0], use.node);
}

TEST_F(IdentTreeTest, LabelReferencesAreRecordedWhenAsked) {
  tree.env.record_label_references = true;
  tree.env.line = 7;
  LookupResult d = name("L1", true);
  tree.env.line = 9;
  name("L1", false, MODE_EXPRESSION);
  ASSERT_TRUE(d.node->def->first_reference().has_value());
  EXPECT_EQ(d.node->def->first_reference()->line, 7);
  ASSERT_EQ(d.node->def->references().size(), 1u);
  EXPECT_EQ(d.node->def->references()[0].line, 9);
}

TEST_F(IdentTreeTest, LookupOnlyEntersNothing) {
  ClassifyContext ctx;
  ctx.lookup_only = true;
  LookupResult r = tree.classify("GHOST", ctx);
  EXPECT_EQ(r.node, nullptr);
  EXPECT_EQ(tree.find_exact("GHOST"), nullptr);
}

TEST_F(IdentTreeTest, RemovingTheHeadOfAChainKeepsTheOtherMeanings) {
  LookupResult lab = name("NOP", true);  // NOP: mnemonic + label
  SymbolNode* mn = tree.find_kind("NOP", KIND_MNEMONIC);
  ASSERT_NE(mn, nullptr);
  tree.remove_node(mn);
  EXPECT_EQ(mn->state, NODE_REMOVED);
  EXPECT_EQ(tree.find_exact("NOP"), lab.node);
  EXPECT_EQ(tree.check_ident("NOP", MODE_FIELDS).kind(), KIND_LABEL);
  // The removed node's records stay valid and removing again does nothing.
  EXPECT_EQ(mn->def->kind, KIND_MNEMONIC);
  tree.remove_node(mn);
  tree.remove_node(lab.node);
  EXPECT_EQ(tree.find_exact("NOP"), nullptr);
}

TEST_F(IdentTreeTest, MarkedNodesComeBackInOrder) {
  SymbolNode* a = name("A1", true).node;
  SymbolNode* b = name("B1", true).node;
  SymbolNode* c = name("C1", false, MODE_EXPRESSION).node;
  tree.unmark_node(b);
  EXPECT_EQ(b->state, NODE_NORMAL);
  EXPECT_THROW(tree.unmark_node(b), InternalStop);
  EXPECT_NO_THROW(tree.unmark_node(b, true));
  EXPECT_EQ(tree.next_marked(), a);
  EXPECT_EQ(tree.next_marked(), c);
  EXPECT_EQ(tree.next_marked(), nullptr);
  tree.remove_node(a);
  EXPECT_THROW(tree.mark_node(a), InternalStop);
  EXPECT_EQ(internal_diag, "Illegal case");
}

TEST_F(IdentTreeTest, PendingLabelsSkipPublicAndExtern) {
  tree.env.queue_debug_labels = true;
  SymbolNode* a = name("P1", true).node;
  SymbolNode* b = name("P2", true).node;
  SymbolNode* c = name("P3", true).node;
  b->def->label->flags |= LABEL_PUBLIC;
  EXPECT_EQ(tree.next_pending_label(), a);
  EXPECT_EQ(tree.next_pending_label(), c);
  EXPECT_EQ(tree.next_pending_label(), nullptr);
  tree.remove_pending_label(a);
  tree.rewind_pending_labels();
  EXPECT_EQ(tree.next_pending_label(), c);
}

TEST_F(IdentTreeTest, LocalNamesShadowPerLevelAndComeBack) {
  SymbolNode* outer = name("TMP", true).node;
  SymbolNode* l1 = tree.declare_local("tmp", 1);
  EXPECT_NE(l1, outer);
  EXPECT_TRUE(l1->def->label->flags & LABEL_LOCAL);
  EXPECT_EQ(name("TMP", false, MODE_EXPRESSION).node, l1);
  // Defining the local label in the first field places it; no duplicate.
  LookupResult d = name("TMP", true);
  EXPECT_EQ(d.node, l1);
  EXPECT_TRUE(d.placed_now);

  SymbolNode* l2 = tree.declare_local("TMP", 2);
  EXPECT_EQ(name("TMP", false, MODE_EXPRESSION).node, l2);
  tree.end_local_level(2);
  EXPECT_EQ(name("TMP", false, MODE_EXPRESSION).node, l1);
  tree.end_local_level(1);
  EXPECT_EQ(name("TMP", false, MODE_EXPRESSION).node, outer);

  // A second expansion gets a node of its own; a name that was new disappears again.
  SymbolNode* again = tree.declare_local("TMP", 1);
  EXPECT_NE(again, l1);
  tree.declare_local("_args", 1);
  tree.end_local_level(1);
  EXPECT_EQ(tree.find_exact("_ARGS"), nullptr);
  EXPECT_EQ(tree.find_exact("TMP"), outer);
}

TEST_F(IdentTreeTest, LocalNodeReplacedBehindItsBackIsAnInternalError) {
  SymbolNode* l = tree.declare_local("Q", 1);
  tree.remove_node(l);
  EXPECT_THROW(tree.end_local_level(1), InternalStop);
  EXPECT_EQ(internal_diag, "symbol 'Q' not in tree");
}

TEST_F(IdentTreeTest, PreprocessorWordOutsidePreprocessorLinesIsAUserName) {
  tree.init_preprocessor_word("pragma");
  tree.case_sensitive = true;
  LookupResult r = name("pragma", false, MODE_EXPRESSION);
  EXPECT_EQ(r.kind(), KIND_LABEL);
  ClassifyContext pp;
  pp.mode = MODE_PREPROCESSOR;
  pp.preprocessor_line = true;
  EXPECT_EQ(tree.classify("pragma", pp).kind(), KIND_PREPROCESSOR);
}

TEST_F(IdentTreeTest, TreeOrderIsByteOrderShorterFirst) {
  name("B", true);
  name("AB", true);
  name("A", true);
  name("\xC0", true);
  std::vector<std::string> names;
  tree.for_each_node([&](SymbolNode* n) {
    if (n->def && n->def->kind == KIND_LABEL) names.push_back(n->name);
  });
  EXPECT_EQ(names, (std::vector<std::string>{"A", "AB", "B", "\xC0"}));
}

TEST_F(IdentTreeTest, TargetSymbolIsAnAbsolutePlacedLabel) {
  SymbolNode* n = tree.init_target_symbol_A07("TID", 0x5A00, KIND_LABEL);
  ASSERT_NE(n->def->label, nullptr);
  EXPECT_EQ(n->def->label->flags & 0x2080u, 0x2080u);
  EXPECT_EQ(n->def->label->absolute_value, 0x5A00);
  EXPECT_FALSE(name("TID", true).created);
}

// The name table under random inserts, head changes and erasures (erasure shifts later entries
// of a probe run back) always agrees with an ordered map of the same names.
// Names of one meaning are classified by a shortcut: every keyword, written as registered or in
// small letters, in every field and lookup mode, comes out as the general road gives it (the
// name, meaning and result, and what the tree does with it). Two runs go side by side, one of
// them by the general road only.
TEST(IdentTreeKeywords, EveryKeywordIsClassifiedAsTheGeneralRoadDoes) {
  Assembly fast_run, general_run;
  init_keywords_B00(fast_run);
  init_keywords_B00(general_run);
  IdentTree& fast = ident_tree(fast_run);
  IdentTree& general = ident_tree(general_run);
  for (IdentTree* t : {&fast, &general}) {
    t->init_preprocessor_word("if");
    t->init_preprocessor_word("define");
    t->init_defined_word("defined");
  }
  std::vector<std::string> names;
  for (SymbolNode* head : fast.heads_in_order()) {
    names.push_back(head->name);
    std::string lower = head->name;
    for (char& c : lower)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    names.push_back(lower);
  }
  ASSERT_GT(names.size(), 400u);
  struct Where {
    int mode;
    bool first_field;
    bool symbol_list;
    bool preprocessor_line;
  };
  const Where places[] = {{MODE_EXPRESSION, false, false, false}, {MODE_OPERANDS, false, false, false},
                          {MODE_FIELDS, false, false, false},     {MODE_SYMBOL_LIST, false, true, false},
                          {MODE_PREPROCESSOR, false, false, true}, {MODE_BACKQUOTED, false, false, false},
                          {MODE_SUFFIX, false, false, false},     {MODE_FIELDS, true, false, false}};
  for (bool case_sensitive : {true, false})
    for (const Where& w : places)
      for (const std::string& name : names) {
        fast.case_sensitive = general.case_sensitive = case_sensitive;
        ClassifyContext ctx;
        ctx.mode = w.mode;
        ctx.first_field = w.first_field;
        ctx.symbol_list = w.symbol_list;
        ctx.preprocessor_line = w.preprocessor_line;
        const LookupResult a = fast.classify(name, ctx);
        const LookupResult b = general.classify_general(name, ctx);
        const std::string where = name + " mode " + std::to_string(w.mode) + (w.first_field ? " first field" : "");
        ASSERT_EQ(a.node != nullptr, b.node != nullptr) << where;
        ASSERT_EQ(a.result, b.result) << where;
        ASSERT_EQ(a.created, b.created) << where;
        ASSERT_EQ(a.placed_now, b.placed_now) << where;
        if (!a.node) continue;
        ASSERT_EQ(a.node->name, b.node->name) << where;
        ASSERT_EQ(a.kind(), b.kind()) << where;
        ASSERT_EQ(fast.current() == a.node, general.current() == b.node) << where;
        ASSERT_EQ(a.node->looked_up, b.node->looked_up) << where;
        // The same place in the chain of the name.
        int pa = 0, pb = 0;
        for (SymbolNode* n = fast.find_exact(a.node->name); n && n != a.node; n = n->next) ++pa;
        for (SymbolNode* n = general.find_exact(b.node->name); n && n != b.node; n = n->next) ++pb;
        ASSERT_EQ(pa, pb) << where;
      }
  EXPECT_EQ(fast.name_count(), general.name_count());
  EXPECT_EQ(fast.marked().size(), general.marked().size());
}

TEST(NameTable, AgreesWithAnOrderedMapUnderRandomChanges) {
  struct Node {
    std::string name;
  };
  std::deque<Node> nodes;
  NameTable<Node> table;
  std::map<std::string, Node*> model;
  std::mt19937 rng(7);
  auto random_name = [&] {
    static const char kChars[] = "ABLR0123456789_\xC0";
    // Now and then a name about as long as the longest ones found again by their bytes (seven)
    // or just longer, of few letters so that it comes again.
    if (rng() % 5 == 0) {
      std::string s(6 + rng() % 3, 'A');
      for (char& c : s) c = "AB"[rng() % 2];
      return s;
    }
    std::string s(1 + rng() % 4, 'A');
    for (char& c : s) c = kChars[rng() % (sizeof kChars - 1)];
    return s;
  };
  int pairs[256] = {};      // names of two characters in the model, by their first
  int pair_ends[256] = {};  // and by their second
  auto count_pair = [&](const std::string& n, int d) {
    if (n.size() != 2) return;
    pairs[static_cast<unsigned char>(n[0])] += d;
    pair_ends[static_cast<unsigned char>(n[1])] += d;
  };
  for (int step = 0; step < 60000; ++step) {
    std::string name = random_name();
    Node* found = table.find(name);
    auto it = model.find(name);
    ASSERT_EQ(found, it == model.end() ? nullptr : it->second) << name;
    // Looked up again through the node's own name.
    if (found) {
      ASSERT_EQ(table.find(found->name), found);
    }
    unsigned char first = static_cast<unsigned char>(name[0]);
    unsigned char last = static_cast<unsigned char>(name.back());
    ASSERT_EQ(table.may_hold_pair(first, last), pairs[first] > 0 && pair_ends[last] > 0) << name;
    switch (rng() % 3) {
      case 0:
        if (!found) {
          table.insert(&nodes.emplace_back(Node{name}));
          model[name] = &nodes.back();
          count_pair(name, 1);
        }
        break;
      case 1:
        table.set_head(&nodes.emplace_back(Node{name}));
        if (!found) count_pair(name, 1);
        model[name] = &nodes.back();
        break;
      default:
        ASSERT_EQ(table.erase(name), found != nullptr);
        if (found) count_pair(name, -1);
        model.erase(name);
        break;
    }
    ASSERT_EQ(table.size(), model.size());
    // The head found last is still the head of its name.
    if (found && model.count(found->name)) {
      ASSERT_EQ(table.find(found->name), model[found->name]);
    }
  }
  std::size_t seen = 0;
  table.for_each_head([&](Node* n) {
    ++seen;
    EXPECT_EQ(model.at(n->name), n);
  });
  EXPECT_EQ(seen, model.size());
  for (const auto& [name, node] : model) EXPECT_EQ(table.find(name), node);
}

}  // namespace
