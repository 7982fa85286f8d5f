#pragma once
// A studio link wired to the simulated module in the same process, and a temporary
// studio folder with a download image, for the device command tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "link/device_job.h"
#include "link/device.h"
#include "link/link.h"
#include "tools/zqvsim/core/sim_port.h"

namespace plclink::testing {

using Bytes = std::vector<std::uint8_t>;

struct TempFolder {
  TempFolder() {
    char tmpl[] = "/tmp/zqv-link-test-XXXXXX";
    path = ::mkdtemp(tmpl);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::filesystem::path path;
};

inline void WriteFile(const std::filesystem::path& p, const Bytes& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A program of `length` bytes (even, at least 10) carrying its length at bytes 8 and 9,
// followed by the archive length and the archive (or 0xFF 0xFF without one).
inline Bytes MakeImage(int length, const Bytes* archive, std::int32_t* romSize, std::uint32_t seed = 7) {
  Bytes image(static_cast<std::size_t>(length));
  for (auto& b : image) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(seed >> 16);
  }
  image[8] = static_cast<std::uint8_t>(length);
  image[9] = static_cast<std::uint8_t>(length >> 8);
  if (!archive) {
    image.push_back(0xFF);
    image.push_back(0xFF);
    *romSize = length;
    return image;
  }
  const auto z = archive->size();
  image.push_back(static_cast<std::uint8_t>(z));
  image.push_back(static_cast<std::uint8_t>(z >> 8));
  image.insert(image.end(), archive->begin(), archive->end());
  if (z % 2) image.push_back(0x00);
  *romSize = static_cast<std::int32_t>(length + z + z % 2);
  return image;
}

inline int FirmwareFor(int model) { return zqvsim::DefaultFirmware(model); }

// A module profile; firmware 0 stands for one the model accepts.
inline zqvsim::Profile ProfileOf(int model, int firmware = 0, bool extended = false) {
  zqvsim::Profile p;
  p.model = model;
  p.firmware = firmware ? firmware : FirmwareFor(model);
  p.extended = extended;
  return p;
}

struct SimBench {
  explicit SimBench(zqvsim::Profile profile, int baseWaitMs = 1000) : core(profile) {
    LinkConfig config;
    config.baseWaitMs = baseWaitMs;
    link = std::make_unique<Link>(config, choice, [this](int) {
      auto port = std::make_unique<zqvsim::SimPort>(core, clock);
      sim = port.get();
      return port;
    });
    device = std::make_unique<Device>(*link, messages, status, language);
    device->OpenPort();
    job.folder = folder.path;
    job.plcModel = static_cast<std::int16_t>(profile.model);
  }
  // Writes the image into the folder and makes it the job's.
  Bytes Image(int length, const Bytes* archive = nullptr) {
    Bytes image = MakeImage(length, archive, &job.romSize);
    WriteFile(job.Image(), image);
    job.compileInfo = true;
    return image;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : messages.shown) t.push_back(m.text);
    return t;
  }
  Bytes Sent() {
    Bytes out;
    out.swap(sim->written);
    return out;
  }
  bool ProgramEquals(const Bytes& bytes, std::size_t count) const {
    return std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count), core.program().begin());
  }

  zqvsim::ModuleCore core;
  zqvsim::SimClock clock;
  zqvsim::SimPort* sim = nullptr;
  platform::RecordingMessageSink messages;
  platform::RecordingStatusPort status;
  FixedPortChoice choice;
  FixedLanguage language;
  std::unique_ptr<Link> link;
  std::unique_ptr<Device> device;
  TempFolder folder;
  DeviceJob job;
};

}  // namespace plclink::testing
