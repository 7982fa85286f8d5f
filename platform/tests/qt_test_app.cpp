#include "platform/tests/qt_test_app.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<QApplication> made;

class QtAppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { TestApp(); }
  void TearDown() override { made.reset(); }
};

[[maybe_unused]] ::testing::Environment* const qtAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

}  // namespace

QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "zqv_widget_tests";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) made = std::make_unique<QApplication>(argc, argv);
  return *qobject_cast<QApplication*>(QCoreApplication::instance());
}
