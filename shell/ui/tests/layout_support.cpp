#include "shell/ui/tests/layout_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTest>

#include "shell/tests/shell_test_support.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/window_places.h"

namespace shell_test {

std::vector<std::string> PlacesMovedByAResize(shell::FrmMain& window, int tab) {
  window.SelectMainTab(tab);
  QApplication::processEvents();
  const QSize size = window.size();
  const auto before = shell::ControlPlaces(window);
  window.resize(size + QSize(37, 23));
  QApplication::processEvents();
  window.resize(size);
  QApplication::processEvents();
  return Differences(before, shell::ControlPlaces(window));
}

bool LadderTabReachable(shell::FrmMain& window) {
  window.SelectMainTab(2);
  QApplication::processEvents();
  auto* strip = window.findChild<QTabBar*>("tabMain");
  QWidget* view = window.Mnemonic();
  EXPECT_TRUE(view->isVisible());
  const QRect ladderTab(strip->mapTo(&window, strip->tabRect(0).topLeft()), strip->tabRect(0).size());
  const QRect viewRect(view->mapTo(&window, QPoint(0, 0)), view->size());
  EXPECT_FALSE(viewRect.intersects(ladderTab));
  EXPECT_EQ(window.childAt(ladderTab.center()), strip);
  QTest::mouseClick(strip, Qt::LeftButton, {}, strip->tabRect(0).center());
  EXPECT_FALSE(view->isVisible());
  return !::testing::Test::HasFailure();
}

}  // namespace shell_test
