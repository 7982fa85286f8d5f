// Writing aq71's output files (object, listing): every write, flush and close is checked. The
// first one that fails stops the run fatally; every output that fails is told with the system's
// reason (on the console, and in the listing when that is another file still writable); the run
// ends with exit code 3, the object is not put in place, and neither is a listing that could not
// be written whole.
//
// An output that names a regular file (or a name not taken yet) is written to a temporary
// beside that file and only put in place when the run ends: so the files the run reads keep
// their bytes until it is known that none of them is an output, and a failed run leaves the
// earlier object as it was. Where the folder refuses a new file but the file itself may be
// written, the temporary is an unnamed one elsewhere, copied into the file at the end. A device,
// a FIFO, a terminal or a descriptor of the process (/dev/stdout) is written into as named,
// never replaced.
//
// The handler of a signal that ends the process removes the temporaries. The signals wait
// only while a temporary is made and recorded, put in place or removed, never while a file is
// opened, written or flushed that may make the run wait (a FIFO, a terminal).
#pragma once

#include <signal.h>
#include <sys/types.h>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace aq71 {

class Assembly;

// How an output's bytes reach the file it names.
enum class OutputRoad : unsigned char {
  none,     // not open
  direct,   // written into the named file itself
  renamed,  // written to `temporary` beside `target`, renamed over it at the end
  copied,   // written to an unnamed temporary, copied into `target` at the end
};

// Where an output goes. Its handle is kept by the caller (the temporary's, or the named file's
// on the direct road).
struct OutputPlace {
  OutputRoad road = OutputRoad::none;
  std::string target;     // the file put in place: the name with its links followed, from its
                          // folder's absolute path
  std::string temporary;  // renamed road: the temporary's name until it is renamed or removed
  bool clashed = false;   // the target is a file the run reads: it is never put in place
  dev_t device = 0;       // the target's identity when the output was opened (0 0: none)
  ino_t inode = 0;
};

struct OpenedOutput {
  std::FILE* handle = nullptr;  // nullptr when the open failed (errno in `error`)
  int error = 0;
};

// Opens the output `name` (binary or text), and records where it goes in `place` (an output's
// that was not opened yet, where a signal handler looks): a temporary from the moment it is
// made. Nothing that exists is changed yet.
OpenedOutput open_output(const std::string& name, bool binary, OutputPlace& place);
// Puts a finished output in place: renames the temporary over the target, or copies the unnamed
// temporary's bytes (`fd`, flushed) into it; nothing on the direct road. False (errno the reason)
// when that fails. Only system calls: also for a signal handler.
bool put_output_in_place(OutputPlace& place, int fd);
// Removes the temporary of an output not put in place (nothing else is ever removed). Also for a
// signal handler.
void remove_output_temporary(OutputPlace& place);
// Gives up an output opened but not to be used: its temporary is removed, while termination
// signals wait, and it goes nowhere.
void discard_output(OutputPlace& place);

// While one lives, the signals that end the process wait: a signal handler then never sees an
// output half made or half put in place. Never held across anything that may wait.
class TerminationSignalHold {
 public:
  TerminationSignalHold();
  ~TerminationSignalHold();
  TerminationSignalHold(const TerminationSignalHold&) = delete;
  TerminationSignalHold& operator=(const TerminationSignalHold&) = delete;

 private:
  sigset_t old_;
  bool held_ = false;
};
// The signals that end the process and that a handler can catch (none of the processor faults).
const int* termination_signals(std::size_t& count);

// Writes the bytes to the output file `name` of the run (nothing for a null file).
void write_output(Assembly& run, std::FILE* file, const std::string& name, std::string_view bytes);
// Flushes the output file `name` of the run (nothing for a null file).
void flush_output(Assembly& run, std::FILE* file, const std::string& name);

// For the closing of the files, which stops only after everything is closed: a failed flush or
// close of the output file `name` (errno the reason; `file` while it is still open) is noted
// and told, without stopping. Each output's failure is told once: a close after its failed
// flush adds nothing.
void note_output_failure(Assembly& run, const std::string& name, int error, std::FILE* file = nullptr);
// Flushes an output file and notes a failure; false when it failed.
bool flush_output_noted(Assembly& run, std::FILE* file, const std::string& name);
// Whether an output failure (or clash) was noted in this run.
bool output_failed(Assembly& run);
// Whether a failure of the output file `name` was noted: it was not written whole.
bool output_failed(Assembly& run, const std::string& name);
// An output found at the end to be a file the run read: told ("Try to overwrite file") and
// counted like a failure, so the run stops once the files are closed.
void note_output_clash(Assembly& run, const std::string& name);
// After the files are closed: the fatal stop for a failure noted while closing them (unless the
// run is stopping already).
void stop_after_output_failure(Assembly& run);

}  // namespace aq71
