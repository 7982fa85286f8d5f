#pragma once
// The ladder translator: turns the ladder grid into one macro call per element (QS2OUT.$$$),
// its assembler-ready copy (QSKLINC.$$$) and the cells' monitor attributes, and returns a
// translation error with its cell and message; the command that runs the build shows them.

#include <array>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/message_box.h"

namespace compiler {

class ProgramDocument;
struct Studio;

inline constexpr const char* kTranslationName = "QS2OUT.$$$";
inline constexpr const char* kAssemblerCopyName = "QSKLINC.$$$";

// State of one translation. Construct, call Run() once.
class LadderTranslator {
 public:
  LadderTranslator(const ProgramDocument& doc, platform::MessageSink* messages);

  // Translates rows 0..EndRow. Returns true on failure, with the texts and PosCol/PosRow
  // naming the failing cell; Output() then holds the rungs translated before it. A rung
  // whose lines would give one of its outputs other logic than drawn is refused at that
  // output; a program that would not end with the return of its END box, at the END cell.
  bool Run();

  // Translates the rung at PosRow (may leave PosRow on a later row it consumed).
  bool TranslateRow();

  const std::string& Output() const { return output_; }
  int PosCol = 0;
  int PosRow = 0;
  std::string TransErrMsg;     // UTF-8
  std::string TransErrMsgKor;  // UTF-8

 private:
  static constexpr int kRingSize = 51;

  bool TranslateRowStart();
  bool TranslateBlock();
  bool TranslateParallel();
  bool GetCellLink();
  bool TranslateResetRow();
  bool TranslateContact(int code, bool& handled);
  bool InstructionBox(bool& hasOutput);
  bool CounterBox(bool& hasOutput);
  bool CheckMcsLevel(const std::string& text);
  bool ParseMcsClearLevel(const std::string& text);
  bool BadBoxText(const std::string& text);
  void EmitMcsConditions();
  bool PushBranch(int col, int row);
  bool Fail(const char* english, const char* korean);
  // "Invalid Symbol ! " at the END cell (the first cell of the END row whose text is END).
  bool FailAtEnd(const char* korean);
  bool EndsWithReturn(const std::string& text) const;
  bool CheckConsumedOutputs(int firstRow, int lastRow);

  int Type(int col, int row) const;
  const std::string& Text(int col, int row) const;
  int Link(int col, int row) const;

  const ProgramDocument& doc_;
  platform::MessageSink* messages_;
  std::string output_;
  std::string line_;  // the rung being translated

  int mcsLevel_ = -1;
  bool endWritten_ = false;  // the END box of the END row wrote the return
  std::array<int, kRingSize> brCol_{};
  std::array<int, kRingSize> brRow_{};
  std::array<int, kRingSize> brRds_{};
  int brPut_ = 0;
  int brGet_ = 0;
  int brCount_ = 0;  // unread entries
  int pendingCol_ = 0;
  int linkBelowLeft_ = 0;
  int linkBelowRight_ = 0;
  int linkRight_ = 0;
  int brLastRow_ = 0;
  std::vector<std::pair<int, int>> outputsDone_;  // coil and box cells translated in this rung
};

// IsBadCellText: true unless the text has 1 to 25 characters.
bool IsBadCellText(const std::string& text);

enum class AsmSourceOutcome { Ok, TranslationError, FileError };

struct AsmSourceResult {
  AsmSourceOutcome outcome = AsmSourceOutcome::Ok;
  int PosCol = 0;
  int PosRow = 0;
  std::string TransErrMsg;
  std::string TransErrMsgKor;
};

// Translates the ladder into folder/QS2OUT.$$$; after a clean translation sets the monitor
// attributes and writes folder/QSKLINC.$$$. File errors are shown here. After a translation
// error QS2OUT.$$$ holds the rungs before the failing one and QSKLINC.$$$ is untouched.
AsmSourceResult WriteAsmSource(Studio& studio, const std::filesystem::path& folder);

enum class CompileOutcome { Ok, EndNotFound, TranslationError, FileError };

struct CompileResult {
  CompileOutcome outcome = CompileOutcome::Ok;
  int CompileErr = 0;  // 1 after any failure; the build goes on only with 0
  int ErrCol = -1;     // failing cell of a translation error (inside the grid), else -1
  int ErrRow = -1;
  std::string TransErrMsg;     // English text of a translation error
  std::string TransErrMsgKor;  // its Korean twin
  // A translation error's message in the interface language, naming the cell; the caller
  // shows it once the cell is shown.
  platform::Message errorMessage;
};

// The build's translation step: checks for END and writes the translator's files into
// folder. A missing END and file errors are shown here. A translation error is returned, not
// shown: the caller puts the cursor on ErrCol/ErrRow, shows the cell, then errorMessage.
CompileResult CompileLadder(Studio& studio, const std::filesystem::path& folder);

}  // namespace compiler
