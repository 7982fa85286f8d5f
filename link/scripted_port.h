#pragma once
// A peer that follows a script of exchanges: when the bytes written so far end with an
// exchange's expected bytes, its reply is queued after its delay. Time is virtual: a
// wait moves the clock to the next reply or to the deadline. For byte-exact transcripts.

#include <deque>
#include <string>
#include <vector>

#include "link/serial_port.h"

namespace plclink {

class ScriptedPort : public SerialPort {
 public:
  struct Exchange {
    std::vector<std::uint8_t> expect;  // bytes the studio must send next
    std::vector<std::uint8_t> reply;   // queued once they have been sent
    Micros delay = 0;
  };

  // Adds an exchange to the end of the script.
  ScriptedPort& Then(std::vector<std::uint8_t> expect, std::vector<std::uint8_t> reply, Micros delay = 0);
  // Queues bytes now, as if they had arrived unasked.
  void Inject(const std::vector<std::uint8_t>& bytes, Micros delay = 0);

  bool Open(const std::string& device, std::string* error) override;
  bool IsOpen() const override { return open_; }
  void Close() override;
  bool HungUp() override { return open_ && hangUp; }
  void Write(const std::uint8_t* bytes, std::size_t count) override;
  std::size_t Available() override;
  std::vector<std::uint8_t> TakeAll() override;
  void DiscardInput() override;
  void DiscardOutput() override {}
  Micros Now() override { return now_; }
  void WaitInput(Micros deadline, std::size_t count) override;

  bool failOpen = false;  // Open fails (no such device)
  bool hangUp = false;    // the open device has hung up (until it is closed)
  int openCount = 0;
  std::vector<std::uint8_t> written;  // everything the studio sent
  std::vector<std::string> errors;    // bytes sent that the script did not expect
  bool Finished() const { return script_.empty(); }

 private:
  struct Pending {
    Micros at;
    std::uint8_t byte;
  };
  void Deliver();
  void Queue(std::uint8_t byte, Micros at);
  bool open_ = false;
  Micros now_ = 0;
  std::deque<Exchange> script_;
  std::vector<std::uint8_t> matched_;  // bytes sent towards the current exchange
  std::deque<Pending> pending_;
  std::vector<std::uint8_t> received_;
};

}  // namespace plclink
