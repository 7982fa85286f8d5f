#pragma once
// The memo page's text box as the memo's text goes in and out of it: the box gives back every
// character it holds, as it holds it (a non-breaking space stays one, a line separator stays
// one), and each line end as the memo had it (a lone CR, a paragraph separator, which the box
// shows as line ends like any other: shell::MemoLineEnds), so that an edit changes only what
// the user changed.

#include <QObject>
#include <string>

#include "shell/memo_line_ends.h"

class QTextEdit;

namespace shell {

class MemoBox : public QObject {
 public:
  // Follows the changes of `box`, which owns it.
  explicit MemoBox(QTextEdit& box);

  // The memo's text (UTF-8), as the box holds it now.
  std::string Text() const;

  // Shows the memo `text` (UTF-8, as read: LF line ends) in the box as plain text.
  void Show(const std::string& text);

 private:
  QTextEdit& box_;
  MemoLineEnds lines_;
  bool showing_ = false;
};

}  // namespace shell
