// Cross-check of the whole assembler against an independent one: the instruction sweep of the
// peer tests is written as aq71 source text and assembled by aq71 in process (scanner, operand
// grammar, expressions with forward labels and "$", resolve, encoders) once per processor option;
// the code of every instruction statement is compared with the bytes that avr-as/avr-ld/
// avr-objcopy make of the same program. Out-of-range operands must be refused by both.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "assembler/assembler_main.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/operand_grammar.h"
#include "assembler/statements.h"
#include "assembler/tests/aq71_test_support.h"
#include "assembler/tests/avr_peer_support.h"
#include "assembler/tests/test_run.h"

namespace aq71 {
namespace {

using namespace peer_support;

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

struct AsmRun {
  int exit_code = -1;
  std::string console;
  std::map<uint32_t, std::vector<uint16_t>> words;        // ASEG code by start address
  std::map<uint32_t, std::vector<uint16_t>> relocatable;  // code of other segments by offset
  int encoded = 0;
};

class FullPeer : public aq71_test::InFolder {
 protected:
  // Assembles `source` with processor option `proc` in process; the code of every encoded
  // instruction statement of ASEG is collected through the statement hook.
  AsmRun assemble(const std::string& source, int proc) {
    aq71_test::reset_run_state();  // one process, several runs: each starts from nothing
    aq71_test::write_file(dir_ / "p.s71", source);
    AsmRun run;
    encoded_statement_hook(aq71_test::test_run()) = [&run](const Statement& st, const EncodeContext& ctx) {
      ++run.encoded;
      std::vector<uint16_t>& w = (ctx.absolute_segment ? run.words : run.relocatable)[ctx.location - st.size];
      w.assign(st.code.words.begin(), st.code.words.begin() + st.code.word_count);
    };
    aq71_test::CapturedConsole console;
    std::vector<std::string> args = {"aq71", "p", "-S", "-v" + std::to_string(proc)};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    run.exit_code = assembler_main(aq71_test::test_run(), static_cast<int>(argv.size()), argv.data());
    run.console = console.text();
    encoded_statement_hook(aq71_test::test_run()) = nullptr;
    return run;
  }
};

// aq71 source of a laid-out program for processor option `proc`: ASEG at the program's origin,
// every item as written in GNU syntax (operands read the same), branch targets alternately as a
// label defined by EQU after the code (a forward reference) and as "$ + n". An item that is no
// instruction with this option is replaced by NOPs of its size.
struct AsmSource {
  std::string text;
  std::vector<bool> compared;  // per item: assembled as written
};

AsmSource aq71_source(const Program& p, int proc) {
  AsmSource out;
  std::string code = " ASEG\n ORG " + std::to_string(p.origin) + "\n";
  std::string labels;
  for (std::size_t i = 0; i < p.items.size(); ++i) {
    const Item& it = p.items[i];
    const uint32_t address = p.addresses[i];
    const auto v6 = assemble_instruction(it.name.c_str(), it.ops, 6, address);
    const auto here = assemble_instruction(it.name.c_str(), it.ops, proc, address);
    const bool available = here.known && !here.no_match;
    out.compared.push_back(available);
    if (!available) {
      for (uint32_t b = 0; b < v6.size; b += 2) code += " NOP\n";
      continue;
    }
    std::string line = upper(it.gnu);
    if (it.target_slot) {
      const int64_t distance = static_cast<int64_t>(v6.size) + it.offset;
      std::string target;
      if (i % 2 == 0) {
        target = "T" + std::to_string(i);
        labels += target + " EQU " + std::to_string(static_cast<int64_t>(address) + distance) + "\n";
      } else {
        target = "$ + (" + std::to_string(distance) + ")";
      }
      line.replace(line.find('@'), 1, target);
    }
    code += " " + line + "\n";
  }
  out.text = code + labels + " END\n";
  return out;
}

// Compares the collected code with the peer's bytes; returns the number of items compared.
int compare(const Program& p, const AsmSource& src, const AsmRun& run, const std::vector<uint8_t>& bytes, int proc) {
  int compared = 0;
  for (std::size_t i = 0; i < p.items.size(); ++i) {
    if (!src.compared[i]) continue;
    const uint32_t address = p.addresses[i];
    SCOPED_TRACE(p.items[i].gnu + " at " + std::to_string(address) + " with -v" + std::to_string(proc));
    auto found = run.words.find(address);
    if (found == run.words.end()) {
      ADD_FAILURE() << "no code from aq71";
      continue;
    }
    const std::vector<uint16_t>& w = found->second;
    EXPECT_FALSE(w.empty());
    if (address + 2 * w.size() > bytes.size()) {
      ADD_FAILURE() << "peer output too short";
      return compared;
    }
    for (std::size_t k = 0; k < w.size(); ++k) {
      const uint16_t peer = static_cast<uint16_t>(bytes[address + 2 * k] | bytes[address + 2 * k + 1] << 8);
      EXPECT_EQ(w[k], peer) << "word " << k;
    }
    ++compared;
  }
  return compared;
}

TEST_F(FullPeer, EveryMnemonicInEveryFormFromSourceTextMatchesThePeer) {
  REQUIRE_PEER();
  const Program p = lay_out(4096, sweep_items());
  const PeerResult peer = run_peer(p.gnu, "avr6");
  ASSERT_TRUE(peer.accepted) << peer.log.substr(0, 2000);
  int total = 0;
  for (int proc = 0; proc < kProcOptionCount; ++proc) {
    const AsmSource src = aq71_source(p, proc);
    const AsmRun run = assemble(src.text, proc);
    ASSERT_EQ(run.exit_code, 0) << "-v" << proc << "\n" << run.console.substr(0, 3000);
    total += compare(p, src, run, peer.bytes, proc);
  }
  EXPECT_GT(total, 7 * 4000);
}

TEST_F(FullPeer, RelativeJumpsNearTheirLimitsFromSourceText) {
  REQUIRE_PEER();
  for (const bool forward : {true, false}) {
    const Program p = lay_out(forward ? 0 : 4096, relative_jump_items(forward));
    const PeerResult peer = run_peer(p.gnu, "avr6");
    ASSERT_TRUE(peer.accepted) << peer.log;
    for (int proc = 0; proc < kProcOptionCount; ++proc) {
      const AsmSource src = aq71_source(p, proc);
      const AsmRun run = assemble(src.text, proc);
      ASSERT_EQ(run.exit_code, 0) << run.console;
      EXPECT_EQ(compare(p, src, run, peer.bytes, proc), static_cast<int>(p.items.size()));
    }
  }
}

TEST_F(FullPeer, BranchesToLabelsOfARelocatableSegment) {
  REQUIRE_PEER();
  // Labels placed by code, used before and after their definition, and "$" moved by a number;
  // the segment is linked at 0.
  std::string body = "B0: NOP\n BRNE B0\n RJMP F1\n RCALL B0\n BREQ F1\n BRBS 3, F1\n";
  body += " RJMP $ + 2\n BRNE $ - 8\n";
  for (int i = 0; i < 54; ++i) body += " NOP\n";
  body += "F1: BRBC 7, B0\n RJMP B0\n BRLO F2\nF2: RCALL F2\n SBRC R3, 1\n BRGE F1 + 0\n";
  std::string gnu = " .text\n" + body;
  gnu.replace(gnu.find("F1 + 0"), 6, "F1");
  // The peer reads ". + n" of a relative jump from the next instruction; "$" is the
  // instruction's own address.
  gnu.replace(gnu.find("$ + 2"), 5, ". + 0");
  gnu.replace(gnu.find("$ - 8"), 5, ". - 10");
  const PeerResult peer = run_peer(gnu, "avr6");
  ASSERT_TRUE(peer.accepted) << peer.log;
  for (int proc : {0, 6}) {
    const AsmRun run = assemble(" RSEG CODE\n" + body + " END\n", proc);
    // F1 + 0 is no single relocatable value: the linker computes that branch.
    ASSERT_EQ(run.exit_code, 0) << run.console;
    std::vector<uint8_t> bytes;
    for (const auto& [offset, words] : run.relocatable) {
      EXPECT_EQ(offset, bytes.size());
      for (uint16_t w : words) {
        bytes.push_back(static_cast<uint8_t>(w));
        bytes.push_back(static_cast<uint8_t>(w >> 8));
      }
    }
    ASSERT_EQ(bytes.size(), peer.bytes.size());
    // The last branch's word holds only its opcode until the linker fills the offset.
    const std::size_t last = bytes.size() - 2;
    for (std::size_t i = 0; i < last; i += 2)
      EXPECT_EQ(bytes[i] | bytes[i + 1] << 8, peer.bytes[i] | peer.bytes[i + 1] << 8) << "at " << i;
    EXPECT_EQ(bytes[last] | bytes[last + 1] << 8, 0xF404);
  }
}

TEST_F(FullPeer, OutOfRangeOperandsFromSourceTextAreRefusedByBoth) {
  REQUIRE_PEER();
  for (const BadItem& b : out_of_range_items()) {
    SCOPED_TRACE(b.item.gnu);
    const Program p = lay_out(4096, {b.item});
    EXPECT_FALSE(run_peer(p.gnu, "avr6").accepted);
    const AsmRun run = assemble(aq71_source(p, 6).text, 6);
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.console.find("Error[" + std::to_string(b.error) + "]"), std::string::npos) << run.console;
  }
  // A pointer with a minus displacement is no operand form: a syntax error, and no code.
  EXPECT_FALSE(run_peer(" .text\n ld r0, Y-1\n", "avr6").accepted);
  const AsmRun run = assemble(" ASEG\n LD R0,Y-1\n END\n", 6);
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.console.find("Error[0]"), std::string::npos) << run.console;
  EXPECT_EQ(run.encoded, 0);
}

// Random programs of instructions with labels, assignments (circular ones too), forward
// references, "$" and odd operands: every run ends with exit code 0 or 2, never with an internal
// error or a fatal stop.
TEST_F(FullPeer, RandomProgramsEndWithAnExitCode) {
  const char* mnemonics[] = {"LDI R16,", "BRNE",      "RJMP",    "JMP",    "LDD R0,Y+", "OUT", "CBI",
                             "SBI",      "ADIW R24,", "LDS R1,", "IN R2,", "CBR R17,",  "CALL"};
  const char* operands[] = {"L1",       "L2",       "E1",    "E2",   "$",    "$+2",       "1",           "-1",    "256",
                            "0x7FFFFE", "HIGH(L1)", "L2-L1", "L1+2", "E1*3", "SFB(CODE)", "SIZEOF CODE", "UNDEF", "(L1",
                            "5/0",      "DATE 7",   "EXT",   "X",    "R5",   "",          "\"s\""};
  std::mt19937 rng(5);
  auto pick = [&](auto& table) { return std::string(table[rng() % std::size(table)]); };
  for (int round = 0; round < 150; ++round) {
    std::string src = " EXTERN EXT\n RSEG CODE\n";
    for (int line = 0; line < 60; ++line) {
      switch (rng() % 8) {
        case 0:
          src += "L" + std::to_string(1 + rng() % 2) + ":\n";
          break;
        case 1:
          src += "E" + std::to_string(1 + rng() % 2) + " EQU " + pick(operands) + "\n";
          break;
        case 2:
          src += rng() % 2 ? " ASEG\n ORG " + std::to_string(rng() % 64 * 2) + "\n" : " RSEG CODE\n";
          break;
        default: {
          std::string m = pick(mnemonics);
          std::string op = pick(operands);
          if (m == "OUT") op += ", R1";
          if (m == "CBI" || m == "SBI") op = pick(operands) + ", " + op;
          src += " " + m + (m.back() == ',' ? "" : " ") + op + "\n";
        }
      }
    }
    src += " END\n";
    const AsmRun run = assemble(src, static_cast<int>(rng() % kProcOptionCount));
    EXPECT_TRUE(run.exit_code == 0 || run.exit_code == 2) << run.exit_code << "\n"
                                                          << src << run.console.substr(0, 2000);
    EXPECT_EQ(run.console.find("INTERNAL ERROR"), std::string::npos) << src;
  }
}

}  // namespace
}  // namespace aq71
