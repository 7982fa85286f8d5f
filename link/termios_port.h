#pragma once
// The serial device of the machine: raw 19200 baud, 8 data bits, no parity, one stop
// bit, no flow control of any kind (program bytes hold 0x11 and 0x13), opened
// exclusively and non-blocking; waits use poll().

#include <vector>

#include "link/serial_port.h"

namespace plclink {

class TermiosPort : public SerialPort {
 public:
  TermiosPort() = default;
  ~TermiosPort() override;
  TermiosPort(const TermiosPort&) = delete;
  TermiosPort& operator=(const TermiosPort&) = delete;

  bool Open(const std::string& device, std::string* error) override;
  bool IsOpen() const override { return fd_ >= 0; }
  void Write(const std::uint8_t* bytes, std::size_t count) override;
  std::size_t Available() override;
  std::vector<std::uint8_t> TakeAll() override;
  void DiscardInput() override;
  void DiscardOutput() override;
  Micros Now() override;
  void WaitInput(Micros deadline) override;
  void Close();

 private:
  void Drain();
  int fd_ = -1;
  std::vector<std::uint8_t> received_;
};

}  // namespace plclink
