#include "maclib_avr_sim_support.h"

#include <regex>
#include <sstream>

namespace maclib_test {

bool AvrMachine::LoadListing(const std::string& listing) {
  static const std::regex codeLine(R"(^\s+\d+(?:\.\d+)?\s+([0-9A-F]{8}) ([0-9A-F]{4,8})\s)");
  std::istringstream in(listing);
  std::string line;
  code.clear();
  while (std::getline(in, line)) {
    std::smatch m;
    if (std::regex_search(line, m, codeLine)) {
      size_t at = std::stoul(m[1].str(), nullptr, 16);
      std::string hex = m[2].str();
      if (code.size() < at + hex.size() / 2) code.resize(at + hex.size() / 2);
      for (size_t i = 0; i < hex.size(); i += 2) code[at + i / 2] = uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16));
    }
  }
  return !code.empty();
}

void AvrMachine::LoadSymbols(const std::string& source) {
  static const std::regex equLine(R"(^(\w+) EQU 0?([0-9A-F]+)H$)");
  std::istringstream in(source);
  std::string line;
  while (std::getline(in, line)) {
    std::smatch m;
    if (std::regex_match(line, m, equLine)) equ[m[1].str()] = uint32_t(std::stoul(m[2].str(), nullptr, 16));
  }
}

uint16_t AvrMachine::Addr(const std::string& symbol) const {
  auto it = equ.find(symbol);
  return it == equ.end() ? 0 : uint16_t(it->second & 0xFFFF);
}

void AvrMachine::PutWord(const std::string& symbol, uint16_t v) {
  uint16_t a = Addr(symbol);
  ram[a] = uint8_t(v >> 8);
  ram[uint16_t(a + 1)] = uint8_t(v);
}

void AvrMachine::PutDword(const std::string& symbol, uint32_t v) {
  uint16_t a = Addr(symbol);
  for (int i = 0; i < 4; ++i) ram[uint16_t(a + i)] = uint8_t(v >> (24 - 8 * i));
}

namespace {

bool TwoWords(uint16_t op) {
  return (op & 0xFE0F) == 0x9000 || (op & 0xFE0F) == 0x9200 || (op & 0xFE0E) == 0x940C || (op & 0xFE0E) == 0x940E;
}

}  // namespace

bool AvrMachine::Run(int maxSteps) {
  size_t pc = 0;  // byte address
  auto word = [&](size_t at) -> uint16_t {
    return at + 1 < code.size() ? uint16_t(code[at] | (code[at + 1] << 8)) : 0;
  };
  auto pointer = [&](int low) -> uint16_t { return uint16_t(r[low] | (r[low + 1] << 8)); };
  auto setPointer = [&](int low, uint16_t v) {
    r[low] = uint8_t(v);
    r[low + 1] = uint8_t(v >> 8);
  };
  for (int step = 0; step < maxSteps; ++step) {
    if (pc >= code.size()) return true;
    uint16_t op = word(pc);
    size_t next = pc + (TwoWords(op) ? 4 : 2);
    int d = (op >> 4) & 0x1F;
    int rr = (op & 0x0F) | ((op >> 5) & 0x10);
    uint8_t k = uint8_t(((op >> 4) & 0xF0) | (op & 0x0F));
    int dh = 16 + ((op >> 4) & 0x0F);
    int bit = op & 7;
    if ((op & 0xF000) == 0xE000) {  // LDI
      r[dh] = k;
    } else if ((op & 0xF000) == 0x6000) {  // ORI (SBR)
      r[dh] |= k;
    } else if ((op & 0xF000) == 0x7000) {  // ANDI (CBR)
      r[dh] &= k;
    } else if ((op & 0xFC00) == 0x1400) {  // CP
      uint8_t res = uint8_t(r[d] - r[rr]);
      c = r[rr] > r[d];
      z = res == 0;
    } else if ((op & 0xFC00) == 0x2C00) {  // MOV
      r[d] = r[rr];
    } else if ((op & 0xFC00) == 0x2800) {  // OR
      r[d] |= r[rr];
    } else if ((op & 0xFC00) == 0x2000) {  // AND
      r[d] &= r[rr];
    } else if ((op & 0xFE0F) == 0x9400) {  // COM
      r[d] = uint8_t(~r[d]);
    } else if ((op & 0xFE08) == 0xFA00) {  // BST
      t = (r[d] >> bit) & 1;
    } else if ((op & 0xFE08) == 0xF800) {  // BLD
      r[d] = uint8_t(t ? r[d] | (1 << bit) : r[d] & ~(1 << bit));
    } else if ((op & 0xFC08) == 0xFC00 || (op & 0xFC08) == 0xFE00) {  // SBRC / SBRS
      bool set = (r[d] >> bit) & 1;
      bool skip = (op & 0x0200) ? set : !set;
      if (skip) next += TwoWords(word(next)) ? 4 : 2;
    } else if ((op & 0xF800) == 0xF000) {  // BRBS / BRBC
      bool flag = bit == 0 ? c : bit == 1 ? z : false;
      if (bit > 1) {
        error = "branch on an unmodelled flag";
        return false;
      }
      bool taken = (op & 0x0400) ? !flag : flag;
      int offset = (op >> 3) & 0x7F;
      if (offset & 0x40) offset -= 0x80;
      if (taken) next = size_t(long(pc) + 2 + 2L * offset);
    } else if ((op & 0xFE0F) == 0x9000) {  // LDS
      r[d] = ram[word(pc + 2)];
    } else if ((op & 0xFE0F) == 0x9200) {  // STS
      ram[word(pc + 2)] = r[d];
    } else if ((op & 0xFC00) == 0x9000 || (op & 0xD000) == 0x8000) {  // LD / ST through X, Y, Z
      bool store = op & 0x0200;
      int low = 0, mode = 0;  // mode 0: plain, 1: post-increment, 2: pre-decrement
      if ((op & 0xFC00) == 0x9000) {
        switch (op & 0x0F) {
          case 0xC: low = 26; mode = 0; break;
          case 0xD: low = 26; mode = 1; break;
          case 0xE: low = 26; mode = 2; break;
          case 0x9: low = 28; mode = 1; break;
          case 0xA: low = 28; mode = 2; break;
          case 0x1: low = 30; mode = 1; break;
          case 0x2: low = 30; mode = 2; break;
          default: error = "unmodelled load or store"; return false;
        }
      } else {  // LDD/STD: displacement 0 only
        if (op & 0x2C07) {
          error = "unmodelled displacement";
          return false;
        }
        low = (op & 0x0008) ? 28 : 30;
      }
      uint16_t p = pointer(low);
      if (mode == 2) setPointer(low, --p);
      if (store) ram[p] = r[d];
      else r[d] = ram[p];
      if (mode == 1) setPointer(low, uint16_t(p + 1));
    } else {
      std::ostringstream s;
      s << "unmodelled instruction " << std::hex << op << " at " << pc;
      error = s.str();
      return false;
    }
    pc = next;
  }
  error = "too many steps";
  return false;
}

}  // namespace maclib_test
