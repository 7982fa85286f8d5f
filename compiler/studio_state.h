#pragma once
// The studio's state that the compiler half reads and writes beside the document. The
// shell, the ladder editor and the live monitor own these pieces; they are plain data here.
// A Studio is large (the grid holds 12 x 1201 texts): create it on the heap.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "compiler/document.h"
#include "platform/ansi_text.h"
#include "platform/message_box.h"

namespace monitor {
class MonitorMode;
}

namespace compiler {

struct MonitorFlagForTests;

// The ladder editor's block clipboard: element codes, texts and links, same shape as the grid,
// with the monitor attributes of the copied cells and the block's last column and row.
struct Clipboard {
  Grid<int16_t> ClipType{};
  Grid<platform::AnsiText> ClipText{};
  Grid<int16_t> ClipLink{};
  Grid<int16_t> ClipDevNum{};
  Grid<int16_t> ClipDevBit{};
  Grid<int16_t> ClipDevKind{};
  int16_t ClipW = 0;  // last column of the block (width - 1)
  int16_t ClipH = 0;  // last row of the block (height - 1)
};

// One cell as the row and block commands move it.
struct CellCopy {
  int16_t type = 0;
  platform::AnsiText text;
  int16_t link = 0;
  int16_t devNum = 0;
  int16_t devBit = 0;
  int16_t devKind = 0;
};
using RowCopy = std::array<CellCopy, kOutputCol + 1>;

// Rows pushed by Copy Line and Delete Line, popped by Restore Deleted Line (at most 1200).
struct RowStack {
  std::vector<RowCopy> rows;
};

// The cells an overlay paste covered, with where they were, for one undo.
struct PasteUndo {
  bool valid = false;
  int col = 0, row = 0, width = 0, height = 0;
  std::vector<CellCopy> cells;  // row by row
};

// The mouse selection of the ladder view: anchor (1) and end (2) in any order.
struct BlockSelection {
  int16_t BlockCol1 = 0, BlockRow1 = 0;
  int16_t BlockCol2 = 0, BlockRow2 = 0;
  int16_t BlockPrevCol = 0, BlockPrevRow = 0;
  bool BlockActive = false;
  bool BoardMouseDown = false;
};

// The search of the find window: the last word as typed (UTF-8) and where the next scan resumes.
struct FindState {
  std::string FindWord;
  int16_t FindCol = 0, FindRow = 0;
};

// The alias page of the side panel: the page shown ('P', 'M', 'K', 'C', 'T'; 0 none yet),
// each page's first entry shown, and the entry being edited.
struct AliasPageState {
  char AliasType = 0;
  int16_t AliasTopP = 0, AliasTopM = 0, AliasTopK = 0, AliasTopC = 0, AliasTopT = 0;
  int16_t AliasSel = 0;
};

struct EditorState {
  int16_t EditCellType = 0;  // element code last placed by a key or toolbar button
  Clipboard clipboard;
  RowStack rowStack;
  PasteUndo pasteUndo;
  BlockSelection selection;
  FindState find;
  AliasPageState aliasPage;
};

// How a memo file stores its text: UTF-8 (with or without a byte order mark) or CP949, line
// ends CR LF or LF. A new memo is CP949 with CR LF.
struct MemoFormat {
  bool utf8 = false;
  bool crlf = true;
  bool bom = false;  // UTF-8 only: the file begins with EF BB BF
  bool operator==(const MemoFormat&) const = default;
};

struct ShellState {
  // The interface language as the libraries read it; the shell's settings owner sets it.
  bool KoreanMenu = false;
  std::string CurFilePath = "Untitled.qsl";  // file system path (UTF-8)
  // No unsaved edits: the program file, the memo and the watch list hold what the studio shows.
  bool SourceSaved = true;
  std::string MemoText;  // the memo page's text (UTF-8)
  MemoFormat MemoForm;   // the format of the memo file the text came from
  // The memo page was edited since the program was opened, made or saved: only then does a
  // save of the program write its memo file.
  bool MemoChanged = false;
  // The memo file the memo page's text was read from or last written to, and the watch file
  // the watch list was read from or last written to (or that the opened program would have):
  // a save writes over another existing file only after asking. Empty: none yet.
  std::string MemoFile;
  std::string WatchFile;
  // The watch list as WatchFile holds it (the file's bytes as the studio writes them); empty
  // when that file holds none that the studio read or wrote.
  std::string WatchStored;

  // An edit that has not reached its file: of the program or the watch list (SourceSaved), or
  // of the memo. Whatever closes or replaces the program asks to save first while this holds,
  // and goes on after that save only once it no longer holds.
  bool Unsaved() const { return !SourceSaved || MemoChanged; }
};

constexpr int kWatchSlots = 31;

struct WatchList {
  std::array<platform::AnsiText, kWatchSlots> WatchName{};
  std::array<int16_t, kWatchSlots> WatchAddr{};
  std::array<int16_t, kWatchSlots> WatchMask{};
  std::array<int16_t, kWatchSlots> WatchKind{};  // 0 byte, 1 bit, 2 counter, 3 timer, 4 word
  int16_t WatchCount = 0;
};

// Start address (byte address in the module's data memory) and size of each device area;
// the live monitor fills it for the current model (monitor/device_map.h).
struct DeviceMap {                        // defaults: the map of the start-up model (1)
  int16_t AddrP = 96, CountP = 128;       // bits
  int16_t AddrM = 271, CountM = 1024;     // bits
  int16_t AddrF = 255, CountF = 128;      // bits
  int16_t AddrK = 559, CountK = 512;      // bits
  int16_t AddrS = 527, CountS = 256;      // bits
  int16_t AddrT = 623, CountT = 256;      // timers, one word each
  int16_t AddrC = 1135, CountC = 256;     // counters, one word each
  int16_t AddrCF = 1647;                  // one output-flag byte per counter, bit 7
  int16_t AddrD = 1904, CountD = 1024;    // words
  int16_t AddrAD = 232, CountAD = 8;      // words
  int16_t AddrHCNT = 248, CountHCNT = 1;  // words
  int16_t AddrCH = 112, CountCH = 80;     // bytes
  int16_t AddrG = 192, CountG = 40;       // bytes
};

struct MonitorState {
  // True while monitor mode is on: of the file commands only New, Open and Import refuse
  // (saving and printing go on); the port choice and the device commands refuse too, all
  // with the one message of compiler/monitoring_refusal.h; the editor only pages. Everyone
  // reads it here; monitor::MonitorMode alone switches it.
  bool MonitorOn() const { return monitorOn_; }
  int16_t MonSpeed = 5;  // speed slider 0..10, settings Setup/MonSpeed
  DeviceMap map;

 private:
  friend class monitor::MonitorMode;
  friend struct MonitorFlagForTests;  // fixtures that begin in monitor mode
  bool monitorOn_ = false;
};

struct BuildState {
  bool CompileInfo = false;  // a built download image exists
  int32_t RomSize = 0;       // image bytes that download, sum and verify transfer (0: no image)
  int32_t RomSum = 0;        // 16-bit byte sum of the first RomSize bytes of the image
};

struct Studio {
  ProgramDocument doc;
  ShellState shell;
  EditorState editor;
  WatchList watch;
  MonitorState monitor;
  BuildState build;
  platform::MessageSink* messages = nullptr;  // never null once the studio runs
  // Counts the scans that found the END row. A ladder view resets its scroll range to
  // doc.EndRow when the count has moved since it last looked.
  uint32_t EndLineScans = 0;

  void ClearProgram() { doc.ClearProgram(&editor.clipboard); }
  // ProgramDocument::FindEndLine, counted in EndLineScans when END is found.
  bool FindEndLine() {
    if (doc.FindEndLine()) return true;
    ++EndLineScans;
    return false;
  }
};

}  // namespace compiler
