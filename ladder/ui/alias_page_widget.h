#pragma once
// The alias page of the side panel: a tab strip P, M, K, C, T, the list of the chosen table
// drawn with its labels and rules, a scroll bar, and a one-line editor that opens on the
// clicked entry and stores it with Enter.

#include <QWidget>

#include "compiler/studio_state.h"

class QLineEdit;
class QScrollBar;
class QTabBar;

namespace ladder {

class AliasListView;

class AliasPageWidget : public QWidget {
  Q_OBJECT
 public:
  AliasPageWidget(compiler::Studio& studio, QWidget* parent = nullptr);

  // A tab was chosen (index 1..5 = P, M, K, C, T); the side panel also calls it each time
  // the alias page is shown so that the page is redrawn.
  void ChoosePage(int tabIndex);
  // Redraws the current page from its first entry (after a program was loaded or cleared).
  void Redraw();
  // Shows the current page from its first entry (the window does so when its size changed).
  void ShowFirstEntry();

  // Opens the editor on the row under (x, y) in twips of the list; for the mouse and tests.
  void ClickAt(int xTwips, int yTwips);
  // Enter in the editor.
  void CommitEditor();

  QTabBar* tabs() const { return tabs_; }
  QScrollBar* scrollBar() const { return scroll_; }
  QLineEdit* editor() const { return editor_; }
  AliasListView* list() const { return list_; }
  // Height of one row in twips (the height of "Ag" in the list's font).
  int LineHeightTwips() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ScrollChanged(int value);

  compiler::Studio& studio_;
  QTabBar* tabs_;
  AliasListView* list_;
  QScrollBar* scroll_;
  QLineEdit* editor_;
};

// The drawn list (the picture box of the page).
class AliasListView : public QWidget {
  Q_OBJECT
 public:
  AliasListView(compiler::Studio& studio, AliasPageWidget* page);
  int InnerWidthTwips() const;
  int InnerHeightTwips() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  compiler::Studio& studio_;
  AliasPageWidget* page_;
};

}  // namespace ladder
