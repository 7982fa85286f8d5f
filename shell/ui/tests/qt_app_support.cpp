#include "shell/ui/tests/qt_app_support.h"

#include <gtest/gtest.h>

namespace {

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

QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "zqv_shell_ui_tests";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) made = new QApplication(argc, argv);
  return *qobject_cast<QApplication*>(QCoreApplication::instance());
}
