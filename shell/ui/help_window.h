#pragma once
// The Help menu's window: the user guide that lies in the studio's folder, shown as a
// document in a window of the studio.

#include <QDialog>
#include <filesystem>

#include "platform/message_box.h"

class QTextBrowser;

namespace shell {

// The guide's file name in the studio's folder.
inline constexpr const char* kUserGuideFile = "user-guide.md";

class HelpWindow : public QDialog {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  // Reads the guide; false when it cannot be read.
  bool Load(const std::filesystem::path& guide);
  QTextBrowser* browser() const { return browser_; }

 private:
  QTextBrowser* browser_ = nullptr;
};

// Shows the guide of the folder in the one help window of `parent` (made on first use,
// brought to the front afterwards); a guide that cannot be read is reported instead.
void ShowUserGuide(QWidget* parent, const std::filesystem::path& folder, platform::MessageSink& messages,
                   bool koreanMenu);

}  // namespace shell
