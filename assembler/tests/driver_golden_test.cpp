// The driver as the program shows it: modules, labels, statement fields and the run's end.
#include <gtest/gtest.h>

#include "assembler/tests/aq71_test_support.h"

namespace aq71_test {
namespace {

class DriverGolden : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = make_temp_dir("drv"); }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  RunResult run(const std::string& source, std::vector<std::string> extra = {}) {
    write_file(dir_ / "t.s71", source);
    std::vector<std::string> args = {"t", "-c#", "-S"};
    args.insert(args.end(), extra.begin(), extra.end());
    return run_aq71(dir_, args);
  }
  fs::path dir_;
};

TEST_F(DriverGolden, SourceWithoutEndIsOneModuleThenError4) {
  RunResult r = run(" NOP\n NOP\n");
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out,
            "\n\n^\n\"t.s71\",2  Error[4]: Unexpected end of file encountered\n"
            "\nFatal!\a Execution terminated...\n");
  EXPECT_EQ(folder_files(dir_), std::vector<std::string>{"t.s71"});  // object deleted
}

TEST_F(DriverGolden, EmptyModuleIsSkippedWithWarning17) {
  RunResult r = run("; nothing here\n\n END\n");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "\n END\n-^\n\"t.s71\",3  Warning[17]: Empty module 't', module skipped\n");
  EXPECT_EQ(run("; nothing\n END\n", {"-ws"}).code, 1);
  // A named module: the warning names it.
  r = run(" NAME prog\n END\n");
  EXPECT_NE(r.out.find("Warning[17]: Empty module 'prog', module skipped"), std::string::npos) << r.out;
  // Code makes content.
  r = run(" NOP\n END\n");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(fs::exists(dir_ / "t.r71"));
}

TEST_F(DriverGolden, LabelAndStatementFieldErrors) {
  RunResult r = run("L1: NOP\nL1: NOP\n FOO 1\n NOP\n END\n");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out,
            "\nL1: NOP\n--^\n\"t.s71\",2  Error[42]: duplicate label:'L1'\n"
            "\n FOO 1\n----^\n\"t.s71\",3  Error[40]: bad instruction\n");
  // A mnemonic name followed by a colon is a label.
  r = run("ADD: NOP\n RJMP ADD\n END\n");
  EXPECT_EQ(r.code, 0) << r.out;
  // Anything else in the label field.
  r = run("1 NOP\n END\n");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.out.find("Error[41]: bad label"), std::string::npos) << r.out;
}

TEST_F(DriverGolden, EndIsAWholeWord) {
  RunResult r = run(" SEND\n ENDX\n NOP\n");
  EXPECT_EQ(r.code, 3);
  EXPECT_NE(r.out.find("\"t.s71\",1  Error[40]"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"t.s71\",2  Error[40]"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Error[4]"), std::string::npos) << r.out;
  // Any letter case ends the module.
  EXPECT_EQ(run(" NOP\n end\n").code, 0);
}

TEST_F(DriverGolden, ModulesSplitByEndmod) {
  RunResult r = run(" NAME one\n NOP\n NOP\n ENDMOD\n NAME two\n NOP\n END\n");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "");
  // Labels belong to their module: the same name may be defined again in the next one.
  r = run(" MODULE a\nL: NOP\n ENDMOD\n MODULE b\nL: NOP\n END\n");
  EXPECT_EQ(r.code, 0) << r.out;
  // The second module is empty.
  r = run(" NAME one\n NOP\n ENDMOD\n NAME two\n END\n");
  EXPECT_NE(r.out.find("Empty module 'two'"), std::string::npos) << r.out;
  // Text after END is never read.
  EXPECT_EQ(run(" NOP\n END\n garbage here\n").code, 0);
}

TEST_F(DriverGolden, ModuleDirectiveErrors) {
  // ENDMOD without a module directive, and END once every module is closed.
  RunResult r = run(" NOP\n ENDMOD\n NOP\n END\n");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.out.find("\"t.s71\",2  Error[39]: END before start of module"), std::string::npos) << r.out;
  r = run(" NAME a\n NOP\n ENDMOD\n END\n");
  EXPECT_NE(r.out.find("\"t.s71\",4  Error[39]: END before start of module"), std::string::npos) << r.out;
  // A module directive inside an open module.
  r = run(" NAME a\n NOP\n NAME b\n NOP\n END\n");
  EXPECT_NE(r.out.find("\"t.s71\",3  Error[73]: End-of-module missing"), std::string::npos) << r.out;
}

TEST_F(DriverGolden, SymbolsDefinedByEachOtherEndWithAnError) {
  RunResult r = run("A EQU B\nB EQU A\n LDI R16,A\n END\n");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.out.find("Error[64]: Extern or unsolved expression"), std::string::npos) << r.out;
  r = run("A EQU B+1\nB EQU C+1\nC EQU A+1\n END\n");
  EXPECT_EQ(r.code, 2);
  // An undefined symbol is reported once.
  r = run(" LDI R16,U\n LDI R17,U\n END\n");
  EXPECT_EQ(r.code, 2);
  std::size_t first = r.out.find("Error[50]: undefined symbol:'U'");
  ASSERT_NE(first, std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Error[50]", first + 1), std::string::npos) << r.out;
}

TEST_F(DriverGolden, EquNeedsALabelAndDefinesOnce) {
  RunResult r = run(" EQU 5\n NOP\n END\n");
  EXPECT_NE(r.out.find("Error[41]: bad label"), std::string::npos) << r.out;
  r = run("A EQU 1\nA EQU 2\n NOP\n END\n");
  EXPECT_NE(r.out.find("Error[42]: duplicate label:'A'"), std::string::npos) << r.out;
  r = run("A = 1\nB ALIAS A+1\n LDI R16,B\n END\n");
  EXPECT_EQ(r.code, 0) << r.out;
}

TEST_F(DriverGolden, CaseOfUserSymbols) {
  // User symbols are case-sensitive unless -s- says otherwise; keywords match in any case.
  EXPECT_EQ(run("loop: nop\nLOOP: NOP\n rjmp loop\n END\n").code, 0);
  RunResult r = run("loop: nop\nLOOP: NOP\n END\n", {"-s-"});
  EXPECT_NE(r.out.find("Error[42]: duplicate label:'LOOP'"), std::string::npos) << r.out;
}

TEST_F(DriverGolden, CommandLineSymbols) {
  EXPECT_EQ(run(" LDI R16,VAL\n END\n", {"-DVAL=5"}).code, 0);
  EXPECT_EQ(run(" LDI R16,VAL\n END\n", {"-DVAL=5", "-UVAL"}).code, 2);
  // A body naming itself stops expanding.
  EXPECT_EQ(run(" NOP\n LDI R16,S\n END\n", {"-DS=S"}).code, 2);
}

// A label in the absolute segment is first placed during the source pass, moves when a later
// ORG moves the segment, and is unsettled for a walk (a storage count before it waits for
// equates written at the end) before it settles at its last place. Every use of it, and of the
// equates made from it, must carry the last place: the object equals the one of the same program
// with the equates written first.
TEST_F(DriverGolden, ALabelThatSettlesAgainIsUsedAtItsLastPlace) {
  const auto object = [&](const std::string& source, std::string* listing = nullptr) {
    std::error_code ec;
    fs::remove(dir_ / "t.r71", ec);
    RunResult r = run(source, {"-l", "t.lst"});
    EXPECT_EQ(r.code, 0) << source << r.out;
    EXPECT_EQ(r.out, "") << source;
    if (listing) *listing = read_file(dir_ / "t.lst");
    return read_file(dir_ / "t.r71");
  };
  const std::string equates = "N EQU D2-D1\nM EQU 3\n";
  const std::string data = " RSEG DATA\n DS M\nD1: DS 2\nD2:\n";
  struct Case {
    std::string body;                // code in the absolute segment, up to its ORG
    std::vector<std::string> lines;  // listing lines the code must show
  };
  const std::vector<Case> cases = {
      {" NOP\nL1: DS N\n DW L1\n LDI R16,LOW(L1)\n JMP L1\n ORG 0x40\n",
       {"00000044 4200          DW L1", "00000046 02E4          LDI R16,LOW(L1)",
        "00000048 0C942100      JMP L1"}},
      // Other directives between, other instructions and operators.
      {" NOP\nL1: DS N\n EVEN\n DD L1\n LDI R17,HIGH(L1)\n CALL L1\n RJMP L1\n ORG 0x100\n",
       {"00000104 02010000      DD L1", "00000108 11E0          LDI R17,HIGH(L1)",
        "0000010A 0E948100      CALL L1", "0000010E F9CF          RJMP L1"}},
      // Several labels, and equates made from a label before it settled: they follow it.
      {" NOP\nL1: DS N\nL2: DS N\nP1 EQU L2+2\nP2 EQU P1+1\n DW L1, L2-L1, P2\n LDI R18,LOW(P2)\n"
       " CALL P1\n ORG 0x40\n",
       {"00000046 420002004700  DW L1, L2-L1, P2", "0000004C 27E4          LDI R18,LOW(P2)",
        "0000004E 0E942300      CALL P1"}},
      // A storage count made from the label: its size follows, and so does what comes after.
      {" NOP\nL1: NOP\n DS 2*HIGH(L1)\nL2: NOP\n JMP L2\n ORG 0x140\n",
       {"00000146 0000         L2: NOP", "00000148 0C94A300      JMP L2"}},
  };
  for (const Case& c : cases) {
    const std::string last = c.body + data + equates + " END\n";
    const std::string first = equates + c.body + data + " END\n";
    std::string listing;
    EXPECT_EQ(object(last, &listing), object(first)) << last;
    for (const std::string& line : c.lines) EXPECT_NE(listing.find(line), std::string::npos) << line << "\n" << listing;
  }
}

// A label that moves straight from its first place to its last: the equates made from it, the
// equates made from those, and every use of them follow it.
TEST_F(DriverGolden, EquatesOfAMovedLabelFollowIt) {
  RunResult r = run(" NOP\nL1: NOP\nE2 EQU L1+0\nE3 EQU E2+2\n DW E2, E3\n LDI R16,LOW(E3)\n ORG 0x40\n END\n",
                    {"-l", "t.lst"});
  EXPECT_EQ(r.code, 0) << r.out;
  const std::string listing = read_file(dir_ / "t.lst");
  for (const char* line : {"00000042              E2 EQU L1+0", "00000044              E3 EQU E2+2",
                           "00000044 42004400      DW E2, E3", "00000048 04E4          LDI R16,LOW(E3)"})
    EXPECT_NE(listing.find(line), std::string::npos) << line << "\n" << listing;
}

// Branches back: each expansion of a macro goes to its own LOCAL label, and an operand of a
// temporary value (VAR) keeps the value it had on its line.
TEST_F(DriverGolden, OperandsOfLabelsBackTakeTheValueOfTheirLine) {
  RunResult r = run(" ASEG\nLOOP MACRO\n LOCAL again\nagain: DEC R16\n BRNE again\n RJMP again\n ENDM\n"
                    "V VAR 3\nTOP: LOOP\n LDI R17,V\n RJMP TOP\n LOOP\nV VAR 5\n LDI R18,V\n BRNE TOP\n END\n",
                    {"-l", "t.lst"});
  EXPECT_EQ(r.code, 0) << r.out;
  const std::string listing = read_file(dir_ / "t.lst");
  for (const char* line : {"9.3  00000002 F1F7          BRNE again", "9.4  00000004 FDCF          RJMP again",
                           "10    00000006 13E0          LDI R17,V", "11    00000008 FBCF          RJMP TOP",
                           "12.3  0000000C F1F7          BRNE again", "12.4  0000000E FDCF          RJMP again",
                           "14    00000010 25E0          LDI R18,V", "15    00000012 B1F7          BRNE TOP"})
    EXPECT_NE(listing.find(line), std::string::npos) << line << "\n" << listing;
}

// A size that depends on itself (a storage count or an alignment that waits for labels its own
// size moves) is an ordinary error at its line, no internal error: exit 2, no object, the whole
// listing; the labels on and after that line are not reported as undefined.
TEST_F(DriverGolden, ASizeThatDependsOnItselfIsAnErrorAtItsLine) {
  const auto ends_at_its_line = [&](const std::string& source, const std::string& expected) {
    RunResult r = run(source, {"-l", "t.lst"});
    EXPECT_EQ(r.code, 2) << source;
    EXPECT_EQ(r.out, expected) << source;
    EXPECT_FALSE(fs::exists(dir_ / "t.r71")) << source;
    const std::string listing = read_file(dir_ / "t.lst");
    EXPECT_EQ(listing.find("INTERNAL"), std::string::npos) << listing;
    EXPECT_NE(listing.find("END\n##############################\n#        Errors:"), std::string::npos) << listing;
  };
  const std::string e100 = "  Error[100]: size depends on itself and can not be fixed\n";
  // Its count grows with the place of the label after it.
  ends_at_its_line(" ASEG\nA: DS (B-A+1)\nB: NOP\n RJMP B\n END\n",
                   "\nA: DS (B-A+1)\n---^\n\"t.s71\",2" + e100);
  // With ordinary errors around it, as a run ends them.
  ends_at_its_line(" DS (B-A)\n LDI R18,V2\n DS (C-U)\nC: NOP\n RSEG DATA:DATA\nA: DS 2\n ASEG\nB:\n END\n",
                   "\n DS (B-A)\n-^\n\"t.s71\",1  Error[53]: expression must be absolute\n"
                   "\n DS (C-U)\n-^\n\"t.s71\",3" + e100 +
                       "\n LDI R18,V2\n-^\n\"t.s71\",2  Error[50]: undefined symbol:'V2'\n"
                       "\n DS (C-U)\n-^\n\"t.s71\",3  Error[50]: undefined symbol:'U'\n");
  // The distance of two labels after it, with an alignment between them.
  ends_at_its_line(" ASEG\n DS YY\nS: DS (D-C+1)\nC: NOP\n DB 1\n EVEN\nD: NOP\n RSEG DATA\nYY: DS 1\n END\n",
                   "\n DS YY\n-^\n\"t.s71\",2  Error[53]: expression must be absolute\n"
                   "\nS: DS (D-C+1)\n---^\n\"t.s71\",3" + e100);
  // An alignment whose exponent waits for a label after it.
  ends_at_its_line(" ASEG\n NOP\n ALIGN B\nB: NOP\n END\n", "\n ALIGN B\n-^\n\"t.s71\",3" + e100);
  // Without an alignment between them, the distance of two labels after it does not change with
  // its size.
  EXPECT_EQ(run(" ASEG\n DS (D-C)\nC: NOP\nD: NOP\n END\n").out.find("Error[100]"), std::string::npos);
}

// Two sizes that feed each other without end: the walks stop at the first that still moves, with
// the same error.
TEST_F(DriverGolden, SizesThatFeedEachOtherEndWithAnErrorNotAnInternalOne) {
  RunResult r = run(" ASEG\n DS YY\nK:\nS1: DS (L2-M)\nM: NOP\nS2: DS (M-K+1)\nL2: NOP\n RSEG DATA\nYY: DS 1\n END\n",
                    {"-l", "t.lst"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.out.find("\"t.s71\",4  Error[100]: size depends on itself and can not be fixed\n"), std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("INTERNAL"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(dir_ / "t.r71"));
  EXPECT_NE(read_file(dir_ / "t.lst").find("     10    00000001               END\n"), std::string::npos);
}

// "$" of an ORG line is where the line begins, on every walk: the location moves by the number
// once, also when the sizes before it are known only late.
TEST_F(DriverGolden, AnOrgFromDollarMovesTheLocationOnce) {
  const auto lines = [&](const std::string& source, int code, const std::vector<std::string>& expected) {
    RunResult r = run(source, {"-l", "t.lst"});
    EXPECT_EQ(r.code, code) << source << r.out;
    const std::string listing = read_file(dir_ / "t.lst");
    for (const std::string& line : expected)
      EXPECT_NE(listing.find(line), std::string::npos) << line << "\n" << listing;
    return r.out;
  };
  lines(" ASEG\n ORG 110\n ORG $+2\nB: NOP\n RJMP B\n END\n", 0,
        {"00000070               ORG $+2", "00000070 0000         B: NOP", "00000072 FECF          RJMP B"});
  lines(" RSEG CODE\n NOP\n ORG $+2\nB: NOP\n RJMP B\n END\n", 0, {"00000004 0000         B: NOP"});
  // The distance of labels around it is what the ORG makes it.
  lines(" ASEG\n ORG 110\nA:\n ORG $+2\nB:\n DS (B-A)\n NOP\n END\n", 0,
        {"00000070               DS (B-A)", "00000072 0000          NOP"});
  // After storage sized only once an undefined count is given its value: the ORG waits for it.
  const std::string out = lines(" ASEG\n DS U\n ORG $+2\nB: NOP\n END\n", 2, {"00000003               ORG $+2"});
  for (const char* wrong : {"Error[52]", "Error[64]", "'?'"}) EXPECT_EQ(out.find(wrong), std::string::npos) << out;
}

// A location below the start of its segment (an offset or address below 0) is an error at its
// line, once, on every option set: exit 2, no object, and in the listing the line's report in
// its place. What follows lies where the source puts it: an ORG back above 0 is no error, and a
// label below 0 is no "segment too long".
TEST_F(DriverGolden, AnOrgBelowTheStartOfItsSegmentIsAnErrorAtItsLine) {
  const auto refused = [&](const std::string& source, const std::vector<int>& lines,
                           const std::vector<std::string>& options = {}) {
    std::error_code ec;
    fs::remove(dir_ / "t.r71", ec);
    RunResult r = run(source, options);
    EXPECT_EQ(r.code, 2) << source << r.out;
    std::string expected;
    for (int line : lines) {
      std::string text = source;
      for (int n = 1; n < line; ++n) text.erase(0, text.find('\n') + 1);
      expected += "\n" + text.substr(0, text.find('\n')) + "\n-^\n\"t.s71\"," + std::to_string(line) +
                  "  Error[405]: Address can't be negative.\n";
    }
    EXPECT_EQ(r.out, expected) << source;
    EXPECT_FALSE(fs::exists(dir_ / "t.r71")) << source;
  };
  const std::string source = " RSEG CODE:CODE\n NOP\n ORG $-3\n ORG $+5\n NOP\n END\n";
  for (const std::vector<std::string>& options : std::vector<std::vector<std::string>>{
           {}, {"-l", "t.lst"}, {"-ws"}, {"-E2"}, {"-w-"}, {"-r"}, {"-v3", "-x", "-l", "t.lst"}})
    refused(source, {3}, options);
  EXPECT_NE(read_file(dir_ / "t.lst")
                .find("      2    00000000 0000          NOP\n"
                      "                                  ORG $-3\n"
                      "                                 -^\n"
                      "                                 \"t.s71\",3  Error[405]: Address can't be negative.\n"
                      "      4    00000004               ORG $+5\n"
                      "      5    00000004 0000          NOP\n"),
            std::string::npos)
      << read_file(dir_ / "t.lst");
  // The error that reaches the limit gives way to error 9, as any other.
  RunResult r = run(source, {"-E1"});
  EXPECT_EQ(r.code, 3);
  EXPECT_NE(r.out.find("Error[9]: Too many errors encountered (>1)."), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Error[405]"), std::string::npos) << r.out;

  // A number, in STACK and COMMON segments too.
  refused(" STACK STK:DATA\n DS 2\n ORG $-4\n ORG $+6\n DS 2\n END\n", {3});
  refused(" COMMON CM:DATA\n ORG -1\n DS 2\n END\n", {2});
  // An ASEG address of an equate further on, a label less a number, and the first location of
  // the absolute segment with code before it.
  refused(" ASEG N-6\n NOP\nN EQU 4\n END\n", {1});
  refused(" ASEG\nA: NOP\n ORG A-4\n NOP\n ORG $+8\n NOP\n END\n", {3});
  refused(" NOP\n ORG -2\n NOP\n END\n", {2});
  // Code of the absolute segment that comes back above 0 overlaps nothing there.
  refused(" ASEG\n ORG $-2\n NOP\n NOP\n DS 2\n NOP\n END\n", {2});
  // Known only once the sizes before it are.
  refused(" RSEG CODE\n DS N\n ORG $-4\n NOP\n RSEG DATA\n DS M\nD1: DS 2\nD2:\nN EQU D2-D1\nM EQU 3\n END\n", {3});
  // Labels below 0, and each line that goes below 0 on its own.
  refused(" RSEG CODE\n NOP\n ORG $-4\nL: NOP\n DW L\n ORG $+8\n NOP\n END\n", {3});
  refused(" RSEG CODE\n NOP\n ORG $-4\n ORG $-2\n ORG $+8\n NOP\n END\n", {3, 4});

  // Back, but never below the start.
  for (const char* fine : {" RSEG CODE:CODE\n NOP\n ORG $-1\n ORG $+3\n NOP\n END\n",
                           " RSEG CODE\n DS N\n ORG $-6\n NOP\nN EQU 6\n END\n"}) {
    r = run(fine);
    EXPECT_EQ(r.code, 0) << fine << r.out;
    EXPECT_TRUE(fs::exists(dir_ / "t.r71")) << fine;
  }
}

// An alignment placed before a size in front of it changed (a count given its value only at the
// end) pads from where it lies now: the instruction after it is at an even address.
TEST_F(DriverGolden, AnAlignmentFollowsASizeChangedBeforeIt) {
  RunResult r = run(" ASEG\nA:\n DS (A-B)\n DS U\n EVEN\n NOP\n RSEG DATA:DATA\nB: DS 2\n END\n", {"-l", "t.lst"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out.find("Error[420]"), std::string::npos) << r.out;
  const std::string listing = read_file(dir_ / "t.lst");
  for (const char* line : {"00000001               EVEN", "00000002 0000          NOP"})
    EXPECT_NE(listing.find(line), std::string::npos) << line << "\n" << listing;
}

// The first location of the absolute segment is where it starts, unless it is reckoned from
// places that follow from the start: then the segment starts at 0.
TEST_F(DriverGolden, TheAbsoluteSegmentStartsWhereItsFirstLocationSays) {
  const auto lines = [&](const std::string& source, const std::vector<std::string>& expected) {
    RunResult r = run(source, {"-l", "t.lst"});
    EXPECT_EQ(r.code, 0) << source << r.out;
    const std::string listing = read_file(dir_ / "t.lst");
    for (const std::string& line : expected)
      EXPECT_NE(listing.find(line), std::string::npos) << line << "\n" << listing;
  };
  // From a label before it.
  lines(" NOP\nL1: NOP\n ORG L1+0x10\nL2: NOP\n RJMP L1\n END\n",
        {"00000000 0000          NOP", "00000012               ORG L1+0x10", "00000014 F6CF          RJMP L1"});
  // From labels of ORG lines and equates that lead back to such a label.
  lines(" NOP\nL1: NOP\n ORG XX\nL2: ORG L1+8\n ORG L2+4\n NOP\nXX EQU L1+2\n END\n",
        {"00000000 0000          NOP", "0000000E 0000          NOP"});
  // Not from an equate of a number, or from a label after a location of its own.
  lines(" ORG START\n NOP\nSTART EQU 0x40\n END\n", {"00000040 0000          NOP"});
  lines(" ORG F4+0x10\n NOP\n ORG 0x100\nF4: NOP\n END\n", {"00000110 0000          NOP", "00000100 0000         F4: NOP"});
}

TEST_F(DriverGolden, IncludeFilesAreRead) {
  write_file(dir_ / "inc.s71", "L2: NOP\n");
  RunResult r = run("$inc.s71\n RJMP L2\n END\n");
  EXPECT_EQ(r.code, 0) << r.out;
}

}  // namespace
}  // namespace aq71_test
