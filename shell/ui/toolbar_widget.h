#pragma once
// The main toolbar: twelve command buttons between separators, tool tips in English in both
// languages. A click runs the dispatcher with the button's command.

#include <QToolBar>
#include <functional>

#include "shell/toolbar.h"

class QAction;

namespace shell {

class MainToolbar : public QToolBar {
  Q_OBJECT
 public:
  explicit MainToolbar(std::function<void(ToolbarCommand)> dispatch, QWidget* parent = nullptr);

  // The action of button index 1..18 (separators included), or null.
  QAction* buttonAt(int index) const;
  // Runs the command of a button index; separators and other indices do nothing.
  void ButtonClicked(int index);

 signals:
  void commandTriggered(shell::ToolbarCommand command);

 private:
  std::function<void(ToolbarCommand)> dispatch_;
  QList<QAction*> buttons_;
};

}  // namespace shell
