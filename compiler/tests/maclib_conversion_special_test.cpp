// Code conversion and special-function macros: their text, their assembly and the code they give.
#include <gtest/gtest.h>

#include <algorithm>
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

TEST(MaclibConversionSpecial, MacrosInOrderWithTheirGates) {
  std::string_view text = compiler::MacroLibConversionSpecial();
  EXPECT_EQ(MacroNames(text), (std::vector<std::string>{"WBCD    ", "DWBCD   ", "WBIN    ", "DWBIN   ", "SEG     ",
                                                        "KEYSCAN ", "OUTOFF  ", "DIST    ", "UNIT    ", "DECO    ",
                                                        "ENCO    ", "THIN    ", "HCNTCLR ", "RSOUT   "}));
  for (const char* name :
       {"WBCD", "DWBCD", "WBIN", "DWBIN", "SEG", "KEYSCAN", "DIST", "UNIT", "DECO", "ENCO", "THIN", "HCNTCLR"}) {
    auto body = Body(text, name);
    ASSERT_GE(body.size(), 4u) << name;
    EXPECT_EQ(body[0].rfind("        LOCAL   ", 0), 0u) << name;
    EXPECT_NE(body[0].find("M_Q"), std::string::npos) << name;
    EXPECT_EQ(body[1], "        SBRS    NOW,7") << name;
    EXPECT_EQ(body[2], "        RJMP    M_Q") << name;
    EXPECT_EQ(body.back(), "M_Q:") << name;
  }
  auto outoff = Body(text, "OUTOFF");
  ASSERT_GE(outoff.size(), 3u);
  EXPECT_EQ(outoff[1], "        SBRC    NOW,7");
  EXPECT_EQ(outoff[2], "        RJMP    M_1");
  auto rsout = Body(text, "RSOUT");
  ASSERT_GE(rsout.size(), 4u);
  EXPECT_EQ(rsout[1], "        LDS     A,LWRD(\\1)");
  EXPECT_EQ(rsout[2], "        SBRS    NOW,7");
  EXPECT_EQ(rsout[3], "        RJMP    M_Q");
  // The private subroutines come after "RJMP M_Q".
  for (const char* name : {"WBIN", "DWBIN", "SEG", "KEYSCAN"}) {
    auto body = Body(text, name);
    size_t jump = 0, sub = 0;
    for (size_t i = 0; i < body.size(); ++i) {
      if (body[i] == "        RJMP    M_Q" && i > 2 && !jump) jump = i;
      if (body[i].rfind("M_MULA:", 0) == 0 || body[i].rfind("M_SEGT:", 0) == 0 || body[i].rfind("M_KSUB:", 0) == 0)
        sub = i;
    }
    EXPECT_GT(jump, 2u) << name;
    EXPECT_EQ(sub, jump + 1) << name;
  }
  auto thin = Body(text, "THIN");
  ASSERT_GE(thin.size(), 3u);
  EXPECT_EQ(thin[thin.size() - 3], "#define use1820 1");
  EXPECT_EQ(thin[thin.size() - 2], "        LCALL   THINSUB");
  // The library's last macro is followed by eight empty lines.
  std::string whole = compiler::MacroLibraryText();
  ASSERT_GT(whole.size(), 30u);
  EXPECT_EQ(whole.substr(whole.size() - 30), "        ENDM\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
}

TEST(MaclibConversionSpecial, AssemblesTwiceForEveryModel) {
  const std::string calls =
      " WBCD   D0,D1\n WBCD   1234,D1\n"
      " DWBCD  D0,D2\n DWBCD  2147418111,D2\n DWBCD  0,CONSTBF0\n"
      " WBIN   D0,D1\n DWBIN  D0,D2\n"
      " SEG    D0,G0\n SEG    1234H,G4\n"
      " KEYSCAN P3,6,P0,4,D0\n KEYSCAN P0,8,P2,8,D1\n KEYSCAN P1,3,P1,3,D2\n"
      " OUTOFF\n"
      " DIST   D0,D10,4\n DIST   1234H,D10,D20\n"
      " UNIT   D10,D0,4\n UNIT   D10,D0,D20\n"
      " DECO   D0,D1\n DECO   13H,D1\n"
      " ENCO   D0,D1\n ENCO   0C00H,D1\n"
      " THIN   P0,3,D0\n THIN   P2,0,D1\n THIN   P4,2,D2\n THIN   P4,6,D3\n THIN   P3,7,D4\n"
      " HCNTCLR\n"
      " RSOUT  D0\n RSOUT  M5\n";
  for (int model : {10, 2, 4, 5, 1, 3}) {
    auto run = AssembleWithLibrary(calls + calls, model);
    EXPECT_EQ(run.exit_code, 0) << "model " << model << "\n" << run.console;
    EXPECT_NE(run.console.find("Warnings: 0"), std::string::npos) << run.console;
  }
}

TEST(MaclibConversionSpecial, UnknownPortNamesAreRefusedAtAssembly) {
  for (const char* call : {" KEYSCAN P4,4,P0,4,D0\n", " KEYSCAN P0,4,M0,4,D0\n", " THIN   M0,1,D0\n"}) {
    auto run = AssembleWithLibrary(call);
    EXPECT_EQ(run.exit_code, 2) << call << run.console;
  }
}

TEST(MaclibConversionSpecial, FixedCodeWords) {
  // SEG: the pattern table for 0 to F, 7 with segment f (27H).
  // The listing shows the first six bytes of each row.
  auto seg = AssembleWithLibrary(" SEG D0,G0\n");
  EXPECT_NE(seg.listing.find(" 3F065B4F666D*"), std::string::npos) << seg.listing;
  EXPECT_NE(seg.listing.find(" 7F6F777C395E*"), std::string::npos) << seg.listing;
  auto body = Body(compiler::MacroLibConversionSpecial(), "SEG");
  EXPECT_NE(std::find(body.begin(), body.end(), "M_1:    DB      3FH,06H,5BH,4FH,66H,6DH,7DH,27H"), body.end());
  EXPECT_NE(std::find(body.begin(), body.end(), "        DB      7FH,6FH,77H,7CH,39H,5EH,79H,71H"), body.end());
  std::string words;
  // OUTOFF: SBRC NOW,7 / RJMP M_1 / CBR FLAG1,1 / RJMP M_Q / CLR A / OUT PORTD, PORTA, PORTC,
  // PORTB, PORTE / SBR FLAG1,1.
  words = maclib_test::CodeWordsHex(AssembleWithLibrary(" OUTOFF\n").listing);
  EXPECT_NE(words.find("FD07 C002 7F8E C007 2711 BB12 BB1B BB15 BB18 B913 6081 "), std::string::npos) << words;
  // HCNTCLR: CLR A / OUT TCNT1H,A / OUT TCNT1L,A.
  words = maclib_test::CodeWordsHex(AssembleWithLibrary(" HCNTCLR\n").listing);
  EXPECT_NE(words.find("FF07 C003 2711 BD1D BD1C "), std::string::npos) << words;
  // RSOUT: load before the gate, WDR, wait for UDRE (SBIS USR,5), OUT UDR,A.
  words = maclib_test::CodeWordsHex(AssembleWithLibrary(" RSOUT D0\n").listing);
  EXPECT_NE(words.find("FF07 C004 95A8 9B5D CFFE B91C "), std::string::npos) << words;
  // DWBCD: add 3 (SUBI A,-3) kept on bit 3, add 30H kept on bit 7, down to address 26.
  words = maclib_test::CodeWordsHex(AssembleWithLibrary(" DWBCD D0,D2\n").listing);
  EXPECT_NE(words.find("E1EE 9112 5F1D FD13 8310 8110 5D10 FD17 8310 31EA "), std::string::npos) << words;
  // Constant operands become immediates: WBCD 1234 loads B = D2H, C = 04H.
  words = maclib_test::CodeWordsHex(AssembleWithLibrary(" WBCD 1234,D1\n").listing);
  EXPECT_NE(words.find("ED22 E034 "), std::string::npos) << words;
  // THIN P4,2: PORTB (18H + 32) and the mask 10H << 2.
  words = maclib_test::CodeWordsHex(AssembleWithLibrary(" THIN P4,2,D0\n").listing);
  EXPECT_NE(words.find("E3A8 27BB E420 "), std::string::npos) << words;
  // KEYSCAN P3,6,P0,4: PINF + 32 into XL, PORTD + 32 into YL, 0FEH scan pattern, 4 lines.
  words = maclib_test::CodeWordsHex(AssembleWithLibrary(" KEYSCAN P3,6,P0,4,D0\n").listing);
  EXPECT_NE(words.find("E2A0 27BB E3C2 27DD 2722 EF4E E054 "), std::string::npos) << words;
}

}  // namespace
