#include "link/scripted_port.h"

#include <cstdio>
#include <iterator>

namespace plclink {

ScriptedPort& ScriptedPort::Then(std::vector<std::uint8_t> expect, std::vector<std::uint8_t> reply, Micros delay) {
  script_.push_back({std::move(expect), std::move(reply), delay});
  return *this;
}

void ScriptedPort::Queue(std::uint8_t byte, Micros at) {
  auto pos = pending_.end();
  while (pos != pending_.begin() && std::prev(pos)->at > at) --pos;
  pending_.insert(pos, Pending{at, byte});
}

void ScriptedPort::Inject(const std::vector<std::uint8_t>& bytes, Micros delay) {
  for (auto b : bytes) Queue(b, now_ + delay);
}

bool ScriptedPort::Open(const std::string& device, std::string* error) {
  ++openCount;
  if (failOpen) {
    if (error) *error = "no such device " + device;
    return false;
  }
  open_ = true;
  return true;
}

void ScriptedPort::Close() {
  open_ = false;
  hangUp = false;
  received_.clear();
}

void ScriptedPort::Write(const std::uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t b = bytes[i];
    written.push_back(b);
    if (script_.empty()) {
      char text[64];
      std::snprintf(text, sizeof text, "unexpected byte %02X after the script ended", b);
      errors.push_back(text);
      continue;
    }
    Exchange& ex = script_.front();
    std::size_t pos = matched_.size();
    if (pos >= ex.expect.size() || ex.expect[pos] != b) {
      char text[96];
      std::snprintf(text, sizeof text, "byte %zu of an exchange: sent %02X, expected %02X", pos, b,
                    pos < ex.expect.size() ? ex.expect[pos] : 0);
      errors.push_back(text);
      continue;
    }
    matched_.push_back(b);
    if (matched_.size() == ex.expect.size()) {
      Micros at = now_ + ex.delay;
      for (auto r : ex.reply) Queue(r, at);
      matched_.clear();
      script_.pop_front();
    }
  }
}

void ScriptedPort::Deliver() {
  while (!pending_.empty() && pending_.front().at <= now_) {
    received_.push_back(pending_.front().byte);
    pending_.pop_front();
  }
}

std::size_t ScriptedPort::Available() {
  Deliver();
  return received_.size();
}

std::vector<std::uint8_t> ScriptedPort::TakeAll() {
  Deliver();
  std::vector<std::uint8_t> out;
  out.swap(received_);
  return out;
}

void ScriptedPort::DiscardInput() {
  Deliver();
  received_.clear();
}

void ScriptedPort::WaitInput(Micros deadline, std::size_t) {
  Micros next = deadline;
  if (!pending_.empty() && pending_.front().at < next) next = pending_.front().at;
  if (next > now_) now_ = next;
}

}  // namespace plclink
