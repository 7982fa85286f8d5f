// Golden tests of the translated lines: one table per family of line forms.

#include <gtest/gtest.h>

#include "compiler/asm_output.h"
#include "translator_test_util.h"

using namespace compiler;
using namespace ladder_test;

TEST(TranslatorLines, MarkerFormat) {
  EXPECT_EQ(MakePosComment(9, 25), " ; __Pos 0009 0019\r\n");
  EXPECT_EQ(MakePosComment(10, 1199), " ; __Pos 000A 04AF\r\n");
  EXPECT_EQ(MakePosComment(0, 0).find(':'), std::string::npos);
}

TEST(TranslatorLines, ContactOperands) {
  struct Case {
    const char* text;
    const char* operand;
  } cases[] = {
      {"P0:1", "P0:1"},
      {"T5", "T5:7"},
      {"C5", "CC5:7"},
      {"D>= D0, 10", "DGE,D0, 10"},
      {"= D0, 100", "EQ,D0, 100"},
      {"=D0,10", "EQ,D0,10"},
      {">=C0, 3", "GE,C0, 3"},
      {"D>=D0,10", "DGE,D0,10"},
      {"D<>D2,D4", "DNE,D2,D4"},
      {"=>D1,5", "GE,D1,5"},
      {"<D1,5", "LT,D1,5"},
      {"D0:1", "D0:1"},
      {"<> D1, D2", "NE,D1, D2"},
      {"=! D1,5", "NE,D1,5"},
      {"=<  D1,5", "LE,D1,5"},
      {"D=! D0, 1", "DNE,D0, 1"},
      {"D=< D0, 1", "DLE,D0, 1"},
      {"> D0,1", "GT,D0,1"},
      {"", ""},
      {"M3:2", "M3:2"},
      {"<=, D0", "LE, D0"},
      {">= ,D0,1", "GE,D0,1"},
      {"=", "EQ"},
  };
  for (const auto& c : cases) EXPECT_EQ(ConvertContactOperand(c.text), c.operand) << c.text;
}

TEST(TranslatorLines, ElementLineForms) {
  struct Case {
    std::string got;
    std::string want;
  } cases[] = {
      {ContactLine(ContactOp::Load, "P0:0", 0, 3), " LOAD   P0:0" + Pos(0, 3)},
      {ContactLine(ContactOp::LoadN, "P0:0", 0, 3), " LOADN  P0:0" + Pos(0, 3)},
      {ContactLine(ContactOp::And, "T5", 1, 3), " AN     T5:7" + Pos(1, 3)},
      {ContactLine(ContactOp::AndN, "C5", 1, 3), " ANN    CC5:7" + Pos(1, 3)},
      {ContactLine(ContactOp::Or, "M1:1", 0, 4), " IOR    M1:1" + Pos(0, 4)},
      {ContactLine(ContactOp::OrN, "M1:1", 0, 4), " IORN   M1:1" + Pos(0, 4)},
      {ContactLine(ContactOp::Load, "S1:2", 0, 0), " SLOAD  S1:2" + Pos(0, 0)},
      {ContactLine(ContactOp::LoadN, "S1:2", 0, 0), " SLOADN S1:2" + Pos(0, 0)},
      {ContactLine(ContactOp::And, "S1:2", 2, 0), " SAN    S1:2" + Pos(2, 0)},
      {ContactLine(ContactOp::AndN, "S1:2", 2, 0), " SANN   S1:2" + Pos(2, 0)},
      {ContactLine(ContactOp::Or, "S1:2", 2, 0), " SIOR   S1:2" + Pos(2, 0)},
      {ContactLine(ContactOp::OrN, "S1:2", 2, 0), " SIORN  S1:2" + Pos(2, 0)},
      {CoilLine("M0:0", 10, 0), " OT      M0:0" + Pos(10, 0)},
      {NotLine(4, 2), " NT      " + Pos(4, 2)},
      {EdgeLine(true, false, "M9:0", 3, 1), " DF      M9:0" + Pos(3, 1)},
      {EdgeLine(false, false, "M9:0", 3, 1), " DFN     M9:0" + Pos(3, 1)},
      {EdgeLine(true, true, "M9:0", 3, 1), " DF     M9:0" + Pos(3, 1)},
      {EdgeLine(false, true, "M9:0", 3, 1), " DFN    M9:0" + Pos(3, 1)},
      {BoxLine("TON T0, 100", 9, 1), " TON T0, 100" + Pos(9, 1)},
      {McsConditionLine(3), " AN      MC0:3 \r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(TranslatorLines, RungFormsOnTheMainRow) {
  auto studio = NewStudio();
  ProgramDocument& doc = studio->doc;
  Rung(doc, 0, {"P0:0"}, "M0:0");
  Rung(doc, 1, {"-", "/P0:1", "!", "^M5:0", "%M5:1", "T3", "C4", "D>= D0, 10"}, "M0:1");
  Rung(doc, 2, {"S1:2", "S1:3", "/S2:0"}, "M0:2");
  Rung(doc, 3, {"/P1:0"}, "M0:3");
  SetRow(doc, 4, {"'comment"});  // column 0 empty: a comment row adds nothing
  doc.CellType[0][4] = kEmpty;
  SetCell(doc, 3, 4, "P9:9");
  auto r = TranslateWithEnd(doc, 5);
  ASSERT_FALSE(r.failed) << r.en;
  EXPECT_EQ(r.text, " LOAD   P0:0" + Pos(0, 0) + " OT      M0:0" + Pos(10, 0) + " LOAD   F0:1 \r\n" + " ANN    P0:1" +
                        Pos(1, 1) + " NT      " + Pos(2, 1) + " DF      M5:0" + Pos(3, 1) + " DFN     M5:1" +
                        Pos(4, 1) + " AN     T3:7" + Pos(5, 1) + " AN     CC4:7" + Pos(6, 1) + " AN     DGE,D0, 10" +
                        Pos(7, 1) + " OT      M0:1" + Pos(10, 1) + " SLOAD  S1:2" + Pos(0, 2) + " SAN    S1:3" +
                        Pos(1, 2) + " SANN   S2:0" + Pos(2, 2) + " OT      M0:2" + Pos(10, 2) + " LOADN  P1:0" +
                        Pos(0, 3) + " OT      M0:3" + Pos(10, 3));
}

TEST(TranslatorLines, BoxesAndMasterControl) {
  auto studio = NewStudio();
  ProgramDocument& doc = studio->doc;
  SetRow(doc, 0, {"P0:0", "-", "-", "-", "-", "-", "-", "-", "-", "[MCS 0]"});
  SetRow(doc, 1, {"P0:1", "-", "-", "-", "-", "-", "-", "-", "-", "[MCS 1]"});
  Rung(doc, 2, {"P0:2"}, "M0:0");
  SetRow(doc, 3, {"P0:3", "-", "-", "-", "-", "-", "-", "-", "[TON T1, 10]"});
  SetRow(doc, 4, {"P0:4", "[JMP 3]"});
  SetRow(doc, 5, {"P0:5", "-", "-", "-", "-", "-", "-", "-", "-", "[MCSCLR 1]"});
  Rung(doc, 6, {"P0:6"}, "M0:1");
  SetRow(doc, 7, {"P0:7", "-", "-", "-", "-", "-", "-", "-", "-", "[MCS 1]"});
  SetRow(doc, 8, {"P1:0", "-", "-", "-", "-", "-", "-", "-", "-", "[MCSCLR 0]"});
  Rung(doc, 9, {"P1:1"}, "M0:2");
  auto r = TranslateWithEnd(doc, 10);
  ASSERT_FALSE(r.failed) << r.en;
  const std::string mc0 = " AN      MC0:0 \r\n", mc1 = " AN      MC0:1 \r\n";
  EXPECT_EQ(r.text, " LOAD   P0:0" + Pos(0, 0) + " MCS 0" + Pos(9, 0) +                          //
                        " LOAD   P0:1" + Pos(0, 1) + " MCS 1" + Pos(9, 1) +                      //
                        " LOAD   P0:2" + Pos(0, 2) + mc0 + mc1 + " OT      M0:0" + Pos(10, 2) +  //
                        " LOAD   P0:3" + Pos(0, 3) + mc0 + mc1 + " TON T1, 10" + Pos(8, 3) +     //
                        " LOAD   P0:4" + Pos(0, 4) + " JMP 3" + Pos(1, 4) +                      //
                        " LOAD   P0:5" + Pos(0, 5) + " MCSCLR 1" + Pos(9, 5) +                   //
                        " LOAD   P0:6" + Pos(0, 6) + mc0 + " OT      M0:1" + Pos(10, 6) +        //
                        " LOAD   P0:7" + Pos(0, 7) + " MCS 1" + Pos(9, 7) +                      //
                        " LOAD   P1:0" + Pos(0, 8) + " MCSCLR 0" + Pos(9, 8) +                   //
                        " LOAD   P1:1" + Pos(0, 9) + " OT      M0:2" + Pos(10, 9));
}

TEST(TranslatorLines, CounterBoxes) {
  auto studio = NewStudio();
  ProgramDocument& doc = studio->doc;
  SetRow(doc, 0, {"P0:0", "-", "-", "-", "-", "-", "-", "-", "-", "[MCS 0]"});
  SetRow(doc, 1, {"P0:1", "-", "-", "-", "-", "-", "-", "-", "-", "{CTD C5, 10}"});
  SetRow(doc, 2, {"P0:2", "-", "-", "-", "-", "-", "-", "-", "-"});
  SetRow(doc, 3, {"P0:3", "/P0:4", "-", "-", "-", "-", "-", "-", "-", "{CTU C6, D1}"});
  SetRow(doc, 4, {"/P0:5", "-", "-", "-", "-", "-", "-", "-", "-"});
  Rung(doc, 5, {"P0:6"}, "M0:0");
  auto r = TranslateWithEnd(doc, 6);
  ASSERT_FALSE(r.failed) << r.en;
  const std::string mc0 = " AN      MC0:0 \r\n";
  EXPECT_EQ(r.text, " LOAD   P0:0" + Pos(0, 0) + " MCS 0" + Pos(9, 0) +                                       //
                        " LOAD   P0:1" + Pos(0, 1) + mc0 + " LOAD   P0:2" + Pos(0, 2) + " IOR    F0,2\r\n" +  //
                        " CTD C5, 10" + Pos(9, 1) +                                                           //
                        " LOAD   P0:3" + Pos(0, 3) + " ANN    P0:4" + Pos(1, 3) + mc0 + " LOADN  P0:5" +      //
                        Pos(0, 4) + " CTU C6, D1" + Pos(9, 3) +                                               //
                        " LOAD   P0:6" + Pos(0, 5) + mc0 + " OT      M0:0" + Pos(10, 5));
}

TEST(TranslatorLines, BranchesAndBlocks) {
  struct Case {
    const char* name;
    void (*build)(ProgramDocument&);
    std::string want;
  };
  const Case cases[] = {
      {"two parallel contacts",
       [](ProgramDocument& d) {
         Rung(d, 0, {"P0:0"}, "M0:0");
         SetRow(d, 1, {"P0:1"});
         Link(d, 0, 0);
       },
       " LOAD   P0:0" + Pos(0, 0) + " IOR    P0:1" + Pos(0, 1) + " OT      M0:0" + Pos(10, 0)},
      {"normally closed parallel contact reached over wires",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "B"}, "Y");
         SetRow(d, 1, {"-", "/G"});
         Link(d, 1, 0);
       },
       " LOAD   A" + Pos(0, 0) + " AN     B" + Pos(1, 0) + " IORN   G" + Pos(1, 1) + " OT      Y" + Pos(10, 0)},
      {"three parallel contacts",
       [](ProgramDocument& d) {
         Rung(d, 0, {"P0:0"}, "M0:0");
         SetRow(d, 1, {"P0:1"});
         SetRow(d, 2, {"P0:2"});
         Link(d, 0, 0);
         Link(d, 0, 1);
       },
       " LOAD   P0:0" + Pos(0, 0) + " IOR    P0:1" + Pos(0, 1) + " IOR    P0:2" + Pos(0, 2) + " OT      M0:0" +
           Pos(10, 0)},
      {"parallel series pairs joined by ORS",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "B"}, "Y");
         SetRow(d, 1, {"G", "D"});
         Link(d, 1, 0);
       },
       " LOAD   A" + Pos(0, 0) + " AN     B" + Pos(1, 0) + " LOAD   G" + Pos(0, 1) + " AN     D" + Pos(1, 1) +
           " ORS\r\n OT      Y" + Pos(10, 0)},
      {"wider branch with edges and a wire start",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "B", "E"}, "Y");
         SetRow(d, 1, {"-", "^M1:0", "%M1:1"});
         Link(d, 2, 0);
       },
       " LOAD   A" + Pos(0, 0) + " AN     B" + Pos(1, 0) + " AN     E" + Pos(2, 0) + " LOAD   F0:1 \r\n" +
           " DF     M1:0" + Pos(2, 1) + " DFN    M1:1" + Pos(2, 1) + " ORS\r\n OT      Y" + Pos(10, 0)},
      {"series of two parallel pairs joined by ANDS",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "G"}, "Y");
         SetRow(d, 1, {"B", "D"});
         Link(d, 0, 0);
         Link(d, 1, 0);
       },
       " LOAD   A" + Pos(0, 0) + " IOR    B" + Pos(0, 1) + " LOAD   G" + Pos(1, 0) + " IOR    D" + Pos(1, 1) +
           " ANDS\r\n OT      Y" + Pos(10, 0)},
      {"output split kept with SAVES and resumed with RDS",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "B"}, "Y1");
         SetRow(d, 1, {".", ".", "G", "-", "-", "-", "-", "-", "-", "-", "(Y2)"});
         Link(d, 1, 0);
       },
       " LOAD   A" + Pos(0, 0) + " AN     B" + Pos(1, 0) + " SAVES \r\n OT      Y1" + Pos(10, 0) + " RDS \r\n" +
           " AN     G" + Pos(2, 1) + " OT      Y2" + Pos(10, 1)},
      {"output split into three rows",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A"}, "Y1");
         SetRow(d, 1, {".", "-", "-", "-", "-", "-", "-", "-", "-", "-", "(Y2)"});
         SetRow(d, 2, {".", "/G", "-", "-", "-", "-", "-", "-", "-", "-", "(Y3)"});
         Link(d, 0, 0);
         Link(d, 0, 1);
       },
       " LOAD   A" + Pos(0, 0) + " SAVES \r\n OT      Y1" + Pos(10, 0) + " RDS \r\n OT      Y2" + Pos(10, 1) +
           " RDS \r\n ANN    G" + Pos(1, 2) + " OT      Y3" + Pos(10, 2)},
  };
  for (const auto& c : cases) {
    auto studio = NewStudio();
    c.build(studio->doc);
    auto r = TranslateWithEnd(studio->doc, 5);
    ASSERT_FALSE(r.failed) << c.name << ": " << r.en << " at " << r.col << "," << r.row;
    EXPECT_EQ(r.text, c.want) << c.name;
  }
}

TEST(TranslatorLines, RowsConsumedByARungAreNotTranslatedAgain) {
  auto studio = NewStudio();
  ProgramDocument& doc = studio->doc;
  Rung(doc, 0, {"A"}, "Y1");
  SetRow(doc, 1, {".", "G", "-", "-", "-", "-", "-", "-", "-", "-", "(Y2)"});
  Link(doc, 0, 0);
  Rung(doc, 2, {"D"}, "Y3");
  auto r = TranslateWithEnd(doc, 3);
  ASSERT_FALSE(r.failed) << r.en;
  EXPECT_EQ(r.text, " LOAD   A" + Pos(0, 0) + " SAVES \r\n OT      Y1" + Pos(10, 0) + " RDS \r\n AN     G" + Pos(1, 1) +
                        " OT      Y2" + Pos(10, 1) + " LOAD   D" + Pos(0, 2) + " OT      Y3" + Pos(10, 2));
}

TEST(TranslatorLines, SeriesBlocksKeepTheDrawnLogic) {
  struct Case {
    const char* name;
    void (*build)(ProgramDocument&);
    std::string want;
  };
  const Case cases[] = {
      {"block whose upper row begins with a wire",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "-", "B"}, "Y");
         SetRow(d, 1, {"G", "E", "-"});
         Link(d, 0, 0);
         Link(d, 2, 0);
       },
       " LOAD   A" + Pos(0, 0) + " IOR    G" + Pos(0, 1) + " LOAD   F0:1 \r\n AN     B" + Pos(2, 0) + " IOR    E" +
           Pos(2, 1) + " ANDS\r\n OT      Y" + Pos(10, 0)},
      {"block whose lower contact follows a wire",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "B", "-"}, "Y");
         SetRow(d, 1, {"G", "-", "/E"});
         Link(d, 0, 0);
         Link(d, 2, 0);
       },
       " LOAD   A" + Pos(0, 0) + " IOR    G" + Pos(0, 1) + " LOAD   B" + Pos(1, 0) + " IORN   E" + Pos(1, 1) +
           " ANDS\r\n OT      Y" + Pos(10, 0)},
  };
  for (const auto& c : cases) {
    auto studio = NewStudio();
    c.build(studio->doc);
    auto r = TranslateWithEnd(studio->doc, 5);
    ASSERT_FALSE(r.failed) << c.name << ": " << r.en;
    EXPECT_EQ(r.text, c.want) << c.name;
    for (int bits = 0; bits < 8; ++bits) {
      auto input = [&](const std::string& n) {
        return n == "A" ? (bits & 1) != 0 : n == "B" ? (bits & 2) != 0 : n == "E" ? (bits & 4) != 0 : false;
      };
      EXPECT_EQ(Simulate(r.text, input), EvaluateDrawing(studio->doc, 0, 1, input)) << c.name << " " << bits;
    }
  }
}

// A branch point met on a row resumed after the first one's rows have all been taken back
// (every RDS of the first SAVES written) needs one saved state only: it compiles, into the
// drawn logic. Beside it, the same rows with the second branch point met while a row of the
// first one still waits are refused (TranslatorErrors.BranchRows).
TEST(TranslatorLines, BranchPointAfterTheFirstOnesRowsWereResumed) {
  auto studio = NewStudio();
  ProgramDocument& doc = studio->doc;
  Rung(doc, 0, {"A"}, "Y0");
  SetRow(doc, 1, {".", "B", "G", "-", "-", "-", "-", "-", "-", "-", "(Y1)"});
  SetRow(doc, 2, {".", "-", "E", "-", "-", "-", "-", "-", "-", "-", "(Y2)"});
  SetRow(doc, 3, {".", ".", "H", "-", "-", "-", "-", "-", "-", "-", "(Y3)"});
  Link(doc, 0, 0);
  Link(doc, 0, 1);
  Link(doc, 1, 2);
  auto r = TranslateWithEnd(doc, 4);
  ASSERT_FALSE(r.failed) << r.en << " at " << r.col << "," << r.row;
  EXPECT_EQ(r.text, " LOAD   A" + Pos(0, 0) + " SAVES \r\n OT      Y0" + Pos(10, 0) + " RDS \r\n AN     B" + Pos(1, 1) +
                        " AN     G" + Pos(2, 1) + " OT      Y1" + Pos(10, 1) + " RDS \r\n SAVES \r\n AN     E" +
                        Pos(2, 2) + " OT      Y2" + Pos(10, 2) + " RDS \r\n AN     H" + Pos(2, 3) + " OT      Y3" +
                        Pos(10, 3));
  const char* const names[] = {"A", "B", "G", "E", "H"};
  for (int bits = 0; bits < 32; ++bits) {
    auto input = [&](const std::string& n) {
      for (int i = 0; i < 5; ++i)
        if (n == names[i]) return ((bits >> i) & 1) != 0;
      return false;
    };
    EXPECT_EQ(Simulate(r.text, input), EvaluateDrawing(doc, 0, 3, input)) << bits;
  }
}
