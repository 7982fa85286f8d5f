#include "assembler/source_files.h"
#include "assembler/assembly.h"

#include <dirent.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <utility>

#include "assembler/output_files.h"
#include "assembler/run_settings.h"

namespace aq71 {

namespace {

// The run's files. Ending the run closes what is still open, without deleting anything.
struct Files {
  StandardFiles files;
  std::vector<OpenFileEntry> table;
  std::vector<std::string> prefixes;
  SourceReader reader;
  explicit Files(Assembly& run);
  ~Files();
};
Files& files(Assembly& run) { return run.part<Files>(); }

// The diagnostics write to the list file and close every file at a fatal stop.
Files::Files(Assembly& run) : reader(run) {
  DiagnosticHooks& hooks = diagnostic_hooks(run);
  hooks.list_file = [this] { return files.list; };
  hooks.list_name = [this] { return files.list_name; };
  hooks.close_files = [&run] { close_all_files(run); };
}

Files::~Files() {
  std::set<std::FILE*> open{files.list, files.command, files.source, files.object};
  for (const OpenFileEntry& e : table)
    if (e.is_open) open.insert(e.handle);
  for (std::FILE* handle : open)
    if (handle && handle != stdin) std::fclose(handle);
  remove_output_temporary(files.list_place);
  remove_output_temporary(files.object_place);
}

bool is_separator(char c) { return c == ':' || c == '\\' || c == '/'; }

// Index just after the directory part (after the last ':', '\' or '/').
std::size_t file_part_start(std::string_view name) {
  for (std::size_t i = name.size(); i > 0; --i) {
    if (is_separator(name[i - 1])) return i;
  }
  return 0;
}

const char* mode_of(FileKind kind) {
  switch (kind) {
    case FileKind::text_input:
      return "r";
    case FileKind::binary_input:
      return "rb";
    case FileKind::text_output:
      return "w";
    case FileKind::binary_output:
      return "wb";
  }
  return "r";
}

bool is_output(FileKind kind) { return kind == FileKind::text_output || kind == FileKind::binary_output; }

// Whether an output is put in place at the end (it is not written into the file it names).
bool puts_in_place(const OutputPlace& place) {
  return place.road == OutputRoad::renamed || place.road == OutputRoad::copied;
}

FileTime fixed_file_time() {
  FileTime t;
  t.year = 80;
  t.month = 8;
  t.day = 17;
  t.hour = 7;
  t.minute = 20;
  t.second = 0;
  return t;
}

FileTime file_time(const RunSettings& settings, const struct stat& st) {
  FileTime t;
  if (settings.fixed_date) return fixed_file_time();
  std::tm tm{};
  time_t mtime = st.st_mtime;
  if (!localtime_r(&mtime, &tm)) return t;
  t.year = tm.tm_year;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  return t;
}

[[noreturn]] void overwrite_stop(Assembly& run, const std::string& name) {
  console_printf("\nTry to overwrite file: '%s'\n", name.c_str());
  fatal_exit_A01(run);
}

// An input that is an output of the run (`output` its entry): that output is never put in place.
[[noreturn]] void input_overwrite_stop(Assembly& run, const OpenFileEntry& output, const std::string& name) {
  StandardFiles& sf = files(run).files;
  if (output.handle == sf.object) sf.object_place.clashed = true;
  if (output.handle == sf.list) sf.list_place.clashed = true;
  overwrite_stop(run, name);
}

// Fails the open: prints per quiet mode, stops when fatal.
OpenedFile open_failed(Assembly& run, const std::string& name, int quiet, bool leading_line_feed = true) {
  if (quiet != OPEN_SILENT) {
    console_printf(leading_line_feed ? "\nCould not open file: '%s'\n" : "Could not open file: '%s'\n", name.c_str());
  }
  if (quiet == OPEN_FATAL) fatal_exit_A01(run);
  return {};
}

// Closes the handle; false (errno the reason) when its last bytes could not be written.
bool close_handle(Files& f, std::FILE*& handle) {
  if (!handle) return true;
  bool closed = true;
  if (handle != stdin) closed = std::fclose(handle) == 0;
  for (auto& e : f.table) {
    if (e.handle == handle) {
      e.is_open = false;
      e.handle = nullptr;
    }
  }
  handle = nullptr;
  return closed;
}

// Splits the source name and makes its directory the first include prefix.
void name_source(Assembly& run, const std::string& name) {
  StandardFiles& sf = files(run).files;
  std::size_t start = file_part_start(name);
  sf.source_directory = name.substr(0, start);
  sf.source_file_part = name.substr(start);
  sf.base_name = sf.source_file_part.substr(0, sf.source_file_part.find('.'));
  add_include_prefix(run, sf.source_directory);
}

// "\" counts as "/" in include names and prefixes.
std::string slashes(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

// The name of an existing entry of the folder that equals the file part ignoring case.
std::optional<std::string> case_insensitive_match(const std::string& path) {
  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  if (file.empty()) return std::nullopt;
  DIR* d = opendir(dir.c_str());
  if (!d) return std::nullopt;
  std::optional<std::string> found;
  while (struct dirent* ent = readdir(d)) {
    if (strcasecmp(ent->d_name, file.c_str()) == 0) {
      found = (slash == std::string::npos ? std::string() : dir) + ent->d_name;
      break;
    }
  }
  closedir(d);
  return found;
}

}  // namespace

StandardFiles& standard_files(Assembly& run) { return run.part<Files>().files; }
const std::vector<OpenFileEntry>& open_file_table(Assembly& run) { return files(run).table; }

void apply_fixed_file_times(Assembly& run) {
  if (!settings(run).fixed_date) return;
  for (auto& e : files(run).table) e.time = fixed_file_time();
}
const std::vector<std::string>& include_prefixes(Assembly& run) { return files(run).prefixes; }
SourceReader& source_reader(Assembly& run) { return run.part<Files>().reader; }

std::string lower_case(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string build_file_name(std::string_view prefix, std::string_view name, std::string_view default_extension) {
  std::string result(prefix);
  if (!name.empty() && name.back() == '.') {
    result.append(name.substr(0, name.size() - 1));
    return result;
  }
  result.append(name);
  std::string_view file_part = name.substr(file_part_start(name));
  if (file_part.find('.') == std::string_view::npos && !default_extension.empty()) {
    result.push_back('.');
    result.append(default_extension);
  }
  return result;
}

const OpenFileEntry* find_open_file(Assembly& run, std::string_view name) {
  std::string wanted = lower_case(name);
  for (const auto& e : files(run).table) {
    if (e.name == wanted) return &e;
  }
  return nullptr;
}

OpenedFile open_output_or_input_file(Assembly& run, FileKind kind, std::string_view prefix, std::string_view name,
                                     std::string_view default_extension, int quiet, int file_index,
                                     OutputPlace* place) {
  std::string full = build_file_name(prefix, name, default_extension);
  std::string lower = lower_case(full);
  bool output = is_output(kind);
  if (output && !place) internal_error_A01(run, "open_output_or_input_file", "no place for an output", 0, 0);

  // Never write over a file that is open, nor read one that is being written: by name, and
  // by identity, so that another spelling or a link of the same file is caught too. (An output
  // is written to a temporary until the run ends; its entry has the identity of the file it
  // will replace.)
  for (const auto& e : files(run).table) {
    if (e.name != lower) continue;
    if (output) overwrite_stop(run, full);
    if (e.is_open && is_output(e.kind)) input_overwrite_stop(run, e, full);
  }
  struct stat st {};
  if (output && ::stat(full.c_str(), &st) == 0) {
    for (const auto& e : files(run).table) {
      if (e.is_open && e.device == st.st_dev && e.inode == st.st_ino) overwrite_stop(run, full);
    }
  }

  std::FILE* handle = nullptr;
  int error = 0;
  if (output) {
    OpenedOutput opened = open_output(full, kind == FileKind::binary_output, *place);
    handle = opened.handle;
    error = opened.error;
    // Another output that will be put in place as the same file (not made yet, so it has no
    // identity to compare).
    const StandardFiles& sf = files(run).files;
    const auto same = [place](const OutputPlace& other) {
      return &other != place && puts_in_place(other) && other.target == place->target;
    };
    if (handle && puts_in_place(*place) && (same(sf.object_place) || same(sf.list_place))) {
      std::fclose(handle);
      discard_output(*place);
      overwrite_stop(run, full);
    }
  } else {
    handle = std::fopen(full.c_str(), mode_of(kind));
    error = errno;
  }
  if (!handle) {
    OpenedFile failed = open_failed(run, full, quiet);
    failed.error = error;
    return failed;
  }
  // The file that is read or written into: its status. A temporary stands for the file it will
  // replace (if there is one yet).
  st = {};
  if (output && puts_in_place(*place)) {
    st.st_dev = place->device;
    st.st_ino = place->inode;
  } else if (::fstat(fileno(handle), &st) != 0) {
    std::fclose(handle);
    return open_failed(run, full, quiet, false);
  } else if (S_ISDIR(st.st_mode)) {
    std::fclose(handle);
    return open_failed(run, full, quiet);
  }
  if (!output) {
    for (const auto& e : files(run).table) {
      if (e.is_open && is_output(e.kind) && e.inode != 0 && e.device == st.st_dev && e.inode == st.st_ino) {
        std::fclose(handle);
        input_overwrite_stop(run, e, full);
      }
    }
  }

  OpenFileEntry entry;
  entry.name = lower;
  entry.real_name = full;
  entry.kind = kind;
  entry.file_index = file_index;
  entry.time = file_time(settings(run), st);
  entry.device = st.st_dev;
  entry.inode = st.st_ino;
  entry.is_open = true;
  entry.handle = handle;
  files(run).table.push_back(std::move(entry));
  return {handle, full, 0};
}

void open_source_file(Assembly& run, const std::string* name) {
  if (files(run).files.source_opened) {
    console_write("\nTry to open more than one source file\n");
    fatal_exit_A01(run);
  }
  if (!name) {
    files(run).files.source = stdin;
    files(run).files.source_name = "stdin.c";
    OpenFileEntry entry;
    entry.name = "stdin.c";
    entry.real_name = "stdin.c";
    struct stat st {};
    if (::fstat(fileno(stdin), &st) == 0) {
      entry.time = file_time(settings(run), st);
      entry.device = st.st_dev;
      entry.inode = st.st_ino;
    } else if (settings(run).fixed_date) {
      entry.time = file_time(settings(run), st);
    }
    entry.is_open = true;
    entry.handle = stdin;
    files(run).table.push_back(std::move(entry));
  } else {
    OpenedFile f = open_output_or_input_file(run, FileKind::text_input, "", *name, "msa", OPEN_SILENT, 0);
    if (!f.handle) f = open_output_or_input_file(run, FileKind::text_input, "", *name, "s71", OPEN_FATAL, 0);
    files(run).files.source = f.handle;
    files(run).files.source_name = f.name;
  }
  files(run).files.source_opened = true;
  name_source(run, files(run).files.source_name);
  files(run).reader.start(files(run).files.source, files(run).files.source_name);
}

namespace {

// Opens an output of the run and keeps it as the object or the listing. Its temporary is
// recorded in `place` as it is made, where a signal handler finds it; the open itself may wait
// (for a FIFO's reader) and a signal that ends the process ends it then too.
void open_standard_output(Assembly& run, FileKind kind, std::string_view prefix, std::string_view name,
                          std::string_view extension, std::FILE*& handle, std::string& kept_name, OutputPlace& place) {
  OpenedFile f = open_output_or_input_file(run, kind, prefix, name, extension, OPEN_FATAL, 0, &place);
  handle = f.handle;
  kept_name = f.name;
}

}  // namespace

void open_default_object(Assembly& run, std::string_view prefix) {
  StandardFiles& f = files(run).files;
  open_standard_output(run, FileKind::binary_output, prefix, f.base_name, "r71", f.object, f.object_name,
                       f.object_place);
}

void open_default_list(Assembly& run, std::string_view prefix) {
  StandardFiles& f = files(run).files;
  open_standard_output(run, FileKind::text_output, prefix, f.base_name, "lst", f.list, f.list_name, f.list_place);
}

int opt_o(Assembly& run, std::string_view name) {
  StandardFiles& f = files(run).files;
  open_standard_output(run, FileKind::binary_output, "", name, "r71", f.object, f.object_name, f.object_place);
  return 0;
}

int opt_l(Assembly& run, std::string_view name) {
  StandardFiles& f = files(run).files;
  open_standard_output(run, FileKind::text_output, "", name, "lst", f.list, f.list_name, f.list_place);
  return 0;
}

int opt_f(Assembly& run, std::string_view name) {
  close_handle(files(run), files(run).files.command);
  OpenedFile f = open_output_or_input_file(run, FileKind::text_input, "", name, "xcl", OPEN_FATAL, 0);
  files(run).files.command = f.handle;
  files(run).files.command_name = f.name;
  return 0;
}

int cmdfile_getc(Assembly& run) {
  if (!files(run).files.command) return 0;
  int c = std::getc(files(run).files.command);
  if (c == EOF) {
    close_handle(files(run), files(run).files.command);
    return 0;
  }
  return c;
}

void add_include_prefix(Assembly& run, std::optional<std::string_view> prefix) {
  std::string p = prefix ? std::string(*prefix) : std::string();
  if (!p.empty() && p.back() != '\\' && p.back() != '/') p.push_back('/');
  files(run).prefixes.push_back(std::move(p));
}

namespace {

// An output whose target is now a file the run read (made or linked so while it ran): told and
// left out.
void check_output_clashes(Assembly& run) {
  StandardFiles& f = files(run).files;
  for (auto [place, name] : {std::pair{&f.list_place, &f.list_name}, std::pair{&f.object_place, &f.object_name}}) {
    if (place->clashed || !puts_in_place(*place)) continue;
    struct stat st {};
    if (::stat(place->target.c_str(), &st) != 0) continue;
    for (const OpenFileEntry& e : files(run).table) {
      if (!is_output(e.kind) && e.inode != 0 && e.device == st.st_dev && e.inode == st.st_ino) {
        place->clashed = true;
        note_output_clash(run, *name);
        break;
      }
    }
  }
}

// Closes an output, noting a failure; an unnamed temporary stays open until it is copied.
void close_output(Assembly& run, std::FILE*& handle, const OutputPlace& place, const std::string& name) {
  if (place.road != OutputRoad::copied && !close_handle(files(run), handle)) note_output_failure(run, name, errno);
}

// Puts an output closed (or an unnamed temporary) in place when wanted, and removes a temporary
// left: 0, or errno when putting it in place failed. Waits on nothing, for termination signals
// wait meanwhile.
int settle_output(std::FILE* handle, OutputPlace& place, bool wanted) {
  int error = 0;
  if (wanted && !put_output_in_place(place, handle ? fileno(handle) : -1)) error = errno;
  remove_output_temporary(place);
  return error;
}

}  // namespace

void close_all_files(Assembly& run) {
  StandardFiles& f = files(run).files;
  if (f.closed) return;
  f.closed = true;
  // Nothing is put in place before it is known that no output is a file the run read.
  check_output_clashes(run);
  // The object's last bytes go out before the listing ends, so that the listing still tells
  // when they cannot be written. Every output is closed checked and every failure is told; a
  // failure stops the run once all files are closed.
  flush_output_noted(run, f.object, f.object_name);
  const std::string list_name = f.list_name;
  flush_output_noted(run, f.list, list_name);
  close_output(run, f.list, f.list_place, list_name);
  close_handle(files(run), f.command);
  files(run).reader.close_includes();
  close_handle(files(run), f.source);
  close_output(run, f.object, f.object_place, f.object_name);
  // The outputs are put in place, or their temporaries removed, while a signal that ends the
  // process waits. The listing also after errors (it tells them), unless it could not be written
  // whole; the object only after a run without errors.
  int list_error = 0, object_error = 0;
  {
    TerminationSignalHold hold;
    list_error = settle_output(f.list, f.list_place, !f.list_place.clashed && !output_failed(run, list_name));
    object_error = settle_output(f.object, f.object_place,
                                 !f.object_place.clashed && diagnostic_counts(run).run_errors == 0 &&
                                     !output_failed(run) && list_error == 0);
  }
  if (list_error != 0) note_output_failure(run, list_name, list_error);
  if (object_error != 0) note_output_failure(run, f.object_name, object_error);
  // Unnamed temporaries, copied or not.
  if (f.list && !close_handle(files(run), f.list)) note_output_failure(run, list_name, errno);
  if (f.object && !close_handle(files(run), f.object)) note_output_failure(run, f.object_name, errno);
  stop_after_output_failure(run);
}

void abandon_outputs(StandardFiles& files, bool keep_listing) {
  if (keep_listing && files.list && !files.list_place.clashed) put_output_in_place(files.list_place, fileno(files.list));
  remove_output_temporary(files.list_place);
  remove_output_temporary(files.object_place);
}

void install_reader_hooks(Assembly& run) {
  DiagnosticHooks& hooks = diagnostic_hooks(run);
  SourceReader& reader = files(run).reader;
  hooks.current_location = [&reader] { return reader.location(); };
  hooks.current_line_number = [&reader] { return reader.line_number(); };
}

// ---- source reader --------------------------------------------------------------------------

namespace {

// How the reading of a logical line ended.
enum class LineEnd {
  line_feed,  // at the line feed of its last physical line
  file_end,   // at the end of the file (the line gets a line feed)
  nothing,    // the file had no line left
};

// What reading a logical line took from its file.
struct LineTaken {
  long physical_lines = 0;  // line numbers it used
  std::uint64_t bytes = 0;  // bytes of the file
  bool truncated = false;   // characters past the limit were dropped
};

// The bytes of a physical line are followed by this many more that may be read (and not used).
constexpr std::size_t kRoomAfterLine = 8;

// Room for `need` bytes in `raw` (its buffer grows at least twofold); false when memory is out.
bool make_room(RawLine& raw, std::size_t need) {
  if (need <= raw.capacity) return true;
  const std::size_t capacity = std::max(raw.capacity * 2, need);
  char* bytes = static_cast<char*>(std::realloc(raw.bytes, capacity));
  if (!bytes) return false;
  raw.bytes = bytes;
  raw.capacity = capacity;
  return true;
}

// Clears the kRoomAfterLine bytes after the `length` bytes of a line in `raw` (which has room for
// them): the steps that look past a line's end then read what was written.
inline void clear_room_after(RawLine& raw, std::size_t length) { std::memset(raw.bytes + length, 0, kRoomAfterLine); }

// Physical lines of a file read on from where it stands (the source pass), after `first` when
// that was taken already.
struct StreamLines {
  ReadAhead& ahead;
  std::string_view first;
  bool fetch(std::string_view& line) {
    if (first.empty()) return ahead.next(line);
    line = first;
    first = {};
    return true;
  }
};

// Physical lines read again from a place of a file through its descriptor: the position of the
// stream that reads the file is left alone.
struct DescriptorLines {
  RawLine& raw;
  int fd;
  off_t offset;
  bool fetch(std::string_view& line) {
    constexpr std::size_t kStep = 1024;
    std::size_t length = 0;
    for (;;) {
      if (!make_room(raw, length + kStep + kRoomAfterLine)) break;
      const ssize_t got = ::pread(fd, raw.bytes + length, kStep, offset);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      const char* from = raw.bytes + length;
      const char* lf = static_cast<const char*>(std::memchr(from, '\n', static_cast<std::size_t>(got)));
      const std::size_t take = lf ? static_cast<std::size_t>(lf - from) + 1 : static_cast<std::size_t>(got);
      length += take;
      offset += static_cast<off_t>(take);
      if (lf) break;
    }
    if (length == 0) return false;
    clear_room_after(raw, length);
    line = std::string_view(raw.bytes, length);
    return true;
  }
};

// Physical lines read again from a place of a file's text held in memory.
struct TextLines {
  RawLine& raw;
  std::string_view text;
  std::size_t offset;
  bool fetch(std::string_view& line) {
    if (offset >= text.size()) return false;
    const std::size_t lf = text.find('\n', offset);
    const std::size_t length = (lf == std::string_view::npos ? text.size() : lf + 1) - offset;
    if (!make_room(raw, length + kRoomAfterLine)) return false;
    std::memcpy(raw.bytes, text.data() + offset, length);
    clear_room_after(raw, length);
    line = std::string_view(raw.bytes, length);
    offset += length;
    return true;
  }
};

// The whole of a regular file through its descriptor, from its start (the stream's position is
// left alone).
bool read_whole_file(int fd, std::string& text) {
  text.clear();
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) text.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  off_t offset = 0;
  for (;;) {
    const ssize_t got = ::pread(fd, buffer, sizeof buffer, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    text.append(buffer, static_cast<std::size_t>(got));
    offset += got;
  }
}

// The physical line `raw` (with its line feed, if any) without its line feed and a CR before it;
// false when it is no line at all (a CR alone at the end of the file).
inline bool trim_physical_line(std::string_view& raw, bool& had_line_feed) {
  had_line_feed = false;
  std::size_t length = raw.size();
  if (raw[length - 1] == '\n') {
    had_line_feed = true;
    --length;
  }
  // CR directly before LF or at the end of the file is dropped.
  if (length > 0 && raw[length - 1] == '\r') --length;
  if (length == 0 && !had_line_feed) return false;
  raw = raw.substr(0, length);
  return true;
}

// Room for a logical line: its characters, its line feed, and the blanks of a tab written whole.
constexpr std::size_t kJoinedRoom = SourceReader::LINE_LIMIT + 8;

// `count` blanks at `to` (with room for 8 at least); returns count.
inline std::size_t put_blanks(char* to, std::size_t count) {
  if (count <= 8)
    std::memcpy(to, "        ", 8);
  else
    std::memset(to, ' ', count);
  return count;
}

// Eight characters are looked at in one word where the first of them lies lowest in it.
constexpr bool kWordSteps = std::endian::native == std::endian::little;

// Copies the eight characters at `from` to `to`; returns how many of them come before the first
// tab (8: none is a tab).
inline std::size_t copy_to_tab(const char* from, char* to) {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  std::uint64_t word;
  std::memcpy(&word, from, 8);
  std::memcpy(to, &word, 8);
  // A byte of `tabs` is zero where `word` has a tab; its high bit is set in `found` at the
  // first such byte (bytes above it may be marked wrongly, which does not matter).
  const std::uint64_t tabs = word ^ (kOnes * '\t');
  const std::uint64_t found = (tabs - kOnes) & ~tabs & (kOnes * 0x80);
  return found ? static_cast<std::size_t>(std::countr_zero(found)) / 8 : 8;
}

// Appends the characters of `raw` (which has kRoomAfterLine bytes after it) to the `length` ones
// in `joined` (kJoinedRoom characters), a tab becoming blanks up to the next stop `tab` apart;
// what passes LINE_LIMIT - 1 characters is dropped, and `truncated` set. Returns the length.
// Characters are copied eight at a step up to the next tab while eight fit.
inline std::size_t expand_tabs(std::string_view raw, std::size_t tab, char* joined, std::size_t length,
                               bool& truncated) {
  constexpr std::size_t keep = SourceReader::LINE_LIMIT - 1;
  const char* p = raw.data();
  const char* const end = p + raw.size();
  while (p < end) {
    if (kWordSteps && length + 8 <= keep) {
      const std::size_t to_tab = copy_to_tab(p, joined + length);
      const std::size_t run = std::min(to_tab, static_cast<std::size_t>(end - p));
      p += run;
      length += run;
      if (to_tab == 8 || p == end) continue;
    } else if (*p != '\t') {
      if (length < keep)
        joined[length++] = *p;
      else
        truncated = true;
      ++p;
      continue;
    }
    // *p is a tab (the stops of the usual width are found without a division)
    std::size_t spaces = tab - (tab == 8 ? length % 8 : length % tab);
    if (length + spaces > keep) {
      spaces = keep - length;
      truncated = true;
    }
    length += put_blanks(joined + length, spaces);
    ++p;
  }
  return length;
}

// The next logical line of `lines` into `joined` (kJoinedRoom characters), `line` naming
// it: physical lines joined where one ends in "\", tabs expanded to stops `tab` apart, at most
// LINE_LIMIT - 1 characters and a line feed. The physical lines `lines` gives have
// kRoomAfterLine bytes after them.
template <class Lines>
LineEnd read_logical_line(Lines& lines, std::size_t tab, char* joined, std::string_view& line, LineTaken& taken) {
  std::size_t length = 0;  // characters in `joined`
  int last = -1;           // last physical character before the line feed
  bool started = false;    // some physical line of this logical line was begun
  for (;;) {
    std::string_view raw;
    if (!lines.fetch(raw)) break;
    taken.bytes += raw.size();
    bool had_line_feed = false;
    if (!trim_physical_line(raw, had_line_feed)) break;
    started = true;
    length = expand_tabs(raw, tab, joined, length, taken.truncated);
    if (!raw.empty()) last = static_cast<unsigned char>(raw.back());
    if (!had_line_feed) break;
    ++taken.physical_lines;
    if (last != '\\') {
      joined[length++] = '\n';
      line = std::string_view(joined, length);
      return LineEnd::line_feed;
    }
    // Continued line: backslash and line feed are dropped.
    if (!taken.truncated && length > 0 && joined[length - 1] == '\\') --length;
    last = -1;
  }
  if (!started) return LineEnd::nothing;
  // A last line without a line feed gets one.
  ++taken.physical_lines;
  if (last == '\\' && !taken.truncated && length > 0 && joined[length - 1] == '\\') --length;
  joined[length++] = '\n';
  line = std::string_view(joined, length);
  return LineEnd::file_end;
}

// Room after the bytes of a ReadAhead: a look at 16 bytes from any of them stays in the buffer
// (and a line there has kRoomAfterLine bytes after it).
constexpr std::size_t kLookPast = 16;
static_assert(kLookPast >= kRoomAfterLine);

// The first line feed in [from, end), or nullptr. Lines are short: 16 bytes are looked at in one
// step, up to 15 of them past `end`.
inline const char* find_line_feed(const char* from, const char* end) {
#if defined(__SSE2__)
  const __m128i line_feed = _mm_set1_epi8('\n');
  for (const char* p = from; p < end; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (const unsigned found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, line_feed)))) {
      const char* at = p + __builtin_ctz(found);
      return at < end ? at : nullptr;
    }
  }
  return nullptr;
#else
  return static_cast<const char*>(std::memchr(from, '\n', static_cast<std::size_t>(end - from)));
#endif
}

}  // namespace

RawLine::~RawLine() { std::free(bytes); }

void ReadAhead::attach(int fd) {
  fd_ = fd;
  begin_ = end_ = tab_ = 0;
  ended_ = fd < 0;
  // A regular file is read in large pieces (no larger than it needs); anything else in the
  // pieces the standard streams would take of it.
  struct stat st {};
  const bool known = fd >= 0 && ::fstat(fd, &st) == 0;
  std::size_t wanted = 0;
  if (known && S_ISREG(st.st_mode)) {
    piece_ = kLargePiece;
    wanted = static_cast<std::size_t>(std::clamp<off_t>(st.st_size + 1, kSmallPiece, kLargePiece));
  } else {
    piece_ = known && st.st_blksize > 0 ? static_cast<std::size_t>(st.st_blksize) : BUFSIZ;
    wanted = piece_;
  }
  // A buffer large enough already is used again.
  if (!bytes_ || capacity_ < wanted) {
    bytes_.reset(new char[wanted + kLookPast]());
    capacity_ = wanted;
  }
}

std::size_t ReadAhead::find_tab(std::size_t from) const {
  const void* tab = std::memchr(bytes_.get() + from, '\t', end_ - from);
  return tab ? static_cast<std::size_t>(static_cast<const char*>(tab) - bytes_.get()) : end_;
}

inline bool ReadAhead::next(std::string_view& line) {
  const std::size_t at = begin_;
  if (const void* lf = std::memchr(bytes_.get() + at, '\n', end_ - at)) {
    begin_ = static_cast<std::size_t>(static_cast<const char*>(lf) - bytes_.get()) + 1;
    line = std::string_view(bytes_.get() + at, begin_ - at);
    if (tab_ < begin_) tab_ = find_tab(begin_);
    return true;
  }
  return next_from_file(line);
}

inline ReadAhead::Found ReadAhead::next_at_hand(std::string_view& line, std::size_t limit) {
  const char* from = bytes_.get() + begin_;
  const char* lf = find_line_feed(from, bytes_.get() + end_);
  if (!lf) return Found::none;
  const std::size_t size = static_cast<std::size_t>(lf - from) + 1;
  line = std::string_view(from, size);
  begin_ += size;
  const bool tabbed = tab_ < begin_;
  if (tabbed) tab_ = find_tab(begin_);
  if (size > limit || (size > 1 && (lf[-1] == '\r' || lf[-1] == '\\'))) return Found::other;
  return tabbed ? Found::tabbed : Found::plain;
}

bool ReadAhead::fill() {
  if (ended_) return false;
  if (begin_ > 0) {
    std::memmove(bytes_.get(), bytes_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    tab_ -= begin_;
    begin_ = 0;
  }
  if (end_ == capacity_) {  // a line longer than the buffer
    std::unique_ptr<char[]> larger(new char[capacity_ * 2 + kLookPast]());
    std::memcpy(larger.get(), bytes_.get(), end_);
    bytes_ = std::move(larger);
    capacity_ *= 2;
  }
  for (;;) {
    const ssize_t got = ::read(fd_, bytes_.get() + end_, std::min(capacity_ - end_, piece_));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ended_ = true;
      return false;
    }
    const std::size_t from = end_;
    end_ += static_cast<std::size_t>(got);
    if (tab_ == from) tab_ = find_tab(from);
    return true;
  }
}

bool ReadAhead::next_from_file(std::string_view& line) {
  std::size_t looked_at = end_ - begin_;  // bytes of the line known to hold no line feed
  while (fill()) {
    const char* from = bytes_.get() + begin_;
    if (const void* lf = std::memchr(from + looked_at, '\n', end_ - begin_ - looked_at)) {
      const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(lf) - from) + 1;
      line = std::string_view(from, length);
      begin_ += length;
      if (tab_ < begin_) tab_ = find_tab(begin_);
      return true;
    }
    looked_at = end_ - begin_;
  }
  if (begin_ == end_) return false;
  line = std::string_view(bytes_.get() + begin_, end_ - begin_);
  begin_ = tab_ = end_;
  return true;
}

SourceReader::SourceReader(Assembly& run)
    : run_(run), settings_(settings(run)), joined_(std::make_unique<char[]>(kJoinedRoom)) {}

// Held descriptors are entries of the run's file table, closed with the other files.
SourceReader::~SourceReader() = default;

void SourceReader::start(std::FILE* handle, std::string name) {
  reset();
  handle_ = handle;
  ahead_.attach(handle ? fileno(handle) : -1);
  name_ = std::move(name);
  add_input(handle);
}

namespace {

// A place: the input in the high bits, the position counted from 1 in the low ones. Shifted
// left by one it still fits a word (see Statement).
constexpr int kPlacePositionBits = 40;
constexpr std::uint64_t kPlacePositionMask = (std::uint64_t{1} << kPlacePositionBits) - 1;
constexpr std::uint64_t kPlaceInputs = std::uint64_t{1} << (63 - kPlacePositionBits);

}  // namespace

// Decides, when the file is opened, how its lines can be read again: a regular file whose
// position can be asked for through its descriptor (held for the run, or the one held already for
// the same file), anything else (pipe, FIFO, terminal, device) from its text kept as it is read.
void SourceReader::add_input(std::FILE* handle) {
  Input in;
  in.handle = handle;
  in.via = static_cast<std::uint32_t>(inputs_.size());
  struct stat st {};
  const int fd = handle ? fileno(handle) : -1;
  if (!gives_places_ || fd < 0 || inputs_.size() >= kPlaceInputs) {
    in.again = Again::never;
  } else if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    in.again = Again::kept;
  } else if (const off_t at = ::lseek(fd, 0, SEEK_CUR); at < 0) {
    in.again = Again::kept;
  } else {
    in.again = Again::descriptor;
    in.base = static_cast<std::uint64_t>(at);
    in.device = st.st_dev;
    in.inode = st.st_ino;
    // The same file opened before, held or read in: its descriptor or text has the same bytes.
    for (const Input& other : inputs_) {
      if (other.via == static_cast<std::uint32_t>(&other - inputs_.data()) && other.device == st.st_dev &&
          other.inode == st.st_ino &&
          ((other.again == Again::descriptor && other.handle) || other.again == Again::text)) {
        in.via = other.via;
        in.again = other.again;
        break;
      }
    }
    if (in.via == inputs_.size() && !inputs_.empty()) {
      if (held_includes_ < held_include_limit())
        ++held_includes_;
      else if (read_whole_file(fd, in.text))
        in.again = Again::text;  // once for the file, however often it is included
      else
        in.again = Again::kept;
    }
  }
  inputs_.push_back(in);
  select_input(static_cast<std::uint32_t>(inputs_.size() - 1));
}

void SourceReader::select_input(std::uint32_t input) {
  input_ = input;
  place_base_ = place_limit_ = 0;
  if (!gives_places_ || input_ >= inputs_.size()) return;
  const Input& in = inputs_[input_];
  // Lines read again from the file: the place follows from where the line begins.
  if ((in.again == Again::descriptor || in.again == Again::text) && in.base < kPlacePositionMask) {
    place_base_ = (std::uint64_t{in.via} << kPlacePositionBits) | (in.base + 1);
    place_limit_ = kPlacePositionMask - in.base;
  }
}

// Held include descriptors take at most a quarter of the descriptors a process may open.
int SourceReader::held_include_limit() {
  if (held_include_limit_ < 0) {
    struct rlimit limit {};
    held_include_limit_ = kHeldIncludes;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
      held_include_limit_ = static_cast<int>(std::min<rlim_t>(kHeldIncludes, limit.rlim_cur / 4));
  }
  return held_include_limit_;
}

bool SourceReader::give_up_held_descriptors() {
  bool gave_up = false;
  for (std::size_t i = 1; i < inputs_.size(); ++i) {
    Input& in = inputs_[i];
    if (in.again != Again::descriptor || in.via != i || !in.handle || in.handle == handle_) continue;
    bool reading = false;
    for (const Level& level : levels_) reading = reading || level.handle == in.handle;
    if (reading || !read_whole_file(fileno(in.handle), in.text)) continue;
    in.again = Again::text;
    close_handle(files(run_), in.handle);
    in.handle = nullptr;
    --held_includes_;
    gave_up = true;
  }
  // Few descriptors to spare: files opened from now on are read in instead of held.
  held_include_limit_ = 0;
  return gave_up;
}

// The include file read now is done with: closed unless its descriptor is held.
void SourceReader::leave_input() {
  if (input_ >= inputs_.size()) return;
  Input& in = inputs_[input_];
  if (in.again == Again::descriptor && in.via == input_) return;
  close_handle(files(run_), handle_);
  in.handle = nullptr;
}

// The place of the line just read (its text kept when the input cannot be read again).
std::uint64_t SourceReader::place_of_line() {
  if (!gives_places_ || input_ >= inputs_.size()) return 0;
  const Input& in = inputs_[input_];
  std::uint64_t position = 0;
  std::uint32_t input = input_;
  switch (in.again) {
    case Again::never:
      return 0;
    case Again::descriptor:
    case Again::text:
      position = in.base + line_position_;
      input = in.via;
      break;
    case Again::kept:
      position = kept_.size();
      kept_.append(line_);
      break;
  }
  if (position >= kPlacePositionMask) return 0;
  return (std::uint64_t{input} << kPlacePositionBits) | (position + 1);
}

void SourceReader::reset() {
  close_includes();
  handle_ = nullptr;
  name_.clear();
  file_index_ = 0;
  line_number_ = 0;
  total_lines_ = 0;
  file_counter_ = 0;
  offset_ = 0;
  line_position_ = 0;
  line_place_ = 0;
  inputs_.clear();
  select_input(0);
  held_includes_ = 0;
  kept_.clear();
  main_lines_.clear();
  line_ = {};
  pos_ = 0;
  pending_pop_ = false;
  end_of_input_ = false;
}

void SourceReader::close_includes() {
  // The current line outlives the buffers of the files it may lie in.
  if (!levels_.empty() && line_.data() != joined_.get()) {
    std::memmove(joined_.get(), line_.data(), line_.size());
    line_ = std::string_view(joined_.get(), line_.size());
  }
  while (!levels_.empty()) {
    leave_input();
    Level& level = levels_.back();
    select_input(level.input);
    handle_ = level.handle;
    spare_aheads_.push_back(std::move(ahead_));
    ahead_ = std::move(level.ahead);
    name_ = level.name;
    file_index_ = level.file_index;
    line_number_ = level.line_number;
    offset_ = level.offset;
    levels_.pop_back();
  }
  // The descriptors held for reading lines again (the source is closed with the standard files).
  for (std::size_t i = 1; i < inputs_.size(); ++i) {
    Input& in = inputs_[i];
    if (in.handle) close_handle(files(run_), in.handle);
  }
  held_includes_ = 0;
}

SourceLocation SourceReader::location() const {
  SourceLocation loc;
  loc.file = name_;
  loc.line = line_number_;
  loc.column = static_cast<int>(pos_);
  loc.text = std::string(line_);
  return loc;
}

std::size_t SourceReader::tab_width() const {
  return static_cast<std::size_t>(settings_.tab_width > 0 ? settings_.tab_width : 8);
}

// A line that lies whole in the bytes at hand is taken as it stands when it is plain, and with
// its tabs expanded when that is all it needs.
inline bool SourceReader::read_line() {
  std::string_view raw;
  if (pending_pop_ || end_of_input_) return read_other_line(raw);
  const ReadAhead::Found found = ahead_.next_at_hand(raw, LINE_LIMIT);
  if (found == ReadAhead::Found::plain) {
    line_ = raw;
  } else if (found != ReadAhead::Found::tabbed || !expand_tabbed_line(raw)) {
    return read_other_line(raw);
  }
  pos_ = 0;
  line_position_ = offset_;
  offset_ += raw.size();
  ++line_number_;
  ++total_lines_;
  line_place_ = line_position_ < place_limit_ ? place_base_ + line_position_ : place_of_line();
  if (levels_.empty() && (settings_.debug_info & DEBUG_EMBED_SOURCE)) keep_main_line();
  return true;
}

bool SourceReader::expand_tabbed_line(std::string_view raw) {
  bool truncated = false;
  std::size_t length = expand_tabs(raw.substr(0, raw.size() - 1), tab_width(), joined_.get(), 0, truncated);
  if (truncated) return false;  // read the general way, with its report
  joined_[length++] = '\n';
  line_ = std::string_view(joined_.get(), length);
  return true;
}

void SourceReader::report_long_line() {
  MessageArgs args;
  args.number = static_cast<long>(LINE_LIMIT);
  user_error_A01(run_, 5, args);
}

void SourceReader::keep_main_line() {
  main_lines_.emplace_back(line_, 0, line_.size() - (line_.back() == '\n' ? 1 : 0));
}

bool SourceReader::read_other_line(std::string_view first) {
  // A pop is pending after a last line without a line feed: that line lies in joined_, not in
  // the buffer of the file given up.
  if (pending_pop_) {
    pending_pop_ = false;
    pop_include_file();
  }
  if (end_of_input_) return false;
  for (;;) {
    line_ = {};
    pos_ = 0;
    line_position_ = offset_;
    LineTaken taken;
    StreamLines lines{ahead_, first};
    first = {};
    const LineEnd end = read_logical_line(lines, tab_width(), joined_.get(), line_, taken);
    offset_ += taken.bytes;
    line_number_ += taken.physical_lines;
    total_lines_ += taken.physical_lines;
    if (end == LineEnd::nothing) {
      if (!levels_.empty()) {
        pop_include_file();  // at a line boundary: go on in the including file
        continue;
      }
      end_of_input_ = true;
      return false;
    }
    if (end == LineEnd::file_end) {
      if (!levels_.empty())
        pending_pop_ = true;
      else
        end_of_input_ = true;
    }
    if (taken.truncated) report_long_line();
    line_place_ = line_position_ < place_limit_ ? place_base_ + line_position_ : place_of_line();
    if (levels_.empty() && (settings_.debug_info & DEBUG_EMBED_SOURCE)) keep_main_line();
    return true;
  }
}

std::string SourceReader::line_at(std::uint64_t place) {
  std::string line;
  const std::uint64_t input = place >> kPlacePositionBits;
  const std::uint64_t position = place & kPlacePositionMask;
  if (position == 0 || input >= inputs_.size()) return line;
  const Input& in = inputs_[input];
  if (in.again == Again::kept) {
    if (position > kept_.size()) return line;
    const std::size_t from = position - 1;
    const std::size_t end = kept_.find('\n', from);
    line.assign(kept_, from, end == std::string::npos ? std::string::npos : end + 1 - from);
    return line;
  }
  std::array<char, kJoinedRoom> joined;
  std::string_view got;
  LineTaken taken;
  if (in.again == Again::text) {
    TextLines lines{again_raw_, in.text, static_cast<std::size_t>(position - 1)};
    read_logical_line(lines, tab_width(), joined.data(), got, taken);
  } else if (in.again == Again::descriptor && in.handle) {
    DescriptorLines lines{again_raw_, fileno(in.handle), static_cast<off_t>(position - 1)};
    read_logical_line(lines, tab_width(), joined.data(), got, taken);
  }
  return std::string(got);
}

int SourceReader::getch_next_line() {
  if (!read_line()) {
    line_ = {};
    pos_ = 0;
    return -1;
  }
  return static_cast<unsigned char>(line_[pos_++]);
}

bool SourceReader::next_line(std::string& line) {
  if (pos_ >= line_.size() && !read_line()) {
    line_ = {};
    pos_ = 0;
    return false;
  }
  std::size_t end = line_.size();
  if (end > pos_ && line_[end - 1] == '\n') --end;
  line.assign(line_.data() + pos_, end - pos_);
  pos_ = line_.size();
  return true;
}

void SourceReader::push_include_file(std::string_view name, bool search_source_dir) {
  if (include_depth() >= MAX_INCLUDE_DEPTH) {
    MessageArgs args;
    args.number = MAX_INCLUDE_DEPTH;
    user_error_A01(run_, 1, args);
    return;
  }
  // An embedded source holds the main file only: its line records could not name another.
  if (settings_.debug_info & DEBUG_EMBED_SOURCE) {
    user_error_A01(run_, 98);
    return;
  }
  const int index = file_counter_ + 1;
  std::string wanted = slashes(name);
  OpenedFile found;
  const std::vector<std::string>& prefixes = files(run_).prefixes;
  bool out_of_descriptors = false;
  auto search = [&] {
    for (std::size_t i = search_source_dir ? 0 : 1; i < prefixes.size() && !found.handle; ++i) {
      std::string prefix = slashes(prefixes[i]);
      found = open_output_or_input_file(run_, FileKind::text_input, prefix, wanted, "", OPEN_SILENT, index);
      if (found.error == EMFILE || found.error == ENFILE) out_of_descriptors = true;
      if (!found.handle) {
        if (auto other = case_insensitive_match(build_file_name(prefix, wanted, ""))) {
          found = open_output_or_input_file(run_, FileKind::text_input, "", *other, "", OPEN_SILENT, index);
        }
      }
    }
  };
  search();
  // Out of descriptors: the held ones are given up (their text read in) and the search is made
  // again.
  if (!found.handle && out_of_descriptors && give_up_held_descriptors()) search();
  if (!found.handle) {
    MessageArgs args;
    args.text = name;
    user_error_A01(run_, 2, args);
    return;
  }
  if (inputs_.empty()) add_input(handle_);  // a reader given no main source by start()
  Level level{handle_, std::move(ahead_), input_, name_, file_index_, line_number_, offset_, {}};
  if (hooks_.get) level.state = hooks_.get();
  levels_.push_back(std::move(level));
  handle_ = found.handle;
  if (!spare_aheads_.empty()) {
    ahead_ = std::move(spare_aheads_.back());
    spare_aheads_.pop_back();
  }
  ahead_.attach(fileno(handle_));
  add_input(handle_);
  name_ = found.name;
  line_number_ = 0;
  file_counter_ = index;
  file_index_ = index;
  offset_ = 0;
}

void SourceReader::pop_include_file() {
  if (levels_.empty()) return;
  leave_input();
  Level level = std::move(levels_.back());
  levels_.pop_back();
  select_input(level.input);
  handle_ = level.handle;
  spare_aheads_.push_back(std::move(ahead_));
  ahead_ = std::move(level.ahead);
  name_ = std::move(level.name);
  file_index_ = level.file_index;
  line_number_ = level.line_number;
  offset_ = level.offset;

  if (!hooks_.get || !hooks_.set) return;
  IncludeState now = hooks_.get();
  IncludeState restored = now;
  restored.comment = level.state.comment + now.comment;
  if (restored.comment > 1) {
    hooks_.set(restored);
    user_warning_A01(run_, 1);
    restored.comment = 1;
  }
  if (now.repeat != level.state.repeat) {
    restored.repeat = level.state.repeat;
    hooks_.set(restored);
    user_error_A01(run_, 75);
  }
  if (now.conditional_depth != level.state.conditional_depth) {
    restored.conditional_depth = level.state.conditional_depth;
    hooks_.set(restored);
    user_error_A01(run_, 57);
  }
  restored.list_flags = level.state.list_flags;
  hooks_.set(restored);
}

void SourceReader::check_include_end() {
  if (!levels_.empty()) user_warning_A01(run_, 18);
}

}  // namespace aq71
