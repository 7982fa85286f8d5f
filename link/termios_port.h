#pragma once
// The serial device of the machine: raw 19200 baud, 8 data bits, no parity, one stop
// bit, no flow control of any kind (program bytes hold 0x11 and 0x13), opened
// exclusively and non-blocking. A wait is one poll() with VMIN set to the bytes still
// awaited, so that a reply of several bytes (an echo and its data byte) wakes the waiter
// once. A hang-up or an I/O error marks the device as gone until it is opened again.

#include <termios.h>

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
  void Close() override;
  bool HungUp() override;
  void Write(const std::uint8_t* bytes, std::size_t count) override;
  std::size_t Available() override;
  std::vector<std::uint8_t> TakeAll() override;
  void DiscardInput() override;
  void DiscardOutput() override;
  Micros Now() override;
  void WaitInput(Micros deadline, std::size_t count) override;

 private:
  void Drain();
  void Failed(int error);
  void SetMinimum(std::size_t count);
  int fd_ = -1;
  bool hungUp_ = false;
  cc_t minimum_ = 0;  // VMIN as set on the device
  std::vector<std::uint8_t> received_;
};

}  // namespace plclink
