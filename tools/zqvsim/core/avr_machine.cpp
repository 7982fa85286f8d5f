#include "tools/zqvsim/core/avr_machine.h"

#include <sim_avr.h>
#include <sim_core.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sstream>

namespace zqvsim {
namespace {

// Data addresses of the port registers of ports A to E on the ATmega128.
constexpr uint16_t kPin[AvrMachine::kPorts] = {0x39, 0x36, 0x33, 0x30, 0x21};
constexpr uint16_t kPort[AvrMachine::kPorts] = {0x3B, 0x38, 0x35, 0x32, 0x23};

// simavr reports through a global logger; only its errors are worth showing.
void QuietLogger(avr_t*, const int level, const char* format, va_list ap) {
  if (level <= LOG_ERROR) std::vfprintf(stderr, format, ap);
}

// The simulated clock never waits for the wall clock: pacing is the caller's business.
void NoSleep(avr_t*, avr_cycle_count_t) {}

// simavr does not give back all the memory of a core it terminates, so cores are made once
// and handed from one machine to the next.
std::mutex poolMutex;
std::vector<avr_t*>& Pool() {
  static auto* pool = new std::vector<avr_t*>;
  return *pool;
}

avr_t* TakeCore() {
  std::lock_guard<std::mutex> lock(poolMutex);
  if (!Pool().empty()) {
    avr_t* avr = Pool().back();
    Pool().pop_back();
    return avr;
  }
  avr_global_logger_set(QuietLogger);
  avr_t* avr = avr_make_mcu_by_name("atmega128");
  if (!avr) return nullptr;
  avr->frequency = AvrMachine::kClockHz;
  if (avr_init(avr) != 0) return nullptr;
  avr->sleep = NoSleep;
  return avr;
}

void GiveBack(avr_t* avr) {
  if (!avr) return;
  std::lock_guard<std::mutex> lock(poolMutex);
  Pool().push_back(avr);
}

}  // namespace

AvrMachine::AvrMachine() : avr_(TakeCore()) {}

AvrMachine::~AvrMachine() { GiveBack(avr_); }

bool AvrMachine::Load(const std::vector<uint8_t>& image) {
  loaded_ = false;
  halted_ = false;
  error_.clear();
  if (!avr_) {
    error_ = "the simulator has no ATmega128";
    return false;
  }
  if (image.empty() || image.size() > size_t(avr_->flashend) + 1) {
    error_ = image.empty() ? "the program image is empty" : "the program image does not fit the flash";
    return false;
  }
  std::memset(avr_->flash, 0xFF, avr_->flashend + 1);
  std::memcpy(avr_->flash, image.data(), image.size());
  avr_->codeend = avr_->flashend;
  loaded_ = true;
  PowerUp();
  return true;
}

void AvrMachine::PowerUp() {
  if (!avr_) return;
  std::memset(avr_->data, 0, size_t(avr_->ramend) + 1);
  avr_reset(avr_);
  std::memset(avr_->data + kDeviceBase, 0, size_t(avr_->ramend) + 1 - kDeviceBase);
  halted_ = false;
  error_.clear();
  ApplyInputs();
}

void AvrMachine::Reset() {
  if (!avr_) return;
  // A reset leaves the static memory as it was; only the processor starts again.
  std::vector<uint8_t> sram(avr_->data + kDeviceBase, avr_->data + avr_->ramend + 1);
  avr_reset(avr_);
  std::memcpy(avr_->data + kDeviceBase, sram.data(), sram.size());
  halted_ = false;
  error_.clear();
  ApplyInputs();
}

void AvrMachine::ApplyInputs() {
  for (int p = 0; p < kPorts; ++p) avr_->data[kPin[p]] = inputs_[p];
}

bool AvrMachine::Run(uint64_t cycles) {
  if (!avr_ || !loaded_) return true;
  if (halted_) return false;
  const avr_cycle_count_t target = avr_->cycle + cycles;
  while (avr_->cycle < target) {
    int state = avr_run(avr_);
    if (state == cpu_Done || state == cpu_Crashed) {
      std::ostringstream s;
      s << "the processor stopped (state " << state << ") at " << std::hex << avr_->pc;
      error_ = s.str();
      halted_ = true;
      return false;
    }
  }
  return true;
}

bool AvrMachine::RunScans(int scans, uint64_t maxCycles) {
  if (!avr_ || !loaded_) {
    error_ = "no program";
    return false;
  }
  if (halted_) return false;
  const avr_cycle_count_t limit = avr_->cycle + maxCycles;
  // The low byte is written last and once per scan: its steps count the scans.
  uint8_t last = ReadDevice(kScanCountAddr);
  int done = 0;
  while (done < scans) {
    if (avr_->cycle >= limit) {
      error_ = "the scans did not end in time";
      return false;
    }
    int state = avr_run(avr_);
    if (state == cpu_Done || state == cpu_Crashed) {
      std::ostringstream s;
      s << "the processor stopped (state " << state << ") at " << std::hex << avr_->pc;
      error_ = s.str();
      halted_ = true;
      return false;
    }
    // A step of one is a scan; the core's power-up clearing of the counter is not.
    uint8_t now = ReadDevice(kScanCountAddr);
    if (now != last) {
      if (now == uint8_t(last + 1)) ++done;
      last = now;
    }
  }
  return true;
}

// A pooled core keeps the count of its last machine until a program is loaded.
uint64_t AvrMachine::Cycles() const { return avr_ && loaded_ ? avr_->cycle : 0; }

uint16_t AvrMachine::ScanCount() const {
  return uint16_t(ReadDevice(kScanCountAddr) | (ReadDevice(kScanCountAddr + 1) << 8));
}

uint32_t AvrMachine::DeviceEnd() const { return avr_ ? uint32_t(avr_->ramend) + 1 - kDeviceBase : 0; }

uint8_t AvrMachine::ReadDevice(uint32_t mapAddr) const {
  if (mapAddr >= DeviceEnd()) return 0;
  return avr_->data[kDeviceBase + mapAddr];
}

void AvrMachine::WriteDevice(uint32_t mapAddr, uint8_t value) {
  if (mapAddr >= DeviceEnd()) return;
  avr_->data[kDeviceBase + mapAddr] = value;
}

void AvrMachine::SetInput(int port, int bit, bool on) {
  if (port < 0 || port >= kPorts || bit < 0 || bit > 7) return;
  if (on)
    inputs_[port] = uint8_t(inputs_[port] | (1 << bit));
  else
    inputs_[port] = uint8_t(inputs_[port] & ~(1 << bit));
  if (avr_) avr_->data[kPin[port]] = inputs_[port];
}

uint8_t AvrMachine::Outputs(int port) const {
  if (!avr_ || port < 0 || port >= kPorts) return 0;
  return avr_->data[kPort[port]];
}

}  // namespace zqvsim
