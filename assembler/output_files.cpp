#include "assembler/output_files.h"
#include "assembler/assembly.h"

#include <cerrno>
#include <cstring>

#include "assembler/diagnostics.h"

namespace aq71 {

namespace {

struct OutputState {
  bool failed = false;    // a failure was told
  bool stopping = false;  // its fatal stop has begun
};

OutputState& output_state(Assembly& run) { return run.part<OutputState>(); }

// The stop writes the listing on: its failures are told already and stop nothing more.
void failed_write(Assembly& run, std::FILE* file, const std::string& name, int error) {
  note_output_failure(run, name, error, file);
  stop_after_output_failure(run);
}

}  // namespace

void note_output_failure(Assembly& run, const std::string& name, int error, std::FILE* file) {
  OutputState& s = output_state(run);
  if (s.failed) return;
  s.failed = true;
  // A stream in error without errno telling why.
  const std::string text = "\nCould not write file: '" + name + "': " + std::strerror(error != 0 ? error : EIO) + "\n";
  console_write(text);
  // The listing tells it too, unless it is the file that failed or it cannot take more.
  const DiagnosticHooks& hooks = diagnostic_hooks(run);
  std::FILE* list = hooks.list_file ? hooks.list_file() : nullptr;
  if (list && list != file && !std::ferror(list)) {
    std::fwrite(text.data(), 1, text.size(), list);
    std::fflush(list);
  }
}

void write_output(Assembly& run, std::FILE* file, const std::string& name, std::string_view bytes) {
  if (!file || bytes.empty()) return;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) failed_write(run, file, name, errno);
}

void flush_output(Assembly& run, std::FILE* file, const std::string& name) {
  if (!flush_output_noted(run, file, name)) stop_after_output_failure(run);
}

bool flush_output_noted(Assembly& run, std::FILE* file, const std::string& name) {
  if (!file) return true;
  errno = 0;
  if (std::fflush(file) == 0 && !std::ferror(file)) return true;
  note_output_failure(run, name, errno, file);
  return false;
}

bool output_failed(Assembly& run) { return output_state(run).failed; }

void stop_after_output_failure(Assembly& run) {
  OutputState& s = output_state(run);
  if (!s.failed || s.stopping) return;
  s.stopping = true;
  fatal_exit_A01(run);
}

}  // namespace aq71
