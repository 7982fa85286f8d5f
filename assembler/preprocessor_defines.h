// #define records given on the command line (-D and -U). A plain name-to-body store until the
// preprocessor keeps its records in the identifier tree; it must then take these entry points
// over, with the same results.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace aq71 {

// Gives the name an object-like #define with the body. 0 when the name had no #define record
// before, 1 when one was replaced.
int define_symbol_A02(std::string_view name, std::string_view body, long origin_line);
// Removes the name's #define. 1 when it had none, else 0.
int undefine_symbol_A02(std::string_view name);

const std::map<std::string, std::string, std::less<>>& command_line_defines();
void reset_command_line_defines();

} // namespace aq71
