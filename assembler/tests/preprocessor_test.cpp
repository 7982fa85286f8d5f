// The preprocessor seen through whole assemblies: #define with and without parameters and their
// expansion, the #if family, #include, #error, #message, the predefined symbols, -D and -U, and
// the guards against runaway expansion.
#include <gtest/gtest.h>

#include <random>

#include "assembler/preprocessor.h"
#include "assembler/tests/driver_test_support.h"
#include "assembler/tests/test_run.h"

namespace aq71_test {
namespace {

using aq71::Statement;
using aq71::StatementKind;

class Preprocessor : public InProcessAssembly {
 protected:
  // Immediate values of the LDI instructions of the code segment, in order.
  std::vector<int> ldi() {
    std::vector<int> v;
    for (Statement* st : chain(1))
      if (st->kind == StatementKind::Instruction && st->encoded) {
        std::uint16_t w = st->code.words[0];
        if ((w & 0xF000) == 0xE000) v.push_back(((w >> 4) & 0xF0) | (w & 0x0F));
      }
    return v;
  }
};

TEST_F(Preprocessor, DefinesExpandWithAndWithoutParameters) {
  ASSERT_EQ(assemble("#define A 5\n"
                     "#define F(x,y) x-y\n"
                     "#define P(a,b) a ## b\n"
                     "#define FIRST(a,b) a\n"
                     "#define G(x,y) FIRST##y\n"
                     "#define E\n"
                     "#define Z() 9\n"
                     " LDI R16,A\n"
                     " LDI R16,F(10,3)\n"
                     " LDI R16,P(1,2)\n"
                     " LDI R16,G(1,(7,8))\n"
                     " LDI R16,F( 1 , (2+3) )\n"
                     " LDI R16,E 4\n"
                     " LDI R16,Z()\n"
                     " END\n"),
            0)
      << out;
  // F( 1 , (2+3) ): the arguments 1 and (2+3).
  EXPECT_EQ(ldi(), (std::vector<int>{5, 7, 12, 7, 0xFC, 4, 9})) << out;
  // A name inside the arguments of its own call stays a name; another defined name there is
  // expanded before the body is read.
  EXPECT_EQ(assemble("#define F(x,y) x-y\n#define A 5\n LDI R16,F(F(9,1),3)\n LDI R16,F(A,1)\n END\n"), 2);
  EXPECT_TRUE(has("Warning[12]: Recursive macro")) << out;
  EXPECT_EQ(ldi().back(), 4);

  // Stored bodies: formals as markers, '#' stringizes, blank runs become one blank.
  ASSERT_EQ(assemble("#define S(x)  #x   and  # x\n#define Q(a,b) a##  b\n#define C(x) x ; comment\n END\n"), 0);
  ASSERT_NE(aq71::find_define(aq71_test::test_run(), "S"), nullptr);
  EXPECT_EQ(aq71::find_define(aq71_test::test_run(), "S")->body, std::string("\"\x01\x01\" and \"\x01\x01\"", 13));
  EXPECT_EQ(aq71::find_define(aq71_test::test_run(), "S")->param_count, 1);
  EXPECT_EQ(aq71::find_define(aq71_test::test_run(), "Q")->body, std::string("\x01\x01\x01\x02", 4));
  EXPECT_EQ(aq71::find_define(aq71_test::test_run(), "C")->body, std::string("\x01\x01", 2));
  // Formals are not found inside numbers or quoted text.
  ASSERT_EQ(assemble("#define N(h,b) 10h+b+'h'+H'1F\n END\n"), 0);
  EXPECT_EQ(aq71::find_define(aq71_test::test_run(), "N")->body, std::string("10h+\x01\x02+'h'+H'1F"));
}

TEST_F(Preprocessor, StringizedArgumentIsAString) {
  ASSERT_EQ(assemble("#define S(x) #x\n RSEG CODE\n DB S(ab)\n END\n"), 0) << out;
  EXPECT_FALSE(has("Error")) << out;
}

TEST_F(Preprocessor, ArgumentProblems) {
  EXPECT_EQ(assemble("#define F(x,y) x-y\n LDI R16,F(1)\n END\n"), 2);
  EXPECT_TRUE(has("Error[32]: Macro 'F' called with too few parameters")) << out;
  // The missing formal reads the last argument: 1-1.
  EXPECT_EQ(ldi(), std::vector<int>{0});

  EXPECT_EQ(assemble("#define F(x,y) x-y\n LDI R16,F(1,2,3)\n END\n"), 3);
  EXPECT_TRUE(has("Error[31]: Macro 'F' called with too many parameters")) << out;

  EXPECT_EQ(assemble("#define F(x,y) x+y\n LDI R16,F(,2)\n END\n"), 0);
  EXPECT_TRUE(has("Warning[11]")) << out;
  EXPECT_EQ(ldi(), std::vector<int>{2});

  EXPECT_EQ(assemble("#define F(x) x\n LDI R16,F 1\n END\n"), 2);
  EXPECT_TRUE(has("Error[26]")) << out;

  EXPECT_EQ(assemble("#define F() 1\n LDI R16,F(2)\n END\n"), 2);
  EXPECT_TRUE(has("Error[17]")) << out;

  EXPECT_EQ(assemble("#define F(x) x\n LDI R16,F(1#2)\n END\n"), 0);
  EXPECT_TRUE(has("Warning[7]")) << out;
  EXPECT_EQ(ldi(), std::vector<int>{12});

  // An argument may run over a line end; end of input inside one is error 4.
  EXPECT_EQ(assemble("#define F(x,y) x+y\n LDI R16,F(1,\n 2)\n END\n"), 0) << out;
  EXPECT_EQ(ldi(), std::vector<int>{3});
  EXPECT_EQ(assemble("#define F(x,y) x+y\n LDI R16,F(1,"), 3);
  EXPECT_TRUE(has("Error[4]")) << out;
}

TEST_F(Preprocessor, RecursionAndRunawayExpansionStop) {
  // The inner A stays a name: warning 12, then an undefined symbol.
  EXPECT_EQ(assemble("#define A A+1\n LDI R16,A\n END\n"), 2);
  EXPECT_TRUE(has("Warning[12]: Recursive macro")) << out;
  EXPECT_TRUE(has("Error[50]")) << out;

  // Two names defined in terms of each other stop after the per-line limit.
  EXPECT_EQ(assemble("#define A B\n#define B A\n LDI R16,A\n LDI R17,B\n END\n"), 2);
  EXPECT_TRUE(has("Warning[12]")) << out;
  // Hitting the per-line limit does not disable the names for later lines.
  EXPECT_EQ(assemble("#define A B\n#define B A\n#define C 7\n LDI R16,A\n#undef B\n LDI R17,A\n"
                     " LDI R18,C\n END\n"),
            2);
  ASSERT_EQ(ldi().size(), 3u);
  EXPECT_EQ(ldi().back(), 7);

  // The 103rd expansion of one line stays a name.
  std::string many = "#define O 1\n LDI R16,0";
  for (int i = 0; i < 102; ++i) many += "+O";
  ASSERT_EQ(assemble(many + "\n END\n"), 0) << out;
  EXPECT_EQ(ldi(), std::vector<int>{102});
  EXPECT_EQ(assemble(many + "+O\n END\n"), 2);
  EXPECT_TRUE(has("Warning[12]")) << out;

  // Arguments are collected in at most 50 nested calls.
  std::string defs, call = "1";
  for (int i = 0; i < 51; ++i) {
    defs += "#define C" + std::to_string(i) + "(x) x\n";
    call = "C" + std::to_string(i) + "(" + call + ")";
  }
  EXPECT_EQ(assemble(defs + " LDI R16," + call + "\n END\n"), 3);
  EXPECT_TRUE(has("Error[28]: Too many nested parameterized macros (max is 50)")) << out;
  std::string fifty = "1";
  for (int i = 0; i < 50; ++i) fifty = "C" + std::to_string(i) + "(" + fifty + ")";
  EXPECT_EQ(assemble(defs + " LDI R16," + fifty + "\n END\n"), 0) << out.substr(0, 300);
  EXPECT_EQ(ldi(), std::vector<int>{1});

  // 101 nested bodies end the run.
  std::string chain;
  for (int i = 0; i < 101; ++i) chain += "#define N" + std::to_string(i) + " N" + std::to_string(i + 1) + "+1\n";
  chain += "#define N101 0\n";
  EXPECT_EQ(assemble(chain + " LDI R16,N0\n END\n"), 3);
  EXPECT_TRUE(has("Error[29]: Too deep macro nesting (max is 100)")) << out;
  // 100 are fine.
  EXPECT_EQ(assemble(chain + " LDI R16,N2\n END\n"), 0) << out.substr(0, 400);
  EXPECT_EQ(ldi(), std::vector<int>{99});
}

TEST_F(Preprocessor, DefineLineErrorsAndRedefinition) {
  EXPECT_EQ(assemble("#define F(x)x\n END\n"), 2);
  EXPECT_TRUE(has("Error[10]: Space or tab expected")) << out;
  EXPECT_EQ(aq71::find_define(aq71_test::test_run(), "F"), nullptr);
  EXPECT_EQ(assemble("#define F(x,x) x\n END\n"), 2);
  EXPECT_TRUE(has("Error[22]: Macro parameter 'x' redefined")) << out;
  EXPECT_EQ(assemble("#define F(x;y) x\n END\n"), 2);
  EXPECT_TRUE(has("Error[23]")) << out;
  EXPECT_EQ(assemble("#define F(1) x\n END\n"), 2);
  EXPECT_TRUE(has("Error[16]")) << out;
  std::string formals = "#define F(";
  for (int i = 0; i < 38; ++i) formals += (i ? ",p" : "p") + std::to_string(i);
  EXPECT_EQ(assemble(formals + ") 1\n END\n"), 3);
  EXPECT_TRUE(has("Error[21]: Too many formal parameters for #define (max is 37)")) << out;
  EXPECT_EQ(assemble("#define A 1#\n END\n"), 0);
  EXPECT_TRUE(has("Warning[7]")) << out;

  // The same body again: no warning; another body: warning 9 and the new one wins.
  EXPECT_EQ(assemble("#define A 1\n#define A  1\n LDI R16,A\n END\n"), 0);
  EXPECT_FALSE(has("Warning")) << out;
  EXPECT_EQ(assemble("#define A 1\n#define A 2\n LDI R16,A\n#undef A\n#undef A\n END\n"), 0);
  EXPECT_TRUE(has("Warning[9]: Macro redefined")) << out;
  EXPECT_EQ(ldi(), std::vector<int>{2});
  EXPECT_EQ(aq71::find_define(aq71_test::test_run(), "A"), nullptr);
  EXPECT_EQ(assemble("#undef\n END\n"), 2);
  EXPECT_TRUE(has("Error[10]")) << out;
  EXPECT_EQ(assemble("#undef A B\n END\n"), 2);
  EXPECT_TRUE(has("Error[19]")) << out;
}

TEST_F(Preprocessor, ConditionalBranches) {
  ASSERT_EQ(assemble("#if 0\n LDI R16,1\n#elif 1\n LDI R16,2\n#else\n LDI R16,3\n#endif\n"
                     "#if 0\n#if 1\n LDI R16,4\n#else\n LDI R16,5\n#endif\n#else\n LDI R16,6\n#endif\n"
                     "#if 1\n LDI R16,7\n#elif 1\n LDI R16,8\n#else\n LDI R16,9\n#endif\n"
                     "#if 0\n#elif 0\n#else\n LDI R16,10\n#endif\n"
                     "#define X 2\n"
                     "#if (X == 2) && defined(X) && defined X && !defined(Y)\n LDI R16,11\n#endif\n"
                     "#ifdef X\n LDI R16,12\n#endif\n#ifndef X\n LDI R16,13\n#endif\n"
                     "#ifdef NEVER\n LDI R16,14\n#else\n LDI R16,15\n#endif\n"
                     "  #  if 1 ; a comment\n LDI R16,16\n #endif // done\n"
                     " END\n"),
            0)
      << out;
  EXPECT_EQ(ldi(), (std::vector<int>{2, 6, 7, 10, 11, 12, 15, 16}));
  // #ifdef of a name never seen leaves no trace of it.
  EXPECT_EQ(aq71::ident_tree(aq71_test::test_run()).find_exact("NEVER"), nullptr);

  // #define records outlive the module in which they were made and used.
  ASSERT_EQ(assemble("#define V 3\n MODULE m1\nL: LDI R16,V\n ENDMOD\n MODULE m2\n LDI R17,V\n END\n"), 0) << out;
  EXPECT_EQ(ldi(), std::vector<int>{3});

  // Macro bodies see the #define state of each call.
  ASSERT_EQ(assemble("#define V 3\nMAC MACRO\n LDI R16,V+\\1\n#if V == 3\n LDI R17,1\n#endif\n ENDM\n"
                     " MAC 2\n#undef V\n#define V 4\n MAC 1\n END\n"),
            0)
      << out;
  EXPECT_EQ(ldi(), (std::vector<int>{5, 1, 5}));

  // Lines of a false branch are not read: their errors and directives do not count.
  EXPECT_EQ(assemble("#if 0\n LDI R16,999 bad\n#define Q 1\n#error no\n#endif\n#ifdef Q\n LDI R16,1\n#endif\n END\n"),
            0)
      << out;
  EXPECT_TRUE(ldi().empty());
}

TEST_F(Preprocessor, ConditionalMisuse) {
  EXPECT_EQ(assemble("#endif\n END\n"), 3);
  EXPECT_TRUE(has("Error[24]: Unmatched #else, #endif or #elif")) << out;
  EXPECT_EQ(assemble("#if 1\n#else\n#else\n#endif\n END\n"), 3);
  EXPECT_EQ(assemble("#if 1\n#else\n#elif 1\n#endif\n END\n"), 3);
  // An #else of an inner level does not hide the outer level's #else from a later #elif.
  EXPECT_EQ(assemble("#if 0\n#else\n#if 1\n#endif\n#elif 1\n LDI R16,1\n#endif\n END\n"), 3);
  EXPECT_TRUE(has("Error[24]")) << out;
  EXPECT_EQ(assemble("#if 1\n NOP\n"), 3);
  EXPECT_TRUE(has("Error[14]: Missing #endif")) << out;
  EXPECT_EQ(assemble("#ifx\n END\n"), 2);
  EXPECT_TRUE(has("Error[18]: No such pre-processor command: 'ifx'")) << out;
  EXPECT_EQ(assemble("#1\n#\n END\n"), 2);
  EXPECT_TRUE(has("Error[16]")) << out;
  EXPECT_EQ(assemble("#if(1)\n#endif\n END\n"), 2);
  EXPECT_TRUE(has("Error[10]")) << out;
  EXPECT_EQ(assemble("#ifdef A B\n#endif\n END\n"), 2);
  EXPECT_TRUE(has("Error[19]: Unexpected token found in pre-processor line")) << out;

  std::string deep;
  for (int i = 0; i < 51; ++i) deep += "#if 1\n";
  EXPECT_EQ(assemble(deep + " END\n"), 3);
  EXPECT_TRUE(has("Error[11]: Too deep block nesting (max is 50)")) << out;
  std::string fifty;
  for (int i = 0; i < 50; ++i) fifty += "#if 1\n";
  for (int i = 0; i < 50; ++i) fifty += "#endif\n";
  EXPECT_EQ(assemble(fifty + " LDI R16,1\n END\n"), 0) << out;

  // Without #ifdef matching a lone #endif is accepted.
  reset_all();
  console.clear();
  write_file(dir_ / "t.s71", "#endif\n LDI R16,3\n END\n");
  aq71::settings(run()).banner = false;
  aq71::settings(run()).ifdef_matching = false;
  std::string name = "t";
  aq71::open_source_file(run(), &name);
  aq71::assemble_A03(run());
  EXPECT_EQ(aq71::diagnostic_counts(run()).run_errors, 0) << console.text();
  EXPECT_EQ(ldi(), std::vector<int>{3});
}

TEST_F(Preprocessor, IncludeFiles) {
  write_file(dir_ / "a.inc", "#define FROM_A 4\n LDI R16,1\n");
  fs::create_directory(dir_ / "sub");
  write_file(dir_ / "sub" / "b.inc", " LDI R16,2\n");
  ASSERT_EQ(assemble("#include \"a.inc\"\n LDI R16,FROM_A\n#define INC \"sub/b.inc\"\n#define IND INC\n"
                     "#include IND\n#if 0\n#include \"missing.inc\"\n#endif\n END\n"),
            0)
      << out;
  EXPECT_EQ(ldi(), (std::vector<int>{1, 4, 2}));

  EXPECT_EQ(assemble("#include \"missing.inc\"\n END\n"), 3);
  EXPECT_TRUE(has("Error[2]")) << out;
  EXPECT_EQ(assemble("#include missing\n END\n"), 3);
  EXPECT_TRUE(has("Error[3]: Invalid #include file name")) << out;
  EXPECT_EQ(assemble("#include \"\"\n END\n"), 3);
  EXPECT_EQ(assemble("#include\"a.inc\"\n END\n"), 2);
  EXPECT_TRUE(has("Error[10]")) << out;
  // Not from inside a macro expansion.
  EXPECT_EQ(assemble("MAC MACRO\n#include \"a.inc\"\n ENDM\n MAC\n END\n"), 3);
  EXPECT_TRUE(has("Error[99]: #include within macro not supported")) << out;
  // An #if opened in an include file may be closed after it.
  write_file(dir_ / "open.inc", "#if 0\n");
  EXPECT_EQ(assemble("#include \"open.inc\"\n LDI R16,1\n#endif\n LDI R16,2\n END\n"), 0) << out;
  EXPECT_EQ(ldi(), std::vector<int>{2});
}

TEST_F(Preprocessor, ErrorAndMessage) {
  EXPECT_EQ(assemble(" NOP\n#error   stop here\n NOP\n END\n"), 3);
  EXPECT_TRUE(has("Error[25]: #error 'stop here'.")) << out;
  EXPECT_EQ(assemble("#message \"hello \" \"there\"\n END\n"), 0);
  EXPECT_TRUE(has("#message: hello ")) << out;
  EXPECT_EQ(assemble("#message hello\n END\n"), 2);
  EXPECT_TRUE(has("Error[0]: Invalid syntax")) << out;
  EXPECT_EQ(assemble("#line 7 \"x\"\n#pragma anything at all\n END\n"), 0) << out;
}

TEST_F(Preprocessor, PredefinedSymbols) {
  ASSERT_EQ(assemble(" LDI R16,__LINE__\n\n LDI R16,__LINE__\n LDI R16,__VER__\n LDI R16,__QEX_SYSTEMS_ASM\n"
                     " LDI R16,__QEX_SYSTEMS_ASM__\n LDI R16,LOW __TID__\n LDI R16,HIGH __TID__\n END\n",
                     3),
            0)
      << out;
  EXPECT_EQ(ldi(), (std::vector<int>{1, 3, 130, 1, 1, 0x30, 0x5A}));
  const aq71::DefineRec* date = aq71::find_define(aq71_test::test_run(), "__DATE__");
  ASSERT_NE(date, nullptr);
  ASSERT_TRUE(date->value);
  std::string d = date->value();
  ASSERT_EQ(d.size(), 13u) << d;
  EXPECT_EQ(d.front(), '"');
  EXPECT_EQ(d[4], ' ');
  EXPECT_EQ(d[7], ' ');
  std::string t = aq71::find_define(aq71_test::test_run(), "__TIME__")->value();
  EXPECT_EQ(t.size(), 10u) << t;
  std::string file = aq71::find_define(aq71_test::test_run(), "__FILE__")->value();
  EXPECT_EQ(file.front(), '"');
  EXPECT_EQ(file.back(), '"');
  EXPECT_NE(file.find("t.s71"), std::string::npos) << file;
  // A predefined name may be defined again (with a warning).
  EXPECT_EQ(assemble("#define __VER__ 7\n LDI R16,__VER__\n END\n"), 0);
  EXPECT_TRUE(has("Warning[9]")) << out;
  EXPECT_EQ(ldi(), std::vector<int>{7});
}

TEST_F(Preprocessor, CommandLineDefinesReachTheSource) {
  write_file(dir_ / "t.s71", "#ifdef ON\n LDI R16,ON\n#endif\n#ifndef OFF\n LDI R17,VAL\n#endif\n END\n");
  RunResult r = run_aq71(dir_, {"t", "-DON", "-DVAL=0x21", "-DOFF", "-UOFF", "-S"});
  EXPECT_EQ(r.code, 0) << r.out;
  ASSERT_TRUE(fs::exists(dir_ / "t.r71"));
  // Defining twice, or removing what is not defined, is a bad argument.
  r = run_aq71(dir_, {"t", "-DON", "-DON", "-S"});
  EXPECT_EQ(r.code, 3) << r.out;
  r = run_aq71(dir_, {"t", "-UNONE", "-S"});
  EXPECT_EQ(r.code, 3) << r.out;
}

TEST_F(Preprocessor, CommandLineDefinesInProcess) {
  reset_all();
  console.clear();
  aq71::define_symbol_A02(aq71_test::test_run(), "ON", "1", 0);
  EXPECT_EQ(aq71::define_symbol_A02(aq71_test::test_run(), "V", "2", 0), 0);
  EXPECT_EQ(aq71::define_symbol_A02(aq71_test::test_run(), "V", "0x21", 0), 1);
  EXPECT_EQ(aq71::undefine_symbol_A02(aq71_test::test_run(), "NONE"), 1);
  EXPECT_EQ(aq71::define_symbol_A02(aq71_test::test_run(), "GONE", "1", 0), 0);
  EXPECT_EQ(aq71::undefine_symbol_A02(aq71_test::test_run(), "GONE"), 0);
  write_file(dir_ / "t.s71", "#if ON\n LDI R16,V\n#endif\n#ifdef GONE\n LDI R16,9\n#endif\n END\n");
  aq71::settings(run()).banner = false;
  std::string name = "t";
  aq71::open_source_file(run(), &name);
  aq71::assemble_A03(run());
  EXPECT_EQ(aq71::diagnostic_counts(run()).run_errors, 0) << console.text();
  EXPECT_EQ(ldi(), std::vector<int>{0x21});
}

// Random preprocessor lines and defined names: every run ends with an exit code, never a crash
// or a hang.
TEST_F(Preprocessor, RandomLinesEndCleanly) {
  const std::vector<std::string> pieces = {
      "#define ", "#undef ",   "#if ", "#elif ",   "#else", "#endif",   "#ifdef ", "#ifndef ", "#include ", "#message ",
      "#line",    "#pragma",   "#",    "A",        "B",     "F",        "G",       "(",        ")",         ",",
      " ",        "x",         "y",    "#",        "##",    "\"s\"",    "'c'",     "1",        "0",         "+",
      "defined",  " LDI R16,", " NOP", "A(",       "F(1,",  "__LINE__", "\\",      "/*",       "*/",        ";",
      "<",        ">",         "\t",   "__FILE__", "G(G(",  "F(A,B)"};
  std::mt19937 rng(4711);
  for (int round = 0; round < 1500; ++round) {
    std::string text;
    int lines = 1 + static_cast<int>(rng() % 8);
    for (int l = 0; l < lines; ++l) {
      int n = 1 + static_cast<int>(rng() % 7);
      for (int i = 0; i < n; ++i) text += pieces[rng() % pieces.size()];
      text += '\n';
    }
    if (rng() % 4 == 0) {
      // Truncated or bit-flipped.
      if (!text.empty()) {
        std::size_t at = rng() % text.size();
        if (rng() % 2)
          text.resize(at);
        else
          text[at] = static_cast<char>(text[at] ^ (1 << (rng() % 8)));
      }
    }
    int code = assemble(text + " END\n");
    EXPECT_TRUE(code == 0 || code == 2 || code == 3) << text;
  }
}

}  // namespace
}  // namespace aq71_test
