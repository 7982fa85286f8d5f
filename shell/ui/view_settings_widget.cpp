#include "shell/ui/view_settings_widget.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "shell/view_settings_texts.h"

namespace shell {

QFont QFontOf(const LadderFont& font) {
  QFont f(QString::fromStdString(font.name));
  if (font.size > 0) f.setPointSizeF(font.size);
  f.setBold(font.bold);
  f.setItalic(font.italic);
  return f;
}

LadderFont LadderFontOf(const QFont& font) {
  return {font.family().toStdString(), font.pointSizeF(), font.bold(), font.italic()};
}

std::optional<LadderFont> AskFont(const LadderFont& current, QWidget* parent) {
  bool ok = false;
  QFont chosen = QFontDialog::getFont(&ok, QFontOf(current), parent);
  if (!ok) return std::nullopt;
  return LadderFontOf(chosen);
}

namespace {

void SetCheckedQuietly(QRadioButton* b, bool on) {
  QSignalBlocker block(b);
  b->setAutoExclusive(false);
  b->setChecked(on);
  b->setAutoExclusive(true);
}

}  // namespace

SetupPageWidget::SetupPageWidget(StudioSettings& settings, SetupPageHost& host, QWidget* parent)
    : QWidget(parent), settings_(settings), handlers_(settings, host) {
  setObjectName("setupPage");
  auto* page = new QVBoxLayout(this);

  // Controls carry the names the window's caption table knows them by; an element of a
  // control array carries its index in the property "index".
  styleFrame_ = new QGroupBox(this);
  styleFrame_->setObjectName("Frame6");
  auto* style = new QGridLayout(styleFrame_);
  lblSize_ = new QLabel(styleFrame_);
  lblSize_->setObjectName("Label10");
  sliderSize_ = new QSlider(Qt::Horizontal, styleFrame_);
  sliderSize_->setObjectName("SliderSize");
  sliderSize_->setRange(0, kSizeSliderMax);
  sliderSize_->setTracking(false);
  lblSpace_ = new QLabel(styleFrame_);
  lblSpace_->setObjectName("Label11");
  sliderSpace_ = new QSlider(Qt::Horizontal, styleFrame_);
  sliderSpace_->setObjectName("SliderSpace");
  sliderSpace_->setRange(0, kSpaceSliderMax);
  sliderSpace_->setTracking(false);
  sliderSpace_->setTickPosition(QSlider::TicksBelow);
  lblColor_ = new QLabel(styleFrame_);
  lblColor_->setObjectName("Label12");
  auto* colors = new QHBoxLayout;
  for (int i = 0; i < 2; ++i) {
    optColor_[i] = new QRadioButton(styleFrame_);
    optColor_[i]->setObjectName("optColor");
    optColor_[i]->setProperty("index", i);
    colors->addWidget(optColor_[i]);
    connect(optColor_[i], &QRadioButton::clicked, this, [this, i] { handlers_.ColorChosen(i); });
  }
  style->addWidget(lblSize_, 0, 0);
  style->addWidget(sliderSize_, 0, 1);
  style->addWidget(lblSpace_, 1, 0);
  style->addWidget(sliderSpace_, 1, 1);
  style->addWidget(lblColor_, 2, 0);
  style->addLayout(colors, 2, 1);
  page->addWidget(styleFrame_);
  connect(sliderSize_, &QSlider::valueChanged, this, [this](int v) { handlers_.SizeSliderMoved(v); });
  connect(sliderSpace_, &QSlider::valueChanged, this, [this](int v) { handlers_.SpaceSliderMoved(v); });

  fontFrame_ = new QGroupBox(this);
  fontFrame_->setObjectName("Frame9");
  auto* font = new QHBoxLayout(fontFrame_);
  cmdFont_ = new QPushButton(fontFrame_);
  cmdFont_->setObjectName("Command1");
  lblFontEx_ = new QLabel(QString::fromUtf8("가나다 ABC 123"), fontFrame_);
  lblFontEx_->setObjectName("lblFontEx");
  lblFontEx_->setFont(QFontOf(settings_.Font()));
  font->addWidget(cmdFont_);
  font->addWidget(lblFontEx_, 1);
  page->addWidget(fontFrame_);
  connect(cmdFont_, &QPushButton::clicked, this, [this] { handlers_.ChangeFont(); });

  portFrame_ = new QGroupBox(this);
  portFrame_->setObjectName("Frame10");
  auto* port = new QGridLayout(portFrame_);
  for (int i = 0; i < 4; ++i) {
    optPort_[i] = new QRadioButton(setup_texts::kPorts[i], portFrame_);
    optPort_[i]->setObjectName("optPort");
    optPort_[i]->setProperty("index", i);
    port->addWidget(optPort_[i], i / 2, i % 2);
    connect(optPort_[i], &QRadioButton::clicked, this, [this, i] { handlers_.PortChosen(i); });
  }
  cmdPortCheck_ = new QPushButton(portFrame_);
  cmdPortCheck_->setObjectName("Command2");
  port->addWidget(cmdPortCheck_, 2, 0, 1, 2);
  page->addWidget(portFrame_);
  connect(cmdPortCheck_, &QPushButton::clicked, this, &SetupPageWidget::portCheckRequested);

  configFrame_ = new QGroupBox(this);
  configFrame_->setObjectName("Frame11");
  auto* config = new QVBoxLayout(configFrame_);
  chkAskStart_ = new QCheckBox(configFrame_);
  chkAskStart_->setObjectName("chkAskStart");
  chkAliasFirst_ = new QCheckBox(configFrame_);
  chkAliasFirst_->setObjectName("chkAliasFirst");
  config->addWidget(chkAskStart_);
  config->addWidget(chkAliasFirst_);
  auto* languages = new QHBoxLayout;
  optLanguage_[0] = new QRadioButton(setup_texts::kEnglish, configFrame_);
  optLanguage_[1] = new QRadioButton(setup_texts::kKorean, configFrame_);
  optLanguage_[0]->setChecked(true);
  for (int i = 0; i < 2; ++i) {
    optLanguage_[i]->setObjectName("optLanguage");
    optLanguage_[i]->setProperty("index", i);
    languages->addWidget(optLanguage_[i]);
    connect(optLanguage_[i], &QRadioButton::clicked, this,
            [this] { emit languageChosen(optLanguage_[1]->isChecked()); });
  }
  config->addLayout(languages);
  page->addWidget(configFrame_);
  page->addStretch(1);
  connect(chkAskStart_, &QCheckBox::clicked, this, [this](bool on) { handlers_.AskStartToggled(on); });
  connect(chkAliasFirst_, &QCheckBox::clicked, this, [this](bool on) { handlers_.AliasFirstToggled(on); });

  SetKoreanMenu(false);
  settings_.Listen(*this);
}

void SetupPageWidget::SettingChanged(SettingChange what) {
  if (what == SettingChange::Loaded || what == SettingChange::Font) lblFontEx_->setFont(QFontOf(settings_.Font()));
}

void SetupPageWidget::SetKoreanMenu(bool k) {
  using namespace setup_texts;
  styleFrame_->setTitle(QString::fromUtf8(kLadderStyle(k)));
  lblSize_->setText(QString::fromUtf8(kSize(k)));
  lblSpace_->setText(QString::fromUtf8(kSpace(k)));
  lblColor_->setText(QString::fromUtf8(kColor(k)));
  optColor_[0]->setText(QString::fromUtf8(kBlack(k)));
  optColor_[1]->setText(QString::fromUtf8(kWhite(k)));
  fontFrame_->setTitle(QString::fromUtf8(kFont(k)));
  cmdFont_->setText(QString::fromUtf8(kChange(k)));
  portFrame_->setTitle(QString::fromUtf8(setup_texts::kPortFrame(k)));
  cmdPortCheck_->setText(QString::fromUtf8(kPortCheck(k)));
  configFrame_->setTitle(QString::fromUtf8(kConfiguration(k)));
  chkAskStart_->setText(QString::fromUtf8(kAskStart(k)));
  chkAliasFirst_->setText(QString::fromUtf8(kAliasFirst(k)));
}

void SetupPageWidget::Fill(bool koreanMenu) {
  const Settings& settings = settings_.Values();
  {
    QSignalBlocker block(sliderSize_);
    sliderSize_->setValue(SizeSliderOf(settings.Cunit));
  }
  {
    QSignalBlocker block(sliderSpace_);
    sliderSpace_->setValue(SpaceSliderOf(settings.Csai));
  }
  int colorOption = ColorOptionOf(settings.Color);
  for (int i = 0; i < 2; ++i) SetCheckedQuietly(optColor_[i], i == colorOption);
  for (int i = 0; i < 4; ++i) SetCheckedQuietly(optPort_[i], i == settings.PortNum);
  {
    QSignalBlocker block(chkAliasFirst_);
    chkAliasFirst_->setChecked(settings.AliasFirst == 1);
  }
  {
    QSignalBlocker block(chkAskStart_);
    chkAskStart_->setChecked(settings.AskStart == 1);
  }
  if (koreanMenu) {
    SetCheckedQuietly(optLanguage_[0], false);
    SetCheckedQuietly(optLanguage_[1], true);
  }
}

}  // namespace shell
