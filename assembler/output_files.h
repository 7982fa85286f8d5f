// Writing aq71's output files (object, listing): every write, flush and close is checked. The
// first one that fails stops the run fatally with a message that names the file and the
// system's reason (on the console, and in the listing when that is another file still
// writable); the run ends with exit code 3 and the object file is deleted.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace aq71 {

class Assembly;

// Writes the bytes to the output file `name` of the run (nothing for a null file).
void write_output(Assembly& run, std::FILE* file, const std::string& name, std::string_view bytes);
// Flushes the output file `name` of the run (nothing for a null file).
void flush_output(Assembly& run, std::FILE* file, const std::string& name);

// For the closing of the files, which stops only after everything is closed: a failed flush or
// close of the output file `name` (errno the reason; `file` while it is still open) is noted
// and told, without stopping. Later failures are not told again.
void note_output_failure(Assembly& run, const std::string& name, int error, std::FILE* file = nullptr);
// Flushes an output file and notes a failure; false when it failed.
bool flush_output_noted(Assembly& run, std::FILE* file, const std::string& name);
// Whether an output failure was noted in this run.
bool output_failed(Assembly& run);
// After the files are closed: the fatal stop for a failure noted while closing them (unless the
// run is stopping already).
void stop_after_output_failure(Assembly& run);

}  // namespace aq71
