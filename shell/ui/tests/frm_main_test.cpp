#include "shell/ui/frm_main.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/tests/hang_guard_support.h"
#include "platform/tests/qt_test_app.h"
#include "shell/tests/shell_test_support.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <map>
#include <memory>

#include "compiler/program_file.h"
#include "compiler/tests/monitor_flag_support.h"
#include "compiler/watch_file.h"
#include "platform/file_write.h"
#include "shell/shell_texts.h"
#include "shell/toolbar.h"
#include "shell/ui/help_window.h"
#include "shell/ui/plc_panel_widget.h"
#include "shell/ui/tip_dialog.h"
#include <QTextBrowser>
#include "shell/ui/view_settings_widget.h"
#include "shell/ui/tests/layout_support.h"
#include "shell/ui/window_places.h"

using namespace shell;

namespace {

using shell_test::TempDir;
using shell_test::WriteFile;

struct ScriptedDialogs : FileDialogs {
  std::deque<std::string> open, save;
  std::string OpenName(const std::string&) override {
    if (open.empty()) return "";
    std::string n = open.front();
    open.pop_front();
    return n;
  }
  std::string SaveName(const std::string&) override {
    if (save.empty()) return "";
    std::string n = save.front();
    save.pop_front();
    return n;
  }
};

struct WindowTest : ::testing::Test {
  TempDir dir;
  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();
  platform::RecordingMessageSink sink;
  std::unique_ptr<ProfileFile> ini;
  ScriptedDialogs dialogs;
  std::unique_ptr<FrmMain> window;

  void SetUp() override {
    TestApp();
    studio->messages = &sink;
    ini = std::make_unique<ProfileFile>(dir / "ZQVSTUDIO.INI");
  }
  void TearDown() override { window.reset(); }
  void Start() {
    window = std::make_unique<FrmMain>(*studio, *ini, dir.path);
    window->SetFileDialogs(&dialogs);
    window->Form_Load();
  }
  std::string MakeProgram(const std::string& name, const std::string& text) {
    return shell_test::MakeProgram(dir, name, text, sink);
  }
  QString CaptionOf(const CaptionRow& row) {
    for (QObject* o : window->findChildren<QObject*>(row.control)) {
      if (row.index >= 0 && o->property("index").toInt() != row.index) continue;
      if (auto* m = qobject_cast<QMenu*>(o)) return m->title();
      if (auto* a = qobject_cast<QAction*>(o)) return a->text();
      if (auto* g = qobject_cast<QGroupBox*>(o)) return g->title();
      if (auto* b = qobject_cast<QAbstractButton*>(o)) return b->text();
      if (auto* l = qobject_cast<QLabel*>(o)) return l->text();
    }
    return "<missing>";
  }
};

}  // namespace

TEST_F(WindowTest, StartsWithDefaultsAndANewProgram) {
  Start();
  EXPECT_EQ(window->windowTitle().toStdString(), "Korvanestudio [ untitled.qsl ]");
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_EQ(studio->doc.Setup.PlcModel, 1);
  EXPECT_EQ(studio->doc.EndRow, 1);
  EXPECT_EQ(window->UserSettings().Values().Cunit, 80);
  for (const char* name :
       {"tbrMain", "tabInfo",    "tabMain",     "picBoard",  "vsbMain",    "txtMnemonic", "tbrLadder",
        "sbrMain", "gagStatus",  "fraPlcSetup", "fraSetup",  "fraAlias",   "fraDump",     "fraWatch",
        "txtMemo", "tbrEndLine", "tbrEndLine2", "cboDevice", "SliderSize", "lblFontEx"})
    EXPECT_NE(window->findChild<QWidget*>(name), nullptr) << name;
  auto* tools = window->findChild<QToolBar*>("tbrMain");
  QStringList tips;
  for (QAction* a : tools->actions()) tips << (a->isSeparator() ? "|" : a->toolTip());
  EXPECT_EQ(tips.join(","),
            "|,New,Open,Save,|,Print,|,Block Cut,Block Copy,Block Paste,|,Search,|,Auto,Run,Stop,Monitor,|");
  EXPECT_FALSE(ini->HasKey("Screen", "Top"));  // start-up writes nothing
}

// Qt's own dialogs (message-box buttons, file dialogs) speak the interface language too.
TEST_F(WindowTest, StandardDialogsFollowTheLanguage) {
  auto yesText = [] {
    QMessageBox box(QMessageBox::Question, "t", "x", QMessageBox::Yes | QMessageBox::Cancel);
    return box.button(QMessageBox::Yes)->text() + "|" + box.button(QMessageBox::Cancel)->text();
  };
  Start();
  EXPECT_EQ(yesText(), "&Yes|Cancel");
  window->optLanguage_Click(true);
  EXPECT_EQ(yesText(), QString::fromUtf8("예(&Y)|취소"));
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), "Look in:");
  window->optLanguage_Click(false);
  EXPECT_EQ(yesText(), "&Yes|Cancel");
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "Look in:");

  // A start in Korean has them Korean from the first dialog; closing the window drops them.
  window.reset();
  ini->WriteString("Setup", "KoreanMenu", "1");
  Start();
  EXPECT_EQ(yesText(), QString::fromUtf8("예(&Y)|취소"));
  window.reset();
  EXPECT_EQ(yesText(), "&Yes|Cancel");
}

// Help > Help... shows the user guide of the studio's folder in a window of the studio; the
// build puts the guide there.
TEST_F(WindowTest, HelpShowsTheUserGuide) {
  Start();
  window->Commands().mnuHelp->trigger();  // no guide in this folder
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "Help File Open Error : " + (std::filesystem::path(dir.path) / "user-guide.md").string());
  EXPECT_EQ(window->findChild<HelpWindow*>(), nullptr);
  // A guide that is a FIFO is refused at once, as a missing one.
  const std::filesystem::path guide = std::filesystem::path(dir.path) / "user-guide.md";
  ASSERT_EQ(mkfifo(guide.c_str(), 0644), 0);
  {
    hang_guard::FifoRelease release(guide);
    window->Commands().mnuHelp->trigger();
    EXPECT_FALSE(release.Released());
  }
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[1].text, "Help File Open Error : " + guide.string());
  EXPECT_EQ(window->findChild<HelpWindow*>(), nullptr);
  std::filesystem::remove(guide);

  WriteFile(std::filesystem::path(dir.path) / "user-guide.md", "# The guide\n\nPress **F3** for a contact.\n");
  window->Commands().mnuHelp->trigger();
  auto* help = window->findChild<HelpWindow*>();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_FALSE(help->isModal());
  EXPECT_TRUE(help->browser()->toPlainText().startsWith("The guide\n"));
  EXPECT_TRUE(help->browser()->toPlainText().contains("Press F3 for a contact."));
  window->Commands().mnuHelp->trigger();  // the same window again
  EXPECT_EQ(window->findChildren<HelpWindow*>().size(), 1);
  help->close();

  const std::filesystem::path built = std::filesystem::path(ZQV_BUILD_BIN_DIR) / "user-guide.md";
  EXPECT_TRUE(std::filesystem::exists(built)) << built;
}

// The window builds its toolbar from the toolbar table: each button is the table's menu
// command itself (the same action, so the same code and the same enabled state), and every
// button but the three block commands carries a picture, which the menu item does not show.
TEST_F(WindowTest, ToolbarFollowsTheToolbarTable) {
  Start();
  auto* toolbar = window->findChild<QToolBar*>("tbrMain");
  const QList<QAction*> actions = toolbar->actions();
  ASSERT_EQ(actions.size(), static_cast<qsizetype>(kToolbarButtons.size()));
  for (size_t i = 0; i < kToolbarButtons.size(); ++i) {
    const ToolbarButton& b = kToolbarButtons[i];
    QAction* a = actions[qsizetype(i)];
    EXPECT_EQ(toolbar->widgetForAction(a)->property("index").toInt(), b.index);
    EXPECT_EQ(a->isSeparator(), b.command == ToolbarCommand::None) << b.index;
    if (a->isSeparator()) continue;
    ASSERT_NE(MenuCommandOf(b.command), nullptr) << b.index;
    EXPECT_EQ(a, window->Commands().*MenuCommandOf(b.command)) << b.index;
    EXPECT_EQ(a->toolTip(), b.toolTip);
    const bool block = b.command == ToolbarCommand::BlockCut || b.command == ToolbarCommand::BlockCopy ||
                       b.command == ToolbarCommand::BlockPasteInsert;
    EXPECT_EQ(a->icon().isNull(), block) << b.index;
    EXPECT_FALSE(a->isIconVisibleInMenu()) << b.index;
    if (!block) {
      EXPECT_FALSE(a->icon().pixmap(16, 16).isNull()) << b.index;
    }
  }
  // A text button shows the fixed caption in both languages.
  window->optLanguage_Click(true);
  auto* cut = qobject_cast<QToolButton*>(toolbar->widgetForAction(window->Commands().mnuBlockCut));
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(cut->text(), "Block Cut");
  EXPECT_EQ(window->Commands().mnuBlockCut->toolTip(), "Block Cut");
}

// The toolbar takes its buttons from the window's commands, not from the actions' object
// names: commands whose names differ from their members' still get their buttons, in the
// table's order.
TEST(MainToolbar, ButtonsAreTheCommandsWhateverTheirNames) {
  TestApp();
  QWidget holder;
  MenuCommands commands;
  QAction* MenuCommands::*const expected[] = {&MenuCommands::mnuNew,
                                              &MenuCommands::mnuOpen,
                                              &MenuCommands::mnuSave,
                                              &MenuCommands::mnuPrint,
                                              &MenuCommands::mnuBlockCut,
                                              &MenuCommands::mnuBlockCopy,
                                              &MenuCommands::mnuBlockPasteInsert,
                                              &MenuCommands::mnuSearch,
                                              &MenuCommands::mnuAuto,
                                              &MenuCommands::mnuRun,
                                              &MenuCommands::mnuStop,
                                              &MenuCommands::mnuMonitor};
  int n = 0;
  for (auto member : expected) {
    commands.*member = new QAction(QString("command %1").arg(n), &holder);
    (commands.*member)->setObjectName(QString("renamed%1").arg(n++));
  }
  auto* bar = new QToolBar(&holder);
  BuildMainToolbar(*bar, commands);
  const QList<QAction*> actions = bar->actions();
  ASSERT_EQ(actions.size(), static_cast<qsizetype>(kToolbarButtons.size()));
  size_t k = 0;
  for (size_t i = 0; i < kToolbarButtons.size(); ++i) {
    if (actions[qsizetype(i)]->isSeparator()) continue;
    ASSERT_LT(k, std::size(expected));
    EXPECT_EQ(actions[qsizetype(i)], commands.*expected[k++]) << kToolbarButtons[i].index;
  }
  EXPECT_EQ(k, std::size(expected));
}

// A command disabled on its menu is disabled on the toolbar too (Stop turns Monitor off).
TEST_F(WindowTest, ToolbarButtonFollowsItsMenuItemsEnabledState) {
  Start();
  auto* toolbar = window->findChild<QToolBar*>("tbrMain");
  QWidget* monitorButton = toolbar->widgetForAction(window->Commands().mnuMonitor);
  ASSERT_NE(monitorButton, nullptr);
  EXPECT_TRUE(monitorButton->isEnabled());
  window->Commands().mnuMonitor->setEnabled(false);
  EXPECT_FALSE(monitorButton->isEnabled());
  window->Commands().mnuMonitor->setEnabled(true);
  EXPECT_TRUE(monitorButton->isEnabled());
}

TEST_F(WindowTest, LanguageSwitchesEveryCaptionAndIsStored) {
  Start();
  for (const CaptionRow& row : CaptionTable()) EXPECT_EQ(CaptionOf(row), QString::fromUtf8(row.english)) << row.control;
  auto* tabs = window->findChild<QTabBar*>("tabInfo");
  QString tabTexts;
  for (int i = 0; i < tabs->count(); ++i) tabTexts += tabs->tabText(i) + " ";

  window->SelectSidePage(2);
  window->SetupPage()->languageOption(1)->click();
  EXPECT_TRUE(studio->shell.KoreanMenu);
  EXPECT_EQ(ini->ReadString("Setup", "KoreanMenu", ""), "True");
  for (const CaptionRow& row : CaptionTable()) EXPECT_EQ(CaptionOf(row), QString::fromUtf8(row.korean)) << row.control;
  EXPECT_EQ(CaptionOf(CaptionTable()[30]), CaptionOf(CaptionTable()[31]));  // the Run menu and its Run item
  QString after;
  for (int i = 0; i < tabs->count(); ++i) after += tabs->tabText(i) + " ";
  EXPECT_EQ(after, tabTexts);
  EXPECT_EQ(window->findChild<QToolBar*>("tbrMain")->actions()[1]->toolTip(), "New");

  window->optLanguage_Click(false);
  EXPECT_EQ(ini->ReadString("Setup", "KoreanMenu", ""), "False");
  for (const CaptionRow& row : CaptionTable()) EXPECT_EQ(CaptionOf(row), QString::fromUtf8(row.english)) << row.control;

  // The next start comes up in Korean; the monitor item follows monitor mode.
  window.reset();
  ini->WriteString("Setup", "KoreanMenu", "1");
  Start();
  EXPECT_EQ(CaptionOf(CaptionTable()[0]), "파일(&F)");
  compiler::MonitorFlagForTests::Set(*studio, true);
  window->SetMenuLanguage();
  EXPECT_EQ(window->Commands().mnuMonitor->text(), "모니터링 중지(&M)");
}

// The tip window's show box is the setting for the next start: the settings of the run keep
// it as the file does, while the offers of this run go on until the window's close button.
TEST_F(WindowTest, TheTipWindowsShowBoxIsKeptAsTheFileKeepsIt) {
  WriteFile(dir / "tip.txt", "A\n");
  Start();
  ASSERT_EQ(window->UserSettings().Values().TipShow, 1);
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* tip = qobject_cast<TipDialog*>(QApplication::activeModalWidget());
    if (!tip || !tip->isVisible()) return;
    tip->showBox()->click();
    tip->closeButton()->click();
  });
  answer.start(5);
  window->Commands().mnuTipoftheDay->trigger();
  EXPECT_EQ(ini->ReadString("Setup", "TipShow", ""), "0");
  EXPECT_EQ(window->UserSettings().Values().TipShow, 0);
}

TEST_F(WindowTest, ReopensTheLastProgramAndRecentMenu) {
  std::string pump = MakeProgram("Pump.qsl", "P1:1");
  std::string other = MakeProgram("R&D.qsl", "P1:2");
  ini->WriteString("LastOpen", "File1", pump);
  ini->WriteString("LastOpen", "File2", other);
  WriteFile(compiler::MemoFilePath(pump), "note\r\n");
  Start();
  EXPECT_EQ(window->windowTitle().toStdString(), "Korvane Studio [ " + LowerAscii(pump) + " ]");
  EXPECT_EQ(studio->doc.CellText[0][0], "P1:1");
  EXPECT_EQ(window->Memo()->toPlainText(), "note\n");
  EXPECT_TRUE(studio->shell.SourceSaved);  // showing the memo is no edit
  EXPECT_FALSE(studio->shell.MemoChanged);
  QAction* second = nullptr;
  for (QAction* a : window->findChildren<QAction*>("mnuLastOpen"))
    if (a->property("index").toInt() == 2) second = a;
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(second->isVisible());
  EXPECT_EQ(second->text().toStdString(), MenuItemText(other));
  second->trigger();
  EXPECT_EQ(studio->doc.CellText[0][0], "P1:2");
  EXPECT_EQ(ini->ReadString("LastOpen", "File1", ""), other);

  window->Memo()->setPlainText("edited");
  EXPECT_FALSE(studio->shell.SourceSaved);
  EXPECT_TRUE(studio->shell.MemoChanged);  // the next save writes the memo file
  EXPECT_EQ(studio->shell.MemoText, "edited");
}

// An edit in the memo box keeps the bytes the user did not touch: a non-breaking space stays
// one, a line separator stays, a lone CR and a paragraph separator, which the box shows as line
// ends, stay what they were, and the file's byte order mark stays in front of what is typed at
// the top. A line end the user makes is the file's own.
TEST_F(WindowTest, AnEditedMemoKeepsTheBytesTheUserDidNotTouch) {
  const std::string pump = MakeProgram("pump.qsl", "P1:1");
  const std::string bom = "\xEF\xBB\xBF";
  const std::string body = "a\xC2\xA0" "b\xE2\x80\xA8" "c\rd\xE2\x80\xA9" "e\n\tend\n";
  WriteFile(compiler::MemoFilePath(pump), bom + body);
  ini->WriteString("LastOpen", "File1", pump);
  Start();
  ASSERT_EQ(studio->shell.CurFilePath, pump);
  window->SelectSidePage(6);
  QTextEdit* memo = window->Memo();
  memo->moveCursor(QTextCursor::Start);
  QTest::keyClicks(memo, "X");
  EXPECT_TRUE(studio->shell.MemoChanged);
  window->Commands().mnuSave->trigger();
  EXPECT_TRUE(sink.shown.empty()) << sink.shown[0].text;
  EXPECT_EQ(shell_test::ReadFile(compiler::MemoFilePath(pump)), bom + "X" + body);
  memo->moveCursor(QTextCursor::End);
  QTest::keyClicks(memo, "Y");
  window->Commands().mnuSave->trigger();
  EXPECT_EQ(shell_test::ReadFile(compiler::MemoFilePath(pump)), bom + "X" + body + "Y");

  // A new line end beside the paragraph separator, taken away again: the separator stays.
  memo->moveCursor(QTextCursor::Start);
  memo->moveCursor(QTextCursor::NextBlock);
  memo->moveCursor(QTextCursor::EndOfBlock);
  QTest::keyClick(memo, Qt::Key_Return);
  window->Commands().mnuSave->trigger();
  const std::string split = "Xa\xC2\xA0" "b\xE2\x80\xA8" "c\rd\n\xE2\x80\xA9" "e\n\tend\nY";
  EXPECT_EQ(shell_test::ReadFile(compiler::MemoFilePath(pump)), bom + split);
  QTest::keyClick(memo, Qt::Key_Backspace);
  window->Commands().mnuSave->trigger();
  EXPECT_EQ(shell_test::ReadFile(compiler::MemoFilePath(pump)), bom + "X" + body + "Y");
  // The lone CR taken away and given back by Undo is the CR again.
  memo->moveCursor(QTextCursor::Start);
  memo->moveCursor(QTextCursor::NextBlock);
  QTest::keyClick(memo, Qt::Key_Backspace);
  QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier);
  window->Commands().mnuSave->trigger();
  EXPECT_EQ(shell_test::ReadFile(compiler::MemoFilePath(pump)), bom + "X" + body + "Y");
  memo->moveCursor(QTextCursor::End);
  memo->moveCursor(QTextCursor::StartOfBlock);
  QTest::keyClick(memo, Qt::Key_Backspace);
  memo->moveCursor(QTextCursor::StartOfBlock);
  QTest::keyClick(memo, Qt::Key_Backspace);
  window->Commands().mnuSave->trigger();
  EXPECT_EQ(shell_test::ReadFile(compiler::MemoFilePath(pump)),
            bom + "Xa\xC2\xA0" "b\xE2\x80\xA8" "c\rd\xE2\x80\xA9" "e\tendY");

  // A CR LF memo whose line ends with a lone CR: two line ends, and both stay.
  const std::string valve = MakeProgram("valve.qsl", "P1:2");
  WriteFile(compiler::MemoFilePath(valve), "one\r\r\ntwo\r\n");
  dialogs.open = {valve};
  window->Commands().mnuOpen->trigger();
  ASSERT_EQ(studio->shell.CurFilePath, valve);
  window->SelectSidePage(6);
  EXPECT_EQ(memo->toPlainText().toStdString(), "one\n\ntwo\n");
  memo->moveCursor(QTextCursor::Start);
  QTest::keyClicks(memo, "X");
  window->Commands().mnuSave->trigger();
  EXPECT_EQ(shell_test::ReadFile(compiler::MemoFilePath(valve)), "Xone\r\r\ntwo\r\n");
}

TEST_F(WindowTest, FileCommandsFromTheMenuAndClose) {
  Start();
  std::string a = MakeProgram("a.qsl", "M0:1");
  dialogs.open = {a};
  window->Commands().mnuOpen->trigger();
  EXPECT_EQ(studio->shell.CurFilePath, a);
  EXPECT_EQ(window->SidePage(), 1);
  studio->doc.CellText[0][0] = "M0:2";
  window->Files().MarkChanged();
  dialogs.save = {dir / "b"};
  window->Commands().mnuSaveAs->trigger();
  EXPECT_TRUE(std::filesystem::exists(dir / "b.QSL"));
  EXPECT_EQ(window->windowTitle().toStdString(), "Korvane studio [ " + LowerAscii(dir / "b.QSL") + " ]");

  studio->doc.CellText[0][0] = "M0:3";
  window->Files().MarkChanged();
  sink.answers = {platform::MsgResult::Cancel};
  EXPECT_FALSE(window->close());
  sink.answers = {platform::MsgResult::Yes};
  window->show();
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(ini->HasKey("Screen", "Width"));
  auto check = std::make_unique<compiler::Studio>();
  check->messages = &sink;
  ASSERT_TRUE(compiler::LoadProgramFile(*check, dir / "b.QSL"));
  EXPECT_EQ(check->doc.CellText[0][0], "M0:3");
}

TEST_F(WindowTest, TheStudioFolderIsTheOneTheWindowIsGiven) {
  WriteFile(dir.path / "QS2OUT.$$$", "LD P0:1\r\n");
  Start();
  EXPECT_EQ(window->StudioFolder(), dir.path);
  window->SelectMainTab(2);
  EXPECT_EQ(window->Mnemonic()->toPlainText(), "LD P0:1\n");
}

TEST_F(WindowTest, GeometryIsKeptButNotWhenMaximised) {
  ini->WriteString("Screen", "Left", "1500");
  ini->WriteString("Screen", "Top", "1500");
  ini->WriteString("Screen", "Width", "10500");
  ini->WriteString("Screen", "Height", "7500");
  Start();
  EXPECT_EQ(window->width(), 700);
  EXPECT_EQ(window->height(), 500);
  // The screen (800 pixels wide) holds a window of its own width only without a frame: a larger
  // stored width is fitted with the layout's frame around it.
  window.reset();
  ini->WriteString("Screen", "Width", "12000");
  Start();
  EXPECT_EQ(window->width(), 800 - 8);
  window->show();
  window->resize(900, 700);
  window->mnuExit_Click();
  EXPECT_EQ(ini->ReadInt("Screen", "Width", 0), 900 * 15);
  EXPECT_EQ(ini->ReadInt("Screen", "Height", 0), 700 * 15);

  window.reset();
  ini->WriteString("Screen", "Width", "1");
  Start();
  window->showMaximized();
  ini->WriteString("Screen", "Width", "1");
  window->mnuExit_Click();
  EXPECT_EQ(ini->ReadInt("Screen", "Width", 0), 1);
}

// Controls lying over each other by more than a pixel's rounding: texts drawn over texts.
static bool Overlap(const QRect& a, const QRect& b) {
  const QRect both = a.intersected(b);
  return both.width() > 2 && both.height() > 2;
}

// A small window keeps every side page readable in both languages: each group box of the page
// gets at least the size it needs, no two controls of a box or of the page lie over each
// other, and every box can be seen in the panel or reached by scrolling the page.
TEST_F(WindowTest, SidePagesStayReadableInASmallWindow) {
  const char* const frames[] = {"fraPlcSetup", "fraSetup", "fraAlias", "fraDump", "fraWatch"};
  for (const char* korean : {"0", "1"}) {
    ini->WriteString("Setup", "KoreanMenu", korean);
    ini->WriteString("Setup", "TipShow", "0");
    Start();
    window->show();
    window->resize(600, 400);
    QApplication::processEvents();
    for (int page = 1; page <= 5; ++page) {
      window->SelectSidePage(page);
      QApplication::processEvents();
      QWidget* frame = window->Frame(frames[page - 1]);
      const std::string where = std::string(frames[page - 1]) + " korean " + korean;
      auto checkOverlaps = [&](QWidget* parent) {
        QList<QWidget*> shown;
        for (QWidget* w : parent->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
          if (w->isVisibleTo(parent) && !w->isWindow()) shown << w;
        for (qsizetype i = 0; i < shown.size(); ++i)
          for (qsizetype j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(Overlap(shown[i]->geometry(), shown[j]->geometry()))
                << where << ": " << shown[i]->objectName().toStdString() << " over "
                << shown[j]->objectName().toStdString() << " in " << parent->objectName().toStdString();
      };
      for (QGroupBox* box : frame->findChildren<QGroupBox*>()) {
        if (!box->isVisibleTo(frame)) continue;
        const std::string name = where + " " + box->objectName().toStdString();
        EXPECT_GE(box->height(), box->minimumSizeHint().height()) << name;
        EXPECT_GE(box->width(), box->minimumSizeHint().width()) << name;
        checkOverlaps(box);
        checkOverlaps(box->parentWidget());
        // In sight, or in a page that scrolls far enough to bring it into sight.
        auto* area = frame->findChild<QScrollArea*>();
        if (area && area->widget()->isAncestorOf(box)) {
          const QRect inPage(box->mapTo(area->widget(), QPoint(0, 0)), box->size());
          EXPECT_LE(inPage.bottom() + 1, area->viewport()->height() + area->verticalScrollBar()->maximum()) << name;
          EXPECT_LE(inPage.right() + 1, area->viewport()->width() + area->horizontalScrollBar()->maximum()) << name;
        } else {
          const QRect inFrame(box->mapTo(frame, QPoint(0, 0)), box->size());
          EXPECT_TRUE(frame->rect().contains(inFrame)) << name;
        }
      }
    }
    window.reset();
  }
}

TEST_F(WindowTest, LayoutPlacesThePanes) {
  Start();
  window->show();
  window->resize(1000, 750);
  QApplication::processEvents();
  QWidget* board = window->findChild<QWidget*>("picBoard");
  QWidget* tabMain = window->findChild<QWidget*>("tabMain");
  QWidget* ladderBar = window->findChild<QWidget*>("tbrLadder");
  EXPECT_EQ(board->x(), 4320 / 15);
  // The board starts at its place under the ladder toolbar, which ends above the two rule
  // lines across the board, and ends where the layout says.
  EXPECT_EQ(board->y(), 720 / 15);
  for (const char* name : {"tbrEndLine", "tbrEndLine2"}) {
    QWidget* line = window->findChild<QWidget*>(name);
    ASSERT_TRUE(line && line->isVisible()) << name;
    EXPECT_EQ(line->parentWidget(), board);
    EXPECT_EQ(line->width(), board->width());
    EXPECT_GT(board->y() + line->y(), ladderBar->geometry().bottom()) << name;
  }
  EXPECT_EQ(window->findChild<QWidget*>("tbrEndLine")->y(), 22);
  EXPECT_EQ(window->findChild<QWidget*>("tbrEndLine2")->y(), 22);
  const int boardBottom = 720 + (window->height() * 15 + kDesignFrameHeight - 1600) - 800;
  EXPECT_NEAR(board->geometry().bottom() + 1, boardBottom / 15, 1);
  EXPECT_NEAR(board->width(), tabMain->width() - 310 / 15, 1);
  EXPECT_NEAR(tabMain->width(), (window->width() * 15 + kDesignFrameWidth - 4285) / 15, 1);
  QWidget* memo = window->Memo();
  window->SelectSidePage(6);
  EXPECT_TRUE(memo->isVisible());
  EXPECT_EQ(memo->y(), 800 / 15);
  EXPECT_FALSE(window->Frame("fraPlcSetup")->isVisible());
  window->resize(1010, 760);
  QApplication::processEvents();
  EXPECT_EQ(memo->y(), 720 / 15);
  window->resize(100, 80);  // far too small: nothing breaks
  QApplication::processEvents();
  window->hide();
}

// The layout that start-up leaves is the one a resize to the same size gives, on each main
// tab: nothing moves when the window manager's frame becomes known, and the Ladder tab stays
// in sight above the mnemonic view.
TEST_F(WindowTest, TheFirstLayoutIsTheLayoutAfterAResize) {
  ini->WriteString("Setup", "TipShow", "0");
  Start();
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  QApplication::processEvents();
  for (int tab : {1, 2}) EXPECT_EQ(shell_test::PlacesMovedByAResize(*window, tab), std::vector<std::string>()) << tab;
  EXPECT_TRUE(shell_test::LadderTabReachable(*window));
}

// The panes lie where they lie whatever frame the window system draws around the window: a
// framed window and one without a frame (as without a window manager) of the same size are
// laid out alike, the tab strips and the side panel end above the status bar, and the main
// tab strip ends inside the window.
TEST_F(WindowTest, TheLayoutDoesNotFollowTheWindowFrame) {
  ini->WriteString("Setup", "TipShow", "0");
  std::map<std::string, std::string> framed;
  for (bool frameless : {false, true}) {
    Start();
    if (frameless) window->setWindowFlag(Qt::FramelessWindowHint);
    window->resize(1000, 750);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QApplication::processEvents();
    ASSERT_EQ(window->frameGeometry().size() == window->size(), frameless);
    const auto placed = ControlPlaces(*window);
    if (!frameless) {
      framed = placed;
      QWidget* status = window->findChild<QWidget*>("sbrMain");
      const int statusTop = status->mapTo(window.get(), QPoint(0, 0)).y();
      for (const char* name : {"tabMain", "tabInfoBody", "tabMainBody"}) {
        QWidget* w = window->findChild<QWidget*>(name);
        const QRect r(w->mapTo(window.get(), QPoint(0, 0)), w->size());
        EXPECT_LE(r.bottom(), statusTop) << name;
        EXPECT_LE(r.right(), window->width() - 1) << name;
      }
    } else {
      EXPECT_EQ(shell_test::Differences(framed, placed), std::vector<std::string>());
    }
    window.reset();
  }
}

TEST_F(WindowTest, SidePagesAndThePlcPanel) {
  std::string a = MakeProgram("a.qsl", "M0:1");
  Start();
  std::vector<int> shown;
  QObject::connect(window.get(), &FrmMain::sidePageShown, [&](int page) { shown.push_back(page); });
  // A new program is unchanged: leaving the PLC page changes nothing in it.
  compiler::PlcSetup before = studio->doc.Setup;
  window->SelectSidePage(3);
  EXPECT_TRUE(studio->shell.SourceSaved);
  EXPECT_EQ(before.PlcModel, studio->doc.Setup.PlcModel);
  EXPECT_EQ(before.IoDir, studio->doc.Setup.IoDir);
  window->SelectSidePage(3);  // the same tab again still runs the page's handler
  EXPECT_EQ(shown, (std::vector<int>{3, 3}));
  EXPECT_EQ(window->SidePage(), 3);

  // Opening a program shows the PLC page with the program's setup.
  dialogs.open = {a};
  window->Commands().mnuOpen->trigger();
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_EQ(studio->shell.CurFilePath, a);
  EXPECT_EQ(window->SidePage(), 1);
  EXPECT_FALSE(window->Frame("fraPlcSetup")->isHidden());
  // A change on the PLC page reaches the document when the page is left, and marks it changed.
  window->PlcModel().ChooseModelRow(0);  // ZQV-A
  window->PlcPage()->Load();
  EXPECT_TRUE(studio->shell.SourceSaved || studio->doc.Setup.PlcModel == 10);
  window->SelectSidePage(2);
  EXPECT_EQ(studio->doc.Setup.PlcModel, 10);
  EXPECT_FALSE(studio->shell.SourceSaved);
}

// The PLC page hands its edits to the document when it is left; while it is shown they count
// for the save question of New, Open, a recent file and the close all the same.
TEST_F(WindowTest, AnEditOnTheShownPlcPageIsAskedAbout) {
  Start();
  window->show();
  ASSERT_FALSE(window->Frame("fraPlcSetup")->isHidden());
  ASSERT_TRUE(studio->shell.SourceSaved);
  PlcPanelWidget* page = window->PlcPage();
  auto askedOnce = [&](const char* what) {
    ASSERT_EQ(sink.shown.size(), 1u) << what;
    EXPECT_EQ(sink.shown[0].text, msg::kSourceChanged.english) << what;
    sink.shown.clear();
  };

  // One port direction ticked, then New: the question; Cancel keeps the page as it is.
  const bool wasInput = page->portBox(2)->isChecked();
  page->portBox(2)->click();
  ASSERT_NE(page->portBox(2)->isChecked(), wasInput);
  sink.answers = {platform::MsgResult::Cancel};
  window->Commands().mnuNew->trigger();
  askedOnce("a port direction");
  EXPECT_NE(page->portBox(2)->isChecked(), wasInput);
  EXPECT_FALSE(studio->shell.SourceSaved);

  // "No Use", then the close.
  sink.answers = {platform::MsgResult::No};
  window->Files().New();
  sink.shown.clear();
  page->commOption(0)->click();
  sink.answers = {platform::MsgResult::Cancel};
  EXPECT_FALSE(window->close());
  askedOnce("the communication mode");

  // The node, typed, then Open; No drops the edit with the program.
  sink.answers = {platform::MsgResult::No};
  window->Files().New();
  sink.shown.clear();
  page->nodeEdit()->setFocus();
  page->nodeEdit()->selectAll();
  QTest::keyClicks(page->nodeEdit(), "12");
  std::string a = MakeProgram("a.qsl", "M0:1");
  sink.shown.clear();
  dialogs.open = {a};
  sink.answers = {platform::MsgResult::No};
  window->Commands().mnuOpen->trigger();
  askedOnce("the node");
  EXPECT_EQ(studio->shell.CurFilePath, a);
  EXPECT_EQ(page->nodeEdit()->text(), "0");
  // The directions the model forces on the opened program (P1 outputs on ZQV-E, inputs in the
  // file) are shown without an edit: New asks nothing.
  ASSERT_EQ(studio->doc.Setup.IoDir[8], 1);
  ASSERT_FALSE(page->portBox(8)->isChecked());
  window->Commands().mnuNew->trigger();
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_EQ(studio->shell.CurFilePath, kUntitled);
}

TEST_F(WindowTest, StatusBarAndGauge) {
  Start();
  platform::StatusPort& status = *window;
  status.SetStatusText("Downloading...");
  EXPECT_EQ(window->StatusText(), "Downloading...");
  status.SetGauge(30, 60);
  EXPECT_EQ(window->Gauge()->maximum(), 60);
  EXPECT_EQ(window->Gauge()->value(), 30);
  status.SetGauge(0, 0);
  EXPECT_FALSE(window->Gauge()->isVisible());
}

namespace {

// A ladder pane that records what the window asks of it.
struct RecordingPane : LadderPane {
  std::vector<std::string> calls;
  void Redraw() override { calls.push_back("redraw"); }
  void Clear() override { calls.push_back("clear"); }
  void Reset() override { calls.push_back("reset"); }
};

}  // namespace

TEST_F(WindowTest, TheHostedPaneAndTheWindowsSignalsFollowTheProgram) {
  std::string a = MakeProgram("a.qsl", "P0:1");
  {
    auto other = std::make_unique<compiler::Studio>();
    other->messages = &sink;
    ASSERT_FALSE(compiler::SaveWatchFile(*other, a));
  }
  Start();
  RecordingPane pane;
  window->SetBoard(new QWidget, pane);
  std::vector<std::string> events;
  QObject::connect(window.get(), &FrmMain::ladderReset, [&] { events.push_back("reset"); });
  QObject::connect(window.get(), &FrmMain::deviceModelChanged, [&] { events.push_back("model"); });
  QObject::connect(window.get(), &FrmMain::watchListReplaced, [&] { events.push_back("watch"); });
  QObject::connect(window.get(), &FrmMain::mainTabChanged,
                   [&](int tab) { events.push_back("tab " + std::to_string(tab)); });

  // Opening: the pane starts from the top and paints; the pages hear of the new program,
  // its model (read, then shown on the PLC page) and its watch list.
  pane.calls.clear();
  dialogs.open = {a};
  window->Commands().mnuOpen->trigger();
  ASSERT_EQ(studio->shell.CurFilePath, a);
  EXPECT_EQ(pane.calls, (std::vector<std::string>{"reset", "redraw"}));
  EXPECT_EQ(events, (std::vector<std::string>{"reset", "model", "watch", "model"}));

  // A new program clears the pane first; there is no watch list to replace.
  pane.calls.clear();
  events.clear();
  window->Commands().mnuNew->trigger();
  EXPECT_EQ(pane.calls, (std::vector<std::string>{"clear", "reset", "redraw"}));
  EXPECT_EQ(events, (std::vector<std::string>{"reset", "model"}));

  // A model chosen on the PLC page changes the program and the device map.
  events.clear();
  window->PlcModel().ChooseModelRow(0);
  EXPECT_FALSE(studio->shell.SourceSaved);
  EXPECT_EQ(events, (std::vector<std::string>{"model"}));

  events.clear();
  window->SelectMainTab(2);
  window->SelectMainTab(2);  // the same tab again is chosen anew
  window->SelectMainTab(1);
  EXPECT_EQ(events, (std::vector<std::string>{"tab 2", "tab 2", "tab 1"}));
  studio->shell.SourceSaved = true;
}
