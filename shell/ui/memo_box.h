#pragma once
// The memo page's text box as the memo's text goes in and out of it: the box gives back every
// character it holds, as it holds it (a non-breaking space stays one, a line separator stays
// one), so that an edit changes only what the user changed.

#include <string>

class QTextEdit;

namespace shell {

// The box's text (UTF-8), its paragraphs joined by LF.
std::string MemoBoxText(const QTextEdit& box);

// Shows `text` (UTF-8, LF line ends) in the box as plain text.
void ShowMemoText(QTextEdit& box, const std::string& text);

}  // namespace shell
