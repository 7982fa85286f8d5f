// A QApplication for the GUI tests of this program unless another part of it made one
// (offscreen, set by the test main). It is destroyed after the last test.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

class SharedQtApp : public ::testing::Environment {
 public:
  void SetUp() override {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "zqv_ladder_ui_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

const auto* const kSharedQtApp = ::testing::AddGlobalTestEnvironment(new SharedQtApp);

}  // namespace
