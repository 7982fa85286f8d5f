#pragma once
// What the build batch and its tools (the assembler, the linker, the zip tool) wrote while
// they ran, as the build's messages show it under their own text.

#include <string>
#include <string_view>

namespace plclink {

// The most lines and the most characters of one line shown.
inline constexpr int kShownBatchLines = 20;
inline constexpr int kShownLineChars = 200;

// The output as lines for a message: UTF-8 as written, or else read in the studio's code page
// (the assembler echoes source lines as it read them); line ends CR LF; no blank lines at the
// start or the end. A longer output shows its first and its last lines around a line "...",
// kShownBatchLines in all; a longer line is cut, with "..." at its end. Empty when the batch
// wrote nothing that shows.
std::string BatchOutputLines(std::string_view output);

// `message`, then, when the batch wrote anything, a blank line and its lines.
std::string WithBatchOutput(const std::string& message, std::string_view output);

}  // namespace plclink
