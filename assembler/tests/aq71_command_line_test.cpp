// The option table, argument splitting, parsing and the -w parser, in process.
#include "aq71_test_support.h"
#include "assembler/tests/test_run.h"

using namespace aq71_test;

namespace {

class CommandLine : public InFolder {
 protected:
  void SetUp() override {
    InFolder::SetUp();
    write_file("t.s71", "x\n");
    aq71::build_option_table(aq71_test::test_run());
  }
  // Parses and checks; returns false on a fatal stop.
  bool parse(const std::vector<std::string>& words, const char* env = nullptr) {
    auto& args = aq71::argument_list(aq71_test::test_run());
    args.clear();
    args.push_back({"aq71", 0, 0});
    for (const auto& w : words) args.push_back({w, 0, 0});
    try {
      if (env) aq71::split_environment_arguments(aq71_test::test_run(), env, 0);
      aq71::parse_command_line(aq71_test::test_run());
      aq71::check_option_combinations(aq71_test::test_run());
    } catch (const aq71::FatalStop&) {
      return false;
    }
    return true;
  }
  std::vector<int> enabled_warnings() {
    std::vector<int> on;
    for (int i = 0; i < aq71::WARNING_COUNT; ++i) {
      if (aq71::settings(aq71_test::test_run()).warning_enabled[static_cast<std::size_t>(i)]) on.push_back(i);
    }
    return on;
  }
  CapturedConsole console_;
};

TEST_F(CommandLine, OptionTableOrderAndForms) {
  const auto& t = aq71::option_table(aq71_test::test_run());
  std::string letters;
  for (const auto& o : t) letters.push_back(o.letter);
  EXPECT_EQ(letters, "coObvvvvvvvwdEfrBMlLtxTipDDUIGsSN");
  const aq71::OptionRec* o = aq71::find_option(aq71_test::test_run(), 'o');
  EXPECT_TRUE(o->anchor);
  EXPECT_EQ(o->form, aq71::ArgForm::next_word);
  EXPECT_EQ(o->apply, aq71::ApplyTime::check);
  EXPECT_TRUE(aq71::find_option(aq71_test::test_run(), 'O')->conflict);
  EXPECT_TRUE(aq71::find_option(aq71_test::test_run(), 'L')->conflict);
  EXPECT_TRUE(aq71::find_option(aq71_test::test_run(), 'x')->requirement);
  EXPECT_TRUE(aq71::find_option(aq71_test::test_run(), 'f')->repeatable);
  EXPECT_EQ(aq71::find_option(aq71_test::test_run(), 'v')->usage,
            "-v0           Select processor option: Relative jumps reach entire addr space (default)");
}

TEST_F(CommandLine, WarningStrings) {
  aq71::parse_warning_option(aq71_test::test_run(), "-,+10-12,+20");
  EXPECT_EQ(enabled_warnings(), (std::vector<int>{10, 11, 12, 20}));

  aq71_test::start_test_run();
  aq71::parse_warning_option(aq71_test::test_run(), "");
  EXPECT_TRUE(enabled_warnings().empty());
  EXPECT_TRUE(aq71::settings(aq71_test::test_run()).all_warnings_off);

  aq71_test::start_test_run();
  aq71::parse_warning_option(aq71_test::test_run(), "0+5");
  EXPECT_EQ(enabled_warnings(), std::vector<int>{5});
  aq71::parse_warning_option(aq71_test::test_run(), "9-3-498");
  EXPECT_EQ(enabled_warnings(), (std::vector<int>{0, 1, 2, 499}));
  // A sign alone reuses the previous range.
  aq71::parse_warning_option(aq71_test::test_run(), "+7-9,-,+8");
  EXPECT_EQ(enabled_warnings(), (std::vector<int>{0, 1, 2, 8, 499}));
  // Upper ends above 499 are taken as 499; other characters end the string quietly.
  aq71::parse_warning_option(aq71_test::test_run(), "0+490-100000x+1");
  EXPECT_EQ(enabled_warnings().size(), 10u);

  aq71_test::start_test_run();
  aq71::parse_warning_option(aq71_test::test_run(), "sjunk");
  EXPECT_TRUE(aq71::settings(aq71_test::test_run()).warnings_exit_code);
  EXPECT_EQ(enabled_warnings().size(), 500u);

  aq71::parse_warning_option(aq71_test::test_run(), "+600");
  aq71::parse_warning_option(aq71_test::test_run(), "+12-3");
  EXPECT_EQ(console_.text(),
            "\nIllegal range in -w option: 600-499, ignored\n"
            "\nIllegal range in -w option: 12-3, ignored\n");
  EXPECT_EQ(enabled_warnings().size(), 500u);
  EXPECT_THROW(aq71::parse_warning_option(aq71_test::test_run(), "3"), aq71::FatalStop);
  EXPECT_THROW(aq71::parse_warning_option(aq71_test::test_run(), "-32768"), aq71::FatalStop);
}

TEST_F(CommandLine, SettingsFromOptions) {
  ASSERT_TRUE(parse({"t", "-c#WdeaomscS$", "-b", "-v3", "-E5", "-r", "-B", "-M[]", "-l", "l", "-t4", "-xDI2", "-T",
                     "-i", "-p60", "-s-", "-ST", "-N", "-d"}));
  const auto& s = aq71::settings(aq71_test::test_run());
  EXPECT_TRUE(s.fixed_date);
  EXPECT_TRUE(s.warnings_as_errors);
  EXPECT_EQ(s.list_flags, (0x509u & ~0x001u & ~0x008u & ~0x400u) | 0x002u | 0x004u | 0x010u | 0x080u | 0x200u);
  EXPECT_TRUE(s.first_module_library);
  EXPECT_EQ(s.processor_option, 3);
  EXPECT_EQ(s.max_errors, 5);
  EXPECT_EQ(s.debug_info, 1u);
  EXPECT_TRUE(s.macro_debug);
  EXPECT_EQ(s.macro_quote_open, '[');
  EXPECT_EQ(s.macro_quote_close, ']');
  EXPECT_EQ(s.tab_width, 4);
  EXPECT_TRUE(s.cross_reference && s.xref_defines && s.xref_internal && s.dual_spacing);
  EXPECT_TRUE(s.active_lines_only);
  EXPECT_TRUE(s.list_includes);
  EXPECT_EQ(s.page_length, 60);
  EXPECT_FALSE(s.case_sensitive);
  EXPECT_TRUE(s.case_option_given);
  EXPECT_FALSE(s.banner);
  EXPECT_FALSE(s.console_diagnostics);
  EXPECT_FALSE(s.listing_header);
  EXPECT_FALSE(s.ifdef_matching);
  // Open, to be put in place when the run ends.
  EXPECT_NE(aq71::standard_files(aq71_test::test_run()).list, nullptr);
  EXPECT_EQ(aq71::standard_files(aq71_test::test_run()).list_place.target, (fs::current_path() / "l.lst").string());
  EXPECT_EQ(aq71::standard_files(aq71_test::test_run()).list_name, "l.lst");
}

TEST_F(CommandLine, SmallerOptionRules) {
  ASSERT_TRUE(parse({"t", "-E0", "-Mab", "-s", "-S"}));
  EXPECT_EQ(aq71::settings(aq71_test::test_run()).max_errors, 100);
  EXPECT_EQ(aq71::settings(aq71_test::test_run()).macro_quote_open, '<');
  EXPECT_TRUE(aq71::settings(aq71_test::test_run()).case_sensitive);
  EXPECT_TRUE(aq71::settings(aq71_test::test_run()).console_diagnostics);
  EXPECT_EQ(console_.text(),
            "\nIllegal argument to -E option '0' ignored\n"
            "\nIllegal argument to -M option 'ab' ignored\n");
  reset_run_state();
  aq71::build_option_table(aq71_test::test_run());
  ASSERT_TRUE(parse({"t", "-rE"}));
  EXPECT_EQ(aq71::settings(aq71_test::test_run()).debug_info, 3u);
  reset_run_state();
  aq71::build_option_table(aq71_test::test_run());
  ASSERT_TRUE(parse({"t", "-rb", "-M<<"}));
  EXPECT_EQ(aq71::settings(aq71_test::test_run()).debug_info, 5u);
  EXPECT_EQ(aq71::settings(aq71_test::test_run()).macro_quote_close, '>');
}

TEST_F(CommandLine, DefinesApplyAllDBeforeAllU) {
  ASSERT_TRUE(parse({"-UX", "t", "-DX", "-DY=a=b", "-DZ=", "-D$_q1"}));
  EXPECT_EQ(aq71::find_define(aq71_test::test_run(), "X"), nullptr);
  ASSERT_NE(aq71::find_define(aq71_test::test_run(), "Y"), nullptr);
  EXPECT_EQ(aq71::find_define(aq71_test::test_run(), "Y")->body, "a=b");
  ASSERT_NE(aq71::find_define(aq71_test::test_run(), "Z"), nullptr);
  EXPECT_EQ(aq71::find_define(aq71_test::test_run(), "Z")->body, "");
  ASSERT_NE(aq71::find_define(aq71_test::test_run(), "$_q1"), nullptr);
  EXPECT_EQ(aq71::find_define(aq71_test::test_run(), "$_q1")->body, "1");
  // Repeats of -D are kept in command-line order behind their entry.
  std::vector<std::string> args;
  for (const auto& o : aq71::option_table(aq71_test::test_run())) {
    if (o.letter == 'D' && o.seen) args.push_back(o.argument);
  }
  EXPECT_EQ(args, (std::vector<std::string>{"X", "Y=a=b", "Z=", "$_q1"}));

  for (const char* bad : {"-D=1", "-DA-B", "-U=", "-UA=1"}) {
    reset_run_state();
    aq71::build_option_table(aq71_test::test_run());
    EXPECT_FALSE(parse({"t", "-DA", bad})) << bad;
  }
}

TEST_F(CommandLine, IncludePrefixesInOrder) {
  fs::create_directory("s");
  write_file("s/m.s71", "x\n");
  ASSERT_TRUE(parse({"-Ione", "s/m", "-Itwo/"}));
  EXPECT_EQ(aq71::include_prefixes(aq71_test::test_run()), (std::vector<std::string>{"s/", "one/", "two/"}));
}

TEST_F(CommandLine, ArgumentListMarksAndCommandFiles) {
  write_file("c.xcl", "-c#\n-f d\n");
  write_file("d.xcl", "\"-I a b\" -b");
  ASSERT_TRUE(parse({"t", "-f", "c", "-S"}, "-N   -ws"));
  std::vector<std::pair<std::string, unsigned>> got;
  for (const auto& a : aq71::argument_list(aq71_test::test_run())) got.emplace_back(a.text, a.marks);
  std::vector<std::pair<std::string, unsigned>> want = {
      {"aq71", 0}, {"-N", 1}, {"-ws", 2}, {"t", 0},      {"-f", 0}, {"c", 0},
      {"-c#", 4},  {"-f", 0}, {"d", 8},   {"-I a b", 4}, {"-b", 8}, {"-S", 0},
  };
  EXPECT_EQ(got, want);
  EXPECT_EQ(aq71::include_prefixes(aq71_test::test_run()), (std::vector<std::string>{"", " a b/"}));
  EXPECT_TRUE(aq71::settings(aq71_test::test_run()).first_module_library);
  EXPECT_EQ(aq71::standard_files(aq71_test::test_run()).command, nullptr);  // read to its end and closed
}

TEST_F(CommandLine, ZeroByteEndsACommandFile) {
  write_file("z.xcl", std::string("-b\0-N", 5));
  ASSERT_TRUE(parse({"t", "-f", "z"}));
  EXPECT_TRUE(aq71::settings(aq71_test::test_run()).first_module_library);
  EXPECT_TRUE(aq71::settings(aq71_test::test_run()).listing_header);
  EXPECT_EQ(aq71::standard_files(aq71_test::test_run()).command, nullptr);
}

TEST_F(CommandLine, QuotedWords) {
  auto& args = aq71::argument_list(aq71_test::test_run());
  args = {{"aq71", 0, 0}};
  aq71::split_environment_arguments(aq71_test::test_run(), "\"-D\"\"Q\"\"\" \"\" -b \"a b\"", 0);
  std::vector<std::string> words;
  for (const auto& a : args) words.push_back(a.text);
  EXPECT_EQ(words, (std::vector<std::string>{"aq71", "-D\"Q\"", "-b", "a b"}));
}

// Random texts through the splitter and random strings through the -w parser: either accepted
// or a clean fatal stop, never a crash.
TEST_F(CommandLine, FuzzSplittingAndWarningStrings) {
  std::mt19937 rng(1234);
  const char alphabet[] = {'a', '-', '"', ' ', '\t', '\n', '+', ',', '5', '0', '9', 's', 'w', 'f', 'S'};
  for (int round = 0; round < 3000; ++round) {
    reset_run_state();
    aq71::build_option_table(aq71_test::test_run());
    console_.clear();
    std::string text;
    std::size_t len = rng() % 40;
    for (std::size_t i = 0; i < len; ++i) text.push_back(alphabet[rng() % sizeof alphabet]);
    try {
      aq71::parse_warning_option(aq71_test::test_run(), text);
    } catch (const aq71::FatalStop&) {
    }
    auto& args = aq71::argument_list(aq71_test::test_run());
    args = {{"aq71", 0, 0}};
    try {
      aq71::split_environment_arguments(aq71_test::test_run(), text, 0);
      for (std::size_t i = 1; i < args.size(); ++i) {
        ASSERT_FALSE(args[i].text.empty());
        ASSERT_LE(args[i].text.size(), aq71::MAX_ARGUMENT_LENGTH);
      }
      ASSERT_TRUE(args[1].marks & aq71::ARG_ENV_FIRST);
      ASSERT_TRUE(args.back().marks & aq71::ARG_ENV_LAST);
    } catch (const aq71::FatalStop&) {
    }
  }
}

}  // namespace

namespace {

// Random command lines made of option fragments: each either runs through or stops cleanly.
TEST_F(CommandLine, FuzzWholeCommandLines) {
  write_file("c.xcl", "-b \"-DQ=1\" -f c2");
  write_file("c2.xcl", "-N");
  const std::vector<std::string> pool = {
      "t",   "t.s71",  "-",     "-c",  "-c#W", "-cZ", "-o",  "out", "-O", "-Opre_", "-b",  "-v",  "-v6",  "-v9",
      "-w",  "-w-,+3", "-ws",   "-w7", "-d",   "-E",  "-E2", "-f",  "c",  "-r",     "-re", "-B",  "-M()", "-l",
      "lst", "-L",     "-t",    "-t3", "-x",   "-xD", "-T",  "-i",  "-p", "-p20",   "-D",  "-DA", "-DA=", "-U",
      "-UA", "-I",     "-Iinc", "-G",  "-s",   "-s-", "-S",  "-ST", "-N", "-q",     "--",  "\"",  "",
  };
  std::mt19937 rng(99);
  int stopped = 0;
  for (int round = 0; round < 1500; ++round) {
    reset_run_state();
    aq71::build_option_table(aq71_test::test_run());
    console_.clear();
    std::vector<std::string> words;
    std::size_t n = rng() % 8;
    for (std::size_t i = 0; i < n; ++i) words.push_back(pool[rng() % pool.size()]);
    if (!parse(words)) ++stopped;
    aq71::close_all_files(aq71_test::test_run());
  }
  EXPECT_GT(stopped, 0);
  EXPECT_LT(stopped, 1500);
}

}  // namespace
