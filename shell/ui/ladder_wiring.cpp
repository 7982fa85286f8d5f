#include "shell/ui/ladder_wiring.h"

#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QTabBar>
#include <QToolBar>
#include <memory>

#include "ladder/row_block.h"
#include "ladder/ui/alias_page_widget.h"
#include "ladder/ui/goto_find_dialogs.h"
#include "ladder/ui/ladder_view.h"
#include "ladder/ui/print_command.h"
#include "link/error_cell.h"
#include "shell/ui/frm_main.h"

namespace shell {

const ElementButton kElementButtons[11] = {
    {"-| |-", "Contact"},       {"-|/|-", "Contact (negated)"},
    {"---", "Horizontal line"}, {"|", "Vertical line"},
    {"-( )-", "Coil"},          {"[ ]", "Instruction"},
    {"CTR", "Counter"},         {"-|P|-", "Rising edge"},
    {"-|N|-", "Falling edge"},  {"-/-", "NOT"},
    {"END", "END line"},
};

namespace {

ladder::SurfaceFont SurfaceFontOf(const LadderFont& font) {
  return {font.name, font.size > 0 ? font.size : 9.0, font.bold, font.italic};
}

// The ladder view follows the user's settings: geometry, colours, alias display and font.
// Each change repaints the ladder, with the cursor when the board holds the keyboard.
class ViewFollower : public QObject, private SettingsListener {
 public:
  ViewFollower(StudioSettings& settings, ladder::LadderView& view) : QObject(&view), settings_(settings), view_(view) {
    settings_.Listen(*this);
    SettingChanged(SettingChange::Loaded);
  }

 private:
  void SettingChanged(SettingChange what) override {
    const Settings& s = settings_.Values();
    switch (what) {
      case SettingChange::Loaded: {
        // Only what differs is set: each setter repaints, and a new cell size moves the cursor.
        const ladder::LadderViewState& shown = view_.viewState();
        if (s.Cunit != shown.geo.Cunit) view_.setCellSize(s.Cunit);
        if (s.Csai != shown.geo.Csai) view_.setRowGap(s.Csai);
        if (ladder::ColorScheme::For(s.Color).Color != shown.colors.Color) view_.setColorScheme(s.Color);
        if (s.AliasFirst != shown.AliasFirst) view_.setAliasFirst(s.AliasFirst);
        view_.setSurfaceFont(SurfaceFontOf(settings_.Font()));
        return;
      }
      case SettingChange::Color:
        view_.setColorScheme(s.Color);
        break;
      case SettingChange::CellSize:
        // The cursor went to the first cell: it is shown there and the status bar names it,
        // whichever control holds the keys.
        view_.setCellSize(s.Cunit);
        view_.drawCursor();
        return;
      case SettingChange::RowGap:
        view_.setRowGap(s.Csai);
        break;
      case SettingChange::AliasFirst:
        view_.setAliasFirst(s.AliasFirst);
        break;
      case SettingChange::Font:
        view_.setSurfaceFont(SurfaceFontOf(settings_.Font()));
        break;
      default:
        return;
    }
    if (view_.board()->hasFocus()) view_.drawCursor();
  }

  StudioSettings& settings_;
  ladder::LadderView& view_;
};

void WireEditMenu(FrmMain& window, ladder::LadderView* view) {
  auto commands = std::make_shared<ladder::RowBlockCommands>(window.Studio());
  auto updateUndo = [&window, commands] { window.Commands().mnuBlockPasteUndo->setEnabled(commands->CanUndoPaste()); };
  using Command = ladder::EditResult (ladder::RowBlockCommands::*)();
  auto add = [&window, view, commands, updateUndo](QAction* item, Command command) {
    QObject::connect(item, &QAction::triggered, view, [&window, view, commands, updateUndo, command] {
      const ladder::EditResult result = ((*commands).*command)();
      const bool repainted = commands->TakeRowsChanged();
      if (repainted) view->drawLadder();
      if (result == ladder::EditResult::Refused) QApplication::beep();
      if (result == ladder::EditResult::Done) {
        window.Files().MarkChanged();
        view->showCellText();
      }
      updateUndo();
      view->board()->setFocus();
      // The repaint took the cursor away; a board that held the keys already gets no focus
      // event to draw it again.
      if (repainted) view->drawCursor();
    });
  };
  const MenuCommands& c = window.Commands();
  add(c.mnuDeleteLine, &ladder::RowBlockCommands::DeleteLine);
  add(c.mnuInsertBlankLine, &ladder::RowBlockCommands::InsertBlankLine);
  add(c.mnuRestoreDeletedLine, &ladder::RowBlockCommands::RestoreDeletedLine);
  add(c.mnuCopyLine, &ladder::RowBlockCommands::CopyLine);
  add(c.mnuDuplicateLine, &ladder::RowBlockCommands::DuplicateLine);
  add(c.mnuBlockCopy, &ladder::RowBlockCommands::BlockCopy);
  add(c.mnuBlockCut, &ladder::RowBlockCommands::BlockCut);
  add(c.mnuBlockPasteInsert, &ladder::RowBlockCommands::BlockPasteInsert);
  add(c.mnuBlockPasteOverlay, &ladder::RowBlockCommands::BlockPasteOverlay);
  add(c.mnuBlockPasteUndo, &ladder::RowBlockCommands::BlockPasteUndo);
  updateUndo();

  QObject::connect(c.mnuGotoLine, &QAction::triggered, view, [&window, view] {
    // The reach is the scroll range as a repaint leaves it, whatever was repainted since a Save
    // or a build found a new END row: a click elsewhere first changes nothing.
    ladder::GotoDialog dialog(window.Studio(), [view] { return view->scrollMaximum(); }, &window);
    if (dialog.exec() == QDialog::Accepted) view->showCursorCell();
    window.Form_Activate();  // the main window is active again
    view->board()->setFocus();
  });
  QObject::connect(c.mnuSearch, &QAction::triggered, view, [&window, view] {
    ladder::FindDialog dialog(window.Studio(), &window);
    dialog.exec();
    view->showCursorCell();
    window.Form_Activate();
    view->board()->setFocus();
  });
}

void WirePrinting(FrmMain& window, ladder::LadderView* view) {
  auto target = std::make_shared<ladder::PrintTarget>();  // Printer Setup's choice, for the run
  QObject::connect(window.Commands().mnuPrint, &QAction::triggered, view, [&window, view, target] {
    ladder::PrintProgram(window.Studio(), view->viewState().geo, *target, window.Dialogs().StartFolder());
    view->followEndLine();
  });
  QObject::connect(window.Commands().mnuPrinterSetup, &QAction::triggered, view,
                   [&window, target] { ladder::ChoosePrintTarget(*target, &window); });
}

// The ladder view as the window's ladder pane and as the place that shows a build's failing
// cell. A child of the view.
class ViewPane : public QObject, public LadderPane, public plclink::ErrorCellView {
 public:
  ViewPane(FrmMain& window, ladder::LadderView& view)
      : QObject(&view), window_(window), view_(view) {}

  void Redraw() override {
    view_.drawLadder();
    if (view_.board()->hasFocus()) view_.drawCursor();
  }
  void Clear() override {
    view_.drawLadderBackground();
    view_.drawCursor();
  }
  void Reset() override {
    ladder::RowBlockCommands::DropPasteUndo(window_.Studio());
    window_.Commands().mnuBlockPasteUndo->setEnabled(false);
    // The view's own scroll bar follows TopRow quietly: setting it here would move the
    // cursor as a user's scrolling does.
    view_.showCursorCell();
  }
  void ShowCursorCell() override {
    view_.showCursorCell();
    view_.board()->setFocus(Qt::OtherFocusReason);
    view_.drawCursor();  // also when the board had the keys already, and for the status bar
  }
  void ShowErrorCell() override { view_.showErrorCell(); }

 private:
  FrmMain& window_;
  ladder::LadderView& view_;
};

}  // namespace

LadderWiring WireLadder(FrmMain& window) {
  compiler::Studio& studio = window.Studio();
  auto* view = new ladder::LadderView;
  view->setStudio(&studio);
  auto* pane = new ViewPane(window, *view);
  window.SetBoard(view, *pane);

  new ViewFollower(window.UserSettings(), *view);

  QObject::connect(view, &ladder::LadderView::statusText, &window,
                   [&window](const QString& text) { window.SetStatusText(text.toStdString()); });
  QObject::connect(view, &ladder::LadderView::sourceChanged, &window, [&window] { window.Files().MarkChanged(); });
  QObject::connect(view, &ladder::LadderView::beeped, &window, [] { QApplication::beep(); });

  // The element toolbar.
  QToolBar* bar = window.LadderToolbar();
  for (int i = 0; i < 11; ++i) {
    QAction* action = bar->addAction(QString::fromUtf8(kElementButtons[i].caption));
    action->setObjectName("tbrLadderButton");
    action->setProperty("index", i + 1);
    action->setToolTip(QString::fromUtf8(kElementButtons[i].toolTip));
    QObject::connect(action, &QAction::triggered, view, [view, i] {
      view->toolbarClick(i + 1);
      view->board()->setFocus();
    });
  }

  LadderWiring wiring;
  wiring.view = view;
  wiring.errorCell = pane;
  wiring.aliasPage = new ladder::AliasPageWidget(studio);
  ladder::AliasPageWidget* alias = wiring.aliasPage;
  window.HostPage("fraAlias", alias);

  QObject::connect(&window, &FrmMain::ladderReset, alias, [alias] { alias->Redraw(); });
  // A new size of the window shows the alias page from its first entry again.
  QObject::connect(&window, &FrmMain::sidePageLaidOut, alias, [alias](int page) {
    if (page == 3) alias->ShowFirstEntry();
  });
  QObject::connect(&window, &FrmMain::sidePageShown, alias, [alias](int page) {
    if (page == 3) alias->ChoosePage(alias->tabs()->currentIndex() + 1);
  });

  WireEditMenu(window, view);
  WirePrinting(window, view);
  return wiring;
}

}  // namespace shell
