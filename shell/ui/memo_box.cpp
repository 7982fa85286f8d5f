#include "shell/ui/memo_box.h"

#include <QString>
#include <QTextDocument>
#include <QTextEdit>

namespace shell {

std::string MemoBoxText(const QTextEdit& box) {
  // The plain text would turn non-breaking spaces into spaces and line separators into line
  // ends; the raw text keeps them and marks only the paragraph ends.
  QString raw = box.document()->toRawText();
  raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  return raw.toStdString();
}

void ShowMemoText(QTextEdit& box, const std::string& text) {
  box.setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace shell
