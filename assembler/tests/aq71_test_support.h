// Helpers for the aq71 tests: a fresh run state in process, captured console output, and
// running the built program in a folder.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "assembler/assembly.h"
#include "assembler/command_line.h"
#include "assembler/diagnostics.h"
#include "assembler/preprocessor.h"
#include "assembler/run_settings.h"
#include "assembler/source_files.h"
#include "assembler/tests/test_run.h"

namespace aq71_test {

namespace fs = std::filesystem;

inline fs::path make_temp_dir(const std::string& tag) {
  std::string pattern = (fs::temp_directory_path() / ("aq71_" + tag + "_XXXXXX")).string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const char* made = ::mkdtemp(buf.data());
  if (!made) throw std::runtime_error("mkdtemp failed");
  return fs::path(made);
}

inline void write_file(const fs::path& p, const std::string& content) {
  std::ofstream f(p, std::ios::binary);
  f << content;
}

inline std::string read_file(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// Console output captured in memory.
class CapturedConsole {
 public:
  CapturedConsole() {
    file_ = std::tmpfile();
    aq71::set_console_stream(file_);
  }
  ~CapturedConsole() {
    aq71::set_console_stream(nullptr);
    if (file_) std::fclose(file_);
  }
  std::string text() {
    std::fflush(file_);
    long size = std::ftell(file_);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    std::rewind(file_);
    if (!out.empty() && std::fread(out.data(), 1, out.size(), file_) != out.size()) out.clear();
    std::fseek(file_, 0, SEEK_END);
    return out;
  }
  void clear() {
    std::fflush(file_);
    if (::ftruncate(fileno(file_), 0) != 0) return;
    std::rewind(file_);
  }

 private:
  std::FILE* file_ = nullptr;
};

// A fresh in-process run: default settings, no files, no diagnostics, the reader as location.
inline void reset_run_state() {
  aq71_test::start_test_run();
  aq71::install_reader_hooks(aq71_test::test_run());
}

// Fixture that works in its own temporary folder as the current directory.
class InFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = fs::current_path();
    dir_ = make_temp_dir("unit");
    fs::current_path(dir_);
    ::unsetenv("ASMQ71");
    ::unsetenv("AQ71_INC");
    reset_run_state();
  }
  void TearDown() override {
    reset_run_state();
    fs::current_path(old_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path dir_;
  fs::path old_;
};

struct RunResult {
  int code = -1;
  std::string out;
  std::string err;
};

// $ZQV_BIN_DIR/aq71, else the program folder beside the test binary's folder.
inline fs::path aq71_binary() {
  if (const char* bin = std::getenv("ZQV_BIN_DIR"); bin && *bin) return fs::path(bin) / "aq71";
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return self.parent_path().parent_path() / "bin" / "aq71";
}

// The command line of aq71 and the environment it runs in, made before a fork so that the child
// allocates nothing (a thread of the test may hold the allocator's lock at the fork). The
// environment is the test's without ASMQ71 and AQ71_INC, with the entries of `env` set (value) or
// left out (nullopt).
struct Aq71Command {
  explicit Aq71Command(const std::vector<std::string>& args,
                       const std::map<std::string, std::optional<std::string>>& env = {})
      : bin(aq71_binary().string()), words(args) {
    argv.push_back(const_cast<char*>(bin.c_str()));
    for (auto& a : words) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      const std::string key = entry.substr(0, entry.find('='));
      if (key != "ASMQ71" && key != "AQ71_INC" && !env.count(key)) variables.push_back(entry);
    }
    for (const auto& [k, v] : env)
      if (v) variables.push_back(k + "=" + *v);
    for (auto& v : variables) envp.push_back(const_cast<char*>(v.c_str()));
    envp.push_back(nullptr);
  }
  // In a child process: becomes aq71 (exit code 121 when it cannot).
  [[noreturn]] void exec() const {
    ::execve(bin.c_str(), argv.data(), envp.data());
    ::_exit(121);
  }
  std::string bin;
  std::vector<std::string> words;
  std::vector<char*> argv;
  std::vector<std::string> variables;
  std::vector<char*> envp;
};

// Runs aq71 in dir with the arguments; env entries set (value) or unset (nullopt) variables;
// ASMQ71 and AQ71_INC are unset unless given. Standard input is stdin_text. in_child runs in
// the child just before aq71 starts (limits and the like), and must allocate nothing: the child
// allocates nothing else.
inline RunResult run_aq71(const fs::path& dir, const std::vector<std::string>& args,
                          const std::map<std::string, std::optional<std::string>>& env = {},
                          const std::string& stdin_text = "", const std::function<void()>& in_child = {}) {
  fs::path cap = make_temp_dir("cap");
  write_file(cap / "in", stdin_text);
  const std::string folder = dir.string(), in_path = (cap / "in").string(), out_path = (cap / "out").string(),
                    err_path = (cap / "err").string();
  const Aq71Command command(args, env);
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(folder.c_str()) != 0) ::_exit(120);
    int in = ::open(in_path.c_str(), O_RDONLY);
    int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (in_child) in_child();
    command.exec();
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  RunResult r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = read_file(cap / "out");
  r.err = read_file(cap / "err");
  std::error_code ec;
  fs::remove_all(cap, ec);
  return r;
}

// Names of the files in a folder, sorted.
inline std::vector<std::string> folder_files(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace aq71_test
