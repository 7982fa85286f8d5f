#pragma once
// Writes a zip archive of stored (uncompressed) members, names as given, for tests of the
// source upload.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace plclink::testing {

inline std::uint32_t Crc32(const std::string& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

inline std::vector<std::uint8_t> StoredZip(const std::vector<std::pair<std::string, std::string>>& members) {
  std::vector<std::uint8_t> out, central;
  auto u16 = [](std::vector<std::uint8_t>& v, unsigned x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
  };
  auto u32 = [&](std::vector<std::uint8_t>& v, std::uint32_t x) {
    u16(v, x & 0xFFFF);
    u16(v, x >> 16);
  };
  for (const auto& [name, data] : members) {
    const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
    const std::uint32_t crc = Crc32(data);
    u32(out, 0x04034b50);
    u16(out, 10);
    u16(out, 0);
    u16(out, 0);
    u16(out, 0);
    u16(out, 0x21);
    u32(out, crc);
    u32(out, static_cast<std::uint32_t>(data.size()));
    u32(out, static_cast<std::uint32_t>(data.size()));
    u16(out, static_cast<unsigned>(name.size()));
    u16(out, 0);
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), data.begin(), data.end());
    u32(central, 0x02014b50);
    u16(central, 0x031E);
    u16(central, 10);
    u16(central, 0);
    u16(central, 0);
    u16(central, 0);
    u16(central, 0x21);
    u32(central, crc);
    u32(central, static_cast<std::uint32_t>(data.size()));
    u32(central, static_cast<std::uint32_t>(data.size()));
    u16(central, static_cast<unsigned>(name.size()));
    u16(central, 0);
    u16(central, 0);
    u16(central, 0);
    u16(central, 0);
    u32(central, 0x81A40000u);
    u32(central, offset);
    central.insert(central.end(), name.begin(), name.end());
  }
  const std::uint32_t cdOffset = static_cast<std::uint32_t>(out.size());
  out.insert(out.end(), central.begin(), central.end());
  u32(out, 0x06054b50);
  u16(out, 0);
  u16(out, 0);
  u16(out, static_cast<unsigned>(members.size()));
  u16(out, static_cast<unsigned>(members.size()));
  u32(out, static_cast<std::uint32_t>(central.size()));
  u32(out, cdOffset);
  u16(out, 0);
  return out;
}

}  // namespace plclink::testing
