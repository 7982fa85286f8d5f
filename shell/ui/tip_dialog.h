#pragma once
// The tip of the day window (Korean in both interface languages).

#include <QDialog>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/message_box.h"
#include "shell/tip_file.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace shell {

using IniWriter = std::function<void(const std::string& section, const std::string& key, const std::string& value)>;

class TipDialog : public QDialog {
  Q_OBJECT
 public:
  // tipShow: the setting read at start-up (1: offer the window when the main window is
  // activated); the close button clears it for the rest of the run.
  TipDialog(TipState& state, int16_t& tipShow, IniWriter writeIni, QWidget* parent = nullptr);

  QPushButton* nextButton() const { return cmdNext_; }
  QPushButton* previousButton() const { return cmdPrevious_; }
  QPushButton* closeButton() const { return cmdClose_; }
  QCheckBox* showBox() const { return chkShow_; }
  QLabel* tipLabel() const { return lblTip_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowTip();

  TipState& state_;
  int16_t& tipShow_;
  IniWriter writeIni_;
  QLabel* lblTip_ = nullptr;
  QPushButton* cmdNext_ = nullptr;
  QPushButton* cmdPrevious_ = nullptr;
  QPushButton* cmdClose_ = nullptr;
  QCheckBox* chkShow_ = nullptr;
};

// The Help menu's tip item (also what the main window's activation offers): reads the tip
// file of the folder, starts at the tip of the current second's last digit and shows the
// window modally. Nothing is shown when the file cannot be read (the error is); the result
// tells whether the window was shown.
bool ShowTipOfTheDay(QWidget* parent, TipState& state, int16_t& tipShow, const std::filesystem::path& folder,
                     platform::MessageSink& messages, bool koreanMenu, IniWriter writeIni);

}  // namespace shell
