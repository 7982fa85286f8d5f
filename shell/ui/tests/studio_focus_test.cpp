// The studio's first minute at the keyboard: the window with its ladder view started on the
// last program, real message boxes and dialogs, keys sent to the window as the display server
// brings them. The ladder board holds the keyboard from the first show and gets it back after
// every box and from the Mnemonic tab; the status bar names the cursor's cell; nothing moves
// under a question.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSlider>
#include <QTabBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <functional>
#include <memory>

#include "compiler/program_file.h"
#include "compiler/studio_state.h"
#include "ladder/ui/goto_find_dialogs.h"
#include "ladder/ui/ladder_view.h"
#include "platform/tests/qt_test_app.h"
#include "shell/tests/shell_test_support.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/ladder_wiring.h"
#include "shell/ui/plc_panel_widget.h"
#include "shell/ui/qt_message_sink.h"
#include "shell/ui/view_settings_widget.h"

using namespace shell;

namespace {

using shell_test::TempDir;

// Answers each message box or dialog that comes up with `answer`, after `look` has seen it.
class ModalAnswerer {
 public:
  ModalAnswerer() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || !modal->isVisible()) return;
      ++seen;
      if (look) look(modal);
      if (auto* box = qobject_cast<QMessageBox*>(modal); box && enter)
        QTest::keyClick(box->windowHandle(), Qt::Key_Return);  // its default button
      else if (box)
        (box->button(answer) ? box->button(answer) : box->button(QMessageBox::Ok))->click();
      else if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    });
    timer_.start(10);
  }
  QMessageBox::StandardButton answer = QMessageBox::Cancel;
  bool enter = false;  // answer message boxes with the Enter key instead
  std::function<void(QWidget*)> look;
  int seen = 0;

 private:
  QTimer timer_;
};

struct StudioFocusTest : ::testing::Test {
  TempDir dir;
  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();
  QtMessageSink boxes;
  std::unique_ptr<ProfileFile> ini;
  std::unique_ptr<FrmMain> window;
  LadderWiring ladder;
  std::string program;

  void SetUp() override {
    TestApp();
    studio->messages = &boxes;
    ini = std::make_unique<ProfileFile>(dir / "ZQVSTUDIO.INI");
    platform::RecordingMessageSink quiet;
    program = shell_test::MakeProgram(dir, "pump.qsl", "M0:5", quiet);
    ini->WriteString("LastOpen", "File1", program);
  }
  void TearDown() override { window.reset(); }
  // The window as zqvstudio starts it: built, the ladder hosted, loaded, shown; no click.
  void Start() {
    window = std::make_unique<FrmMain>(*studio, *ini, dir.path);
    boxes.SetParent(window.get());
    ladder = WireLadder(*window);
    window->Form_Load();
    window->resize(1000, 750);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QApplication::processEvents();
  }
  void Keys(const QString& keys) {
    for (QChar ch : keys) QTest::keyClick(window->windowHandle(), ch.toLatin1());
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(window->windowHandle(), key, mods);
  }
  // F3, "p0:0", Enter, as typed: a contact P0:0 in the cursor's cell.
  void TypeContact() {
    Key(Qt::Key_F3);
    Keys("p0:0");
    Key(Qt::Key_Return);
  }
  compiler::ProgramDocument& doc() { return studio->doc; }
  QWidget* board() { return ladder.view->board(); }
  // Red pixels on the frame of the cursor cell: the cursor box is drawn.
  bool CursorBoxDrawn() {
    const ladder::LadderViewState& s = ladder.view->viewState();
    const QImage& image = ladder.view->surface().Image();
    const int px = 1440 / 96;
    return image.pixelColor(s.CurX / px, (s.CurY + s.geo.CellH / 2) / px) == QColor(255, 0, 0);
  }
  QTabBar* mainTabs() { return window->findChild<QTabBar*>("tabMain"); }
  void ClickMainTab(int tab) {
    QTest::mouseClick(mainTabs(), Qt::LeftButton, {}, mainTabs()->tabRect(tab - 1).center());
  }
  // The ladder holds the keys with its cursor box drawn, and an arrow key moves the cursor.
  void LadderHasTheKeys(const char* how) {
    EXPECT_FALSE(window->Mnemonic()->isVisible()) << how;
    EXPECT_EQ(QApplication::focusWidget(), board()) << how;
    EXPECT_TRUE(CursorBoxDrawn()) << how;
    const int row = doc().CurRow;
    Key(Qt::Key_Down);
    EXPECT_EQ(doc().CurRow, row + 1) << how;
    EXPECT_EQ(window->StatusText().toStdString(), "X:1  Y:" + std::to_string(row + 2)) << how;
  }
};

}  // namespace

TEST_F(StudioFocusTest, TheReopenedProgramTakesKeysFromTheFirstShow) {
  Start();
  ASSERT_EQ(doc().CellText[0][0], "M0:5");
  EXPECT_EQ(QApplication::focusWidget(), board());
  EXPECT_TRUE(CursorBoxDrawn());
  EXPECT_EQ(window->StatusText(), "X:1  Y:1");

  TypeContact();
  EXPECT_EQ(doc().CellType[0][0], compiler::kContactNO);
  EXPECT_EQ(doc().CellText[0][0], "P0:0");
  EXPECT_EQ(QApplication::focusWidget(), board());  // Enter hands the keys back to the board
}

TEST_F(StudioFocusTest, TheBoardHasTheKeyboardAgainAfterEachBoxAndDialog) {
  Start();
  ModalAnswerer answerer;
  auto keysAct = [this](const char* after) {
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get())) << after;
    EXPECT_EQ(QApplication::focusWidget(), board()) << after;
    doc().CellType[0][0] = compiler::kEmpty;
    Key(Qt::Key_F4);
    EXPECT_EQ(doc().CellType[0][0], compiler::kContactNC) << after;
  };

  // A message box: Save refuses a program without END.
  doc().CellText[9][1].clear();
  window->Commands().mnuSave->trigger();
  EXPECT_EQ(answerer.seen, 1);
  keysAct("a message box");

  // The close question answered Cancel.
  answerer.seen = 0;
  studio->shell.SourceSaved = false;
  window->close();
  EXPECT_EQ(answerer.seen, 1);
  EXPECT_TRUE(window->isVisible());
  keysAct("the close question");

  // The studio's own dialogs.
  for (QAction* command : {window->Commands().mnuAboutKorvaneStudio, window->Commands().mnuOption,
                           window->Commands().mnuGotoLine, window->Commands().mnuSearch}) {
    answerer.seen = 0;
    command->trigger();
    EXPECT_EQ(answerer.seen, 1) << command->objectName().toStdString();
    keysAct(command->objectName().toLatin1().constData());
  }
}

TEST_F(StudioFocusTest, ASizeChangeShowsTheCursorOnTheFirstCellAndSaysSo) {
  Start();
  doc().CurCol = 1;
  doc().CurRow = 31;
  ladder.view->showCursorCell();
  ladder.view->drawCursor();
  ASSERT_EQ(window->StatusText(), "X:2  Y:32");
  ASSERT_NE(doc().CellText[1][31], doc().CellText[0][0]);

  window->SelectSidePage(2);
  QSlider* size = window->SetupPage()->sizeSlider();
  size->setFocus();
  size->setValue(size->value() == 0 ? 10 : 0);
  EXPECT_EQ(doc().CurRow, 0);
  EXPECT_EQ(doc().TopRow, 0);
  EXPECT_TRUE(CursorBoxDrawn());
  EXPECT_EQ(window->StatusText().toStdString(), "X:1  Y:1");
  EXPECT_EQ(ladder.view->operandBox()->text().toStdString(), doc().CellText[0][0]);  // the first cell's text
  EXPECT_EQ(QApplication::focusWidget(), size);  // the slider keeps the keys for the next step
}

// A saved program shown past its END row, changed again (its memo): Open from the keyboard's
// menu and New ask first, and while they ask and after Cancel the view, the cursor and the
// scroll bar are where they were.
TEST_F(StudioFocusTest, NothingMovesUnderTheSaveQuestion) {
  Start();
  for (int i = 0; i < 150; ++i) Key(Qt::Key_PageDown);
  QTest::keyClick(window->windowHandle(), Qt::Key_S, Qt::ControlModifier);  // the END row was looked for
  ASSERT_TRUE(studio->shell.SourceSaved);
  window->Memo()->setPlainText("changed");
  ASSERT_FALSE(studio->shell.SourceSaved);
  const int top = doc().TopRow, row = doc().CurRow, col = doc().CurCol;
  ASSERT_GT(top, 1100);
  const int bar = ladder.view->scrollBar()->value();

  ModalAnswerer answerer;
  int asked = 0;
  answerer.look = [&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box || !box->text().startsWith("The Source has changed.")) return;
    ++asked;
    EXPECT_EQ(doc().TopRow, top);
    EXPECT_EQ(doc().CurRow, row);
    EXPECT_EQ(ladder.view->scrollBar()->value(), bar);
  };
  auto unmoved = [&](const char* command) {
    EXPECT_EQ(asked, 1) << command;
    asked = 0;
    EXPECT_EQ(doc().TopRow, top) << command;
    EXPECT_EQ(doc().CurRow, row) << command;
    EXPECT_EQ(doc().CurCol, col) << command;
    EXPECT_EQ(ladder.view->scrollBar()->value(), bar) << command;
    EXPECT_FALSE(studio->shell.SourceSaved) << command;
    EXPECT_EQ(studio->shell.CurFilePath, program) << command;
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get())) << command;
    EXPECT_EQ(QApplication::focusWidget(), board()) << command;
  };
  // Alt+F takes the keys to the menu bar, then O.
  QTest::keyClick(window->windowHandle(), Qt::Key_F, Qt::AltModifier);
  ASSERT_NE(QApplication::activePopupWidget(), nullptr);
  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_O);
  unmoved("Open");
  window->Commands().mnuNew->trigger();
  unmoved("New");
}

// The view paged down past END and the program saved: Go to reaches the same rows whether or
// not a click elsewhere in the window came before it, and the view is not pulled back first.
TEST_F(StudioFocusTest, GotoReachesTheSameRowsWhateverHadTheKeys) {
  for (const char* between : {"nothing", "a click in the operand box"}) {
    SCOPED_TRACE(between);
    Start();
    ASSERT_EQ(doc().CellText[9][1], "END");
    for (int i = 0; i < 3; ++i) Key(Qt::Key_PageDown);
    ASSERT_EQ(doc().TopRow, 24);
    studio->shell.SourceSaved = false;
    QTest::keyClick(window->windowHandle(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(studio->shell.SourceSaved);
    if (std::string(between) != "nothing") QTest::mouseClick(ladder.view->operandBox(), Qt::LeftButton);
    QApplication::processEvents();

    // Types the row into the Go to box and presses Enter; a box that stays open is closed.
    int topWhileAsked = -1;
    bool stayedOpen = false;
    QTimer typing;
    QObject::connect(&typing, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<ladder::GotoDialog*>(QApplication::activeModalWidget());
      if (!dialog || !dialog->isVisible()) return;
      typing.stop();
      topWhileAsked = doc().TopRow;
      QTest::keyClicks(dialog->textBox(), "10");
      QTest::keyClick(dialog->textBox(), Qt::Key_Return);
      if (dialog->isVisible()) {
        stayedOpen = true;
        dialog->reject();
      }
    });
    typing.start(10);
    QTest::keyClick(window->windowHandle(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(topWhileAsked, 24);
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(doc().TopRow, 9);
    EXPECT_EQ(doc().CurRow, 9);
    EXPECT_EQ(doc().CurCol, 0);
    EXPECT_EQ(ladder.view->scrollBar()->value(), 9);
    window.reset();
  }
}

// Cells drawn below END, and the window closed: Enter at the save question saves (Yes), and
// Enter at the notice that the file left those cells out keeps the studio open with them. So
// do New and Open.
TEST_F(StudioFocusTest, EnterThroughTheCloseKeepsCellsDrawnBelowEnd) {
  Start();
  ASSERT_EQ(doc().CellText[9][1], "END");
  Key(Qt::Key_Down);
  Key(Qt::Key_Down);
  Key(Qt::Key_Down);
  TypeContact();
  ASSERT_EQ(doc().CellText[0][3], "P0:0");
  ASSERT_FALSE(studio->shell.SourceSaved);

  ModalAnswerer answerer;
  answerer.enter = true;
  QStringList asked;
  answerer.look = [&](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) asked << box->text();
  };
  const QString notice =
      "Cells after END are not saved (first at row 4). Move END below them to keep them.\n"
      "Do you want to close the program anyway ?";
  auto kept = [&](const char* how) {
    ASSERT_EQ(asked.size(), 2) << how;
    EXPECT_TRUE(asked[0].startsWith("The Source has changed.")) << how;
    EXPECT_EQ(asked[1], notice) << how;
    asked.clear();
    EXPECT_TRUE(window->isVisible()) << how;
    EXPECT_EQ(studio->shell.CurFilePath, program) << how;
    EXPECT_EQ(doc().CellText[0][3], "P0:0") << how;
    EXPECT_FALSE(studio->shell.SourceSaved) << how;
  };
  EXPECT_FALSE(window->close());
  kept("the close");
  auto check = std::make_unique<compiler::Studio>();
  platform::RecordingMessageSink quiet;
  check->messages = &quiet;
  ASSERT_TRUE(compiler::LoadProgramFile(*check, program));  // saved as far as END
  EXPECT_EQ(check->doc.CellText[9][1], "END");
  EXPECT_TRUE(check->doc.CellText[0][3].empty());

  window->Commands().mnuNew->trigger();
  kept("New");
  window->Commands().mnuOpen->trigger();
  kept("Open");
}

// The Mnemonic tab takes the keys; choosing the Ladder tab again, by a click or from the
// keyboard, gives them back to the ladder with its cursor box, not to the side panel.
TEST_F(StudioFocusTest, TheLadderTabGivesTheLadderTheKeysBack) {
  Start();
  ClickMainTab(2);
  ASSERT_TRUE(window->Mnemonic()->isVisible());
  ASSERT_EQ(QApplication::focusWidget(), window->Mnemonic());
  ClickMainTab(1);
  LadderHasTheKeys("a click on Ladder");

  // The keyboard's way: Shift+Tab from the view to the tab strip, then Left.
  ClickMainTab(2);
  ASSERT_EQ(QApplication::focusWidget(), window->Mnemonic());
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  ASSERT_EQ(QApplication::focusWidget(), mainTabs());
  Key(Qt::Key_Left);
  LadderHasTheKeys("Left on the tab strip");

  // The platform's keys for the next and the previous tab, in the view and on the strip.
  ClickMainTab(2);
  Key(Qt::Key_Tab, Qt::ControlModifier);
  LadderHasTheKeys("Ctrl+Tab in the view");
  ClickMainTab(2);
  Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  LadderHasTheKeys("Ctrl+Shift+Tab in the view");
  ClickMainTab(2);
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  Key(Qt::Key_Tab, Qt::ControlModifier);
  LadderHasTheKeys("Ctrl+Tab on the tab strip");
}

// A command that gives the ladder the keys while the Mnemonic tab covers it shows the ladder:
// the keys never edit a ladder the user cannot see.
TEST_F(StudioFocusTest, ALadderThatTakesTheKeysIsShown) {
  Start();
  ClickMainTab(2);
  ASSERT_EQ(QApplication::focusWidget(), window->Mnemonic());
  Key(Qt::Key_I, Qt::ControlModifier);  // Insert Line, from the Edit menu's keys
  EXPECT_EQ(doc().CellText[0][1], "M0:5");
  LadderHasTheKeys("Insert Line");

  ClickMainTab(2);
  studio->shell.SourceSaved = true;
  window->Files().OpenRecent(1);
  EXPECT_EQ(doc().CellText[0][0], "M0:5");
  LadderHasTheKeys("a recent file");
}

// New, from the toolbar, the File menu's keys or Ctrl+N, whatever held the keys before: the
// new program's first cell has the cursor box and the ladder has the keys, as at start-up.
TEST_F(StudioFocusTest, NewGivesTheLadderTheKeysOnTheFirstCell) {
  Start();
  ModalAnswerer answerer;
  answerer.answer = QMessageBox::No;
  auto elsewhere = [this] {  // the cursor away from the first cell
    Key(Qt::Key_Down);
    Key(Qt::Key_Right);
    ASSERT_EQ(doc().CurRow, 1);
  };
  auto firstCell = [this](const char* how) {
    EXPECT_EQ(studio->shell.CurFilePath, kUntitled) << how;
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get())) << how;
    QApplication::processEvents();
    EXPECT_FALSE(window->Mnemonic()->isVisible()) << how;
    EXPECT_EQ(QApplication::focusWidget(), board()) << how;
    EXPECT_TRUE(CursorBoxDrawn()) << how;
    EXPECT_EQ(window->StatusText().toStdString(), "X:1  Y:1") << how;
    Key(Qt::Key_Right);
    EXPECT_EQ(window->StatusText().toStdString(), "X:2  Y:1") << how;
    studio->shell.CurFilePath = program;  // so that the next New is seen to run
  };

  // The model list took the keys, and Down chose another model: the toolbar's New asks first.
  elsewhere();
  QComboBox* models = window->PlcPage()->modelList();
  models->setFocus(Qt::TabFocusReason);
  const int model = models->currentIndex();
  Key(Qt::Key_Down);
  ASSERT_NE(models->currentIndex(), model);
  ASSERT_FALSE(studio->shell.SourceSaved);
  auto* toolbar = window->findChild<QToolBar*>("tbrMain");
  QTest::mouseClick(toolbar->widgetForAction(window->Commands().mnuNew), Qt::LeftButton);
  EXPECT_EQ(answerer.seen, 1);
  firstCell("the toolbar's New");

  // From the Mnemonic tab, through the File menu's keys.
  elsewhere();
  ClickMainTab(2);
  Key(Qt::Key_F, Qt::AltModifier);
  ASSERT_NE(QApplication::activePopupWidget(), nullptr);
  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_N);
  firstCell("File > New");

  // From the memo.
  elsewhere();
  window->SelectSidePage(6);
  window->Memo()->setFocus(Qt::MouseFocusReason);
  Key(Qt::Key_N, Qt::ControlModifier);
  firstCell("Ctrl+N");
}
