// Files of aq71: name building, the table of open files, the standard files (source, object,
// list, command file), the include-prefix list, and the source reader with its include stack.
#pragma once

#include <sys/types.h>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/diagnostics.h"
#include "assembler/output_files.h"

namespace aq71 {

class Assembly;

enum class FileKind { text_input = 0, binary_input = 1, text_output = 2, binary_output = 3 };

// Quiet modes of open_output_or_input_file.
inline constexpr int OPEN_FATAL = 0;   // a failure prints its message and stops the run
inline constexpr int OPEN_SILENT = 1;  // a failure returns quietly
inline constexpr int OPEN_REPORT = 2;  // a failure prints its message and returns

// Modification time as the object's file table wants it.
struct FileTime {
  int year = 255;  // year - 1900; 255 = unknown
  int month = 0;   // 1 to 12
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// One opened file, in opening order.
struct OpenFileEntry {
  std::string name;       // as opened, lower-cased
  std::string real_name;  // as opened
  FileKind kind = FileKind::text_input;
  int file_index = 0;  // include counter at opening; 0 for files that are not includes
  FileTime time;
  dev_t device = 0;
  ino_t inode = 0;
  bool is_open = false;
  std::FILE* handle = nullptr;
};

struct OpenedFile {
  std::FILE* handle = nullptr;  // nullptr when the open failed quietly
  std::string name;             // the name as opened
  int error = 0;                // errno of a failed open (0 when it failed for another reason)
};

// The standard files and the naming of the source.
struct StandardFiles {
  std::FILE* object = nullptr;  // on the direct road the named file, else its temporary
  std::string object_name;      // as named (messages); display names are in the file table
  OutputPlace object_place;
  std::FILE* list = nullptr;
  std::string list_name;
  OutputPlace list_place;
  std::FILE* command = nullptr;
  std::string command_name;
  std::FILE* source = nullptr;
  std::string source_name;
  bool source_opened = false;
  std::string source_directory;  // up to and including the last ':', '\' or '/'
  std::string source_file_part;
  std::string base_name;  // file part up to its first '.': default module name
  bool closed = false;
};
// Every function below takes the run whose files it works on.

// The standard files of a run.
StandardFiles& standard_files(Assembly& run);

// Lower-cased copy (names as the listing shows them).
std::string lower_case(std::string_view text);

// prefix + name, plus "." and the default extension unless the name has one; a name ending in
// "." loses the dot and gets none.
std::string build_file_name(std::string_view prefix, std::string_view name, std::string_view default_extension);

// Opens prefix + name (+ extension) for the kind and records it in the file table. Refuses (with
// a fatal stop) to write over a file that is open, or to read a file open for output. An output
// records where it goes in `place` (one of the standard files', where a signal handler looks);
// an output opened without one is an internal error.
OpenedFile open_output_or_input_file(Assembly& run, FileKind kind, std::string_view prefix, std::string_view name,
                                     std::string_view default_extension, int quiet, int file_index,
                                     OutputPlace* place = nullptr);

// The open-file table (also the object's file table).
const std::vector<OpenFileEntry>& open_file_table(Assembly& run);
// With the fixed-date option: gives every file opened so far the fixed time (files opened
// before the option was parsed; later ones get it when they are opened).
void apply_fixed_file_times(Assembly& run);
// Entry of a name (compared ignoring case), or nullptr.
const OpenFileEntry* find_open_file(Assembly& run, std::string_view name);

// Source: a name (tried with ".msa", then ".s71"), or nullptr for standard input ("stdin.c").
void open_source_file(Assembly& run, const std::string* name);
void open_default_object(Assembly& run, std::string_view prefix);
void open_default_list(Assembly& run, std::string_view prefix);
// Option handlers (see OptionHandler): 0 = accepted, non-zero = invalid argument.
int opt_o(Assembly& run, std::string_view name);
int opt_l(Assembly& run, std::string_view name);
// Opens a command file (".xcl") as the current command file.
int opt_f(Assembly& run, std::string_view name);
// Next character of the open command file; at its end the file is closed and 0 is returned.
int cmdfile_getc(Assembly& run);

// Include prefixes: the source's directory, -I, AQ71_INC, then the empty final prefix.
void add_include_prefix(Assembly& run, std::optional<std::string_view> prefix);
const std::vector<std::string>& include_prefixes(Assembly& run);

// Closes list, command file, source and object (and any open include), once, and puts the
// outputs in place: first the check that none is a file the run read (such a one is told and
// left out, and the run stops); the listing then also after errors unless it could not be
// written whole, the object only when the run counted no error and no output failed. A
// temporary not put in place is removed.
void close_all_files(Assembly& run);
// For a signal handler that ends the process: removes the temporaries, after putting the
// listing in place when `keep_listing` (its bytes flushed already, all of them). Only system
// calls.
void abandon_outputs(StandardFiles& files, bool keep_listing);

// States of other modules that an include level saves and checks when it ends.
struct IncludeState {
  int comment = 0;            // open block comments
  int repeat = 0;             // repeat-block state
  int conditional_depth = 0;  // conditional assembly depth
  std::uint32_t list_flags = 0;
};
struct IncludeStateHooks {
  std::function<IncludeState()> get;
  std::function<void(const IncludeState&)> set;
};

struct RunSettings;

// Bytes of a file being read, taken from it in pieces far larger than a line and handed out a
// physical line at a time. A piece is read only when the bytes at hand hold no whole line, and
// read(2) gives what a pipe, FIFO or terminal has at that moment: reading never waits for more
// than the line needs.
class ReadAhead {
 public:
  // Reads `fd` from where it stands (-1: nothing to read).
  void attach(int fd);
  // The next physical line with its line feed (the last one of a file may have none); false when
  // the file has nothing left. Its bytes stay put until the next call.
  bool next(std::string_view& line);
  // The next physical line when it lies whole in the bytes at hand (none: nothing is taken, and
  // nothing is read from the file); plain when it has at most `limit` bytes, no tab, and no CR or
  // "\" before its line feed; tabbed when it would be plain but for its tabs.
  enum class Found { none, plain, tabbed, other };
  Found next_at_hand(std::string_view& line, std::size_t limit);

 private:
  static constexpr std::size_t kSmallPiece = 512;
  static constexpr std::size_t kLargePiece = 65536;
  bool next_from_file(std::string_view& line);
  bool fill();
  // The first tab at or after `from`, else end_.
  std::size_t find_tab(std::size_t from) const;
  std::unique_ptr<char[]> bytes_{new char[1]};
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0;  // bytes_[begin_, end_) are read and not yet handed out
  std::size_t end_ = 0;
  std::size_t tab_ = 0;  // the first tab of them, else end_ (lines without one need no work)
  std::size_t piece_ = 0;
  int fd_ = -1;
  bool ended_ = true;
};

// A buffer that grows for lines read again.
struct RawLine {
  char* bytes = nullptr;
  std::size_t capacity = 0;
  RawLine() = default;
  RawLine(const RawLine&) = delete;
  RawLine& operator=(const RawLine&) = delete;
  ~RawLine();
};

// Delivers the source text one character at a time, in lines of at most 511 characters and a
// line feed, with tabs expanded, CR before LF dropped and "\" line continuation, through a
// stack of at most 10 include files. Files are read in pieces (ReadAhead); a line that needs none
// of this work is handed out as it lies in them.
class SourceReader {
 public:
  static constexpr int MAX_INCLUDE_DEPTH = 10;
  static constexpr std::size_t LINE_LIMIT = 512;  // including the line feed

  // A reader of the run's source: it opens includes through the run's file table and reads
  // the tab width and the embedding switch from the run's settings.
  explicit SourceReader(Assembly& run);
  ~SourceReader();
  SourceReader(const SourceReader&) = delete;
  SourceReader& operator=(const SourceReader&) = delete;

  // Makes an open file the main source (the reader does not close standard input).
  void start(std::FILE* handle, std::string name);
  // Next character, or -1 at the end of the source (and ever after).
  int source_file_getch() {
    if (pos_ < line_.size()) return static_cast<unsigned char>(line_[pos_++]);
    return getch_next_line();
  }
  // The next character when the current line has one that is not NUL: taken. Else -2, and
  // nothing is taken.
  int take_plain_char() {
    if (pos_ < line_.size()) {
      unsigned char c = static_cast<unsigned char>(line_[pos_]);
      if (c != 0) {
        ++pos_;
        return c;
      }
    }
    return -2;
  }
  // The rest of the current line, or else the next line, without its line feed; false at the
  // end of the source. The line counts as delivered (location() then has its last column).
  bool next_line(std::string& line);
  // Opens an include file through the prefix list (from the first prefix when
  // search_source_dir, else from the second) and reads on in it once the current line is done.
  // Errors 1 and 2 are fatal.
  void push_include_file(std::string_view name, bool search_source_dir);
  // END seen: warning 18 while an include file is still open.
  void check_include_end();

  // What is left of the current line; advance() takes characters of it as delivered.
  std::string_view rest_of_line() const { return std::string_view(line_.data() + pos_, line_.size() - pos_); }
  void advance(std::size_t count) { pos_ += count; }

  // The current line, as the reports show it (column = characters delivered from it).
  SourceLocation location() const;
  std::string_view line() const { return line_; }
  std::size_t read_position() const { return pos_; }
  const std::string& file_name() const { return name_; }
  long line_number() const { return line_number_; }
  // The main file's line number, 0 while an include file is read.
  long listing_line_number() const { return levels_.empty() ? line_number_ : 0; }
  long total_lines() const { return total_lines_; }
  int file_index() const { return file_index_; }
  int include_depth() const { return static_cast<int>(levels_.size()); }
  bool at_end() const { return end_of_input_; }
  // Where the current line can be read again (see line_at): 0 while there is no line or the
  // reader gives no places. The rest of a line delivered after an include file it names was
  // opened keeps the place of that line (file_name() is then the include's).
  std::uint64_t line_place() const { return line_.empty() ? 0 : line_place_; }
  // The line at a place the reader gave, as the reader gave it (tabs expanded, continued lines
  // joined, cut at the limit, with its line feed; nothing is reported): read again through the
  // descriptor the run holds for its file, never by opening a name again, or the text kept for
  // an input that cannot be read again. Empty for place 0, or when the file no longer holds a
  // line there.
  std::string line_at(std::uint64_t place);
  // Whether the reader gives places (by default it does). A reader that gives none closes each
  // include file when it is done and keeps no text of inputs that cannot be read again.
  void set_gives_places(bool gives) {
    gives_places_ = gives;
    select_input(input_);
  }
  // The main file's lines read so far, without their line feeds; kept only while the object
  // embeds the source (-re).
  const std::vector<std::string>& main_lines() const { return main_lines_; }

  IncludeStateHooks& state_hooks() { return hooks_; }
  // Closes every include file still open.
  void close_includes();
  void reset();

 private:
  struct Level {
    std::FILE* handle;
    ReadAhead ahead;
    std::uint32_t input;
    std::string name;
    int file_index;
    long line_number;
    std::uint64_t offset;
    IncludeState state;
  };
  // How the lines of an input are read again.
  enum class Again : std::uint8_t {
    never,       // the reader gives no places
    descriptor,  // through the descriptor of input `via`, which stays open for the run
    kept,        // from the text kept as it was read (pipes, terminals, devices)
    text,        // from the whole text of input `via`, read in once for every inclusion of it
  };
  // One file opened for reading, in opening order (0 is the main source).
  struct Input {
    std::FILE* handle = nullptr;  // open while it is read, or held for reading lines again
    Again again = Again::never;
    std::uint32_t via = 0;   // the input whose descriptor reads this one's lines again
    std::uint64_t base = 0;  // the file position where reading began
    dev_t device = 0;
    ino_t inode = 0;
    std::string text;  // the file's bytes (Again::text, on input `via` only)
  };
  // Include files whose descriptors are held for reading lines again at most (fewer where the
  // process may open few files); one opened past them has its text kept instead. An include of
  // a file held already reads its lines again through that file's descriptor.
  static constexpr int kHeldIncludes = 64;
  int held_include_limit();
  // Gives up the held descriptors of files not being read, their text read in first; false when
  // none could be given up.
  bool give_up_held_descriptors();
  void add_input(std::FILE* handle);
  void leave_input();
  // Makes `input` the one read now.
  void select_input(std::uint32_t input);
  std::uint64_t place_of_line();
  bool read_line();
  // The next line read the general way, its first physical line `first` when taken already.
  bool read_other_line(std::string_view first);
  // The physical line `raw`, a line but for its tabs, made the current line with its tabs
  // expanded; false when it is too long for that.
  [[gnu::noinline]] bool expand_tabbed_line(std::string_view raw);
  // Error 5 for the current line.
  void report_long_line();
  // Keeps the current line of the main file for embedding.
  [[gnu::noinline]] void keep_main_line();
  void pop_include_file();
  int getch_next_line();
  std::size_t tab_width() const;

  Assembly& run_;
  const RunSettings& settings_;
  RawLine again_raw_;  // a line read again
  std::FILE* handle_ = nullptr;
  ReadAhead ahead_;  // what is read of handle_
  // The buffers of include files done with, for the next ones.
  std::vector<ReadAhead> spare_aheads_;
  std::uint64_t offset_ = 0;         // bytes read of the current file
  std::uint64_t line_position_ = 0;  // where in its file the current line began
  std::uint64_t line_place_ = 0;     // see line_place
  // The place of a line of the input read now is place_base_ + line_position_ while
  // line_position_ is below place_limit_; else (and while place_base_ is 0) place_of_line says.
  std::uint64_t place_base_ = 0;
  std::uint64_t place_limit_ = 0;
  std::vector<Input> inputs_;
  std::uint32_t input_ = 0;  // the input read now
  int held_includes_ = 0;
  int held_include_limit_ = -1;  // see held_include_limit
  bool gives_places_ = true;
  std::string kept_;  // the lines of inputs kept as read, one after the other
  std::string name_;
  int file_index_ = 0;
  long line_number_ = 0;
  long total_lines_ = 0;
  int file_counter_ = 0;
  std::vector<Level> levels_;
  // The current line: a physical line as it lies in ahead_ when it needs no change, else joined_.
  std::string_view line_;
  std::unique_ptr<char[]> joined_;
  std::size_t pos_ = 0;
  bool pending_pop_ = false;
  bool end_of_input_ = false;
  std::vector<std::string> main_lines_;
  IncludeStateHooks hooks_;
};

// The source reader of a run.
SourceReader& source_reader(Assembly& run);

// Makes the diagnostics' current location the reader's.
void install_reader_hooks(Assembly& run);

}  // namespace aq71
