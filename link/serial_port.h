#pragma once
// The byte channel to the PLC module. Three kinds exist: the real serial device
// (termios_port.h), the in-process simulated module with a virtual clock
// (tools/zqvsim/core/sim_port.h) and a scripted peer for byte-exact transcripts
// (scripted_port.h). Times are microseconds on the port's own clock.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plclink {

using Micros = std::int64_t;

class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // Opens the device (raw 19200 8N1, no flow control). True when the port is open;
  // on failure the reason is in *error.
  virtual bool Open(const std::string& device, std::string* error) = 0;
  virtual bool IsOpen() const = 0;
  // Closes the device; Open opens it again.
  virtual void Close() = 0;
  // Whether the open device has hung up or failed (unplugged, the other end gone): nothing
  // passes this descriptor any more.
  virtual bool HungUp() = 0;
  virtual void Write(const std::uint8_t* bytes, std::size_t count) = 0;
  // Number of received bytes not taken yet.
  virtual std::size_t Available() = 0;
  // Takes every received byte.
  virtual std::vector<std::uint8_t> TakeAll() = 0;
  virtual void DiscardInput() = 0;
  virtual void DiscardOutput() = 0;
  virtual Micros Now() = 0;
  // Returns when `count` more bytes may have arrived or at the deadline, whichever is
  // first (a device may return earlier).
  virtual void WaitInput(Micros deadline, std::size_t count) = 0;
};

}  // namespace plclink
