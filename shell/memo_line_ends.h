#pragma once
// The memo box shows a LF, a lone CR and a paragraph separator (U+2029) of the memo alike, as
// a paragraph break: the text box splits its paragraphs at every one of them, so its text no
// longer tells which of them a break was. MemoLineEnds keeps the memo's text beside the box's,
// character for character, and follows each change the box reports, so that a break the user
// did not touch comes back as it was read, and one the user made is a LF.

#include <cstddef>
#include <deque>
#include <string>

namespace shell {

class MemoLineEnds {
 public:
  // Keeps the memo `text` (UTF-16, as read: LF line ends, a lone CR, U+2029) and returns the
  // text for the box: every break a LF of its own, so that each makes one paragraph break.
  std::u16string Show(std::u16string text);

  // Follows a change of the box that begins at `from` (npos: anywhere), `box` being the box's
  // text after it with its paragraph breaks as U+2029. The kept text before and after the
  // changed stretch stays as it is; the stretch is the box's, each break in it a LF. A text
  // the box held in one of the last kEarlier changes (an edit undone) takes the breaks it had:
  // those texts are kept while they hold a break of their own (a lone CR, U+2029), at most
  // kEarlierChars characters of them.
  void Changed(const std::u16string& box, std::size_t from = std::u16string::npos);

  // The memo's text: the box's characters, each break as it was read or a LF where the user
  // made it.
  const std::u16string& Text() const { return text_; }

 private:
  static constexpr std::size_t kEarlier = 100;
  static constexpr std::size_t kEarlierChars = std::size_t{1} << 22;

  std::u16string text_;
  std::deque<std::u16string> earlier_;  // the texts before the last changes, the latest first
};

}  // namespace shell
