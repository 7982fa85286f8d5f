#include "assembler/assembler_main.h"

#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "assembler/assembly.h"
#include "assembler/assembly_driver.h"
#include "assembler/command_line.h"
#include "assembler/diagnostics.h"
#include "assembler/listing.h"
#include "assembler/output_files.h"
#include "assembler/run_settings.h"
#include "assembler/source_files.h"

namespace aq71 {

namespace {

volatile std::sig_atomic_t g_in_fault = 0;
// The run the fault handler cleans up after: a signal handler has nothing else to go by.
Assembly* volatile g_guarded_run = nullptr;

extern "C" void fault_handler(int signal_number, siginfo_t* info, void*) {
  if (g_in_fault || classify_exception(signal_number, info ? info->si_code : 0) == 0) {
    ::_exit(3);
  }
  g_in_fault = 1;
  if (Assembly* run = g_guarded_run) {
    write_internal_error_report(*run, "Assembler", "non-initialized parameter", 0, 0);
    std::fflush(console_stream());
    StandardFiles& files = standard_files(*run);
    // The listing holds the report: it is put in place when it could be written whole; the
    // object is not.
    const bool whole = files.list && std::fflush(files.list) == 0 && !std::ferror(files.list);
    abandon_outputs(files, whole);
  }
  ::_exit(3);
}

// A signal that ends the process leaves no temporary: removed, then the signal takes its
// course.
extern "C" void termination_handler(int signal_number) {
  const int saved = errno;
  if (Assembly* run = g_guarded_run) abandon_outputs(standard_files(*run), false);
  errno = saved;
  ::raise(signal_number);  // the handler was reset to the default on entry
}

void install_termination_handlers() {
  struct sigaction sa {};
  sa.sa_handler = termination_handler;
  sa.sa_flags = SA_RESETHAND | SA_NODEFER;
  sigemptyset(&sa.sa_mask);
  std::size_t count = 0;
  const int* signals = termination_signals(count);
  for (std::size_t i = 0; i < count; ++i) {
    struct sigaction old {};
    // A signal the caller set aside (nohup, a shell's background job) stays so.
    if (::sigaction(signals[i], nullptr, &old) == 0 && old.sa_handler == SIG_DFL) ::sigaction(signals[i], &sa, nullptr);
  }
}

void install_fault_handlers() {
  // An alternate stack lets the handler run after a stack overflow too.
  static void* alt_stack = nullptr;
  if (!alt_stack) {
    const std::size_t size = 64 * 1024;
    alt_stack = std::malloc(size);
    if (alt_stack) {
      stack_t ss{};
      ss.ss_sp = alt_stack;
      ss.ss_size = size;
      ::sigaltstack(&ss, nullptr);
    }
  }
  struct sigaction sa {};
  sa.sa_sigaction = fault_handler;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) ::sigaction(s, &sa, nullptr);
}

int exit_code(Assembly& run) {
  const DiagnosticCounts& c = diagnostic_counts(run);
  if (c.run_errors > 0) return 2;
  if (settings(run).warnings_exit_code && c.run_warnings > 0) return 1;
  return 0;
}

int run(Assembly& assembly, int argc, char** argv) {
  install_reader_hooks(assembly);
  install_listing_hooks(assembly);
  build_option_table(assembly);

  if (argc <= 1) {
    print_banner(settings(assembly));
    print_usage(assembly);
    return 0;
  }

  std::vector<ArgumentWord>& args = argument_list(assembly);
  args.clear();
  for (int i = 0; i < argc; ++i) args.push_back({argv[i] ? argv[i] : "", 0, 0});
  if (const char* env = std::getenv(ENV_OPTIONS)) split_environment_arguments(assembly, env, 0);

  set_warning_range(assembly, true, 0, WARNING_COUNT - 1);
  parse_warning_option(assembly, "+");
  parse_command_line(assembly);
  apply_fixed_file_times(assembly);
  prepare_source_pass(assembly);
  check_option_combinations(assembly);

  const OptionRec* o = find_option(assembly, 'o');
  const OptionRec* O = find_option(assembly, 'O');
  if (!(o && o->seen) && !(O && O->seen)) open_default_object(assembly, "");
  if (settings(assembly).banner) print_banner(settings(assembly));

  read_include_env(assembly);
  add_include_prefix(assembly, std::nullopt);

  assemble_A03(assembly);
  close_all_files(assembly);
  return exit_code(assembly);
}

}  // namespace

void print_banner(const RunSettings& settings) {
  console_printf("QEX Systems %s%s\n", "Q71", signon_text_A01(settings).c_str());
}

int classify_exception(int signal_number, int signal_code) {
  switch (signal_number) {
    case SIGSEGV:
      return 1;
    case SIGBUS:
      return signal_code == BUS_ADRALN ? 2 : 1;
    case SIGFPE:
      if (signal_code == FPE_INTDIV) return 3;
      if (signal_code == FPE_INTOVF) return 4;
      return 7;
    case SIGILL:
      return 6;
    default:
      return 0;
  }
}

int run_guarded(Assembly& run, int (*body)(Assembly&, int, char**), int argc, char** argv) {
  g_guarded_run = &run;
  install_fault_handlers();
  install_termination_handlers();
  // A write past the file-size limit (ulimit -f) fails with EFBIG, reported like a full disk,
  // instead of ending the run by SIGXFSZ with a partial object left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  int code = body(run, argc, argv);
  g_guarded_run = nullptr;
  return code;
}

int assembler_main(Assembly& assembly, int argc, char** argv) {
  int code;
  try {
    code = run(assembly, argc, argv);
  } catch (const FatalStop& stop) {
    code = stop.exit_code;
  } catch (const std::bad_alloc&) {
    try {
      out_of_memory_A01(assembly);
    } catch (const FatalStop& stop) {
      code = stop.exit_code;
    }
  }
  std::fflush(console_stream());
  return code;
}

}  // namespace aq71
