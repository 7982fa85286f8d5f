// Shared pieces of the peer cross-checks: running avr-as/avr-ld/avr-objcopy on a GNU source, and
// the generator of the instruction sweep (every mnemonic in every operand form), the relative
// jumps near their limits and the out-of-range operands. Each item carries aq71's operand record
// and the GNU line; a branch target is "@", an offset from the address after the instruction.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "assembler/avr_encode.h"
#include "assembler/avr_isa.h"

namespace aq71::peer_support {

namespace fs = std::filesystem;

inline bool peer_installed() {
  static const bool installed = std::system("avr-as --version >/dev/null 2>&1") == 0 &&
                                std::system("avr-ld --version >/dev/null 2>&1") == 0 &&
                                std::system("avr-objcopy --version >/dev/null 2>&1") == 0;
  return installed;
}

#define REQUIRE_PEER()                                             \
  do {                                                             \
    if (!peer_installed()) GTEST_SKIP() << "avr-as not installed"; \
  } while (0)

struct PeerResult {
  bool accepted = false;  // assembled and linked without any error message
  std::string log;
  std::vector<uint8_t> bytes;
};

// Assembles `source` for `mcu` (also the linker emulation), linked at 0, as raw bytes.
inline PeerResult run_peer(const std::string& source, const std::string& mcu) {
  PeerResult r;
  char tmpl[] = "/tmp/aq71_peer_XXXXXX";
  const char* dir = mkdtemp(tmpl);
  if (!dir) {
    r.log = "mkdtemp failed";
    return r;
  }
  const fs::path d(dir);
  std::ofstream(d / "p.s") << source;
  const std::string q = "'" + d.string() + "'";
  const std::string cmd = "cd " + q + " && avr-as -mmcu=" + mcu + " p.s -o p.o >log 2>&1" + " && avr-ld -m" + mcu +
                          " -Ttext=0 p.o -o p.elf >>log 2>&1" + " && avr-objcopy -O binary p.elf p.bin >>log 2>&1";
  const int rc = std::system(cmd.c_str());
  {
    std::ifstream log(d / "log");
    r.log.assign(std::istreambuf_iterator<char>(log), {});
  }
  std::string lower = r.log;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  r.accepted = rc == 0 && lower.find("error") == std::string::npos;
  if (rc == 0) {
    std::ifstream bin(d / "p.bin", std::ios::binary);
    r.bytes.assign(std::istreambuf_iterator<char>(bin), {});
  }
  std::error_code ec;
  fs::remove_all(d, ec);
  return r;
}

// One instruction for both assemblers. A branch target is given as an offset from the location
// (the address after the instruction) in operand slot `target_slot`; the GNU line names it "@",
// replaced by a label set at that address.
struct Item {
  std::string name;
  OperandRec ops;
  std::string gnu;
  uint8_t target_slot = 0;
  int32_t offset = 0;
};

inline std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
inline std::string reg(int r) { return "r" + std::to_string(r); }
inline std::string num(int64_t v) { return std::to_string(v); }

inline OperandValue abs_value(int64_t v) { return OperandValue::absolute(static_cast<uint32_t>(v)); }

inline Item make(const std::string& name, uint16_t form, const std::string& gnu_ops) {
  Item it;
  it.name = name;
  it.ops.form = form;
  it.gnu = lower(name) + (gnu_ops.empty() ? "" : " " + gnu_ops);
  return it;
}

inline const int kRegs[] = {0, 1, 15, 16, 17, 24, 25, 26, 27, 28, 29, 30, 31};
inline const int kHighRegs[] = {16, 17, 24, 25, 26, 27, 28, 29, 30, 31};
inline const int64_t kImmediates[] = {0, 1, 0x7F, 0x80, 0xFF, -1, -128};
inline const int kBranchOffsets[] = {-128, -2, 0, 126};

// Program layout: the GNU source from `origin` on and each item's address. Sizes come from the
// -v6 table, where every mnemonic exists.
struct Program {
  uint32_t origin = 0;
  std::vector<Item> items;
  std::vector<uint32_t> addresses;
  std::string gnu;
};

inline Program lay_out(uint32_t origin, std::vector<Item> items) {
  Program p;
  p.origin = origin;
  std::ostringstream s;
  s << " .text\n";
  if (origin) s << " .fill " << origin / 2 << ", 2, 0\n";
  uint32_t address = origin;
  int label = 0;
  for (Item& it : items) {
    const auto a = assemble_instruction(it.name.c_str(), it.ops, 6, address);
    EXPECT_TRUE(a.known && !a.no_match) << it.gnu;
    std::string line = it.gnu;
    if (it.target_slot) {
      const std::string l = "T" + std::to_string(label++);
      s << " .set " << l << ", . + " << a.size + static_cast<int64_t>(it.offset) << "\n";
      line.replace(line.find('@'), 1, l);
    }
    s << " " << line << "\n";
    p.addresses.push_back(address);
    address += a.size;
  }
  p.items = std::move(items);
  p.gnu = s.str();
  return p;
}

inline std::vector<Item> sweep_items() {
  std::vector<Item> items;
  auto push = [&](Item it) { items.push_back(std::move(it)); };

  // Two registers.
  for (uint16_t m = 0; m <= 11; ++m)
    for (int d : kRegs)
      for (int r : kRegs) {
        Item it = make(std::string(mnemonic_name(m)), kFormRegReg, reg(d) + ", " + reg(r));
        it.ops.reg1 = static_cast<uint8_t>(d);
        it.ops.reg2 = static_cast<uint8_t>(r);
        push(it);
      }
  // Register and 8-bit immediate; CBR only with the values the peer also takes.
  for (const char* n : {"SBCI", "SUBI", "ANDI", "ORI", "SBR", "LDI", "CPI", "CBR"})
    for (int d : kHighRegs)
      for (int64_t k : kImmediates) {
        if (std::string(n) == "CBR" && k < 0) continue;
        Item it = make(n, kFormRegExpr, reg(d) + ", " + num(k));
        it.ops.reg1 = static_cast<uint8_t>(d);
        it.ops.expr1 = abs_value(k);
        push(it);
      }
  for (const char* n : {"ADIW", "SBIW"})
    for (int d : {24, 26, 28, 30})
      for (int64_t k : {0, 1, 0x1F, 0x20, 0x3F}) {
        Item it = make(n, kFormRegExpr, reg(d) + ", " + num(k));
        it.ops.reg1 = static_cast<uint8_t>(d);
        it.ops.expr1 = abs_value(k);
        push(it);
      }
  for (const char* n : {"SBRC", "SBRS", "BST", "BLD"})
    for (int d : kRegs)
      for (int b = 0; b < 8; ++b) {
        Item it = make(n, kFormRegExpr, reg(d) + ", " + num(b));
        it.ops.reg1 = static_cast<uint8_t>(d);
        it.ops.expr1 = abs_value(b);
        push(it);
      }
  for (const char* n : {"CBI", "SBI", "SBIC", "SBIS"})
    for (int port : {0, 0x1F})
      for (int b = 0; b < 8; ++b) {
        Item it = make(n, kFormExprExpr, num(port) + ", " + num(b));
        it.ops.expr1 = abs_value(port);
        it.ops.expr2 = abs_value(b);
        push(it);
      }
  // One register, emulated ones included.
  for (const char* n :
       {"COM", "NEG", "INC", "DEC", "POP", "LSR", "ROR", "ASR", "SWAP", "PUSH", "TST", "CLR", "LSL", "ROL"})
    for (int d : kRegs) {
      Item it = make(n, kFormReg, reg(d));
      it.ops.reg1 = static_cast<uint8_t>(d);
      push(it);
    }
  for (int d : kHighRegs) {
    Item it = make("SER", kFormReg, reg(d));
    it.ops.reg1 = static_cast<uint8_t>(d);
    push(it);
  }
  // LD / ST with X, Y, Z plain, post-increment and pre-decrement.
  const struct {
    uint16_t pointer;
    const char* name;
  } ptrs[] = {{kRegX, "X"}, {kRegY, "Y"}, {kRegZ, "Z"}};
  for (int d : kRegs)
    for (const auto& p : ptrs) {
      const std::string pn = p.name;
      const std::pair<uint16_t, std::string> ld[] = {
          {kFormRegPtr, pn}, {kFormRegPtrInc, pn + "+"}, {kFormRegPtrDec, "-" + pn}};
      const std::pair<uint16_t, std::string> st[] = {
          {kFormPtrReg, pn}, {kFormPtrIncReg, pn + "+"}, {kFormPtrDecReg, "-" + pn}};
      for (const auto& [form, text] : ld) {
        Item it = make("LD", form, reg(d) + ", " + text);
        it.ops.reg1 = static_cast<uint8_t>(d);
        it.ops.pointer = p.pointer;
        push(it);
      }
      for (const auto& [form, text] : st) {
        Item it = make("ST", form, text + ", " + reg(d));
        it.ops.reg1 = static_cast<uint8_t>(d);
        it.ops.pointer = p.pointer;
        push(it);
      }
    }
  for (int d : kRegs)
    for (int port : {0, 0x1F, 0x20, 0x3F}) {
      Item in = make("IN", kFormRegExpr, reg(d) + ", " + num(port));
      in.ops.reg1 = static_cast<uint8_t>(d);
      in.ops.expr1 = abs_value(port);
      push(in);
      Item out = make("OUT", kFormExprReg, num(port) + ", " + reg(d));
      out.ops.reg1 = static_cast<uint8_t>(d);
      out.ops.expr1 = abs_value(port);
      push(out);
    }
  for (int d : kRegs)
    for (const auto& p : {ptrs[1], ptrs[2]})
      for (int q : {0, 1, 7, 8, 0x1F, 0x20, 0x3F}) {
        const std::string ea = std::string(p.name) + "+" + num(q);
        Item ldd = make("LDD", kFormRegPtrDisp, reg(d) + ", " + ea);
        ldd.ops.reg1 = static_cast<uint8_t>(d);
        ldd.ops.pointer = p.pointer;
        ldd.ops.expr1 = abs_value(q);
        push(ldd);
        Item std_ = make("STD", kFormPtrDispReg, ea + ", " + reg(d));
        std_.ops.reg1 = static_cast<uint8_t>(d);
        std_.ops.pointer = p.pointer;
        std_.ops.expr1 = abs_value(q);
        push(std_);
      }
  for (int d : kRegs)
    for (int k : {0, 0x60, 0xFFFF}) {
      Item lds = make("LDS", kFormRegExpr, reg(d) + ", " + num(k));
      lds.ops.reg1 = static_cast<uint8_t>(d);
      lds.ops.expr1 = abs_value(k);
      push(lds);
      Item sts = make("STS", kFormExprReg, num(k) + ", " + reg(d));
      sts.ops.reg1 = static_cast<uint8_t>(d);
      sts.ops.expr1 = abs_value(k);
      push(sts);
    }
  for (const char* n : {"BSET", "BCLR"})
    for (int s = 0; s < 8; ++s) {
      Item it = make(n, kFormExpr, num(s));
      it.ops.expr1 = abs_value(s);
      push(it);
    }
  for (const char* n : {"JMP", "CALL"})
    for (int64_t a : {0, 2, 0x7FFFFE}) {
      Item it = make(n, kFormExpr, num(a));
      it.ops.expr1 = abs_value(a);
      push(it);
    }
  for (const char* n : {"BRBS", "BRBC"})
    for (int s = 0; s < 8; ++s)
      for (int off : kBranchOffsets) {
        Item it = make(n, kFormExprExpr, num(s) + ", @");
        it.ops.expr1 = abs_value(s);
        it.target_slot = 2;
        it.offset = off;
        push(it);
      }
  for (uint16_t m = 52; m <= 67; ++m)
    for (int off : kBranchOffsets) {
      Item it = make(std::string(mnemonic_name(m)), kFormExpr, "@");
      it.target_slot = 1;
      it.offset = off;
      push(it);
    }
  for (const char* n : {"BRLO", "BRSH"})
    for (int off : kBranchOffsets) {
      Item it = make(n, kFormExpr, "@");
      it.target_slot = 1;
      it.offset = off;
      push(it);
    }
  for (uint16_t m = 70; m <= 96; ++m) push(make(std::string(mnemonic_name(m)), kFormNone, ""));
  return items;
}

inline std::vector<Item> relative_jump_items(bool forward) {
  std::vector<Item> items;
  const std::vector<int> offsets = forward ? std::vector<int>{0, 2, 126, 4094} : std::vector<int>{-4096, -4094, -2};
  for (const char* n : {"RJMP", "RCALL"})
    for (int off : offsets) {
      Item it = make(n, kFormExpr, "@");
      it.target_slot = 1;
      it.offset = off;
      items.push_back(it);
    }
  return items;
}

// Operands out of range, each with the error aq71 gives; the peer refuses every one of them.
struct BadItem {
  Item item;
  uint16_t error;
};
inline std::vector<BadItem> out_of_range_items() {
  std::vector<BadItem> bad;
  auto add = [&](Item it, uint16_t error) { bad.push_back({std::move(it), error}); };
  {
    Item it = make("LDI", kFormRegExpr, "r16, 256");
    it.ops.reg1 = 16;
    it.ops.expr1 = abs_value(256);
    add(it, 403);
  }
  for (int off : {130, -130, 3, 127}) {
    Item it = make("BRNE", kFormExpr, "@");
    it.target_slot = 1;
    it.offset = off;
    add(it, off == 3 || off == 127 ? 413 : 412);
  }
  for (int off : {4096, -4098}) {
    Item it = make("RJMP", kFormExpr, "@");
    it.target_slot = 1;
    it.offset = off;
    add(it, 415);
  }
  {
    Item it = make("IN", kFormRegExpr, "r0, 64");
    it.ops.expr1 = abs_value(64);
    add(it, 408);
    Item out = make("OUT", kFormExprReg, "64, r1");
    out.ops.reg1 = 1;
    out.ops.expr1 = abs_value(64);
    add(out, 408);
  }
  {
    Item sbi = make("SBI", kFormExprExpr, "0, 8");
    sbi.ops.expr1 = abs_value(0);
    sbi.ops.expr2 = abs_value(8);
    add(sbi, 404);
    Item cbi = make("CBI", kFormExprExpr, "32, 0");
    cbi.ops.expr1 = abs_value(32);
    cbi.ops.expr2 = abs_value(0);
    add(cbi, 416);
    Item sbrc = make("SBRC", kFormRegExpr, "r0, 8");
    sbrc.ops.expr1 = abs_value(8);
    add(sbrc, 404);
    Item bset = make("BSET", kFormExpr, "8");
    bset.ops.expr1 = abs_value(8);
    add(bset, 404);
    Item brbs = make("BRBS", kFormExprExpr, "8, @");
    brbs.ops.expr1 = abs_value(8);
    brbs.target_slot = 2;
    add(brbs, 404);
  }
  {
    Item ldd = make("LDD", kFormRegPtrDisp, "r0, Y+64");
    ldd.ops.pointer = kRegY;
    ldd.ops.expr1 = abs_value(64);
    add(ldd, 409);
    Item ldx = make("LDD", kFormRegPtrDisp, "r0, X+1");
    ldx.ops.pointer = kRegX;
    ldx.ops.expr1 = abs_value(1);
    add(ldx, 407);
    Item adiw = make("ADIW", kFormRegExpr, "r25, 1");
    adiw.ops.reg1 = 25;
    adiw.ops.expr1 = abs_value(1);
    add(adiw, 418);
    Item big = make("ADIW", kFormRegExpr, "r24, 64");
    big.ops.reg1 = 24;
    big.ops.expr1 = abs_value(64);
    add(big, 417);
    Item ldi = make("LDI", kFormRegExpr, "r5, 1");
    ldi.ops.reg1 = 5;
    ldi.ops.expr1 = abs_value(1);
    add(ldi, 406);
    Item jmp = make("JMP", kFormExpr, "3");
    jmp.ops.expr1 = abs_value(3);
    add(jmp, 411);
  }
  return bad;
}

}  // namespace aq71::peer_support
