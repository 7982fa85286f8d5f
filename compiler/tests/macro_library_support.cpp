#include "macro_library_support.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "compiler/macro_library.h"
#include "maclib_avr_sim_support.h"

namespace fs = std::filesystem;

namespace maclib_test {
namespace {

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Hex(unsigned long v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0%lXH", v);
  return buf;
}

}  // namespace

std::string CoreStub(int plcModel) {
  std::ostringstream s;
  // Registers: NOW, A to G and FLAG1 must take immediate operands (r16 to r25).
  s << "#define NOW R16\n#define A R17\n#define B R18\n#define C R19\n#define D R20\n"
       "#define E R21\n#define F R22\n#define G R23\n#define FLAG1 R24\n"
       "#define NOW_SAVE R14\n#define SAVEST R15\n";
  // The time bases are registers: the timers test their bits (SBRS/SBRC) and TST them.
  s << "#define TIME_DIV R12\n#define TIME_DIV20 R13\n";
  // Pointer register halves of X, Y and Z.
  s << "#define XL R26\n#define XH R27\n#define YL R28\n#define YH R29\n#define ZL R30\n#define ZH R31\n";
  s << "#define LCALL CALL\n#define LJMP JMP\n";
  // Display transmission registers (the display macros MOV, CLR, INC and TST them).
  s << "#define DPSEQ R2\n#define DPMODE R3\n#define DPPORT R4\n#define DPBIT R5\n";
  // FLAG1 bit of the all-outputs-off state; the processor's I/O registers (ATmega103 numbers).
  s << "FL_OUTOFF EQU 0\n";
  for (const char* io : {"PINF 00H", "PORTE 03H", "USR 0BH", "UDR 0CH", "PIND 10H", "PORTD 12H", "PINC 13H",
                         "PORTC 15H", "PORTB 18H", "PINA 19H", "PORTA 1BH", "TCNT1L 2CH", "TCNT1H 2DH", "PORTF 01H"}) {
    std::string def(io);
    s << def.substr(0, def.find(' ')) << " EQU " << def.substr(def.find(' ') + 1) << "\n";
  }
  // Device areas in data memory, one symbol per word or byte.
  unsigned long addr = 0x100;
  auto area = [&](const char* letter, int count, int size) {
    for (int i = 0; i < count; ++i) {
      s << letter << i << " EQU " << Hex(0x7FFF0000UL + addr) << "\n";
      addr += size;
    }
  };
  area("P", 16, 1);
  area("M", 128, 1);
  area("K", 32, 1);
  area("F", 16, 1);
  area("S", 32, 1);
  area("T", 256, 2);
  area("C", 256, 2);
  area("CC", 256, 1);
  area("D", 512, 2);
  area("A", 64, 2);
  area("G", 64, 1);
  area("CH", 16, 1);
  // Data bytes and buffers of the core.
  for (const char* name : {"MC0"}) {
    s << name << " EQU " << Hex(addr) << "\n";
    addr += 1;
  }
  for (const char* name : {"CONSTBF0", "CONSTBF1"}) {
    s << name << " EQU " << Hex(addr) << "\n";
    addr += 4;
  }
  // Routines reached with LCALL: stand-ins that return at once.
  s << " RSEG CORE:CODE\n";
  for (const char* name : {"ON_XMASKDEC", "OFF_XMASKDEC", "DF_SUB", "DFN_SUB", "CTU_SUB", "CTD_SUB", "LCDAREA_CLEAR",
                           "TOASCII", "BIN2BCD", "THINSUB"})
    s << name << ": RET\n";
  (void)plcModel;
  return s.str();
}

AssemblyRun AssembleWithLibrary(const std::string& program, int plcModel) {
  AssemblyRun run;
  static int serial = 0;
  run.folder = fs::temp_directory_path() / ("zqv-maclib-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
  fs::remove_all(run.folder);
  fs::create_directories(run.folder);

  WriteText(run.folder / compiler::kMacroLibraryName, compiler::MacroLibraryText());
  std::ostringstream header;
  header << "#define PLCMODEL " << plcModel << "\r\n";
  for (int i = 1; i <= 8; ++i) header << "#define COMP_OPTION" << i << " 0\r\n";
  for (int i = 0; i <= 4; ++i) header << "#define DIR" << i << " 0\r\n";
  WriteText(run.folder / "QSKLREN.$$$", header.str());
  WriteText(run.folder / "CORE.INC", CoreStub(plcModel));
  std::string source =
      "#include \"QSKLREN.$$$\"\n#include \"CORE.INC\"\n#include \"ZQ3MAC.INC\"\n"
      " RSEG CODE:CODE\n" +
      program + "\n END\n";
  WriteText(run.folder / "PROG.S71", source);

  const char* bin = std::getenv("ZQV_BIN_DIR");
  std::string aq71 = std::string(bin ? bin : ".") + "/aq71";
  std::string command =
      "cd '" + run.folder.string() + "' && '" + aq71 + "' -v3 -c# PROG.S71 -l PROG.LST > console.txt 2>&1";
  int status = std::system(command.c_str());
  run.exit_code = (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  run.console = ReadText(run.folder / "console.txt");
  run.listing = ReadText(run.folder / "PROG.LST");
  return run;
}

std::vector<std::string> Lines(std::string_view text, bool keepEmptyLast) {
  std::vector<std::string> lines;
  if (keepEmptyLast) {
    size_t start = 0;
    while (true) {
      size_t end = text.find('\n', start);
      lines.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
    return lines;
  }
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> MacroNames(std::string_view text) {
  std::vector<std::string> names;
  for (const auto& line : Lines(text, true))
    if (line.size() == 13 && line.substr(8) == "MACRO") names.push_back(line.substr(0, 8));
  return names;
}

std::vector<std::string> MacroBody(std::string_view text, const std::string& name) {
  std::vector<std::string> body;
  bool in = false;
  std::string header = name + std::string(8 - name.size(), ' ') + "MACRO";
  for (const auto& line : Lines(text, true)) {
    if (!in) {
      in = line == header;
      continue;
    }
    if (line == "        ENDM") return body;
    body.push_back(line);
  }
  ADD_FAILURE() << name << " not found or not closed";
  return body;
}

std::vector<std::string> MacroBodyWithEndm(const std::vector<std::string>& lines, const std::string& name,
                                           bool spaceAfterLongName) {
  size_t pad = name.size() < 8 ? 8 - name.size() : (spaceAfterLongName ? 1 : 0);
  std::string header = name + std::string(pad, ' ') + "MACRO";
  std::vector<std::string> out;
  bool in = false;
  for (const auto& l : lines) {
    if (l == header)
      in = true;
    else if (in) {
      out.push_back(l);
      if (l == "        ENDM") break;
    }
  }
  return out;
}

size_t GateLine(const MacroText& m) {
  for (size_t i = 1; i < m.body.size(); ++i) {
    const std::string& l = m.body[i];
    if (l == "        SBRS    NOW,7") return i;
    const bool check = (l.rfind("M_", 0) == 0 && l.find(" EQU ") != std::string::npos) ||
                       l.rfind("        LIMIT   M_", 0) == 0 || l.rfind("        IF      ", 0) == 0 ||
                       l == "                EXITM" || l == "        ENDIF";
    if (!check) break;
  }
  return m.body.size();
}

std::vector<MacroText> Macros(std::string_view group, std::vector<std::string>* outside) {
  std::vector<MacroText> out;
  std::istringstream in{std::string(group)};
  std::string line;
  MacroText* open = nullptr;
  while (std::getline(in, line)) {
    auto pos = line.find(" MACRO");
    if (!open && pos != std::string::npos && line[0] != ' ') {
      out.push_back({line.substr(0, line.find(' ')), line, {}});
      open = &out.back();
    } else if (open && line == "        ENDM") {
      open = nullptr;
    } else if (open) {
      open->body.push_back(line);
    } else if (outside) {
      outside->push_back(line);
    }
  }
  EXPECT_EQ(open, nullptr) << "macro without ENDM";
  return out;
}

std::string CodeWordsHex(const std::string& listing) {
  static const std::regex row(R"(^\s+\d+(?:\.\d+)?\s+[0-9A-F]{8}\s+([0-9A-F]{4,})\s)");
  std::string words;
  size_t start = 0;
  while (start < listing.size()) {
    size_t end = listing.find('\n', start);
    if (end == std::string::npos) end = listing.size();
    std::string line = listing.substr(start, end - start);
    std::smatch m;
    if (std::regex_search(line, m, row)) {
      std::string hex = m[1];
      for (size_t i = 0; i + 4 <= hex.size(); i += 4) words += hex.substr(i + 2, 2) + hex.substr(i, 2) + " ";
    }
    start = end + 1;
  }
  return words;
}

std::vector<int> CodeOfLine(const std::string& listing, int line) {
  std::vector<int> words;
  const std::string prefix = std::to_string(line) + ".";
  for (const std::string& l : Lines(listing)) {
    std::istringstream in(l);
    std::string num, addr, code;
    if (!(in >> num >> addr >> code) || (num != prefix.substr(0, prefix.size() - 1) && num.rfind(prefix, 0) != 0))
      continue;
    if (code == "........") {
      words.insert(words.end(), {kAny, kAny});
      continue;
    }
    if (addr.size() != 8 || code.size() % 4 != 0) continue;
    bool hex = code.find_first_not_of("0123456789ABCDEF") == std::string::npos;
    if (!hex) continue;
    for (size_t i = 0; i < code.size(); i += 4) {
      int lo = std::stoi(code.substr(i, 2), nullptr, 16);
      int hi = std::stoi(code.substr(i + 2, 2), nullptr, 16);
      words.push_back(hi << 8 | lo);
    }
  }
  return words;
}

void ExpectWords(const std::vector<int>& got, const std::vector<int>& want, const char* what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t i = 0; i < want.size(); ++i)
    if (want[i] != kAny) {
      EXPECT_EQ(got[i], want[i]) << what << " word " << i;
    }
}

bool Clean(const AssemblyRun& run) {
  return run.exit_code == 0 && run.console.find("Errors:   0") != std::string::npos &&
         run.console.find("Warnings: 0") != std::string::npos;
}

AvrMachine AssembleOnMachine(const std::string& program) {
  auto run = AssembleWithLibrary(program);
  AvrMachine m;
  EXPECT_EQ(run.exit_code, 0) << run.console;
  EXPECT_TRUE(m.LoadListing(run.listing)) << run.listing;
  m.LoadSymbols(CoreStub(1));
  return m;
}

std::vector<uint16_t> MachineWords(const AvrMachine& m) {
  std::vector<uint16_t> w;
  for (size_t i = 0; i + 1 < m.code.size(); i += 2) w.push_back(uint16_t(m.code[i] | (m.code[i + 1] << 8)));
  return w;
}

std::string AssembleCleanListing(const std::string& program, bool rungOn) {
  auto run = AssembleWithLibrary(std::string(" LDI    NOW,") + (rungOn ? "80H" : "7FH") + "\n" + program);
  EXPECT_EQ(run.exit_code, 0) << run.console << "\nin " << run.folder;
  EXPECT_EQ(run.console.find("Error["), std::string::npos) << run.console;
  EXPECT_EQ(run.console.find("Warning["), std::string::npos) << run.console;
  return run.listing;
}

std::vector<uint16_t> AssembleClean(const std::string& program, bool rungOn) {
  return CodeWords(AssembleCleanListing(program, rungOn));
}

uint16_t Device(const std::string& name) {
  static const std::string stub = CoreStub(1);
  uint16_t a = DeviceAddress(stub, name);
  EXPECT_NE(a, 0) << name;
  return a;
}

}  // namespace maclib_test
