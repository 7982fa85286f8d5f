// The command line of aq71: the argument list (process arguments, ASMQ71 and ".xcl" command
// files), the option table, parsing, the combination checks, the -w parser and the usage text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace aq71 {

class Assembly;

inline constexpr const char* ENV_OPTIONS = "ASMQ71";      // extra options
inline constexpr const char* ENV_INCLUDE = "AQ71_INC";    // include prefixes
inline constexpr std::size_t MAX_ARGUMENT_LENGTH = 1024;  // characters of one word
inline constexpr int MAX_COMMAND_FILE_NESTING = 16;

// Marks of argument words (the listing header brackets them).
inline constexpr unsigned ARG_ENV_FIRST = 1;
inline constexpr unsigned ARG_ENV_LAST = 2;
inline constexpr unsigned ARG_CMD_FIRST = 4;
inline constexpr unsigned ARG_CMD_LAST = 8;

struct ArgumentWord {
  std::string text;
  unsigned marks = 0;
  int command_depth = 0;  // command files this word came through
};

// The argument list: program name first, then the ASMQ71 words, then the command line with the
// words of each command file behind the -f argument that names it.
std::vector<ArgumentWord>& argument_list(Assembly& run);

enum class ArgForm { none, optional, required, next_word };
enum class ApplyTime { parse, check };

// Option handlers keep the option table's polarity: 0 = accepted, non-zero = invalid argument.
using OptionHandler = int (*)(Assembly& run, std::string_view argument);

struct OptionRec {
  char letter = 0;    // character after "-"
  std::string usage;  // usage text (byte 1 = object extension, 2 = source extension)
  OptionHandler handler = nullptr;
  ArgForm form = ArgForm::none;
  bool repeatable = false;
  ApplyTime apply = ApplyTime::parse;
  bool anchor = false;       // reference point for later conflict / requirement entries
  bool conflict = false;     // may not be combined with the nearest earlier anchor
  bool requirement = false;  // needs one of the two nearest earlier anchors
  bool seen = false;
  std::string argument;
};

// The option table in table order (repeats of repeatable options follow their entry).
std::vector<OptionRec>& option_table(Assembly& run);
void build_option_table(Assembly& run);
// First entry of a letter, or nullptr.
OptionRec* find_option(Assembly& run, char letter);

// Prints the usage text; the paging prompt waits for a line feed (or the end) on standard input.
void print_usage(Assembly& run);

// Inserts the words of a text (ASMQ71) behind the argument at `position`.
void split_environment_arguments(Assembly& run, std::string_view text, std::size_t position);
// Walks the argument list: opens the source, applies the parse-time options.
void parse_command_line(Assembly& run);
// Conflict and requirement checks, and the check-time options, in table order.
void check_option_combinations(Assembly& run);

// -w: 0 when accepted (a bad warning level stops the run).
int parse_warning_option(Assembly& run, std::string_view text);
void set_warning_range(Assembly& run, bool enable, long low, long high);

// -v: index of the processor option choice, stored in the run settings.
int match_option_choice(Assembly& run, std::string_view argument);

// AQ71_INC: its ";"-separated pieces become include prefixes.
void read_include_env(Assembly& run);

// Forget the argument list and the option table (used by tests).

}  // namespace aq71
