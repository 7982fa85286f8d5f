// The build batches as the studio starts them, with stand-ins for aq71 and zqlink that log
// their command lines: each batch builds its core, and the build stops at the first step
// that fails.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "link/exec_cmd.h"

namespace fs = std::filesystem;

namespace {

struct ScriptFolder {
  ScriptFolder() {
    static int serial = 0;
    folder = fs::temp_directory_path() / ("zqv-scripts-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path bin = std::getenv("ZQV_BIN_DIR");
    for (const auto& entry : fs::directory_iterator(bin))
      if (entry.path().extension() == ".BAT") fs::copy_file(entry.path(), folder / entry.path().filename());
    // Each tool logs its command line, makes its output and ends with the status in NAME.exit.
    Tool("aq71", "touch \"$5\" \"${3%.S71}.r71\"");
    Tool("zqlink", "touch ZQOUT.HEX");
    Write("QSKLREN.$$$", "#define COMP_OPTION3 0\n");
    Write("QSKLBK.$$$", "program");
  }
  ~ScriptFolder() {
    std::error_code ec;
    if (!::testing::Test::HasFailure()) fs::remove_all(folder, ec);
  }
  void Write(const std::string& name, const std::string& text) { std::ofstream(folder / name) << text; }
  void Tool(const std::string& name, const std::string& makes) {
    Write(name, "#!/bin/sh\necho \"" + name + " $*\" >> calls.log\nstatus=$(cat " + name +
                    ".exit 2>/dev/null || echo 0)\n[ \"$status\" -ne 0 ] || " + makes + "\nexit $status\n");
    fs::permissions(folder / name, fs::perms::owner_all);
  }
  int Run(const std::string& batch) { return plclink::ExecCmd({"/bin/sh", batch}, folder).exitStatus; }
  std::string Calls() const {
    std::ifstream in(folder / "calls.log");
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool Exists(const std::string& name) const { return fs::exists(folder / name); }
  fs::path folder;
};

TEST(BuildScripts, EachBatchBuildsItsCore) {
  for (auto [batch, core] : {std::pair{"ZQA.BAT", "ZQCORE3"}, {"ZQA2.BAT", "ZQCORE3"}, {"ZQA3.BAT", "ZQCORE2"}}) {
    SCOPED_TRACE(batch);
    ScriptFolder f;
    const std::string c = core;
    EXPECT_EQ(f.Run(batch), 0);
    EXPECT_EQ(f.Calls(), "aq71 -S -v3 " + c + ".S71 -l " + c + ".LST\nzqlink -Z CODE=0-1FFFF -o ZQOUT.HEX " + c +
                             ".r71\n");
    EXPECT_TRUE(f.Exists("ZQOUT.HEX"));
    EXPECT_FALSE(f.Exists("UPFILE.ZIP"));

    // With source upload on, the archive of the backup is made too.
    ScriptFolder upload;
    upload.Write("QSKLREN.$$$", "#define COMP_OPTION3 1\n");
    EXPECT_EQ(upload.Run(batch), 0);
    EXPECT_TRUE(upload.Exists("UPFILE.ZIP"));
  }
}

TEST(BuildScripts, TheBuildStopsAtTheFirstFailingStep) {
  for (const char* batch : {"ZQA.BAT", "ZQA2.BAT", "ZQA3.BAT"}) {
    SCOPED_TRACE(batch);
    {
      // The assembler fails: the linker never runs on a stale or missing object.
      ScriptFolder f;
      f.Write("QSKLREN.$$$", "#define COMP_OPTION3 1\n");
      f.Write("aq71.exit", "2");
      f.Write("ZQCORE2.r71", "stale");
      f.Write("ZQCORE3.r71", "stale");
      EXPECT_EQ(f.Run(batch), 2);
      EXPECT_EQ(f.Calls().find("zqlink"), std::string::npos) << f.Calls();
      EXPECT_FALSE(f.Exists("ZQOUT.HEX"));
      EXPECT_FALSE(f.Exists("UPFILE.ZIP"));
    }
    {
      // Warnings only (aq71 counts them when asked): the build goes on.
      ScriptFolder f;
      f.Write("aq71.exit", "1");
      EXPECT_EQ(f.Run(batch), 0);
      EXPECT_NE(f.Calls().find("zqlink"), std::string::npos);
    }
    {
      // The linker fails: no archive is made and the status tells.
      ScriptFolder f;
      f.Write("QSKLREN.$$$", "#define COMP_OPTION3 1\n");
      f.Write("zqlink.exit", "1");
      EXPECT_EQ(f.Run(batch), 1);
      EXPECT_FALSE(f.Exists("UPFILE.ZIP"));
    }
  }
}

}  // namespace
