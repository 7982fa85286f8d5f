// File naming, the open-file table, include search and the line reader.
#include "aq71_test_support.h"

#include <chrono>
#include <thread>

#include "assembler/ident_tree.h"
#include "assembler/tests/test_run.h"

using namespace aq71_test;

namespace {

class SourceFiles : public InFolder {
 protected:
  // Opens the source and reads everything; returns the lines delivered.
  std::vector<std::string> read_all(const std::string& name) {
    aq71::open_source_file(aq71_test::test_run(), &name);
    return drain();
  }
  // Every line read can be read again from the place the reader gives for it (the rest of the
  // line that opened an include has that line's place).
  std::vector<std::string> drain() {
    aq71::SourceReader& reader = aq71::source_reader(aq71_test::test_run());
    std::vector<std::string> lines;
    std::string cur;
    for (int c; (c = reader.source_file_getch()) != -1;) {
      cur.push_back(static_cast<char>(c));
      if (c == '\n') {
        EXPECT_EQ(reader.line_at(reader.line_place()), reader.line()) << reader.file_name();
        lines.push_back(cur);
        cur.clear();
      }
    }
    EXPECT_EQ(cur, "");
    EXPECT_EQ(aq71::source_reader(aq71_test::test_run()).source_file_getch(), -1);
    return lines;
  }
  CapturedConsole console_;
};

TEST(FileNames, ExtensionRules) {
  EXPECT_EQ(aq71::build_file_name("", "prog", "s71"), "prog.s71");
  EXPECT_EQ(aq71::build_file_name("", "prog.", "s71"), "prog");
  EXPECT_EQ(aq71::build_file_name("", "prog.x", "s71"), "prog.x");
  EXPECT_EQ(aq71::build_file_name("out/", "prog", "r71"), "out/prog.r71");
  EXPECT_EQ(aq71::build_file_name("", "a.b/prog", "lst"), "a.b/prog.lst");
  EXPECT_EQ(aq71::build_file_name("", "a.b\\prog", "lst"), "a.b\\prog.lst");
  EXPECT_EQ(aq71::build_file_name("x.y/", "inc", ""), "x.y/inc");
  // Long paths are fine (no fixed name length).
  std::string deep(300, 'd');
  EXPECT_EQ(aq71::build_file_name(deep + "/", "p", "s71"), deep + "/p.s71");
}

TEST_F(SourceFiles, SourcePrefersMsaAndNamesTheModule) {
  write_file("prog.s71", "s\n");
  write_file("prog.msa", "m\n");
  EXPECT_EQ(read_all("prog"), std::vector<std::string>{"m\n"});
  const auto& f = aq71::standard_files(aq71_test::test_run());
  EXPECT_EQ(f.source_name, "prog.msa");
  EXPECT_EQ(f.base_name, "prog");
  EXPECT_EQ(aq71::include_prefixes(aq71_test::test_run()), std::vector<std::string>{""});
  ASSERT_EQ(aq71::open_file_table(aq71_test::test_run()).size(), 1u);
  EXPECT_EQ(aq71::open_file_table(aq71_test::test_run())[0].kind, aq71::FileKind::text_input);
}

TEST_F(SourceFiles, SourceDirectoryBecomesFirstPrefixAndNamesAreLowerCasedInTheTable) {
  fs::create_directory("Dir");
  write_file("Dir/Mod.Part.S71", "x\n");
  aq71::settings(aq71_test::test_run()).fixed_date = true;
  read_all("Dir/Mod.Part.S71");
  const auto& f = aq71::standard_files(aq71_test::test_run());
  EXPECT_EQ(f.source_directory, "Dir/");
  EXPECT_EQ(f.source_file_part, "Mod.Part.S71");
  EXPECT_EQ(f.base_name, "Mod");
  EXPECT_EQ(aq71::include_prefixes(aq71_test::test_run()), std::vector<std::string>{"Dir/"});
  const auto& e = aq71::open_file_table(aq71_test::test_run())[0];
  EXPECT_EQ(e.name, "dir/mod.part.s71");
  EXPECT_EQ(e.time.year, 80);
  EXPECT_EQ(e.time.month, 8);
  EXPECT_EQ(e.time.day, 17);
  EXPECT_EQ(e.time.hour, 7);
  EXPECT_EQ(e.time.minute, 20);
  EXPECT_EQ(e.time.second, 0);
  EXPECT_NE(aq71::find_open_file(aq71_test::test_run(), "DIR/MOD.PART.S71"), nullptr);
}

TEST_F(SourceFiles, FixedDateReachesFilesOpenedBeforeTheOption) {
  write_file("t.s71", "x\n");
  std::string name = "t";
  aq71::open_source_file(aq71_test::test_run(), &name);
  EXPECT_NE(aq71::open_file_table(aq71_test::test_run())[0].time.year, 80);
  aq71::apply_fixed_file_times(aq71_test::test_run());
  EXPECT_NE(aq71::open_file_table(aq71_test::test_run())[0].time.year, 80);
  aq71::settings(aq71_test::test_run()).fixed_date = true;
  aq71::apply_fixed_file_times(aq71_test::test_run());
  const auto& t = aq71::open_file_table(aq71_test::test_run())[0].time;
  EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second}),
            (std::vector<int>{80, 8, 17, 7, 20, 0}));
}

TEST_F(SourceFiles, LinesTabsCarriageReturnsAndContinuation) {
  write_file("t.s71", "a\tb\r\nx\\\ny\n\r\n\tz\\\r\nw\rq\nr\r\r\nlast\r");
  EXPECT_EQ(read_all("t"),
            (std::vector<std::string>{"a       b\n", "xy\n", "\n", "        zw\rq\n", "r\r\n", "last\n"}));
  EXPECT_EQ(aq71::source_reader(aq71_test::test_run()).line_number(), 8);
  EXPECT_EQ(aq71::source_reader(aq71_test::test_run()).total_lines(), 8);
  EXPECT_EQ(console_.text(), "");
}

TEST_F(SourceFiles, TabWidthFromTheSettings) {
  aq71::settings(aq71_test::test_run()).tab_width = 4;
  write_file("t.s71", "ab\tc\t\td\n");
  EXPECT_EQ(read_all("t"), std::vector<std::string>{"ab  c       d\n"});
}

TEST_F(SourceFiles, LongLinesAreCutWithErrorFive) {
  std::string ok(511, 'a');
  write_file("t.s71", ok + "\n" + std::string(511, 'b') + "cdef\nnext");
  auto lines = read_all("t");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], ok + "\n");
  EXPECT_EQ(lines[1], std::string(511, 'b') + "\n");
  EXPECT_EQ(lines[2], "next\n");
  EXPECT_EQ(console_.text(),
            "\n" + std::string(511, 'b') +
                "\n^\n\"t.s71\",2  Error[5]: Too long source line (max is 512 characters); truncated\n");
  EXPECT_EQ(aq71::diagnostic_counts(aq71_test::test_run()).errors, 1);
}

// A line taken past the limit by its tabs alone is cut with error 5 like any other.
TEST_F(SourceFiles, LineLongByItsTabsIsCutWithErrorFive) {
  write_file("t.s71", "first\n\t" + std::string(505, 'a') + "\nnext\n");
  const std::string cut = std::string(8, ' ') + std::string(503, 'a');
  EXPECT_EQ(read_all("t"), (std::vector<std::string>{"first\n", cut + "\n", "next\n"}));
  EXPECT_EQ(console_.text(),
            "\n" + cut + "\n^\n\"t.s71\",2  Error[5]: Too long source line (max is 512 characters); truncated\n");
}

TEST_F(SourceFiles, IncludeWithoutFinalLineFeedAndReturn) {
  write_file("t.s71", "one\ntwo\nthree\n");
  write_file("inc.h", "i1\ni2");
  std::string name = "t";
  aq71::open_source_file(aq71_test::test_run(), &name);
  auto& r = aq71::source_reader(aq71_test::test_run());
  std::string got;
  int c;
  while ((c = r.source_file_getch()) != '\n') got.push_back(static_cast<char>(c));
  EXPECT_EQ(got, "one");
  EXPECT_EQ(r.listing_line_number(), 1);
  r.push_include_file("inc.h", true);
  // The rest of the current line (its line feed) was delivered; the include follows.
  EXPECT_EQ(r.source_file_getch(), 'i');
  EXPECT_EQ(r.file_name(), "inc.h");
  EXPECT_EQ(r.file_index(), 1);
  EXPECT_EQ(r.listing_line_number(), 0);
  EXPECT_EQ(r.include_depth(), 1);
  auto rest = drain();
  EXPECT_EQ(rest, (std::vector<std::string>{"1\n", "i2\n", "two\n", "three\n"}));
  EXPECT_EQ(r.file_name(), "t.s71");
  EXPECT_EQ(r.line_number(), 3);
  EXPECT_EQ(r.total_lines(), 5);
  const auto* e = aq71::find_open_file(aq71_test::test_run(), "inc.h");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->file_index, 1);
  // Held for reading its lines again until the files are closed.
  EXPECT_TRUE(e->is_open);
  aq71::close_all_files(aq71_test::test_run());
  EXPECT_FALSE(e->is_open);
}

// A file included again is read again through the descriptor held for its first include, which
// stays open until the files are closed; the second one is closed when it ends. A reader that
// gives no places (the run keeps every line's text) holds nothing and keeps no text.
TEST_F(SourceFiles, IncludesAreHeldOnlyForReadingLinesAgain) {
  write_file("t.s71", "one\ntwo\nthree\n");
  write_file("a.h", "a1\n\ta2\n");
  for (const bool places : {true, false}) {
    reset_run_state();
    std::string name = "t";
    aq71::open_source_file(aq71_test::test_run(), &name);
    auto& r = aq71::source_reader(aq71_test::test_run());
    r.set_gives_places(places);
    std::vector<std::uint64_t> seen;
    std::string line;
    ASSERT_TRUE(r.next_line(line));
    for (int i = 0; i < 2; ++i) {  // each after a line of the source
      r.push_include_file("a.h", true);
      while (r.next_line(line) && r.file_name() == "a.h") seen.push_back(r.line_place());
      seen.push_back(r.line_place());
    }
    ASSERT_EQ(seen.size(), 6u);
    const auto& table = aq71::open_file_table(aq71_test::test_run());
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[1].is_open, places);
    EXPECT_FALSE(table[2].is_open);
    if (places) {
      EXPECT_EQ(r.line_at(seen[1]), "        a2\n");
      EXPECT_EQ(r.line_at(seen[4]), "        a2\n");
      EXPECT_EQ(r.line_at(seen[2]), "two\n");
      EXPECT_EQ(r.line_at(seen[5]), "three\n");
    } else {
      for (std::uint64_t place : seen) EXPECT_EQ(place, 0u);
    }
    aq71::close_all_files(aq71_test::test_run());
    EXPECT_FALSE(table[1].is_open);
    EXPECT_EQ(r.line_at(seen[1]), "");
  }
}

TEST_F(SourceFiles, WholeLinesThroughTheIncludeStack) {
  write_file("t.s71", "one two\nthree\n");
  write_file("i.h", "\tin\r\n");
  std::string name = "t";
  aq71::open_source_file(aq71_test::test_run(), &name);
  auto& r = aq71::source_reader(aq71_test::test_run());
  EXPECT_EQ(r.source_file_getch(), 'o');
  std::string line;
  ASSERT_TRUE(r.next_line(line));
  EXPECT_EQ(line, "ne two");
  r.push_include_file("i.h", true);
  ASSERT_TRUE(r.next_line(line));
  EXPECT_EQ(line, "        in");
  EXPECT_EQ(r.location().file, "i.h");
  ASSERT_TRUE(r.next_line(line));
  EXPECT_EQ(line, "three");
  EXPECT_EQ(r.line_number(), 2);
  EXPECT_FALSE(r.next_line(line));
  EXPECT_EQ(r.source_file_getch(), -1);
}

TEST_F(SourceFiles, EmptyIncludeAndIncludeAtEndOfSource) {
  write_file("t.s71", "a\n");
  write_file("empty.h", "");
  write_file("end.h", "e\n");
  std::string name = "t";
  aq71::open_source_file(aq71_test::test_run(), &name);
  auto& r = aq71::source_reader(aq71_test::test_run());
  EXPECT_EQ(r.source_file_getch(), 'a');
  r.push_include_file("empty.h", true);
  EXPECT_EQ(r.source_file_getch(), '\n');
  r.push_include_file("end.h", true);
  EXPECT_EQ(drain(), std::vector<std::string>{"e\n"});
  EXPECT_TRUE(r.at_end());
}

TEST_F(SourceFiles, QuotedNamesSearchTheSourceFolderFirstAngleNamesSkipIt) {
  fs::create_directory("src");
  fs::create_directory("inc");
  write_file("src/t.s71", "x\n");
  write_file("src/h.inc", "from src\n");
  write_file("inc/h.inc", "from inc\n");
  write_file("h.inc", "from here\n");
  std::string name = "src/t";
  aq71::open_source_file(aq71_test::test_run(), &name);
  aq71::add_include_prefix(aq71_test::test_run(), "inc");
  aq71::add_include_prefix(aq71_test::test_run(), std::nullopt);
  EXPECT_EQ(aq71::include_prefixes(aq71_test::test_run()), (std::vector<std::string>{"src/", "inc/", ""}));
  auto& r = aq71::source_reader(aq71_test::test_run());
  r.push_include_file("h.inc", true);
  EXPECT_EQ(drain(), (std::vector<std::string>{"from src\n", "x\n"}));

  reset_run_state();
  aq71::open_source_file(aq71_test::test_run(), &name);
  aq71::add_include_prefix(aq71_test::test_run(), std::nullopt);
  aq71::source_reader(aq71_test::test_run()).push_include_file("h.inc", false);
  EXPECT_EQ(drain(), (std::vector<std::string>{"from here\n", "x\n"}));
}

TEST_F(SourceFiles, BackslashesAndCaseInsensitiveFallback) {
  fs::create_directory("lib");
  write_file("t.s71", "x\n");
  write_file("lib/ZQ3MAC.INC", "mac\n");
  std::string name = "t";
  aq71::open_source_file(aq71_test::test_run(), &name);
  aq71::add_include_prefix(aq71_test::test_run(), "lib\\");
  auto& r = aq71::source_reader(aq71_test::test_run());
  r.push_include_file("zq3mac.inc", false);
  EXPECT_EQ(drain(), (std::vector<std::string>{"mac\n", "x\n"}));

  reset_run_state();
  aq71::open_source_file(aq71_test::test_run(), &name);
  aq71::add_include_prefix(aq71_test::test_run(), std::nullopt);
  // Only the last part of a name is matched loosely.
  EXPECT_THROW(aq71::source_reader(aq71_test::test_run()).push_include_file("LIB\\zq3mac.inc", false), aq71::FatalStop);

  reset_run_state();
  aq71::open_source_file(aq71_test::test_run(), &name);
  aq71::add_include_prefix(aq71_test::test_run(), std::nullopt);
  aq71::source_reader(aq71_test::test_run()).push_include_file(".\\lib\\Zq3Mac.inc", false);
  EXPECT_EQ(drain(), (std::vector<std::string>{"mac\n", "x\n"}));
}

TEST_F(SourceFiles, MissingIncludeIsFatalErrorTwo) {
  write_file("t.s71", "x\n");
  std::string name = "t";
  aq71::open_source_file(aq71_test::test_run(), &name);
  aq71::add_include_prefix(aq71_test::test_run(), std::nullopt);
  EXPECT_EQ(aq71::source_reader(aq71_test::test_run()).source_file_getch(), 'x');
  EXPECT_THROW(aq71::source_reader(aq71_test::test_run()).push_include_file("nope.h", true), aq71::FatalStop);
  EXPECT_EQ(console_.text(),
            "\nx\n^\n\"t.s71\",1  Error[2]: Failed to open #include file 'nope.h'\n"
            "\nFatal!\a Execution terminated...\n");
}

TEST_F(SourceFiles, EleventhNestedIncludeIsFatalErrorOne) {
  write_file("t.s71", "x\n");
  for (int i = 1; i <= 11; ++i) write_file("i" + std::to_string(i) + ".h", "l\n");
  std::string name = "t";
  aq71::open_source_file(aq71_test::test_run(), &name);
  auto& r = aq71::source_reader(aq71_test::test_run());
  r.source_file_getch();
  for (int i = 1; i <= 10; ++i) {
    r.push_include_file("i" + std::to_string(i) + ".h", true);
    EXPECT_EQ(r.source_file_getch(), i == 1 ? '\n' : 'l');
    if (i > 1) {
      EXPECT_EQ(r.source_file_getch(), '\n');
    }
    EXPECT_EQ(r.file_index(), i);
  }
  EXPECT_EQ(r.include_depth(), 10);
  console_.clear();
  EXPECT_THROW(r.push_include_file("i11.h", true), aq71::FatalStop);
  EXPECT_NE(console_.text().find("Error[1]: Too deep #include nesting (max is 10)\n"), std::string::npos);
  // The fatal stop closed every file.
  for (const auto& e : aq71::open_file_table(aq71_test::test_run())) EXPECT_FALSE(e.is_open) << e.name;
}

TEST_F(SourceFiles, LeavingAnIncludeChecksTheSavedStates) {
  write_file("t.s71", "x\n");
  write_file("a.h", "a\n");
  aq71::IncludeState state;
  state.list_flags = 0x509;
  auto& r = aq71::source_reader(aq71_test::test_run());
  r.state_hooks().get = [&] { return state; };
  r.state_hooks().set = [&](const aq71::IncludeState& s) { state = s; };
  std::string name = "t";
  aq71::open_source_file(aq71_test::test_run(), &name);
  r.source_file_getch();
  state.comment = 1;
  r.push_include_file("a.h", true);
  // Inside: a comment, a repeat and a conditional left open, the listing switched off.
  state = {1, 2, 3, 0};
  EXPECT_EQ(drain(), (std::vector<std::string>{"\n", "a\n"}));
  EXPECT_EQ(state.comment, 1);
  EXPECT_EQ(state.repeat, 0);
  EXPECT_EQ(state.conditional_depth, 0);
  EXPECT_EQ(state.list_flags, 0x509u);
  std::string out = console_.text();
  EXPECT_NE(out.find("Warning[1]: Nested comment"), std::string::npos);
  EXPECT_NE(out.find("Error[75]: Repeat directive unbalanced"), std::string::npos);
  EXPECT_NE(out.find("Error[57]: unbalanced conditional assembly directives"), std::string::npos);
}

TEST_F(SourceFiles, IncludePrefixesFromTheEnvironment) {
  ::setenv("AQ71_INC", "a;;b;", 1);
  aq71::read_include_env(aq71_test::test_run());
  EXPECT_EQ(aq71::include_prefixes(aq71_test::test_run()), (std::vector<std::string>{"a/", "", "b/"}));
  reset_run_state();
  ::setenv("AQ71_INC", "", 1);
  aq71::read_include_env(aq71_test::test_run());
  EXPECT_TRUE(aq71::include_prefixes(aq71_test::test_run()).empty());
}

TEST_F(SourceFiles, ObjectIsDeletedOnlyAfterErrors) {
  write_file("t.s71", "x\n");
  std::string name = "t";
  aq71::open_source_file(aq71_test::test_run(), &name);
  aq71::open_default_object(aq71_test::test_run(), "");
  aq71::close_all_files(aq71_test::test_run());
  EXPECT_TRUE(fs::exists("t.r71"));
  aq71::close_all_files(aq71_test::test_run());  // once only

  reset_run_state();
  aq71::open_source_file(aq71_test::test_run(), &name);
  aq71::opt_o(aq71_test::test_run(), "obj");
  aq71::open_default_list(aq71_test::test_run(), "");
  EXPECT_THROW(aq71::fatal_exit_A01(aq71_test::test_run()), aq71::FatalStop);
  EXPECT_FALSE(fs::exists("obj.r71"));
  EXPECT_TRUE(fs::exists("t.lst"));
  EXPECT_TRUE(fs::exists("t.s71"));
}

TEST_F(SourceFiles, CheckIncludeEndWarnsInsideAnInclude) {
  write_file("t.s71", "x\n");
  write_file("a.h", "a\n");
  std::string name = "t";
  aq71::open_source_file(aq71_test::test_run(), &name);
  auto& r = aq71::source_reader(aq71_test::test_run());
  r.check_include_end();
  EXPECT_EQ(aq71::diagnostic_counts(aq71_test::test_run()).warnings, 0);
  r.source_file_getch();
  r.push_include_file("a.h", true);
  r.source_file_getch();
  r.source_file_getch();
  r.check_include_end();
  EXPECT_EQ(aq71::diagnostic_counts(aq71_test::test_run()).warnings, 1);
  EXPECT_NE(console_.text().find("\"a.h\",1  Warning[18]: END of program while in include file\n"), std::string::npos);
}

// Random bytes: every delivered line ends in a line feed and holds at most 511 characters
// before it and no tab; nothing is read past.
// The line rules taken one character at a time: a CR directly before LF or at the end of the
// file is dropped, "\" before LF joins lines, tabs go to the next stop of 8, 511 characters are
// kept, a last line without LF gets one.
std::vector<std::string> model_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t i = 0;
  auto next = [&]() -> int {
    if (i >= text.size()) return -1;
    int c = static_cast<unsigned char>(text[i++]);
    if (c == '\r' && (i >= text.size() || text[i] == '\n')) {
      if (i >= text.size()) return -1;
      return static_cast<unsigned char>(text[i++]);
    }
    return c;
  };
  for (;;) {
    std::string line;
    bool started = false, truncated = false;
    int last = -1;
    for (;;) {
      int c = next();
      if (c == -1) {
        if (!started) return lines;
        if (last == '\\' && !truncated && !line.empty() && line.back() == '\\') line.pop_back();
        lines.push_back(line + "\n");
        return lines;
      }
      started = true;
      if (c == '\n') {
        if (last == '\\') {
          if (!truncated && !line.empty() && line.back() == '\\') line.pop_back();
          last = -1;
          continue;
        }
        break;
      }
      last = c;
      if (c == '\t') {
        for (std::size_t n = 8 - line.size() % 8; n > 0; --n)
          if (line.size() < 511)
            line.push_back(' ');
          else
            truncated = true;
      } else if (line.size() < 511) {
        line.push_back(static_cast<char>(c));
      } else {
        truncated = true;
      }
    }
    lines.push_back(line + "\n");
  }
}

// Two runs side by side, neither of them the current one: each opens, reads and closes its own
// files, enters names in its own tree and hears only its own problem reports.
TEST_F(SourceFiles, RunsSideBySideKeepTheirFilesNamesAndReports) {
  write_file("a.s71", "a\n");
  write_file("b.s71", "b\n");
  aq71::Assembly a;
  aq71::Assembly b;
  std::vector<int> heard_a, heard_b;
  aq71::problem_hooks(a).error = [&](int n, std::string_view, long) { heard_a.push_back(n); };
  aq71::problem_hooks(a).warning = [&](int n, std::string_view, long) { heard_a.push_back(-n); };
  aq71::problem_hooks(b).error = [&](int n, std::string_view, long) { heard_b.push_back(n); };
  aq71::problem_hooks(b).warning = [&](int n, std::string_view, long) { heard_b.push_back(-n); };

  std::string name_a = "a", name_b = "b";
  aq71::open_source_file(a, &name_a);
  aq71::open_source_file(b, &name_b);
  EXPECT_EQ(aq71::source_reader(b).source_file_getch(), 'b');
  EXPECT_EQ(aq71::source_reader(a).source_file_getch(), 'a');
  ASSERT_EQ(aq71::open_file_table(a).size(), 1u);
  ASSERT_EQ(aq71::open_file_table(b).size(), 1u);
  EXPECT_EQ(aq71::open_file_table(a)[0].name, "a.s71");
  EXPECT_EQ(aq71::open_file_table(b)[0].name, "b.s71");
  EXPECT_NE(aq71::find_open_file(a, "A.S71"), nullptr);
  EXPECT_EQ(aq71::find_open_file(b, "a.s71"), nullptr);
  EXPECT_TRUE(aq71::open_file_table(aq71_test::test_run()).empty());

  aq71::ident_tree(a).enter("ONLY_A", true, false);
  EXPECT_NE(aq71::ident_tree(a).find_exact("ONLY_A"), nullptr);
  EXPECT_EQ(aq71::ident_tree(b).find_exact("ONLY_A"), nullptr);

  aq71::report_error(a, 5);
  aq71::report_warning(b, 7);
  EXPECT_EQ(heard_a, std::vector<int>{5});
  EXPECT_EQ(heard_b, std::vector<int>{-7});

  aq71::close_all_files(a);
  EXPECT_TRUE(aq71::standard_files(a).closed);
  EXPECT_FALSE(aq71::standard_files(b).closed);
  EXPECT_EQ(aq71::source_reader(b).source_file_getch(), '\n');
  aq71::close_all_files(b);
  EXPECT_EQ(console_.text(), "");
}

TEST_F(SourceFiles, LinesReadWholeKeepTheCharacterRules) {
  const std::vector<std::string> cases = {"a\n\r",
                                          "\r",
                                          "a\r\r\n",
                                          "a\\\r\nb",
                                          "x\\",
                                          "x\\\n",
                                          "\n\n",
                                          "a\0b\n",
                                          "\r\rq\r",
                                          std::string(509, 'a') + "\tb\n",
                                          std::string(520, 'c') + "\\\nd"};
  for (const std::string& text : cases) {
    reset_run_state();
    aq71::settings(aq71_test::test_run()).max_errors = 1000000;
    write_file("e.s71", text);
    std::string name = "e";
    aq71::open_source_file(aq71_test::test_run(), &name);
    EXPECT_EQ(drain(), model_lines(text)) << testing::PrintToString(text);
  }
}

// Random lines of `size` bytes or a few more: mostly short ones, some about the limit and some
// far past it, with tabs, CRs, NULs and "\" among their characters and at their ends.
std::string random_lines(std::mt19937& rng, std::size_t size) {
  const char alphabet[] = {'a', 'b', '\t', '\r', ' ', '\\', '\0'};
  const char* const ends[] = {"\n", "\n", "\n", "\r\n", "\\\n", "\t\n"};
  std::string text;
  while (text.size() < size) {
    const unsigned kind = rng() % 40;
    const std::size_t length = kind == 0 ? 4000 + rng() % 9000 : kind < 4 ? 500 + rng() % 30 : rng() % 60;
    for (std::size_t i = 0; i < length; ++i) text.push_back(rng() % 4 ? 'x' : alphabet[rng() % sizeof alphabet]);
    text += ends[rng() % std::size(ends)];
  }
  return text;
}

// A large file is read in pieces (the first ends at 64 KiB): a line across the end of one, or
// longer than one, is read whole and can be read again from its place.
TEST_F(SourceFiles, LinesAcrossThePiecesAFileIsReadIn) {
  constexpr std::size_t kFirstPiece = 65536;
  // Lines put across the end of the first piece, with the bytes of them that lie before it.
  const std::vector<std::pair<std::string, std::size_t>> across = {
      {"end\n", 4},
      {"cr\r\n", 3},
      {"cr\r\n", 4},
      {"join\\\ned\n", 5},
      {"join\\\r\ned\n", 5},
      {"a\tb\n", 1},
      {"a\tb\n", 2},
      {"\tx\n", 0},
      {std::string("a\0b\n", 4), 2},
      {std::string(70000, 'w') + "\n", 10},
      {"a\tb\nplain\n", 6},
      {"no line feed", 3},
      // the last piece is short: what lies after it in the buffer was read before
      {"a\nno line feed", 0}};
  std::mt19937 rng(38);
  for (const auto& [line, before] : across) {
    reset_run_state();
    aq71::settings(aq71_test::test_run()).max_errors = 1000000;
    std::string text;
    for (int i = 0; i < 64; ++i) text += "ab\n";
    while (text.size() + 100 < kFirstPiece - before) text += std::string(rng() % 90, 'p') + "\n";
    text += std::string(kFirstPiece - before - text.size() - 1, 'q') + "\n";
    text += line;
    if (line.back() == '\n') text += random_lines(rng, 150000);
    write_file("big.s71", text);
    std::string name = "big";
    aq71::open_source_file(aq71_test::test_run(), &name);
    EXPECT_EQ(drain(), model_lines(text)) << testing::PrintToString(line.substr(0, 20));
  }
}

// A pipe is read in the pieces it hands over, whatever their size.
TEST_F(SourceFiles, LinesOfAPipeWhateverPiecesItGives) {
  aq71::settings(aq71_test::test_run()).max_errors = 1000000;
  std::mt19937 rng(71);
  const std::string text = random_lines(rng, 100000);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  std::FILE* pipe = ::fdopen(fds[0], "r");
  ASSERT_NE(pipe, nullptr);
  std::thread writer([&text, fd = fds[1]] {
    std::mt19937 sizes(7);
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t n = std::min<std::size_t>(sizes() % 9000 + 1, text.size() - at);
      const ssize_t put = ::write(fd, text.data() + at, n);
      if (put <= 0) break;
      at += static_cast<std::size_t>(put);
      if (sizes() % 4 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::close(fd);
  });
  aq71::SourceReader& reader = aq71::source_reader(aq71_test::test_run());
  reader.start(pipe, "pipe.s71");
  EXPECT_EQ(drain(), model_lines(text));
  writer.join();
  reader.reset();
  std::fclose(pipe);
}

TEST_F(SourceFiles, FuzzLineReaderInvariants) {
  std::mt19937 rng(71);
  const char alphabet[] = {'a', 'b', '\t', '\r', '\n', '\\', ' ', '\0', '\x1b', '\xff'};
  for (int round = 0; round < 300; ++round) {
    reset_run_state();
    aq71::settings(aq71_test::test_run()).max_errors = 1000000;
    console_.clear();
    std::string text;
    std::size_t len = rng() % 2000;
    bool long_runs = rng() % 4 == 0;
    for (std::size_t i = 0; i < len; ++i) {
      text.push_back(long_runs && rng() % 50 ? 'x' : alphabet[rng() % sizeof alphabet]);
    }
    write_file("f.s71", text);
    std::string name = "f";
    aq71::open_source_file(aq71_test::test_run(), &name);
    std::vector<std::string> lines = drain();
    ASSERT_EQ(lines, model_lines(text));
    for (const auto& l : lines) {
      ASSERT_FALSE(l.empty());
      ASSERT_EQ(l.back(), '\n');
      ASSERT_LE(l.size(), 512u);
      ASSERT_EQ(l.find('\t'), std::string::npos);
      ASSERT_EQ(l.find('\n'), l.size() - 1);
    }
    std::size_t physical = 0;
    for (char c : text) physical += c == '\n';
    EXPECT_LE(aq71::source_reader(aq71_test::test_run()).total_lines(), static_cast<long>(physical + 1));
  }
}

}  // namespace
