// Where the scanner's characters come from: the sources of whole lines (the driver's source
// reader with its include stack, or a text in memory) and the readers of the scanner's input
// stack (pushed texts, #define bodies, macro and repeat lines), with what the false-branch skip
// may ask of a reader that plays back recorded lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/source_files.h"

namespace aq71 {

// Where source characters come from.
class LineSource {
 public:
  virtual ~LineSource() = default;
  // Next line without its line feed; false at end of input.
  virtual bool next_line(std::string& line) = 0;
  // Number of the line last returned (in its file).
  virtual long line_number() const = 0;
  // Include counter of the file being read (0 for the main source).
  virtual int file_index() const { return 0; }
  // Next character, a line feed ending each line, or -1 at the end. By default read through
  // next_line, dropping a carriage return that ends a line.
  virtual int next_char();
  // The source reader whose characters next_char passes on unchanged, if any: the scanner then
  // takes them from it directly.
  virtual SourceReader* direct_reader() { return nullptr; }

 private:
  std::string buffer_;
  std::size_t pos_ = 0;
  bool have_line_ = false;
};

// The driver's source reader with its include stack as the scanner's source. Characters are
// taken one at a time so that the reader's own position (report carets) stays exact.
class IncludeStackSource : public LineSource {
 public:
  explicit IncludeStackSource(SourceReader& reader) : reader_(reader) {}
  bool next_line(std::string& line) override { return reader_.next_line(line); }
  long line_number() const override { return reader_.line_number(); }
  int file_index() const override { return reader_.file_index(); }
  int next_char() override { return reader_.source_file_getch(); }
  SourceReader* direct_reader() override { return &reader_; }

 private:
  SourceReader& reader_;
};

// Lines of a text held in memory (tests, command-line sources).
class StringLineSource : public LineSource {
 public:
  explicit StringLineSource(std::string text) : text_(std::move(text)) {}
  bool next_line(std::string& line) override;
  long line_number() const override { return line_; }

 private:
  std::string text_;
  std::size_t pos_ = 0;
  long line_ = 0;
};

// Classes of a recorded line to the false-branch skip, kept with the line: a conditional kind
// (COND_IF ...), MACRO, ENDM, none (0), not known yet, or read expanded only. A line of ELSE,
// ELSEIF or ENDIF that reads as the same tokens as the text the skip would hand on in its place
// carries kSkipInPlace beside its kind: when it ends the skip, its reader reads it as it stands.
inline constexpr std::int8_t kSkipUnknown = -1;
inline constexpr std::int8_t kSkipExpanded = -2;
inline constexpr std::int8_t kSkipInPlace = 16;
inline constexpr std::int8_t kSkipMacro = 100;
inline constexpr std::int8_t kSkipEndm = 101;

// A line as a reader recorded it (without its line feed) and its skip class.
struct RecordedLine {
  std::string_view text;
  std::int8_t* skip_class = nullptr;
};

// One entry of the input stack.
class InputReader {
 public:
  virtual ~InputReader() = default;
  // Returned by read() when the reader has nothing left: it is popped and reading goes on with
  // the reader below it.
  static constexpr int EXHAUSTED = -2;
  // Next character 0..255, -1 at end of input, or EXHAUSTED.
  virtual int read() = 0;
  // The line being read when the reader plays back generated lines (macro expansions and
  // repeat bodies), for the listing; nullptr for other readers.
  virtual const std::string* generated_line() const { return nullptr; }
  // For the false-branch skip, at a line start: the next line as recorded when reading it
  // expanded would have no effect beyond its text, so that the skip can look at it as it
  // stands; false otherwise. pass_recorded_line() then moves past it unread, and
  // expand_recorded_line() reads it whole (the reader's generated line), without its line feed.
  virtual bool peek_recorded_line(RecordedLine& line) {
    (void)line;
    return false;
  }
  virtual void pass_recorded_line() {}
  virtual std::string expand_recorded_line() { return {}; }
  std::vector<int> pushback;  // waiting characters; the last one comes next
  // A reader that plays back a line held in memory names the line and its read position:
  // while characters remain there, the scanner takes them without calling read().
  const std::string* buffered_text = nullptr;
  std::size_t* buffered_pos = nullptr;
};

}  // namespace aq71
