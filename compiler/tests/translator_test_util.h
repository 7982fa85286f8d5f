#pragma once
// Shared helpers of the translator tests.

#include <memory>
#include <string>

#include "compiler/studio_state.h"
#include "compiler/translator.h"
#include "ladder_builder_support.h"
#include "platform/message_box.h"

namespace ladder_test {

struct Translated {
  bool failed = false;
  std::string text;  // the rungs before the END rung (its lines are checked and cut off)
  std::string all;
  int col = -1, row = -1;
  std::string en, ko;
};

inline constexpr const char* kEndLines = " LOAD   F0:1 \r\n RET ";

// Translates doc after adding an END rung at endRow.
inline Translated TranslateWithEnd(compiler::ProgramDocument& doc, int endRow, platform::MessageSink* sink = nullptr) {
  EndRung(doc, endRow);
  compiler::LadderTranslator t(doc, sink);
  Translated r;
  r.failed = t.Run();
  r.all = t.Output();
  r.text = r.all;
  const std::string end = kEndLines;
  if (!r.failed && r.text.size() >= end.size() && r.text.compare(r.text.size() - end.size(), end.size(), end) == 0)
    r.text.resize(r.text.size() - end.size());
  r.col = t.PosCol;
  r.row = t.PosRow;
  r.en = t.TransErrMsg;
  r.ko = t.TransErrMsgKor;
  return r;
}

inline std::unique_ptr<compiler::Studio> NewStudio() {
  auto s = std::make_unique<compiler::Studio>();
  s->ClearProgram();
  return s;
}

}  // namespace ladder_test
