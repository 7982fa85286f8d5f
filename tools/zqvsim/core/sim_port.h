#pragma once
// The simulated module as a serial port in the same process, on a virtual clock: a wait
// moves the clock to the module's next answer or to the deadline, so exchanges with
// time-outs run in no real time. Several ports may share one module.

#include <memory>

#include "link/serial_port.h"
#include "tools/zqvsim/core/module_core.h"

namespace zqvsim {

class SimClock {
 public:
  plclink::Micros now = 0;
};

class SimPort : public plclink::SerialPort {
 public:
  SimPort(ModuleCore& core, SimClock& clock) : core_(core), clock_(clock) {}

  bool Open(const std::string& device, std::string* error) override;
  bool IsOpen() const override { return open_; }
  void Close() override { open_ = false; }
  bool HungUp() override { return false; }
  void Write(const std::uint8_t* bytes, std::size_t count) override;
  std::size_t Available() override;
  std::vector<std::uint8_t> TakeAll() override;
  void DiscardInput() override;
  void DiscardOutput() override {}
  plclink::Micros Now() override { return clock_.now; }
  void WaitInput(plclink::Micros deadline, std::size_t count) override;

  bool failOpen = false;
  std::vector<std::uint8_t> written;  // every byte the studio sent

 private:
  void Deliver();
  ModuleCore& core_;
  SimClock& clock_;
  bool open_ = false;
  std::vector<std::uint8_t> received_;
};

}  // namespace zqvsim
