#include "shell/ui/frm_main.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/shell_texts.h"
#include "shell/side_panel.h"
#include "shell/ui/about_dialog.h"
#include "shell/ui/mnemonic_view.h"
#include "shell/ui/memo_box.h"
#include "shell/ui/options_dialog.h"
#include "shell/ui/plc_panel_widget.h"
#include "shell/ui/side_panel_notice.h"
#include "shell/ui/help_window.h"
#include "shell/ui/tip_dialog.h"
#include "shell/ui/view_settings_widget.h"

namespace shell {
namespace {

const char* const kFrameNames[] = {"fraPlcSetup", "fraSetup", "fraAlias", "fraDump", "fraWatch"};

QColor FromBgr(uint32_t bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

void Place(QWidget* w, const TwipRect& r) {
  if (w && r.Usable()) w->setGeometry(Px(r.left), Px(r.top), Px(r.width), Px(r.height));
}

// Sets the caption of whatever kind of control carries it.
void SetControlCaption(QObject* object, const QString& text) {
  if (auto* menu = qobject_cast<QMenu*>(object)) {
    menu->setTitle(text);
  } else if (auto* action = qobject_cast<QAction*>(object)) {
    action->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
    group->setTitle(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
    button->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(object)) {
    label->setText(text);
  } else {
    object->setProperty("text", text);
  }
}

// The main toolbar's images: the 16 and 32 pixel pictures the widget style carries, read
// from its resources. Asking the style for them would first search the desktop's icon theme,
// a noticeable part of the start-up. Null for a text-only button.
QIcon ToolbarIcon(const char* picture) {
  if (!picture) return {};
  const QString base = QStringLiteral(":/qt-project.org/styles/commonstyle/images/") + picture;
  QIcon icon;
  icon.addFile(base + "-16.png", QSize(16, 16));
  icon.addFile(base + "-32.png", QSize(32, 32));
  return icon;
}

// A page of fixed controls in a frame of the side panel: where the panel is too short for the
// page (a small window) the page keeps its size and scrolls.
QScrollArea* ScrollingPage(QWidget* page) {
  auto* area = new QScrollArea;
  area->setFrameShape(QFrame::NoFrame);
  area->setWidgetResizable(true);
  area->setWidget(page);
  return area;
}

}  // namespace

// The empty board's pane: it repaints itself, and a new program puts its scroll bar back
// to the top.
class FrmMain::EmptyBoard : public LadderPane {
 public:
  explicit EmptyBoard(FrmMain& window) : window_(window) {}
  void Redraw() override { window_.board_->update(); }
  void Clear() override { window_.board_->update(); }
  void Reset() override { window_.vsbMain_->setValue(0); }

 private:
  FrmMain& window_;
};

FrmMain::FrmMain(compiler::Studio& studio, ProfileFile& profile, std::filesystem::path studioFolder, QWidget* parent)
    : QMainWindow(parent),
      studio_(studio),
      profile_(profile),
      studioFolder_(std::move(studioFolder)),
      emptyBoard_(std::make_unique<EmptyBoard>(*this)),
      pane_(emptyBoard_.get()) {
  setObjectName("frmMain");
  files_ = std::make_unique<FileCommands>(studio_, profile_, recent_, *this, studioFolder_);
  qtDialogs_ = std::make_unique<QtFileDialogs>(this);
  dialogs_ = qtDialogs_.get();
  BuildMenus();
  BuildClientArea();
  BuildToolbar();
  BuildPages();

  const MenuCommands& c = commands_;
  connect(c.mnuNew, &QAction::triggered, this, [this] { files_->New(); });
  connect(c.mnuOpen, &QAction::triggered, this, [this] { files_->Open(); });
  connect(c.mnuImport, &QAction::triggered, this, [this] { files_->Import(); });
  connect(c.mnuSave, &QAction::triggered, this, [this] { static_cast<void>(files_->Save()); });
  connect(c.mnuSaveAs, &QAction::triggered, this, [this] { static_cast<void>(files_->SaveAs()); });
  connect(c.mnuExit, &QAction::triggered, this, [this] { mnuExit_Click(); });
  connect(c.mnuTipoftheDay, &QAction::triggered, this, [this] {
    ShowTipOfTheDay(this, tips_, tipShow_, studioFolder_, *studio_.messages, studio_.shell.KoreanMenu,
                    TipShowWriter());
    Form_Activate();
  });
  connect(c.mnuHelp, &QAction::triggered, this,
          [this] { ShowUserGuide(this, studioFolder_, *studio_.messages, studio_.shell.KoreanMenu); });
  connect(c.mnuOption, &QAction::triggered, this, [this] {
    OptionsDialog dialog(
        studio_.doc.Setup, studio_.shell.KoreanMenu, [this] { files_->MarkChanged(); }, this);
    dialog.exec();
    Form_Activate();
  });
  connect(c.mnuAboutKorvaneStudio, &QAction::triggered, this, [this] {
    AboutDialog dialog(this);
    dialog.exec();
    Form_Activate();
  });
  for (int k = 1; k <= RecentFiles::kItems; ++k)
    connect(lastOpen_[size_t(k)], &QAction::triggered, this, [this, k] { files_->OpenRecent(k); });
}

FrmMain::~FrmMain() = default;

QAction* FrmMain::AddAction(QMenu* menu, const char* name, const char* caption, const QKeySequence& key) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(name);
  if (!key.isEmpty()) action->setShortcut(key);
  return action;
}

void FrmMain::BuildMenus() {
  // Each command's member and object name are spelt once.
#define ZQV_COMMAND(menu, name, ...) commands_.name = AddAction(menu, #name, __VA_ARGS__)
  QMenuBar* bar = menuBar();
  auto topMenu = [&](const char* name, const char* caption) {
    QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(name);
    return menu;
  };
  QMenu* file = topMenu("mnuFile", "&File");
  ZQV_COMMAND(file, mnuNew, "&New", QKeySequence("Ctrl+N"));
  ZQV_COMMAND(file, mnuOpen, "&Open...", QKeySequence("Ctrl+O"));
  file->addSeparator();
  ZQV_COMMAND(file, mnuImport, "&Import...");
  ZQV_COMMAND(file, mnuUpload, "&Upload from Korvane");
  file->addSeparator();
  ZQV_COMMAND(file, mnuSave, "&Save", QKeySequence("Ctrl+S"));
  ZQV_COMMAND(file, mnuSaveAs, "Save &As...");
  file->addSeparator();
  ZQV_COMMAND(file, mnuPrint, "&Print...");
  ZQV_COMMAND(file, mnuPrinterSetup, "P&rinter Setup...");
  file->addSeparator();
  for (int k = 0; k <= RecentFiles::kItems; ++k) {
    QAction* item = file->addAction(QString());
    item->setObjectName("mnuLastOpen");
    item->setProperty("index", k);
    item->setVisible(false);
    lastOpen_[size_t(k)] = item;
  }
  file->addSeparator();
  ZQV_COMMAND(file, mnuExit, "E&xit");

  QMenu* edit = topMenu("mnuEdit", "&Edit");
  ZQV_COMMAND(edit, mnuGotoLine, "&Goto Line...", QKeySequence("Ctrl+G"));
  ZQV_COMMAND(edit, mnuSearch, "&Search...", QKeySequence(Qt::Key_F2));
  edit->addSeparator();
  ZQV_COMMAND(edit, mnuDeleteLine, "&Delete Line", QKeySequence("Ctrl+D"));
  ZQV_COMMAND(edit, mnuInsertBlankLine, "&Insert Line", QKeySequence("Ctrl+I"));
  ZQV_COMMAND(edit, mnuRestoreDeletedLine, "&Restore Deleted Line", QKeySequence("Ctrl+U"));
  ZQV_COMMAND(edit, mnuCopyLine, "Copy &Line", QKeySequence("Ctrl+B"));
  ZQV_COMMAND(edit, mnuDuplicateLine, "&Duplicate Line", QKeySequence("Ctrl+A"));
  edit->addSeparator();
  ZQV_COMMAND(edit, mnuBlockCopy, "Block &Copy", QKeySequence("Ctrl+C"));
  ZQV_COMMAND(edit, mnuBlockCut, "Block C&ut", QKeySequence("Ctrl+X"));
  ZQV_COMMAND(edit, mnuBlockPasteInsert, "Block Paste (Insert)", QKeySequence("Ctrl+V"));
  ZQV_COMMAND(edit, mnuBlockPasteOverlay, "Block Paste (Overay)", QKeySequence("Ctrl+T"));
  ZQV_COMMAND(edit, mnuBlockPasteUndo, "Block Paste Undo", QKeySequence("Ctrl+Z"));

  QMenu* download = topMenu("mnuPlcDownload", "&Download");
  ZQV_COMMAND(download, mnuAuto, "&Auto");
  ZQV_COMMAND(download, mnuObjectDownload, "&Object Download");
  ZQV_COMMAND(download, mnuVerify, "&Verify");
  ZQV_COMMAND(download, mnuErase, "Korvane Flash Memory &Erase");
  ZQV_COMMAND(download, mnuClearKeepArea, "Clear &Keep Area");
  download->addSeparator();
  ZQV_COMMAND(download, mnuOption, "&Options...");

  QMenu* run = topMenu("mnuRunTop", "&Run");
  ZQV_COMMAND(run, mnuRun, "&Run");
  ZQV_COMMAND(run, mnuReset, "Re&set");
  ZQV_COMMAND(run, mnuStop, "S&top");
  run->addSeparator();
  ZQV_COMMAND(run, mnuMonitor, "&Monitor on");

  QMenu* help = topMenu("mnuHelpTop", "&Help");
  ZQV_COMMAND(help, mnuHelp, "&Help...");
  ZQV_COMMAND(help, mnuTipoftheDay, "&Tip of the Day...");
  help->addSeparator();
  ZQV_COMMAND(help, mnuAboutKorvaneStudio, "&About Korvane Studio...");

  // The page menu is a hidden pop-up; its items have no commands.
  QMenu* page = topMenu("mnuPage", "Page");
  for (const char* item : {"Append Page", "Insert Page", "Rename Page", "Delete Page"}) page->addAction(item);
  page->menuAction()->setVisible(false);
#undef ZQV_COMMAND
}

QAction* MenuCommands::*MenuCommandOf(ToolbarCommand command) {
  switch (command) {  // every command has its case: a new one without it is a compiler warning
    case ToolbarCommand::None:
      return nullptr;
    case ToolbarCommand::New:
      return &MenuCommands::mnuNew;
    case ToolbarCommand::Open:
      return &MenuCommands::mnuOpen;
    case ToolbarCommand::Save:
      return &MenuCommands::mnuSave;
    case ToolbarCommand::Print:
      return &MenuCommands::mnuPrint;
    case ToolbarCommand::BlockCut:
      return &MenuCommands::mnuBlockCut;
    case ToolbarCommand::BlockCopy:
      return &MenuCommands::mnuBlockCopy;
    case ToolbarCommand::BlockPasteInsert:
      return &MenuCommands::mnuBlockPasteInsert;
    case ToolbarCommand::Search:
      return &MenuCommands::mnuSearch;
    case ToolbarCommand::Auto:
      return &MenuCommands::mnuAuto;
    case ToolbarCommand::Run:
      return &MenuCommands::mnuRun;
    case ToolbarCommand::Stop:
      return &MenuCommands::mnuStop;
    case ToolbarCommand::Monitor:
      return &MenuCommands::mnuMonitor;
  }
  return nullptr;
}

void BuildMainToolbar(QToolBar& bar, const MenuCommands& commands) {
  for (const ToolbarButton& b : kToolbarButtons) {
    QAction* MenuCommands::*const command = MenuCommandOf(b.command);
    if (!command) {
      QAction* separator = bar.addSeparator();
      separator->setProperty("index", b.index);
      bar.widgetForAction(separator)->setProperty("index", b.index);
      continue;
    }
    // The menu's own action: one command, one enabled state. The button shows the picture (or
    // the fixed caption) and the fixed tool tip; the menu item keeps its caption without picture.
    QAction* action = commands.*command;
    const QIcon icon = ToolbarIcon(b.picture);
    action->setIcon(icon);
    action->setIconVisibleInMenu(false);
    action->setIconText(b.toolTip);
    action->setToolTip(b.toolTip);
    bar.addAction(action);
    bar.widgetForAction(action)->setProperty("index", b.index);
  }
}

void FrmMain::BuildToolbar() {
  tbrMain_ = new QToolBar(client_);
  tbrMain_->setObjectName("tbrMain");
  tbrMain_->setMovable(false);
  tbrMain_->setIconSize(QSize(16, 16));
  BuildMainToolbar(*tbrMain_, commands_);
}

void FrmMain::BuildClientArea() {
  client_ = new QWidget(this);
  client_->setObjectName("client");
  setCentralWidget(client_);
  client_->installEventFilter(this);

  // A tab strip is its row of tabs over a panel; the pages lie on the panel.
  for (QWidget** body : {&tabInfoBody_, &tabMainBody_}) {
    auto* panel = new QFrame(client_);
    panel->setFrameShape(QFrame::StyledPanel);
    *body = panel;
  }
  tabInfoBody_->setObjectName("tabInfoBody");
  tabMainBody_->setObjectName("tabMainBody");
  tabInfo_ = new QTabBar(client_);
  tabInfo_->setObjectName("tabInfo");
  tabInfo_->setUsesScrollButtons(false);
  tabInfo_->setStyleSheet("QTabBar::tab { padding: 3px 4px; }");
  for (const char* caption : {"PLC", "Setup", "Alias", "Dump", "Watch", "Memo"}) tabInfo_->addTab(caption);
  tabInfo_->setExpanding(false);
  connect(tabInfo_, &QTabBar::currentChanged, this, [this] { tabInfo_Click(); });

  for (const char* name : kFrameNames) {
    auto* frame = new QFrame(client_);
    frame->setObjectName(name);
    frame->setVisible(false);
    auto* pageLayout = new QVBoxLayout(frame);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    frames_[name] = frame;
  }
  frames_["fraPlcSetup"]->setVisible(true);
  txtMemo_ = new QTextEdit(client_);
  txtMemo_->setObjectName("txtMemo");
  txtMemo_->setAcceptRichText(false);
  txtMemo_->setVisible(false);
  memoBox_ = new MemoBox(*txtMemo_);
  connect(txtMemo_, &QTextEdit::textChanged, this, [this] {
    studio_.shell.MemoText = memoBox_->Text();
    studio_.shell.MemoChanged = true;
    files_->MarkChanged();  // the memo is saved with the program
  });

  tabMain_ = new QTabBar(client_);
  tabMain_->setObjectName("tabMain");
  tabMain_->addTab("Ladder");
  tabMain_->addTab("Mnemonic");
  tabMain_->setExpanding(false);
  tabMain_->setShape(QTabBar::RoundedSouth);  // below the picture: the ladder toolbar runs along the top
  connect(tabMain_, &QTabBar::currentChanged, this, [this] { tabMain_Click(); });
  tabMain_->installEventFilter(this);  // the platform's keys for the next tab (eventFilter)

  board_ = new QWidget(client_);
  board_->setObjectName("picBoard");
  board_->setAutoFillBackground(true);
  board_->setFocusPolicy(Qt::StrongFocus);
  boardKeys_ = board_;
  boardKeys_->installEventFilter(this);  // the board that takes the keys is shown (eventFilter)
  vsbMain_ = new QScrollBar(Qt::Vertical, board_);
  vsbMain_->setObjectName("vsbMain");
  for (QWidget** line : {&endLine_, &endLine2_}) {
    auto* l = new QFrame(board_);
    l->setFrameShape(QFrame::HLine);
    l->setFrameShadow(QFrame::Plain);
    *line = l;
  }
  endLine_->setObjectName("tbrEndLine");
  endLine2_->setObjectName("tbrEndLine2");

  txtMnemonic_ = new QPlainTextEdit(client_);
  txtMnemonic_->setObjectName("txtMnemonic");
  txtMnemonic_->setReadOnly(true);
  txtMnemonic_->setVisible(false);
  txtMnemonic_->installEventFilter(this);

  tbrLadder_ = new QToolBar(client_);
  tbrLadder_->setObjectName("tbrLadder");
  tbrLadder_->setMovable(false);

  sbrMain_ = new QStatusBar(client_);
  sbrMain_->setObjectName("sbrMain");
  sbrMain_->setSizeGripEnabled(false);
  statusPanel1_ = new QLabel(sbrMain_);
  statusPanel1_->setFixedWidth(Px(3000));
  statusPanel2_ = new QLabel(sbrMain_);
  sbrMain_->addWidget(statusPanel1_);
  sbrMain_->addWidget(statusPanel2_, 1);
  gagStatus_ = new QProgressBar(client_);
  gagStatus_->setObjectName("gagStatus");
  gagStatus_->setTextVisible(false);
  gagStatus_->setRange(0, 100);
  gagStatus_->setValue(0);
  gagStatus_->setVisible(false);
  StackLadderArea();
}

void FrmMain::StackLadderArea() {
  // Bottom to top: the board, the ladder toolbar over its top band, the mnemonic view over
  // both (the status bar and its gauge stay above them all).
  board_->stackUnder(tbrLadder_);
  txtMnemonic_->stackUnder(sbrMain_);
}

void FrmMain::HostPage(const QString& frameName, QWidget* page) {
  QWidget* frame = Frame(frameName);
  if (!frame) return;
  // The page takes the place of whatever the frame held.
  for (QWidget* old : frame->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) delete old;
  page->setParent(frame);
  frame->layout()->addWidget(page);
  page->show();
}

TipShowChoice FrmMain::TipShowWriter() {
  return [this](bool show) {
    settings_.SetTipShow(show ? 1 : 0);
    WriteSetting(ini::kSetup, "TipShow", show ? "1" : "0");
  };
}

void FrmMain::BuildPages() {
  plcModel_ = std::make_unique<PlcPanelModel>(studio_.doc.Setup, static_cast<PlcPanelListener&>(*this));
  plcPage_ = new PlcPanelWidget(*plcModel_);
  HostPage("fraPlcSetup", ScrollingPage(plcPage_));

  settings_.Listen(*this);
  setupPage_ = new SetupPageWidget(settings_, *this);
  HostPage("fraSetup", ScrollingPage(setupPage_));
  connect(setupPage_, &SetupPageWidget::languageChosen, this, [this](bool korean) { optLanguage_Click(korean); });

  // The Dump and Watch pages show their notice until the monitor's pictures are hosted.
  for (const char* frame : {"fraDump", "fraWatch"}) HostPage(frame, new NoticeLayer);

  mnemonic_ = new MnemonicViewer(txtMnemonic_, studioFolder_, studio_.shell, studio_.doc.Setup);
}

QWidget* FrmMain::Frame(const QString& name) const {
  auto it = frames_.find(name);
  return it == frames_.end() ? nullptr : it->second;
}

void FrmMain::SetBoard(QWidget* board, LadderPane& pane) {
  pane_ = &pane;
  emptyBoard_.reset();
  board->setParent(client_);
  // A board that brings its own scroll bar lays it out itself; the window's goes.
  if (auto* own = board->findChild<QScrollBar*>("vsbMain")) {
    delete vsbMain_;
    vsbMain_ = own;
    ownScrollBar_ = false;
  } else {
    board->setObjectName("picBoard");
    vsbMain_->setParent(board);
  }
  endLine_->setParent(board);
  endLine2_->setParent(board);
  delete board_;
  board_ = board;
  boardKeys_ = board_->focusProxy() ? board_->focusProxy() : board_;
  boardKeys_->installEventFilter(this);
  board_->show();
  StackLadderArea();
  Form_Resize();
}

// ---- Start-up and shutdown -------------------------------------------------------------

void FrmMain::Form_Load() {
  settings_.Load(ReadSettings(profile_));  // the board, the Setup page and the ladder view follow
  const Settings& settings = settings_.Values();
  QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  WindowPlace place = PlaceOnScreen(settings.screen, screen.width() * kTwipsPerPixel, screen.height() * kTwipsPerPixel,
                                    kDesignFrameWidth, kDesignFrameHeight);
  move(Px(place.Left), Px(place.Top));
  resize(Px(place.Width), Px(place.Height));

  SetMenuLanguage();
  tipShow_ = settings.TipShow;
  ApplyRunTimeDefaults(studio_, settings);
  PlcSetupLoad();  // after the defaults, so that leaving the page or saving keeps them

  recent_.Load(profile_);
  RecentFilesChanged();
  files_->ReopenLast();
}

void FrmMain::SettingChanged(SettingChange what) {
  switch (what) {
    case SettingChange::Loaded:
      studio_.shell.KoreanMenu = settings_.Values().KoreanMenu;
      ApplyBoardFont();
      ApplyBoardColours();
      return;
    case SettingChange::Color:
      ApplyBoardColours();
      break;
    case SettingChange::Font:
      ApplyBoardFont();
      break;
    case SettingChange::CellSize:
      studio_.doc.CurCol = studio_.doc.CurRow = studio_.doc.TopRow = 0;
      ResetLadderView();
      break;
    case SettingChange::RowGap:
    case SettingChange::AliasFirst:
      break;
    case SettingChange::Language:
      studio_.shell.KoreanMenu = settings_.Values().KoreanMenu;
      return;
    default:
      return;  // nothing drawn follows the others
  }
  // A hosted ladder view follows the settings itself and repaints once; only the window's
  // empty board is redrawn here.
  if (emptyBoard_) RedrawLadder();
}

void FrmMain::ApplyBoardFont() { board_->setFont(QFontOf(settings_.Font())); }

void FrmMain::ApplyBoardColours() {
  if (!ownScrollBar_) return;  // a hosted ladder view paints its own colours
  const ColorScheme colors = ColorSchemeOf(settings_.Values().Color);
  QPalette palette = board_->palette();
  palette.setColor(QPalette::Window, FromBgr(colors.back));
  palette.setColor(QPalette::WindowText, FromBgr(colors.line));
  board_->setPalette(palette);
}

void FrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!activatedOnce_) {
    activatedOnce_ = true;
    // The ladder takes the keys from the start (else the first control of the tab chain
    // would), and the window asks for the keyboard itself: without a window manager nobody
    // else gives it.
    FocusBoard();
    activateWindow();
    QTimer::singleShot(0, this, [this] { Form_Activate(); });
  }
}

bool FrmMain::event(QEvent* event) {
  // A modal box or dialog over the window has closed. A window manager hands the keyboard
  // back to the window; without one nobody does, so the window takes it (and with it the
  // control that held the keys before, the ladder as a rule).
  if (event->type() == QEvent::WindowUnblocked) {
    QTimer::singleShot(0, this, [this] {
      if (isVisible() && !QApplication::activeWindow() && !QApplication::activeModalWidget()) activateWindow();
    });
  }
  return QMainWindow::event(event);
}

void FrmMain::Form_Activate() {
  if (inActivate_) return;
  inActivate_ = true;
  // The tip window is one of the studio's own dialogs: closing it hands the activation back
  // to the main window, which offers the tip again until the window's own close button
  // ends the offers. A tip file that cannot be read stops here (its message was shown).
  while (tipShow_ == 1 && studio_.shell.KoreanMenu) {
    if (!ShowTipOfTheDay(this, tips_, tipShow_, studioFolder_, *studio_.messages, true, TipShowWriter()))
      break;
  }
  inActivate_ = false;
}

void FrmMain::closeEvent(QCloseEvent* event) {
  if (!files_->QueryClose()) {
    event->ignore();
    return;
  }
  Form_Unload();
  event->accept();
}

void FrmMain::Form_Unload() {
  if (!isMaximized()) WriteWindowPlace();
}

void FrmMain::WriteWindowPlace() {
  // A minimised or maximised window reports its normal place.
  QRect normal = (isMinimized() || isMaximized()) ? normalGeometry() : geometry();
  QPoint corner = (isMinimized() || isMaximized()) ? normal.topLeft() : pos();
  WindowPlace place{corner.y() * kTwipsPerPixel, corner.x() * kTwipsPerPixel, normal.width() * kTwipsPerPixel,
                    normal.height() * kTwipsPerPixel};
  shell::WriteWindowPlace(profile_, place);
}

void FrmMain::mnuExit_Click() {
  if (!isMaximized()) WriteWindowPlace();
  close();
}

// ---- Language ----------------------------------------------------------------------------

void FrmMain::SetMenuLanguage() {
  const bool korean = studio_.shell.KoreanMenu;
  qtLanguage_.Apply(korean);
  plcPage_->SetKoreanMenu(korean);
  setupPage_->SetKoreanMenu(korean);
  for (const CaptionRow& row : CaptionTable()) {
    const CaptionRow& shown = (QString(row.control) == "mnuMonitor" && MonitorOn()) ? kMonitorOffCaption : row;
    QString text = QString::fromUtf8(korean ? shown.korean : shown.english);
    for (QObject* object : findChildren<QObject*>(row.control)) {
      if (row.index >= 0 && object->property("index").toInt() != row.index) continue;
      if (row.index < 0 && object->property("index").isValid()) continue;
      SetControlCaption(object, text);
    }
  }
}

void FrmMain::optLanguage_Click(bool korean) {
  if (!setupPage_->languageOption(korean ? 1 : 0)->isChecked()) {
    QSignalBlocker block(setupPage_->languageOption(korean ? 1 : 0));
    setupPage_->languageOption(korean ? 1 : 0)->setChecked(true);
  }
  settings_.SetKoreanMenu(korean);
  SetMenuLanguage();
  profile_.WriteString(ini::kSetup, "KoreanMenu", BoolText(korean));
}

// ---- Side panel and main tabs -------------------------------------------------------------

int FrmMain::SidePage() const { return tabInfo_->currentIndex() + 1; }

void FrmMain::SelectSidePage(int page) {
  if (page < 1 || page > 6) return;
  if (tabInfo_->currentIndex() == page - 1)
    tabInfo_Click();  // the same tab again emits nothing, but the page is chosen anew
  else
    tabInfo_->setCurrentIndex(page - 1);
}

void FrmMain::PlaceSidePage(int page, int panelHeight) {
  if (page == 6) {
    Place(txtMemo_, SideMemoBox(panelHeight));
  } else {
    Place(frames_[kFrameNames[page - 1]], SidePageFrame(panelHeight));
  }
}

void FrmMain::tabInfo_Click() {
  const int page = SidePage();
  if (page < 1 || page > 6) return;
  if (page >= 2 && !frames_["fraPlcSetup"]->isHidden()) PlcSetupFix();
  PlaceSidePage(page, sidePanelHeight_);
  for (int i = 0; i < 5; ++i) frames_[kFrameNames[i]]->setVisible(i == page - 1);
  txtMemo_->setVisible(page == 6);
  const bool korean = studio_.shell.KoreanMenu;
  if (page == 1) {
    PlcSetupLoad();
  } else if (page == 2) {
    setupPage_->Fill(korean);
  } else if (page <= 5) {
    emit sidePageShown(page);
    // Not monitoring: the page's notice.
    if (page >= 4) {
      if (auto* notice = frames_[kFrameNames[page - 1]]->findChild<NoticeLayer*>()) {
        if (MonitorOn())
          notice->SetNotice({});
        else
          notice->SetNotice(page == 4 ? DumpNotice(korean) : WatchNotice(korean));
      }
    }
  }
}

void FrmMain::SelectMainTab(int tab) {
  if (tab < 1 || tab > 2) return;
  if (tabMain_->currentIndex() == tab - 1)
    tabMain_Click();
  else
    tabMain_->setCurrentIndex(tab - 1);
}

void FrmMain::tabMain_Click() {
  const int tab = tabMain_->currentIndex() + 1;
  if (tab == 1) {
    // The ladder takes the keys back, its cursor drawn, before the view that held them goes:
    // a hidden control hands the keys on down the tab chain, into the side panel.
    FocusBoard();
    txtMnemonic_->setVisible(false);
  } else if (tab == 2) {
    Place(txtMnemonic_, CurrentLayout().txtMnemonic);
    txtMnemonic_->setVisible(true);
    mnemonic_->TabChosen();
  }
  emit mainTabChanged(tab);
}

// ---- Layout --------------------------------------------------------------------------------

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize) Form_Resize();
  // The board that takes the keys, whoever gives them (a command, a build's failing cell, the
  // end of monitor mode), is shown: under the mnemonic view they would edit a ladder nobody sees.
  if (watched == boardKeys_ && event->type() == QEvent::FocusIn && tabMain_->currentIndex() != 0) SelectMainTab(1);
  // On the main tab strip and in the mnemonic view, the platform's keys for the next and the
  // previous tab (Ctrl+Tab, Ctrl+Shift+Tab) choose the other tab, as in a tab control. On the
  // ladder they stay ladder keys.
  if ((watched == tabMain_ || watched == txtMnemonic_) && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const int step = key->matches(QKeySequence::NextChild) ? 1 : key->matches(QKeySequence::PreviousChild) ? -1 : 0;
    if (step != 0) {
      const int tabs = tabMain_->count();
      SelectMainTab((tabMain_->currentIndex() + step + tabs) % tabs + 1);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

MainLayout FrmMain::CurrentLayout() const {
  // The window's own size, which every resize event reports, not the window manager's frame.
  return ComputeWindowLayout(width() * kTwipsPerPixel, height() * kTwipsPerPixel, client_->height() * kTwipsPerPixel);
}

void FrmMain::Form_Resize() {
  if (!client_) return;
  const MainLayout l = CurrentLayout();

  if (tbrMain_) tbrMain_->setGeometry(0, 0, client_->width(), tbrMain_->sizeHint().height());
  const int statusHeight = sbrMain_->sizeHint().height();
  sbrMain_->setGeometry(0, client_->height() - statusHeight, client_->width(), statusHeight);

  auto placeStrip = [](QTabBar* bar, QWidget* body, const TwipRect& r) {
    if (!r.Usable()) return;
    const int tabs = bar->sizeHint().height();
    bar->setGeometry(Px(r.left), Px(r.top), Px(r.width), tabs);
    body->setGeometry(Px(r.left), Px(r.top) + tabs - 2, Px(r.width), std::max(0, Px(r.height) - tabs + 2));
  };
  placeStrip(tabInfo_, tabInfoBody_, l.tabInfo);
  sidePanelHeight_ = l.tabInfo.height;
  if (l.tabMain.Usable()) {  // tabs along the bottom edge
    const int tabs = tabMain_->sizeHint().height();
    const QRect r(Px(l.tabMain.left), Px(l.tabMain.top), Px(l.tabMain.width), Px(l.tabMain.height));
    tabMainBody_->setGeometry(r.left(), r.top(), r.width(), std::max(0, r.height() - tabs + 2));
    tabMain_->setGeometry(r.left(), r.bottom() + 1 - tabs, r.width(), tabs);
  }
  // The ladder toolbar lies over the top band of the board, down to the two rule lines; a
  // hosted ladder view starts its operand box and scroll bar below them.
  TwipRect ladderBar = l.tbrLadder;
  const int barHeight = std::max(Px(kLadderToolbarHeight), tbrLadder_->sizeHint().height());
  if (ladderBar.Usable())
    tbrLadder_->setGeometry(Px(ladderBar.left), Px(ladderBar.top), Px(ladderBar.width), barHeight);
  Place(board_, l.picBoard);
  if (!ownScrollBar_ && board_->layout()) board_->layout()->setContentsMargins(0, Px(l.vsbMain.top), 0, 0);
  Place(txtMnemonic_, l.txtMnemonic);
  if (l.gagStatus.Usable())
    gagStatus_->setGeometry(Px(l.gagStatus.left), Px(l.gagStatus.top), Px(l.gagStatus.width), Px(l.gagStatus.height));
  if (ownScrollBar_) Place(vsbMain_, l.vsbMain);
  if (l.endLineLength >= 0) {
    endLine_->setGeometry(0, Px(l.endLineY), Px(l.endLineLength), 1);
    endLine2_->setGeometry(0, Px(l.endLine2Y), Px(l.endLineLength), 1);
    endLine_->raise();
    endLine2_->raise();
  }
  // The frame of the side page that is visible (hidden pages are placed when they are
  // chosen); the page in it lays out its own parts.
  for (const char* name : kFrameNames)
    if (!frames_[name]->isHidden()) Place(frames_[name], l.sideFrame);
  if (!txtMemo_->isHidden()) Place(txtMemo_, l.txtMemo);
  emit sidePageLaidOut(SidePage());
  RedrawLadder();
}

// ---- FileCommandHost -----------------------------------------------------------------------

std::string FrmMain::AskOpenName(const std::string& filter) { return dialogs_->OpenName(filter); }
std::string FrmMain::AskSaveName(const std::string& filter) { return dialogs_->SaveName(filter); }
void FrmMain::SetCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

void FrmMain::ClearLadderView() { pane_->Clear(); }
void FrmMain::ResetLadderView() {
  pane_->Reset();
  emit ladderReset();
}
void FrmMain::RedrawLadder() { pane_->Redraw(); }
void FrmMain::ShowCursorCell() { pane_->ShowCursorCell(); }
void FrmMain::FocusBoard() { board_->setFocus(); }
void FrmMain::SetDeviceMap() { emit deviceModelChanged(); }
void FrmMain::PlcSetupFix() { plcPage_->Fix(); }
void FrmMain::PlcSetupLoad() { plcPage_->Load(); }
bool FrmMain::PlcSetupEdited() { return !frames_["fraPlcSetup"]->isHidden() && plcPage_->Edited(); }
void FrmMain::ShowPlcPage() { SelectSidePage(1); }
void FrmMain::MemoReplaced() {
  QSignalBlocker block(txtMemo_);
  memoBox_->Show(studio_.shell.MemoText);
}
void FrmMain::WatchReplaced() { emit watchListReplaced(); }
void FrmMain::RecentFilesChanged() {
  for (int k = 1; k <= RecentFiles::kItems; ++k) {
    QAction* item = lastOpen_[size_t(k)];
    item->setText(QString::fromStdString(MenuItemText(recent_.Caption(k))));
    item->setVisible(recent_.Visible(k));
  }
}

// ---- PlcPanelListener -----------------------------------------------------------------------

void FrmMain::SetupChanged() { files_->MarkChanged(); }
void FrmMain::ModelChosen(int16_t) { SetDeviceMap(); }

// ---- StatusPort ------------------------------------------------------------------------------

void FrmMain::SetStatusText(const std::string& utf8) { statusPanel2_->setText(QString::fromStdString(utf8)); }
QString FrmMain::StatusText() const { return statusPanel2_->text(); }

void FrmMain::SetGauge(int value, int maximum) {
  gagStatus_->setRange(0, maximum > 0 ? maximum : 100);
  gagStatus_->setValue(maximum > 0 ? std::clamp(value, 0, maximum) : 0);
  gagStatus_->setVisible(maximum > 0);
}

void FrmMain::Refresh() {
  sbrMain_->repaint();
  gagStatus_->repaint();
}

// ---- SetupPageHost ---------------------------------------------------------------------------

void FrmMain::WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
  profile_.WriteString(section, key, value);
}
std::optional<LadderFont> FrmMain::ChooseFont(const LadderFont& current) { return AskFont(current, setupPage_); }
platform::MessageSink& FrmMain::Messages() { return *studio_.messages; }
bool FrmMain::KoreanMenu() const { return studio_.shell.KoreanMenu; }

}  // namespace shell
