// Sources of lines and readers of the scanner's input stack (see input_readers.h).
#include "assembler/input_readers.h"

namespace aq71 {

bool StringLineSource::next_line(std::string& line) {
  if (pos_ >= text_.size()) return false;
  std::size_t end = text_.find('\n', pos_);
  if (end == std::string::npos) end = text_.size();
  line.assign(text_, pos_, end - pos_);
  pos_ = end + 1;
  ++line_;
  return true;
}

int LineSource::next_char() {
  if (!have_line_) {
    if (!next_line(buffer_)) return -1;
    if (!buffer_.empty() && buffer_.back() == '\r') buffer_.pop_back();
    have_line_ = true;
    pos_ = 0;
  }
  if (pos_ < buffer_.size()) return static_cast<unsigned char>(buffer_[pos_++]);
  have_line_ = false;
  return '\n';
}

}  // namespace aq71
