#include "compiler/translator.h"

#include <algorithm>
#include <system_error>

#include "compiler/asm_output.h"
#include "compiler/document.h"
#include "compiler/monitor_attrs.h"
#include "compiler/operands.h"
#include "compiler/rung_check.h"
#include "compiler/studio_state.h"
#include "platform/ansi_text.h"
#include "platform/file_write.h"

namespace compiler {
namespace {

constexpr const char* kInvalidSymbol = "Invalid Symbol ! ";
constexpr const char* kInvalidOperand = "Invalid Operand !";
constexpr const char* kOutputNotFound = "Output Symbol Not Found !";
constexpr const char* kNotFoundNumber = "Not Found Number !";

constexpr const char* kKoOutputNotFoundWalk = "출력 심볼을 찾을 수 없습니다.";
constexpr const char* kKoOutputNotFoundColumn = "출력 심볼을 찾을 수 없습니다. ";
constexpr const char* kKoSymbolOutput = "이곳에 위치할 수 없는 심볼입니다. (출력 심볼만 가능) ";
constexpr const char* kKoSymbolWalk = "잘못된 형식의 명령또는 릴레이표현 입니다.";
constexpr const char* kKoSymbolColumn0 = "이곳에 위치할 수 없는 심볼입니다. 입력 심볼을 사용해야 합니다.";
constexpr const char* kKoSymbolBranch = "이곳에 위치할 수 없는 심볼입니다.";
constexpr const char* kKoInvalidOperand = "잘못된 형식의 명령또는 릴레이표현 입니다.";
constexpr const char* kKoMcsOrder = "MCS의 숫자 순서가 잘못되었습니다. 반드시 0부터 차례대로 사용해야합니다.";
constexpr const char* kKoOutOfRange = "0~7사이의 숫자를 기입해야 합니다.";
constexpr const char* kKoNotFoundNumber = "숫자를 기입해야 합니다.";

constexpr const char* kErrorCaption = "Korvane Studio Error !";

bool IsElement(int code) { return code != kEmpty && code != kWire && code != kNot; }

bool StartsWith(const std::string& text, std::string_view prefix) {
  return text.size() >= prefix.size() && std::string_view(text).substr(0, prefix.size()) == prefix;
}

// A master-control level: blanks around an optionally signed decimal number, nothing else.
bool ReadLevel(std::string_view s, long& value) {
  size_t i = 0, end = s.size();
  while (i < end && s[i] == ' ') ++i;
  while (end > i && s[end - 1] == ' ') --end;
  bool negative = false;
  if (i < end && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  if (i == end) return false;
  long v = 0;
  for (; i < end; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    if (v < 1000000) v = v * 10 + (s[i] - '0');
  }
  value = negative ? -v : v;
  return true;
}

void ShowMessage(platform::MessageSink* sink, const std::string& caption, const std::string& text) {
  if (!sink) return;
  platform::Message m;
  m.caption = caption;
  m.text = text;
  m.icon = platform::MsgIcon::Information;
  sink->Show(m);
}

}  // namespace

bool IsBadCellText(const std::string& text) {
  const size_t n = platform::AnsiCharCount(text);
  return n < 1 || n > 25;
}

LadderTranslator::LadderTranslator(const ProgramDocument& doc, platform::MessageSink* messages)
    : doc_(doc), messages_(messages) {}

int LadderTranslator::Type(int col, int row) const { return doc_.TypeAt(col, row); }
const std::string& LadderTranslator::Text(int col, int row) const { return doc_.TextAt(col, row); }
int LadderTranslator::Link(int col, int row) const { return doc_.LinkAt(col, row); }

bool LadderTranslator::Fail(const char* english, const char* korean) {
  TransErrMsg = english;
  TransErrMsgKor = korean;
  return true;
}

bool LadderTranslator::Run() {
  mcsLevel_ = -1;
  endWritten_ = false;
  output_.clear();
  const int endRow = std::min<int>(doc_.EndRow, kProgramRows - 1);
  output_.reserve(static_cast<size_t>(endRow + 1) * 128);  // room for a typical rung per row
  PosRow = 0;
  RungChecker checker(doc_);
  while (PosRow <= endRow) {
    line_.clear();
    brLastRow_ = 0;
    outputsDone_.clear();
    const int firstRow = PosRow;
    if (TranslateRow()) return true;
    // Rows reached by a parallel branch belong to this rung; never go back over rows the
    // rung already consumed.
    if (brLastRow_ != 0) PosRow = std::max(PosRow, brLastRow_);
    if (CheckConsumedOutputs(firstRow + 1, PosRow)) return true;
    // The END row is a rung of its own: a branch of an earlier rung that runs into it would
    // leave the program without its return or put lines after it.
    if (firstRow < endRow && PosRow >= endRow) return FailAtEnd(kKoSymbolBranch);
    if (firstRow == endRow && !EndsWithReturn(line_)) return FailAtEnd(kKoSymbolColumn0);
    // Also an empty or comment row: a link from the rung above may bring power into it.
    int col = 0, row = 0;
    if (checker.Differs(firstRow, PosRow, line_, col, row)) {
      PosCol = col;
      PosRow = row;
      return Fail(kInvalidSymbol, kKoSymbolBranch);
    }
    output_ += line_;
    ++PosRow;
  }
  if (!EndsWithReturn(output_)) return FailAtEnd(kKoSymbolColumn0);
  return false;
}

// The program must end with the return written by the END box of the END row, or it would
// run past its end in the module.
bool LadderTranslator::EndsWithReturn(const std::string& text) const {
  return endWritten_ && text.size() >= kEndLine.size() &&
         text.compare(text.size() - kEndLine.size(), kEndLine.size(), kEndLine) == 0;
}

bool LadderTranslator::FailAtEnd(const char* korean) {
  PosRow = doc_.EndRow;
  PosCol = 0;
  for (int col = 0; col <= kOutputCol; ++col) {
    if (Text(col, PosRow) == "END") {
      PosCol = col;
      break;
    }
  }
  return Fail(kInvalidSymbol, korean);
}

// Rows below the rung's first row that the rung took over must not hide outputs that were
// never translated (a branch shape the translator does not follow).
bool LadderTranslator::CheckConsumedOutputs(int firstRow, int lastRow) {
  for (int row = firstRow; row <= lastRow; ++row) {
    for (int col = 0; col <= kOutputCol; ++col) {
      const int code = Type(col, row);
      if (code != kCoil && code != kBox && code != kCounterBox) continue;
      if (std::find(outputsDone_.begin(), outputsDone_.end(), std::make_pair(col, row)) != outputsDone_.end()) continue;
      PosCol = col;
      PosRow = row;
      return Fail(kInvalidSymbol, kKoSymbolBranch);
    }
  }
  return false;
}

void LadderTranslator::EmitMcsConditions() {
  for (int level = 0; level <= std::min(mcsLevel_, 7); ++level) line_ += McsConditionLine(level);
}

bool LadderTranslator::PushBranch(int col, int row) {
  if (brCount_ == kRingSize) return Fail(kInvalidSymbol, kKoSymbolBranch);
  brCol_[static_cast<size_t>(brPut_)] = col;
  brRow_[static_cast<size_t>(brPut_)] = row;
  brRds_[static_cast<size_t>(brPut_)] = 1;
  brPut_ = (brPut_ + 1) % kRingSize;
  ++brCount_;
  return false;
}

bool LadderTranslator::TranslateRowStart() {
  const int code = Type(PosCol, PosRow);
  if (code == kContactNO || code == kContactNC) {
    const std::string& text = Text(PosCol, PosRow);
    if (IsBadCellText(text)) return Fail(kInvalidOperand, kKoInvalidOperand);
    line_ += ContactLine(code == kContactNO ? ContactOp::Load : ContactOp::LoadN, text, PosCol, PosRow);
    return false;
  }
  if (code == kWire) {
    line_ += kRowStartWireLine;
    return false;
  }
  return Fail(kInvalidSymbol, kKoSymbolColumn0);
}

// Contacts, wires, NOT and edges on the main row of a rung (or of a counter's reset row).
// handled is false for any other code.
bool LadderTranslator::TranslateContact(int code, bool& handled) {
  handled = true;
  const std::string& text = Text(PosCol, PosRow);
  switch (code) {
    case kContactNO:
    case kContactNC: {
      if (IsBadCellText(text)) return Fail(kInvalidOperand, kKoInvalidOperand);
      const bool opens = PosCol == pendingCol_;
      ContactOp op;
      if (code == kContactNO) {
        op = opens ? ContactOp::Load : ContactOp::And;
      } else {
        op = opens ? ContactOp::LoadN : ContactOp::AndN;
      }
      line_ += ContactLine(op, text, PosCol, PosRow);
      return false;
    }
    case kWire:
      // A series block that begins with a wire starts from the always-on bit, as a rung does.
      if (PosCol == pendingCol_) line_ += kRowStartWireLine;
      return false;
    case kNot:
      line_ += NotLine(PosCol, PosRow);
      return false;
    case kFallingEdge:
    case kRisingEdge:
      line_ += EdgeLine(code == kRisingEdge, false, text, PosCol, PosRow);
      return false;
    default:
      handled = false;
      return false;
  }
}

bool LadderTranslator::BadBoxText(const std::string& text) {
  if (text.empty() || platform::AnsiCharCount(text) >= 129) return true;
  if (StartsWith(text, "SGNOUT") && text.find(',') == std::string::npos) {
    ShowMessage(messages_, kErrorCaption,
                "연결된 ZID모듈의 갯수를 적어주십시요!\r\n"
                "사용예: SGNOUT P0:4, 1    <---(하나의 ZID모듈을 사용한 경우)");
    return true;
  }
  return false;
}

bool LadderTranslator::CheckMcsLevel(const std::string& text) {
  long n = 0;
  if (!ReadLevel(GetField(text, 2), n)) return Fail(kNotFoundNumber, kKoNotFoundNumber);
  if (n < 0 || n > 7) return Fail("Out of range ! Avaiable 0 ~ 7 !!! ", kKoOutOfRange);
  if (n != mcsLevel_ + 1) return Fail("Invalid MCS starting level ! Must be make order 0 ~ 7 !!! ", kKoMcsOrder);
  mcsLevel_ = static_cast<int>(n);
  return false;
}

bool LadderTranslator::ParseMcsClearLevel(const std::string& text) {
  long n = 0;
  if (!ReadLevel(GetField(text, 2), n)) return Fail(kNotFoundNumber, kKoNotFoundNumber);
  if (n < 0 || n > 7) return Fail("Out of range ! Avaiable 0 ~ 7 ", kKoOutOfRange);
  // Closes level n and every level above it; never opens levels.
  mcsLevel_ = std::min(mcsLevel_, static_cast<int>(n) - 1);
  return false;
}

bool LadderTranslator::InstructionBox(bool& hasOutput) {
  hasOutput = true;
  const std::string& text = Text(PosCol, PosRow);
  if (BadBoxText(text)) return Fail(kInvalidOperand, kKoInvalidOperand);
  const std::string w1 = GetField(text, 1);
  if (w1 == "MCS") {
    if (CheckMcsLevel(text)) return true;
  } else if (w1 == "MCSCLR") {
    if (ParseMcsClearLevel(text)) return true;
  }
  if (w1 != "END" && w1 != "MCS" && w1 != "MCSCLR" && w1 != "JMP" && w1 != "JME" && w1 != "CALLS" && w1 != "RET")
    EmitMcsConditions();
  outputsDone_.emplace_back(PosCol, PosRow);
  if (text == "END") {
    if (PosRow == doc_.EndRow) endWritten_ = true;
    line_ += kEndLine;
  } else {
    line_ += BoxLine(text, PosCol, PosRow);
  }
  return false;
}

bool LadderTranslator::CounterBox(bool& hasOutput) {
  hasOutput = true;
  const int row = PosRow;
  // The box is two cells wide and two rows high: its cell is in column 9, its reset input
  // in the row below.
  if (PosCol != 9) return Fail(kInvalidSymbol, kKoSymbolWalk);
  const std::string& text = Text(PosCol, row);
  if (BadBoxText(text)) return Fail(kInvalidOperand, kKoInvalidOperand);
  // Branch points still waiting for the rung's output would be lost under the counter.
  if (brCount_ != 0) return Fail(kInvalidSymbol, kKoSymbolBranch);
  PosCol = 0;
  PosRow = row + 1;
  EmitMcsConditions();
  if (TranslateResetRow()) return true;
  PosCol = 9;
  PosRow = row;
  outputsDone_.emplace_back(PosCol, PosRow);
  if (StartsWith(text, "CTD")) line_ += kCtdLine;
  line_ += BoxLine(text, PosCol, PosRow);
  PosRow = row + 1;
  return false;
}

// The counter's reset input: the row under the box, from column 0 up to the box column,
// whose cell must be empty (the box's lower half).
bool LadderTranslator::TranslateResetRow() {
  if (Type(0, PosRow) == kEmpty) return Fail(kInvalidSymbol, kKoSymbolColumn0);
  brPut_ = brGet_ = brCount_ = 0;
  pendingCol_ = 0;
  if (TranslateRowStart()) return true;
  if (TranslateBlock()) return true;
  for (PosCol = 1; PosCol < 9; ++PosCol) {
    const int code = Type(PosCol, PosRow);
    if (code == kEmpty) return Fail(kOutputNotFound, kKoOutputNotFoundWalk);
    bool handled = false;
    if (TranslateContact(code, handled)) return true;
    if (!handled) return Fail(kInvalidSymbol, kKoSymbolWalk);
    if (TranslateBlock()) return true;
  }
  if (Type(9, PosRow) != kEmpty) return Fail(kInvalidSymbol, kKoSymbolWalk);
  return false;
}

bool LadderTranslator::TranslateRow() {
  PosCol = 0;
  brPut_ = brGet_ = brCount_ = 0;
  pendingCol_ = 0;
  bool hasOutput = false;
  if (Type(0, PosRow) == kEmpty) {
    // The END row must be translated, or the program would lack its final RET.
    if (PosRow == doc_.EndRow) return Fail(kInvalidSymbol, kKoSymbolColumn0);
    return false;
  }
  if (TranslateRowStart()) return true;
  if (TranslateBlock()) return true;
  PosCol = 1;
  bool atOutput = false;
  for (;;) {
    while (!atOutput && PosCol <= 9) {
      const int code = Type(PosCol, PosRow);
      if (code == kEmpty) {
        if (hasOutput) break;
        return Fail(kOutputNotFound, kKoOutputNotFoundWalk);
      }
      bool handled = false;
      if (TranslateContact(code, handled)) return true;
      if (!handled) {
        if (code == kBox) {
          if (InstructionBox(hasOutput)) return true;
        } else if (code == kCounterBox) {
          if (CounterBox(hasOutput)) return true;
        } else {
          return Fail(kInvalidSymbol, kKoSymbolWalk);
        }
      }
      if (TranslateBlock()) return true;
      ++PosCol;
    }

    // Output column.
    PosCol = kOutputCol;
    const int code = Type(PosCol, PosRow);
    if (code == kEmpty) {
      if (!hasOutput) return Fail(kOutputNotFound, kKoOutputNotFoundColumn);
    } else if (code == kWire) {
      return Fail("Output Symbol Not Found ! ", kKoOutputNotFoundColumn);
    } else if (code == kCoil) {
      hasOutput = true;
      const std::string& text = Text(PosCol, PosRow);
      if (IsBadCellText(text)) return Fail(kInvalidOperand, kKoInvalidOperand);
      EmitMcsConditions();
      line_ += CoilLine(text, PosCol, PosRow);
      outputsDone_.emplace_back(PosCol, PosRow);
    } else {
      return Fail(kInvalidSymbol, kKoSymbolOutput);
    }

    // Resume the branch points left for after the output.
    if (brCount_ == 0) return false;
    const auto at = static_cast<size_t>(brGet_);
    PosCol = brCol_[at];
    PosRow = brRow_[at];
    if (brRds_[at] == 1) line_ += kRdsLine;
    brGet_ = (brGet_ + 1) % kRingSize;
    --brCount_;
    atOutput = PosCol >= kOutputCol;
  }
}

bool LadderTranslator::GetCellLink() {
  const int c = PosCol, r = PosRow;
  if (Link(c, r) != 1) return false;
  int n = 0;
  for (int i = 0; i <= c; ++i) n += IsElement(Type(i, r + 1)) ? 1 : 0;
  linkBelowLeft_ = Type(c, r + 1) == kEmpty ? 0 : n;
  n = 0;
  for (int i = kOutputCol; i >= c + 1; --i) n += IsElement(Type(i, r + 1)) ? 1 : 0;
  linkBelowRight_ = Type(c + 1, r + 1) == kEmpty ? 0 : n;
  n = 0;
  for (int i = kOutputCol; i >= c + 1; --i) n += IsElement(Type(i, r)) ? 1 : 0;
  linkRight_ = Type(c + 1, r) == kEmpty ? 0 : n;
  return true;
}

bool LadderTranslator::TranslateBlock() {
  const int c = PosCol, r = PosRow;
  if (!GetCellLink()) return false;
  if (TranslateParallel()) return true;
  if (pendingCol_ != 0) line_ += kAndsLine;
  PosCol = c;
  PosRow = r;
  if (linkBelowRight_ >= 1 && linkRight_ >= 1) {
    bool moreLinks = false;
    for (int i = c + 1; i <= kOutputCol; ++i) moreLinks = moreLinks || Link(i, r) == 1;
    if (moreLinks) {
      pendingCol_ = c + 1;
    } else {
      // The rung macros keep one saved state: a second branch point while the first one's
      // rows are still waiting would hand them the wrong state.
      if (brCount_ != 0) return Fail(kInvalidSymbol, kKoSymbolBranch);
      line_ += kSavesLine;
      int k = r + 1;
      if (PushBranch(c + 1, k)) return true;
      while (Link(c, k) != 0) {
        ++k;
        if (PushBranch(c + 1, k)) return true;
      }
      PosRow = r;
    }
  }
  return false;
}

bool LadderTranslator::TranslateParallel() {
  const int c0 = PosCol;
  PosRow = PosRow + 1;
  const int b = PosRow;
  if (b > brLastRow_) brLastRow_ = b;
  // A normally closed contact with a bad text ends its step but lets the rest of the branch
  // be walked; the branch then fails with the recorded text.
  bool recorded = false;
  auto record = [&](const char* en, const char* ko) {
    Fail(en, ko);
    recorded = true;
  };

  // One element below: a single contact, reached from column 0 over wires, with nothing but
  // wires between it and the link.
  if (linkBelowLeft_ == 1 && pendingCol_ == 0) {
    bool found = false;
    for (int i = 0; i <= c0; ++i) {
      const int code = Type(i, PosRow);
      if (found) {
        if (code != kWire) return Fail(kInvalidSymbol, kKoSymbolBranch);
        continue;
      }
      if (code == kWire) continue;
      if (code != kContactNO && code != kContactNC) return Fail(kInvalidSymbol, kKoSymbolBranch);
      const std::string& text = Text(i, PosRow);
      if (IsBadCellText(text)) {
        if (code == kContactNO) return Fail(kInvalidOperand, kKoInvalidOperand);
        record(kInvalidOperand, kKoInvalidOperand);
        break;
      }
      line_ += ContactLine(code == kContactNO ? ContactOp::Or : ContactOp::OrN, text, PosCol, PosRow);
      found = true;
    }
    if (!GetCellLink()) return recorded;
    if (TranslateParallel()) return true;
  }

  // Wider branch: a row of its own from column 0, joined by ORS.
  if (linkBelowLeft_ >= 2 && pendingCol_ == 0) {
    const int s = PosCol;
    PosCol = 0;
    PosRow = b;
    if (TranslateRowStart()) return true;
    if (GetCellLink()) {
      if (TranslateParallel()) return true;
    }
    PosRow = b;
    PosCol = s;
    for (int i = 1; i <= s; ++i) {
      const int code = Type(i, PosRow);
      if (code == kWire) continue;
      if (code == kContactNO || code == kContactNC) {
        const std::string& text = Text(i, PosRow);
        if (IsBadCellText(text)) {
          if (code == kContactNO) return Fail(kInvalidOperand, kKoInvalidOperand);
          record(kInvalidOperand, kKoInvalidOperand);
          break;
        }
        line_ += ContactLine(code == kContactNO ? ContactOp::And : ContactOp::AndN, text, PosCol, PosRow);
        continue;
      }
      if (code == kFallingEdge || code == kRisingEdge) {
        line_ += EdgeLine(code == kRisingEdge, true, Text(i, PosRow), PosCol, PosRow);
        continue;
      }
      return Fail(kInvalidSymbol, kKoSymbolBranch);
    }
    line_ += kOrsLine;
    if (!GetCellLink()) return recorded;
    if (TranslateParallel()) return true;
  }

  // Lower row of a pending series block: one contact between the block's first column and
  // the link, ORed into the block's upper row. Two or more would need a saved level the
  // rung macros do not have.
  if (linkBelowLeft_ >= 1 && pendingCol_ != 0) {
    const int s = PosCol;
    bool found = false;
    for (int i = pendingCol_; i <= s; ++i) {
      const int code = Type(i, PosRow);
      if (code == kContactNO || code == kContactNC) {
        if (found) {
          PosCol = s;
          PosRow = b - 1;
          return Fail(kInvalidSymbol, kKoSymbolBranch);
        }
        const std::string& text = Text(i, PosRow);
        if (IsBadCellText(text)) {
          if (code == kContactNO) return Fail(kInvalidOperand, kKoInvalidOperand);
          record(kInvalidOperand, kKoInvalidOperand);
          break;
        }
        line_ += ContactLine(code == kContactNO ? ContactOp::Or : ContactOp::OrN, text, PosCol, PosRow);
        found = true;
      } else if (code != kWire) {
        return Fail(kInvalidSymbol, kKoSymbolBranch);
      }
      PosCol = i;
      if (GetCellLink()) {
        if (TranslateParallel()) return true;
      }
    }
    PosCol = s;
  }

  if (GetCellLink()) {
    if (TranslateParallel()) return true;
  }
  return recorded;
}

// ---------------------------------------------------------------------------------------

AsmSourceResult WriteAsmSource(Studio& studio, const std::filesystem::path& folder) {
  AsmSourceResult result;
  LadderTranslator translator(studio.doc, studio.messages);
  const bool failed = translator.Run();
  const bool korean = studio.shell.KoreanMenu;

  std::string error;
  if (!platform::WriteBuildFile(folder / kTranslationName, translator.Output(), &error)) {
    ShowMessage(studio.messages, kErrorCaption,
                platform::Pick(korean, "File Open Error (qs2out.$$$) !!!", "파일 오픈 에러 (qs2out.$$$) !!!"));
    if (!failed) {
      result.outcome = AsmSourceOutcome::FileError;
      return result;
    }
  }
  if (failed) {
    result.outcome = AsmSourceOutcome::TranslationError;
    result.PosCol = translator.PosCol;
    result.PosRow = translator.PosRow;
    result.TransErrMsg = translator.TransErrMsg;
    result.TransErrMsgKor = translator.TransErrMsgKor;
    return result;
  }

  SetMonitorAttributes(studio.doc);

  const std::filesystem::path copy = folder / kAssemblerCopyName;
  if (!platform::WriteBuildFile(copy, MakeAssemblerCopy(translator.Output()), &error)) {
    // No include of an earlier build may stay behind for the assembler.
    std::error_code ec;
    if (std::filesystem::is_regular_file(copy, ec)) std::filesystem::remove(copy, ec);
    ShowMessage(studio.messages, kErrorCaption, "File Open Error (qsklinc.$$$) !!!");
    result.outcome = AsmSourceOutcome::FileError;
  }
  return result;
}

CompileResult CompileLadder(Studio& studio, const std::filesystem::path& folder) {
  CompileResult result;
  const bool korean = studio.shell.KoreanMenu;
  if (studio.FindEndLine()) {
    ShowMessage(studio.messages, kErrorCaption,
                platform::Pick(korean, "END Command Not Found !", "END 명령을 찾을 수 없습니다."));
    result.outcome = CompileOutcome::EndNotFound;
    result.CompileErr = 1;
    return result;
  }

  const AsmSourceResult written = WriteAsmSource(studio, folder);
  if (written.outcome == AsmSourceOutcome::FileError) {
    result.outcome = CompileOutcome::FileError;
    result.CompileErr = 1;
    return result;
  }
  if (written.outcome == AsmSourceOutcome::Ok) return result;

  // The cell as the cursor can stand on it.
  const int col = std::clamp(written.PosCol, 0, kOutputCol);
  const int row = std::clamp(written.PosRow, 0, kProgramRows - 1);
  result.outcome = CompileOutcome::TranslationError;
  result.CompileErr = 1;
  result.ErrCol = col;
  result.ErrRow = row;
  result.TransErrMsg = written.TransErrMsg;
  result.TransErrMsgKor = written.TransErrMsgKor;

  const std::string where = " " + std::to_string(col + 1) + ", " + std::to_string(row + 1);
  result.errorMessage.caption = "Korvane Studio Ladder Compile ERROR !";
  result.errorMessage.text =
      korean ? "레더 컴파일 에러 : " + written.TransErrMsgKor + "\r\n\r\n에러가 발생한 곳은 " + where
             : "Ladder Compile Error : " + written.TransErrMsg + " At " + where;
  result.errorMessage.icon = platform::MsgIcon::Information;
  return result;
}

}  // namespace compiler
