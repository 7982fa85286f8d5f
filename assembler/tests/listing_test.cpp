// The listing as aq71 writes it: header box, listing lines, problem reports, pages, cross
// reference, report box and console summary. Every run uses the fixed date so the files are
// byte-exact.
#include <gtest/gtest.h>

#include "assembler/listing.h"
#include "assembler/tests/aq71_test_support.h"

namespace aq71_test {
namespace {

const char* const kHeader =
    "###############################################################################\n"
    "#                                                                             #\n"
    "#     QEX Systems Q71 Assembler V2.11D/DOS 28/Nov/1990  13:37:00               #\n"
    "#                                                                             #\n"
    "#           Internal versions FE1.25A CO1.10K BE1.30A                         #\n"
    "#                                                                             #\n"
    "#           Target option =  Relative jumps reach entire addr space           #\n"
    "#           Source file   =  t.s71                                            #\n"
    "#           List file     =  t.lst                                            #\n"
    "#           Object file   =  t.r71                                            #\n"
    "#           Command line  =  t -c# -l t.lst                                   #\n"
    "#                                                                             #\n"
    "###############################################################################\n"
    "\n";

class Listing : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = make_temp_dir("lst"); }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  // Assembles t.s71 with the fixed date and a listing t.lst; returns the listing.
  std::string list(const std::string& source, std::vector<std::string> extra = {}) {
    write_file(dir_ / "t.s71", source);
    std::vector<std::string> args = {"t", "-c#", "-l", "t.lst"};
    args.insert(args.end(), extra.begin(), extra.end());
    last_ = run_aq71(dir_, args);
    return read_file(dir_ / "t.lst");
  }
  // The listed lines of a clean source without header box (-N), up to the report box.
  std::string listed_lines(const std::string& source) {
    const std::string lst = list(source, {"-N", "-S"});
    EXPECT_EQ(last_.code, 0) << last_.out;
    return lst.substr(0, lst.find("####"));
  }
  // The report box's CRC line of a listing (its value cannot be written down here).
  static std::string crc_line(const std::string& lst) {
    std::size_t at = lst.find("CRC:");
    if (at == std::string::npos) return "(no CRC line)\n";
    std::size_t end = lst.find('#', at);
    std::string text = lst.substr(at, end - at);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    std::size_t slack = 28 - text.size();
    return "#" + std::string(slack / 2, ' ') + text + std::string(slack - slack / 2, ' ') + "#\n";
  }
  static std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t nl = text.find('\n', start);
      if (nl == std::string::npos) nl = text.size();
      out.push_back(text.substr(start, nl - start));
      start = nl + 1;
    }
    return out;
  }
  fs::path dir_;
  RunResult last_;
};

TEST_F(Listing, SmallProgramIsListedByteExact) {
  std::string lst = list(
      "start:  NOP ; first\n"
      "\tLDI R16,0x12\n"
      "X EQU 5\n"
      "        DB \"AB\"\n"
      "; comment\n"
      "        RJMP start\n"
      "        END\n");
  EXPECT_EQ(last_.code, 0);
  EXPECT_EQ(lst, std::string(kHeader) +
                     "      1    00000000 0000         start:  NOP ; first\n"
                     "      2    00000002 02E1                 LDI R16,0x12\n"
                     "      3    00000005              X EQU 5\n"
                     "      4    00000004 4142                 DB \"AB\"\n"
                     "      5                          ; comment\n"
                     "      6    00000006 FCCF                 RJMP start\n"
                     "      7    00000008                      END\n"
                     "##############################\n" +
                     crc_line(lst) +
                     "#        Errors:   0         #\n"
                     "#        Warnings: 0         #\n"
                     "#          Bytes: 8          #\n"
                     "##############################\n"
                     "\n\n\n\f");
  // The same run without -S prints the summary on the console too.
  EXPECT_EQ(last_.out, "QEX Systems Q71 Assembler V2.11D/DOS\n\nErrors:   0\nWarnings: 0\nBytes: 8\n");
  // The CRC is the object's: the same source gives the same file twice.
  EXPECT_EQ(list(read_file(dir_ / "t.s71")), lst);
}

// The command line in the header box: ASMQ71 words in brackets, command-file words in
// parentheses, continuation lines when the next word would pass the text area.
TEST_F(Listing, HeaderCommandLineMarksAndContinuation) {
  write_file(dir_ / "t.s71", " NOP\n END\n");
  write_file(dir_ / "opts.xcl", "-S\n");
  last_ = run_aq71(dir_,
                   {"t", "-l", "t.lst", "-f", "opts.xcl", "-DLONGNAMESYMBOL=1234567890",
                    "-DANOTHER_SYMBOL_VALUE=xyzxyzxyz", "-DTHIRD=3"},
                   {{"ASMQ71", std::string("-c# -w+")}});
  EXPECT_EQ(last_.code, 0) << last_.out;
  std::vector<std::string> lines = lines_of(read_file(dir_ / "t.lst"));
  ASSERT_GE(lines.size(), 14u);
  EXPECT_EQ(lines[10], "#           Command line  =  [-c# -w+] t -l t.lst -f opts.xcl (-S)            #");
  EXPECT_EQ(lines[11], "#                            -DLONGNAMESYMBOL=1234567890                      #");
  EXPECT_EQ(lines[12], "#                            -DANOTHER_SYMBOL_VALUE=xyzxyzxyz -DTHIRD=3       #");
  EXPECT_EQ(lines[13], "#                                                                             #");
}

TEST_F(Listing, ErrorLinesAreListedAsTheirProblemReports) {
  std::string lst = list(" NOP\n BAD 1\n NOP\n END\n", {"-N", "-S"});
  EXPECT_EQ(last_.code, 2);
  EXPECT_EQ(last_.out, "\n BAD 1\n----^\n\"t.s71\",2  Error[40]: bad instruction\n");
  const std::string pad(33, ' ');
  EXPECT_EQ(lst, pad + " BAD 1\n" + pad + "----^\n" + pad + "\"t.s71\",2  Error[40]: bad instruction\n\n\n" +
                     "      1    00000000 0000          NOP\n" + pad + " BAD 1\n" + pad + "----^\n" + pad +
                     "\"t.s71\",2  Error[40]: bad instruction\n" +
                     "      3    00000002 0000          NOP\n"
                     "      4    00000004               END\n"
                     "##############################\n"
                     "#        Errors:   1         #\n"
                     "#        Warnings: 0         #\n"
                     "#          Bytes: 4          #\n"
                     "##############################\n\n\n\n\f");
}

// The studio takes the first listing line holding "__Pos" and the two lines after it: the echo of
// the failing line, its caret line and the message, none of them broken at the listing width.
TEST_F(Listing, StudioReadsTheWholeEchoOfAFailingGeneratedLine) {
  std::string generated = "        LDI R3,1                                      ; __Pos 0003 0011";
  std::string lst = list(" NOP\n" + generated + "\n END\n", {"-S"});
  std::vector<std::string> lines = lines_of(lst);
  std::size_t at = 0;
  while (at < lines.size() && lines[at].find("__Pos") == std::string::npos) ++at;
  ASSERT_LT(at + 2, lines.size()) << lst;
  EXPECT_EQ(lines[at], std::string(33, ' ') + generated);
  std::string caret = lines[at + 1].substr(33);
  ASSERT_FALSE(caret.empty());
  EXPECT_EQ(caret.find_first_not_of('-'), caret.size() - 1);
  EXPECT_EQ(caret.back(), '^');
  EXPECT_EQ(lines[at + 2],
            std::string(33, ' ') + "\"t.s71\",2  Error[406]: Register not valid. Use register R16 - R31 here");
  // The marker's fields as the studio reads them.
  std::size_t p = lines[at].find("__Pos");
  EXPECT_EQ(lines[at].substr(p + 6, 4), "0003");
  EXPECT_EQ(lines[at].substr(p + 11, 4), "0011");
}

TEST_F(Listing, CodeFieldsShowBytesLinkerFieldsAndMoreCode) {
  std::string lst = list(
      " EXTERN ext\n"
      " RSEG CODE\n"
      "entry: RCALL ext\n"
      " CALL 0x1234\n"
      " CALL entry\n"
      " DB 1,2,3,4,5,6,7\n"
      " LSTCOD+\n"
      " DB 1,2,3,4,5,6,7,8,9,10,11,12,13\n"
      " END\n",
      {"-N", "-S"});
  EXPECT_EQ(last_.code, 0) << last_.out;
  EXPECT_EQ(lst,
            "      1    00000000               EXTERN ext\n"
            "      2    00000000               RSEG CODE\n"
            "      3    00000000 ....         entry: RCALL ext\n"
            "      4    00000002 0E941A09      CALL 0x1234\n"
            "      5    00000006 ........      CALL entry\n"
            "      6    0000000A 010203040506* DB 1,2,3,4,5,6,7\n"
            "      7    00000011               LSTCOD+\n"
            "      8    00000011 010203040506  DB 1,2,3,4,5,6,7,8,9,10,11,12,13\n"
            "                    0708090A0B0C\n"
            "                    0D\n"
            "      9    0000001E               END\n"
            "##############################\n" +
                crc_line(lst) +
                "#        Errors:   0         #\n"
                "#        Warnings: 0         #\n"
                "#         Bytes: 30          #\n"
                "##############################\n\n\n\n\f");
  // -cO lists every byte from the start.
  write_file(dir_ / "t.s71", " DB 1,2,3,4,5,6,7\n END\n");
  last_ = run_aq71(dir_, {"t", "-c#O", "-l", "t.lst", "-N", "-S"});
  lst = read_file(dir_ / "t.lst");
  EXPECT_NE(lst.find("      1    00000000 010203040506  DB 1,2,3,4,5,6,7\n                    07\n"), std::string::npos)
      << lst;
}

TEST_F(Listing, ListingDirectivesAndWidth) {
  // LSTOUT- hides the lines after it (itself included), LSTOUT+ shows them again from the next.
  std::string lst = list(" NOP\n LSTOUT-\n NOP\n LSTOUT+\n NOP\n END\n", {"-N", "-S"});
  std::vector<std::string> lines = lines_of(lst);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[1], "      2    00000002               LSTOUT-");
  EXPECT_EQ(lines[2], "      5    00000004 0000          NOP");
  // A sign must follow.
  list(" LSTEXP\n NOP\n END\n", {"-S"});
  EXPECT_NE(last_.out.find("Error[61]: '+' or '-' expected"), std::string::npos) << last_.out;
  // A long comment is broken before the word that would pass the width (79), and continues
  // under the comment.
  std::string comment = "; " + std::string(30, 'a') + " " + std::string(20, 'b') + " " + std::string(10, 'c');
  lst = list(" NOP " + comment + "\n END\n", {"-N", "-S"});
  lines = lines_of(lst);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "      1    00000000 0000          NOP ; " + std::string(30, 'a'));
  EXPECT_EQ(lines[1], std::string(38, ' ') + " " + std::string(20, 'b') + " " + std::string(10, 'c'));
  // A line that ends in the last column stays whole, even with a blank in its last ten; one
  // column more breaks it before its last word.
  const std::string head = "      1    00000000 0000          NOP ; " + std::string(30, 'a');
  for (int more : {0, 1}) {
    const std::string tail = " " + std::string(static_cast<std::size_t>(8 + more), 'b');
    lines = lines_of(list(" NOP ; " + std::string(30, 'a') + tail + "\n END\n", {"-N", "-S"}));
    ASSERT_GE(lines.size(), 2u);
    if (more == 0) {
      EXPECT_EQ(lines[0], head + tail);
      EXPECT_EQ(lines[0].size(), 79u);
    } else {
      EXPECT_EQ(lines[0], head);
      EXPECT_EQ(lines[1], std::string(38, ' ') + tail);
    }
  }
  // COL 200 is taken as 132: the long line stays whole and the header box widens to 99.
  lst = list(" COL 200\n NOP " + comment + "\n END\n", {"-S"});
  lines = lines_of(lst);
  EXPECT_EQ(lines[0], std::string(99, '#'));
  EXPECT_NE(lst.find(" NOP " + comment + "\n"), std::string::npos);
}

TEST_F(Listing, PagesCarryHeadersFromPageTwo) {
  std::string source;
  for (int i = 0; i < 30; ++i) source += " NOP\n";
  source += " END\n";
  std::string lst = list(source, {"-N", "-S", "-p20"});
  std::string header = "\f" + std::string(48, ' ') + "- t -";
  header += std::string(93 - header.size(), ' ') + "Page    2\n\n";
  std::size_t at = lst.find('\f');
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(lst.substr(at, header.size()), header);
  // 20 lines on the first page, then 2 header lines and 18 listed lines on the next.
  EXPECT_EQ(lines_of(lst.substr(0, at)).size(), 20u);
  EXPECT_NE(lst.find("Page    3\n\n"), std::string::npos);
  // PAGSIZ 5 is taken as 10 lines; PAGE starts a page at once.
  lst = list(" PAGSIZ 5\n NOP\n PAGE\n NOP\n END\n", {"-N", "-S"});
  std::vector<std::string> lines = lines_of(lst);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[2].substr(0, 1), "\f");
  EXPECT_NE(lines[2].find("Page    2"), std::string::npos);
  EXPECT_EQ(lines[4], "      4    00000002 0000          NOP");
  // LSTPAG- stops paging.
  lst = list(" LSTPAG-\n" + source, {"-N", "-S", "-p10"});
  EXPECT_EQ(lst.find("Page"), std::string::npos);
}

TEST_F(Listing, ReportBoxAndConsoleForSeveralModules) {
  std::string lst = list(" NAME one\n NOP\n ENDMOD\n NAME two\n ADD R1\n NOP\n END\n", {"-N"});
  EXPECT_EQ(last_.code, 2);
  // The module with an error has no CRC; the last one carries the run totals.
  std::size_t second = lst.find("NAME two");
  ASSERT_NE(second, std::string::npos);
  EXPECT_NE(lst.substr(0, second).find("CRC:"), std::string::npos);
  EXPECT_EQ(lst.find("CRC:", second), std::string::npos);
  EXPECT_NE(lst.find("#        Errors:   1         #\n"
                     "#        Warnings: 0         #\n"
                     "#          Bytes: 2          #\n"
                     "#     Modules:        2      #\n"
                     "#     Total errors:   1      #\n"
                     "#     Total warnings: 0      #\n"),
            std::string::npos)
      << lst;
  EXPECT_NE(last_.out.find("\nErrors:   0\nWarnings: 0\nBytes: 2\n"), std::string::npos) << last_.out;
  EXPECT_NE(last_.out.find("\nErrors:   1\nWarnings: 0\nBytes: 2\n\nModules:   2\nTotal errors:   1\n"
                           "Total warnings: 0\n"),
            std::string::npos)
      << last_.out;
  // Without -l no listing is written, the console summary still is; -S silences it.
  write_file(dir_ / "u.s71", " NOP\n END\n");
  RunResult r = run_aq71(dir_, {"u", "-c#"});
  EXPECT_EQ(r.out, "QEX Systems Q71 Assembler V2.11D/DOS\n\nErrors:   0\nWarnings: 0\nBytes: 2\n");
  EXPECT_FALSE(fs::exists(dir_ / "u.lst"));
  r = run_aq71(dir_, {"u", "-c#", "-S"});
  EXPECT_EQ(r.out, "");
}

TEST_F(Listing, CrossReferenceTables) {
  std::string lst = list(" EXTERN ext\n RSEG CODE\nentry: RCALL ext\n RJMP entry\nK EQU 7\n END\n", {"-N", "-S", "-x"});
  EXPECT_EQ(last_.code, 0) << last_.out;
  EXPECT_NE(lst.find("entry                       3          4\n"), std::string::npos) << lst;
  EXPECT_NE(lst.find("Segment             Type \tMode\n" + std::string(40, '-') +
                     "\n"
                     "CODE                UNTYPED  \tREL \n"),
            std::string::npos)
      << lst;
  EXPECT_NE(
      lst.find("Label               Mode   Type                   Segment    Value/Offset\n" + std::string(78, '-') +
               "\n"
               "K                   ABS    CONST UNTYP.           ASEG       7 \n"
               "entry               REL    UNTYP.                 CODE       0 \n"
               "ext                 ABS    EXT [000] UNTYP.       __EXTERNS  Solved Extern \n"),
      std::string::npos)
      << lst;
}

// A macro call line is a source line; the lines of its expansion carry its number and a running
// count.
TEST_F(Listing, MacroExpansionLinesAreNumberedAfterTheirCall) {
  std::string lst = list("M2 MACRO\n NOP\n LDI R16,\\1\n ENDM\n NOP\n M2 5\n NOP\n END\n", {"-N", "-S"});
  std::vector<std::string> lines = lines_of(lst);
  ASSERT_GE(lines.size(), 7u) << lst;
  EXPECT_EQ(lines[1], "      5    00000000 0000          NOP");
  EXPECT_EQ(lines[2].substr(0, 33), "      6                          ");
  EXPECT_EQ(lines[3].substr(0, 24), "      6.1  00000002 0000");
  EXPECT_EQ(lines[4].substr(0, 24), "      6.2  00000004 05E0");
  EXPECT_EQ(lines[6], "      7    00000006 0000          NOP");
  // -cE leaves the expansion lines out.
  last_ = run_aq71(dir_, {"t", "-c#E", "-l", "t.lst", "-N", "-S"});
  lst = read_file(dir_ / "t.lst");
  EXPECT_EQ(lst.find("6.1"), std::string::npos) << lst;
  EXPECT_NE(lst.find("      7    00000006 0000          NOP"), std::string::npos) << lst;
}

// Expansion lines show the expanded text: the statements of a macro (nested calls too) and the
// body of every repetition of a repeat block. LSTEXP and LSTREP leave them out.
TEST_F(Listing, ExpansionLinesShowTheirOwnText) {
  const std::string source =
      "ZAP MACRO r\n CLR r\n ENDM\n"
      "SETZ MACRO a,b\n LDI a,b\n ZAP a\n ENDM\n"
      " SETZ R16,5\n"
      " REPT 2\n NOP\n ENDR\n"
      " REPTI r,R1,R2\n INC r\n ENDR\n"
      " REPTC c,\"AB\"\n DB 'c'\n ENDR\n"
      " REPT 2\n REPT 2\n SLEEP\n ENDR\n ENDR\n"
      " END\n";
  EXPECT_EQ(listed_lines(source),
            "      1    00000000              ZAP MACRO r\n"
            "      4    00000000              SETZ MACRO a,b\n"
            "      8                           SETZ R16,5\n"
            "      8.1  00000000 05E0          LDI R16,5\n"
            "      8.2                         ZAP R16\n"
            "      8.3  00000002 0027          CLR R16\n"
            "      8.4  00000004               ENDM\n"
            "      8.5  00000004               ENDM\n"
            "      9    00000004               REPT 2\n"
            "      9.1  00000004 0000          NOP\n"
            "      9.2  00000006 0000          NOP\n"
            "     12    00000008               REPTI r,R1,R2\n"
            "     12.1  00000008 1394          INC R1\n"
            "     12.2  0000000A 2394          INC R2\n"
            "     15    0000000C               REPTC c,\"AB\"\n"
            "     15.1  0000000C 41            DB 'A'\n"
            "     15.2  0000000D 42            DB 'B'\n"
            "     18    0000000E               REPT 2\n"
            "     18.1  0000000E               REPT 2\n"
            "     18.2  0000000E 8895          SLEEP\n"
            "     18.3  00000010 8895          SLEEP\n"
            "     18.4  00000012               REPT 2\n"
            "     18.5  00000012 8895          SLEEP\n"
            "     18.6  00000014 8895          SLEEP\n"
            "     23    00000016               END\n");
  std::string lst = list(" LSTREP-\n REPT 2\n NOP\n ENDR\n LSTREP+\n REPT 1\n SLEEP\n ENDR\n END\n", {"-N", "-S"});
  EXPECT_EQ(lst.find("NOP"), std::string::npos) << lst;
  EXPECT_NE(lst.find("      6.1  00000004 8895          SLEEP\n"), std::string::npos) << lst;
  lst = list("M MACRO\n NOP\n ENDM\n LSTEXP-\n M\n LSTEXP+\n M\n END\n", {"-N", "-S"});
  EXPECT_EQ(lst.find("      5."), std::string::npos) << lst;
  EXPECT_NE(lst.find("      7.1  00000002 0000          NOP\n"), std::string::npos) << lst;
}

// Lines after a nest of repeat blocks, after a block left by EXITM and after a later block are
// plain source lines again, numbered by the source.
TEST_F(Listing, LinesAfterNestedRepeatBlocks) {
  const std::string nest = " REPT 2\n REPT 2\n NOP\n ENDR\n ENDR\n SLEEP\n";
  EXPECT_EQ(listed_lines(nest + nest + "Q MACRO\n REPT 3\n INC R1\n EXITM\n ENDR\n ENDM\n Q\n REPT 2\n WDR\n ENDR\n CLR R2\n END\n"),
            "      1    00000000               REPT 2\n"
            "      1.1  00000000               REPT 2\n"
            "      1.2  00000000 0000          NOP\n"
            "      1.3  00000002 0000          NOP\n"
            "      1.4  00000004               REPT 2\n"
            "      1.5  00000004 0000          NOP\n"
            "      1.6  00000006 0000          NOP\n"
            "      6    00000008 8895          SLEEP\n"
            "      7    0000000A               REPT 2\n"
            "      7.1  0000000A               REPT 2\n"
            "      7.2  0000000A 0000          NOP\n"
            "      7.3  0000000C 0000          NOP\n"
            "      7.4  0000000E               REPT 2\n"
            "      7.5  0000000E 0000          NOP\n"
            "      7.6  00000010 0000          NOP\n"
            "     12    00000012 8895          SLEEP\n"
            "     13    00000014              Q MACRO\n"
            "     19                           Q\n"
            "     19.1  00000014               REPT 3\n"
            "     19.2  00000014 1394          INC R1\n"
            "     19.3  00000016               EXITM\n"
            "     19.4  00000016               ENDM\n"
            "     20    00000016               REPT 2\n"
            "     20.1  00000016 A895          WDR\n"
            "     20.2  00000018 A895          WDR\n"
            "     23    0000001A 2224          CLR R2\n"
            "     24    0000001C               END\n");
}

// Macro definition lines are listed with LSTMAC+ or -cM.
TEST_F(Listing, MacroDefinitionLinesWithLstmac) {
  const std::string body = "M MACRO a\n LDI R16,a\n ENDM\n M 1\n END\n";
  std::string lst = list(body, {"-N", "-S"});
  EXPECT_EQ(lst.find("      2 "), std::string::npos) << lst;
  const std::string defined =
      "      2                           LDI R16,a\n"
      "      3                           ENDM\n";
  write_file(dir_ / "t.s71", body);
  last_ = run_aq71(dir_, {"t", "-c#M", "-l", "t.lst", "-N", "-S"});
  lst = read_file(dir_ / "t.lst");
  EXPECT_NE(lst.find(defined), std::string::npos) << lst;
  lst = list(" LSTMAC+\n" + body, {"-N", "-S"});
  EXPECT_NE(lst.find("      3                           LDI R16,a\n"
                     "      4                           ENDM\n"),
            std::string::npos)
      << lst;
}

// -xD lists every #define with its line and the lines that used it; -x2 doubles every line end
// of the cross reference; included lines name their file.
TEST_F(Listing, CrossReferenceDefinesIncludesAndDualSpacing) {
  write_file(dir_ / "inc.s71", " RJMP lab\n LDI R16,AA\n");
  const std::string source =
      "#define AA 5\n#define BB(x) x\n#define CC 7\nlab: NOP\n LDI R17,AA\n"
      "$inc.s71\n RJMP lab\n END\n";
  std::string lst = list(source, {"-N", "-S", "-xD"});
  EXPECT_NE(lst.find("AA                   #define, value: 5, line:         1          5      2:1\n"),
            std::string::npos)
      << lst;
  EXPECT_NE(lst.find("BB                   #define,            line:         2  \n"), std::string::npos) << lst;
  EXPECT_NE(lst.find("CC                   #define, value: 7, line:         3  \n"), std::string::npos) << lst;
  EXPECT_NE(lst.find("__DATE__             #define,            line: \n"), std::string::npos) << lst;
  EXPECT_NE(lst.find("lab                         4        1:1        7\n"), std::string::npos) << lst;
  lst = list(source, {"-N", "-S", "-xD2"});
  EXPECT_NE(lst.find("CC                   #define, value: 7, line:         3  \n\n"), std::string::npos) << lst;
  EXPECT_NE(lst.find("Segment             Type \tMode\n\n" + std::string(40, '-') + "\n\n"), std::string::npos) << lst;
  EXPECT_NE(lst.find("Label               Mode   Type                   Segment    Value/Offset\n\n" +
                     std::string(78, '-') + "\n\n"),
            std::string::npos)
      << lst;
  // Without D no #define is listed.
  lst = list(source, {"-N", "-S", "-x"});
  EXPECT_EQ(lst.find("#define"), std::string::npos) << lst;
}

// __DATE__ and __TIME__ follow the fixed date of -c#.
TEST_F(Listing, PredefinedDateAndTimeFollowTheFixedDate) {
  write_file(dir_ / "t.s71", " DB __DATE__\n DB __TIME__\n END\n");
  last_ = run_aq71(dir_, {"t", "-c#O", "-l", "t.lst", "-N", "-S"});
  std::string lst = read_file(dir_ / "t.lst");
  EXPECT_EQ(last_.code, 0) << last_.out;
  // "Nov 28 1990" and "13:37:00".
  EXPECT_NE(lst.find("00000000 4E6F76203238  DB __DATE__\n                    2031393930\n"), std::string::npos) << lst;
  EXPECT_NE(lst.find("0000000B 31333A33373A  DB __TIME__\n                    3030\n"), std::string::npos) << lst;
}

// Lines of a false branch are listed without address and code, each once; -cA (LSTCND+) lists
// only the assembled part.
TEST_F(Listing, FalseBranchLinesUnlessOnlyTheAssembledPart) {
  const std::string source = " IF 0\n NOP\n ELSE\n LDI R17,2\n ENDIF\n IF 1\n NOP\n ELSE\n CALL 0\n ENDIF\n END\n";
  std::string lst = list(source, {"-N", "-S"});
  std::string body = lst.substr(0, lst.find("####"));
  EXPECT_EQ(body,
            "      1    00000000               IF 0\n"
            "      2                           NOP\n"
            "      3    00000000               ELSE\n"
            "      4    00000000 12E0          LDI R17,2\n"
            "      5    00000002               ENDIF\n"
            "      6    00000002               IF 1\n"
            "      7    00000002 0000          NOP\n"
            "      8    00000004               ELSE\n"
            "      9                           CALL 0\n"
            "     10    00000004               ENDIF\n"
            "     11    00000004               END\n");
  last_ = run_aq71(dir_, {"t", "-c#A", "-l", "t.lst", "-N", "-S"});
  lst = read_file(dir_ / "t.lst");
  EXPECT_EQ(lst.find("      2 "), std::string::npos) << lst;
  EXPECT_EQ(lst.find("CALL 0"), std::string::npos) << lst;
  EXPECT_NE(lst.find("      4    00000000 12E0          LDI R17,2\n"), std::string::npos) << lst;
  lst = list(" LSTCND+\n" + source, {"-N", "-S"});
  EXPECT_EQ(lst.find("CALL 0"), std::string::npos) << lst;
}

TEST_F(Listing, IncludedLinesOnlyWithOptionI) {
  write_file(dir_ / "inc.s71", " LDI R17,2\n");
  std::string lst = list(" NOP\n$inc.s71\n END\n", {"-N", "-S"});
  EXPECT_EQ(lst.find("LDI R17,2"), std::string::npos) << lst;
  lst = list(" NOP\n$inc.s71\n END\n", {"-N", "-S", "-i"});
  EXPECT_NE(lst.find("      1    00000002 12E0          LDI R17,2\n"), std::string::npos) << lst;
}

// A fatal stop ends the run before the module is listed: what was reported so far still reaches
// the list file.
TEST_F(Listing, FatalStopLeavesItsReportInTheListing) {
  std::string lst = list(" NOP\n$missing.s71\n NOP\n END\n", {"-N", "-S"});
  EXPECT_EQ(last_.code, 3);
  const std::string pad(33, ' ');
  EXPECT_EQ(lst, pad + "$missing.s71\n" + pad + "------------^\n" + pad +
                     "\"t.s71\",2  Error[2]: Failed to open #include file 'missing.s71'\n" + pad + "\n" + pad +
                     "Fatal!\a Execution terminated...\n");
}

// Random sources of listing directives, instructions, data and long comments under random
// listing options: the run ends with an exit code, never a crash, and a listing is written.
TEST_F(Listing, RandomListingDirectivesAndOptions) {
  std::mt19937 rng(20261208);
  const std::vector<std::string> pieces = {" LSTOUT-",
                                           " LSTOUT+",
                                           " LSTCOD+",
                                           " LSTCOD-",
                                           " LSTEXP",
                                           " LSTXRF+",
                                           " LSTPAG-",
                                           " LSTPAG+",
                                           " LSTREP-",
                                           " LSTCND+",
                                           " PAGSIZ 0",
                                           " PAGSIZ 12",
                                           " PAGSIZ -5",
                                           " PAGSIZ undefined_x",
                                           " COL 10",
                                           " COL 132",
                                           " COL 90",
                                           " PAGE",
                                           " PAGE 3",
                                           " NOP",
                                           " LDI R16,7",
                                           " BAD",
                                           " DB 1,2,3,4,5,6,7,8,9",
                                           " DW lab",
                                           " DS 3",
                                           "lab: RJMP lab",
                                           " ALIGN 1",
                                           " NOP ; " + std::string(120, 'x'),
                                           " NOP ;" + std::string(40, ' ') + "a b c d e f g h i j k",
                                           "\t\tDB \"a b c d e f g h i j k l m n o p q r s t u v w x y z\"",
                                           "; comment",
                                           ""};
  const std::vector<std::string> options = {"-x", "-xI",  "-xD2", "-p10", "-p150", "-i",
                                            "-N", "-c#O", "-c#C", "-c#E", "-c#D"};
  for (int round = 0; round < 60; ++round) {
    std::string source;
    int n = 1 + static_cast<int>(rng() % 25);
    for (int i = 0; i < n; ++i) source += pieces[rng() % pieces.size()] + "\n";
    source += rng() % 4 ? " END\n" : "";
    std::vector<std::string> extra = {"-S"};
    for (const std::string& o : options)
      if (rng() % 4 == 0 && o.rfind("-c#", 0) != 0) extra.push_back(o);
    std::string c = options[7 + rng() % 4];
    write_file(dir_ / "t.s71", source);
    std::vector<std::string> args = {"t", rng() % 2 ? c : "-c#", "-l", "t.lst"};
    args.insert(args.end(), extra.begin(), extra.end());
    RunResult r = run_aq71(dir_, args);
    EXPECT_TRUE(r.code >= 0 && r.code <= 3) << r.code << "\n" << source << r.err;
    EXPECT_EQ(r.err, "") << source;
    EXPECT_TRUE(fs::exists(dir_ / "t.lst")) << source;
  }
}

TEST(ListingUnits, MonthNames) {
  EXPECT_STREQ(aq71::month_name(1), "Jan");
  EXPECT_STREQ(aq71::month_name(11), "Nov");
  EXPECT_STREQ(aq71::month_name(12), "Dec");
  EXPECT_STREQ(aq71::month_name(0), "???");
  EXPECT_STREQ(aq71::month_name(13), "???");
}

}  // namespace
}  // namespace aq71_test
