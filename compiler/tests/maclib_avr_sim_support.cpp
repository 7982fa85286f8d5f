#include "maclib_avr_sim_support.h"

#include <sim_avr.h>
#include <sim_core.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <regex>
#include <sstream>

namespace maclib_test {

std::vector<uint8_t> CodeBytes(const std::string& listing) {
  static const std::regex codeLine(R"(^\s+\d+(?:\.\d+)?\s+([0-9A-F]{8}) ([0-9A-F]{2,})\s)");
  std::map<unsigned long, std::string> lines;  // later lines at the same address win
  std::istringstream in(listing);
  std::string text;
  while (std::getline(in, text)) {
    std::smatch m;
    if (std::regex_search(text, m, codeLine)) lines[std::stoul(m[1].str(), nullptr, 16)] = m[2].str();
  }
  std::vector<uint8_t> bytes;
  for (const auto& [at, hex] : lines) {
    if (bytes.size() < at) bytes.resize(at, 0xFF);
    bytes.resize(at);
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

std::vector<uint16_t> CodeWords(const std::string& listing) {
  std::vector<uint8_t> bytes = CodeBytes(listing);
  std::vector<uint16_t> words;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) words.push_back(uint16_t(bytes[i] | (bytes[i + 1] << 8)));
  return words;
}

uint16_t DeviceAddress(const std::string& stub, const std::string& name) {
  std::smatch m;
  std::regex re("(?:^|\n)" + name + R"( EQU 0([0-9A-F]+)H)");
  if (!std::regex_search(stub, m, re)) return 0;
  return uint16_t(std::stoul(m[1].str(), nullptr, 16) & 0xFFFF);
}

bool AvrMachine::LoadListing(const std::string& listing) {
  code = CodeBytes(listing);
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

void AvrMachine::PutWord(const std::string& symbol, uint16_t v) { SetWord(Addr(symbol), v); }
void AvrMachine::PutDword(const std::string& symbol, uint32_t v) { SetDword(Addr(symbol), v); }

void AvrMachine::SetWord(uint16_t addr, uint16_t v) {
  ram[addr] = uint8_t(v >> 8);
  ram[uint16_t(addr + 1)] = uint8_t(v);
}

uint16_t AvrMachine::Word(uint16_t addr) const { return uint16_t((ram[addr] << 8) | ram[uint16_t(addr + 1)]); }

void AvrMachine::SetDword(uint16_t addr, uint32_t v) {
  SetWord(addr, uint16_t(v >> 16));
  SetWord(uint16_t(addr + 2), uint16_t(v));
}

uint32_t AvrMachine::Dword(uint16_t addr) const { return (uint32_t(Word(addr)) << 16) | Word(uint16_t(addr + 2)); }

namespace {

// simavr reports through a global logger; only its errors are worth showing in test output.
void QuietLogger(avr_t*, const int level, const char* format, va_list ap) {
  if (level <= LOG_ERROR) std::vfprintf(stderr, format, ap);
}

// One core serves every run: simavr 1.6 does not free a core's IRQs when it is terminated, so
// making a core per run would leak. Each run resets it and loads flash and memory afresh.
avr_t* SharedCore() {
  static avr_t* core = [] {
    avr_global_logger_set(QuietLogger);
    avr_t* avr = avr_make_mcu_by_name("atmega128");
    if (avr && avr_init(avr) != 0) avr = nullptr;
    return avr;
  }();
  return core;
}

}  // namespace

bool AvrMachine::Run(const std::vector<uint16_t>& words, long maxSteps) {
  code.clear();
  for (uint16_t w : words) {
    code.push_back(uint8_t(w));
    code.push_back(uint8_t(w >> 8));
  }
  return Run(maxSteps);
}

bool AvrMachine::Run(long maxSteps) {
  error.clear();
  avr_t* avr = SharedCore();
  if (!avr) {
    error = "simavr could not make an atmega128 core";
    return false;
  }
  avr_reset(avr);
  // The run ends at the end of the code, where an endless "RJMP ." waits in case the end is
  // reached some other way than the check below notices.
  const uint32_t end = uint32_t(code.size() + 1) & ~1u;
  if (end + 2 > avr->flashend + 1) {
    error = "the code does not fit the flash";
    return false;
  }
  std::memset(avr->flash, 0xFF, avr->flashend + 1);
  std::memcpy(avr->flash, code.data(), code.size());
  avr->flash[end] = 0xFF;  // RJMP . (C FFFH)
  avr->flash[end + 1] = 0xCF;
  avr->codeend = avr->flashend;

  std::memcpy(avr->data, r.data(), r.size());
  for (uint32_t a = kSramStart; a <= avr->ramend; ++a) avr->data[a] = ram[a];
  avr->sreg[S_C] = c;
  avr->sreg[S_Z] = z;
  avr->sreg[S_T] = t;
  // A RET from the top level returns to the end: its word address is the return address on
  // the stack, low byte at the top of the stack.
  uint16_t sp = avr->ramend;
  uint32_t ret = end >> 1;
  for (int i = 0; i < avr->address_size; ++i, ret >>= 8) avr->data[sp--] = uint8_t(ret);
  _avr_sp_set(avr, sp);
  avr->pc = 0;

  long steps = 0;
  for (; avr->pc < end && steps < maxSteps; ++steps) {
    int state = avr_run(avr);
    if (state == cpu_Done || state == cpu_Crashed) {
      std::ostringstream s;
      s << "the simulated core stopped (state " << state << ") at " << std::hex << avr->pc;
      error = s.str();
      break;
    }
  }
  if (error.empty() && avr->pc < end) error = "too many steps";

  std::memcpy(r.data(), avr->data, r.size());
  for (uint32_t a = kSramStart; a <= avr->ramend; ++a) ram[a] = avr->data[a];
  c = avr->sreg[S_C];
  z = avr->sreg[S_Z];
  t = avr->sreg[S_T];
  return error.empty();
}

}  // namespace maclib_test
