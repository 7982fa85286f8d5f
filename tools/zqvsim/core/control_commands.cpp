#include "tools/zqvsim/core/control_commands.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace zqvsim {

namespace {

bool Number(const std::string& s, long max, long* out) {
  if (s.empty()) return false;
  char* end = nullptr;
  long v = (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) ? std::strtol(s.c_str() + 2, &end, 16)
                                                                         : std::strtol(s.c_str(), &end, 10);
  if (!end || *end != '\0' || v < 0 || v > max) return false;
  *out = v;
  return true;
}

template <typename ByteAt>
std::string Hex(ByteAt byteAt, long addr, long count) {
  std::string out = "ok";
  char buf[4];
  for (long i = 0; i < count; ++i) {
    std::snprintf(buf, sizeof buf, "%02X", byteAt(addr + i));
    out += ' ';
    out += buf;
  }
  return out;
}

}  // namespace

bool ApplyProfileSetting(Profile& p, const std::string& key, const std::string& value, std::string* error) {
  long v = 0;
  auto bad = [&]() {
    if (error) *error = "bad value for " + key + ": " + value;
    return false;
  };
  if (key == "model") {
    // Only the models the studio knows have a framing and a device map to simulate.
    if (!Number(value, 10, &v) || (v < 1 || (v > 5 && v != 10))) {
      if (error) *error = "bad value for model: " + value + " (the models are 1, 2, 3, 4, 5 and 10)";
      return false;
    }
    p.model = static_cast<int>(v);
  } else if (key == "firmware") {
    if (!Number(value, 255, &v)) return bad();
    p.firmware = static_cast<int>(v);
  } else if (key == "extended") {
    if (value != "0" && value != "1") return bad();
    p.extended = value == "1";
  } else if (key == "echo-data") {
    if (value == "auto")
      p.echo = EchoData::Auto;
    else if (value == "on")
      p.echo = EchoData::On;
    else if (value == "off")
      p.echo = EchoData::Off;
    else
      return bad();
  } else if (key == "delay") {
    if (!Number(value, 600000, &v)) return bad();
    p.replyDelay = v * 1000;
  } else if (key == "pace") {
    if (value != "0" && value != "1") return bad();
    p.pace = value == "1";
  } else if (key == "third-ack") {
    if (value != "0" && value != "1") return bad();
    p.thirdRunAck = value == "1";
  } else if (key == "idle-reset") {
    if (!Number(value, 600000, &v) || v == 0) return bad();
    p.idleReset = v * 1000;
  } else {
    if (error) *error = "unknown setting " + key;
    return false;
  }
  return true;
}

std::string DescribeProfile(const Profile& p) {
  const char* echo = p.echo == EchoData::Auto ? "auto" : (p.echo == EchoData::On ? "on" : "off");
  std::ostringstream out;
  out << "model " << p.model << " firmware " << p.firmware << " extended " << (p.extended ? 1 : 0) << " echo-data "
      << echo << " delay " << p.replyDelay / 1000 << " pace " << (p.pace ? 1 : 0) << " third-ack "
      << (p.thirdRunAck ? 1 : 0) << " idle-reset " << p.idleReset / 1000;
  return out.str();
}

std::string RunControl(ModuleCore& core, const std::string& line, bool* quit) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string s; in >> s;) w.push_back(s);
  if (w.empty()) return "error empty command";
  const std::string& c = w[0];
  long addr = 0, count = 0;
  if (c == "peek" || c == "progpeek") {
    const bool data = c == "peek";
    const long size = static_cast<long>(data ? core.data().size() : core.program().size());
    if (w.size() != 3 || !Number(w[1], size - 1, &addr) || !Number(w[2], 4096, &count) || addr + count > size)
      return "error usage: " + c + " ADDR COUNT";
    // Data memory reads live from the running program.
    if (data) return Hex([&](long a) { return core.ReadData(static_cast<std::uint32_t>(a)); }, addr, count);
    return Hex([&](long a) { return core.program()[static_cast<std::size_t>(a)]; }, addr, count);
  }
  if (c == "poke") {
    if (w.size() < 3 || !Number(w[1], 0xFFFF, &addr) || addr + static_cast<long>(w.size()) - 2 > 0x10000)
      return "error usage: poke ADDR BYTE...";
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 2; i < w.size(); ++i) {
      long b = 0;
      // Bytes are hexadecimal like the peek output.
      std::string t = w[i].rfind("0x", 0) == 0 ? w[i] : "0x" + w[i];
      if (!Number(t, 255, &b)) return "error bad byte " + w[i];
      bytes.push_back(static_cast<std::uint8_t>(b));
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) core.WriteData(static_cast<std::uint32_t>(addr + i), bytes[i]);
    return "ok";
  }
  if (c == "input") {
    if (w.size() != 3 || (w[2] != "0" && w[2] != "1")) return "error usage: input DEVICE 0|1";
    std::string error;
    if (!core.SetInput(w[1], w[2] == "1", &error)) return "error " + error;
    return "ok";
  }
  if (c == "program") {
    char buf[64];
    std::snprintf(buf, sizeof buf, "ok %zX %04X", core.storedLength(), core.StoredSum());
    return buf;
  }
  if (c == "state") return core.running() ? "ok running" : "ok stopped";
  if (c == "outputs") {
    if (w.size() != 1) return "error usage: outputs";
    const auto out = core.Outputs();
    return Hex([&](long p) { return out[static_cast<std::size_t>(p)]; }, 0, static_cast<long>(out.size()));
  }
  if (c == "fault") {
    if (w.size() == 2 && w[1] == "clear") {
      core.ClearFaults();
      return "ok";
    }
    std::string error;
    auto f = ParseFault(line.substr(line.find("fault") + 5), &error);
    if (!f) return "error " + error;
    core.AddFault(*f);
    return "ok";
  }
  if (c == "profile") {
    Profile p = core.profile();
    if ((w.size() - 1) % 2 != 0) return "error usage: profile [KEY VALUE]...";
    for (std::size_t i = 1; i + 1 < w.size(); i += 2) {
      std::string error;
      if (!ApplyProfileSetting(p, w[i], w[i + 1], &error)) return "error " + error;
    }
    core.SetProfile(p);
    return "ok " + DescribeProfile(p);
  }
  if (c == "quit") {
    if (quit) *quit = true;
    return "ok bye";
  }
  return "error unknown command " + c;
}

}  // namespace zqvsim
