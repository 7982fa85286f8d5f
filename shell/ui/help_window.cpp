#include "shell/ui/help_window.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <string>

#include "platform/file_read.h"

namespace shell {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("frmHelp");
  setWindowTitle("Korvane Studio Help");
  setModal(false);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName("txtHelp");
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(760, 640);
}

bool HelpWindow::Load(const std::filesystem::path& guide) {
  std::string text;
  if (!platform::ReadWholeFile(guide, text)) return false;
  browser_->setSearchPaths({QString::fromStdString(guide.parent_path().string())});
  browser_->setMarkdown(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  return true;
}

void ShowUserGuide(QWidget* parent, const std::filesystem::path& folder, platform::MessageSink& messages,
                   bool koreanMenu) {
  const std::filesystem::path guide = folder / kUserGuideFile;
  auto* window = parent ? parent->findChild<HelpWindow*>("frmHelp") : nullptr;
  const bool made = window == nullptr;
  if (made) window = new HelpWindow(parent);
  if (!window->Load(guide)) {
    if (made) delete window;
    messages.Show({"Korvane Studio Error !",
                   platform::Pick(koreanMenu, std::string("Help File Open Error : "),
                                  std::string("도움말 파일을 열 수 없습니다 : ")) +
                       guide.string(),
                   platform::MsgIcon::Information, platform::MsgButtons::Ok});
    return;
  }
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace shell
