#include "link/hex_image.h"

#include <cstdio>
#include <system_error>

#include "link/batch_output.h"
#include "link/build_texts.h"
#include "platform/file_read.h"
#include "platform/file_write.h"

namespace plclink {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The two characters at `pos` as a hexadecimal byte: the value of the leading hex digits.
int HexField(std::string_view line, size_t pos) {
  int hi = HexDigit(line[pos]);
  if (hi < 0) return 0;
  int lo = HexDigit(line[pos + 1]);
  return lo < 0 ? hi : hi * 16 + lo;
}

void Show(compiler::Studio& studio, const std::string& caption, const std::string& text,
          std::string_view batchOutput) {
  if (studio.messages) studio.messages->Show({caption, WithBatchOutput(text, batchOutput), platform::MsgIcon::Information});
}

}  // namespace

HexError ParseHexRecords(std::string_view text, std::vector<uint8_t>& bytes) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    start = end == std::string_view::npos ? text.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] != ':' || line.size() < 3) return HexError::FormatError;
    const int count = HexField(line, 1);
    if (count == 0) return HexError::None;
    if (line.size() < size_t(11 + 2 * count)) return HexError::FormatError;
    unsigned sum = unsigned(count);
    sum = (sum + unsigned(HexField(line, 3))) & 0xFF;
    sum = (sum + unsigned(HexField(line, 5))) & 0xFF;
    for (int i = 0; i < count; ++i) {
      const int b = HexField(line, 9 + 2 * size_t(i));
      sum = (sum + unsigned(b)) & 0xFF;
      bytes.push_back(uint8_t(b));
    }
    sum = (sum + unsigned(HexField(line, 9 + 2 * size_t(count)))) & 0xFF;
    if (sum != 0) return HexError::ChecksumError;
  }
  // Every file the linker writes ends with its end record: a text that stops before one was
  // cut short, and its records are only part of a program.
  return HexError::FormatError;
}

std::string MakeRomImage(const std::vector<uint8_t>& program, const std::string* archive, int32_t& romSize) {
  std::string image(program.begin(), program.end());
  romSize = int32_t(program.size());
  if (!archive) {
    image += "\xFF\xFF";
    return image;
  }
  const size_t z = archive->size();
  image += char(z & 0xFF);
  image += char((z >> 8) & 0xFF);
  image += *archive;
  romSize += int32_t(z);
  if (z % 2 != 0) {
    image += '\0';
    romSize += 1;
  }
  return image;
}

bool ReadHexFile(compiler::Studio& studio, const std::filesystem::path& folder, std::string_view batchOutput) {
  namespace t = build_text;
  const bool korean = studio.shell.KoreanMenu;
  studio.build.RomSize = 0;

  std::string hexText;
  if (!platform::ReadWholeFile(folder / kHexFileName, hexText)) {
    Show(studio, t::kCaptionPlainError, t::kAssembleCodeError.Pick(korean) + kHexFileName, batchOutput);
    return true;
  }
  std::vector<uint8_t> program;
  switch (ParseHexRecords(hexText, program)) {
    case HexError::FormatError:
      Show(studio, t::kCaptionPlainError, t::kHexFormatError, batchOutput);
      return true;
    case HexError::ChecksumError:
      Show(studio, t::kCaptionErrorUpper, t::kHexChecksumError, batchOutput);
      return true;
    case HexError::None:
      break;
  }

  std::string archive;
  const bool upload = studio.doc.Setup.UploadFlag;
  if (upload) {
    const std::filesystem::path zipPath = folder / kUploadArchiveName;
    std::error_code ec;
    if (!std::filesystem::exists(zipPath, ec)) {
      Show(studio, t::kCaptionError, t::kFileNotFound.Pick(korean) + kUploadArchiveName, batchOutput);
      return true;
    }
    if (!platform::ReadWholeFile(zipPath, archive)) {
      Show(studio, t::kCaptionError, t::kOpenError.Pick(korean) + kUploadArchiveName, batchOutput);
      return true;
    }
    // The image stores the length in a signed 16-bit word.
    if (archive.size() > size_t(kMaxArchiveBytes)) {
      Show(studio, t::kCaptionError, t::kArchiveTooLarge.Pick(korean) + kUploadArchiveName, batchOutput);
      return true;
    }
  }

  int32_t romSize = 0;
  const std::string image = MakeRomImage(program, upload ? &archive : nullptr, romSize);
  // The whole file is replaced: nothing of an earlier, longer image stays behind.
  if (!platform::WriteFileAtomically(folder / kImageFileName, image)) {
    Show(studio, t::kCaptionError, t::kImageOpenError.Pick(korean) + kImageFileName, {});
    return true;
  }
  studio.build.RomSize = romSize;
  return false;
}

bool SumRomImage(const std::filesystem::path& imageFile, int32_t romSize, int32_t* romSum) {
  std::string image;
  if (!platform::ReadWholeFile(imageFile, image)) return true;
  if (romSize < 0 || image.size() < size_t(romSize)) return true;
  uint32_t sum = 0;
  for (int32_t i = 0; i < romSize; ++i) sum += uint8_t(image[size_t(i)]);
  *romSum = int32_t(sum % 65536);
  return false;
}

bool SumRomImage(compiler::BuildState& build, const std::filesystem::path& folder) {
  return SumRomImage(folder / kImageFileName, build.RomSize, &build.RomSum);
}

std::string ProgramSizeText(int32_t romSize) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%X", unsigned(romSize));
  return std::string("Size : ") + buf + " Byte";
}

void ShowProgramSize(platform::StatusPort& status, int32_t romSize) { status.SetStatusText(ProgramSizeText(romSize)); }

}  // namespace plclink
