// The numbered error and warning texts. Control bytes: see diagnostics.h.
#include "assembler/diagnostics.h"

#define MARK "\x01"
#define FATAL "\x02"
#define NAME "\x03"
#define QNAME "\x04"
#define NUM "\x05"
#define HEX "\x06"
#define ORIGIN "\x07"

namespace aq71 {

namespace {

const MessageRow k_errors[] = {
    {0, "Invalid syntax"},
    {1, "Too deep #include nesting (max is " NUM ")" FATAL},
    {2, "Failed to open #include file " NAME FATAL},
    {3, "Invalid #include file name" FATAL},
    {4, "Unexpected end of file encountered" FATAL ORIGIN},
    {5, "Too long source line (max is " NUM " characters); truncated"},
    {6, "Bad constant"},
    {7, "Hexadecimal constant without digits"},
    {8, "Invalid floating point constant"},
    {9, "Too many errors encountered (>" NUM ")." FATAL},
    {10, "Space or tab expected"},
    {11, "Too deep block nesting (max is " NUM ")" FATAL},
    {12, "String too long (max is " NUM ")"},
    {13, "Missing delimiter in literal or character constant"},
    {14, "Missing #endif" FATAL},
    {15, "Invalid character encountered: " NAME "; ignored"},
    {16, MARK "Identifier expected"},
    {17, MARK "')' expected"},
    {18, "No such pre-processor command: " NAME},
    {19, "Unexpected token found in pre-processor line"},
    {20, "Argument to #define too long (max is " NUM ")"},
    {21, "Too many formal parameters for #define (max is " NUM ")" FATAL},
    {22, "Macro parameter " NAME " redefined"},
    {23, MARK "',' or ')' expected"},
    {24, "Unmatched #else, #endif or #elif" FATAL ORIGIN},
    {25, "#error " NAME "." FATAL},
    {26, MARK "'(' expected"},
    {27, "Too many active macro parameters (max is " NUM ")" FATAL},
    {28, "Too many nested parameterized macros (max is " NUM ")" FATAL},
    {29, "Too deep macro nesting (max is " NUM ")" FATAL},
    {30, "Actual macro parameter too long (max is " NUM ")"},
    {31, "Macro " NAME " called with too many parameters" FATAL},
    {32, "Macro " NAME " called with too few parameters"},
    {33, "too many MACRO arguments"},
    {34, "may not be redefined"},
    {35, "no name on macro"},
    {36, "Illegal formal parameter in macro"},
    {37, "ENDM or EXITM not in macro" ORIGIN},
    {38, "'>' expected but found end-of-line"},
    {39, "END before start of module" ORIGIN},
    {40, "bad instruction"},
    {41, "bad label"},
    {42, "duplicate label:" NAME},
    {43, "illegal effective address"},
    {44, MARK "',' expected"},
    {45, "name duplicated"},
    {46, "segment type expected"},
    {47, "segment name expected"},
    {48, "value out of range " NAME},
    {49, "alignment already set"},
    {50, "undefined symbol:" NAME},
    {51, "Can't be both PUBLIC and EXTERN"},
    {52, "EXTERN not allowed"},
    {53, "expression must be absolute"},
    {54, "expression can not be forward"},
    {55, "illegal size"},
    {56, "too many digits"},
    {57, "unbalanced conditional assembly directives" ORIGIN},
    {58, "ELSE without IF" ORIGIN},
    {59, "ENDIF without IF" ORIGIN},
    {60, "unbalanced structured assembly directives" ORIGIN},
    {61, "'+' or '-' expected"},
    {62, "Illegal operation on extern or public symbol"},
    {63, "Illegal operation on non-constant label"},
    {64, "Extern or unsolved expression"},
    {65, "'=' expected"},
    {66, "Segment too long (max is " HEX ")"},
    {67, "Public " NAME " did not appear in label field"},
    {68, "End of block-repeat without start"},
    {69, "Segment must be relocatable"},
    {70, "Limit exceeded: " NAME ", value is: " NUM " (decimal)"},
    {71, "Symbol " NAME " has already been declared EXTERN"},
    {72, "Symbol " NAME " has already been declared PUBLIC"},
    {73, "End-of-module missing" ORIGIN},
    {74, "Expression must yield non-negative result"},
    {75, "Repeat directive unbalanced" ORIGIN},
    {76, "End of repeat directive is missing" ORIGIN},
    {77, "LOCALs not allowed in this context, (" NAME ")"},
    {78, "End of macro expected"},
    {79, "End of repeat expected"},
    {80, "End of conditional assembly expected"},
    {81, "End of structured assembly expected"},
    {82, "Misplaced end of structured assembly"},
    {83, "Error in SFR attribute definition"},
    {84, "Illegal symbol type in symbol " NAME},
    {85, "Wrong nr of arguments"},
    {86, "Number expected"},
    {87, "Label must be public or extern"},
    {88, "Label '" NAME "' not defined with DEFFN"},
    {90, "Different parts of ASEG have overlapping code"},
    {92, "Empty macro stack"},
    {93, "Macro stack overflow"},
    {94, "Attempt to access out-of-stack value"},
    {95, "Invalid macro operator " NAME},
    {96, "No such macro argument " NUM},
    {98, "Option -re cannot handle include files used in source file, use -r instead" FATAL},
    {99, "#include within macro not supported" FATAL},
    {100, "size depends on itself and can not be fixed"},
    {-1, nullptr},
};

const MessageRow k_warnings[] = {
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
    {17, "Empty module " NAME ", module skipped"},
    {18, "END of program while in include file"},
    {19, "Symbol " NAME " duplicated"},
    {20, "Bit symbol can not be used as operand"},
    {21, "Label did not appear in label field"},
    {-1, nullptr},
};

const MessageRow k_backend_warnings[] = {
    {400, "SFR neither defined as READ nor WRITE"},
    {401, "More than one SFR size attribute defined, using default (byte)"},
    {402, "No SFR size attribute defined, using default (byte)"},
    {-1, nullptr},
};

const MessageRow k_backend_errors[] = {
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
    {-1, nullptr},
};

const char* lookup(const MessageRow* table, int number) {
  for (; table->number != -1; ++table) {
    if (table->number == number) return table->text;
  }
  return nullptr;
}

}  // namespace

const MessageRow* error_table() { return k_errors; }
const MessageRow* warning_table() { return k_warnings; }
const MessageRow* backend_error_table() { return k_backend_errors; }
const MessageRow* backend_warning_table() { return k_backend_warnings; }

const char* find_error_text(int number) {
  const char* text = number < 400 ? lookup(k_errors, number) : nullptr;
  return text ? text : lookup(k_backend_errors, number);
}

const char* find_warning_text(int number) {
  const char* text = number < 400 ? lookup(k_warnings, number) : nullptr;
  return text ? text : lookup(k_backend_warnings, number);
}

}  // namespace aq71
