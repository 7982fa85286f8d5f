#pragma once
// The program file (".qsl", magic "QSKL2000"), its backup QSKLBK.$$$ in the studio's folder,
// and the import of another program's rows at the cursor.
//
// Layout (little-endian): "QSKL2000"; one record per cell, rows 0 up, columns 0 to 10, up to
// and including the END cell (type u8, link u8, monitor number i16, monitor bit u8, monitor
// kind u8, text length u8 in bytes, the CP949 text); the model u8; three 0 bytes; the eight
// option bytes; the alias layout marker 128; the 1920 alias texts (P 0..127, M 0..1023,
// K 0..255, C 0..255, T 0..255), each length-prefixed; IoDir 0..255 one byte each; a 0 byte.
//
// Readers parse into a fresh document and hand it over only when the whole file was read;
// writers build the whole file in memory and replace the target through a temporary file,
// so a failure never leaves a half-written program behind.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/document.h"
#include "compiler/studio_state.h"

namespace compiler {

// Why a document cannot be stored, in both interface languages (UTF-8).
struct SaveRefusal {
  std::string english;
  std::string korean;
};

// A cell of the grid: column 0..10, row 0..1199.
struct CellPlace {
  int col = 0;
  int row = 0;
};

// The first cell up to the END cell that the program file cannot store (a text over 255
// bytes, a code or link outside 0 to 255); none when every one fits or there is no END cell.
std::optional<CellPlace> FirstUnstorableCell(const ProgramDocument& doc);

// Builds the program file's bytes. Returns false, with the reason in *refusal, when the
// document has no END cell or holds a value that its one-byte field cannot carry (a text
// over 255 bytes, an option, model, IoDir entry, cell code or link outside 0 to 255). A
// refused cell is named by its column and row counted from 1, as the status bar counts.
// Monitor attributes that do not fit (number outside 0 to 32767, bit or kind outside
// 0 to 255) are derived data: such a cell is stored with number, bit and kind 0.
bool EncodeProgramFile(const ProgramDocument& doc, std::string& bytes, SaveRefusal* refusal = nullptr);

// The first row (0 up) holding a cell that the program file leaves out: a cell right of the
// END cell in its row, or in any later row, with an element, a text or a vertical link.
// None when nothing is left out or the document has no END cell.
std::optional<int> FirstRowLeftOut(const ProgramDocument& doc);

enum class ProgramFileStatus {
  kOk,
  kBadMagic,         // not "QSKL" (or too short to tell)
  kOldVersion,       // version digit "1"
  kVersionMismatch,  // version digit other than "1" or "2"
  kDamaged,          // ends early, has no END record, or its terminator is not 0
};

// Parses a program file into `fresh`, which must be a newly made document. Sets the cells
// up to the END record, EndRow, the model, the options with UploadFlag/ClearKeepFlag, the
// aliases and IoDir 0..255. Values are kept as read (a cell code above 12, a link other
// than 0 or 1, any monitor attribute): code that indexes tables by them checks bounds.
ProgramFileStatus DecodeProgramFile(std::string_view bytes, ProgramDocument& fresh);

// The backup's path: QSKLBK.$$$ in the studio's folder.
std::filesystem::path BackupPath(const std::filesystem::path& studioFolder);

// Writes the document to CurFilePath. Returns true on failure, after a message: the
// refusal, or "File Save Error :" with the path (the old file is then untouched).
bool WriteProgramFile(Studio& studio);

// Writes the same content to QSKLBK.$$$ in `studioFolder` (the caller passes the
// studio's folder). Returns true on failure, after a message naming the backup.
bool SaveBackup(Studio& studio, const std::filesystem::path& studioFolder);

// The companion files of a save that the user chose to keep as they are.
struct KeptFiles {
  bool memo = false;
  bool watch = false;
};

// The companion files that a save of the program as `path` would write over although they are
// not the current program's own: the memo file when the save writes the memo, and the watch
// file, each when it exists and is another file than the one the memo page or the watch list
// was read from or last written to (ShellState::MemoFile, WatchFile). Empty: no such file.
struct ForeignFiles {
  std::string memo;
  std::string watch;
};
ForeignFiles ForeignCompanions(const Studio& studio, const std::string& path);

// The save command's core: checks for an END cell ("END Command Not Found !"), writes the
// program file `path` (UTF-8), then the backup, the memo (compiler/memo_file.h: only where it
// holds text and was edited, or under a new name) and the watch file beside it, except those
// in `kept`. NotSaved when the program file was not written (after the message). Saved:
// SourceSaved becomes true, unless an edit did not reach its file: a memo that could not be
// written, or a watch list that could not be written and that its file does not hold as it is
// (each after its message), or an edited memo or watch list whose file was kept (the user chose
// that file, another program's, over the edit; MemoChanged stays).
enum class [[nodiscard]] SaveResult { Saved, NotSaved };
SaveResult SaveProgram(Studio& studio, const std::string& path, const std::filesystem::path& studioFolder,
                       KeptFiles kept = {});

// Reads the program file `path` (UTF-8). Returns true when the whole file was read (the
// studio's reader keeps that polarity: opening goes on only on true); the document (cells,
// EndRow, model, options, aliases, IoDir) is then replaced, the clipboard emptied and
// CompileInfo set to false. On failure a message has been shown and nothing changed.
bool LoadProgramFile(Studio& studio, const std::string& path);

// Inserts the rows of the program file `path` (UTF-8) before the cursor row: its rows above
// the END row, then one empty row for the END row; the rows from the cursor on move down.
// EndRow points at the inserted empty row. Model, options, aliases and IoDir stay.
// The whole file is checked first; when the rows would not fit in 1200, nothing changes.
// Returns true when the rows were inserted; on failure a message has been shown.
bool ImportProgramFile(Studio& studio, const std::string& path);

}  // namespace compiler
