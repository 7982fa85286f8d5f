// Cross-check of the AVR encoders against an independent assembler: every mnemonic in every
// operand form is written once for aq71's encoders and once in GNU syntax, the GNU program is
// assembled with avr-as, linked at address 0 with avr-ld and turned into raw bytes with
// avr-objcopy, and the bytes are compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "assembler/avr_encode.h"
#include "assembler/avr_isa.h"
#include "assembler/tests/avr_peer_support.h"

namespace aq71 {
namespace {

using namespace peer_support;

// The item's operands with its branch target placed at `address`.
OperandRec operands_at(const Item& it, uint32_t address, uint32_t size) {
  OperandRec o = it.ops;
  if (it.target_slot) {
    const OperandValue t = OperandValue::absolute(address + size + static_cast<uint32_t>(it.offset));
    (it.target_slot == 2 ? o.expr2 : o.expr1) = t;
  }
  return o;
}

// Compares aq71's code of every item with the peer's bytes for every processor option where the
// mnemonic exists. Returns the number of instructions compared; `skipped` collects the names
// that were not instructions for some option ("NAME/vN").
int compare_with_peer(const Program& p, const std::vector<uint8_t>& bytes, std::set<std::string>* skipped) {
  int compared = 0;
  for (int v = 0; v < kProcOptionCount; ++v) {
    for (std::size_t i = 0; i < p.items.size(); ++i) {
      const Item& it = p.items[i];
      const uint32_t address = p.addresses[i];
      const auto probe = assemble_instruction(it.name.c_str(), it.ops, v, address);
      if (!probe.known || probe.no_match) {
        if (skipped) skipped->insert(it.name + "/v" + std::to_string(v));
        continue;
      }
      const auto a = assemble_instruction(it.name.c_str(), operands_at(it, address, probe.size), v, address);
      SCOPED_TRACE(it.gnu + " at " + std::to_string(address) + " with -v" + std::to_string(v));
      EXPECT_EQ(a.register_error, 0);
      EXPECT_EQ(a.code.internal_error, nullptr);
      EXPECT_EQ(a.code.error_count, 0) << "first error " << a.code.errors[0];
      EXPECT_EQ(a.code.fixup_count, 0);
      const std::size_t at = address;  // the peer's bytes start at address 0
      if (at + a.size > bytes.size()) {
        ADD_FAILURE() << "peer output too short";
        return compared;
      }
      for (uint8_t w = 0; w < a.code.word_count; ++w) {
        const uint16_t peer = static_cast<uint16_t>(bytes[at + 2u * w] | bytes[at + 2u * w + 1] << 8);
        EXPECT_EQ(a.code.words[w], peer) << "word " << int(w);
      }
      ++compared;
    }
  }
  return compared;
}

TEST(AvrPeer, EveryMnemonicInEveryFormMatchesThePeer) {
  REQUIRE_PEER();
  const Program p = lay_out(4096, sweep_items());
  const PeerResult peer = run_peer(p.gnu, "avr6");
  ASSERT_TRUE(peer.accepted) << peer.log.substr(0, 2000);
  std::set<std::string> skipped;
  const int compared = compare_with_peer(p, peer.bytes, &skipped);
  EXPECT_GT(compared, 7 * 4000);
  // What is not an instruction for some processor options, and only that.
  std::set<std::string> expected;
  for (int v : {0, 2}) {
    expected.insert("LDS/v" + std::to_string(v));
    expected.insert("STS/v" + std::to_string(v));
  }
  for (int v : {0, 1, 2, 3, 4}) {
    expected.insert("EICALL/v" + std::to_string(v));
    expected.insert("EIJMP/v" + std::to_string(v));
  }
  for (int v : {0, 1, 2, 3}) expected.insert("ELPM/v" + std::to_string(v));
  EXPECT_EQ(skipped, expected);
}

TEST(AvrPeer, RelativeJumpsNearTheirLimits) {
  REQUIRE_PEER();
  // Forward jumps from address 0 and backward ones from 4096 keep every target inside the
  // 8 KB that -v0/-v1 wrap around, so all options must agree with the peer.
  for (const bool forward : {true, false}) {
    const Program p = lay_out(forward ? 0 : 4096, relative_jump_items(forward));
    const PeerResult peer = run_peer(p.gnu, "avr6");
    ASSERT_TRUE(peer.accepted) << peer.log;
    EXPECT_EQ(compare_with_peer(p, peer.bytes, nullptr), 7 * static_cast<int>(p.items.size()));
  }
}

// Operands out of range: refused by the peer and reported by aq71.
TEST(AvrPeer, OutOfRangeOperandsAreRefusedByBoth) {
  REQUIRE_PEER();
  const std::vector<BadItem> bad = out_of_range_items();
  for (const BadItem& b : bad) {
    SCOPED_TRACE(b.item.gnu);
    const Program p = lay_out(4096, {b.item});
    EXPECT_FALSE(run_peer(p.gnu, "avr6").accepted);
    const uint32_t address = p.addresses[0];
    const auto a = assemble_instruction(b.item.name.c_str(), operands_at(b.item, address, 2), 6, address);
    EXPECT_TRUE(a.register_error == b.error || a.code.has_error(b.error));
  }
  // A pointer with a minus displacement has no operand form at all (the operand parser refuses
  // it); the peer refuses it too.
  EXPECT_FALSE(run_peer(" .text\n ld r0, Y-1\n", "avr6").accepted);
}

// Where aq71 departs from the peer on purpose.

uint16_t peer_word(const std::string& line, const std::string& mcu, bool* accepted = nullptr) {
  const PeerResult r = run_peer(" .text\n " + line + "\n", mcu);
  if (accepted) *accepted = r.accepted;
  return r.bytes.size() >= 2 ? static_cast<uint16_t>(r.bytes[0] | r.bytes[1] << 8) : 0;
}

TEST(AvrPeerDifferences, NegativeImmediatesOfAdiwSbiwAndCbr) {
  REQUIRE_PEER();
  bool ok = true;
  for (const char* n : {"ADIW", "SBIW"}) {
    OperandRec o;
    o.form = kFormRegExpr;
    o.reg1 = 26;
    o.expr1 = abs_value(-32);
    const auto a = assemble_instruction(n, o, 6, 0);
    EXPECT_EQ(a.code.error_count, 0);
    EXPECT_EQ(a.code.words[0], peer_word(lower(n) + " r26, 32", "avr6"));
    peer_word(lower(n) + " r26, -32", "avr6", &ok);
    EXPECT_FALSE(ok);
  }
  OperandRec cbr;
  cbr.form = kFormRegExpr;
  cbr.reg1 = 16;
  cbr.expr1 = abs_value(-1);
  const auto a = assemble_instruction("CBR", cbr, 6, 0);
  EXPECT_EQ(a.code.error_count, 0);
  EXPECT_EQ(a.code.words[0], peer_word("andi r16, 0", "avr6"));
  peer_word("cbr r16, -1", "avr6", &ok);
  EXPECT_FALSE(ok);
  // The peer takes 8-bit immediates down to -255; aq71 stops at -128.
  OperandRec ldi = cbr;
  ldi.expr1 = abs_value(-129);
  EXPECT_TRUE(assemble_instruction("LDI", ldi, 6, 0).code.has_error(403));
  peer_word("ldi r16, -129", "avr6", &ok);
  EXPECT_TRUE(ok);
}

TEST(AvrPeerDifferences, RelativeJumpsWrapAt8KbWithV0AndV1) {
  REQUIRE_PEER();
  OperandRec o;
  o.form = kFormExpr;
  o.expr1 = abs_value(8190);
  bool ok = false;
  // The peer wraps the same way for an 8 KB part, and refuses it for a large one.
  const uint16_t small = peer_word(".set T, . + 8190\n rjmp T", "avr2", &ok);
  EXPECT_TRUE(ok);
  peer_word(".set T, . + 8190\n rjmp T", "avr6", &ok);
  EXPECT_FALSE(ok);
  for (int v = 0; v < kProcOptionCount; ++v) {
    const auto a = assemble_instruction("RJMP", o, v, 0);
    if (v <= 1) {
      EXPECT_EQ(a.code.error_count, 0);
      EXPECT_EQ(a.code.words[0], small);
      EXPECT_EQ(a.code.words[0], 0xCFFE);
    } else {
      EXPECT_TRUE(a.code.has_error(415));
    }
  }
  // RCALL at 8188 back to 0 wraps forward over the end.
  const PeerResult back = run_peer(" .text\n .fill 4094, 2, 0\n rcall 0\n", "avr2");
  ASSERT_TRUE(back.accepted) << back.log;
  ASSERT_EQ(back.bytes.size(), 8190u);
  o.expr1 = abs_value(0);
  const auto rc = assemble_instruction("RCALL", o, 0, 8188);
  EXPECT_EQ(rc.code.error_count, 0);
  EXPECT_EQ(rc.code.words[0], static_cast<uint16_t>(back.bytes[8188] | back.bytes[8189] << 8));
  o.expr1 = abs_value(8192);
  EXPECT_TRUE(assemble_instruction("RJMP", o, 1, 0).code.has_error(414));
}

TEST(AvrPeerDifferences, LdsStsElpmEijmpPerProcessorOption) {
  REQUIRE_PEER();
  bool ok = true;
  OperandRec lds;
  lds.form = kFormRegExpr;
  lds.reg1 = 16;
  lds.expr1 = abs_value(0x60);
  EXPECT_FALSE(assemble_instruction("LDS", lds, 0, 0).known);
  EXPECT_FALSE(assemble_instruction("LDS", lds, 2, 0).known);
  peer_word("lds r16, 0x60", "avr1", &ok);
  EXPECT_FALSE(ok);
  const PeerResult v1 = run_peer(" .text\n lds r16, 0x60\n", "avr2");
  ASSERT_TRUE(v1.accepted);
  const auto a = assemble_instruction("LDS", lds, 1, 0);
  ASSERT_EQ(a.size, 4u);
  EXPECT_EQ(a.code.words[0], static_cast<uint16_t>(v1.bytes[0] | v1.bytes[1] << 8));
  EXPECT_EQ(a.code.words[1], static_cast<uint16_t>(v1.bytes[2] | v1.bytes[3] << 8));

  // ELPM: the peer has it for 128 KB parts; aq71 only from -v4 on (error 43 with -v2/-v3).
  const uint16_t elpm = peer_word("elpm", "avr51", &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(assemble_instruction("ELPM", {}, 4, 0).code.words[0], elpm);
  EXPECT_TRUE(assemble_instruction("ELPM", {}, 3, 0).no_match);
  // EIJMP/EICALL: only for the largest parts, in both assemblers.
  peer_word("eijmp", "avr51", &ok);
  EXPECT_FALSE(ok);
  EXPECT_FALSE(assemble_instruction("EIJMP", {}, 4, 0).known);
  EXPECT_EQ(assemble_instruction("EIJMP", {}, 5, 0).code.words[0], peer_word("eijmp", "avr6"));
}

}  // namespace
}  // namespace aq71
