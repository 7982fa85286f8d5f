// Every row of the error and warning tables, written out in bracket notation.
#include "aq71_test_support.h"

#include <cstring>

namespace {

// "[mark]" etc. stand for the control bytes of the stored text.
std::string encode(std::string text) {
  const std::pair<const char*, char> words[] = {
      {"[mark]", 1},   {"[fatal]", 2},      {"[name]", 3},   {"[quoted name]", 4},
      {"[number]", 5}, {"[hex number]", 6}, {"[origin]", 7},
  };
  for (const auto& [word, byte] : words) {
    for (std::size_t at; (at = text.find(word)) != std::string::npos;) {
      text.replace(at, std::strlen(word), std::string(1, byte));
    }
  }
  return text;
}

using Rows = std::vector<std::pair<int, std::string>>;

const Rows kErrors = {
    {0, "Invalid syntax"},
    {1, "Too deep #include nesting (max is [number])[fatal]"},
    {2, "Failed to open #include file [name][fatal]"},
    {3, "Invalid #include file name[fatal]"},
    {4, "Unexpected end of file encountered[fatal][origin]"},
    {5, "Too long source line (max is [number] characters); truncated"},
    {6, "Bad constant"},
    {7, "Hexadecimal constant without digits"},
    {8, "Invalid floating point constant"},
    {9, "Too many errors encountered (>[number]).[fatal]"},
    {10, "Space or tab expected"},
    {11, "Too deep block nesting (max is [number])[fatal]"},
    {12, "String too long (max is [number])"},
    {13, "Missing delimiter in literal or character constant"},
    {14, "Missing #endif[fatal]"},
    {15, "Invalid character encountered: [name]; ignored"},
    {16, "[mark]Identifier expected"},
    {17, "[mark]')' expected"},
    {18, "No such pre-processor command: [name]"},
    {19, "Unexpected token found in pre-processor line"},
    {20, "Argument to #define too long (max is [number])"},
    {21, "Too many formal parameters for #define (max is [number])[fatal]"},
    {22, "Macro parameter [name] redefined"},
    {23, "[mark]',' or ')' expected"},
    {24, "Unmatched #else, #endif or #elif[fatal][origin]"},
    {25, "#error [name].[fatal]"},
    {26, "[mark]'(' expected"},
    {27, "Too many active macro parameters (max is [number])[fatal]"},
    {28, "Too many nested parameterized macros (max is [number])[fatal]"},
    {29, "Too deep macro nesting (max is [number])[fatal]"},
    {30, "Actual macro parameter too long (max is [number])"},
    {31, "Macro [name] called with too many parameters[fatal]"},
    {32, "Macro [name] called with too few parameters"},
    {33, "too many MACRO arguments"},
    {34, "may not be redefined"},
    {35, "no name on macro"},
    {36, "Illegal formal parameter in macro"},
    {37, "ENDM or EXITM not in macro[origin]"},
    {38, "'>' expected but found end-of-line"},
    {39, "END before start of module[origin]"},
    {40, "bad instruction"},
    {41, "bad label"},
    {42, "duplicate label:[name]"},
    {43, "illegal effective address"},
    {44, "[mark]',' expected"},
    {45, "name duplicated"},
    {46, "segment type expected"},
    {47, "segment name expected"},
    {48, "value out of range [name]"},
    {49, "alignment already set"},
    {50, "undefined symbol:[name]"},
    {51, "Can't be both PUBLIC and EXTERN"},
    {52, "EXTERN not allowed"},
    {53, "expression must be absolute"},
    {54, "expression can not be forward"},
    {55, "illegal size"},
    {56, "too many digits"},
    {57, "unbalanced conditional assembly directives[origin]"},
    {58, "ELSE without IF[origin]"},
    {59, "ENDIF without IF[origin]"},
    {60, "unbalanced structured assembly directives[origin]"},
    {61, "'+' or '-' expected"},
    {62, "Illegal operation on extern or public symbol"},
    {63, "Illegal operation on non-constant label"},
    {64, "Extern or unsolved expression"},
    {65, "'=' expected"},
    {66, "Segment too long (max is [hex number])"},
    {67, "Public [name] did not appear in label field"},
    {68, "End of block-repeat without start"},
    {69, "Segment must be relocatable"},
    {70, "Limit exceeded: [name], value is: [number] (decimal)"},
    {71, "Symbol [name] has already been declared EXTERN"},
    {72, "Symbol [name] has already been declared PUBLIC"},
    {73, "End-of-module missing[origin]"},
    {74, "Expression must yield non-negative result"},
    {75, "Repeat directive unbalanced[origin]"},
    {76, "End of repeat directive is missing[origin]"},
    {77, "LOCALs not allowed in this context, ([name])"},
    {78, "End of macro expected"},
    {79, "End of repeat expected"},
    {80, "End of conditional assembly expected"},
    {81, "End of structured assembly expected"},
    {82, "Misplaced end of structured assembly"},
    {83, "Error in SFR attribute definition"},
    {84, "Illegal symbol type in symbol [name]"},
    {85, "Wrong nr of arguments"},
    {86, "Number expected"},
    {87, "Label must be public or extern"},
    {88, "Label '[name]' not defined with DEFFN"},
    {90, "Different parts of ASEG have overlapping code"},
    {92, "Empty macro stack"},
    {93, "Macro stack overflow"},
    {94, "Attempt to access out-of-stack value"},
    {95, "Invalid macro operator [name]"},
    {96, "No such macro argument [number]"},
    {98, "Option -re cannot handle include files used in source file, use -r instead[fatal]"},
    {99, "#include within macro not supported[fatal]"},
    {100, "size depends on itself and can not be fixed"},
};

const Rows kWarnings = {
    {0, "Unreferenced label"},
    {1, "Nested comment"},
    {2, "Unknown escape sequence"},
    {3, "Non-printable character"},
    {4, "Macro or define expected"},
    {5, "Floating point value out-of-range"},
    {6, "Floating point division by zero"},
    {7, "Wrong usage of string operator ('#' or '##'); ignored"},
    {8, "Macro parameter(s) not used"},
    {9, "Macro redefined"},
    {10, "Unknown macro"},
    {11, "Empty macro argument"},
    {12, "Recursive macro"},
    {13, "Redefinition of Special Function Register"},
    {14, "Division by zero"},
    {15, "Constant truncated"},
    {16, "Suspicious sfr expression"},
    {17, "Empty module [name], module skipped"},
    {18, "END of program while in include file"},
    {19, "Symbol [name] duplicated"},
    {20, "Bit symbol can not be used as operand"},
    {21, "Label did not appear in label field"},
};

const Rows kBackendWarnings = {
    {400, "SFR neither defined as READ nor WRITE"},
    {401, "More than one SFR size attribute defined, using default (byte)"},
    {402, "No SFR size attribute defined, using default (byte)"},
};

const Rows kBackendErrors = {
    {400, "Absolute operand is not possible here"},
    {401, "Accessing SFR incorrectly, check read/write flags"},
    {402, "Accessing SFR using incorrect size"},
    {403, "Number out of range. Valid range is -128 (-0x80) to 255 (0xFF)."},
    {404, "Bit-number out of range. Valid range is 0 to 7 (0x07)."},
    {405, "Address can't be negative."},
    {406, "Register not valid. Use register R16 - R31 here"},
    {407, "Register not valid. Use register Y or Z"},
    {408, "Port address out of range. Valid range is 0 to 63 (0x3F)."},
    {409, "Register displacement out of range. Valid range is 0 to 63 (0x3F)."},
    {410, "Address out of range. Valid range is 0 to 8388606 (0x7FFFFE)."},
    {411, "Address must be even."},
    {412, "PC offset out of range. Valid range is -128 (-0x80) to 126 (0x7E)."},
    {413, "PC offset must be even."},
    {414, "Address out of range. Valid range is 0 to 8190 (0x1FFE)."},
    {415, "PC offset out of range. Valid range is -4096 (-0x1000) to 4094 (0x0FFE)."},
    {416, "Port address out of range. Valid range is 0 to 31 (0x1F)."},
    {417, "Number out of range. Valid range is -32 (-0x20) to 63 (0x3F)."},
    {418, "Register not valid. Use any of register R24, R26, R28 and R30 here."},
    {419, "Address out of range. Valid range is 0 to 65535 (0xFFFF)."},
    {420, "Instructions must be at an even address. Insert directive 'ALIGN 1' here."},
};

void expect_table(const aq71::MessageRow* table, const Rows& expected, const char* what) {
  std::size_t i = 0;
  for (; table[i].number != -1; ++i) {
    ASSERT_LT(i, expected.size()) << what << ": extra row " << table[i].number;
    EXPECT_EQ(table[i].number, expected[i].first) << what;
    EXPECT_EQ(std::string(table[i].text), encode(expected[i].second)) << what << " " << expected[i].first;
  }
  EXPECT_EQ(i, expected.size()) << what;
}

TEST(MessageTables, EveryRowMatches) {
  expect_table(aq71::error_table(), kErrors, "errors");
  expect_table(aq71::warning_table(), kWarnings, "warnings");
  expect_table(aq71::backend_error_table(), kBackendErrors, "back-end errors");
  expect_table(aq71::backend_warning_table(), kBackendWarnings, "back-end warnings");
}

TEST(MessageTables, LookupFallsBackToTheBackEndTexts) {
  EXPECT_STREQ(aq71::find_error_text(40), "bad instruction");
  EXPECT_STREQ(aq71::find_error_text(410), encode(kBackendErrors[10].second).c_str());
  EXPECT_STREQ(aq71::find_warning_text(401), encode(kBackendWarnings[1].second).c_str());
  EXPECT_EQ(aq71::find_error_text(89), nullptr);
  EXPECT_EQ(aq71::find_error_text(421), nullptr);
  EXPECT_EQ(aq71::find_warning_text(22), nullptr);
  EXPECT_EQ(aq71::find_warning_text(-1), nullptr);
}

}  // namespace
