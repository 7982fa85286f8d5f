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

// The tip window's check box was clicked: whether to offer the window at the next start.
using TipShowChoice = std::function<void(bool show)>;

class TipDialog : public QDialog {
  Q_OBJECT
 public:
  // tipShow: whether the window is offered when the main window is activated (1), as read
  // at start-up; the close button clears it for the rest of the run. The check box starts
  // from it and tells `chosen` of each click; it leaves tipShow alone.
  TipDialog(TipState& state, int16_t& tipShow, TipShowChoice chosen, QWidget* parent = nullptr);

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
  TipShowChoice chosen_;
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
                     platform::MessageSink& messages, bool koreanMenu, TipShowChoice chosen);

}  // namespace shell
