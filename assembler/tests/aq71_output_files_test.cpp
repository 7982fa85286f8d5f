// Where aq71's object and listing go: never over a file the run reads, in place only when the
// run ends (the object only after a run without errors), nothing left behind, and a file that is
// not a regular one written into rather than replaced.
#include "aq71_test_support.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "assembler/output_files.h"
#include "assembler/tests/test_run.h"

using namespace aq71_test;

namespace {

class OutputFiles : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = make_temp_dir("outputs"); }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_ / "ro", fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  RunResult run(const std::vector<std::string>& args, const std::function<void()>& in_child = {}) {
    return run_aq71(dir_, args, {}, "", in_child);
  }
  fs::path dir_;
};

const std::string kInclude = " NOP\n NOP\n";

// Whatever an output option names, a source or include file of the run keeps its bytes: the run
// stops with the overwrite message, and nothing is left but what was there (and the listing when
// it is not the clash).
TEST_F(OutputFiles, AnOutputNeverWritesOverAFileTheRunReads) {
  write_file(dir_ / "m.s71", "#include \"inc.s71\"\n END\n");
  write_file(dir_ / "n.s71", "#include \"xn.lst\"\n#include \"xn.r71\"\n END\n");
  struct Case {
    std::vector<std::string> args;
    std::string clash;  // the file named in the message
    std::vector<std::string> left;
  };
  const std::vector<Case> cases = {
      {{"-S", "-l", "inc.s71", "m"}, "inc.s71", {}},
      {{"-S", "-o", "inc.s71", "m"}, "inc.s71", {}},
      {{"-S", "-o", "inc.s71", "-l", "m.lst", "m"}, "inc.s71", {"m.lst"}},
      // Another spelling, a hard link and a symbolic link of the include.
      {{"-S", "-l", "./inc.s71", "m"}, "inc.s71", {}},
      {{"-S", "-o", "hard.r71", "m"}, "inc.s71", {}},
      {{"-S", "-l", "soft.lst", "m"}, "inc.s71", {}},
      // Names made from a prefix and the source's base name.
      {{"-S", "-Lx", "n"}, "xn.lst", {}},
      {{"-S", "-Ox", "n"}, "xn.r71", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[2]);
    for (const char* name : {"inc.s71", "xn.lst", "xn.r71"}) write_file(dir_ / name, kInclude);
    fs::create_hard_link(dir_ / "inc.s71", dir_ / "hard.r71");
    fs::create_symlink("inc.s71", dir_ / "soft.lst");
    RunResult r = run(c.args);
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out, "\nTry to overwrite file: '" + c.clash + "'\n");
    for (const char* name : {"inc.s71", "xn.lst", "xn.r71"}) EXPECT_EQ(read_file(dir_ / name), kInclude) << name;
    std::vector<std::string> left = {"hard.r71", "inc.s71", "m.s71", "n.s71", "soft.lst", "xn.lst", "xn.r71"};
    left.insert(left.end(), c.left.begin(), c.left.end());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(folder_files(dir_), left);
    EXPECT_TRUE(fs::is_symlink(dir_ / "soft.lst"));
    for (const std::string& name : left)
      if (name != "m.s71" && name != "n.s71") fs::remove(dir_ / name);
  }
}

// Two outputs that name one file, also one not made yet, are refused before anything is made.
TEST_F(OutputFiles, TwoOutputsNamingOneFileAreRefused) {
  write_file(dir_ / "t.s71", " NOP\n END\n");
  fs::create_directory(dir_ / "sub");
  fs::create_symlink("sub", dir_ / "via");
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"t", "-S", "-o", "x", "-l", "./x.r71"}, {"t", "-S", "-o", "sub/x", "-l", "via/x.r71"}}) {
    RunResult r = run(args);
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out, "\nTry to overwrite file: '" + args.back() + "'\n");
    EXPECT_EQ(folder_files(dir_), (std::vector<std::string>{"sub", "t.s71", "via"}));
    EXPECT_TRUE(fs::is_empty(dir_ / "sub"));
  }
}

// The listing is put in place also after errors and fatal stops (it tells them); the object only
// after a run without errors, and an earlier object stays as it was until then.
TEST_F(OutputFiles, TheListingTellsEveryRunTheObjectComesOnlyFromOneWithoutErrors) {
  write_file(dir_ / "t.s71", " NOP\n LDI R1,2\n END\n");
  write_file(dir_ / "t.r71", "earlier object");
  write_file(dir_ / "t.lst", "earlier listing");
  RunResult r = run({"t", "-S", "-l", "t.lst"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(read_file(dir_ / "t.r71"), "earlier object");
  EXPECT_NE(read_file(dir_ / "t.lst").find("Error[406]: Register not valid."), std::string::npos);
  EXPECT_EQ(folder_files(dir_), (std::vector<std::string>{"t.lst", "t.r71", "t.s71"}));

  // A fatal stop (the source ends without END).
  write_file(dir_ / "t.s71", " NOP\n");
  r = run({"t", "-S", "-l", "t.lst"});
  EXPECT_EQ(r.code, 3);
  EXPECT_NE(read_file(dir_ / "t.lst").find("Error[4]: Unexpected end of file encountered"), std::string::npos);
  EXPECT_EQ(read_file(dir_ / "t.r71"), "earlier object");
  EXPECT_EQ(folder_files(dir_), (std::vector<std::string>{"t.lst", "t.r71", "t.s71"}));

  write_file(dir_ / "t.s71", " NOP\n END\n");
  r = run({"t", "-S", "-l", "t.lst"});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(read_file(dir_ / "t.r71"), "earlier object");
  EXPECT_NE(read_file(dir_ / "t.lst").find("Errors:   0"), std::string::npos);
  EXPECT_EQ(folder_files(dir_), (std::vector<std::string>{"t.lst", "t.r71", "t.s71"}));
}

fs::perms mode_of(const fs::path& p) { return fs::symlink_status(p).permissions(); }

// An output replaces a file with that file's mode; a new one gets the mode a new file gets. A
// link stays a link: the file it leads to gets the bytes, also one that does not exist yet.
TEST_F(OutputFiles, OutputsKeepModesAndLinks) {
  write_file(dir_ / "t.s71", " NOP\n END\n");
  write_file(dir_ / "t.lst", "earlier");
  fs::permissions(dir_ / "t.lst", fs::perms(0640));
  RunResult r = run({"t", "-S", "-l", "t.lst"}, [] { ::umask(027); });
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(mode_of(dir_ / "t.lst"), fs::perms(0640));
  EXPECT_EQ(mode_of(dir_ / "t.r71"), fs::perms(0640));
  fs::permissions(dir_ / "t.lst", fs::perms(0604));
  r = run({"t", "-S", "-l", "t.lst"}, [] { ::umask(022); });
  EXPECT_EQ(mode_of(dir_ / "t.lst"), fs::perms(0604));
  EXPECT_EQ(mode_of(dir_ / "t.r71"), fs::perms(0640));

  fs::create_directory(dir_ / "sub");
  write_file(dir_ / "sub" / "real.lst", "earlier");
  fs::create_symlink("sub/real.lst", dir_ / "link.lst");
  fs::create_symlink("sub/new.r71", dir_ / "dangling.r71");
  r = run({"t", "-S", "-l", "link.lst", "-o", "dangling.r71"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.lst"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.r71"));
  EXPECT_NE(read_file(dir_ / "sub" / "real.lst").find("Errors:   0"), std::string::npos);
  EXPECT_EQ(read_file(dir_ / "sub" / "new.r71"), read_file(dir_ / "t.r71"));
  EXPECT_EQ(folder_files(dir_ / "sub"), (std::vector<std::string>{"new.r71", "real.lst"}));
  EXPECT_EQ(folder_files(dir_),
            (std::vector<std::string>{"dangling.r71", "link.lst", "sub", "t.lst", "t.r71", "t.s71"}));
}

// A FIFO, a device and a descriptor of the process are written into as before, never replaced.
TEST_F(OutputFiles, OutputsThatAreNotRegularFilesAreWrittenInto) {
  write_file(dir_ / "t.s71", " NOP\n END\n");
  ASSERT_EQ(::mkfifo((dir_ / "pipe.lst").c_str(), 0600), 0);
  // The FIFO's reader is a process of its own: a thread alive while the run is forked could
  // hold a lock that the child then waits for. Its copy lies beside the test's own folder, under
  // a name as much its own (other runs of the tests share the temporary folder).
  const std::string fifo = (dir_ / "pipe.lst").string(), copy = dir_.string() + ".piped";
  const pid_t reader = ::fork();
  if (reader == 0) {
    const int in = ::open(fifo.c_str(), O_RDONLY);
    const int out = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    char buf[4096];
    for (ssize_t n; in >= 0 && out >= 0 && (n = ::read(in, buf, sizeof buf)) > 0;)
      if (::write(out, buf, static_cast<size_t>(n)) != n) ::_exit(1);
    ::_exit(in >= 0 && out >= 0 ? 0 : 1);
  }
  ASSERT_GT(reader, 0);
  RunResult r = run({"t", "-S", "-l", "pipe.lst", "-o", "/dev/null."});
  int status = 0;
  ::waitpid(reader, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const std::string piped = read_file(copy);
  fs::remove(copy);
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(piped.find("Errors:   0"), std::string::npos);
  EXPECT_TRUE(fs::is_fifo(dir_ / "pipe.lst"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_EQ(folder_files(dir_), (std::vector<std::string>{"pipe.lst", "t.s71"}));
}

// In the child: runs as an ordinary user (a root process may write anything).
void as_ordinary_user() {
  if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(122);
}

// A file the user may not write is refused as before; where only the folder refuses new files,
// the outputs are written into the files that are there.
TEST_F(OutputFiles, PermissionsDecideAsForWritingIntoTheFile) {
  fs::permissions(dir_, fs::perms(0755));
  fs::create_directory(dir_ / "ro");
  write_file(dir_ / "ro" / "t.s71", " NOP\n END\n");
  write_file(dir_ / "ro" / "t.r71", "earlier");
  fs::permissions(dir_ / "ro" / "t.r71", fs::perms(0444));
  write_file(dir_ / "ro" / "t.lst", "earlier");
  fs::permissions(dir_ / "ro" / "t.lst", fs::perms(0666));
  fs::permissions(dir_ / "ro" / "t.s71", fs::perms(0644));
  RunResult r = run_aq71(dir_ / "ro", {"t", "-S", "-l", "t.lst"}, {}, "", as_ordinary_user);
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nCould not open file: 't.r71'\n");
  EXPECT_EQ(read_file(dir_ / "ro" / "t.r71"), "earlier");

  fs::permissions(dir_ / "ro" / "t.r71", fs::perms(0666));
  fs::permissions(dir_ / "ro", fs::perms(0555));
  r = run_aq71(dir_ / "ro", {"t", "-S", "-l", "t.lst"}, {}, "", as_ordinary_user);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(read_file(dir_ / "ro" / "t.lst").find("Errors:   0"), std::string::npos);
  EXPECT_GT(read_file(dir_ / "ro" / "t.r71").size(), 10u);
  EXPECT_EQ(folder_files(dir_ / "ro"), (std::vector<std::string>{"t.lst", "t.r71", "t.s71"}));
  // A new file is still refused.
  r = run_aq71(dir_ / "ro", {"t", "-S", "-o", "u"}, {}, "", as_ordinary_user);
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\nCould not open file: 'u.r71'\n");
}

// A signal that ends the run leaves the earlier outputs as they were and no temporary.
TEST_F(OutputFiles, ASignalThatEndsTheRunLeavesNoTemporary) {
  ASSERT_EQ(::mkfifo((dir_ / "t.s71").c_str(), 0600), 0);
  write_file(dir_ / "t.r71", "earlier object");
  write_file(dir_ / "t.lst", "earlier listing");
  const std::vector<std::string> before = folder_files(dir_);
  const std::string folder = dir_.string();
  const Aq71Command command({"t.s71", "-S", "-l", "t.lst"});
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(folder.c_str()) != 0) ::_exit(120);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    command.exec();
  }
  // The source is open and the outputs are made once a line has been read; the run then waits
  // for more.
  const int source = ::open((dir_ / "t.s71").c_str(), O_WRONLY);
  ASSERT_GE(source, 0);
  ASSERT_EQ(::write(source, " NOP\n", 5), 5);
  for (int i = 0; i < 500 && folder_files(dir_) == before && read_file(dir_ / "t.r71") != ""; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ::kill(pid, SIGTERM);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(source);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  EXPECT_EQ(folder_files(dir_), before);
  EXPECT_EQ(read_file(dir_ / "t.r71"), "earlier object");
  EXPECT_EQ(read_file(dir_ / "t.lst"), "earlier listing");
}

// Limits the size of every file the child writes (a disk that fills up).
std::function<void()> file_size_limit(rlim_t bytes) {
  return [bytes] {
    const struct rlimit limit = {bytes, bytes};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(122);
  };
}

// A listing that could not be written whole never replaces the earlier one: its temporary is
// removed. Every output that failed is told with its reason; a listing written whole still goes
// in place and tells the object's failure.
TEST_F(OutputFiles, AListingThatCouldNotBeWrittenWholeNeverReplacesTheEarlierOne) {
  // An object of some 5 KiB and a listing of some 10 KiB.
  write_file(dir_ / "m.s71", " NAME m\n RSEG CODE:CODE\nL: NOP\n REPT 100\n LDI R16,1\n RJMP L\n ENDR\n END\n");
  const std::string too_large = std::strerror(EFBIG);
  struct Case {
    rlim_t limit;
    std::string console;
    bool listing_in_place;
  };
  const std::vector<Case> cases = {
      {8192, "\nCould not write file: 'keep.lst': " + too_large + "\n", false},
      {4096, "\nCould not write file: 'm.r71': " + too_large + "\n", true},
      {1024,
       "\nCould not write file: 'm.r71': " + too_large + "\n\nCould not write file: 'keep.lst': " + too_large + "\n",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.limit);
    write_file(dir_ / "keep.lst", "earlier listing");
    write_file(dir_ / "m.r71", "earlier object");
    RunResult r = run({"m", "-S", "-c#", "-l", "keep.lst"}, file_size_limit(c.limit));
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out, c.console);
    EXPECT_EQ(read_file(dir_ / "m.r71"), "earlier object");
    const std::string listing = read_file(dir_ / "keep.lst");
    if (c.listing_in_place) {
      EXPECT_NE(listing.find("Could not write file: 'm.r71': " + too_large), std::string::npos);
      EXPECT_LE(listing.size(), c.limit);
    } else {
      EXPECT_EQ(listing, "earlier listing");
    }
    EXPECT_EQ(folder_files(dir_), (std::vector<std::string>{"keep.lst", "m.r71", "m.s71"}));
  }
}

// The state letter of a process (R, S, D, ...), or '?' when it cannot be read.
char process_state(pid_t pid) {
  const std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() ? stat[close + 2] : '?';
}

// Waits at most `seconds` for the child to end: its wait status, or -1 when it had to be killed.
int wait_bounded(pid_t pid, int seconds) {
  int status = 0;
  for (int i = 0; i < seconds * 100; ++i) {
    if (::waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return -1;
}

// A signal ends a run that waits on a FIFO at once, and leaves no temporary: while it waits for
// a reader to open the listing, and while its last bytes wait for a reader that reads nothing.
TEST_F(OutputFiles, ASignalEndsARunThatWaitsOnAFifo) {
  // A listing of some 5 KiB: more than a pipe of one page takes.
  write_file(dir_ / "t.s71", " NAME t\n RSEG CODE:CODE\nL: NOP\n REPT 100\n RJMP L\n ENDR\n END\n");
  ASSERT_EQ(::mkfifo((dir_ / "f.lst").c_str(), 0600), 0);
  const std::string folder = dir_.string();
  const Aq71Command command({"t", "-S", "-o", "t.r71", "-l", "f.lst"});
  for (const bool reader : {false, true}) {
    for (const int signal_number : {SIGTERM, SIGINT}) {
      SCOPED_TRACE(std::string(reader ? "stalled reader, " : "no reader, ") + strsignal(signal_number));
      write_file(dir_ / "t.r71", "earlier object");
      const std::vector<std::string> before = folder_files(dir_);
      // A reader that reads nothing, through a pipe of one page.
      int held = -1;
      if (reader) {
        held = ::open((dir_ / "f.lst").c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(held, 0);
        ASSERT_GT(::fcntl(held, F_SETPIPE_SZ, 4096), 0);
      }
      const pid_t pid = ::fork();
      if (pid == 0) {
        // The signal ends the run as it would at a terminal, also where the tests run in the
        // background (which ignores SIGINT) or with signals blocked.
        ::signal(signal_number, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        if (::chdir(folder.c_str()) != 0) ::_exit(120);
        command.exec();
      }
      ASSERT_GT(pid, 0);
      // Until the object's temporary is made and the run waits (with a reader: until the pipe is
      // full, the listing's last bytes still to go).
      for (int i = 0; i < 500; ++i) {
        int queued = 0;
        const bool waits = folder_files(dir_).size() > before.size() && process_state(pid) == 'S' &&
                           (!reader || (::ioctl(held, FIONREAD, &queued) == 0 && queued == 4096));
        if (waits) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      EXPECT_EQ(process_state(pid), 'S');
      ::kill(pid, signal_number);
      const int status = wait_bounded(pid, 5);
      if (held >= 0) ::close(held);
      EXPECT_TRUE(status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
      EXPECT_EQ(folder_files(dir_), before);
      EXPECT_TRUE(read_file(dir_ / "t.r71") == "earlier object");
      for (const std::string& name : folder_files(dir_))
        if (name.front() == '.') fs::remove(dir_ / name);
    }
  }
}

// In the run itself: the check at the end, and putting in place that fails.
class OutputsAtTheEnd : public InFolder {
 protected:
  // A source t.s71, the listing t.lst and the object t.r71 opened.
  void open_files() {
    write_file("t.s71", "x\n");
    std::string name = "t";
    aq71::open_source_file(test_run(), &name);
    aq71::opt_l(test_run(), "t.lst");
    aq71::open_default_object(test_run(), "");
  }
  CapturedConsole console_;
};

TEST_F(OutputsAtTheEnd, AnOutputThatBecameAFileTheRunReadsIsLeftOut) {
  open_files();
  ASSERT_EQ(::link("t.s71", "t.lst"), 0);  // made while the run lasts
  EXPECT_THROW(aq71::close_all_files(test_run()), aq71::FatalStop);
  EXPECT_EQ(console_.text(), "\nTry to overwrite file: 't.lst'\n");
  EXPECT_EQ(read_file("t.s71"), "x\n");
  EXPECT_EQ(read_file("t.lst"), "x\n");
  EXPECT_EQ(folder_files("."), (std::vector<std::string>{"t.lst", "t.s71"}));
}

TEST_F(OutputsAtTheEnd, PuttingAnOutputInPlaceThatFailsIsAFatalStop) {
  open_files();
  fs::create_directory("t.lst");
  EXPECT_THROW(aq71::close_all_files(test_run()), aq71::FatalStop);
  EXPECT_EQ(console_.text(), "\nCould not write file: 't.lst': " + std::string(std::strerror(EISDIR)) + "\n");
  EXPECT_EQ(folder_files("."), (std::vector<std::string>{"t.lst", "t.s71"}));
  EXPECT_TRUE(fs::is_directory("t.lst"));
}

// A descriptor of the process named as an output (as /dev/stdout is one) is written through, not
// replaced by a file of its own.
TEST_F(OutputsAtTheEnd, ADescriptorOfTheProcessIsWrittenThrough) {
  const int fd = ::open("console.txt", O_RDWR | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  const std::string name = "/proc/self/fd/" + std::to_string(fd);
  aq71::OutputPlace place;
  aq71::OpenedOutput out = aq71::open_output(name, false, place);
  ASSERT_NE(out.handle, nullptr);
  EXPECT_EQ(place.road, aq71::OutputRoad::direct);
  std::fputs("listed\n", out.handle);
  std::fclose(out.handle);
  EXPECT_EQ(read_file("console.txt"), "listed\n");
  EXPECT_EQ(folder_files("."), std::vector<std::string>{"console.txt"});
  ::close(fd);
  // A name in the current folder, for comparison.
  place = {};
  out = aq71::open_output("plain.lst", false, place);
  ASSERT_NE(out.handle, nullptr);
  EXPECT_EQ(place.road, aq71::OutputRoad::renamed);
  std::fclose(out.handle);
  aq71::remove_output_temporary(place);
  EXPECT_EQ(folder_files("."), std::vector<std::string>{"console.txt"});
}

// A run that ends without closing its files leaves no temporary.
TEST_F(OutputsAtTheEnd, AnUnfinishedRunLeavesNothing) {
  open_files();
  EXPECT_EQ(folder_files(".").size(), 3u);  // the source and two temporaries
  start_test_run();
  EXPECT_EQ(folder_files("."), std::vector<std::string>{"t.s71"});
}

}  // namespace
