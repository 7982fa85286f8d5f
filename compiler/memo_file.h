#pragma once
// The memo file beside a program file (the program's name with ".txt"): plain text that the
// memo page shows and edits. The studio writes CP949 with CR LF line ends; memo files written
// by other editors in UTF-8, or with LF line ends, are read as they are and keep their form
// when the memo is edited. A memo file is written only when the memo was edited, so one the
// user did not touch stays byte for byte as it is.

#include <string>
#include <string_view>

#include "compiler/studio_state.h"

namespace compiler {

// The memo page's text (UTF-8, LF line ends) for a memo file's bytes, and the file's format:
// UTF-8 when the bytes are well-formed UTF-8 with at least one byte above 7FH, else CP949;
// CR LF or LF after the file's first line end (CR LF when it has none). False when the bytes
// are text in neither encoding.
bool DecodeMemo(std::string_view bytes, std::string& text, MemoFormat& format);

// The memo file's bytes for the memo page's text (UTF-8) in `format`. False when the text
// holds a character that the format's encoding cannot represent.
bool EncodeMemo(std::string_view text, const MemoFormat& format, std::string& bytes);

// Open: reads the memo file of the program `programPath` into MemoText and MemoForm; the memo
// counts as unchanged. Without a memo file the memo page is emptied (a new memo's format). A
// memo file that cannot be read, or that is no text, empties the page too and is reported in
// a message that names the file and the reason; it stays as it is unless the memo is edited.
void LoadMemoFile(Studio& studio, const std::string& programPath);

// Save: writes the memo beside the program `programPath` (UTF-8), in the format it was read
// in. For the current program (CurFilePath) only an edited memo is written: emptied, it
// writes an empty file over an existing one; untouched, the memo file stays as it is. Saved
// under another name (Save As), the memo goes with the program when it holds text. A failure
// is reported with the memo's path and leaves the memo counted as edited.
void SaveMemoFile(Studio& studio, const std::string& programPath);

}  // namespace compiler
