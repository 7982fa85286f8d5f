#pragma once
// The memo file beside a program file (the program's name with ".txt"): plain text that the
// memo page shows and edits. The studio writes CP949 with CR LF line ends, and UTF-8 where the
// text holds a character that CP949 has no code for; memo files written by other editors in
// UTF-8 (with or without a byte order mark), or with LF line ends, are read as they are and
// keep their form when the memo is edited. A memo file is written only when the memo holds
// text and was edited or goes with the program to a new name, so one the user did not touch,
// or emptied, stays byte for byte as it is.

#include <string>
#include <string_view>

#include "compiler/studio_state.h"

namespace compiler {

// The memo page's text (UTF-8, LF line ends) for a memo file's bytes, and the file's format:
// UTF-8 when the bytes are well-formed UTF-8 with at least one byte above 7FH (a byte order
// mark is the format's, not the text's), else CP949; CR LF or LF after the file's first line
// end (CR LF when it has none). A CR that does not begin a CR LF, and a paragraph separator
// (U+2029), are no line ends of the text: they stay in it as they are. False when the bytes are
// text in neither encoding.
bool DecodeMemo(std::string_view bytes, std::string& text, MemoFormat& format);

// The memo file's bytes for the memo page's text (UTF-8) in `format`: each LF is a line end of
// the format, a CR is a lone CR of the text (also right before a LF) and stays one. False when
// the text holds a character that the format's encoding cannot represent (only CP949 can fail).
bool EncodeMemo(std::string_view text, const MemoFormat& format, std::string& bytes);

// Open: reads the memo file of the program `programPath` into MemoText and MemoForm; the memo
// counts as unchanged, and the file is the memo's own (MemoFile). Without a memo file the memo
// page is emptied (a new memo's format); so it is when the name is no regular file (a FIFO, a
// device, a folder). A memo file that cannot be read, that is larger than 16 MiB or that is no
// text empties the page too and is reported in a message that names the file and the reason;
// it stays as it is unless the memo is edited.
void LoadMemoFile(Studio& studio, const std::string& programPath);

// Whether a save of the program as `programPath` writes the memo file: the memo holds text,
// and it was edited or the program is saved under another name than CurFilePath.
bool MemoToWrite(const Studio& studio, const std::string& programPath);

// Save: writes the memo beside the program `programPath` (UTF-8) where MemoToWrite says so, in
// the format it was read in, or in UTF-8 when CP949 cannot hold it. A memo that is not written
// counts as saved: untouched, or emptied (an existing memo file stays as it is). Returns true
// when the memo did not reach its file, after a message with the memo's path; the memo then
// counts as edited.
bool SaveMemoFile(Studio& studio, const std::string& programPath);

}  // namespace compiler
