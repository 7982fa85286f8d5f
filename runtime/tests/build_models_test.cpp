// Every model code builds a ladder that uses every instruction family with the real batch,
// aq71 and zqlink, into a HEX file and image of the promised shape, and the image runs.

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "ladder_builder_support.h"
#include "link/hex_image.h"
#include "runtime_support.h"

using namespace runtime_test;
using namespace ladder_test;
using plclink::AutoOutcome;

namespace {

std::vector<std::string> BoxRow(const std::string& contact, const std::string& box) {
  std::vector<std::string> row{contact};
  for (int c = 1; c <= 8; ++c) row.push_back("-");
  row.push_back("[" + box + "]");
  return row;
}

// Contacts, edges, NOT, compares, coils, set/reset, master control, steps, timers,
// counters, data, arithmetic, logic, rotate, shift, conversion, display, jumps and a
// subroutine. Instructions that wait on hardware stand behind M9:7, which stays off.
int FamilyLadder(compiler::ProgramDocument& doc) {
  int r = 0;
  Rung(doc, r++, {"P0:0"}, "M0:0");
  Rung(doc, r++, {"P0:1", "/P0:2", "^M1:0", "%M1:1", "!"}, "M0:1");
  Rung(doc, r++, {"D>=,D0,10", "<>,D1,D2", "=,D4,5"}, "M0:2");
  Rung(doc, r++, {"T0", "C0", "S1:2"}, "M0:3");
  SetRow(doc, r++, BoxRow("P0:4", "SETOUT M0:4"));
  SetRow(doc, r++, BoxRow("P0:5", "RSTOUT M0:4"));
  SetRow(doc, r++, BoxRow("P0:6", "MCS 0"));
  Rung(doc, r++, {"P0:7"}, "M0:5");
  SetRow(doc, r++, BoxRow("P0:0", "MCSCLR 0"));
  SetRow(doc, r++, BoxRow("P0:1", "STEPSET S1, 2"));
  SetRow(doc, r++, BoxRow("P0:2", "STEPOUT S2, 1"));
  SetRow(doc, r++, BoxRow("P0:0", "TON T0, 10"));
  SetRow(doc, r++, BoxRow("P0:1", "TOFF T1, D3"));
  SetRow(doc, r++, BoxRow("P0:2", "TAON T2, 5"));
  SetRow(doc, r++, BoxRow("P0:3", "TAOFF T3, 5"));
  std::vector<std::string> counter{"P0:4", "-", "-", "-", "-", "-", "-", "-", "-", "{CTU C0, 5}"};
  SetRow(doc, r++, counter);
  SetRow(doc, r++, {"P0:5", "-", "-", "-", "-", "-", "-", "-", "-"});
  counter.back() = "{CTD C1, D5}";
  SetRow(doc, r++, counter);
  SetRow(doc, r++, {"P0:6", "-", "-", "-", "-", "-", "-", "-", "-"});
  for (const char* box :
       {"WMOV D0, D1",      "DWMOV D0, D6",    "FMOV 0, D10, 4",   "WXCHG D1, D2",     "WINC D8",
        "WADD D0, 1, D2",   "WSUB D0, D1, D3", "WMUL D0, 3, D12",  "WDIV D12, 2, D14", "DWADD D0, D2, D16",
        "WAND D0, D1, D18", "WOR D0, D1, D19", "BXOR M0, M1, M2",  "WROL D20",         "DWRCR D20",
        "WSHL D10, D12",    "BSHR M2, 3",      "WBCD D0, D21",     "WBIN D21, D22",    "SEG D0, G0",
        "DECO D0, D23",     "ENCO D23, D24",   "DIST D0, D25, 4",  "LCDCLS",           "STRING CH0, ABC",
        "HEX D0, CH4",      "ASC D0, CH8, 5",  "DASC D0, CH16, 8", "GOTO LBL1",        "WINC D9",
        "LABEL LBL1",       "CALLS SUB1"})
    SetRow(doc, r++, BoxRow("F0:1", box));
  for (const char* box :
       {"OUTOFF", "DPSET P2, 3, 0", "KEYSCAN P0, 4, P2, 4, D26", "THIN P2:3, D27", "HCNTCLR", "RSOUT D0"})
    SetRow(doc, r++, BoxRow("M9:7", box));
  SetRow(doc, r++, BoxRow("F0:1", "ENDMAIN"));
  SetRow(doc, r++, BoxRow("F0:1", "SBRT SUB1"));
  SetRow(doc, r++, BoxRow("F0:1", "WINC D29"));
  EndRung(doc, r);
  return r;
}

// Intel HEX of type 00 only, addresses from 0 without gaps, ended by a count-0 record.
void ExpectPlainHex(const std::string& hex) {
  std::istringstream in(hex);
  std::string line;
  unsigned next = 0;
  bool ended = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ASSERT_FALSE(ended) << "text after the end record";
    ASSERT_GE(line.size(), 11u) << line;
    const unsigned count = std::stoul(line.substr(1, 2), nullptr, 16);
    const unsigned address = std::stoul(line.substr(3, 4), nullptr, 16);
    const unsigned type = std::stoul(line.substr(7, 2), nullptr, 16);
    if (count == 0) {
      ended = true;
      continue;
    }
    EXPECT_EQ(type, 0u) << line;
    EXPECT_EQ(address, next & 0xFFFF) << line;
    next += count;
  }
  EXPECT_TRUE(ended);
}

std::string Disassemble(const std::vector<uint8_t>& program, const std::filesystem::path& folder) {
  const auto bin = folder / "program.bin";
  std::FILE* f = std::fopen(bin.c_str(), "wb");
  std::fwrite(program.data(), 1, program.size(), f);
  std::fclose(f);
  const std::string command = "avr-objdump -D -b binary -m avr:51 '" + bin.string() + "' 2>&1";
  std::string out;
  if (std::FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

class EveryModel : public ::testing::TestWithParam<int> {};

TEST_P(EveryModel, BuildsEveryInstructionFamilyIntoAnImageThatRuns) {
  {
    const int model = GetParam();
    BuiltStudio b;
    b.studio->doc.Setup.PlcModel = int16_t(model);
    InputsOnP0P1(*b.studio);
    FamilyLadder(b.studio->doc);
    ASSERT_EQ(b.Build(), AutoOutcome::ImageReady) << (b.sink.shown.empty() ? "" : b.sink.shown[0].text);
    EXPECT_TRUE(b.sink.shown.empty());
    EXPECT_TRUE(b.studio->build.CompileInfo);
    ExpectPlainHex(b.ReadOutput("ZQOUT.HEX"));

    const std::vector<uint8_t> program = b.Program();
    ASSERT_GT(program.size(), 64u);
    EXPECT_EQ(program.size() % 2, 0u);
    EXPECT_EQ(int(program.size()), b.studio->build.RomSize);
    const std::string image = b.ReadOutput("ZQVREM.$$$");
    EXPECT_EQ(image.substr(program.size()), "\xFF\xFF");

    const std::string listing = b.ReadOutput(model > 9 ? "ZQCORE2.LST" : "ZQCORE3.LST");
    EXPECT_EQ(listing.find("__Pos"), std::string::npos);
    EXPECT_TRUE(std::regex_search(listing, std::regex(R"(Errors:\s+0\b)")))
        << listing.substr(listing.size() > 400 ? listing.size() - 400 : 0);

    const std::string code = Disassemble(program, b.folder);
    EXPECT_NE(code.find("jmp"), std::string::npos) << code.substr(0, 400);
    EXPECT_EQ(code.find("????"), std::string::npos);
    EXPECT_EQ(code.find(".word"), std::string::npos);

    zqvsim::AvrMachine m;
    ASSERT_TRUE(m.Load(program)) << m.Error();
    ASSERT_TRUE(m.RunScans(3)) << m.Error();
    EXPECT_FALSE(BitOf(m, "M0:0", model));
    m.SetInput(0, 0, true);
    ASSERT_TRUE(m.RunScans(2)) << m.Error();
    EXPECT_TRUE(BitOf(m, "M0:0", model));
    EXPECT_EQ(WordOf(m, "D", 29, model), WordOf(m, "D", 8, model));  // the subroutine ran each scan
    EXPECT_EQ(WordOf(m, "D", 9, model), 0);                          // jumped over
    EXPECT_EQ(m.ReadDevice(uint32_t(MapStart("CH", model))), 'A');
  }
}

// The HEX file holds at most 64 KiB of program: 688 rows of ten contacts and a coil fit (the
// user guide gives these figures), one row more does not, and then the linker's reason stands
// under the message.
TEST_P(EveryModel, HoldsAProgramOf64KiBAndTellsWhyALargerOneIsNotBuilt) {
  const int model = GetParam();
  const std::vector<std::string> tenContacts{"P0:0", "P0:1", "P0:2", "P0:3", "P0:4",
                                             "P0:5", "P0:6", "P0:7", "P1:0", "P1:1"};
  for (int rows : {688, 689}) {
    SCOPED_TRACE(rows);
    BuiltStudio b;
    b.studio->doc.Setup.PlcModel = int16_t(model);
    InputsOnP0P1(*b.studio);
    for (int r = 0; r < rows; ++r) Rung(b.studio->doc, r, tenContacts, "P2:0");
    EndRung(b.studio->doc, rows);
    ::testing::internal::CaptureStderr();  // the batch's lines still reach the terminal
    const AutoOutcome outcome = b.Build();
    const std::string terminal = ::testing::internal::GetCapturedStderr();
    if (rows == 688) {
      ASSERT_EQ(outcome, AutoOutcome::ImageReady) << (b.sink.shown.empty() ? "" : b.sink.shown[0].text);
      EXPECT_EQ(b.studio->build.RomSize, 786 + 688 * 94);
      EXPECT_TRUE(b.sink.shown.empty());
      continue;
    }
    EXPECT_EQ(outcome, AutoOutcome::BatchFailed);  // the batch passes on the linker's status
    EXPECT_FALSE(b.studio->build.CompileInfo);
    ASSERT_EQ(b.sink.shown.size(), 1u);
    const std::string core = model > 9 ? "ZQCORE2" : "ZQCORE3";
    const std::string reason = "zqlink: error: module \"" + core + "\" (" + core +
                               ".r71): code at 0x10000 lies beyond the 64 KiB an Intel HEX image without "
                               "address records can hold";
    EXPECT_EQ(b.sink.shown[0].text,
              "Assemble Code Error : ZQOUT.HEX\r\n\r\n" + reason + "\r\nzqlink: 1 error(s), no output written");
    EXPECT_NE(terminal.find(reason), std::string::npos) << terminal;
  }
}

INSTANTIATE_TEST_SUITE_P(Models, EveryModel, ::testing::Values(1, 2, 3, 4, 5, 10));

// The user's labels M_Q and M_1 are spelled like labels the library's macros use inside
// themselves: the user's jump and call still reach the user's labels. The written library is
// printable text.
TEST(BuildModels, UserLabelsSpelledLikeTheLibrarysOwn) {
  BuiltStudio b;
  compiler::ProgramDocument& doc = b.studio->doc;
  doc.Setup.PlcModel = 1;
  InputsOnP0P1(*b.studio);
  int r = 0;
  for (const char* box : {"GOTO M_Q", "WINC D9", "LABEL M_Q", "WINC D8", "CALLS M_1", "ENDMAIN", "SBRT M_1", "WINC D10"})
    SetRow(doc, r++, BoxRow("F0:1", box));
  EndRung(doc, r);
  ASSERT_EQ(b.Build(), AutoOutcome::ImageReady) << (b.sink.shown.empty() ? "" : b.sink.shown[0].text);
  const std::string library = b.ReadOutput("ZQ3MAC.INC");
  ASSERT_FALSE(library.empty());
  for (size_t i = 0; i < library.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(library[i]);
    ASSERT_TRUE(c >= 0x20 || c == '\r' || c == '\n') << "byte " << int(c) << " at " << i;
  }
  zqvsim::AvrMachine m;
  ASSERT_TRUE(m.Load(b.Program())) << m.Error();
  ASSERT_TRUE(m.RunScans(3)) << m.Error();
  EXPECT_EQ(WordOf(m, "D", 9, 1), 0);  // jumped over
  EXPECT_GE(WordOf(m, "D", 8, 1), 3);
  EXPECT_EQ(WordOf(m, "D", 10, 1), WordOf(m, "D", 8, 1));  // the subroutine ran each scan
}

TEST(BuildModels, AnAssemblerErrorLandsOnItsCell) {
  BuiltStudio b;
  b.studio->doc.Setup.PlcModel = 2;  // D words 0 to 31 only
  Rung(b.studio->doc, 0, {"P0:0"}, "M0:0");
  SetRow(b.studio->doc, 1, BoxRow("P0:1", "WMOV D0, D99"));
  EndRung(b.studio->doc, 2);
  b.studio->build.RomSize = 77;
  EXPECT_EQ(b.Build(), AutoOutcome::ListingError);
  // The batch ends with aq71's status: no image of this program was made.
  EXPECT_FALSE(b.studio->build.CompileInfo);
  EXPECT_EQ(b.studio->doc.CurCol, 9);
  EXPECT_EQ(b.studio->doc.CurRow, 1);
  ASSERT_EQ(b.sink.shown.size(), 1u);
  EXPECT_EQ(b.sink.shown[0].caption, "Korvane Studio COMPILE ERROR !");
  EXPECT_NE(b.sink.shown[0].text.find("WMOV D0, D99 \r\n"), std::string::npos) << b.sink.shown[0].text;
  EXPECT_FALSE(std::filesystem::exists(b.folder / "ZQOUT.HEX"));
}

TEST(BuildModels, SourceUploadAppendsTheArchiveOfTheBackup) {
  BuiltStudio b;
  b.studio->doc.Setup.UploadFlag = true;
  b.studio->doc.Setup.UploadOpt = 1;
  Rung(b.studio->doc, 0, {"P0:0"}, "M0:0");
  EndRung(b.studio->doc, 1);
  ASSERT_EQ(b.Build(), AutoOutcome::ImageReady) << (b.sink.shown.empty() ? "" : b.sink.shown[0].text);
  const std::string zip = b.ReadOutput("UPFILE.ZIP");
  ASSERT_FALSE(zip.empty());
  const std::vector<uint8_t> program = b.Program();
  const std::string image = b.ReadOutput("ZQVREM.$$$");
  const size_t z = uint8_t(image[program.size()]) | (uint8_t(image[program.size() + 1]) << 8);
  EXPECT_EQ(z, zip.size());
  EXPECT_EQ(image.substr(program.size() + 2, z), zip);
  EXPECT_EQ(b.studio->build.RomSize, int32_t(program.size() + z + (z % 2)));
  // The archive unpacks to the backup of the program.
  const std::string command = "cd '" + b.folder.string() + "' && unzip -p UPFILE.ZIP 'QSKLBK.$$$' > unzipped.bin";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(b.ReadOutput("unzipped.bin"), b.ReadOutput("QSKLBK.$$$"));
}

}  // namespace
