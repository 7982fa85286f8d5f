#include "compiler/operands.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "compiler/document.h"
#include "platform/ansi_text.h"

using namespace compiler;

TEST(Operands, WordAndBitOfDeviceTexts) {
  EXPECT_EQ(GetOperandWord("P12:3"), 12);
  EXPECT_EQ(GetOperandBit("P12:3"), 3);
  EXPECT_EQ(GetOperandBit("T5"), 0);
  EXPECT_EQ(GetOperandWord("T5"), 5);
  EXPECT_EQ(GetOperandBit("P0:12"), 12);
  EXPECT_EQ(GetOperandWord("P:1"), 0);    // no digits read as 0
  EXPECT_EQ(GetOperandWord("D1 2"), 12);  // blanks are skipped
  EXPECT_EQ(GetOperandWord("D12X"), 12);
  for (const char* no : {"X1", "P", "MOVE", "", "p0:1", " P0:1"}) {
    EXPECT_EQ(GetOperandWord(no), -1) << no;
    EXPECT_EQ(GetOperandBit(no), -1) << no;
  }
  // Numbers past 16 bits are refused rather than overflowed.
  EXPECT_EQ(GetOperandWord("D32767"), 32767);
  EXPECT_EQ(GetOperandWord("D32768"), -1);
  EXPECT_EQ(GetOperandWord("T99999999999999999999"), -1);
  EXPECT_EQ(GetOperandBit("P0:99999999999"), -1);
}

TEST(Operands, GetFieldSplitsAtBlanksAndCommas) {
  EXPECT_EQ(GetField("TON T0, 100", 1), "TON");
  EXPECT_EQ(GetField("TON T0, 100", 2), "T0");
  EXPECT_EQ(GetField("TON T0, 100", 3), " 100");
  EXPECT_EQ(GetField("TON T0, 100", 4), "");
  EXPECT_EQ(GetField("A  B", 2), " B");
  EXPECT_EQ(GetField("", 1), "");
  EXPECT_EQ(GetField("ABC", 0), "");
  EXPECT_EQ(GetField("ABC", 1), "ABC");
  // A trailing separator starts an empty field and never reads past the end.
  EXPECT_EQ(GetField("MOV ", 2), "");
  EXPECT_EQ(GetField("MOV ,", 2), ",");
  EXPECT_EQ(GetField(",", 2), "");
}

TEST(Operands, AliasLookupsBothWays) {
  auto doc = std::make_unique<ProgramDocument>();
  doc->AliasM[13] = "Pump";
  doc->AliasT[7] = "delay";
  doc->AliasP[0] = "start";
  doc->AliasK[255] = "k";
  doc->AliasC[3] = "parts";
  EXPECT_EQ(AliasToDevice(*doc, "PUMP"), "M1:5");
  EXPECT_EQ(AliasToDevice(*doc, "DELAY"), "T7");
  EXPECT_EQ(AliasToDevice(*doc, "START"), "P0:0");
  EXPECT_EQ(AliasToDevice(*doc, "K"), "K31:7");
  EXPECT_EQ(AliasToDevice(*doc, "PARTS"), "C3");
  EXPECT_EQ(AliasToDevice(*doc, "Pump"), "");  // callers pass the name upper-cased
  EXPECT_EQ(AliasToDevice(*doc, ""), "");      // the empty name names nothing

  EXPECT_EQ(GetDeviceAlias(*doc, "M1:5"), "Pump");
  EXPECT_EQ(GetDeviceAlias(*doc, "T7"), "delay");
  EXPECT_EQ(GetDeviceAlias(*doc, "C3"), "parts");
  EXPECT_EQ(GetDeviceAlias(*doc, "K31:7"), "k");
  EXPECT_EQ(GetDeviceAlias(*doc, "P0:0"), "start");
  EXPECT_EQ(GetDeviceAlias(*doc, "P16:0"), "");  // past the used range
  EXPECT_EQ(GetDeviceAlias(*doc, "M1"), "");     // no colon
  EXPECT_EQ(GetDeviceAlias(*doc, "T"), "");
  EXPECT_EQ(GetDeviceAlias(*doc, "D7"), "");
  // Negative and huge numbers stay inside the tables.
  for (const char* t : {"C-1", "T99999999999", "P99999:0", "M-1:0", "K99999999999999999999:7", "T-99999999999"})
    EXPECT_EQ(GetDeviceAlias(*doc, t), "") << t;
  // A part that is no integer counts as 0: "TON T0, 100" reads timer 0's alias.
  doc->AliasT[0] = "t0";
  EXPECT_EQ(GetDeviceAlias(*doc, "TON T0, 100"), "t0");
}

TEST(Operands, AliasUpperCaseKeepsDoubleByteCharacters) {
  // The trail byte of this character is a lower-case ASCII letter's code.
  auto ansi = platform::Utf8ToAnsi("각a");
  ASSERT_TRUE(ansi);
  auto upper = AnsiUpper(*ansi);
  EXPECT_EQ(upper.substr(0, 2), ansi->substr(0, 2));
  EXPECT_EQ(upper[2], 'A');
}

namespace {
std::string Check(std::string_view text, int cursor, int edit = 0, bool* refused = nullptr) {
  std::string msg;
  bool r = CheckInstructionOperand(text, cursor, edit, msg);
  if (refused) *refused = r;
  return r ? msg : std::string("<accepted>");
}
}  // namespace

TEST(Operands, CheckInstructionOperandTimersAndCounters) {
  EXPECT_EQ(Check("TON", kBox), "Missing Operand");
  EXPECT_EQ(Check("TON D0, 100", kBox), "Wrong Operand\"D0\"");
  EXPECT_EQ(Check("TON T0 100", kBox), "TON T0 100");
  EXPECT_EQ(Check("TAOFF T0,", kBox), "Missing Operand");
  EXPECT_EQ(Check("TON T0, 100", kBox), "<accepted>");
  EXPECT_EQ(Check("CTU T0, 5", kBox), "Wrong Operand\"T0\"");
  EXPECT_EQ(Check("CTD C1, 5", kBox), "<accepted>");
  EXPECT_EQ(Check("MCS 0", kContactNO), "<accepted>");
  EXPECT_EQ(Check("MCSCLR", kContactNO), "<accepted>");
}

TEST(Operands, CheckInstructionOperandBitRules) {
  for (int code : {kContactNO, kContactNC, kCoil, kFallingEdge, kRisingEdge}) {
    EXPECT_EQ(Check("P0", code), "Colon Not Found ") << code;
    EXPECT_EQ(Check("P0:8", code), "비트부에는 0~7사이의 숫자만 쓸수 있습니다.\r\nUse 0 ~ 7 on BIT position");
    EXPECT_EQ(Check("1P0:0", code), "Invalid Number !");
    EXPECT_EQ(Check("P:1", code), "<accepted>");
    EXPECT_EQ(Check("P0:12", code), "<accepted>");  // only the first bit character is checked
    EXPECT_EQ(Check("P0:", code), "비트부에 잘못된 문자가 있습니다. \r\nInvalid Charactor on BIT position");
    EXPECT_EQ(Check("M0:x", code), "비트부에 잘못된 문자가 있습니다. \r\nInvalid Charactor on BIT position");
    EXPECT_EQ(Check("F !", code), "Word Not Found ");
    EXPECT_EQ(Check("M100:0", code), "<accepted>");  // six characters pass unchecked
    EXPECT_EQ(Check("D0", code), "<accepted>");
    EXPECT_EQ(Check("", code), "<accepted>");
  }
  // The rules apply through the editor's last placed element too, and not otherwise.
  EXPECT_EQ(Check("P0", kEmpty, kCoil), "Colon Not Found ");
  EXPECT_EQ(Check("P0", kBox, kWire), "<accepted>");
  EXPECT_EQ(Check("1P0:0", kEmpty, 0), "<accepted>");
}

TEST(Operands, RandomTextsNeverFaultTheParsers) {
  auto doc = std::make_unique<ProgramDocument>();
  doc->AliasM[5] = "A";
  std::mt19937 rng(1234);
  const std::string alphabet = "PMKFSTCDAG0123456789:, -+xX\xB0\xA1";
  for (int i = 0; i < 5000; ++i) {
    std::string t;
    int len = rng() % 12;
    for (int k = 0; k < len; ++k) t += alphabet[rng() % alphabet.size()];
    GetOperandWord(t);
    GetOperandBit(t);
    for (int n = 0; n < 5; ++n) GetField(t, n);
    GetDeviceAlias(*doc, t);
    AliasToDevice(*doc, t);
    std::string msg;
    CheckInstructionOperand(t, rng() % 13, rng() % 13, msg);
  }
  SUCCEED();
}
