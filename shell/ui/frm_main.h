#pragma once
// The studio's main window: menus, the two toolbars, the side panel with its six pages, the
// main tabs with the ladder surface and the mnemonic view, the status bar with its gauge.
// The window is thin: file commands, settings and layout are the shell library's; the
// pages and views of the other parts of the studio are hosted in the frames named below.
//
// Every menu item, toolbar button, tab strip and frame carries the object name the rest of
// the studio knows it by (mnuSave, tbrMain, tabInfo, fraPlcSetup, picBoard, ...); an element
// of a control array carries its index in the property "index". Each menu command is one
// QAction, reached through Commands() and shared by its menu item and its toolbar button;
// whoever gives a command its code connects to its triggered signal. A command without code
// does nothing yet.

#include <QMainWindow>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "compiler/studio_state.h"
#include "platform/status_port.h"
#include "shell/file_commands.h"
#include "shell/plc_panel.h"
#include "shell/recent_files.h"
#include "shell/settings.h"
#include "shell/shell_texts.h"
#include "shell/startup.h"
#include "shell/tip_file.h"
#include "shell/toolbar.h"
#include "shell/ui/file_dialogs.h"
#include "shell/ui/ladder_pane.h"
#include "shell/ui/qt_dialog_language.h"
#include "shell/ui/tip_dialog.h"
#include "shell/view_settings.h"
#include "shell/window_layout.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QScrollBar;
class QStatusBar;
class QTabBar;
class QTextEdit;
class QToolBar;
class QFont;

namespace shell {

class MemoBox;

// The window's menu commands, created once by the window. A command on the main toolbar is
// the same action there, so its button is enabled and disabled with the menu item. Each
// action's object name is its member's name.
struct MenuCommands {
  // File
  QAction *mnuNew = nullptr, *mnuOpen = nullptr, *mnuImport = nullptr, *mnuUpload = nullptr, *mnuSave = nullptr,
          *mnuSaveAs = nullptr, *mnuPrint = nullptr, *mnuPrinterSetup = nullptr, *mnuExit = nullptr;
  // Edit
  QAction *mnuGotoLine = nullptr, *mnuSearch = nullptr, *mnuDeleteLine = nullptr, *mnuInsertBlankLine = nullptr,
          *mnuRestoreDeletedLine = nullptr, *mnuCopyLine = nullptr, *mnuDuplicateLine = nullptr,
          *mnuBlockCopy = nullptr, *mnuBlockCut = nullptr, *mnuBlockPasteInsert = nullptr,
          *mnuBlockPasteOverlay = nullptr, *mnuBlockPasteUndo = nullptr;
  // Download
  QAction *mnuAuto = nullptr, *mnuObjectDownload = nullptr, *mnuVerify = nullptr, *mnuErase = nullptr,
          *mnuClearKeepArea = nullptr, *mnuOption = nullptr;
  // Run
  QAction *mnuRun = nullptr, *mnuReset = nullptr, *mnuStop = nullptr, *mnuMonitor = nullptr;
  // Help
  QAction *mnuHelp = nullptr, *mnuTipoftheDay = nullptr, *mnuAboutKorvaneStudio = nullptr;
};

// The window's command that a toolbar command stands for: null for None.
QAction* MenuCommands::*MenuCommandOf(ToolbarCommand command);

// Fills the main toolbar from the toolbar table: each action button is the table's menu
// command in `commands`, with the button's picture or fixed caption and its fixed tool tip.
void BuildMainToolbar(QToolBar& bar, const MenuCommands& commands);

class MnemonicViewer;
class PlcPanelWidget;
class SetupPageWidget;

class FrmMain : public QMainWindow,
                public FileCommandHost,
                public platform::StatusPort,
                public SetupPageHost,
                private SettingsListener,
                private PlcPanelListener {
  Q_OBJECT

 public:
  // `studio.messages` must be set. The window keeps references to both. `studioFolder` holds
  // the runtime files and receives the generated ones.
  FrmMain(compiler::Studio& studio, ProfileFile& profile, std::filesystem::path studioFolder,
          QWidget* parent = nullptr);
  ~FrmMain() override;

  // Start-up: settings, language, run-time defaults, recent files, the last program.
  void Form_Load();
  // Offers the tip of the day; runs after the first show and after the studio's own dialogs.
  void Form_Activate();

  // The menu commands (and the main toolbar's buttons, which share them).
  const MenuCommands& Commands() const { return commands_; }

  // Interface language: applies the caption table / the language option was chosen.
  void SetMenuLanguage();
  void optLanguage_Click(bool korean);

  // The side panel's page 1..6 is chosen (by a click or from code: the handler always runs).
  void SelectSidePage(int page);
  int SidePage() const;
  // The main tab 1 (Ladder) or 2 (Mnemonic). Choosing the Ladder tab gives the ladder the
  // keys; the Mnemonic tab gives them to its view. In that view and on the tab strip the
  // platform's keys for the next and the previous tab (Ctrl+Tab, Ctrl+Shift+Tab) choose the
  // other tab. A board that takes the keys while the Mnemonic tab is chosen chooses Ladder.
  void SelectMainTab(int tab);

  // Lays out the window's panes for its present size: the frame of the visible side page;
  // the page inside it lays out its own parts.
  void Form_Resize();
  void mnuExit_Click();

  // Places the ladder view widget in the window in place of the empty board; `pane` answers
  // for it from then on (the window keeps the reference). A board with a scroll bar of its
  // own named "vsbMain" keeps it; otherwise the window's goes into it.
  void SetBoard(QWidget* board, LadderPane& pane);
  QWidget* Board() const { return board_; }
  // The five page frames ("fraPlcSetup", ...), the memo box and the mnemonic view.
  QWidget* Frame(const QString& name) const;
  // Puts a page widget into one of the five frames, filling it (in place of what it held).
  void HostPage(const QString& frameName, QWidget* page);
  QTextEdit* Memo() const { return txtMemo_; }
  PlcPanelWidget* PlcPage() const { return plcPage_; }
  SetupPageWidget* SetupPage() const { return setupPage_; }
  // The user's settings for the run (the serial port choice PortNum among them); the
  // window, the Setup page and the ladder view follow their changes.
  StudioSettings& UserSettings() { return settings_; }
  PlcPanelModel& PlcModel() { return *plcModel_; }
  QPlainTextEdit* Mnemonic() const { return txtMnemonic_; }
  QToolBar* LadderToolbar() const { return tbrLadder_; }
  QProgressBar* Gauge() const { return gagStatus_; }
  QString StatusText() const;

  FileCommands& Files() { return *files_; }
  RecentFiles& Recent() { return recent_; }
  ProfileFile& Profile() { return profile_; }
  compiler::Studio& Studio() { return studio_; }
  // Whether monitor mode is on, as the studio's monitor state says (the monitor mode owns it).
  bool MonitorOn() const { return studio_.monitor.MonitorOn(); }
  const std::filesystem::path& StudioFolder() const { return studioFolder_; }
  // Null puts the window's own dialogs back.
  void SetFileDialogs(FileDialogs* dialogs) { dialogs_ = dialogs ? dialogs : qtDialogs_.get(); }
  FileDialogs& Dialogs() { return *dialogs_; }

  // FileCommandHost
  std::string AskOpenName(const std::string& filter) override;
  std::string AskSaveName(const std::string& filter) override;
  void SetCaption(const std::string& caption) override;
  void ClearLadderView() override;
  void ResetLadderView() override;
  void RedrawLadder() override;
  void ShowCursorCell() override;
  void FocusBoard() override;
  void SetDeviceMap() override;
  void PlcSetupFix() override;
  void PlcSetupLoad() override;
  bool PlcSetupEdited() override;
  void ShowPlcPage() override;
  void MemoReplaced() override;
  void WatchReplaced() override;
  void RecentFilesChanged() override;

  // StatusPort: the text goes to the second panel of the status bar.
  void SetStatusText(const std::string& utf8) override;
  void SetGauge(int value, int maximum) override;
  void Refresh() override;

  // SetupPageHost (MonitorOn above)
  void WriteSetting(const std::string& section, const std::string& key, const std::string& value) override;
  std::optional<LadderFont> ChooseFont(const LadderFont& current) override;
  platform::MessageSink& Messages() override;
  bool KoreanMenu() const override;

 signals:
  // The layout placed the frame of the visible side page (1..6) for the window's new size.
  void sidePageLaidOut(int page);
  // Side page 3, 4 or 5 was chosen (by a click or from code): its page draws itself.
  void sidePageShown(int page);
  // The main tab 1 or 2 was chosen, after the window showed it.
  void mainTabChanged(int tab);
  // The ladder pane was reset (see LadderPane::Reset): the pages that show the document
  // draw it again.
  void ladderReset();
  // The model of the document changed (a program was read, a model was chosen on the PLC
  // page): the device map follows it.
  void deviceModelChanged();
  // The studio's watch list was replaced (a program with a watch file was read).
  void watchListReplaced();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class EmptyBoard;

  // PlcPanelListener
  void SetupChanged() override;
  void ModelChosen(int16_t model) override;

  void BuildMenus();
  void BuildToolbar();
  void BuildClientArea();
  void BuildPages();
  // The tip window's check box: the setting for the next start, kept and written.
  TipShowChoice TipShowWriter();
  QAction* AddAction(QMenu* menu, const char* name, const char* caption, const QKeySequence& key = {});
  void tabInfo_Click();
  void tabMain_Click();
  void Form_Unload();
  void WriteWindowPlace();
  // SettingsListener: the board's font and colours; a new cell size puts the cursor on the
  // first cell; what is drawn is drawn again.
  void SettingChanged(SettingChange what) override;
  void ApplyBoardFont();
  void ApplyBoardColours();
  void PlaceSidePage(int page, int panelHeight);
  void StackLadderArea();
  MainLayout CurrentLayout() const;

  compiler::Studio& studio_;
  ProfileFile& profile_;
  const std::filesystem::path studioFolder_;
  StudioSettings settings_;
  RecentFiles recent_;
  std::unique_ptr<FileCommands> files_;
  std::unique_ptr<QtFileDialogs> qtDialogs_;
  FileDialogs* dialogs_ = nullptr;
  MenuCommands commands_;
  bool activatedOnce_ = false;
  int sidePanelHeight_ = 0;  // twips, the side panel's height after the last layout
  bool inActivate_ = false;
  std::unique_ptr<PlcPanelModel> plcModel_;
  PlcPanelWidget* plcPage_ = nullptr;
  SetupPageWidget* setupPage_ = nullptr;
  MnemonicViewer* mnemonic_ = nullptr;
  TipState tips_;
  QtDialogLanguage qtLanguage_;  // Qt's standard dialogs in the interface language
  int16_t tipShow_ = 1;          // the tip window is offered in this run (the setting as read)

  QWidget* client_ = nullptr;
  QToolBar* tbrMain_ = nullptr;
  QTabBar* tabInfo_ = nullptr;
  QTabBar* tabMain_ = nullptr;
  QWidget* tabInfoBody_ = nullptr;
  QWidget* tabMainBody_ = nullptr;
  QWidget* board_ = nullptr;
  QWidget* boardKeys_ = nullptr;  // the widget that takes the board's keys (its focus proxy)
  std::unique_ptr<EmptyBoard> emptyBoard_;  // the pane until a ladder view is hosted
  LadderPane* pane_ = nullptr;
  QScrollBar* vsbMain_ = nullptr;
  bool ownScrollBar_ = true;  // vsbMain_ is the window's, placed by its layout
  QWidget* endLine_ = nullptr;
  QWidget* endLine2_ = nullptr;
  QPlainTextEdit* txtMnemonic_ = nullptr;
  QToolBar* tbrLadder_ = nullptr;
  QStatusBar* sbrMain_ = nullptr;
  QLabel* statusPanel1_ = nullptr;
  QLabel* statusPanel2_ = nullptr;
  QProgressBar* gagStatus_ = nullptr;
  QTextEdit* txtMemo_ = nullptr;
  MemoBox* memoBox_ = nullptr;  // owned by txtMemo_
  std::map<QString, QWidget*> frames_;
  std::array<QAction*, 5> lastOpen_{};  // element 0 is the hidden template
};

}  // namespace shell
