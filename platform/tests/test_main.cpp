// Entry point of every test program. Tests find the built programs and the source tree
// through ZQV_BIN_DIR and ZQV_SOURCE_DIR; when the environment does not name them, the
// folders of the build that made this program are used. GUI tests draw offscreen.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  setenv("ZQV_BIN_DIR", ZQV_BUILD_BIN_DIR, 0);
  setenv("ZQV_SOURCE_DIR", ZQV_BUILD_SOURCE_DIR, 0);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
