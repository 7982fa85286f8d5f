#include "ladder/ui/selection_mouse.h"

#include <QLineEdit>

#include "ladder/selection.h"
#include "ladder/ui/ladder_view.h"
#include "platform/ansi_text.h"

namespace ladder {

namespace {

BoardGeometry GeometryOf(LadderView& view) {
  const LadderGeometry& g = view.viewState().geo;
  return BoardGeometry{g.CellW, g.CellH, g.Csai};
}

// Draws (or, drawn a second time, removes) the inverting rectangle of the given corners.
void InvertRectangle(LadderView& view, const SelectionCorners& c) {
  view.drawBlockSelection(c.col1, c.row1, c.col2, c.row2);
}

}  // namespace

void ConnectSelectionMouse(LadderView& view, std::function<bool()> onRightPressWhileMonitoring) {
  QObject::connect(&view, &LadderView::boardMousePressed, &view,
                   [&view, onRight = std::move(onRightPressWhileMonitoring)](int button, int, double x, double y) {
                     compiler::Studio* studio = view.studio();
                     if (!studio) return;
                     const PressOutcome out = MousePress(*studio, button, x, y, GeometryOf(view));
                     if (out.eraseOld) InvertRectangle(view, out.old);
                     if (out.rightButton && studio->monitor.MonitorOn() && onRight && !onRight()) return;
                     const auto& doc = studio->doc;
                     view.operandBox()->setText(
                         QString::fromStdString(platform::AnsiToUtf8Lossy(doc.CellText[doc.CurCol][doc.CurRow])));
                     view.drawLadder();
                     view.drawCursor();
                   });
  QObject::connect(&view, &LadderView::boardMouseMoved, &view, [&view](int buttons, int, double x, double y) {
    compiler::Studio* studio = view.studio();
    if (!studio) return;
    const DragOutcome out = MouseMove(*studio, buttons, x, y, GeometryOf(view));
    if (!out.changed) return;
    if (out.eraseOld) InvertRectangle(view, out.old);
    InvertRectangle(view, out.now);
    emit view.statusText(QString::fromStdString(out.status));
  });
}

}  // namespace ladder
