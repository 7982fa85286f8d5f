// The ladder view widget driven by real key events: a program typed on the board and in
// the operand box is saved and translates cleanly; pictures of it in both schemes.

#include "ladder/ui/ladder_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <filesystem>
#include <memory>

#include "compiler/program_file.h"
#include "compiler/tests/monitor_flag_support.h"
#include "compiler/translator.h"
#include "ladder/ui/key_codes.h"

namespace ladder {
namespace {

using namespace compiler;

void Press(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
  QKeyEvent down(QEvent::KeyPress, key, mods, text);
  QApplication::sendEvent(w, &down);
  QKeyEvent up(QEvent::KeyRelease, key, mods, text);
  QApplication::sendEvent(w, &up);
}

// Types a text into the operand box as key presses.
void TypeText(QWidget* box, const QString& text) {
  for (QChar ch : text) {
    int key = ch.toUpper().unicode();
    Qt::KeyboardModifiers mods = Qt::NoModifier;
    if (ch == ':') mods = Qt::ShiftModifier;
    Press(box, key, mods, QString(ch));
  }
}

std::filesystem::path ArtifactDir() {
  auto dir = std::filesystem::path(ZQV_BUILD_BIN_DIR).parent_path() / "artifacts";
  std::filesystem::create_directories(dir);
  return dir;
}

class ViewTest : public ::testing::Test {
 protected:
  ViewTest() : studio(std::make_unique<Studio>()) {
    studio->messages = &messages;
    view.setStudio(studio.get());
    view.resize(1100, 700);
    view.show();
    QApplication::processEvents();
    board = view.board();
    box = view.operandBox();
  }
  // A device typed on the board: its first letter goes through the board, the rest is
  // typed into the box, Enter stores it.
  void Operand(const QString& text) {
    const QChar first = text[0];
    Press(board, first.toUpper().unicode(), Qt::NoModifier, QString(first));
    TypeText(box, text.mid(1));
    Press(box, Qt::Key_Return, Qt::NoModifier, "\r");
  }
  int Type(int c, int r) const { return studio->doc.CellType[c][r]; }
  const std::string& Text(int c, int r) const { return studio->doc.CellText[c][r]; }

  std::unique_ptr<Studio> studio;
  platform::RecordingMessageSink messages;
  LadderView view;
  QWidget* board = nullptr;
  QWidget* box = nullptr;
};

TEST(KeyCodes, QtKeysInTheBoardsNumbering) {
  EXPECT_EQ(VirtualKeyOf(Qt::Key_A, false), 65);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_F9, false), 120);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_5, true), 101);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_5, false), 53);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Minus, true), 109);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Enter, true), 13);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_PageDown, true), 34);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Slash, false), 191);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Question, false), 191);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Apostrophe, false), 222);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Less, false), 188);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Meta, false), 0);
  EXPECT_EQ(ShiftMaskOf(Qt::ShiftModifier | Qt::AltModifier | Qt::KeypadModifier), 5);
  EXPECT_EQ(ShiftMaskOf(Qt::ControlModifier), 2);
}

TEST_F(ViewTest, ProgramTypedWithKeysSavesAndTranslates) {
  studio->shell.SourceSaved = true;
  // Rung 1: P0:0 or P2:0 (branch) drives the coil P2:0.
  Press(board, Qt::Key_F3);
  Operand("p0:0");
  EXPECT_EQ(Text(0, 0), "P0:0");
  EXPECT_EQ(studio->doc.CurCol, 1);
  EXPECT_FALSE(studio->shell.SourceSaved);
  Press(board, Qt::Key_F7);
  Operand("p2:0");
  Press(board, Qt::Key_Home);
  Press(board, Qt::Key_F6);
  Press(board, Qt::Key_Down);
  Press(board, Qt::Key_F3);
  Operand("p2:0");
  // Rung 2: P0:1 starts the timer T0.
  Press(board, Qt::Key_Down);
  Press(board, Qt::Key_Home);
  Press(board, Qt::Key_F3);
  Operand("p0:1");
  Press(board, Qt::Key_F8, Qt::ShiftModifier);
  Operand("ton t0, 100");
  // Rung 3: the timer's contact drives P2:1.
  Press(board, Qt::Key_Down);
  Press(board, Qt::Key_Home);
  Press(board, Qt::Key_F3);
  Operand("t0");
  Press(board, Qt::Key_F7);
  Operand("p21");  // the colon goes in by itself
  Press(board, Qt::Key_Down);
  view.toolbarClick(kToolEndLine);

  EXPECT_EQ(Type(0, 0), kContactNO);
  EXPECT_EQ(studio->doc.VertLink[0][0], 1);
  EXPECT_EQ(Type(10, 0), kCoil);
  EXPECT_EQ(Text(10, 0), "P2:0");
  EXPECT_EQ(Text(0, 1), "P2:0");
  EXPECT_EQ(Type(9, 2), kBox);
  EXPECT_EQ(Text(9, 2), "TON T0, 100");
  EXPECT_EQ(Text(0, 3), "T0");
  EXPECT_EQ(Text(10, 3), "P2:1");
  EXPECT_EQ(Text(9, 4), "END");
  EXPECT_TRUE(messages.shown.empty());

  const auto dir = std::filesystem::temp_directory_path() / ("zqv_ladder_view_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  studio->shell.CurFilePath = (dir / "three.qsl").string();
  ASSERT_EQ(SaveProgram(*studio, studio->shell.CurFilePath, dir), SaveResult::Saved);
  EXPECT_TRUE(studio->shell.SourceSaved);

  auto reread = std::make_unique<Studio>();
  reread->messages = &messages;
  ASSERT_TRUE(LoadProgramFile(*reread, studio->shell.CurFilePath));
  const CompileResult result = CompileLadder(*reread, dir);
  EXPECT_EQ(result.outcome, CompileOutcome::Ok) << result.TransErrMsg;
  EXPECT_TRUE(messages.shown.empty());

  for (int scheme : {1, 0}) {
    view.setColorScheme(scheme);
    view.drawCursor();
    const auto name = ArtifactDir() / (scheme == 1 ? "ladder_view_white.png" : "ladder_view_black.png");
    EXPECT_TRUE(view.grab().save(QString::fromStdString(name.string())));
  }
  std::filesystem::remove_all(dir);
}

TEST_F(ViewTest, RefusedTextKeepsTheBoxAndEscLeavesTheCell) {
  Press(board, Qt::Key_F3);
  Operand("p0:9");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text.rfind("Syntax Error : ", 0), 0u);
  EXPECT_EQ(box->property("text").toString(), "P0:9");  // the board typed the first letter
  EXPECT_EQ(Text(0, 0), "");
  Press(box, Qt::Key_Escape);
  EXPECT_EQ(box->property("text").toString(), "");
  EXPECT_EQ(Text(0, 0), "");
}

TEST_F(ViewTest, HooksKeepCursorScrollAndPictureInStep) {
  studio->doc.CurCol = 4;
  studio->doc.CurRow = 40;
  studio->doc.TopRow = 38;
  view.scrollModel().SetMax(30);
  view.showCursorCell();  // as the command layer does after a command placed the cursor
  EXPECT_EQ(view.scrollModel().Value(), 38);
  EXPECT_EQ(view.scrollBar()->value(), 38);
  EXPECT_EQ(studio->doc.CurRow, 40);
  EXPECT_EQ(view.viewState().CurY, 560 + 2 * 860);
  EXPECT_EQ(view.scrollModel().Max(), 39);  // raised to let the value stand
  view.scrollModel().SetMax(100);
  view.scrollBar()->setValue(40);  // the user drags the bar
  EXPECT_EQ(studio->doc.TopRow, 40);
  EXPECT_EQ(studio->doc.CurRow, 42);

  view.setCellSize(45);
  EXPECT_EQ(view.viewState().geo.CellW, 405);
  EXPECT_EQ(studio->doc.CurRow, 0);
  EXPECT_EQ(studio->doc.TopRow, 0);
  view.setRowGap(550);
  EXPECT_EQ(view.viewState().geo.Csai, 550);
  EXPECT_EQ(view.viewState().geo.Cunit10, 4);

  compiler::MonitorFlagForTests::Set(*studio, true);
  view.setMonitorOn(true);
  EXPECT_TRUE(box->isHidden());
  Press(board, Qt::Key_F3);
  EXPECT_EQ(Type(0, 0), kEmpty);
  compiler::MonitorFlagForTests::Set(*studio, false);
  view.setMonitorOn(false);
  EXPECT_FALSE(box->isHidden());

  view.drawLadder();
  const QImage clean = view.surface().Image().copy();
  view.markError();
  EXPECT_NE(view.surface().Image(), clean);
  view.drawLadder();
  EXPECT_EQ(view.surface().Image(), clean);
}

TEST_F(ViewTest, TheScrollRangeFollowsTheEndRowOnceAfterEachScanThatFoundIt) {
  studio->doc.CellText[0][50] = "END";
  view.scrollModel().SetMax(10);
  ASSERT_FALSE(studio->FindEndLine());
  EXPECT_EQ(view.scrollModel().Max(), 10);  // nothing repainted yet
  view.drawLadder();
  EXPECT_EQ(view.scrollModel().Max(), 50);
  EXPECT_EQ(view.scrollBar()->maximum(), 50);

  view.scrollModel().SetMax(70);  // grown by scrolling past END: kept until the next scan
  view.drawLadder();
  EXPECT_EQ(view.scrollModel().Max(), 70);

  // A scan with the first shown row below END, then a repaint for another reason (the
  // focus moved, a question came up): the rows and the cursor stay, and so does the range
  // the scrolling made.
  view.scrollBar()->setValue(65);
  EXPECT_EQ(studio->doc.TopRow, 65);
  const int row = studio->doc.CurRow;
  ASSERT_FALSE(studio->FindEndLine());
  view.drawLadder();
  EXPECT_EQ(studio->doc.TopRow, 65);
  EXPECT_EQ(studio->doc.CurRow, row);
  EXPECT_EQ(view.scrollBar()->value(), 65);
  EXPECT_EQ(view.scrollModel().Max(), 70);
  // The same scan with no repaint after it: asked for its maximum (as Go to asks), the view
  // answers as the repaint would have left it, and nothing moves.
  ASSERT_FALSE(studio->FindEndLine());
  EXPECT_EQ(view.scrollMaximum(), 70);
  EXPECT_EQ(studio->doc.TopRow, 65);
  // With the view at or above END a scan brings the range back to END (END moved down to
  // row 60 here: the range grows to it).
  view.scrollBar()->setValue(40);
  studio->doc.CellText[0][50].clear();
  studio->doc.CellText[0][60] = "END";
  ASSERT_FALSE(studio->FindEndLine());
  EXPECT_EQ(view.scrollMaximum(), 60);
  EXPECT_EQ(studio->doc.TopRow, 40);
  studio->doc.CellText[0][60].clear();
  studio->doc.CellText[0][50] = "END";
  ASSERT_FALSE(studio->FindEndLine());
  EXPECT_EQ(view.scrollMaximum(), 50);

  // The command that scanned asks for it: the rows come back to END.
  view.scrollModel().SetMax(70);
  view.scrollBar()->setValue(65);
  ASSERT_FALSE(studio->FindEndLine());
  view.followEndLine();
  EXPECT_EQ(view.scrollModel().Max(), 50);
  EXPECT_EQ(studio->doc.TopRow, 50);

  // A command that placed the cursor itself (a failed build) keeps its rows.
  view.scrollModel().SetMax(70);
  view.scrollBar()->setValue(65);
  ASSERT_FALSE(studio->FindEndLine());
  studio->doc.SelectErrorCell(3, 62);
  view.showCursorCell();
  EXPECT_EQ(studio->doc.TopRow, 60);
  EXPECT_EQ(studio->doc.CurRow, 62);
  EXPECT_EQ(view.scrollBar()->value(), 60);
  EXPECT_EQ(view.scrollModel().Max(), 61);
}

TEST_F(ViewTest, TheErrorCellIsShownMarkedAndKeepsItsMarkWhileAMessageBoxIsUp) {
  view.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
  view.scrollModel().SetMax(100);
  studio->doc.CurCol = 9;
  studio->doc.CurRow = 30;
  studio->doc.TopRow = 28;
  QString status;
  QObject::connect(&view, &LadderView::statusText, [&](const QString& text) { status = text; });
  board->clearFocus();
  view.showErrorCell();
  EXPECT_EQ(view.scrollBar()->value(), 28);
  EXPECT_TRUE(board->hasFocus());
  EXPECT_EQ(status, "X:10  Y:31");
  const QImage marked = view.surface().Image().copy();

  // The focus leaves with the window (a message box comes up) and comes back: the mark stays.
  QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(board, &out);
  EXPECT_EQ(view.surface().Image(), marked);
  // Focus moving to another control of the window repaints without the cursor and the mark.
  QFocusEvent away(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(board, &away);
  EXPECT_NE(view.surface().Image(), marked);

  // Whoever gives the view the focus gives it to the board.
  box->setFocus();
  view.setFocus();
  EXPECT_TRUE(board->hasFocus());
}

}  // namespace
}  // namespace ladder
