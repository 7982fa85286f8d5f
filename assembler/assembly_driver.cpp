#include "assembler/assembly_driver.h"

#include "assembler/diagnostics.h"
#include "assembler/source_files.h"

namespace aq71 {

void prepare_source_pass() {}

// Until the scanner and the statement reader exist, the driver only reads the source lines
// through the include stack (so line problems are reported) and writes no object module.
void assemble_A03() {
    begin_module_diagnostics();
    SourceReader& reader = source_reader();
    while (reader.source_file_getch() != -1) {
    }
}

} // namespace aq71
