#pragma once
// The ladder view of the studio's window: the board `picBoard` that shows the painted
// ladder, its scroll bar `vsbMain` and the operand box `cboCMD`. It paints into one
// persistent image (paintEvent only copies it), feeds the board's keys and the operand
// box's Enter and Esc to the ladder editor, and is the editor's host (EditorHost).
//
// The host window sets the studio and follows the user's settings into the view (the view
// keeps its own geometry, colours, alias display and font), tells it when monitor mode
// starts or ends, places the operand box (operandBox()) where it wants, and listens to the
// signals.

#include <QLineEdit>
#include <QScrollBar>
#include <QWidget>
#include <memory>

#include "compiler/studio_state.h"
#include "ladder/editor_host.h"
#include "ladder/ladder_editor.h"
#include "ladder/scroll_model.h"
#include "ladder/ui/image_surface.h"
#include "ladder/view_state.h"

namespace ladder {

class LadderView;

// The board: shows the image, hands keys, focus, size and mouse to the view. Focus that
// leaves the window with it (a message box, a menu, another window) takes no repaint, so
// that what the board shows, an error mark included, is there again when it comes back.
class LadderBoard : public QWidget {
  Q_OBJECT
 public:
  explicit LadderBoard(LadderView* view);
  // The view is going away: events from here on are not passed to it.
  void Detach() { view_ = nullptr; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool focusNextPrevChild(bool) override { return false; }  // Tab is a ladder key here

 private:
  LadderView* view_;
};

// The operand box: Enter stores its text, Esc leaves the cell alone.
class OperandBox : public QLineEdit {
  Q_OBJECT
 public:
  explicit OperandBox(LadderView* view);
  void Detach() { view_ = nullptr; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  LadderView* view_;
};

class LadderView : public QWidget, private EditorHost {
  Q_OBJECT
 public:
  explicit LadderView(QWidget* parent = nullptr);
  ~LadderView() override;

  // The studio whose document is shown and edited.
  void setStudio(compiler::Studio* studio);
  compiler::Studio* studio() const { return studio_; }

  // View settings. A new cell size puts the cursor on the first cell and scrolls to the
  // top; a new row gap does not move the cursor. Each repaints.
  void setCellSize(int cunit);
  void setRowGap(int csai);
  void setColorScheme(int color);  // 1 white, any other value black
  void setAliasFirst(int aliasFirst);
  void setSurfaceFont(const SurfaceFont& font);
  // Monitor mode started or ended (the studio's MonitorOn is already set): the operand
  // box is hidden while monitoring, and the keys other than paging and the arrows rest.
  void setMonitorOn(bool on);

  // Painting.
  void drawLadder();
  void drawLadderBackground();  // cleared board with rail and row numbers only (New)
  void drawCursor();
  // The inverting rectangle of the studio's selection, or of given corners (columns,
  // absolute rows); drawing the same rectangle again removes it.
  void drawBlockSelection();
  void drawBlockSelection(int col1, int row1, int col2, int row2);
  // Puts the cursor on the screen after CurCol, CurRow or TopRow were set from outside,
  // moves the scroll bar to TopRow without moving the cursor, and repaints.
  void showCursorCell();
  // The operand box shows the cursor cell's text.
  void showCellText();
  // After a failed build step put the cursor on a cell: shows it from TopRow with "ERROR"
  // printed over it, the cursor drawn and the board holding the keyboard. The mark stays
  // until the next repaint.
  void showErrorCell();
  // Prints "ERROR" over the cursor cell.
  void markError();

  // The element toolbar's buttons 1..11.
  void toolbarClick(int index);

  LadderViewState& viewState() { return view_; }
  ScrollModel& scrollModel() { return scroll_; }
  LadderEditor& editor() { return *editor_; }
  ImageSurface& surface() { return surface_; }
  LadderBoard* board() const { return board_; }
  QScrollBar* scrollBar() const { return vsbMain_; }
  OperandBox* operandBox() const { return cboCMD_; }

  // A command may have scanned for the END row (Save, Print, a build): once after each scan
  // that found it the scroll bar's maximum is reset to the END row, the first shown row
  // following when it stood below. A command that wants its rows brought back calls this;
  // every repaint, showCursorCell and scrollMaximum take the new END row first but leave the
  // rows where they are, so that a repaint for any other reason (a focus change, a resize)
  // moves nothing: with the first shown row below END the range stays as the scrolling made it.
  void followEndLine();
  // The scroll bar's maximum, with an END row found since the last look taken in as a repaint
  // takes it. Go to reaches the rows above it.
  int scrollMaximum();

 signals:
  void statusText(const QString& text);  // second panel of the status bar
  void sourceChanged();                  // an edit changed the program
  void operandBoxFocused();
  void beeped();
  // Mouse on the board, in twips (button 1 left, 2 right, 4 middle; shift as the keys).
  void boardMousePressed(int button, int shift, double xTwips, double yTwips);
  void boardMouseMoved(int button, int shift, double xTwips, double yTwips);

 private:
  friend class LadderBoard;
  friend class OperandBox;
  // EditorHost
  void DrawLadder() override { drawLadder(); }
  void DrawCursor() override { drawCursor(); }
  void SetOperandText(const platform::AnsiText& text) override;
  void FocusOperandBox() override;
  void TypeIntoOperandBox(char ch) override;
  void ClearOperandBox() override;
  void FocusBoard() override;
  void Beep() override;
  void SourceChanged() override { emit sourceChanged(); }
  double BoardHeight() const override;

  void boardKey(QKeyEvent* event);
  void operandEnter();
  void operandEscape();
  void boardResized();
  void mirrorScroll();
  // How a found END row reaches the scroll bar: the first shown row follows it up (as the
  // user's scrolling does), or stays (with the range the scrolling made when it lies below
  // END), or stays while the caller places the bar at TopRow itself.
  enum class EndFollow { MoveRows, KeepRows, CallerPlaces };
  void followEndLine(EndFollow how);

  compiler::Studio* studio_ = nullptr;
  std::unique_ptr<compiler::Studio> ownStudio_;  // until the host gives one
  uint32_t endLineScansSeen_ = 0;                // studio_->EndLineScans at the last followEndLine
  LadderViewState view_;
  ScrollModel scroll_;
  ImageSurface surface_;
  std::unique_ptr<LadderEditor> editor_;
  LadderBoard* board_;
  QScrollBar* vsbMain_;
  OperandBox* cboCMD_;
};

}  // namespace ladder
