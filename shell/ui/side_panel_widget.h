#pragma once
// The side panel: six tabs (PLC, Setup, Alias, Dump, Watch, Memo) over one page area. The
// PLC and Setup pages are built here; the Alias, Dump, Watch and Memo pages are given by
// their owners (until then a plain page stands in). Choosing a tab runs SidePanelLogic.

#include <QWidget>
#include <array>
#include <memory>

#include "shell/side_panel.h"
#include "shell/ui/plc_panel_widget.h"
#include "shell/ui/view_settings_widget.h"

class QStackedWidget;
class QTabBar;

namespace shell {

// A page that prints notice lines at positions in twips (the stand-in of the Dump and Watch
// pictures, and the default page for the others).
class NoticePage : public QWidget {
  Q_OBJECT
 public:
  explicit NoticePage(QWidget* parent = nullptr) : QWidget(parent) {}
  void SetNotice(std::vector<NoticeLine> lines);
  const std::vector<NoticeLine>& notice() const { return lines_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<NoticeLine> lines_;
};

class SidePanelWidget : public QWidget {
  Q_OBJECT
 public:
  // hooks: the owners' parts (alias, dump and watch drawing, monitor flag, language, and
  // the notices when the Dump and Watch pages are not the stand-ins). Its PLC and Setup
  // members are filled in by the panel itself.
  SidePanelWidget(PlcPanelModel& plc, ViewSettings& settings, ViewSettingsHooks settingsHooks,
                  SidePanelHooks hooks, QWidget* parent = nullptr);

  // Puts an owner's page in place of the stand-in (Alias, Dump, Watch or Memo).
  void SetPage(SidePage page, QWidget* widget);
  QWidget* Page(SidePage page) const;
  // Chooses a tab as a click does (index 1..6); runs the page logic even when the tab is
  // already the current one.
  void Choose(int index);
  SidePage shown() const { return logic_->shown(); }
  void SetKoreanMenu(bool korean);

  PlcPanelWidget* plcPage() const { return plc_; }
  SetupPageWidget* setupPage() const { return setup_; }
  QTabBar* tabs() const { return tabs_; }

 signals:
  void pageChosen(int index);

 private:
  QTabBar* tabs_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  PlcPanelWidget* plc_ = nullptr;
  SetupPageWidget* setup_ = nullptr;
  std::array<QWidget*, 7> pages_{};
  std::unique_ptr<SidePanelLogic> logic_;
  std::function<bool()> koreanMenu_;
};

}  // namespace shell
