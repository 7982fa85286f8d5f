#pragma once
// The download image: the linker's Intel HEX file ZQOUT.HEX read into the image file
// ZQVREM.$$$ (program bytes, then the source archive UPFILE.ZIP with its length, or FF FF
// when no source is stored), its length RomSize and its byte sum RomSum.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/studio_state.h"
#include "platform/status_port.h"

namespace plclink {

inline constexpr const char* kHexFileName = "ZQOUT.HEX";
inline constexpr const char* kImageFileName = "ZQVREM.$$$";
inline constexpr const char* kUploadArchiveName = "UPFILE.ZIP";
inline constexpr int32_t kMaxArchiveBytes = 32767;

enum class HexError { None, FormatError, ChecksumError };

// Reads the data bytes of the records of a HEX text in file order up to the first record of
// byte count 0 (the end record, or a record of any type with count 0). A text that ends
// before such a record, the empty text included, was cut short: a FormatError, as is a line
// that does not begin with ":" or is too short for its byte count. A record whose count,
// address bytes, data and checksum do not sum to 0 is a ChecksumError (the record type is
// not summed, so only type 00 records pass). Fields are two hexadecimal digits; other
// characters count as the value of the leading hexadecimal digits. Bytes read before an
// error are in `bytes`.
HexError ParseHexRecords(std::string_view text, std::vector<uint8_t>& bytes);

// The image for program bytes and, with `archive` given, the source archive: program,
// archive length (low byte first), archive, a 00 pad byte for an odd length; without an
// archive, program and FF FF. `romSize` receives the bytes that count (not the length word
// or the FF FF marker).
std::string MakeRomImage(const std::vector<uint8_t>& program, const std::string* archive, int32_t& romSize);

// Reads ZQOUT.HEX in `folder` into ZQVREM.$$$ there, with UPFILE.ZIP when the document's
// UploadFlag is on. The image file is replaced whole. Returns true on failure, after a
// message (the studio's polarity, which Auto relies on); RomSize is then 0 so that no later
// command trusts the image. `batchOutput`, what the build batch that was to make the files
// wrote, is shown under the message of a file the batch was to make (link/batch_output.h).
bool ReadHexFile(compiler::Studio& studio, const std::filesystem::path& folder, std::string_view batchOutput = {});

// *romSum := 16-bit sum of the first romSize bytes of the image file. True (no message, *romSum
// untouched) when the file is missing, unreadable or shorter than romSize: the studio's
// polarity, which the checksum step relies on.
bool SumRomImage(const std::filesystem::path& image, int32_t romSize, int32_t* romSum);
// RomSum := the sum of the first RomSize bytes of ZQVREM.$$$ in `folder`, as above.
bool SumRomImage(compiler::BuildState& build, const std::filesystem::path& folder);

// "Size : " + RomSize in upper-case hexadecimal + " Byte", shown on the status panel.
std::string ProgramSizeText(int32_t romSize);
void ShowProgramSize(platform::StatusPort& status, int32_t romSize);

}  // namespace plclink
