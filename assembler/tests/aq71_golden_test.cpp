// Runs the built aq71 in a temporary folder and compares console output, exit code and files.
#include "aq71_test_support.h"

#include <pty.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>

using namespace aq71_test;

namespace {

class Golden : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = make_temp_dir("golden"); }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  RunResult run(const std::vector<std::string>& args, const std::map<std::string, std::optional<std::string>>& env = {},
                const std::string& input = "") {
    return run_aq71(dir_, args, env, input);
  }
  fs::path dir_;
};

const std::string kBanner = "QEX Systems Q71 Assembler V1.30A/386\n";
const std::string kFixedBanner = "QEX Systems Q71 Assembler V2.11D/DOS\n";
const std::string kPause = "Press <ENTER> for more";
const std::string kTab = "        ";

std::string expected_usage(bool paging = false) {
  std::string u;
  u += "\nUsage:        aq71 {<options>} <sourcefile> {<options>}";
  u += "\nSourcefile:   source file with default extension: .msa or .s71\n";
  u += "\nEnvironment:  ASMQ71";
  u += "\nOptions (specified order is of no importance):\n";
  // Option lines; the prompt follows the 14th and the 34th line end of the list.
  std::vector<std::string> lines = {
      "-c{DEAOM}     Listing options",
      kTab + kTab + " D: Disable listing,             E: Disable macro expansion",
      kTab + kTab + " A: List only assembled part     O: List several lines of code",
      kTab + kTab + " M: List Macro definition",
      "-o file       Put object  on: <file> <.r71>",
      "-Oprefix      Put object on: <prefix> <source> <.r71>",
      "-b            Make object a library module",
      "-v0           Select processor option: Relative jumps reach entire addr space (default)",
      "-v1           Select processor option: Relative jumps reach entire addr space",
      "-v2           Select processor option: Relative jumps do not wrap",
      "-v3           Select processor option: Relative jumps do not wrap",
      "-v4           Select processor option: Relative jumps do not wrap",
      "-v5           Select processor option: Relative jumps do not wrap",
      "-v6           Select processor option: Relative jumps do not wrap",
      "-ws           To make warnings generate exit code 1",
      "-wstring      Disable warnings",
      kTab + kTab + " string: <+|-,><+|-range><,+|-range>...",
      kTab + kTab + " range: low_warning_nr<-high_warning_nr>",
      kTab + kTab + " example: -w turns all warnings off",
      kTab + kTab + "          -w-,+10-12,+20 turns all but 10,11,12 and 20 off",
      "",
      "-d            Disable #ifdef,#endif matching",
      "-Enumber      Allow <number> errors",
      "-f file       Extend command line with <file> <.xcl>",
      "-r{e}         Enable debugger output in object",
      kTab + kTab + " e:   Source Files Embedded into the object file",
      "-B            Print debug info for assembler macros",
      "-Mab          Change asm.macro argument quote chars,",
      " " + kTab + kTab + " where a is start-of-quote and b is end-of-quote char.",
      " " + kTab + kTab + " default is a == < and b == >.",
      "-l file       Generate a list on: <file> <.lst>",
      "-Lprefix      Generate a list on: <prefix> <source> <.lst>",
      "-tn           Set tab spacing between 2 and 9 (default 8)",
      "-x{DI2}       Generate cross-reference list",
      kTab + kTab + " D: Show all #defines, I: Show Internal table",
      kTab + kTab + " 2: Dual line space listing",
      "-T            List 'active' lines only (#if etc. true)",
      "-i            List #included files",
      "-pnn          Page listing with 'nn' lines/page (10-150)",
      "-DSYMB        Equivalent to: #define SYMB 1",
      "-DSYMB=xx     Equivalent to: #define SYMB xx",
      "-USYMB        Equivalent to: #undef SYMB",
      "-Iprefix      Add #include search prefix",
      "-G            Open standard input as source",
      "-s{+|-}       Set case sensitivity for user symbols",
      kTab + kTab + " -s and -s+ enables sensitivity, -s- disables it.",
      "-S            Silent operation of assembler",
      "-N            No header in listing",
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    u += lines[i] + "\n";
    if (paging && (i == 13 || i == 33)) u += kPause;
  }
  return u;
}

// Piped or redirected, the usage text runs through without prompts.
TEST_F(Golden, NoArgumentsPrintsBannerAndUsageWithoutPagingWhenNotATerminal) {
  RunResult r = run({});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, kBanner + expected_usage());
  EXPECT_EQ(r.err, "");
  r = run({}, {}, "\n\n\n");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, kBanner + expected_usage());
}

// On a terminal the usage text pauses twice and goes on at each line end typed; the end of
// input also lets it go on.
TEST_F(Golden, UsagePagesOnATerminal) {
  int master = -1;
  pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::chdir(dir_.c_str());
    ::unsetenv("ASMQ71");
    const std::string prog = aq71_binary().string();
    ::execl(prog.c_str(), "aq71", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  std::string out;
  std::size_t answered = 0;
  std::size_t searched = 0;
  char buf[4096];
  for (;;) {
    ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
    for (std::size_t at; (at = out.find(kPause, searched)) != std::string::npos;) {
      searched = at + kPause.size();
      ++answered;
      ASSERT_EQ(::write(master, "\n", 1), 1);
    }
  }
  EXPECT_EQ(answered, 2u);
  ::close(master);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::string text;
  for (char c : out)
    if (c != '\r') text += c;
  // The terminal echoes the typed line ends after each prompt.
  std::string expected = kBanner + expected_usage(true);
  std::size_t at = 0;
  for (int k = 0; k < 2; ++k) {
    at = expected.find(kPause, at) + kPause.size();
    expected.insert(at, "\n");
  }
  EXPECT_EQ(text, expected);
}

TEST_F(Golden, PlainSourceIsAssembledAndLeavesAnObject) {
  write_file(dir_ / "prog.s71", "\tNOP\r\n; comment\n END\n");
  RunResult r = run({"prog", "-c#"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, kFixedBanner + "\nErrors:   0\nWarnings: 0\nBytes: 2\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(folder_files(dir_), (std::vector<std::string>{"prog.r71", "prog.s71"}));
}

TEST_F(Golden, SilentRunPrintsNothing) {
  write_file(dir_ / "prog.s71", "x\n END\n");
  RunResult r = run({"-S", "prog"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "");
}

TEST_F(Golden, CommandLineErrorsStopWithExitCode3) {
  write_file(dir_ / "t.s71", "x\n");
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const std::string cl = "\nError in command line: ";
  std::vector<Case> cases = {
      {{"t", "-o", "a", "-O"}, cl + "Option '-o' cannot be combined with the '-O' option\n"},
      {{"t", "-l", "a", "-L"}, cl + "Option '-l' cannot be combined with the '-L' option\n"},
      {{"t", "-x"}, cl + "Option '-x' also requires the '-l' or the '-L' option\n"},
      {{"t", "-i"}, cl + "Option '-i' also requires the '-l' or the '-L' option\n"},
      {{"t", "-p20"}, cl + "Option '-p' also requires the '-l' or the '-L' option\n"},
      {{"-ws", "t", "-ws"}, "\nError in command line option '-ws': Option multiply defined\n"},
      {{"t", "-"}, "\nError in command line option '-': '-' not succeeded by character\n"},
      {{"t", "-q"}, "\nError in command line option '-q': No such option\n"},
      {{"t", "-t"}, "\nError in command line option '-t': Argument missing\n"},
      {{"t", "-bx"}, "\nError in command line option '-bx': Illegal characters specified\n"},
      {{"t", "-ofile"}, "\nError in command line option '-ofile': Illegal characters specified\n"},
      {{"t", "-o"}, "\nError in command line option '-o': Argument missing\n"},
      {{"t", "-o", "-b"}, "\nError in command line option '-o': Argument started with '-'\n"},
      {{"t", "-t1"}, cl + "Invalid argument to option '-t'\n"},
      {{"t", "-t10"}, cl + "Invalid argument to option '-t'\n"},
      {{"t", "-l", "l", "-p9"}, cl + "Invalid argument to option '-p'\n"},
      {{"t", "-l", "l", "-p151"}, cl + "Invalid argument to option '-p'\n"},
      {{"t", "-v7"}, cl + "Invalid argument to option '-v'\n"},
      {{"t", "-v12"}, cl + "Invalid argument to option '-v'\n"},
      {{"t", "-cX"}, cl + "Invalid argument to option '-c'\n"},
      {{"t", "-cw"}, cl + "Invalid argument to option '-c'\n"},
      {{"t", "-reb"}, cl + "Invalid argument to option '-r'\n"},
      {{"t", "-DA", "-DA"}, cl + "Invalid argument to option '-D'\n"},
      {{"t", "-D1A"}, cl + "Invalid argument to option '-D'\n"},
      {{"t", "-UA"}, cl + "Invalid argument to option '-U'\n"},
      {{"t", "-w5"}, "\nIllegal warning level '5'\n"},
      {{"t", "-w+40000"}, "\nlower warning limit is negative\n"},
  };
  for (const auto& c : cases) {
    RunResult r = run(c.args);
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    EXPECT_EQ(r.code, 3) << joined;
    EXPECT_EQ(r.out, c.out) << joined;
    EXPECT_EQ(r.err, "") << joined;
    // The fatal stop deletes any object it had opened (a list file stays).
    for (const auto& f : folder_files(dir_)) {
      EXPECT_EQ(fs::path(f).extension(), f == "t.s71" ? ".s71" : ".lst") << joined;
      if (f != "t.s71") fs::remove(dir_ / f);
    }
  }
}

TEST_F(Golden, NoSourceAndSecondSource) {
  write_file(dir_ / "a.s71", "x\n");
  RunResult r = run({"-b"});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nError in command line: No source file specified\n");
  r = run({"a", "a"});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nTry to open more than one source file\n");
  r = run({"a", "-G"});
  EXPECT_EQ(r.out, "\nTry to open more than one source file\n");
  r = run({"missing"});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nCould not open file: 'missing.s71'\n");
}

TEST_F(Golden, OptionsWithOnlyAMessageGoOn) {
  write_file(dir_ / "t.s71", "x\n END\n");
  RunResult r = run({"t", "-w+600", "-E0", "-Mxy", "-c#"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out,
            "\nIllegal range in -w option: 600-499, ignored\n"
            "\nIllegal argument to -E option '0' ignored\n"
            "\nIllegal argument to -M option 'xy' ignored\n" +
                kFixedBanner + "\nErrors:   0\nWarnings: 0\nBytes: 0\n");
}

TEST_F(Golden, EnvironmentOptions) {
  write_file(dir_ / "t.s71", "x\n END\n");
  RunResult r = run({"t"}, {{"ASMQ71", ""}});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nCommand line extension variable ASMQ71 found but was empty\n");
  r = run({"t"}, {{"ASMQ71", "  \t "}});
  EXPECT_EQ(r.out, "\nCommand line extension variable ASMQ71 found but was empty\n");
  r = run({"t", "-ws"}, {{"ASMQ71", "-ws"}});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nError in command line option '-ws': Option multiply defined\n");
  r = run({"t"}, {{"ASMQ71", "-c# -S"}});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "");
  r = run({"t"}, {{"ASMQ71", "ab\"c"}});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nBad argument (ab\") in command line extension variable ASMQ71\n");
}

TEST_F(Golden, CommandFiles) {
  write_file(dir_ / "t.s71", "x\n END\n");
  // A quoted word with two adjacent double quotes holds one double quote.
  write_file(dir_ / "q.xcl", "\"a\"\"b\"\n");
  RunResult r = run({"-f", "q"});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nCould not open file: 'a\"b.s71'\n");

  write_file(dir_ / "ok.xcl", "-c#\n\"t\"\t-S\n");
  r = run({"-f", "ok.xcl"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "");

  write_file(dir_ / "empty.xcl", " \n\n\t");
  r = run({"t", "-f", "empty"});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nCommand file empty\n");

  write_file(dir_ / "open.xcl", "\"abc\n");
  r = run({"t", "-f", "open"});
  EXPECT_EQ(r.out, "\nBad argument (\"abc) in command file\n");
  write_file(dir_ / "after.xcl", "\"abc\"de f");
  r = run({"t", "-f", "after"});
  EXPECT_EQ(r.out, "\nBad argument (\"abc\"de) in command file\n");

  write_file(dir_ / "long.xcl", std::string(1024, 'a') + " -S");
  r = run({"t", "-f", "long"});
  EXPECT_EQ(r.code, 3);  // the 1024-character word is a source name that does not exist
  EXPECT_EQ(r.out, "\nTry to open more than one source file\n");
  write_file(dir_ / "long.xcl", std::string(1025, 'a'));
  r = run({"t", "-f", "long"});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nParameter exceeded 1024 characters\n");

  // A command file naming itself stops instead of growing without end.
  write_file(dir_ / "self.xcl", "-f self\n");
  r = run({"t", "-f", "self"});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nCommand files nested too deeply (max is 16)\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(Golden, SourceNamingAndObjectNames) {
  write_file(dir_ / "prog.s71", "x\n END\n");
  RunResult r = run({"prog", "-S"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(fs::exists(dir_ / "prog.r71"));
  fs::remove(dir_ / "prog.r71");

  // prog.msa wins over prog.s71; the object takes the base name.
  write_file(dir_ / "prog.msa", "x\n END\n");
  r = run({"prog", "-S", "-o", "out"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(fs::exists(dir_ / "out.r71"));
  EXPECT_FALSE(fs::exists(dir_ / "prog.r71"));

  // A name ending in "." has no extension.
  write_file(dir_ / "plain", "x\n END\n");
  r = run({"plain.", "-S", "-Oobj_", "-L"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(fs::exists(dir_ / "obj_plain.r71"));
  EXPECT_TRUE(fs::exists(dir_ / "plain.lst"));

  // The object goes to the current folder, named after the source's base name.
  fs::create_directory(dir_ / "src");
  write_file(dir_ / "src" / "m.x.s71", "x\n END\n");
  r = run({"src/m.x.s71", "-S"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(fs::exists(dir_ / "m.r71"));
}

TEST_F(Golden, OverwriteGuard) {
  write_file(dir_ / "prog.s71", "x\n");
  RunResult r = run({"prog.s71", "-o", "prog.s71"});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nTry to overwrite file: 'prog.s71'\n");
  EXPECT_EQ(read_file(dir_ / "prog.s71"), "x\n");
  // Another spelling of the same file, and a link to it, are caught too.
  r = run({"prog.s71", "-l", "./prog.s71"});
  EXPECT_EQ(r.out, "\nTry to overwrite file: './prog.s71'\n");
  fs::create_symlink("prog.s71", dir_ / "link.r71");
  r = run({"prog", "-o", "link"});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nTry to overwrite file: 'link.r71'\n");
  EXPECT_EQ(read_file(dir_ / "prog.s71"), "x\n");
  r = run({"prog", "-o", "same", "-l", "SAME.r71"});
  EXPECT_EQ(r.out, "\nTry to overwrite file: 'SAME.r71'\n");
}

TEST_F(Golden, LongLinesAndErrorReport) {
  std::string ok(511, 'a');
  std::string cut = "\x1b" + std::string(510, 'b');
  write_file(dir_ / "t.s71", ok + "\n" + cut + "c\nz\n END\n");
  RunResult r = run({"t", "-c#"});
  EXPECT_EQ(r.code, 2);
  // Control characters show as "$".
  EXPECT_EQ(r.out, kFixedBanner + "\n$" + cut.substr(1) +
                       "\n^\n\"t.s71\",2  Error[5]: Too long source line (max is 512 characters); truncated\n" + "\n$" +
                       cut.substr(1) +
                       "\n^\n\"t.s71\",2  Error[15]: Invalid character encountered: '\\x1b'; ignored\n" +
                       "\nErrors:   2\nWarnings: 0\nBytes: 0\n");
  // The run counted an error: no object is left.
  EXPECT_EQ(folder_files(dir_), std::vector<std::string>{"t.s71"});

  // Tabs count as the blanks they become.
  write_file(dir_ / "t.s71", "\t;" + std::string(502, 'x') + "\n END\n");
  r = run({"t", "-S"});
  EXPECT_EQ(r.code, 0);
  write_file(dir_ / "t.s71", "\t;" + std::string(502, 'x') + "\n END\n");
  r = run({"t", "-S", "-t2"});
  EXPECT_EQ(r.code, 0);
  write_file(dir_ / "t.s71", "\t;" + std::string(502, 'x') + "\n END\n");
  r = run({"t", "-S", "-t9"});
  EXPECT_EQ(r.code, 2);  // 9 + 503 characters
}

TEST_F(Golden, ErrorLimitStopsTheRun) {
  std::string text;
  for (int i = 0; i < 5; ++i) text += std::string(600, 'a' + i) + "\n";
  write_file(dir_ / "t.s71", text);
  RunResult r = run({"t", "-E3", "-S"});
  EXPECT_EQ(r.code, 3);
  std::string line1 = std::string(511, 'a');
  std::string line2 = std::string(511, 'b');
  std::string line3 = std::string(511, 'c');
  const std::string msg = "Too long source line (max is 512 characters); truncated\n";
  EXPECT_EQ(r.out, "\n" + line1 + "\n^\n\"t.s71\",1  Error[5]: " + msg + "\n" + line2 +
                       "\n^\n\"t.s71\",2  Error[5]: " + msg + "\n" + line3 +
                       "\n^\n\"t.s71\",3  Error[9]: Too many errors encountered (>3).\n"
                       "\nFatal!\a Execution terminated...\n");
  // -ST keeps the console quiet, but the fatal stop still ends the run.
  r = run({"t", "-E3", "-ST"});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "");
}

TEST_F(Golden, StandardInputAsSource) {
  RunResult r = run({"-G", "-S"}, {}, std::string(600, 'q') + "\nabc\n END\n");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out.substr(0, 2), "\nq");
  EXPECT_NE(r.out.find("\"stdin.c\",1  Error[5]"), std::string::npos);
  // Without errors, the object is named after "stdin.c".
  r = run({"-G", "-S"}, {}, "abc\n END\n");
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(fs::exists(dir_ / "stdin.r71"));
}

TEST_F(Golden, WarningsExitCodeWithoutWarnings) {
  write_file(dir_ / "t.s71", "x\n END\n");
  RunResult r = run({"t", "-ws", "-S"});
  EXPECT_EQ(r.code, 0);
}

}  // namespace

namespace {

// A source whose object takes some 12 KB and whose listing some 130 KB.
std::string sizeable_source() {
  std::string text;
  for (int i = 0; i < 1000; ++i)
    text += " LDI R16," + std::to_string(i % 256) + "\n JMP L" + std::to_string(i) + "\nL" + std::to_string(i) + ": NOP\n";
  return text + " END\n";
}

// In the child: files may grow to `bytes` at most.
std::function<void()> file_size_limit(rlim_t bytes) {
  return [bytes] {
    struct rlimit limit {};
    limit.rlim_cur = limit.rlim_max = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  };
}

// Every write of every output is checked: a failure is a fatal stop (exit code 3) with a message
// that names the file and the system's reason, and no object is left under its name. A device
// named as an output is never deleted.
TEST_F(Golden, AFailedWriteOfAnOutputIsAFatalStop) {
  const std::string no_space = std::strerror(ENOSPC);
  const std::string too_large = std::strerror(EFBIG);
  write_file(dir_ / "t.s71", " NOP\n NOP\n END\n");
  if (fs::exists("/dev/full")) {
    RunResult r = run({"t", "-S", "-o", "/dev/full."});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out, "\nCould not write file: '/dev/full': " + no_space + "\n");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    r = run({"t", "-S", "-l", "/dev/full."});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out, "\nCould not write file: '/dev/full': " + no_space + "\n");
    EXPECT_EQ(folder_files(dir_), std::vector<std::string>{"t.s71"});
  }
  // A file-size limit (ulimit -f) fails a write like a full disk instead of killing the run: on
  // the object's writes, and on the listing's.
  write_file(dir_ / "t.s71", sizeable_source());
  RunResult r = run_aq71(dir_, {"t", "-S"}, {}, "", file_size_limit(4096));
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nCould not write file: 't.r71': " + too_large + "\n");
  EXPECT_EQ(folder_files(dir_), std::vector<std::string>{"t.s71"});
  r = run_aq71(dir_, {"t", "-S", "-l", "t.lst"}, {}, "", file_size_limit(20000));
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nCould not write file: 't.lst': " + too_large + "\n");
  EXPECT_FALSE(fs::exists(dir_ / "t.r71"));
}

}  // namespace
