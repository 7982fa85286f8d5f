#include "shell/ui/tip_dialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTime>
#include <QVBoxLayout>

#include "platform/ansi_text.h"

namespace shell {

namespace {

// A small painted light bulb beside the heading.
QPixmap BulbPixmap() {
  QPixmap pix(40, 48);
  pix.fill(Qt::transparent);
  QPainter p(&pix);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(120, 100, 0), 2));
  p.setBrush(QColor(255, 230, 80));
  p.drawEllipse(6, 2, 28, 28);
  p.setBrush(QColor(160, 160, 160));
  p.drawRect(13, 30, 14, 12);
  p.drawLine(13, 35, 27, 35);
  return pix;
}

}  // namespace

TipDialog::TipDialog(TipState& state, int16_t& tipShow, TipShowChoice chosen, QWidget* parent)
    : QDialog(parent), state_(state), tipShow_(tipShow), chosen_(std::move(chosen)) {
  setObjectName("frmTIP");
  setWindowTitle("Tip of the Day");
  setModal(true);
  auto* outer = new QVBoxLayout(this);
  auto* body = new QFrame(this);
  body->setFrameShape(QFrame::StyledPanel);
  body->setAutoFillBackground(true);
  QPalette pal = body->palette();
  pal.setColor(QPalette::Window, QColor(255, 255, 238));
  body->setPalette(pal);
  auto* bodyLayout = new QHBoxLayout(body);
  auto* bulb = new QLabel(body);
  bulb->setPixmap(BulbPixmap());
  bulb->setAlignment(Qt::AlignTop);
  bodyLayout->addWidget(bulb);
  auto* texts = new QVBoxLayout;
  auto* heading = new QLabel(QString::fromUtf8("알고계세요?"), body);
  QFont hf = heading->font();
  hf.setBold(true);
  hf.setPointSizeF(hf.pointSizeF() * 1.4);
  heading->setFont(hf);
  texts->addWidget(heading);
  auto* line = new QFrame(body);
  line->setFrameShape(QFrame::HLine);
  texts->addWidget(line);
  lblTip_ = new QLabel(body);
  lblTip_->setObjectName("lblTip");
  lblTip_->setWordWrap(true);
  lblTip_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  lblTip_->setMinimumSize(360, 160);
  texts->addWidget(lblTip_, 1);
  bodyLayout->addLayout(texts, 1);
  outer->addWidget(body, 1);

  auto* buttons = new QHBoxLayout;
  chkShow_ = new QCheckBox(QString::fromUtf8("시작할 때마다 표시"), this);
  chkShow_->setObjectName("Check1");
  buttons->addWidget(chkShow_);
  buttons->addStretch(1);
  cmdNext_ = new QPushButton(QString::fromUtf8("다음 팁"), this);
  cmdPrevious_ = new QPushButton(QString::fromUtf8("이전 팁"), this);
  cmdClose_ = new QPushButton(QString::fromUtf8("종료"), this);
  cmdNext_->setObjectName("Command1");
  cmdPrevious_->setObjectName("Command2");
  cmdClose_->setObjectName("Command3");
  for (auto* b : {cmdNext_, cmdPrevious_, cmdClose_}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  outer->addLayout(buttons);

  chkShow_->setChecked(tipShow_ == 1);
  ShowTip();
  connect(cmdNext_, &QPushButton::clicked, this, [this] {
    state_.Next();
    ShowTip();
  });
  connect(cmdPrevious_, &QPushButton::clicked, this, [this] {
    state_.Previous();
    ShowTip();
  });
  connect(cmdClose_, &QPushButton::clicked, this, [this] {
    tipShow_ = 0;  // no more offers in this run; the settings file is left alone
    accept();
  });
  connect(chkShow_, &QCheckBox::clicked, this, [this](bool on) {
    if (chosen_) chosen_(on);
  });
}

void TipDialog::ShowTip() {
  QString text = QString::fromStdString(platform::AnsiToUtf8Lossy(state_.Shown()));
  text.replace("\r\n", "\n");
  lblTip_->setText(text);
}

void TipDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  cmdClose_->setFocus();
}

bool ShowTipOfTheDay(QWidget* parent, TipState& state, int16_t& tipShow, const std::filesystem::path& folder,
                     platform::MessageSink& messages, bool koreanMenu, TipShowChoice chosen) {
  if (LoadTipFile(folder, state.tips, messages, koreanMenu)) return false;
  state.TipIndex = FirstTipIndex(QTime::currentTime().second());
  TipDialog dialog(state, tipShow, std::move(chosen), parent);
  dialog.exec();
  return true;
}

}  // namespace shell
