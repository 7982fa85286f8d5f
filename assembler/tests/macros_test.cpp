// Assembler macros seen through the code they produce and the problems they report.
#include <gtest/gtest.h>

#include <random>

#include "assembler/assembly.h"
#include "assembler/macros.h"
#include "assembler/tests/driver_test_support.h"
#include "assembler/tests/test_run.h"

namespace aq71_test {
namespace {

using aq71::Statement;
using aq71::StatementKind;
using W = std::vector<std::uint16_t>;

class Macros : public InProcessAssembly {};

TEST_F(Macros, ParametersLocalsAndArgs) {
  // LOCAL labels are distinct in every expansion; missing actuals are empty; _args counts.
  const char* src =
      "GATE MACRO reg,val\n"
      " LOCAL M_Q\n"
      " SBRS reg,7\n"
      " RJMP M_Q\n"
      " LDI R16,val+_args\n"
      "M_Q:\n"
      " ENDM\n"
      " GATE R20,1\n"
      " GATE R21,2\n"
      "M_Q: NOP\n"
      " RJMP M_Q\n"
      " END\n";
  ASSERT_EQ(assemble(src), 0) << out;
  EXPECT_EQ(words(), (W{0xFF47, 0xC001, 0xE003, 0xFF57, 0xC001, 0xE004, 0x0000, 0xCFFE}));
  // A call with fewer actuals: _args is the number given.
  ASSERT_EQ(assemble("M MACRO a,b,c\n LDI R16,_args\n ENDM\n M 1\n M 1,,3\n M\n END\n"), 0) << out;
  EXPECT_EQ(words(), (W{0xE001, 0xE003, 0xE000}));
}

TEST_F(Macros, QuotedActualsTenthFormalAndLabels) {
  ASSERT_EQ(assemble("M MACRO a\n LDI a\n ENDM\n M <R16,7>\n M <R17, 2> ; comment\n END\n"), 0) << out;
  EXPECT_EQ(words(), (W{0xE007, 0xE012}));
  ASSERT_EQ(assemble("M MACRO a,b,c,d,e,f,g,h,i,j\n LDI R16,j\n LDI R17,i\n ENDM\n"
                     " M 1,2,3,4,5,6,7,8,9,10\n END\n"),
            0)
      << out;
  EXPECT_EQ(words(), (W{0xE00A, 0xE019}));
  // An unclosed quoted actual.
  EXPECT_EQ(assemble("M MACRO a\n NOP\n ENDM\n M <R16\n END\n"), 2);
  EXPECT_TRUE(has("Error[38]")) << out;
  // A label before a call stands at the first expanded statement.
  ASSERT_EQ(assemble("M MACRO\n NOP\n ENDM\n NOP\nL: M\n RJMP L\n END\n"), 0) << out;
  EXPECT_EQ(words(), (W{0x0000, 0x0000, 0xCFFE}));
}

TEST_F(Macros, StringComparisonsAndExitm) {
  const char* src =
      "CMPX MACRO c,v\n"
      " IF \"\\1\" = \"EQ\"\n"
      " LDI R16,1\n"
      " ELSEIF \"\\1\" = \"NE\"\n"
      " LDI R16,2\n"
      " ELSE\n"
      " LDI R16,v\n"
      " ENDIF\n"
      " ENDM\n"
      "SHFT MACRO a,b\n"
      " IF a >= b\n"
      " EXITM\n"
      " ENDIF\n"
      " NOP\n"
      " ENDM\n"
      " CMPX EQ\n CMPX NE\n CMPX XX,9\n SHFT 2,1\n SHFT 1,2\n NOP\n END\n";
  ASSERT_EQ(assemble(src), 0) << out;
  EXPECT_EQ(words(), (W{0xE001, 0xE002, 0xE009, 0x0000, 0x0000}));
  // EXITM inside a repeat block of the expansion ends the repeat too.
  ASSERT_EQ(assemble("M MACRO a\n REPT 3\n NOP\n IF a\n EXITM\n ENDIF\n ENDR\n LDI R16,1\n ENDM\n"
                     " M 1\n M 0\n LDI R17,2\n END\n"),
            0)
      << out;
  EXPECT_EQ(words(), (W{0x0000, 0x0000, 0x0000, 0x0000, 0xE001, 0xE012}));
}

TEST_F(Macros, LibraryStyleMacros) {
  // The shapes the ladder macro library uses: a #define line in the body, the rung gate with a
  // LOCAL label, the constant/device test on 7FFF0000H, parameters passed on to another macro
  // as "\1,\2,\3".
  const char* src =
      "#define NOW R16\n"
      "D10 EQU 7FFF0110H\n"
      "CMPEQ MACRO\n"
      " IF \\2 < 7FFF0000H\n"
      " LDI R17,LOW(\\2)\n"
      " ELSE\n"
      " LDS R17,LWRD(\\2)\n"
      " ENDIF\n"
      " ENDM\n"
      "CMPSET MACRO\n"
      "#define usedp 1\n"
      " LOCAL M_Q\n"
      " SBRS NOW,7\n"
      " RJMP M_Q\n"
      " IF \"\\1\" = \"EQ\"\n"
      " CMPEQ \\1,\\2,\\3\n"
      " ENDIF\n"
      "M_Q:\n"
      " ENDM\n"
      " CMPSET EQ,5,D10\n"
      " CMPSET EQ,D10,1\n"
      "#ifdef usedp\n"
      " NOP\n"
      "#endif\n"
      " END\n";
  ASSERT_EQ(assemble(src, 3), 0) << out;
  EXPECT_EQ(words(), (W{0xFF07, 0xC001, 0xE015, 0xFF07, 0xC002, 0x9110, 0x0110, 0x0000}));
}

TEST_F(Macros, NestedCallsAndTheNestingLimit) {
  const char* rec = "REC MACRO n\n IF n > 0\n NOP\n REC n-1\n ENDIF\n ENDM\n";
  ASSERT_EQ(assemble(std::string(rec) + " REC 3\n END\n"), 0) << out;
  EXPECT_EQ(words(), (W{0, 0, 0}));
  // 98 levels below the outermost call are accepted.
  ASSERT_EQ(assemble(std::string(rec) + " REC 98\n END\n"), 0) << out;
  EXPECT_EQ(words().size(), 98u);
  EXPECT_EQ(assemble(std::string(rec) + " REC 99\n END\n"), 3);
  EXPECT_TRUE(has("Error[29]")) << out;
  // A macro that calls itself without end stops with the nesting error.
  EXPECT_EQ(assemble("INF MACRO\n INF\n ENDM\n INF\n END\n"), 3);
  EXPECT_TRUE(has("Error[29]")) << out;
}

TEST_F(Macros, DefinitionAndPlacementErrors) {
  EXPECT_EQ(assemble(" ENDM\n END\n"), 3);
  EXPECT_TRUE(has("Error[37]")) << out;
  EXPECT_EQ(assemble(" EXITM\n NOP\n END\n"), 2);
  EXPECT_TRUE(has("Error[37]")) << out;
  EXPECT_EQ(assemble(" LOCAL X\n END\n"), 2);
  EXPECT_TRUE(has("Error[77]")) << out;
  EXPECT_EQ(assemble(" MACRO\n NOP\n ENDM\n END\n"), 2);
  EXPECT_TRUE(has("Error[35]")) << out;
  EXPECT_EQ(assemble("M MACRO a,1b\n NOP\n ENDM\n END\n"), 2);
  EXPECT_TRUE(has("Error[36]")) << out;
  EXPECT_EQ(assemble("M MACRO\n NOP\n ENDM\nM MACRO\n NOP\n ENDM\n END\n"), 2);
  EXPECT_TRUE(has("Error[34]")) << out;
  std::string many = "M MACRO ";
  for (int i = 0; i < 37; ++i) many += (i ? ",p" : "p") + std::to_string(i);
  EXPECT_EQ(assemble(many + "\n NOP\n ENDM\n END\n"), 3);
  EXPECT_TRUE(has("Error[21]")) << out;
  // A body that opens IF without ENDIF stops the run at ENDM, whether the IF is true or false.
  EXPECT_EQ(assemble("M MACRO\n IF 1\n NOP\n ENDM\n M\n END\n"), 3);
  EXPECT_TRUE(has("Error[57]")) << out;
  EXPECT_EQ(assemble("M MACRO\n IF 0\n NOP\n ENDM\n M\n NOP\n END\n"), 3);
  EXPECT_TRUE(has("Error[57]")) << out;
  // End of input inside a body.
  EXPECT_EQ(assemble("M MACRO\n NOP\n"), 3);
  EXPECT_TRUE(has("Error[4]")) << out;
}

TEST_F(Macros, OperatorModeExpressions) {
  ASSERT_EQ(assemble(" MACRO OPS\n LDI R16,\\L3.\\L4.\\+\n LDI R17,\\L5.\\L3.\\-\n LDI R18,\\0\n ENDM\n"
                     " OPS 9\n END\n"),
            0)
      << out;
  EXPECT_EQ(words(), (W{0xE007, 0xEF1E, 0xE029}));

  aq71::MacroOperators& m = aq71::macro_operators(aq71_test::test_run());
  std::vector<std::string> actuals{"HELLO", "AB"};
  auto run = [&](const std::string& program) {
    std::string result;
    for (std::size_t i = 0; i < program.size(); ++i) {
      if (program[i] != '\\') {
        result += program[i];
        continue;
      }
      std::size_t pos = i + 2;
      m.interpret(program[i + 1], program, pos, actuals, true, result);
      i = pos - 1;
    }
    return result;
  };
  m.reset();
  EXPECT_EQ(run("\\L6.\\L7.\\*"), "0042");
  EXPECT_EQ(run("\\L2.\\L9.\\/"), "0004");  // top / second
  EXPECT_EQ(run("\\L0.\\L9.\\/"), "0000");  // zero divisor: no crash
  EXPECT_EQ(run("\\?\\@\\@"), "000200000001");
  EXPECT_EQ(run("\\L0.\\%"), "0005");
  m.reset();
  EXPECT_EQ(run("\\L4.\\L2.\\L0.\\\""), "ELL");                      // characters 2..4 of actual 0
  EXPECT_EQ(run("\\L1.\\L3.\\L0.\\\""), "LEH");                      // reversed
  EXPECT_EQ(run("\\L2147483647.\\L4294967295.\\L0.\\\""), "HELLO");  // bounds far outside the actual
  EXPECT_EQ(run("\\L3.\\L7.\\L1.\\\""), "");                         // starts beyond the actual
  // F switches interpretation off for the rest of the line in an assembling state; T does not.
  EXPECT_EQ(run("\\F\\L1.\\."), "\\F\\L1.\\.");
  m.reset();
  EXPECT_EQ(run("\\T\\L1.\\."), "0001");
  m.reset();
  EXPECT_EQ(run("\\O"), "");
  EXPECT_TRUE(aq71::diagnostic_counts(aq71_test::test_run()).run_errors > 0);
  m.reset();
  for (int i = 0; i < 120; ++i) run("\\L1.");  // overflow is refused, not written
  EXPECT_EQ(m.depth(), 100);
  m.reset();
}

TEST_F(Macros, FalseBranchesInsideExpansions) {
  // A parameter in the directive field of a skipped line counts as the word it expands to.
  const std::string by_parameter = "M MACRO w\n IF 0\n LDI R16,1\n w\n LDI R16,2\n ENDIF\n ENDM\n";
  ASSERT_EQ(assemble(by_parameter + " M ELSE\n M NOP\n M else\n END\n"), 0) << out;
  EXPECT_EQ(words(), (W{0xE002, 0xE002}));
  // A parameter in the label field: the word after the first run of blanks decides.
  EXPECT_EQ(assemble("M MACRO l\n IF 0\nl ELSE\n LDI R16,1\n ENDIF\n ENDM\n M X\n M <X ENDIF>\n END\n"), 2);
  EXPECT_EQ(words(), (W{0xE001, 0xE001}));
  EXPECT_TRUE(has("Error[59]")) << out;  // the ENDIF after the one the second call's actual gave
  // A word at the first column or behind the directive field does not count; labels may stand
  // before the word; directive words in any case; nested levels; ELSEIF after a taken branch.
  const char* words_and_levels =
      "M MACRO\n"
      " IF 0\n"
      "ELSE\n"
      " LDI R16,9 ; ELSE\n"
      " NOP ELSE\n"
      " ENDIF\n"
      " IF \"\\1\" = \"X\"\n"
      " LDI R16,1\n"
      "skip: IF 1\n"
      " LDI R16,2\n"
      " ElSe\n"
      " LDI R16,3\n"
      " EndIf\n"
      " elseif \"\\1\" = \"Y\"\n"
      " LDI R16,4\n"
      " ELSEIF \"\\1\" = \"Y\"\n"
      " LDI R16,5\n"
      "lab:\tElse\n"
      " LDI R16,6\n"
      " ENDIF\n"
      " ENDM\n"
      " M X\n M Y\n M Z\n END\n";
  ASSERT_EQ(assemble(words_and_levels), 0) << out;
  EXPECT_EQ(words(), (W{0xE001, 0xE002, 0xE004, 0xE006}));
  // A repeat block in a skipped branch.
  ASSERT_EQ(assemble("M MACRO\n IF 0\n REPT 2\n NOP\n ENDR\n ELSE\n LDI R16,7\n ENDIF\n ENDM\n M\n END\n"), 0) << out;
  EXPECT_EQ(words(), (W{0xE007}));
  // An operator-mode line of a skipped branch is still expanded: its operators run.
  ASSERT_EQ(assemble(" MACRO OPS\n IF 0\n LDI R16,\\@\n ENDIF\n LDI R17,\\@\n ENDM\n OPS\n END\n"), 0) << out;
  EXPECT_EQ(words(), (W{0xE011}));
  // With a listing (skipped lines listed) the object is the same.
  write_file(dir_ / "t.s71", words_and_levels);
  ASSERT_EQ(run_aq71(dir_, {"t", "-v6", "-S", "-c#"}).code, 0);
  const std::string plain = read_file(dir_ / "t.r71");
  ASSERT_EQ(run_aq71(dir_, {"t", "-v6", "-S", "-c#", "-l", "t.lst"}).code, 0);
  EXPECT_EQ(read_file(dir_ / "t.r71"), plain);
}

TEST_F(Macros, LinesEndingASkipReadAsInTheSource) {
  // The ELSE, ELSEIF and ENDIF lines that end a false branch of an expansion read as the same
  // lines of the source: text after ELSE and ENDIF is dropped unread (an open quote is no
  // error), blanks and tabs around the word, joined strings and comments in a condition, the
  // word in any case.
  const std::string block =
      " IF 0\n NOP\n ELSE 'junk\n LDI R16,1\n ENDIF\n"
      " IF 0\n NOP\n ENDIF 3\n"
      " IF 0\n NOP\n\tELSE\t\n LDI R16,2\n ENDIF\t\n"
      " IF 0\n NOP\n ELSEIF 0 ; c\n LDI R16,3\n ELSEIF \"A\"\"B\" = \"AB\"\n LDI R16,4\n ENDIF\n"
      " IF 0\n NOP\n ELSEIF \"A\" = \"B\"\n LDI R16,5\n else ; c\n LDI R16,6\n endif\n";
  ASSERT_EQ(assemble(block + " END\n"), 0) << out;
  const W source = words();
  EXPECT_EQ(source, (W{0xE001, 0xE002, 0xE004, 0xE006}));
  ASSERT_EQ(assemble("M MACRO\n" + block + " ENDM\n M\n M\n END\n"), 0) << out;
  W twice = source;
  twice.insert(twice.end(), source.begin(), source.end());
  EXPECT_EQ(words(), twice);
  // A condition's error is reported once, in every call.
  const std::string bad = " IF 0\n NOP\n ELSEIF \"A\" =\n NOP\n ENDIF\n";
  EXPECT_EQ(assemble(bad + " END\n"), 2);
  EXPECT_EQ(aq71::diagnostic_counts(run()).run_errors, 1);
  EXPECT_EQ(assemble("M MACRO\n" + bad + " ENDM\n M\n M\n END\n"), 2);
  EXPECT_EQ(aq71::diagnostic_counts(run()).run_errors, 2);
}

TEST_F(Macros, FormalReplacementAndActualSplitting) {
  std::vector<std::string> f{"reg", "", "val"};
  EXPECT_EQ(aq71::replace_formals(" LDI reg,val ; reg\n", f, true), " LDI \\1,\\3 ; reg\n");
  EXPECT_EQ(aq71::replace_formals(" DB \"reg\",'v',regx,1reg\n", f, true), " DB \"reg\",'v',regx,1reg\n");
  EXPECT_EQ(aq71::replace_formals(" DB REG\n", f, false), " DB \\1\n");
  std::vector<std::string> a;
  EXPECT_TRUE(aq71::split_actuals(aq71_test::test_run(), "  P0 , 1 ,\"a,b\";x\n", '<', '>', a));
  EXPECT_EQ(a, (std::vector<std::string>{"P0", "1", "\"a,b\""}));
  EXPECT_TRUE(aq71::split_actuals(aq71_test::test_run(), "<1,<2>>,'x,'", '<', '>', a));
  EXPECT_EQ(a, (std::vector<std::string>{"1,<2>", "'x,'"}));
  std::string many;
  for (int i = 0; i < 36; ++i) many += "1,";
  EXPECT_FALSE(aq71::split_actuals(aq71_test::test_run(), many, '<', '>', a));
  // Overlong actual text is cut at the limit.
  EXPECT_TRUE(aq71::split_actuals(aq71_test::test_run(), std::string(900, 'x'), '<', '>', a));
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].size(), aq71::kMacroTextFill);
}

// ENDMOD or END read from a repeat body or a macro expansion cannot end the module there: it is
// reported and the module goes on (the body's readers are gone once the next module starts).
TEST_F(Macros, ModuleEndInsideABodyIsRefused) {
  EXPECT_EQ(assemble(" NAME a\n REPT 2\n NOP\n ENDMOD\n ENDR\n NOP\n END\n"), 2);
  EXPECT_TRUE(has("Error[79]: End of repeat expected")) << out;
  EXPECT_EQ(words(), (W{0x0000, 0x0000, 0x0000})) << out;
  EXPECT_EQ(assemble(" NAME a\n REPTI r,R1,R2\n CLR r\n ENDMOD\n ENDR\n NOP\n END\n"), 2);
  EXPECT_TRUE(has("Error[79]")) << out;
  EXPECT_EQ(assemble("M MACRO\n NOP\n ENDMOD\n ENDM\n NAME a\n M\n SLEEP\n END\n"), 2);
  EXPECT_TRUE(has("Error[78]: End of macro expected")) << out;
  EXPECT_EQ(words(), (W{0x0000, 0x9588})) << out;
  EXPECT_EQ(assemble("M MACRO\n END\n ENDM\n M\n NOP\n END\n"), 2);
  EXPECT_TRUE(has("Error[78]")) << out;
  // Between modules, repeats and macros still work as before.
  EXPECT_EQ(assemble(" NAME a\n REPT 1\n NOP\n ENDR\n ENDMOD\n"
                     " NAME b\nM MACRO\n SLEEP\n ENDM\n M\n REPT 2\n NOP\n ENDR\n END\n"),
            0)
      << out;
  EXPECT_EQ(words(), (W{0x9588, 0x0000, 0x0000})) << out;
}

// A failed redefinition leaves the old macro in place, in both definition forms.
TEST_F(Macros, FailedRedefinitionKeepsTheOldMacro) {
  EXPECT_EQ(assemble("mm MACRO\n NOP\n ENDM\nmm MACRO\n SLEEP\n ENDM\n mm\n END\n"), 2);
  EXPECT_TRUE(has("Error[34]: may not be redefined")) << out;
  EXPECT_FALSE(has("Error[40]")) << out;
  EXPECT_EQ(words(), (W{0x0000})) << out;
  EXPECT_EQ(assemble("mm MACRO\n NOP\n ENDM\n MACRO mm\n SLEEP\n ENDM\n mm\n END\n"), 2);
  EXPECT_TRUE(has("Error[34]")) << out;
  EXPECT_FALSE(has("Error[35]")) << out;
  EXPECT_FALSE(has("Error[57]")) << out;
  EXPECT_EQ(words(), (W{0x0000})) << out;
  EXPECT_EQ(assemble(" MACRO mm\n NOP\n ENDM\nmm MACRO\n SLEEP\n ENDM\n mm\n mm\n END\n"), 2);
  EXPECT_EQ(words(), (W{0x0000, 0x0000})) << out;
}

// A block comment that runs past the end of a call line goes on on the next lines; the actuals
// continue after its close.
TEST_F(Macros, BlockCommentAfterActualsRunsOverLines) {
  ASSERT_EQ(assemble("M MACRO a,b\n LDI a,b\n ENDM\n M R16, /* first\n second\n */ 5\n NOP\n END\n"), 0) << out;
  EXPECT_EQ(words(), (W{0xE005, 0x0000}));
  ASSERT_EQ(assemble("M MACRO a\n LDI R17,a\n ENDM\n M 3 /* to\n the end */\n SLEEP\n END\n"), 0) << out;
  EXPECT_EQ(words(), (W{0xE013, 0x9588}));
  // Inside a literal or after a line comment a "/*" opens nothing.
  ASSERT_EQ(assemble("M MACRO a\n LDI R17,a\n ENDM\n M 4 ; /* no\n NOP\n END\n"), 0) << out;
  EXPECT_EQ(words(), (W{0xE014, 0x0000}));
  EXPECT_EQ(aq71::unclosed_block_comment("1, '/*' ,2"), std::string::npos);
  EXPECT_EQ(aq71::unclosed_block_comment("1 /* a */ , 2 /* b"), 14u);
  EXPECT_EQ(aq71::unclosed_block_comment("1 // /*"), std::string::npos);
  // A comment that never closes ends at the end of the input.
  EXPECT_NE(assemble("M MACRO a\n NOP\n ENDM\n M 1 /* open\n NOP\n"), 0);
}

TEST_F(Macros, RandomMacroSourcesEndWithAnExitCode) {
  const char* pieces[] = {"M MACRO a,b\n",  " ENDM\n",    " EXITM\n", " LOCAL L\n",        "L: NOP\n",
                          " M 1,2\n",       " M <R16,\n", " IF a\n",  " ELSE\n",           " ENDIF\n",
                          " LDI R16,a+b\n", " REPT 2\n",  " ENDR\n",  " \\L1.\\+\n",       " IF \"a\" = \"b\"\n",
                          " ELSEIF 1\n",    "N MACRO\n",  " N\n",     " REPTC C,\"ab\"\n", " DB 'C'\n",
                          ", ,\n"};
  std::mt19937 rng(12345);
  for (int round = 0; round < 300; ++round) {
    std::string src;
    int n = 1 + static_cast<int>(rng() % 14);
    for (int i = 0; i < n; ++i) src += pieces[rng() % std::size(pieces)];
    if (rng() % 2) src += " END\n";
    int code = assemble(src);
    EXPECT_TRUE(code == 0 || code == 2 || code == 3) << src;
  }
}

TEST_F(Macros, MangledSourcesEndWithAnExitCode) {
  // Truncated and bit-flipped copies of a source using macros, repeats and conditions.
  const std::string base =
      "M MACRO a,b\n LOCAL L\n IF \"\\1\" = \"EQ\"\n LDI R16,b\n ELSEIF a > 2\n EXITM\n ELSE\n"
      " REPTC C,\"xy\"\n DB 'C'\n ENDR\n ENDIF\nL: RJMP L\n ENDM\n MACRO OPS\n DB \\L3.\\U\\+\\0\n ENDM\n"
      " M EQ,1\n M 3,<4,5>\n REPTI X,1,2\n M X\n ENDR\n OPS 7\n REPT 2\n IF 1\n NOP\n ENDIF\n ENDR\n END\n";
  std::mt19937 rng(777);
  for (int round = 0; round < 1000; ++round) {
    std::string src = base;
    if (round % 3 == 0) src.resize(rng() % src.size());
    int flips = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < flips && !src.empty(); ++i) src[rng() % src.size()] ^= static_cast<char>(1 << (rng() % 7));
    int code = assemble(src);
    EXPECT_TRUE(code == 0 || code == 2 || code == 3) << src;
  }
}

}  // namespace
}  // namespace aq71_test
