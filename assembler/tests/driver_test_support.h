// In-process assembly of a small source for the driver, segment and directive tests: the whole
// run state is reset, the source is assembled and the last module's segments and statement
// records stay for inspection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assembler/assembly.h"
#include "assembler/assembly_driver.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/run_settings.h"
#include "assembler/segments.h"
#include "assembler/source_files.h"
#include "assembler/statement_services.h"
#include "assembler/statements.h"
#include "assembler/tests/aq71_test_support.h"
#include "assembler/tests/test_run.h"

namespace aq71_test {

class InProcessAssembly : public InFolder {
 protected:
  void SetUp() override {
    InFolder::SetUp();
    reset_all();
  }
  void TearDown() override {
    reset_all();
    InFolder::TearDown();
  }
  static void reset_all() { reset_run_state(); }
  // The run the fixture assembles in.
  static aq71::Assembly& run() { return aq71_test::test_run(); }
  // Assembles the text; returns the exit code a run would have (3 after a fatal stop).
  int assemble(const std::string& text, int processor_option = 0) {
    reset_all();
    console.clear();
    write_file(dir_ / "t.s71", text);
    aq71::RunSettings& settings = aq71::settings(run());
    settings.processor_option = processor_option;
    settings.banner = false;
    int code = 0;
    try {
      std::string name = "t";
      aq71::open_source_file(run(), &name);
      aq71::assemble_A03(run());
    } catch (const aq71::FatalStop& stop) {
      code = stop.exit_code;
    }
    out = console.text();
    if (code == 0) code = aq71::diagnostic_counts(run()).run_errors > 0 ? 2 : 0;
    return code;
  }
  // The statements of a segment of the last module.
  const aq71::StatementChain& chain(int segment) { return aq71::segments(run())[segment].chain; }
  // The first statement whose source line starts with text (after blanks).
  aq71::Statement* statement_of(int segment, const std::string& text) {
    for (aq71::Statement* st : chain(segment)) {
      std::string line(st->text(aq71::statement_store(run())));
      std::size_t p = line.find_first_not_of(" \t");
      if (p != std::string::npos && line.compare(p, text.size(), text) == 0) return st;
    }
    return nullptr;
  }
  // The code words of the encoded instructions of a segment, in order.
  std::vector<std::uint16_t> words(int segment = 1) {
    std::vector<std::uint16_t> w;
    for (aq71::Statement* st : chain(segment))
      if (st->kind == aq71::StatementKind::Instruction && st->encoded)
        for (int i = 0; i < st->code.word_count; ++i) w.push_back(st->code.words[i]);
    return w;
  }
  // The console output of the last run holds text.
  bool has(const std::string& text) const { return out.find(text) != std::string::npos; }
  CapturedConsole console;
  std::string out;
};

}  // namespace aq71_test
