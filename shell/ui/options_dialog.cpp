#include "shell/ui/options_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/message_box.h"
#include "shell/options.h"

namespace shell {

OptionsDialog::OptionsDialog(compiler::PlcSetup& setup, bool k, std::function<void()> changed, QWidget* parent)
    : QDialog(parent), setup_(setup), changed_(std::move(changed)) {
  setObjectName("frmOption");
  setWindowTitle("Options");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  chkUpload_ = new QCheckBox(QString::fromUtf8(platform::Pick(k, "Source Upload", "소스업로드 가능")), this);
  chkClearKeep_ = new QCheckBox(
      QString::fromUtf8(platform::Pick(k, "Clear Keep Area When Download", "다운로드시 KEEP영역 클리어")), this);
  chk25_ = new QCheckBox(QString::fromUtf8(platform::Pick(k, "2.5mS Scan Time (Can't use on ZQV-F)",
                                                          "2.5mS 스캔타임 사용 (ZQV-F에서는 사용불가)")),
                         this);
  chkUpload_->setObjectName("chkUpload");
  chkClearKeep_->setObjectName("chkClearKeep");
  chk25_->setObjectName("chk25");
  layout->addWidget(chkUpload_);
  layout->addWidget(chkClearKeep_);
  layout->addWidget(chk25_);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  cmdClose_ = new QPushButton("Close", this);
  cmdClose_->setObjectName("Command1");
  row->addWidget(cmdClose_);
  layout->addLayout(row);

  OptionBoxes boxes = OptionBoxesOf(setup_);
  chkUpload_->setChecked(boxes.upload);
  chkClearKeep_->setChecked(boxes.clearKeep);
  chk25_->setChecked(boxes.scan25);

  connect(cmdClose_, &QPushButton::clicked, this, [this] {
    OptionBoxes b{chkUpload_->checkState() == Qt::Checked, chkClearKeep_->checkState() == Qt::Checked,
                  chk25_->checkState() == Qt::Checked};
    if (ApplyOptionBoxes(b, setup_) && changed_) changed_();
    accept();
  });
}

}  // namespace shell
