// One QApplication for the GUI tests of this program (offscreen, set by the test main).
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

class QtApp : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "zqv_ladder_ui_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

const auto* const kQtApp = ::testing::AddGlobalTestEnvironment(new QtApp);

}  // namespace
