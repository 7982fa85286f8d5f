#include "shell/ui/memo_box.h"

#include <QString>
#include <QTextDocument>
#include <QTextEdit>

namespace shell {
namespace {

// The box's characters as it holds them, its paragraph breaks as U+2029 (the plain text would
// turn non-breaking spaces into spaces and line separators into line ends).
std::u16string RawText(const QTextDocument& document) { return document.toRawText().toStdU16String(); }

}  // namespace

MemoBox::MemoBox(QTextEdit& box) : QObject(&box), box_(box) {
  const QTextDocument* document = box.document();
  connect(document, &QTextDocument::contentsChange, this, [this, document](int from, int, int) {
    if (!showing_) lines_.Changed(RawText(*document), from < 0 ? 0 : static_cast<std::size_t>(from));
  });
}

std::string MemoBox::Text() const { return QString::fromStdU16String(lines_.Text()).toStdString(); }

void MemoBox::Show(const std::string& text) {
  const QString memo = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  showing_ = true;
  box_.setPlainText(QString::fromStdU16String(lines_.Show(memo.toStdU16String())));
  showing_ = false;
  lines_.Changed(RawText(*box_.document()));  // whatever the box took otherwise than it was given
}

}  // namespace shell
