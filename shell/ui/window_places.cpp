#include "shell/ui/window_places.h"

#include <QTabBar>
#include <QWidget>

namespace shell {
namespace {

std::string Place(QWidget& window, QWidget& control, const QRect& inControl) {
  const QRect r(control.mapTo(&window, inControl.topLeft()), inControl.size());
  QWidget* top = window.childAt(r.center());
  return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
         std::to_string(r.height()) + " seen " + (top ? top->objectName().toStdString() : std::string("-"));
}

}  // namespace

std::map<std::string, std::string> ControlPlaces(QWidget& window) {
  std::map<std::string, std::string> places;
  for (QWidget* w : window.findChildren<QWidget*>()) {
    if (w->objectName().isEmpty() || w->isWindow() || !w->isVisibleTo(&window)) continue;
    std::string name = w->objectName().toStdString();
    if (w->property("index").isValid()) name += "(" + w->property("index").toString().toStdString() + ")";
    for (int n = 2; places.count(name); ++n) name = name.substr(0, name.rfind(" #")) + " #" + std::to_string(n);
    places[name] = Place(window, *w, w->rect());
    if (auto* strip = qobject_cast<QTabBar*>(w))
      for (int i = 0; i < strip->count(); ++i)
        places[name + " tab " + std::to_string(i)] = Place(window, *w, strip->tabRect(i));
  }
  return places;
}

}  // namespace shell
