#include "runtime_support.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "ladder_builder_support.h"
#include "link/hex_image.h"

namespace fs = std::filesystem;

namespace runtime_test {

BuiltStudio::BuiltStudio() : studio(std::make_unique<compiler::Studio>()) {
  static int serial = 0;
  folder = fs::temp_directory_path() / ("zqv-runtime-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
  fs::remove_all(folder);
  fs::create_directories(folder);
  const fs::path bin = std::getenv("ZQV_BIN_DIR");
  for (const auto& entry : fs::directory_iterator(bin)) {
    const std::string name = entry.path().filename().string();
    const std::string ext = entry.path().extension().string();
    if (name == "aq71" || name == "zqlink" || ext == ".BAT" || ext == ".S71" || ext == ".INC")
      fs::create_symlink(entry.path(), folder / name);
  }
  studio->messages = &sink;
  studio->doc.Setup.UploadFlag = false;
}

BuiltStudio::~BuiltStudio() {
  std::error_code ec;
  if (!::testing::Test::HasFailure()) fs::remove_all(folder, ec);
}

plclink::AutoOutcome BuiltStudio::Build() {
  plclink::SpawnProcessRunner runner;
  plclink::HeadlessAutoHost host;
  plclink::AutoJob job;
  job.folder = folder;
  job.runner = &runner;
  return plclink::RunAuto(*studio, host, job);
}

std::string BuiltStudio::ReadOutput(const std::string& name) const {
  std::ifstream in(folder / name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<uint8_t> BuiltStudio::Program() const {
  const std::string image = ReadOutput(plclink::kImageFileName);
  if (image.size() < 10) return {};
  const size_t length = uint8_t(image[8]) | (uint8_t(image[9]) << 8);
  if (length > image.size()) return {};
  return std::vector<uint8_t>(image.begin(), image.begin() + long(length));
}

int MapStart(const std::string& area, int plcModel) {
  static const std::map<std::string, std::array<int, 3>> starts = {
      {"P", {96, 96, 96}},     {"F", {255, 235, 235}},  {"M", {271, 243, 243}},  {"S", {527, 307, 307}},
      {"K", {559, 323, 323}},  {"T", {623, 339, 387}},  {"C", {1135, 403, 515}}, {"CF", {1647, 467, 579}},
      {"D", {1904, 499, 611}}, {"CH", {112, 112, 112}}, {"G", {192, 192, 192}}};
  const int group = (plcModel == 1 || plcModel == 3 || plcModel == 5) ? 0 : plcModel == 2 ? 1 : 2;
  return starts.at(area)[size_t(group)];
}

bool BitOf(const zqvsim::AvrMachine& m, const std::string& operand, int plcModel) {
  const size_t colon = operand.find(':');
  const std::string area = operand.substr(0, 1);
  const int word = std::stoi(operand.substr(1, colon - 1));
  const int bit = std::stoi(operand.substr(colon + 1));
  return (m.ReadDevice(uint32_t(MapStart(area, plcModel) + word)) >> bit) & 1;
}

uint16_t WordOf(const zqvsim::AvrMachine& m, const std::string& area, int n, int plcModel) {
  const uint32_t at = uint32_t(MapStart(area, plcModel) + 2 * n);
  return uint16_t((m.ReadDevice(at) << 8) | m.ReadDevice(at + 1));
}

void SetWordOf(zqvsim::AvrMachine& m, const std::string& area, int n, uint16_t value, int plcModel) {
  const uint32_t at = uint32_t(MapStart(area, plcModel) + 2 * n);
  m.WriteDevice(at, uint8_t(value >> 8));
  m.WriteDevice(at + 1, uint8_t(value));
}

void InputsOnP0P1(compiler::Studio& studio) {
  for (int i = 0; i < 40; ++i) studio.doc.Setup.IoDir[size_t(i)] = i < 16 ? 1 : 0;
}

void DemoLadder(compiler::Studio& studio) {
  using namespace ladder_test;
  auto& doc = studio.doc;
  InputsOnP0P1(studio);
  auto box = [](const std::string& contact, const std::string& text) {
    std::vector<std::string> row{contact};
    for (int c = 1; c <= 8; ++c) row.push_back("-");
    row.push_back(text);
    return row;
  };
  int r = 0;
  Rung(doc, r++, {"P0:0", "/P0:1"}, "P2:0");
  Rung(doc, r, {"P0:2"}, "P2:1");
  Link(doc, 0, r++);
  SetCell(doc, 0, r++, "P0:3");
  SetRow(doc, r++, box("P0:5", "[TON T0, " + std::to_string(kDemoPreset) + "]"));
  Rung(doc, r++, {"T0"}, "P2:2");
  SetRow(doc, r++, box("P0:6", "{CTU C0, 3}"));
  SetRow(doc, r++, {"P0:7", "-", "-", "-", "-", "-", "-", "-", "-"});
  Rung(doc, r++, {"C0"}, "P2:3");
  EndRung(doc, r);
}

uint8_t DemoLogic(uint8_t p0, bool timerDone, bool counted) {
  auto in = [&](int bit) { return (p0 >> bit) & 1; };
  uint8_t out = 0;
  if (in(0) && !in(1)) out |= 1;
  if (in(2) || in(3)) out |= 2;
  if (timerDone) out |= 4;
  if (counted) out |= 8;
  return out;
}

}  // namespace runtime_test
