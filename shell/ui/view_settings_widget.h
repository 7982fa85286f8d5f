#pragma once
// The Setup page of the side panel: ladder style (size, spacing, colours), font, serial
// port, ask-before-run, alias display and the language choice. Filling the controls from
// the settings blocks their signals, so opening the page neither moves the cursor nor
// writes the settings file; user changes run the handlers of ViewSettingsHandlers. The
// sample label follows the settings' font.

#include <QWidget>
#include <array>
#include <optional>

#include "link/link.h"
#include "shell/view_settings.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QFont;

namespace shell {

QFont QFontOf(const LadderFont& font);
LadderFont LadderFontOf(const QFont& font);
// The platform's font dialog, starting from `current`; nullopt when it was cancelled.
std::optional<LadderFont> AskFont(const LadderFont& current, QWidget* parent);

// The page is where the user chooses the serial port: the link asks it when it opens.
class SetupPageWidget : public QWidget, public plclink::PortChoice, private SettingsListener {
  Q_OBJECT
 public:
  SetupPageWidget(StudioSettings& settings, SetupPageHost& host, QWidget* parent = nullptr);

  // Settings to controls.
  void Fill(bool koreanMenu);
  void SetKoreanMenu(bool korean);
  ViewSettingsHandlers& handlers() { return handlers_; }
  int ChosenPort() const override { return settings_.Values().PortNum; }

  QSlider* sizeSlider() const { return sliderSize_; }
  QSlider* spaceSlider() const { return sliderSpace_; }
  QRadioButton* colorOption(int i) const { return optColor_[static_cast<size_t>(i)]; }
  QRadioButton* portOption(int i) const { return optPort_[static_cast<size_t>(i)]; }
  QRadioButton* languageOption(int i) const { return optLanguage_[static_cast<size_t>(i)]; }
  QCheckBox* aliasFirstBox() const { return chkAliasFirst_; }
  QCheckBox* askStartBox() const { return chkAskStart_; }
  QPushButton* fontButton() const { return cmdFont_; }
  QLabel* fontSample() const { return lblFontEx_; }

 signals:
  void portCheckRequested();
  void languageChosen(bool korean);

 private:
  void SettingChanged(SettingChange what) override;

  StudioSettings& settings_;
  ViewSettingsHandlers handlers_;
  QSlider* sliderSize_ = nullptr;
  QSlider* sliderSpace_ = nullptr;
  std::array<QRadioButton*, 2> optColor_{};
  std::array<QRadioButton*, 4> optPort_{};
  std::array<QRadioButton*, 2> optLanguage_{};
  QCheckBox* chkAliasFirst_ = nullptr;
  QCheckBox* chkAskStart_ = nullptr;
  QPushButton* cmdFont_ = nullptr;
  QPushButton* cmdPortCheck_ = nullptr;
  QLabel* lblFontEx_ = nullptr;
  QLabel* lblSize_ = nullptr;
  QLabel* lblSpace_ = nullptr;
  QLabel* lblColor_ = nullptr;
  QGroupBox* styleFrame_ = nullptr;
  QGroupBox* fontFrame_ = nullptr;
  QGroupBox* portFrame_ = nullptr;
  QGroupBox* configFrame_ = nullptr;
};

}  // namespace shell
