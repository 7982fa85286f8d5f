// The macro library as a whole: the file's frame, its writer, and the assembly of every macro of
// the library's index inside the core stand-in.
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "compiler/macro_library.h"
#include "macro_library_support.h"
#include "platform/ansi_text.h"
#include "platform/file_read.h"
#include "platform/message_box.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      lines.push_back(text.substr(at));  // an unterminated last line
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// Every macro of the index in file order, with a call as the translator writes it.
const std::vector<std::pair<std::string, std::string>> kIndex = {
    {"CMPSET", "EQ,D0,D1"},
    {"DCMPSET", "DEQ,D0,5"},
    {"CMPEQ", "EQ,D0,5"},
    {"DCMPEQ", "DEQ,D0,D2"},
    {"CMPNE", "NE,D0,5"},
    {"DCMPNE", "DNE,D0,D2"},
    {"CMPGT", "GT,7,D1"},
    {"DCMPGT", "DGT,D0,70000"},
    {"CMPGE", "GE,D0,5"},
    {"DCMPGE", "DGE,D0,D2"},
    {"CMPLT", "LT,D0,5"},
    {"DCMPLT", "DLT,D0,D2"},
    {"CMPLE", "LE,D0,5"},
    {"DCMPLE", "DLE,D0,D2"},
    {"LOAD", "P0,1"},
    {"LOADN", "GT,D0,D1"},
    {"IOR", "M0,2"},
    {"IORN", "K0,3"},
    {"AN", "MC0,0"},
    {"ANN", "DEQ,D0,100"},
    {"ORS", ""},
    {"ANDS", ""},
    {"SAVES", ""},
    {"RDS", ""},
    {"NT", ""},
    {"MCS", "0"},
    {"MCSCLR", "0"},
    {"SLOAD", "S0,1"},
    {"SLOADN", "S0,2"},
    {"SAN", "S1,1"},
    {"SANN", "S1,2"},
    {"SIOR", "S2,1"},
    {"SIORN", "S2,2"},
    {"STEPOUT", "S3,1"},
    {"STEPSET", "S3,2"},
    {"SETOUT", "M1,0"},
    {"RSTOUT", "M1,1"},
    {"OT", "M1,2"},
    {"TON", "T0,100"},
    {"TOFF", "T1,D0"},
    {"TAON", "T2,50"},
    {"TAOFF", "T3,50"},
    {"DF", "M2,0"},
    {"DFN", "M2,1"},
    {"CTU", "C0,10"},
    {"CTD", "C1,D0"},
    {"LCDCLS", ""},
    {"LCDOUT", "P0,1,0"},
    {"SGNOUT", "P0,2,1"},
    {"DPSET", "P0,3,0"},
    {"STRING", "CH0,ABC"},
    {"HEX", "D0,CH0"},
    {"DHEX", "D0,CH0"},
    {"ASC", "D0,CH0,5"},
    {"DASC", "D0,CH0,8"},
    {"MOVE", "M0,M1"},
    {"CMOVE", "M0,M1"},
    {"WMOV", "D0,D1"},
    {"DWMOV", "D0,D2"},
    {"WCMOV", "D0,D1"},
    {"DWCMOV", "D0,D2"},
    {"WNEG", "D0,D1"},
    {"DWNEG", "D0,D2"},
    {"WXCHG", "D0,D1"},
    {"DWXCHG", "D0,D2"},
    {"FMOV", "0,D0,4"},
    {"GMOV", "D0,D10,4"},
    {"WINC", "D0"},
    {"DWINC", "D0"},
    {"WDEC", "D0"},
    {"DWDEC", "D0"},
    {"WADD", "D0,1,D1"},
    {"DWADD", "D0,D2,D4"},
    {"WSUB", "D0,1,D1"},
    {"DWSUB", "D0,D2,D4"},
    {"WMUL", "D0,3,D2"},
    {"DWMUL", "D0,D2,D4"},
    {"WDIV", "D0,3,D2"},
    {"DWDIV", "D0,D2,D4"},
    {"BLOGICAL", "M0,M1,M2,AND"},
    {"WLOGICAL", "D0,D1,D2,OR"},
    {"DWLOGICAL", "D0,D2,D4,EOR"},
    {"BAND", "M0,M1,M2"},
    {"WAND", "D0,D1,D2"},
    {"DWAND", "D0,D2,D4"},
    {"BOR", "M0,M1,M2"},
    {"WOR", "D0,D1,D2"},
    {"DWOR", "D0,D2,D4"},
    {"BXOR", "M0,M1,M2"},
    {"WXOR", "D0,D1,D2"},
    {"DWXOR", "D0,D2,D4"},
    {"WROL", "D0"},
    {"DWROL", "D0"},
    {"WROR", "D0"},
    {"DWROR", "D0"},
    {"WRCL", "D0"},
    {"DWRCL", "D0"},
    {"WRCR", "D0"},
    {"DWRCR", "D0"},
    {"GOTO", "LBL1"},
    {"LABEL", "LBL1"},
    {"CALLS", "SUB1"},
    {"SBRT", "SUB1"},
    {"ENDMAIN", ""},
    {"LOOP", "LBL1,D9"},
    {"BSHR", "M0,3"},
    {"BSHL", "M0,3"},
    {"DBSHR", "D0,4"},
    {"DBSHL", "D0,4"},
    {"WSHR", "D0,D4"},
    {"WSHL", "D0,D4"},
    {"WBCD", "D0,D1"},
    {"DWBCD", "D0,D2"},
    {"WBIN", "D0,D1"},
    {"DWBIN", "D0,D2"},
    {"SEG", "D0,G0"},
    {"KEYSCAN", "P0,4,P1,4,D0"},
    {"OUTOFF", ""},
    {"DIST", "D0,D1,4"},
    {"UNIT", "D1,D0,4"},
    {"DECO", "D0,D1"},
    {"ENCO", "D0,D1"},
    {"THIN", "P0,3,D0"},
    {"HCNTCLR", ""},
    {"RSOUT", "M0"},
};

// The macro names the library defines, in file order.
std::vector<std::string> DefinedMacros() {
  std::vector<std::string> names;
  for (const auto& line : CrLfLines(compiler::MacroLibraryText())) {
    std::smatch m;
    static const std::regex header(R"(([A-Z0-9_]+) +MACRO\b.*)");
    if (std::regex_match(line, m, header)) names.push_back(m[1]);
  }
  return names;
}

TEST(MacroLibrary, FrameHeaderAndClosingLines) {
  std::string text = compiler::MacroLibraryText();
  EXPECT_EQ(text, compiler::MacroLibraryText()) << "the library never varies";
  ASSERT_TRUE(text.ends_with("\r\n"));
  // Every line ends with CR LF: no lone LF or CR anywhere.
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "lone LF at " << i;
    }
    if (text[i] == '\r') {
      EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "lone CR at " << i;
    }
  }
  auto lines = CrLfLines(text);
  ASSERT_GT(lines.size(), 20u);
  EXPECT_EQ(lines[0], "");
  for (int i = 1; i <= 5; ++i) EXPECT_TRUE(lines[i].starts_with("        ; ")) << lines[i];
  EXPECT_EQ(lines[6], "") << "a blank line separates the header from the first group";
  // The header is Korean in the ANSI code page and names NOW, NOW_SAVE and the NOW bit.
  auto header = platform::AnsiToUtf8(lines[1] + lines[2] + lines[5]);
  ASSERT_TRUE(header.has_value());
  EXPECT_NE(header->find("NOW 는"), std::string::npos);
  EXPECT_NE(header->find("NOW_SAVE"), std::string::npos);
  EXPECT_NE(header->find("NOW 비트"), std::string::npos);
  // Eight empty lines close the file, after the last macro's ENDM.
  ASSERT_GT(lines.size(), 9u);
  for (size_t i = lines.size() - 8; i < lines.size(); ++i) EXPECT_EQ(lines[i], "");
  EXPECT_EQ(lines[lines.size() - 9], "        ENDM");
  // The compare set-up comes first, behind the block that states the device/constant rule.
  auto names = DefinedMacros();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), "CMPSET");
  EXPECT_EQ(lines[7], "        ;");
  size_t setup = text.find("CMPSET  MACRO");
  EXPECT_NE(text.substr(0, setup).find("7FFF0000H"), std::string::npos);
}

TEST(MacroLibrary, EveryGroupIsValidInTheAnsiCodePage) {
  int index = 0;
  for (std::string_view group :
       {compiler::MacroLibCompare(), compiler::MacroLibRungLogic(), compiler::MacroLibMasterStepOutput(),
        compiler::MacroLibTimerEdgeCounter(), compiler::MacroLibDisplayText(), compiler::MacroLibDataMove(),
        compiler::MacroLibArithmetic(), compiler::MacroLibLogicRotate(), compiler::MacroLibProgramFlow(),
        compiler::MacroLibShift(), compiler::MacroLibConversionSpecial()}) {
    ++index;
    EXPECT_TRUE(platform::Utf8ToAnsi(group).has_value()) << "group " << index;
    EXPECT_FALSE(group.ends_with("\n")) << "group " << index << " ends with a line end";
    EXPECT_EQ(group.find('\r'), std::string_view::npos);
    EXPECT_EQ(group.find('\t'), std::string_view::npos);
  }
}

// ZQ3MAC.INC is read by people: text lines with no control byte but the CR LF line ends. The
// library's own labels are backquoted names with a colon, which no ladder cell can give.
TEST(MacroLibrary, WrittenLibraryIsPrintableText) {
  const std::string text = compiler::MacroLibraryText();
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r') {
      EXPECT_EQ(text.substr(i, 2), "\r\n") << "at " << i;
      continue;
    }
    if (c == '\n') {
      EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "at " << i;
      continue;
    }
    ASSERT_TRUE(c >= 0x20 && c != 0x7F) << "byte " << int(c) << " at " << i << ": "
                                        << text.substr(i > 40 ? i - 40 : 0, 80);
  }
  EXPECT_NE(text.find("        LOCAL   `M:Q`"), std::string::npos);
  EXPECT_NE(text.find("\r\n`M:Q`"), std::string::npos);
  EXPECT_EQ(std::regex_search(text, std::regex("[^`:A-Z0-9_?$]M_[A-Z0-9]")), false);
}

TEST(MacroLibrary, MacrosStandInIndexOrderOnce) {
  auto names = DefinedMacros();
  std::set<std::string> defined(names.begin(), names.end());
  EXPECT_EQ(defined.size(), names.size()) << "a macro is defined twice";
  std::set<std::string> indexed;
  std::vector<std::string> expected;
  for (const auto& [name, args] : kIndex) {
    indexed.insert(name);
    if (defined.count(name)) expected.push_back(name);
  }
  EXPECT_EQ(kIndex.size(), 125u);
  EXPECT_EQ(names, expected);
  for (const auto& name : names) EXPECT_TRUE(indexed.count(name)) << name << " is not in the index";
}

TEST(MacroLibrary, EveryDefinedMacroAssemblesInTheCoreStandIn) {
  auto names = DefinedMacros();
  std::set<std::string> defined(names.begin(), names.end());
  std::string program;
  for (const auto& [name, args] : kIndex)
    if (defined.count(name))
      program += " " + name + std::string(name.size() < 7 ? 7 - name.size() : 1, ' ') + args + "\n";
  for (int model : {1, 2, 3, 4, 5, 10}) {
    auto run = maclib_test::AssembleWithLibrary(program, model);
    EXPECT_EQ(run.exit_code, 0) << "model " << model << "\n" << run.console;
  }
}

struct TempDir {
  fs::path path;
  TempDir() {
    path = fs::temp_directory_path() / ("zqv-maclib-write-" + std::to_string(::getpid()));
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
};

TEST(MacroLibrary, WriteGivesTheSameBytesEveryTime) {
  TempDir dir;
  auto studio = std::make_unique<compiler::Studio>();
  platform::RecordingMessageSink sink;
  studio->messages = &sink;
  ASSERT_FALSE(compiler::WriteMacroLib(*studio, dir.path));
  std::string first, second;
  ASSERT_TRUE(platform::ReadWholeFile(dir.path / "ZQ3MAC.INC", first));
  // A different program and model change nothing.
  studio->doc.Setup.PlcModel = 10;
  studio->shell.KoreanMenu = true;
  ASSERT_FALSE(compiler::WriteMacroLib(*studio, dir.path));
  ASSERT_TRUE(platform::ReadWholeFile(dir.path / "ZQ3MAC.INC", second));
  EXPECT_EQ(first, second);
  EXPECT_EQ(first, compiler::MacroLibraryText());
  EXPECT_TRUE(sink.shown.empty());
}

TEST(MacroLibrary, FailedCreationIsReportedAndLeavesNoFile) {
  TempDir dir;
  auto studio = std::make_unique<compiler::Studio>();
  platform::RecordingMessageSink sink;
  studio->messages = &sink;
  // A directory where the file should be: the file cannot be created.
  fs::create_directories(dir.path / "ZQ3MAC.INC");
  EXPECT_TRUE(compiler::WriteMacroLib(*studio, dir.path));
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "File Creation Error !");
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Error !");
  EXPECT_EQ(sink.shown[0].icon, platform::MsgIcon::Information);
  EXPECT_EQ(sink.shown[0].buttons, platform::MsgButtons::Ok);
  EXPECT_TRUE(fs::is_directory(dir.path / "ZQ3MAC.INC"));

  // A folder under a regular file; without a sink the failure is still returned.
  std::ofstream(dir.path / "plain") << "x";
  studio->messages = nullptr;
  EXPECT_TRUE(compiler::WriteMacroLib(*studio, dir.path / "plain"));
}

}  // namespace
