// Display and text macros: their text, their assembly for every model and the code they give.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "compiler/macro_library.h"
#include "macro_library_support.h"

namespace {

using maclib_test::AssembleWithLibrary;

using maclib_test::MacroNames;

std::vector<std::string> Body(std::string_view text, const std::string& name) {
  return maclib_test::MacroBody(text, name);
}

TEST(MaclibDisplayText, MacrosInOrderWithGateAndLocalLabels) {
  std::string_view text = compiler::MacroLibDisplayText();
  EXPECT_EQ(MacroNames(text), (std::vector<std::string>{"LCDCLS  ", "LCDOUT  ", "SGNOUT  ", "DPSET   ", "STRING  ",
                                                        "HEX     ", "DHEX    ", "ASC     ", "DASC    "}));
  EXPECT_EQ(Body(text, "LCDCLS"), (std::vector<std::string>{"        SBRC    NOW,7", "        LCALL   LCDAREA_CLEAR"}));
  EXPECT_EQ(Body(text, "LCDOUT"), (std::vector<std::string>{"        DPSET   \\1,\\2,\\3"}));
  for (const char* name : {"DPSET", "STRING", "HEX", "DHEX", "ASC", "DASC"}) {
    auto body = Body(text, name);
    size_t local = 0;
    while (local < body.size() && body[local].rfind("        LOCAL   ", 0) != 0) ++local;
    ASSERT_LT(local + 2, body.size()) << name;
    EXPECT_NE(body[local].find("M_Q"), std::string::npos) << name;
    EXPECT_EQ(body[local + 1], "        SBRS    NOW,7") << name;
    EXPECT_EQ(body[local + 2], "        RJMP    M_Q") << name;
    EXPECT_EQ(body.back(), "M_Q:") << name;
  }
  auto dpset = Body(text, "DPSET");
  ASSERT_GE(dpset.size(), 3u);
  EXPECT_EQ(dpset[0][0], ';');
  EXPECT_EQ(dpset[1], "#define usedp   1");
  EXPECT_EQ(dpset[2], "        LOCAL   M_Q");
  EXPECT_EQ(Body(text, "ASC")[0], "        LOCAL   M_1,M_2,M_3,M_Q,M_ASC");
  EXPECT_EQ(Body(text, "DASC")[0], "        LOCAL   M_1,M_2,M_3,M_Q,M_ASC");
}

// Every macro with constant and device operands, twice in one program, for every model code.
TEST(MaclibDisplayText, AssemblesTwiceForEveryModel) {
  const std::string calls =
      " LCDCLS P0\n"
      " LCDOUT P0,1,0\n LCDOUT P0,5,2\n LCDOUT P1,7,1\n LCDOUT P2,0,10\n"
      " SGNOUT P0,4,1\n SGNOUT P2,3,2\n"
      " DPSET  P0,0,0\n"
      " STRING CH0,\"ABC\"\n STRING CH4,\"Z 9\"\n"
      " HEX    T0,CH0\n DHEX   D0,CH0\n"
      " ASC    D0,CH0,5\n ASC    12345,CH0,3\n ASC    7,CH0,7\n ASC    D2,CH0,1\n"
      " DASC   D0,CH0,8\n DASC   2147418111,CH0,10\n DASC   0,CH0,1\n DASC   D4,CH2,4\n";
  for (int model : {10, 2, 4, 5, 1, 3}) {
    auto run = AssembleWithLibrary(calls + calls, model);
    EXPECT_EQ(run.exit_code, 0) << "model " << model << "\n" << run.console;
    EXPECT_NE(run.console.find("Warnings: 0"), std::string::npos) << run.console;
  }
  // The ports that only some models have.
  for (int model : {1, 3}) {
    auto run = AssembleWithLibrary(" LCDOUT P3,7,0\n LCDOUT P4,0,0\n LCDOUT P4,7,0\n", model);
    EXPECT_EQ(run.exit_code, 0) << "model " << model << "\n" << run.console;
  }
  auto run = AssembleWithLibrary(" LCDOUT P3,5,0\n", 10);
  EXPECT_EQ(run.exit_code, 0) << run.console;
}

// The port register (data address = I/O address + 32) and the pin mask that DPSET records.
TEST(MaclibDisplayText, DpsetRecordsPortAndMaskOfTheModel) {
  // Gate, DPSEQ test and start, mode: SBRS NOW,7 / RJMP / TST DPSEQ / BRNE / CLR / INC / LDI A,0.
  auto words = maclib_test::CodeWordsHex(AssembleWithLibrary(" LCDOUT P4,2,0\n", 1).listing);
  EXPECT_NE(words.find("FF07 C00F 2022 F469 2422 9423 E010 2E31 "), std::string::npos) << words;
  // ZQV-E: P4 bit 2 is PORTB (18H + 32) with the pin four places higher (40H).
  EXPECT_NE(words.find("E318 2E41 E410 2E51 "), std::string::npos) << words;
  // P4 bit 5 is PORTE (03H + 32), the pin itself (20H).
  words = maclib_test::CodeWordsHex(AssembleWithLibrary(" LCDOUT P4,5,0\n", 3).listing);
  EXPECT_NE(words.find("E213 2E41 E210 2E51 "), std::string::npos) << words;
  // ZQV-A: P3 bit 1 is PORTD (12H + 32) with the pin two places higher (08H).
  words = maclib_test::CodeWordsHex(AssembleWithLibrary(" LCDOUT P3,1,0\n", 10).listing);
  EXPECT_NE(words.find("E312 2E41 E018 2E51 "), std::string::npos) << words;
  // ZQV-A and ZQV-B/C: P0 bits 0-3 on PORTB, bits 4-7 on PORTD.
  for (int model : {10, 2, 4}) {
    words = maclib_test::CodeWordsHex(AssembleWithLibrary(" LCDOUT P0,3,0\n LCDOUT P0,6,0\n", model).listing);
    EXPECT_NE(words.find("E318 2E41 E018 2E51 "), std::string::npos) << model << words;
    EXPECT_NE(words.find("E312 2E41 E410 2E51 "), std::string::npos) << model << words;
  }
  // SGNOUT: mode 9 + number of modules.
  words = maclib_test::CodeWordsHex(AssembleWithLibrary(" SGNOUT P1,0,1\n SGNOUT P1,0,2\n", 2).listing);
  EXPECT_NE(words.find("E01A 2E31 "), std::string::npos) << words;
  EXPECT_NE(words.find("E01B 2E31 "), std::string::npos) << words;
  EXPECT_NE(words.find("E315 2E41 E011 2E51 "), std::string::npos) << words;  // PORTC, pin 0
}

// Where the model has no such port, the transmission is not started (DPSEQ back to 0) and
// DPPORT and DPBIT are left alone.
TEST(MaclibDisplayText, DpsetWithoutPortStartsNothing) {
  struct Case {
    int model;
    const char* call;
  };
  for (const Case& c : {Case{5, " LCDOUT P0,1,0\n"}, Case{2, " LCDOUT P3,1,0\n"}, Case{4, " LCDOUT P4,1,0\n"},
                        Case{10, " LCDOUT P4,1,0\n"}, Case{1, " LCDOUT M0,1,0\n"}}) {
    auto run = AssembleWithLibrary(c.call, c.model);
    EXPECT_EQ(run.exit_code, 0) << c.model << c.call << run.console;
    std::string words = maclib_test::CodeWordsHex(run.listing);
    // CLR DPSEQ, then an RJMP that jumps over every remaining word to the macro's end.
    size_t clr = words.find("2422 C");
    ASSERT_NE(clr, std::string::npos) << c.model << c.call << words;
    unsigned offset = std::stoul(words.substr(clr + 6, 3), nullptr, 16);
    EXPECT_EQ(offset * 5, words.size() - (clr + 10)) << c.model << c.call << words;
  }
}

TEST(MaclibDisplayText, TextMacrosGiveTheirCharactersAndDigits) {
  // STRING: LDI A,'A' / ST X+,A per character.
  auto words = maclib_test::CodeWordsHex(AssembleWithLibrary(" STRING CH0,\"AB\"\n").listing);
  EXPECT_NE(words.find("E411 931D E412 931D "), std::string::npos) << words;
  // ASC with width 7: two blanks counted down in C, then the five digits.
  words = maclib_test::CodeWordsHex(AssembleWithLibrary(" ASC 12345,CH0,7\n").listing);
  EXPECT_NE(words.find("E330 E329 "), std::string::npos) << words;  // C:B = 3039H
  EXPECT_NE(words.find("E032 E210 931D 953A F7E9 2722 "), std::string::npos) << words;
  // Width 3 writes no blanks and only the last three digits (no MOV A,F).
  words = maclib_test::CodeWordsHex(AssembleWithLibrary(" ASC 12345,CH0,3\n").listing);
  EXPECT_EQ(words.find("E210 931D"), std::string::npos) << words;
  EXPECT_EQ(words.find("2F16"), std::string::npos) << words;
  // DASC with width 10: two blanks, then the highest digit of CONSTBF0.
  words = maclib_test::CodeWordsHex(AssembleWithLibrary(" DASC D0,CH0,10\n").listing);
  EXPECT_NE(words.find("E032 E210 931D 953A F7E9 2722 9110 "), std::string::npos) << words;
}

}  // namespace
