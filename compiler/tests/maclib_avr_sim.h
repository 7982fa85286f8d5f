#pragma once
// A small AVR interpreter for the macro library tests: it takes the code words of an aq71
// listing of a program of macro calls and runs them against a 64 KiB data memory, so that the
// tests can check what the expanded macros do to device words. It knows only the instructions
// that the data, arithmetic, logic and shift macros use; anything else stops the run.

#include <array>
#include <cstdint>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace maclib_sim {

// The code words of the listing's lines, in address order (relocatable code starts at 0).
inline std::vector<uint16_t> CodeWords(const std::string& listing) {
  std::map<unsigned long, std::vector<uint8_t>> bytes;
  std::regex line(R"(^\s+\d+(?:\.\d+)?\s+([0-9A-F]{8}) ([0-9A-F]{2,})\s)");
  std::istringstream in(listing);
  std::string text;
  while (std::getline(in, text)) {
    std::smatch m;
    if (!std::regex_search(text, m, line)) continue;
    unsigned long addr = std::stoul(m[1].str(), nullptr, 16);
    std::vector<uint8_t> b;
    std::string hex = m[2].str();
    for (size_t i = 0; i + 1 < hex.size(); i += 2) b.push_back(std::stoul(hex.substr(i, 2), nullptr, 16));
    bytes[addr] = b;
  }
  std::vector<uint8_t> flat;
  for (auto& [addr, b] : bytes) {
    if (flat.size() < addr) flat.resize(addr, 0xFF);
    flat.resize(addr);
    flat.insert(flat.end(), b.begin(), b.end());
  }
  std::vector<uint16_t> words;
  for (size_t i = 0; i + 1 < flat.size(); i += 2) words.push_back(flat[i] | (flat[i + 1] << 8));
  return words;
}

struct Cpu {
  std::array<uint8_t, 32> r{};
  std::vector<uint8_t> mem = std::vector<uint8_t>(0x10000, 0);
  bool c = false, z = false;
  std::string fault;  // set when an unknown instruction or a runaway loop stops the run

  uint16_t Pair(int lo) const { return r[lo] | (r[lo + 1] << 8); }
  void SetPair(int lo, uint16_t v) { r[lo] = v & 0xFF; r[lo + 1] = v >> 8; }

  void SetWord(uint16_t addr, uint16_t v) { mem[addr] = v >> 8; mem[addr + 1] = v & 0xFF; }
  uint16_t Word(uint16_t addr) const { return (mem[addr] << 8) | mem[addr + 1]; }
  void SetDword(uint16_t addr, uint32_t v) { SetWord(addr, v >> 16); SetWord(addr + 2, v & 0xFFFF); }
  uint32_t Dword(uint16_t addr) const { return (uint32_t(Word(addr)) << 16) | Word(addr + 2); }

  static bool TwoWords(uint16_t w) {
    return (w & 0xFC0F) == 0x9000 || (w & 0xFE0C) == 0x940C;  // LDS/STS, JMP/CALL
  }

  // Runs the words from 0 until the end of the code or a RET. Returns false on a fault.
  bool Run(const std::vector<uint16_t>& code, long maxSteps = 5000000) {
    size_t pc = 0;
    for (long step = 0; pc < code.size(); ++step) {
      if (step > maxSteps) { fault = "runaway"; return false; }
      uint16_t w = code[pc];
      uint16_t k2 = pc + 1 < code.size() ? code[pc + 1] : 0;
      int d = (w >> 4) & 0x1F, rr = (w & 0x0F) | ((w >> 5) & 0x10);
      int dh = 16 + ((w >> 4) & 0x0F);
      uint8_t kimm = (w & 0x0F) | ((w >> 4) & 0xF0);
      auto sub = [&](uint8_t a, uint8_t b, bool carry, bool keepZ) {
        int res = a - b - (carry ? 1 : 0);
        c = res < 0;
        uint8_t v = res & 0xFF;
        z = keepZ ? (z && v == 0) : v == 0;
        return v;
      };
      auto add = [&](uint8_t a, uint8_t b, bool carry) {
        int res = a + b + (carry ? 1 : 0);
        c = res > 0xFF;
        z = (res & 0xFF) == 0;
        return uint8_t(res);
      };
      ++pc;
      if ((w & 0xF000) == 0xE000) r[dh] = kimm;                                  // LDI
      else if ((w & 0xF000) == 0x5000) r[dh] = sub(r[dh], kimm, false, false);   // SUBI
      else if ((w & 0xF000) == 0x4000) r[dh] = sub(r[dh], kimm, c, true);        // SBCI
      else if ((w & 0xF000) == 0x3000) sub(r[dh], kimm, false, false);           // CPI
      else if ((w & 0xFC00) == 0x0C00) r[d] = add(r[d], r[rr], false);           // ADD/LSL
      else if ((w & 0xFC00) == 0x1C00) r[d] = add(r[d], r[rr], c);               // ADC/ROL
      else if ((w & 0xFC00) == 0x1800) r[d] = sub(r[d], r[rr], false, false);    // SUB
      else if ((w & 0xFC00) == 0x0800) r[d] = sub(r[d], r[rr], c, true);         // SBC
      else if ((w & 0xFC00) == 0x1400) sub(r[d], r[rr], false, false);           // CP
      else if ((w & 0xFC00) == 0x0400) sub(r[d], r[rr], c, true);                // CPC
      else if ((w & 0xFC00) == 0x2000) { r[d] &= r[rr]; z = r[d] == 0; }         // AND
      else if ((w & 0xFC00) == 0x2400) { r[d] ^= r[rr]; z = r[d] == 0; }         // EOR/CLR
      else if ((w & 0xFC00) == 0x2800) { r[d] |= r[rr]; z = r[d] == 0; }         // OR
      else if ((w & 0xFE0F) == 0x9400) { r[d] = ~r[d]; c = true; z = r[d] == 0; }  // COM
      else if ((w & 0xFE0F) == 0x9406) { c = r[d] & 1; r[d] >>= 1; z = r[d] == 0; }  // LSR
      else if ((w & 0xFE0F) == 0x9407) {                                          // ROR
        bool out = r[d] & 1;
        r[d] = (r[d] >> 1) | (c ? 0x80 : 0);
        c = out;
        z = r[d] == 0;
      } else if ((w & 0xFE0F) == 0x940A) { --r[d]; z = r[d] == 0; }               // DEC
      else if ((w & 0xFF00) == 0x9600 || (w & 0xFF00) == 0x9700) {                // ADIW/SBIW
        int p = 24 + ((w >> 4) & 3) * 2;
        int k = (w & 0x0F) | ((w >> 2) & 0x30);
        int v = Pair(p);
        int res = (w & 0x0100) ? v - k : v + k;
        c = res < 0 || res > 0xFFFF;
        SetPair(p, res & 0xFFFF);
        z = Pair(p) == 0;
      } else if ((w & 0xFE0F) == 0x9000) { r[d] = mem[k2]; ++pc; }                // LDS
      else if ((w & 0xFE0F) == 0x9200) { mem[k2] = r[d]; ++pc; }                  // STS
      else if ((w & 0xFC00) == 0x9000 || (w & 0xD000) == 0x8000) {                // LD/ST
        bool store = w & 0x0200;
        int ptr = -1, m = 0;
        if ((w & 0xFC00) == 0x9000) {
          switch (w & 0x0F) {
            case 0x1: ptr = 30; m = 1; break;
            case 0x2: ptr = 30; m = 2; break;
            case 0x9: ptr = 28; m = 1; break;
            case 0xA: ptr = 28; m = 2; break;
            case 0xC: ptr = 26; m = 0; break;
            case 0xD: ptr = 26; m = 1; break;
            case 0xE: ptr = 26; m = 2; break;
            default: fault = "unknown LD/ST mode"; return false;
          }
        } else {
          if (w & 0x2C07) { fault = "displacement"; return false; }
          ptr = (w & 0x0008) ? 28 : 30;
        }
        uint16_t a = Pair(ptr);
        if (m == 2) SetPair(ptr, --a);
        if (store) mem[a] = r[d]; else r[d] = mem[a];
        if (m == 1) SetPair(ptr, a + 1);
      } else if ((w & 0xF800) == 0xF000 || (w & 0xF800) == 0xF400) {             // BRBS/BRBC
        int bit = w & 7;
        bool flag = bit == 0 ? c : (bit == 1 ? z : false);
        if (bit > 1) { fault = "branch on other flag"; return false; }
        bool set = (w & 0x0400) == 0;
        int off = (w >> 3) & 0x7F;
        if (off & 0x40) off -= 0x80;
        if (flag == set) pc += off;
      } else if ((w & 0xFE08) == 0xFE00) {                                        // SBRS
        if (r[d] & (1 << (w & 7))) pc += TwoWords(k2) ? 2 : 1;
      } else if ((w & 0xF000) == 0xC000) {                                        // RJMP
        int off = w & 0x0FFF;
        if (off & 0x800) off -= 0x1000;
        pc += off;
      } else if ((w & 0xFE0E) == 0x940C) {                                        // JMP
        pc = k2 | (size_t((w >> 4) & 0x1F) << 17) | (size_t(w & 1) << 16);
      } else if (w == 0x9408) c = true;                                           // SEC
      else if (w == 0x9488) c = false;                                            // CLC
      else if (w == 0x9508) return true;                                          // RET
      else if (w == 0x0000) {}                                                    // NOP
      else { fault = "unknown instruction " + std::to_string(w); return false; }
    }
    return true;
  }
};

// Data-memory address of a stub device symbol (its value less 7FFF0000H), read from the stub.
inline uint16_t DeviceAddress(const std::string& stub, const std::string& name) {
  std::smatch m;
  std::regex re("(?:^|\n)" + name + R"( EQU 0([0-9A-F]+)H)");
  if (!std::regex_search(stub, m, re)) return 0;
  return std::stoul(m[1].str(), nullptr, 16) & 0xFFFF;
}

}  // namespace maclib_sim
