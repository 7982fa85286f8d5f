#include "monitor/ui/tests/qt_app_support.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace monitor_test {
namespace {

// The application object is made by the first test that needs it and deleted after the
// last one, so that the font and display libraries shut down cleanly.
QApplication* made = nullptr;

class AppEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    delete made;
    made = nullptr;
  }
};
[[maybe_unused]] ::testing::Environment* const appEnvironment =
    ::testing::AddGlobalTestEnvironment(new AppEnvironment);

}  // namespace

QApplication& App() {
  static int argc = 1;
  static char name[] = "monitor_ui_tests";
  static char* argv[] = {name, nullptr};
  if (!made) made = new QApplication(argc, argv);
  return *made;
}

}  // namespace monitor_test
