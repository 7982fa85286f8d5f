#include "tools/zqvsim/core/sim_port.h"

namespace zqvsim {

bool SimPort::Open(const std::string& device, std::string* error) {
  if (failOpen) {
    if (error) *error = "no such device " + device;
    return false;
  }
  open_ = true;
  return true;
}

void SimPort::Write(const std::uint8_t* bytes, std::size_t count) {
  written.insert(written.end(), bytes, bytes + count);
  core_.Feed(bytes, count, clock_.now);
}

void SimPort::Deliver() {
  core_.Advance(clock_.now);
  auto got = core_.TakeOutput(clock_.now);
  received_.insert(received_.end(), got.begin(), got.end());
}

std::size_t SimPort::Available() {
  Deliver();
  return received_.size();
}

std::vector<std::uint8_t> SimPort::TakeAll() {
  Deliver();
  std::vector<std::uint8_t> out;
  out.swap(received_);
  return out;
}

void SimPort::DiscardInput() {
  Deliver();
  received_.clear();
}

void SimPort::WaitInput(plclink::Micros deadline, std::size_t) {
  plclink::Micros next = deadline;
  if (auto at = core_.NextOutputTime(); at && *at < next) next = *at;
  if (next > clock_.now) clock_.now = next;
}

}  // namespace zqvsim
