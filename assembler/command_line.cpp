#include "assembler/command_line.h"
#include "assembler/assembly.h"

#include <unistd.h>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "assembler/diagnostics.h"
#include "assembler/preprocessor.h"
#include "assembler/run_settings.h"
#include "assembler/source_files.h"

namespace aq71 {

namespace {

struct CommandLine {
  std::vector<ArgumentWord> args;
  std::vector<OptionRec> options;
  std::size_t walk = 0;  // argument being parsed (the -f handler inserts behind it)
};
CommandLine& command_line(Assembly& run) { return run.part<CommandLine>(); }

constexpr const char* V_TEMPLATE = "-v?           Select processor option: ";
constexpr const char* V_CHOICES =
    "0Relative jumps reach entire addr space,1Relative jumps reach entire addr space,"
    "2Relative jumps do not wrap,3Relative jumps do not wrap,4Relative jumps do not wrap,"
    "5Relative jumps do not wrap,6Relative jumps do not wrap";

constexpr const char* W_USAGE =
    "-ws           To make warnings generate exit code 1\n"
    "-wstring      Disable warnings\n"
    "\t\t string: <+|-,><+|-range><,+|-range>...\n"
    "\t\t range: low_warning_nr<-high_warning_nr>\n"
    "\t\t example: -w turns all warnings off\n"
    "\t\t          -w-,+10-12,+20 turns all but 10,11,12 and 20 off\n";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Decimal digits at the start of s (saturating), with the count of digits used.
long read_number(std::string_view s, std::size_t& i) {
  long value = 0;
  while (i < s.size() && is_digit(s[i])) {
    if (value < 1000000000L) value = value * 10 + (s[i] - '0');
    ++i;
  }
  return value;
}

[[noreturn]] void option_error(Assembly& run, const std::string& word, const char* text) {
  console_printf("\nError in command line option '%s': %s\n", word.c_str(), text);
  fatal_exit_A01(run);
}

// ---- option handlers ------------------------------------------------------------------------

int opt_c(Assembly& run, std::string_view a) {
  RunSettings& s = settings(run);
  for (char c : a) {
    switch (c) {
      case 'D':
      case 'd':
        s.list_flags &= ~LIST_ON;
        break;
      case 'E':
      case 'e':
        s.list_flags &= ~LIST_MACRO_EXPANSION;
        break;
      case 'A':
      case 'a':
        s.list_flags |= LIST_ASSEMBLED_ONLY;
        break;
      case 'O':
      case 'o':
        s.list_flags |= LIST_MULTI_CODE;
        break;
      case 'M':
      case 'm':
        s.list_flags |= LIST_MACRO_DEFS;
        break;
      case 'S':
      case 's':
        s.list_flags &= ~LIST_STRUCTURED;
        break;
      case 'C':
      case 'c':
        s.list_flags |= LIST_CYCLES;
        break;
      case 'W':
        s.warnings_as_errors = true;
        break;
      case '#':
        s.fixed_date = true;
        break;
      case '$':
        break;
      default:
        return 1;
    }
  }
  return 0;
}

int opt_o_handler(Assembly& run, std::string_view a) { return opt_o(run, a); }
int opt_O(Assembly& run, std::string_view a) {
  open_default_object(run, a);
  return 0;
}
int opt_l_handler(Assembly& run, std::string_view a) { return opt_l(run, a); }
int opt_L(Assembly& run, std::string_view a) {
  open_default_list(run, a);
  return 0;
}
int opt_b(Assembly& run, std::string_view) {
  settings(run).first_module_library = true;
  return 0;
}
int opt_w(Assembly& run, std::string_view a) { return parse_warning_option(run, a); }
int opt_d(Assembly& run, std::string_view) {
  settings(run).ifdef_matching = false;
  return 0;
}

int opt_E(Assembly& run, std::string_view a) {
  std::size_t i = 0;
  bool negative = false;
  if (i < a.size() && (a[i] == '-' || a[i] == '+')) negative = a[i++] == '-';
  long value = read_number(a, i);
  if (negative || value <= 0) {
    console_printf("\nIllegal argument to -E option '%.*s' ignored\n", static_cast<int>(a.size()), a.data());
    return 0;
  }
  settings(run).max_errors = static_cast<int>(value);
  return 0;
}

int opt_f_handler(Assembly& run, std::string_view a);

int opt_r(Assembly& run, std::string_view a) {
  std::uint32_t word = 1;
  for (char c : a) {
    if (c == 'e' || c == 'E')
      word |= 2;
    else if (c == 'b' || c == 'B')
      word |= 4;
    else
      return 1;
  }
  if ((word & 6) == 6) return 1;
  settings(run).debug_info = word;
  return 0;
}

int opt_B(Assembly& run, std::string_view) {
  settings(run).macro_debug = true;
  return 0;
}

int opt_M(Assembly& run, std::string_view a) {
  static constexpr std::string_view quotes = "()<>[]{}";
  if (a.size() == 2 && a[0] != a[1] && quotes.find(a[0]) != std::string_view::npos &&
      quotes.find(a[1]) != std::string_view::npos) {
    settings(run).macro_quote_open = a[0];
    settings(run).macro_quote_close = a[1];
  } else {
    console_printf("\nIllegal argument to -M option '%.*s' ignored\n", static_cast<int>(a.size()), a.data());
  }
  return 0;
}

int opt_t(Assembly& run, std::string_view a) {
  if (a.size() != 1 || a[0] < '2' || a[0] > '9') return 1;
  settings(run).tab_width = a[0] - '0';
  return 0;
}

int opt_x(Assembly& run, std::string_view a) {
  RunSettings& s = settings(run);
  for (char c : a) {
    if (c == 'D')
      s.xref_defines = true;
    else if (c == 'I')
      s.xref_internal = true;
    else if (c == '2')
      s.dual_spacing = true;
    else
      return 1;
  }
  s.cross_reference = true;
  s.list_flags |= LIST_XREF;
  return 0;
}

int opt_T(Assembly& run, std::string_view) {
  settings(run).active_lines_only = true;
  return 0;
}
int opt_i(Assembly& run, std::string_view) {
  settings(run).list_includes = true;
  return 0;
}

int opt_p(Assembly& run, std::string_view a) {
  std::size_t i = 0;
  long value = read_number(a, i);
  if (i != a.size() || value < 10 || value > 150) return 1;
  settings(run).page_length = static_cast<int>(value);
  return 0;
}

bool valid_symbol(std::string_view name) {
  if (name.empty() || is_digit(name[0])) return false;
  for (char c : name) {
    if (!(c == '$' || c == '_' || std::isalnum(static_cast<unsigned char>(c)))) return false;
  }
  return true;
}

int opt_D(Assembly& run, std::string_view a) {
  std::size_t eq = a.find('=');
  std::string_view name = a.substr(0, eq);
  if (!valid_symbol(name)) return 1;
  std::string_view body = eq == std::string_view::npos ? std::string_view("1") : a.substr(eq + 1);
  return define_symbol_A02(run, name, body, 0) != 0;
}

int opt_U(Assembly& run, std::string_view a) {
  if (!valid_symbol(a)) return 1;  // also refuses "="
  return undefine_symbol_A02(run, a) != 0;
}

int opt_I(Assembly& run, std::string_view a) {
  add_include_prefix(run, a);
  return 0;
}
int opt_G(Assembly& run, std::string_view) {
  open_source_file(run, nullptr);
  return 0;
}

int opt_s(Assembly& run, std::string_view a) {
  settings(run).case_sensitive = a != "-";
  settings(run).case_option_given = true;
  return 0;
}

int opt_S(Assembly& run, std::string_view a) {
  settings(run).banner = false;
  if (a == "T") settings(run).console_diagnostics = false;
  return 0;
}

int opt_N(Assembly& run, std::string_view) {
  settings(run).listing_header = false;
  return 0;
}

// ---- argument splitting ---------------------------------------------------------------------

// Splits characters into words inserted behind `position`; next() returns -1 at the end.
// `source` names the origin in messages: empty for a command file.
void split_words(Assembly& run, const std::function<int()>& next, std::size_t position, bool from_env, int depth) {
  auto where = [&] {
    if (from_env)
      console_printf("command line extension variable %s\n", ENV_OPTIONS);
    else
      console_write("command file\n");
    fatal_exit_A01(run);
  };
  std::vector<std::string> words;
  std::string word;
  enum { outside, plain, quoted, closed } state = outside;
  auto add_char = [&](char c) {
    if (word.size() >= MAX_ARGUMENT_LENGTH) {
      console_printf("\nParameter exceeded %d characters\n", static_cast<int>(MAX_ARGUMENT_LENGTH));
      fatal_exit_A01(run);
    }
    word.push_back(c);
  };
  auto finish = [&] {
    if (!word.empty()) words.push_back(word);
    word.clear();
    state = outside;
  };
  for (;;) {
    int c = next();
    bool blank = c == ' ' || c == '\t' || c == '\n';
    if (c < 0) {
      if (state == quoted) {
        console_printf("\nBad argument (\"%s) in ", word.c_str());
        where();
      }
      finish();
      break;
    }
    switch (state) {
      case outside:
        if (blank) break;
        if (c == '"')
          state = quoted;
        else {
          state = plain;
          add_char(static_cast<char>(c));
        }
        break;
      case plain:
        if (blank)
          finish();
        else if (c == '"') {
          console_printf("\nBad argument (%s\") in ", word.c_str());
          where();
        } else
          add_char(static_cast<char>(c));
        break;
      case quoted:
        if (c == '"')
          state = closed;
        else if (c == '\n') {
          console_printf("\nBad argument (\"%s) in ", word.c_str());
          where();
        } else
          add_char(static_cast<char>(c));
        break;
      case closed:
        if (c == '"') {
          add_char('"');
          state = quoted;
        } else if (blank)
          finish();
        else {
          std::string rest(1, static_cast<char>(c));
          for (int d = next(); d >= 0 && d != ' ' && d != '\t' && d != '\n' && rest.size() < MAX_ARGUMENT_LENGTH;
               d = next()) {
            rest.push_back(static_cast<char>(d));
          }
          console_printf("\nBad argument (\"%s\"%s) in ", word.c_str(), rest.c_str());
          where();
        }
        break;
    }
  }
  if (words.empty()) {
    if (from_env)
      console_printf("\nCommand line extension variable %s found but was empty\n", ENV_OPTIONS);
    else
      console_write("\nCommand file empty\n");
    fatal_exit_A01(run);
  }
  std::vector<ArgumentWord> inserted;
  for (auto& w : words) inserted.push_back({std::move(w), 0, depth});
  inserted.front().marks |= from_env ? ARG_ENV_FIRST : ARG_CMD_FIRST;
  inserted.back().marks |= from_env ? ARG_ENV_LAST : ARG_CMD_LAST;
  command_line(run).args.insert(command_line(run).args.begin() + static_cast<std::ptrdiff_t>(position + 1),
                                inserted.begin(), inserted.end());
}

int opt_f_handler(Assembly& run, std::string_view a) {
  int depth = command_line(run).args[command_line(run).walk].command_depth;
  if (depth >= MAX_COMMAND_FILE_NESTING) {
    console_printf("\nCommand files nested too deeply (max is %d)\n", MAX_COMMAND_FILE_NESTING);
    fatal_exit_A01(run);
  }
  opt_f(run, a);
  // A zero byte ends the command file like its end does.
  split_words(
      run,
      [&run, &files = standard_files(run)] {
        int c = cmdfile_getc(run);
        if (c != 0) return c;
        while (files.command && cmdfile_getc(run) != 0) {
        }
        return -1;
      },
      command_line(run).walk, false, depth + 1);
  return 0;
}

void add_option(Assembly& run, const std::string& usage, OptionHandler handler, ArgForm form, ApplyTime apply,
                bool repeatable = false, bool anchor = false, bool conflict = false, bool requirement = false) {
  OptionRec r;
  r.letter = usage.size() > 1 ? usage[1] : 0;
  r.usage = usage;
  r.handler = handler;
  r.form = form;
  r.apply = apply;
  r.repeatable = repeatable;
  r.anchor = anchor;
  r.conflict = conflict;
  r.requirement = requirement;
  command_line(run).options.push_back(std::move(r));
}

void apply_option(Assembly& run, const OptionRec& entry) {
  if (entry.handler && entry.handler(run, entry.argument) != 0) {
    console_write("\nError in command line: ");
    console_printf("Invalid argument to option '-%c'\n", entry.letter);
    fatal_exit_A01(run);
  }
}

// Nearest anchor before index k (or -1).
long anchor_before(Assembly& run, long k) {
  for (long j = k - 1; j >= 0; --j) {
    if (command_line(run).options[static_cast<std::size_t>(j)].anchor) return j;
  }
  return -1;
}

}  // namespace

std::vector<ArgumentWord>& argument_list(Assembly& run) { return command_line(run).args; }
std::vector<OptionRec>& option_table(Assembly& run) { return command_line(run).options; }

OptionRec* find_option(Assembly& run, char letter) {
  for (auto& o : command_line(run).options) {
    if (o.letter == letter) return &o;
  }
  return nullptr;
}

void build_option_table(Assembly& run) {
  using A = ArgForm;
  using T = ApplyTime;
  command_line(run).options.clear();
  add_option(run,
             "-c{DEAOM}     Listing options\n"
             "\t\t D: Disable listing,             E: Disable macro expansion\n"
             "\t\t A: List only assembled part     O: List several lines of code\n"
             "\t\t M: List Macro definition",
             opt_c, A::optional, T::parse);
  add_option(run, "-o file       Put object  on: <file> <.\x01>", opt_o_handler, A::next_word, T::check, false, true);
  add_option(run, "-Oprefix      Put object on: <prefix> <source> <.\x01>", opt_O, A::optional, T::check, false, true,
             true);
  add_option(run, "-b            Make object a library module", opt_b, A::none, T::parse);
  // -v0 to -v6 from the template and the choice list.
  std::string_view choices = V_CHOICES;
  bool first = true;
  while (!choices.empty()) {
    std::size_t comma = choices.find(',');
    std::string_view choice = choices.substr(0, comma);
    std::string usage = V_TEMPLATE;
    usage[2] = choice[0];
    usage.append(choice.substr(1));
    if (first) usage.append(" (default)");
    first = false;
    add_option(run, usage, match_option_choice, A::required, T::parse);
    choices = comma == std::string_view::npos ? std::string_view() : choices.substr(comma + 1);
  }
  add_option(run, W_USAGE, opt_w, A::optional, T::parse);
  add_option(run, "-d            Disable #ifdef,#endif matching", opt_d, A::optional, T::parse);
  add_option(run, "-Enumber      Allow <number> errors", opt_E, A::optional, T::parse);
  add_option(run, "-f file       Extend command line with <file> <.xcl>", opt_f_handler, A::next_word, T::parse, true);
  add_option(run,
             "-r{e}         Enable debugger output in object\n"
             "\t\t e:   Source Files Embedded into the object file",
             opt_r, A::optional, T::parse);
  add_option(run, "-B            Print debug info for assembler macros", opt_B, A::none, T::parse);
  add_option(run,
             "-Mab          Change asm.macro argument quote chars,\n"
             " \t\t where a is start-of-quote and b is end-of-quote char.\n"
             " \t\t default is a == < and b == >.",
             opt_M, A::optional, T::parse);
  add_option(run, "-l file       Generate a list on: <file> <.lst>", opt_l_handler, A::next_word, T::check, false,
             true);
  add_option(run, "-Lprefix      Generate a list on: <prefix> <source> <.lst>", opt_L, A::optional, T::check, false,
             true, true);
  add_option(run, "-tn           Set tab spacing between 2 and 9 (default 8)", opt_t, A::required, T::parse);
  add_option(run,
             "-x{DI2}       Generate cross-reference list\n"
             "\t\t D: Show all #defines, I: Show Internal table\n"
             "\t\t 2: Dual line space listing",
             opt_x, A::optional, T::parse, false, false, false, true);
  add_option(run, "-T            List 'active' lines only (#if etc. true)", opt_T, A::none, T::parse, false, false,
             false, true);
  add_option(run, "-i            List #included files", opt_i, A::none, T::parse, false, false, false, true);
  add_option(run, "-pnn          Page listing with 'nn' lines/page (10-150)", opt_p, A::required, T::parse, false,
             false, false, true);
  add_option(run, "-DSYMB        Equivalent to: #define SYMB 1", opt_D, A::required, T::check, true);
  // Usage line only: every -D finds the entry above first.
  add_option(run, "-DSYMB=xx     Equivalent to: #define SYMB xx", nullptr, A::required, T::check, true);
  add_option(run, "-USYMB        Equivalent to: #undef SYMB", opt_U, A::required, T::check, true);
  add_option(run, "-Iprefix      Add #include search prefix", opt_I, A::required, T::check, true);
  add_option(run, "-G            Open standard input as source", opt_G, A::none, T::parse);
  add_option(run,
             "-s{+|-}       Set case sensitivity for user symbols\n"
             "\t\t -s and -s+ enables sensitivity, -s- disables it.",
             opt_s, A::optional, T::parse);
  add_option(run, "-S            Silent operation of assembler", opt_S, A::optional, T::parse);
  add_option(run, "-N            No header in listing", opt_N, A::none, T::parse);
}

int match_option_choice(Assembly& run, std::string_view argument) {
  if (argument.size() != 1) return 1;
  int index = 0;
  for (const auto& o : command_line(run).options) {
    if (o.letter != 'v') continue;
    if (o.usage.size() > 2 && o.usage[2] == argument[0]) {
      settings(run).processor_option = index;
      return 0;
    }
    ++index;
  }
  return 1;
}

void print_usage(Assembly& run) {
  std::string target = ENV_OPTIONS;
  target = lower_case(target.substr(target.size() - 3));
  console_printf("\nUsage:        a%s {<options>} <sourcefile> {<options>}", target.c_str());
  console_write("\nSourcefile:   source file with default extension: .msa");
  console_printf(" or .%s\n", "s71");
  console_printf("\nEnvironment:  %s", ENV_OPTIONS);
  console_write("\nOptions (specified order is of no importance):\n");
  long lines = 7;
  // Pages only for a person at a terminal: piped or redirected usage text runs through.
  const bool paging = ::isatty(STDIN_FILENO) && ::isatty(::fileno(console_stream()));
  auto line_end = [&] {
    console_write("\n");
    if (paging && lines % 20 == 0) {
      console_write("Press <ENTER> for more");
      std::fflush(console_stream());
      int c;
      do {
        c = std::getchar();
      } while (c != '\n' && c != EOF);
    }
    ++lines;
  };
  for (const auto& o : command_line(run).options) {
    for (char c : o.usage) {
      if (c == '\x01')
        console_write("r71");
      else if (c == '\x02')
        console_write("s71");
      else if (c == '\t')
        console_write("        ");
      else if (c == '\n')
        line_end();
      else
        console_write(std::string_view(&c, 1));
    }
    line_end();
  }
}

void split_environment_arguments(Assembly& run, std::string_view text, std::size_t position) {
  std::size_t i = 0;
  split_words(
      run, [&] { return i < text.size() ? static_cast<unsigned char>(text[i++]) : -1; }, position, true, 0);
}

void parse_command_line(Assembly& run) {
  for (command_line(run).walk = 1; command_line(run).walk < command_line(run).args.size(); ++command_line(run).walk) {
    const std::string word = command_line(run).args[command_line(run).walk].text;
    if (word.empty() || word[0] != '-') {
      open_source_file(run, &word);
      continue;
    }
    if (word.size() == 1) option_error(run, word, "'-' not succeeded by character");
    OptionRec* entry = find_option(run, word[1]);
    if (!entry) option_error(run, word, "No such option");
    if (entry->seen) {
      if (!entry->repeatable) option_error(run, word, "Option multiply defined");
      std::size_t last = 0;
      for (std::size_t k = 0; k < command_line(run).options.size(); ++k) {
        if (command_line(run).options[k].letter == entry->letter) last = k;
      }
      OptionRec copy = *entry;
      copy.argument.clear();
      command_line(run).options.insert(command_line(run).options.begin() + static_cast<std::ptrdiff_t>(last + 1), copy);
      entry = &command_line(run).options[last + 1];
    }
    std::string rest = word.substr(2);
    std::string argument;
    switch (entry->form) {
      case ArgForm::optional:
        argument = rest;
        break;
      case ArgForm::required:
        if (rest.empty()) option_error(run, word, "Argument missing");
        argument = rest;
        break;
      case ArgForm::none:
        if (!rest.empty()) option_error(run, word, "Illegal characters specified");
        break;
      case ArgForm::next_word:
        if (!rest.empty()) option_error(run, word, "Illegal characters specified");
        if (command_line(run).walk + 1 >= command_line(run).args.size()) option_error(run, word, "Argument missing");
        if (!command_line(run).args[command_line(run).walk + 1].text.empty() &&
            command_line(run).args[command_line(run).walk + 1].text[0] == '-') {
          option_error(run, word, "Argument started with '-'");
        }
        argument = command_line(run).args[++command_line(run).walk].text;
        break;
    }
    entry->seen = true;
    entry->argument = argument;
    if (entry->apply == ApplyTime::parse) {
      OptionRec applied = *entry;  // the handler may insert entries or words
      apply_option(run, applied);
    }
  }
  if (!standard_files(run).source_opened) {
    console_write("\nError in command line: No source file specified\n");
    fatal_exit_A01(run);
  }
}

void check_option_combinations(Assembly& run) {
  for (std::size_t k = 0; k < command_line(run).options.size(); ++k) {
    const OptionRec entry = command_line(run).options[k];
    if (!entry.seen) continue;
    long near = anchor_before(run, static_cast<long>(k));
    if (entry.conflict && near >= 0 && command_line(run).options[static_cast<std::size_t>(near)].seen) {
      console_write("\nError in command line: ");
      console_printf("Option '-%c' cannot be combined with the '-%c' option\n",
                     command_line(run).options[static_cast<std::size_t>(near)].letter, entry.letter);
      fatal_exit_A01(run);
    }
    if (entry.requirement) {
      long far = near >= 0 ? anchor_before(run, near) : -1;
      bool near_seen = near >= 0 && command_line(run).options[static_cast<std::size_t>(near)].seen;
      bool far_seen = far >= 0 && command_line(run).options[static_cast<std::size_t>(far)].seen;
      if (!near_seen && !far_seen) {
        console_write("\nError in command line: ");
        console_printf("Option '-%c' also requires the '-%c' ", entry.letter,
                       far >= 0 ? command_line(run).options[static_cast<std::size_t>(far)].letter : '?');
        console_printf("or the '-%c' ",
                       near >= 0 ? command_line(run).options[static_cast<std::size_t>(near)].letter : '?');
        console_write("option\n");
        fatal_exit_A01(run);
      }
    }
    if (entry.apply == ApplyTime::check) apply_option(run, entry);
  }
}

void set_warning_range(Assembly& run, bool enable, long low, long high) {
  if (high < low) {
    console_printf("\nIllegal range in -w option: %ld-%ld, ignored\n", low, high);
    return;
  }
  for (long n = low; n <= high && n < WARNING_COUNT; ++n) {
    if (n >= 0) settings(run).warning_enabled[static_cast<std::size_t>(n)] = enable;
  }
}

int parse_warning_option(Assembly& run, std::string_view s) {
  RunSettings& st = settings(run);
  if (s.empty()) {
    set_warning_range(run, false, 0, WARNING_COUNT - 1);
    st.all_warnings_off = true;
    return 0;
  }
  if (s[0] == 's' || s[0] == 'S') {
    st.warnings_exit_code = true;
    return 0;
  }
  std::size_t i = 0;
  if (is_digit(s[0]) && (s.size() < 2 || !is_digit(s[1]))) {
    if (s[0] == '0')
      set_warning_range(run, false, 0, WARNING_COUNT - 1);
    else if (s[0] == '9')
      set_warning_range(run, true, 0, WARNING_COUNT - 1);
    else {
      console_printf("\nIllegal warning level '%c'\n", s[0]);
      fatal_exit_A01(run);
    }
    i = 1;
  }
  long low = 0;
  long high = WARNING_COUNT - 1;
  while (i < s.size()) {
    char c = s[i];
    if (c == ',') {
      ++i;
      continue;
    }
    if (c != '+' && c != '-') break;
    bool enable = c == '+';
    ++i;
    if (i < s.size() && is_digit(s[i])) {
      low = read_number(s, i);
      high = low;
      if (i + 1 < s.size() && s[i] == '-' && is_digit(s[i + 1])) {
        ++i;
        high = read_number(s, i);
      }
    }
    if (high > WARNING_COUNT - 1) high = WARNING_COUNT - 1;
    if (low > 32767) {
      console_write("\nlower warning limit is negative\n");
      fatal_exit_A01(run);
    }
    set_warning_range(run, enable, low, high);
  }
  return 0;
}

void read_include_env(Assembly& run) {
  const char* value = std::getenv(ENV_INCLUDE);
  if (!value || !*value) return;
  std::string_view rest = value;
  for (;;) {
    std::size_t semi = rest.find(';');
    if (semi == std::string_view::npos) {
      if (!rest.empty()) add_include_prefix(run, rest);
      return;
    }
    add_include_prefix(run, rest.substr(0, semi));
    rest.remove_prefix(semi + 1);
  }
}

}  // namespace aq71
