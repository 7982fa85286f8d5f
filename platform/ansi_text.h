#pragma once
// Text as the studio's files store it: the bytes of the Korean double-byte ANSI
// code page (CP949). A byte >= 0x80 and the byte after it make one character.
// Conversion to UTF-8 (user interface) and to Johab (assembler sources) goes
// through iconv; nothing else in the project calls iconv.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// CP949 bytes. A plain string: lengths in bytes are size().
using AnsiText = std::string;

// Number of characters: a lead byte >= 0x80 takes the byte after it (when there is one).
std::size_t AnsiCharCount(std::string_view ansi);

// Byte length of the first `chars` characters (never splits a double-byte character).
std::size_t AnsiBytesOfChars(std::string_view ansi, std::size_t chars);

// Conversions. They fail (nullopt) on a sequence the target cannot represent.
std::optional<std::string> AnsiToUtf8(std::string_view ansi);
std::optional<AnsiText> Utf8ToAnsi(std::string_view utf8);
std::optional<std::string> AnsiToJohab(std::string_view ansi);

// True when `text` is well-formed UTF-8 (no stray or missing continuation byte, no overlong
// form, no surrogate, nothing above U+10FFFF).
bool IsUtf8(std::string_view text);

// Lossy display form: undecodable bytes show as '?'. For messages that quote file text.
std::string AnsiToUtf8Lossy(std::string_view ansi);

}  // namespace platform
