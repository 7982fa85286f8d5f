#pragma once
// The watch-list file (".wch") beside a program file, and the naming of a program's
// companion files (memo ".txt", watch list ".wch").
//
// Layout, all numbers signed 16-bit little-endian: "WATCH200", the count (0 to 31), then per
// entry the label's length in characters, the label's CP949 bytes, the address, the mask and
// the kind.

#include <string>
#include <string_view>

#include "compiler/studio_state.h"

namespace compiler {

// The path of a program's companion file: a four-character extension of the file name
// (".qsl" in any letter case, or ".$$$") is replaced by `extension`, any other name gets
// `extension` appended. Returns an empty path if the result would name the program itself.
std::string CompanionPath(std::string_view programPath, std::string_view extension);

std::string WatchFilePath(std::string_view programPath);  // ".wch"
std::string MemoFilePath(std::string_view programPath);   // ".txt"

// The file's bytes for the slots 0 to WatchCount - 1 (a count outside 0 to 31 is clipped).
std::string EncodeWatchFile(const WatchList& list);

// Parses a watch file over `list`: on success the count and the slots it covers are
// replaced and the other slots keep their contents. Returns false, leaving `list`
// unchanged, when the first byte is not "W", the count lies outside 0 to 31, a label
// length is negative or the file ends early.
bool DecodeWatchFile(std::string_view bytes, WatchList& list);

// Writes the watch list to the watch path of the program `programPath` through a temporary file;
// the file is then the list's own (WatchFile, WatchStored). Returns true on failure, after
// "File Open Error :" (the file may not be written there) or "File Save Error :" with the watch
// path has been shown. An empty watch list that a folder taking no new file cannot hold (no
// watch file there yet) is no failure and has no message.
bool SaveWatchFile(Studio& studio, const std::string& programPath);

// True when the watch list holds what no file holds: it differs from the list as its own file
// holds it (WatchFile, WatchStored), or, where no file holds one that the studio read or wrote,
// it has entries. A list nobody changed since its file was read or written is no edit.
bool WatchListEdited(const Studio& studio);

// True when the watch file of the program `programPath` is the watch list's own and holds the
// list as it is now: a failed write of it then loses nothing.
bool WatchListStored(const Studio& studio, const std::string& programPath);

// Reads the watch path of the program `programPath` into the watch list. Returns true when the
// file was read whole (the file is then the list's own, as it holds it); on failure a message
// has been shown and the watch list is unchanged.
bool LoadWatchFile(Studio& studio, const std::string& programPath);

// Open: the watch file of the program `programPath` becomes the watch list's own. When it
// exists, true is returned after LoadWatchFile read it (or reported why it could not);
// otherwise the watch list stays as it is and false is returned.
bool OpenWatchFile(Studio& studio, const std::string& programPath);

}  // namespace compiler
