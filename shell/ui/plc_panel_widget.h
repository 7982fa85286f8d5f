#pragma once
// The PLC page of the side panel: model list, communication mode, node, the 40 direction
// boxes with their port-wide boxes and the I/O board list. A mirror of PlcPanelModel: user
// changes go to the model, then the controls are refreshed from it under signal blockers.

#include <QWidget>
#include <array>

#include "shell/plc_panel.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace shell {

class PlcPanelWidget : public QWidget {
  Q_OBJECT
 public:
  explicit PlcPanelWidget(PlcPanelModel& model, QWidget* parent = nullptr);

  // Document to controls (the page was chosen, or start-up).
  void Load();
  // Controls to document (the page is left, or before a save).
  void Fix();
  // The controls hold a setup that Fix would hand to the document.
  bool Edited();
  // Captions that follow the interface language.
  void SetKoreanMenu(bool korean);

  PlcPanelModel& model() { return model_; }
  // Controls, for the window and tests.
  QComboBox* modelList() const { return cboDevice_; }
  QComboBox* boardList() const { return cboIOSetting_; }
  QCheckBox* portBox(int box) const { return chkM_[static_cast<size_t>(box)]; }
  QCheckBox* portWideBox(int port) const { return check_[static_cast<size_t>(port)]; }
  QRadioButton* commOption(int index) const { return optCmode_[static_cast<size_t>(index)]; }
  QLineEdit* nodeEdit() const { return txtNode_; }

 private:
  void Refresh();

  PlcPanelModel& model_;
  QComboBox* cboDevice_ = nullptr;
  QComboBox* cboIOSetting_ = nullptr;
  std::array<QCheckBox*, kPortBits> chkM_{};
  std::array<QCheckBox*, kPorts> check_{};
  std::array<QRadioButton*, kCommModes> optCmode_{};
  QLineEdit* txtNode_ = nullptr;
  QLabel* lblNode_ = nullptr;
  QGroupBox* commFrame_ = nullptr;
  QGroupBox* portFrame_ = nullptr;
};

}  // namespace shell
