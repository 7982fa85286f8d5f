// Saves and opens a full program: 1200 rows with every cell used (END in the last row) and
// every alias set, with Korean texts. Prints the median and fastest time of each step.
//   program_file_bench [rounds]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/program_file.h"
#include "compiler/studio_state.h"
#include "compiler/watch_file.h"
#include "platform/message_box.h"

using namespace compiler;
namespace fs = std::filesystem;

namespace {

const std::string kKo = "\xB0\xA1\xC7\xD1";  // two Korean characters in CP949

std::string Join(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view p : parts) text.append(p);
  return text;
}

void FillFullProgram(Studio& studio) {
  ProgramDocument& doc = studio.doc;
  for (int row = 0; row < kProgramRows; ++row) {
    for (int col = 0; col < kOutputCol; ++col) {
      doc.CellType[col][row] = (col % 3 == 2) ? kContactNC : kContactNO;
      doc.CellText[col][row] = (col == 0) ? Join({"'", kKo, " rung ", std::to_string(row)})
                                          : Join({"P", std::to_string(col), ":", std::to_string(row % 8)});
      doc.VertLink[col][row] = static_cast<int16_t>(row % 2);
      doc.MonDevNum[col][row] = static_cast<int16_t>(col);
      doc.MonDevBit[col][row] = static_cast<int16_t>(row % 8);
      doc.MonDevKind[col][row] = 6;
    }
    doc.CellType[kOutputCol][row] = kCoil;
    doc.CellText[kOutputCol][row] = Join({"M", std::to_string(row % 128), ":", std::to_string(row % 8)});
  }
  doc.CellType[9][kProgramRows - 1] = kBox;
  doc.CellText[9][kProgramRows - 1] = "END";
  doc.CellText[kOutputCol][kProgramRows - 1].clear();
  auto alias = [](const char* name, int i) { return Join({name, kKo, "_", std::to_string(i)}); };
  for (int i = 0; i < kAliasPUsed; ++i) doc.AliasP[i] = alias("LAMP", i);
  for (int i = 0; i < kAliasMUsed; ++i) doc.AliasM[i] = alias("MEM", i);
  for (int i = 0; i < kAliasKUsed; ++i) doc.AliasK[i] = alias("KEEP", i);
  for (int i = 0; i < kAliasCUsed; ++i) doc.AliasC[i] = alias("COUNT", i);
  for (int i = 0; i < kAliasTUsed; ++i) doc.AliasT[i] = alias("TIMER", i);
  studio.shell.MemoText = "memo\nline two";
  studio.watch.WatchCount = kWatchSlots;
  for (int i = 0; i < kWatchSlots; ++i) studio.watch.WatchName[i] = Join({"P0:", std::to_string(i % 8), "  ", kKo});
}

void Report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-44s median %8.3f ms   fastest %8.3f ms\n", what, ms[ms.size() / 2], ms.front());
}

std::vector<double> Time(int rounds, const std::function<void()>& step) {
  std::vector<double> ms;
  for (int i = 0; i < rounds; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    step();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  std::string pattern = (fs::temp_directory_path() / "zqv-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  fs::path dir = pattern;
  platform::RecordingMessageSink sink;
  auto studio = std::make_unique<Studio>();
  studio->messages = &sink;
  FillFullProgram(*studio);
  studio->shell.CurFilePath = (dir / "full.qsl").string();

  std::string bytes;
  if (!EncodeProgramFile(studio->doc, bytes)) {
    std::fprintf(stderr, "the program could not be encoded\n");
    return 1;
  }
  std::printf("program file: %zu bytes, %d rounds\n", bytes.size(), rounds);

  bool failed = false;
  Report("encode (memory)", Time(rounds, [&] { failed |= !EncodeProgramFile(studio->doc, bytes); }));
  Report("decode into a fresh document (memory)", Time(rounds, [&] {
           auto fresh = std::make_unique<ProgramDocument>();
           failed |= DecodeProgramFile(bytes, *fresh) != ProgramFileStatus::kOk;
         }));
  Report("WriteProgramFile (temp file, fsync, rename)", Time(rounds, [&] { failed |= WriteProgramFile(*studio); }));
  Report("SaveProgram (program, backup, memo, watch)",
         Time(rounds, [&] { failed |= SaveProgram(*studio, studio->shell.CurFilePath, dir) != SaveResult::Saved; }));
  Report("LoadProgramFile", Time(rounds, [&] { failed |= !LoadProgramFile(*studio, studio->shell.CurFilePath); }));
  Report("LoadWatchFile", Time(rounds, [&] { failed |= !LoadWatchFile(*studio, studio->shell.CurFilePath); }));

  std::error_code ec;
  fs::remove_all(dir, ec);
  if (failed || !sink.shown.empty()) {
    std::fprintf(stderr, "a step failed%s%s\n", sink.shown.empty() ? "" : ": ",
                 sink.shown.empty() ? "" : sink.shown.front().text.c_str());
    return 1;
  }
  return 0;
}
