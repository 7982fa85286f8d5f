#pragma once
// The program document: the ladder grid, the alias tables and the PLC setup of the one
// program the studio holds.

#include <array>
#include <cstdint>
#include <string>

#include "platform/ansi_text.h"

namespace compiler {

struct Clipboard;

constexpr int kGridCols = 12;       // columns 0..11; 10 is the output column, 11 spare
constexpr int kGridRows = 1201;     // rows 0..1200; 1200 spare
constexpr int kProgramRows = 1200;  // rows a program may use
constexpr int kOutputCol = 10;

// Element codes of CellType.
enum CellCode : int16_t {
  kEmpty = 0,
  kContactNO = 1,
  kContactNC = 2,
  kWire = 3,
  kCoil = 5,
  kBox = 6,
  kCounterBox = 8,
  kInlineBox = 9,
  kNot = 10,
  kFallingEdge = 11,
  kRisingEdge = 12,
};

template <typename T>
using Grid = std::array<std::array<T, kGridRows>, kGridCols>;  // indexed [col][row]

// Alias table sizes (declared one larger than used, as the file stores them).
constexpr int kAliasPUsed = 128, kAliasMUsed = 1024, kAliasKUsed = 256, kAliasCUsed = 256, kAliasTUsed = 256;

struct PlcSetup {
  int16_t PlcModel = 1;              // 10 ZQV-A, 2 B, 4 C, 5 D, 1 E, 3 F
  std::array<int16_t, 257> IoDir{};  // 8 x port + bit; 1 = input
  int16_t CommMode = 1;
  int16_t NodeNum = 0;
  int16_t UploadOpt = 1;
  int16_t Scan25Opt = 0;
  int16_t ClearKeepOpt = 0;
  int16_t CompOption6 = 1;
  int16_t CompOption7 = 1;
  int16_t CompOption8 = 1;
  bool UploadFlag = true;  // twins of UploadOpt and ClearKeepOpt kept by the shell
  bool ClearKeepFlag = false;
};

class ProgramDocument {
 public:
  ProgramDocument();

  // Grid, indexed [col][row]. Texts are CP949 bytes.
  Grid<int16_t> CellType{};
  Grid<platform::AnsiText> CellText{};
  Grid<int16_t> VertLink{};
  Grid<int16_t> MonDevNum{};
  Grid<int16_t> MonDevBit{};
  Grid<int16_t> MonDevKind{};

  int16_t EndRow = 0;
  int16_t CurCol = 0;
  int16_t CurRow = 0;
  int16_t TopRow = 0;

  std::array<platform::AnsiText, 129> AliasP;
  std::array<platform::AnsiText, 1025> AliasM;
  std::array<platform::AnsiText, 257> AliasK;
  std::array<platform::AnsiText, 257> AliasC;
  std::array<platform::AnsiText, 257> AliasT;

  PlcSetup Setup;

  // Empties the grid (rows 0..1199, columns 0..10; MonDevBit is left alone), the clipboard
  // over the same range when one is given, every used alias, and sets every IoDir entry
  // 0..255 to input. Model, options, EndRow, cursor and view stay.
  void ClearProgram(Clipboard* clipboard = nullptr);

  // Finds the first cell of rows 0..1199, columns 0..10 whose text is exactly "END".
  // Found: EndRow is set, returns false. Not found: returns true and EndRow keeps its value.
  bool FindEndLine();
  // The same search without setting EndRow: true with the END cell's column and row.
  bool FindEndCell(int& endCol, int& endRow) const;

  // A cell (columns 0..10, rows 0..1199) holds something a save stores: an element, a text or
  // a vertical link. A row is used when one of its cells is.
  bool CellUsed(int col, int row) const {
    return CellType[col][row] != 0 || !CellText[col][row].empty() || VertLink[col][row] != 0;
  }
  bool RowUsed(int row) const;

  // Puts the cursor on a cell that a build failed at (clamped into the program), with the
  // two rows above it shown: TopRow = row - 2, or 0 for rows 0 to 2.
  void SelectErrorCell(int col, int row);
  static int ErrorTopRow(int row) { return row > 2 ? row - 2 : 0; }

  // Bounds-checked reads: anything outside columns 0..10 and rows 0..1199 (the spare
  // column 11 and row 1200 included) reads as empty.
  int16_t TypeAt(int col, int row) const;
  const platform::AnsiText& TextAt(int col, int row) const;
  int16_t LinkAt(int col, int row) const;

  static bool InProgram(int col, int row) { return col >= 0 && col <= kOutputCol && row >= 0 && row < kProgramRows; }
};

}  // namespace compiler
