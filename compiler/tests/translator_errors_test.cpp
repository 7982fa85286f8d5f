// Translation errors: the failing cell, the English and Korean texts, and the shapes the
// translator refuses because the rung macros could not give the drawn logic.

#include <gtest/gtest.h>

#include "translator_test_util.h"

using namespace compiler;
using namespace ladder_test;

namespace {

const std::string kSymCol0 = "이곳에 위치할 수 없는 심볼입니다. 입력 심볼을 사용해야 합니다.";
const std::string kSymWalk = "잘못된 형식의 명령또는 릴레이표현 입니다.";
const std::string kSymBranch = "이곳에 위치할 수 없는 심볼입니다.";
const std::string kSymOutput = "이곳에 위치할 수 없는 심볼입니다. (출력 심볼만 가능) ";

struct ErrorCase {
  const char* name;
  void (*build)(ProgramDocument&);
  int col, row;
  std::string en, ko;
};

void ExpectErrors(const std::vector<ErrorCase>& cases) {
  for (const auto& c : cases) {
    auto studio = NewStudio();
    c.build(studio->doc);
    platform::RecordingMessageSink sink;
    auto r = TranslateWithEnd(studio->doc, 20, &sink);
    ASSERT_TRUE(r.failed) << c.name << "\n" << r.all;
    EXPECT_EQ(r.col, c.col) << c.name;
    EXPECT_EQ(r.row, c.row) << c.name;
    EXPECT_EQ(r.en, c.en) << c.name;
    EXPECT_EQ(r.ko, c.ko) << c.name;
  }
}

}  // namespace

TEST(TranslatorErrors, RungElements) {
  ExpectErrors({
      {"coil in column 0", [](ProgramDocument& d) { SetRow(d, 4, {"(M0:0)"}); }, 0, 4, "Invalid Symbol ! ", kSymCol0},
      {"box in column 0", [](ProgramDocument& d) { SetRow(d, 0, {"[TON T0, 1]"}); }, 0, 0, "Invalid Symbol ! ",
       kSymCol0},
      {"NOT in column 0", [](ProgramDocument& d) { Rung(d, 0, {"!"}, "Y"); }, 0, 0, "Invalid Symbol ! ", kSymCol0},
      {"in-line box",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "@9"}, "Y");
       },
       1, 0, "Invalid Symbol ! ", kSymWalk},
      {"unused code 4",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "-", "@4"}, "Y");
       },
       2, 0, "Invalid Symbol ! ", kSymWalk},
      {"gap before any output",
       [](ProgramDocument& d) {
         SetRow(d, 0, {"A", "-", "."});
       },
       2, 0, "Output Symbol Not Found !", "출력 심볼을 찾을 수 없습니다."},
      {"empty output column",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A"}, "Y");
         d.CellType[10][0] = kEmpty;
       },
       10, 0, "Output Symbol Not Found !", "출력 심볼을 찾을 수 없습니다. "},
      {"wire in the output column",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A"}, "Y");
         SetCell(d, 10, 0, "-");
       },
       10, 0, "Output Symbol Not Found ! ", "출력 심볼을 찾을 수 없습니다. "},
      {"contact in the output column",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A"}, "Y");
         SetCell(d, 10, 0, "B");
       },
       10, 0, "Invalid Symbol ! ", kSymOutput},
      {"26-character coil", [](ProgramDocument& d) { Rung(d, 0, {"A"}, std::string(26, 'M')); }, 10, 0,
       "Invalid Operand !", kSymWalk},
      {"empty contact text",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "/"}, "Y");
       },
       1, 0, "Invalid Operand !", kSymWalk},
      {"empty box text",
       [](ProgramDocument& d) {
         SetRow(d, 0, {"A", "[]"});
       },
       1, 0, "Invalid Operand !", kSymWalk},
      {"box text of 129 characters",
       [](ProgramDocument& d) {
         SetRow(d, 0, {"A", "[" + std::string(129, 'X') + "]"});
       },
       1, 0, "Invalid Operand !", kSymWalk},
  });
}

TEST(TranslatorErrors, EndRowWithoutColumnZeroCell) {
  auto studio = NewStudio();
  Rung(studio->doc, 0, {"A"}, "Y");
  SetRow(studio->doc, 3, {".", "-", "[END]"});
  studio->doc.EndRow = 3;
  LadderTranslator t(studio->doc, nullptr);
  ASSERT_TRUE(t.Run());
  EXPECT_EQ(t.PosCol, 0);
  EXPECT_EQ(t.PosRow, 3);
  EXPECT_EQ(t.TransErrMsgKor, kSymCol0);
}

TEST(TranslatorErrors, TextLengthsCountCharacters) {
  auto studio = NewStudio();
  Rung(studio->doc, 0, {"A"}, std::string(25, 'M'));
  Rung(studio->doc, 1, {"\xB0\xA1\xB0\xA1"}, "Y");  // two double-byte characters
  EXPECT_FALSE(TranslateWithEnd(studio->doc, 2).failed);
  SetRow(studio->doc, 0, {"A", "[" + std::string(128, 'X') + "]"});
  EXPECT_FALSE(TranslateWithEnd(studio->doc, 2).failed);
}

TEST(TranslatorErrors, SgnoutWithoutCountShowsItsUsageFirst) {
  auto studio = NewStudio();
  SetRow(studio->doc, 0, {"A", "[SGNOUT P0:4]"});
  platform::RecordingMessageSink sink;
  auto r = TranslateWithEnd(studio->doc, 1, &sink);
  ASSERT_TRUE(r.failed);
  EXPECT_EQ(r.en, "Invalid Operand !");
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Error !");
  EXPECT_EQ(sink.shown[0].text,
            "연결된 ZID모듈의 갯수를 적어주십시요!\r\n사용예: SGNOUT P0:4, 1    <---(하나의 ZID모듈을 사용한 경우)");
  SetRow(studio->doc, 0, {"A", "[SGNOUT P0:4, 1]"});
  EXPECT_FALSE(TranslateWithEnd(studio->doc, 1, &sink).failed);
}

TEST(TranslatorErrors, MasterControlLevels) {
  auto mcs = [](const std::vector<std::string>& boxes) {
    auto studio = NewStudio();
    for (size_t i = 0; i < boxes.size(); ++i)
      SetRow(studio->doc, static_cast<int>(i), {"A", "-", "-", "-", "-", "-", "-", "-", "-", "[" + boxes[i] + "]"});
    Rung(studio->doc, static_cast<int>(boxes.size()), {"B"}, "Y");
    return TranslateWithEnd(studio->doc, static_cast<int>(boxes.size()) + 1);
  };
  const std::string order = "Invalid MCS starting level ! Must be make order 0 ~ 7 !!! ";
  EXPECT_EQ(mcs({"MCS 0", "MCS 2"}).en, order);
  EXPECT_EQ(mcs({"MCS 1"}).en, order);
  EXPECT_EQ(mcs({"MCS 8"}).en, "Out of range ! Avaiable 0 ~ 7 !!! ");
  EXPECT_EQ(mcs({"MCS -1"}).en, "Out of range ! Avaiable 0 ~ 7 !!! ");
  EXPECT_EQ(mcs({"MCS"}).en, "Not Found Number !");
  EXPECT_EQ(mcs({"MCS X"}).en, "Not Found Number !");
  EXPECT_EQ(mcs({"MCS X"}).ko, "숫자를 기입해야 합니다.");
  EXPECT_EQ(mcs({"MCSCLR"}).en, "Not Found Number !");
  EXPECT_EQ(mcs({"MCSCLR 8"}).en, "Out of range ! Avaiable 0 ~ 7 ");
  EXPECT_EQ(mcs({"MCSCLR 8"}).ko, "0~7사이의 숫자를 기입해야 합니다.");
  EXPECT_FALSE(mcs({"MCS 0", "MCS 1", "MCSCLR 1", "MCS 1"}).failed);
  // All eight levels, then one too many.
  EXPECT_FALSE(mcs({"MCS 0", "MCS 1", "MCS 2", "MCS 3", "MCS 4", "MCS 5", "MCS 6", "MCS 7"}).failed);
  EXPECT_EQ(mcs({"MCS 0", "MCS 1", "MCS 2", "MCS 3", "MCS 4", "MCS 5", "MCS 6", "MCS 7", "MCS 8"}).en,
            "Out of range ! Avaiable 0 ~ 7 !!! ");

  // Clearing a level that is not open never opens levels.
  auto r = mcs({"MCS 0", "MCSCLR 5"});
  ASSERT_FALSE(r.failed);
  EXPECT_NE(r.text.find(" AN      MC0:0 \r\n OT      Y"), std::string::npos);
  EXPECT_EQ(r.text.find("MC0:1"), std::string::npos);
  EXPECT_EQ(mcs({"MCS 0", "MCSCLR 5", "MCS 2"}).en, order);
  EXPECT_FALSE(mcs({"MCS 0", "MCSCLR 5", "MCS 1"}).failed);
}

TEST(TranslatorErrors, BranchRows) {
  ExpectErrors({
      {"NOT between the parallel contact and the link",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "B", "-"}, "Y");
         SetRow(d, 1, {"G", "!", "-"});
         Link(d, 2, 0);
       },
       2, 1, "Invalid Symbol ! ", kSymBranch},
      {"empty cell before the parallel contact",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "B"}, "Y");
         SetRow(d, 1, {".", "G"});
         Link(d, 1, 0);
       },
       1, 1, "Invalid Symbol ! ", kSymBranch},
      {"NOT in a wider branch",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "B"}, "Y");
         SetRow(d, 1, {"G", "H", "!"});
         SetRow(d, 1, {"G", "!", "H"});
         Link(d, 2, 0);
       },
       2, 1, "Invalid Symbol ! ", kSymBranch},
      {"bad text of a parallel contact",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A"}, "Y");
         SetRow(d, 1, {std::string(30, 'P')});
         Link(d, 0, 0);
       },
       0, 1, "Invalid Operand !", kSymWalk},
      {"failure in a nested parallel branch",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A"}, "Y");
         SetRow(d, 1, {"B"});
         SetRow(d, 2, {"(M0:0)"});
         Link(d, 0, 0);
         Link(d, 0, 1);
       },
       0, 2, "Invalid Symbol ! ", kSymBranch},
      {"failure in a nested wider branch",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "B"}, "Y");
         SetRow(d, 1, {"G", "H"});
         SetRow(d, 2, {"J", "@9"});
         Link(d, 1, 0);
         Link(d, 1, 1);
       },
       1, 2, "Invalid Symbol ! ", kSymBranch},
      {"two contacts below a pending series block",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "B", "E"}, "Y");
         SetRow(d, 1, {"G", "H", "J"});
         Link(d, 0, 0);
         Link(d, 2, 0);
       },
       2, 0, "Invalid Symbol ! ", kSymBranch},
      // The split at (1, 1) comes while row 2 of the split at (0, 0) still waits for its
      // RDS: one SAVES level would hand row 2 the state A.B instead of A.
      {"second branch point while the first one's rows wait",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A"}, "Y0");
         SetRow(d, 1, {".", "B", "G", "-", "-", "-", "-", "-", "-", "-", "(Y1)"});
         SetRow(d, 2, {".", "-", "E", "-", "-", "-", "-", "-", "-", "-", "(Y2)"});
         Link(d, 0, 0);
         Link(d, 0, 1);
         Link(d, 1, 1);
       },
       1, 1, "Invalid Symbol ! ", kSymBranch},
      {"outputs of rows a branch passes over without translating them",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A"}, "Y0");
         SetRow(d, 1, {".", "B", "-", "-", "-", "-", "-", "-", "-", "-", "(Y1)"});
         SetRow(d, 2, {".", ".", "E", "-", "-", "-", "-", "-", "-", "-", "(Y2)"});
         Link(d, 0, 0);
         Link(d, 0, 1);
       },
       10, 1, "Invalid Symbol ! ", kSymBranch},
      {"more branch rows than the branch ring holds",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A"}, "Y");
         for (int r = 0; r < 53; ++r) Link(d, 0, r);
         for (int r = 1; r <= 53; ++r) Rung(d, r, {".", "-"}, "Y" + std::to_string(r));
       },
       0, 0, "Invalid Symbol ! ", kSymBranch},
  });
}

TEST(TranslatorErrors, BranchRingHoldsFiftyOneRows) {
  auto studio = NewStudio();
  ProgramDocument& d = studio->doc;
  Rung(d, 0, {"A"}, "Y");
  for (int r = 0; r < 51; ++r) Link(d, 0, r);
  for (int r = 1; r <= 51; ++r) Rung(d, r, {".", "-"}, "Y" + std::to_string(r));
  auto r = TranslateWithEnd(d, 52);
  ASSERT_FALSE(r.failed) << r.en;
  EXPECT_NE(r.text.find("OT      Y51 ; __Pos 000A 0033"), std::string::npos);
}

TEST(TranslatorErrors, CounterBoxes) {
  ExpectErrors({
      {"counter box outside column 9",
       [](ProgramDocument& d) {
         SetRow(d, 0, {"A", "-", "-", "{CTU C1, 5}"});
         Rung(d, 1, {"B", "-", "-", "-", "-", "-", "-", "-", "-", "."}, "Y");
       },
       3, 0, "Invalid Symbol ! ", kSymWalk},
      {"coil in column 0 of the reset row",
       [](ProgramDocument& d) {
         SetRow(d, 0, {"A", "-", "-", "-", "-", "-", "-", "-", "-", "{CTU C1, 5}"});
         SetRow(d, 1, {"(M0:0)", "-", "-", "-", "-", "-", "-", "-", "-"});
       },
       0, 1, "Invalid Symbol ! ", kSymCol0},
      {"reset row with an empty column 0",
       [](ProgramDocument& d) {
         SetRow(d, 0, {"A", "-", "-", "-", "-", "-", "-", "-", "-", "{CTU C1, 5}"});
         SetRow(d, 1, {".", "B", "-", "-", "-", "-", "-", "-", "-"});
       },
       0, 1, "Invalid Symbol ! ", kSymCol0},
      {"too long a text in the reset row",
       [](ProgramDocument& d) {
         SetRow(d, 0, {"A", "-", "-", "-", "-", "-", "-", "-", "-", "{CTU C1, 5}"});
         SetRow(d, 1, {"B", std::string(26, 'M'), "-", "-", "-", "-", "-", "-", "-"});
       },
       1, 1, "Invalid Operand !", kSymWalk},
      {"box in the reset row",
       [](ProgramDocument& d) {
         SetRow(d, 0, {"A", "-", "-", "-", "-", "-", "-", "-", "-", "{CTU C1, 5}"});
         SetRow(d, 1, {"B", "[TON T1, 5]"});
       },
       1, 1, "Invalid Symbol ! ", kSymWalk},
      {"branch point pending at the counter box",
       [](ProgramDocument& d) {
         SetRow(d, 0, {"A", "-", "-", "-", "-", "-", "-", "-", "-", "{CTU C1, 5}"});
         SetRow(d, 1, {"B", "-", "-", "-", "-", "-", "-", "-", "-"});
         SetRow(d, 2, {".", "-", "-", "-", "-", "-", "-", "-", "-", "-", "(Y)"});
         // a split below the count input, drawn through the reset row
         Link(d, 0, 0);
         SetRow(d, 1, {"B", "G", "-", "-", "-", "-", "-", "-", "-"});
       },
       9, 0, "Invalid Symbol ! ", kSymBranch},
  });
}

TEST(TranslatorErrors, CounterInTheLastRowReportsTheLastRow) {
  auto studio = NewStudio();
  ProgramDocument& d = studio->doc;
  SetRow(d, kProgramRows - 1, {"A", "-", "-", "-", "-", "-", "-", "-", "-", "{CTU C1, 5}"});
  SetCell(d, 0, kProgramRows - 1, "A");
  d.CellText[0][kProgramRows - 2] = "END";  // FindEndLine is not used here; EndRow is set below
  LadderTranslator t(d, nullptr);
  d.EndRow = kProgramRows - 1;
  ASSERT_TRUE(t.Run());
  EXPECT_EQ(t.PosRow, kProgramRows);  // the reset row lies beyond the program
  EXPECT_EQ(t.TransErrMsg, "Invalid Symbol ! ");
}

// Shapes the rung macros cannot express: each is refused at the output whose drawn logic the
// lines would not give, never built into other logic.
TEST(TranslatorErrors, ShapesThatWouldCompileIntoOtherLogic) {
  ExpectErrors({
      {"wire-only lower row joined to the rung",  // drawn: always on
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "B"}, "Y");
         SetRow(d, 1, {"-", "-"});
         Link(d, 1, 0);
       },
       10, 0, "Invalid Symbol ! ", kSymBranch},
      {"bypass wires inside a series block",  // drawn: A.(B+1).E = A.E
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "B", "-", "E"}, "Y");
         SetRow(d, 1, {".", "-", "-"});
         Link(d, 0, 0);
         Link(d, 2, 0);
       },
       10, 0, "Invalid Symbol ! ", kSymBranch},
      {"third row merging into a branch row between its ends",  // drawn: A.B + G.E + H.J
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "B", "-"}, "Y");
         SetRow(d, 1, {"G", "E", "-"});
         SetRow(d, 2, {"H", "J"});
         Link(d, 2, 0);
         Link(d, 1, 1);
       },
       10, 0, "Invalid Symbol ! ", kSymBranch},
      {"link from a rung into the row below it that the rung does not take",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A"}, "Y0");
         SetRow(d, 1, {"B", "-", "-"});
         Link(d, 0, 0);
         Link(d, 2, 1);
         Rung(d, 2, {"E", "G"}, "Y2");
       },
       10, 2, "Invalid Symbol ! ", kSymBranch},
      {"coil after a gap in a lower branch row",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A", "B"}, "Y0");
         SetRow(d, 1, {".", "E", ".", "-", "-", "-", "-", "-", "-", "-", "(Y1)"});
         Link(d, 0, 0);
       },
       10, 1, "Invalid Symbol ! ", kSymBranch},
      {"coil under a counter box",
       [](ProgramDocument& d) {
         SetRow(d, 0, {"A", "-", "-", "-", "-", "-", "-", "-", "-", "{CTU C0, 5}", "(Y0)"});
         SetRow(d, 1, {"B", "-", "-", "-", "-", "-", "-", "-", "-", ".", "(Y1)"});
       },
       10, 1, "Invalid Symbol ! ", kSymBranch},
  });
}

// Shapes that the rung macros express as drawn stay accepted.
TEST(TranslatorErrors, FaithfulShapesStayAccepted) {
  auto accepted = [](void (*build)(ProgramDocument&)) {
    auto studio = NewStudio();
    build(studio->doc);
    return !TranslateWithEnd(studio->doc, 20).failed;
  };
  EXPECT_TRUE(accepted([](ProgramDocument& d) {  // a box ends the walk; the coil after its gap follows it
    SetRow(d, 0, {"A", "[TON T0, 5]", ".", ".", ".", ".", ".", ".", ".", ".", "(Y)"});
  }));
  EXPECT_TRUE(accepted([](ProgramDocument& d) {  // a stray link into an empty row carries nothing
    Rung(d, 0, {"A", "B"}, "Y");
    Link(d, 4, 0);
  }));
  EXPECT_TRUE(accepted([](ProgramDocument& d) {  // three rows merging into a series block
    Rung(d, 0, {"A", "B", "E"}, "Y");
    SetRow(d, 1, {".", "G", "-"});
    SetRow(d, 2, {".", "H", "-"});
    Link(d, 0, 0);
    Link(d, 0, 1);
    Link(d, 2, 0);
    Link(d, 2, 1);
  }));
  EXPECT_TRUE(accepted([](ProgramDocument& d) {  // a series block that begins with a wire
    Rung(d, 0, {"A", "-", "B", "E"}, "Y");
    SetRow(d, 1, {".", "G", "-", "."});
    Link(d, 0, 0);
    Link(d, 2, 0);
  }));
  EXPECT_TRUE(accepted([](ProgramDocument& d) {  // boxes whose text is a mnemonic of its own
    SetRow(d, 0, {"A", "-", "-", "-", "-", "-", "-", "-", "-", "[CALLS 3]"});
    SetRow(d, 1, {"-", "-", "-", "-", "-", "-", "-", "-", "-", "[RET]"});
    SetRow(d, 2, {"B", "-", "-", "-", "-", "-", "-", "-", "-", "[JMP 1]"});
    SetRow(d, 3, {"-", "-", "-", "-", "-", "-", "-", "-", "-", "[JME 1]"});
  }));
  EXPECT_TRUE(accepted([](ProgramDocument& d) {  // operand texts with outer blanks
    Rung(d, 0, {" A", "B ", "^M1:0 ", "/ E"}, "Y");
    SetRow(d, 1, {"G  "});
    Link(d, 0, 0);
  }));
  EXPECT_TRUE(accepted([](ProgramDocument& d) {  // NOT and edges on the main row
    Rung(d, 0, {"A", "!", "^M1:0", "B", "%M1:1"}, "Y");
  }));
}

TEST(TranslatorErrors, ProgramsWithoutTheirReturnAreRefusedAtTheEndCell) {
  struct Case {
    const char* name;
    void (*build)(ProgramDocument&);
    int col, row;
    std::string ko;
  };
  const Case cases[] = {
      {"END written on a coil",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A"}, "Y");
         Rung(d, 1, {"-"}, "END");
         d.EndRow = 1;
       },
       10, 1, kSymCol0},
      {"END box behind a gap after an earlier box",
       [](ProgramDocument& d) {
         SetRow(d, 0, {"-", "[TON T0, 5]", ".", "-", "[END]"});
         d.EndRow = 0;
       },
       4, 0, kSymCol0},
      {"END box followed by more of the rung",
       [](ProgramDocument& d) {
         Rung(d, 0, {"-", "[END]", "A"}, "Y");
         d.EndRow = 0;
       },
       1, 0, kSymCol0},
      {"END row that a branch of the rung above passes over",
       [](ProgramDocument& d) {
         Rung(d, 0, {"A"}, "Y");
         EndRung(d, 1);
         Link(d, 0, 0);
       },
       9, 1, kSymBranch},
      {"END row reached by a link from the row below",
       [](ProgramDocument& d) {
         EndRung(d, 0);
         Link(d, 3, 0);
         Rung(d, 1, {"A"}, "Y");
       },
       9, 0, kSymCol0},
  };
  for (const Case& c : cases) {
    auto studio = NewStudio();
    c.build(studio->doc);
    LadderTranslator t(studio->doc, nullptr);
    ASSERT_TRUE(t.Run()) << c.name << "\n" << t.Output();
    EXPECT_EQ(t.PosCol, c.col) << c.name;
    EXPECT_EQ(t.PosRow, c.row) << c.name;
    EXPECT_EQ(t.TransErrMsg, "Invalid Symbol ! ") << c.name;
    EXPECT_EQ(t.TransErrMsgKor, c.ko) << c.name;
  }
}
