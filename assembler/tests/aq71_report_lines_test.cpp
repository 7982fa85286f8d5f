// The line a problem report shows after the source pass, from every kind of input: a FIFO as the
// source or an include, a pipe named as the source or given as standard input, a source renamed
// over while aq71 runs, and includes past the descriptors a run holds. aq71 runs as a child that
// is killed when it takes too long, and every FIFO writer gives up after a while.
#include "aq71_test_support.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <thread>

using namespace aq71_test;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kLimit = std::chrono::seconds(10);

struct BoundedRun {
  int code = -1;
  std::string out;
  bool timed_out = false;
  long max_rss_kib = 0;  // the child's peak resident size
};

// Runs aq71 in `dir` with its standard input a pipe that gives `stdin_text`; standard output and
// error are collected together. Killed after kLimit. With `max_files`, the child may open no more.
BoundedRun run_bounded(const fs::path& dir, const std::vector<std::string>& args, const std::string& stdin_text = "",
                       rlim_t max_files = 0) {
  fs::path cap = make_temp_dir("cap");
  int in[2];
  if (::pipe(in) != 0) return {};
  // The child allocates nothing before exec: a FIFO writer thread of the test may hold the
  // allocator's lock at the fork.
  const std::string out_path = (cap / "out").string();
  const Aq71Command command(args);
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(120);
    ::unsetenv("ASMQ71");
    ::unsetenv("AQ71_INC");
    int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in[0], 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    ::close(in[0]);
    ::close(in[1]);
    ::close(out);
    for (int fd = 3; fd < 1024; ++fd) ::close(fd);  // nothing the test runner left open counts
    if (max_files) {
      struct rlimit limit {
        max_files, max_files
      };
      if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(122);
    }
    command.exec();
  }
  ::close(in[0]);
  if (!stdin_text.empty() && ::write(in[1], stdin_text.data(), stdin_text.size()) < 0) ADD_FAILURE() << "stdin";
  ::close(in[1]);
  BoundedRun r;
  int status = 0;
  const auto deadline = Clock::now() + kLimit;
  struct rusage usage {};
  while (::wait4(pid, &status, WNOHANG, &usage) == 0) {
    if (Clock::now() > deadline) {
      r.timed_out = true;
      ::kill(pid, SIGKILL);
      ::wait4(pid, &status, 0, &usage);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  r.max_rss_kib = usage.ru_maxrss;
  if (!r.timed_out) r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = read_file(cap / "out");
  std::error_code ec;
  fs::remove_all(cap, ec);
  return r;
}

// Opens a FIFO for writing once a reader has opened it; -1 when none does within kLimit.
int open_fifo_for_writing(const fs::path& fifo) {
  const auto deadline = Clock::now() + kLimit;
  for (;;) {
    int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) {
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
      return fd;
    }
    if (errno != ENXIO || Clock::now() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// A thread that writes `text` into the FIFO once aq71 opens it; `opened` runs in between.
std::thread fifo_writer(const fs::path& fifo, std::string text, std::function<void()> opened = {}) {
  if (::mkfifo(fifo.c_str(), 0600) != 0) ADD_FAILURE() << "mkfifo " << fifo;
  return std::thread([fifo, text = std::move(text), opened = std::move(opened)] {
    int fd = open_fifo_for_writing(fifo);
    if (fd < 0) return;
    if (opened) opened();
    if (::write(fd, text.data(), text.size()) < 0) return;
    ::close(fd);
  });
}

class ReportLines : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = make_temp_dir("lines"); }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path dir_;
};

// The undefined symbol is reported once the source pass is over: the line comes from what was
// read, and the FIFO is not opened again (which would wait for a writer for ever).
TEST_F(ReportLines, FifoSourceAndFifoIncludeShowTheirLinesAndTheRunEnds) {
  std::thread source = fifo_writer(dir_ / "f.s71", " ASEG\n#include \"g.inc\"\n RJMP\tL9\n END\n");
  std::thread include = fifo_writer(dir_ / "g.inc", " NOP\n RCALL L8\n");
  BoundedRun r = run_bounded(dir_, {"f.s71"});
  source.join();
  include.join();
  ASSERT_FALSE(r.timed_out) << r.out;
  EXPECT_EQ(r.code, 2) << r.out;
  EXPECT_NE(r.out.find("\n RCALL L8\n-^\n\"g.inc\",2  Error[50]: undefined symbol:'L8'\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n RJMP   L9\n-^\n\"f.s71\",3  Error[50]: undefined symbol:'L9'\n"), std::string::npos)
      << r.out;
}

// A FIFO include is read no further than the lines the run takes: its writer writes its second
// line only once the run has opened the file its first line includes, and gives up after a while.
TEST_F(ReportLines, AFifoIncludeIsReadNoFurtherThanTheLinesTaken) {
  write_file(dir_ / "f.s71", " ASEG\n#include \"g.inc\"\n END\n");
  std::atomic<bool> inner_opened{false};
  std::thread inner = fifo_writer(dir_ / "h.inc", " NOP\n", [&inner_opened] { inner_opened = true; });
  if (::mkfifo((dir_ / "g.inc").c_str(), 0600) != 0) ADD_FAILURE() << "mkfifo g.inc";
  std::thread outer([fifo = dir_ / "g.inc", &inner_opened] {
    int fd = open_fifo_for_writing(fifo);
    if (fd < 0) return;
    const std::string first = "#include \"h.inc\"\n";
    const std::string second = " RCALL L8\n";
    if (::write(fd, first.data(), first.size()) > 0) {
      const auto deadline = Clock::now() + kLimit / 2;
      while (!inner_opened && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      if (inner_opened && ::write(fd, second.data(), second.size()) < 0) ADD_FAILURE() << "write g.inc";
    }
    ::close(fd);
  });
  BoundedRun r = run_bounded(dir_, {"f.s71"});
  outer.join();
  inner.join();
  ASSERT_FALSE(r.timed_out) << r.out;
  EXPECT_EQ(r.code, 2) << r.out;
  EXPECT_NE(r.out.find("\n RCALL L8\n-^\n\"g.inc\",2  Error[50]: undefined symbol:'L8'\n"), std::string::npos) << r.out;
}

// A pipe named as the source ("/dev/stdin.": the name without an extension) cannot be read again
// either; standard input as the source (-G) from a pipe neither.
TEST_F(ReportLines, PipesAsTheSourceShowTheirLines) {
  const std::string text = " ASEG\n\tRJMP\tL9\n END\n";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"/dev/stdin."}, std::vector<std::string>{"-G"}}) {
    BoundedRun r = run_bounded(dir_, args, text);
    ASSERT_FALSE(r.timed_out) << r.out;
    EXPECT_EQ(r.code, 2) << r.out;
    const std::string name = args[0] == "-G" ? "stdin.c" : "/dev/stdin";
    EXPECT_NE(r.out.find("\n        RJMP    L9\n--------^\n\"" + name + "\",2  Error[50]: undefined symbol:'L9'\n"),
              std::string::npos)
        << r.out;
  }
}

// An editor saves by writing a new file and renaming it over the old one: the report still
// shows the line that was assembled. The rename happens while aq71 waits in an include (a FIFO),
// after it has read the source up to there.
TEST_F(ReportLines, SourceRenamedOverWhileTheRunGoesOnShowsTheLineAssembled) {
  write_file(dir_ / "main.s71", " ASEG\n#include \"gate.inc\"\n RJMP L9\n END\n");
  write_file(dir_ / "saved.s71", " ASEG\n#include \"gate.inc\"\n NOP  X9\n END\n");
  std::thread gate = fifo_writer(dir_ / "gate.inc", " NOP\n", [this] {
    std::error_code ec;
    fs::rename(dir_ / "saved.s71", dir_ / "main.s71", ec);
    if (ec) ADD_FAILURE() << ec.message();
  });
  BoundedRun r = run_bounded(dir_, {"main.s71"});
  gate.join();
  ASSERT_FALSE(r.timed_out) << r.out;
  EXPECT_EQ(read_file(dir_ / "main.s71"), " ASEG\n#include \"gate.inc\"\n NOP  X9\n END\n");
  EXPECT_NE(r.out.find("\n RJMP L9\n-^\n\"main.s71\",3  Error[50]: undefined symbol:'L9'\n"), std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("X9"), std::string::npos) << r.out;
}

// A run that may open few files: one file included many times is read again through one
// descriptor, and distinct includes past the ones whose descriptors are held keep their text.
TEST_F(ReportLines, ManyIncludesStayWithinTheFilesAProcessMayOpen) {
  std::string source = " ASEG\n";
  for (int i = 0; i < 40; ++i) {
    const std::string name = "d" + std::to_string(i) + ".inc";
    write_file(dir_ / name, i == 39 ? " NOP\n RJMP\tL7\n" : " NOP\n");
    source += "#include \"" + name + "\"\n";
  }
  write_file(dir_ / "same.inc", " RCALL L6\n");
  for (int i = 0; i < 100; ++i) source += "#include \"same.inc\"\n";
  source += " RJMP L5\n END\n";
  write_file(dir_ / "many.s71", source);
  BoundedRun r = run_bounded(dir_, {"-E1000", "many.s71"}, "", 32);
  ASSERT_FALSE(r.timed_out) << r.out;
  EXPECT_EQ(r.code, 2) << r.out;
  EXPECT_EQ(r.out.find("Could not open"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n RJMP   L7\n-^\n\"d39.inc\",2  Error[50]: undefined symbol:'L7'\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\n RCALL L6\n-^\n\"same.inc\",1  Error[50]: undefined symbol:'L6'\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\n RJMP L5\n-^\n\"many.s71\",142  Error[50]: undefined symbol:'L5'\n"), std::string::npos)
      << r.out;
}

// Runs that may open few files: held descriptors are given up for a file to be opened, the lines
// of the files given up are still shown exactly, and the object is the one of an unlimited run.
// (The sanitizers of the test build need descriptors of their own, so no run here goes right up
// to the limit: the 9-deep chain leaves two free.)
TEST_F(ReportLines, IncludesFitTheFilesAProcessMayOpen) {
  for (int i = 0; i < 6; ++i) write_file(dir_ / ("f" + std::to_string(i) + ".inc"), i == 0 ? "\tRJMP\tL7\n" : " NOP\n");
  for (int i = 0; i < 10; ++i) {
    const std::string next = i < 9 ? "#include \"c" + std::to_string(i + 1) + ".inc\"\n" : "";
    write_file(dir_ / ("c" + std::to_string(i) + ".inc"), " NOP\n" + next);
  }
  std::string flat = " ASEG\n";
  for (int i = 0; i < 6; ++i) flat += "#include \"f" + std::to_string(i) + ".inc\"\n";
  write_file(dir_ / "flat.s71", flat + " END\n");
  write_file(dir_ / "chain.s71", " ASEG\n#include \"f1.inc\"\n#include \"f2.inc\"\n#include \"f3.inc\"\n"
                                 "#include \"f4.inc\"\n#include \"c1.inc\"\nL7: RJMP L7\n END\n");

  auto object_of = [this](const std::string& source, rlim_t max_files) {
    fs::remove(dir_ / "chain.r71");
    BoundedRun r = run_bounded(dir_, {source}, "", max_files);
    EXPECT_FALSE(r.timed_out) << r.out;
    EXPECT_EQ(r.code, 0) << source << " under " << max_files << " files:\n" << r.out;
    return read_file(dir_ / "chain.r71");
  };
  const std::string chain = object_of("chain.s71", 0);
  ASSERT_FALSE(chain.empty());
  EXPECT_EQ(object_of("chain.s71", 16), chain);

  // f0.inc's descriptor is given up for the chain; its line is read in before.
  write_file(dir_ / "lines.s71", " ASEG\n#include \"f0.inc\"\n#include \"f1.inc\"\n#include \"f2.inc\"\n"
                                 "#include \"f3.inc\"\n#include \"c1.inc\"\n END\n");
  BoundedRun r = run_bounded(dir_, {"lines.s71"}, "", 16);
  ASSERT_FALSE(r.timed_out) << r.out;
  EXPECT_EQ(r.code, 2) << r.out;
  EXPECT_EQ(r.out.find("Failed to open"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n        RJMP    L7\n--------^\n\"f0.inc\",1  Error[50]: undefined symbol:'L7'\n"),
            std::string::npos)
      << r.out;
}

// A guarded header included again and again past the held descriptors: its text is kept once,
// so the run takes no more memory than one that includes it a few times.
TEST_F(ReportLines, AHeaderIncludedOftenIsKeptOnce) {
  std::string header = "#ifndef HEADER\n#define HEADER 1\n";
  for (int i = 0; i < 1000; ++i) header += "; a line of the header that the guard leaves out " + std::to_string(i) + "\n";
  write_file(dir_ / "header.inc", header + "#endif\n");
  auto run_with = [this](int inclusions) {
    std::string source = " ASEG\n";
    for (int i = 0; i < 70; ++i) {
      const std::string name = "o" + std::to_string(i) + ".inc";
      write_file(dir_ / name, " NOP\n");
      source += "#include \"" + name + "\"\n";
    }
    for (int i = 0; i < inclusions; ++i) source += "#include \"header.inc\"\n";
    write_file(dir_ / "often.s71", source + " END\n");
    BoundedRun r = run_bounded(dir_, {"often.s71"});
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, 0) << r.out;
    return r.max_rss_kib;
  };
  const long few = run_with(5);
  const long many = run_with(300);  // 300 kept copies would be some 16 MB
  EXPECT_LT(many, few + 8 * 1024) << "5 inclusions: " << few << " KiB, 300: " << many << " KiB";
}

}  // namespace

