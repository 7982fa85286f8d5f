#include "shell/ui/plc_panel_widget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>

#include "shell/plc_panel_texts.h"

namespace shell {

namespace {

// The page is laid out in twips as the studio's forms are; 15 twips make a pixel.
int Px(int twips) { return twips / 15; }

void Place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

}  // namespace

PlcPanelWidget::PlcPanelWidget(PlcPanelModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName("plcSetupPage");
  // As wide as the group boxes reach (left 240, width 3375), so that the side panel's scroll
  // bar, where the page scrolls, does not cover them.
  setMinimumSize(Px(240 + 3375), Px(6600));

  // Controls carry the names the window's caption table knows them by; an element of a
  // control array carries its index in the property "index".
  auto* modelFrame = new QGroupBox(plc_texts::kModelFrame, this);
  modelFrame->setObjectName("Frame1");
  Place(modelFrame, 240, 120, 3375, 735);
  cboDevice_ = new QComboBox(modelFrame);
  cboDevice_->setObjectName("cboDevice");
  for (const auto& row : kPlcModelRows) cboDevice_->addItem(row.text);
  cboDevice_->setCurrentIndex(-1);
  Place(cboDevice_, 240, 300, 2895, 330);

  commFrame_ = new QGroupBox(this);
  commFrame_->setObjectName("Frame2");
  Place(commFrame_, 240, 960, 3375, 2295);
  for (int i = 0; i < kCommModes; ++i) {
    optCmode_[i] = new QRadioButton(commFrame_);
    optCmode_[i]->setObjectName("optCmode");
    optCmode_[i]->setProperty("index", i);
    Place(optCmode_[i], 360, 360 + 360 * i, 2900, 300);
    connect(optCmode_[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) model_.commOption = i;
    });
  }
  lblNode_ = new QLabel(commFrame_);
  lblNode_->setObjectName("lblNode");
  Place(lblNode_, 600, 1830, 1400, 285);
  txtNode_ = new QLineEdit(commFrame_);
  txtNode_->setObjectName("txtNode");
  Place(txtNode_, 2040, 1800, 615, 315);
  connect(txtNode_, &QLineEdit::textEdited, this, [this](const QString& t) { model_.nodeText = t.toStdString(); });

  portFrame_ = new QGroupBox(this);
  portFrame_->setObjectName("Frame4");
  Place(portFrame_, 240, 3480, 3375, 2775);
  // The heading line: bit numbers over their columns.
  for (int bit = 0; bit < 8; ++bit) {
    int left = bit >= 4 ? 1080 + 240 * (7 - bit) : 2280 + 240 * (3 - bit);
    auto* digit = new QLabel(QString::number(bit), portFrame_);
    digit->setAlignment(Qt::AlignCenter);
    Place(digit, left, 330, 255, 255);
  }
  const int rowTops[kPorts] = {600, 840, 1200, 1440, 1800};
  for (int port = 0; port < kPorts; ++port) {
    check_[port] = new QCheckBox(portFrame_);
    check_[port]->setObjectName(QString("Check%1").arg(port + 1));
    Place(check_[port], 240, rowTops[port], 255, 255);
    connect(check_[port], &QCheckBox::clicked, this, [this, port](bool on) {
      model_.ClickPort(port, on);
      Refresh();
    });
    auto* label = new QLabel(QString("P%1").arg(port), portFrame_);
    Place(label, 720, rowTops[port], 360, 255);
    for (int bit = 0; bit < 8; ++bit) {
      int box = 8 * port + bit;
      int left = bit >= 4 ? 1080 + 240 * (7 - bit) : 2280 + 240 * (3 - bit);
      auto* c = new QCheckBox(portFrame_);
      c->setObjectName("chkM");
      c->setProperty("index", box);
      c->setToolTip(QString("P%1:%2").arg(port).arg(bit));
      Place(c, left, rowTops[port], 255, 255);
      chkM_[box] = c;
      connect(c, &QCheckBox::clicked, this, [this, box](bool on) { model_.SetBox(box, on); });
    }
  }
  auto* ioLabel = new QLabel(plc_texts::kIoSetting, portFrame_);
  Place(ioLabel, 240, 2310, 1100, 285);
  cboIOSetting_ = new QComboBox(portFrame_);
  cboIOSetting_->setObjectName("cboIOSetting");
  for (const auto& board : kIoBoards) cboIOSetting_->addItem(board.name);
  Place(cboIOSetting_, 1440, 2280, 1800, 330);

  connect(cboDevice_, &QComboBox::activated, this, [this](int row) {
    model_.ChooseModelRow(row);
    Refresh();
  });
  connect(cboIOSetting_, &QComboBox::activated, this, [this](int row) {
    model_.ChooseBoard(row);
    Refresh();
  });

  SetKoreanMenu(false);
  Refresh();
}

void PlcPanelWidget::SetKoreanMenu(bool korean) {
  commFrame_->setTitle(QString::fromUtf8(plc_texts::kCommFrame(korean)));
  portFrame_->setTitle(QString::fromUtf8(plc_texts::kPortFrame(korean)));
  for (int i = 0; i < kCommModes; ++i)
    optCmode_[i]->setText(QString::fromUtf8(plc_texts::kCommModes[static_cast<size_t>(i)](korean)));
  lblNode_->setText(QString::fromUtf8(plc_texts::kNode(korean)));
}

void PlcPanelWidget::Refresh() {
  {
    QSignalBlocker block(cboDevice_);
    cboDevice_->setCurrentIndex(model_.modelRow);
  }
  {
    QSignalBlocker block(cboIOSetting_);
    cboIOSetting_->setCurrentIndex(model_.boardRow);
  }
  for (int i = 0; i < kPortBits; ++i) {
    QSignalBlocker block(chkM_[i]);
    chkM_[i]->setChecked(model_.checked[i]);
    chkM_[i]->setEnabled(model_.enabled[i]);
  }
  for (int p = 0; p < kPorts; ++p) {
    QSignalBlocker block(check_[p]);
    check_[p]->setChecked(model_.portChecked[p]);
  }
  for (int i = 0; i < kCommModes; ++i) {
    QSignalBlocker block(optCmode_[i]);
    // Radio buttons are exclusive: clearing the checked one needs exclusivity off.
    optCmode_[i]->setAutoExclusive(false);
    optCmode_[i]->setChecked(model_.commOption == i);
    optCmode_[i]->setAutoExclusive(true);
  }
  if (txtNode_->text().toStdString() != model_.nodeText) txtNode_->setText(QString::fromStdString(model_.nodeText));
}

void PlcPanelWidget::Load() {
  model_.Load();
  Refresh();
}

void PlcPanelWidget::Fix() {
  model_.nodeText = txtNode_->text().toStdString();
  model_.Fix();
  Refresh();
}

bool PlcPanelWidget::Edited() {
  model_.nodeText = txtNode_->text().toStdString();
  return model_.Edited();
}

}  // namespace shell
