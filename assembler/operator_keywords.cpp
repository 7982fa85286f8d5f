// Fixed words of aq71 (see operator_keywords.h).
#include "assembler/operator_keywords.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "assembler/avr_isa.h"
#include "assembler/expressions.h"

namespace aq71 {

namespace {

struct OperatorName {
  std::string_view name;
  int cls;
  int token;
};

constexpr std::array<OperatorName, 53> kOperators = {{
    {"(", 1, OP_LPAREN},       {")", 1, OP_RPAREN},    {"NOT", 1, OP_NOT},      {"!", 1, OP_NOT},
    {"BITNOT", 1, OP_BITNOT},  {"~", 1, OP_BITNOT},    {"LOW", 1, OP_LOW},      {"HIGH", 1, OP_HIGH},
    {"BYTE2", 1, OP_BYTE2},    {"BYTE3", 1, OP_BYTE3}, {"LWRD", 1, OP_LWRD},    {"HWRD", 1, OP_HWRD},
    {"DATE", 1, OP_DATE},      {"SFB", 1, OP_SFB},     {"SFE", 1, OP_SFE},      {"SIZEOF", 1, OP_SIZEOF},
    {"*", 4, OP_MUL},          {"/", 4, OP_DIV},       {"MOD", 4, OP_MOD},      {"%", 4, OP_MOD},
    {"SHR", 4, OP_SHR},        {">>", 4, OP_SHR},      {"SHL", 4, OP_SHL},      {"<<", 4, OP_SHL},
    {"-", 8, OP_SUB},          {"+", 8, OP_ADD},       {"AND", 16, OP_AND},     {"&&", 16, OP_AND},
    {"BITAND", 16, OP_BITAND}, {"&", 16, OP_BITAND},   {"OR", 32, OP_OR},       {"||", 32, OP_OR},
    {"BITOR", 32, OP_BITOR},   {"|", 32, OP_BITOR},    {"XOR", 32, OP_XOR},     {"BITXOR", 32, OP_BITXOR},
    {"^", 32, OP_BITXOR},      {"EQ", 64, OP_EQ},      {"==", 64, OP_EQ},       {"=", 64, OP_ASSIGN_EQ},
    {"NE", 64, OP_NE},         {"!=", 64, OP_NE},      {"<>", 64, OP_NE_ANGLE}, {"GT", 64, OP_GT},
    {">", 64, OP_GT},          {"LT", 64, OP_LT},      {"<", 64, OP_LT},        {"UGT", 64, OP_UGT},
    {"ULT", 64, OP_ULT},       {"GE", 64, OP_GE},      {">=", 64, OP_GE},       {"LE", 64, OP_LE},
    {"<=", 64, OP_LE},
}};

constexpr std::array<int, IdentTree::kOperatorTokens> make_classes() {
  std::array<int, IdentTree::kOperatorTokens> c{};
  for (const OperatorName& o : kOperators) c[static_cast<std::size_t>(o.token)] = o.cls;
  return c;
}
constexpr std::array<int, IdentTree::kOperatorTokens> kClassOfToken = make_classes();

}  // namespace

int operator_class(int token) {
  if (token < 0 || token >= IdentTree::kOperatorTokens) return 0;
  return kClassOfToken[static_cast<std::size_t>(token)];
}

void init_operators_B00(IdentTree& tree) {
  for (const OperatorName& o : kOperators) tree.init_operator_A07(o.name, o.cls, o.token, 1);
}

void init_punctuation_B00(IdentTree& tree) {
  tree.init_delimiter_A07("=", 21);
  tree.init_delimiter_A07("<>", 19);
  tree.init_delimiter_A07(".", 24);
  tree.init_delimiter_A07(",", 25);
  tree.init_delimiter_A07("(", 26);
  tree.init_delimiter_A07(")", 27);
  tree.init_delimiter_A07(std::string_view("\xFF", 1), 57);
  tree.init_delimiter_A07(" ", 58);
  tree.init_delimiter_A07("\n", 59);
}

void init_registers_B00(IdentTree& tree) {
  char name[4];
  for (int r = 0; r < 32; ++r) {
    std::snprintf(name, sizeof name, "R%d", r);
    tree.init_register_A07(name, r);
  }
  tree.init_register_A07("X", kRegX);
  tree.init_register_A07("Y", kRegY);
  tree.init_register_A07("Z", kRegZ);
}

void init_mnemonics_B00(IdentTree& tree, int proc_option) {
  const uint16_t bit = processor_bit(proc_option);
  if (bit == 0) report_internal(tree.run(), "init_proc_options", "Illegal processor option");
  for (const MnemonicName& m : kMnemonicNames) {
    if ((m.registered & bit) == 0) continue;
    const int first = class_first_record(m.number);
    if (first < 0) report_internal(tree.run(), "init_instruction_table", "Empty p_ea");
    tree.init_mnemonic_A07(m.name, &kInstrEntries[static_cast<std::size_t>(first)], m.number,
                           class_max_patterns(m.number), 0);
  }
}

void init_operand_keywords_B00(IdentTree& tree, int proc_option) {
  init_operators_B00(tree);
  init_punctuation_B00(tree);
  init_mnemonics_B00(tree, proc_option);
  init_registers_B00(tree);
}

}  // namespace aq71
