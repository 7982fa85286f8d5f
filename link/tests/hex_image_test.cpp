#include "link/hex_image.h"

#include <gtest/gtest.h>

#include <random>

#include "build_test_support.h"
#include "platform/status_port.h"

using namespace plclink;
using build_test::ReadFile;
using build_test::StudioFixture;
using build_test::WriteFile;

namespace {

// One type-00 record of the given bytes at the given address.
std::string Record(unsigned address, const std::vector<uint8_t>& data) {
  char buf[16];
  unsigned sum = unsigned(data.size()) + (address >> 8) + (address & 0xFF);
  std::snprintf(buf, sizeof buf, ":%02X%04X00", unsigned(data.size()), address);
  std::string line = buf;
  for (uint8_t b : data) {
    std::snprintf(buf, sizeof buf, "%02X", b);
    line += buf;
    sum += b;
  }
  std::snprintf(buf, sizeof buf, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
  return line + buf + "\r\n";
}

// A HEX file of `size` program bytes (byte i = i * 7) in 16-byte records.
std::string HexOf(size_t size, std::vector<uint8_t>* bytes = nullptr) {
  std::string text;
  for (size_t at = 0; at < size; at += 16) {
    std::vector<uint8_t> chunk;
    for (size_t i = at; i < size && i < at + 16; ++i) chunk.push_back(uint8_t(i * 7));
    if (bytes) bytes->insert(bytes->end(), chunk.begin(), chunk.end());
    text += Record(unsigned(at), chunk);
  }
  return text + ":00000001FF\r\n";
}

TEST(HexRecords, DataRecordsConcatenateUpToTheFirstEmptyRecord) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ParseHexRecords(":0400000012345678E8\n:00000001FF", bytes), HexError::None);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x12, 0x34, 0x56, 0x78}));
  // Addresses are ignored; the first count-0 record of any type ends the reading.
  bytes.clear();
  EXPECT_EQ(ParseHexRecords(Record(0x100, {1, 2}) + Record(0, {3}) + ":00000005FB\r\ngarbage\r\n", bytes),
            HexError::None);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
}

// A text that ends before a count-0 record was cut short: its records are part of a program.
TEST(HexRecords, ATextCutShortIsRefused) {
  const std::string whole = HexOf(160);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ParseHexRecords("", bytes), HexError::FormatError);
  EXPECT_EQ(ParseHexRecords(Record(0, {9}), bytes), HexError::FormatError);
  EXPECT_EQ(ParseHexRecords(":0400000012345678E8\n", bytes), HexError::FormatError);
  // Cut after any of its complete records.
  for (size_t end = whole.find('\n'); end + 1 < whole.size(); end = whole.find('\n', end + 1))
    EXPECT_EQ(ParseHexRecords(whole.substr(0, end + 1), bytes), HexError::FormatError) << end;
  bytes.clear();
  EXPECT_EQ(ParseHexRecords(whole, bytes), HexError::None);
  EXPECT_EQ(bytes.size(), 160u);
}

TEST(HexRecords, BadLinesAreRefused) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ParseHexRecords(Record(0, {1}) + "\r\n:00000001FF\r\n", bytes), HexError::FormatError);
  EXPECT_EQ(ParseHexRecords("0400000012345678E8\n", bytes), HexError::FormatError);
  // A line too short for its count, down to a bare colon.
  for (std::string line : {":0400000012345678", ":04000000123456", ":04", ":0", ":"})
    EXPECT_EQ(ParseHexRecords(line + "\n", bytes), HexError::FormatError) << line;
  // The type byte is not summed: an extended address record fails the checksum.
  EXPECT_EQ(ParseHexRecords(":020000040001F9\n", bytes), HexError::ChecksumError);
  EXPECT_EQ(ParseHexRecords(":0400000012345678E9\n", bytes), HexError::ChecksumError);
}

TEST(HexRecords, RandomAndTruncatedTextNeverReadsOutOfBounds) {
  std::mt19937 rng(12);
  const std::string good = HexOf(200);
  const std::string alphabet = ":0123456789ABCDEFabcdefXZ \r\n";
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    if (i % 2 == 0) {
      text = good.substr(0, rng() % good.size());
      if (!text.empty()) text[rng() % text.size()] = alphabet[rng() % alphabet.size()];
    } else {
      const size_t n = rng() % 80;
      for (size_t k = 0; k < n; ++k) text += alphabet[rng() % alphabet.size()];
    }
    std::vector<uint8_t> bytes;
    ParseHexRecords(text, bytes);
    EXPECT_LE(bytes.size(), 200u + 255u);
  }
}

TEST(RomImage, LayoutWithAndWithoutTheArchive) {
  std::vector<uint8_t> program(2048, 0x11);
  int32_t size = 0;
  std::string odd(1001, 'z');
  std::string image = MakeRomImage(program, &odd, size);
  EXPECT_EQ(image.size(), 2048u + 2 + 1001 + 1);
  EXPECT_EQ(size, 3050);
  EXPECT_EQ(uint8_t(image[2048]), 1001 & 0xFF);
  EXPECT_EQ(uint8_t(image[2049]), 1001 >> 8);
  EXPECT_EQ(image.back(), '\0');
  std::string even(1000, 'z');
  EXPECT_EQ(MakeRomImage(program, &even, size).size(), 2048u + 2 + 1000);
  EXPECT_EQ(size, 3048);
  image = MakeRomImage(program, nullptr, size);
  EXPECT_EQ(image.size(), 2050u);
  EXPECT_EQ(size, 2048);
  EXPECT_EQ(image.substr(2048), "\xFF\xFF");
}

TEST(ReadHexFile, WritesTheImageWholeAndSumsIt) {
  StudioFixture f;
  f.studio->doc.Setup.UploadFlag = false;
  // A longer earlier image leaves nothing behind.
  WriteFile(f.folder / kImageFileName, std::string(5000, 'x'));
  std::vector<uint8_t> program;
  WriteFile(f.folder / kHexFileName, HexOf(2048, &program));
  ASSERT_FALSE(ReadHexFile(*f.studio, f.folder));
  EXPECT_TRUE(f.sink.shown.empty());
  EXPECT_EQ(f.studio->build.RomSize, 2048);
  const std::string image = ReadFile(f.folder / kImageFileName);
  ASSERT_EQ(image.size(), 2050u);
  EXPECT_EQ(image.substr(0, 2048), std::string(program.begin(), program.end()));

  ASSERT_FALSE(SumRomImage(f.studio->build, f.folder));
  uint32_t sum = 0;
  for (uint8_t b : program) sum += b;
  EXPECT_EQ(f.studio->build.RomSum, int32_t(sum & 0xFFFF));

  // With the archive.
  f.studio->doc.Setup.UploadFlag = true;
  WriteFile(f.folder / kUploadArchiveName, std::string(1001, 'a'));
  ASSERT_FALSE(ReadHexFile(*f.studio, f.folder));
  EXPECT_EQ(f.studio->build.RomSize, 3050);
  EXPECT_EQ(ReadFile(f.folder / kImageFileName).size(), 3052u);
}

TEST(ReadHexFile, FailuresAreShownAndLeaveNoImageSize) {
  struct Case {
    std::string hex;  // "-": no HEX file
    std::string archive;
    bool upload;
    std::string caption, text;
  } cases[] = {
      {"-", "", false, "ERROR !", "Assemble Code Error : ZQOUT.HEX"},
      {Record(0, {1, 2}) + "\r\n", "", false, "ERROR !", "Hex File Format Error !"},
      // Cut short: empty, or without its end record.
      {"", "", false, "ERROR !", "Hex File Format Error !"},
      {HexOf(64).substr(0, HexOf(64).find(":00000001FF")), "", false, "ERROR !", "Hex File Format Error !"},
      {Record(0, {1, 2}) + ":020000040001F9\r\n", "", false, "Korvane Studio ERROR !",
       "Hex File Format Error ! Check Sum Error !"},
      {HexOf(64), "-", true, "Korvane Studio Error !", "File not found : UPFILE.ZIP"},
      {HexOf(64), std::string(32768, 'a'), true, "Korvane Studio Error !",
       "Source archive is larger than 32767 bytes : UPFILE.ZIP"},
  };
  for (const Case& c : cases) {
    StudioFixture f;
    f.studio->doc.Setup.UploadFlag = c.upload;
    f.studio->build.RomSize = 1234;
    if (c.hex != "-") WriteFile(f.folder / kHexFileName, c.hex);
    if (c.archive != "-") WriteFile(f.folder / kUploadArchiveName, c.archive);
    EXPECT_TRUE(ReadHexFile(*f.studio, f.folder)) << c.text;
    EXPECT_EQ(f.studio->build.RomSize, 0) << c.text;
    ASSERT_EQ(f.sink.shown.size(), 1u) << c.text;
    EXPECT_EQ(f.sink.shown[0].caption, c.caption);
    EXPECT_EQ(f.sink.shown[0].text, c.text);
  }
  // An archive of exactly 32767 bytes still fits.
  StudioFixture f;
  WriteFile(f.folder / kHexFileName, HexOf(16));
  WriteFile(f.folder / kUploadArchiveName, std::string(32767, 'a'));
  EXPECT_FALSE(ReadHexFile(*f.studio, f.folder));
  EXPECT_EQ(f.studio->build.RomSize, 16 + 32767 + 1);
}

TEST(ReadHexFile, KoreanTwinsAndTheSizeText) {
  StudioFixture f;
  f.studio->shell.KoreanMenu = true;
  EXPECT_TRUE(ReadHexFile(*f.studio, f.folder));
  EXPECT_EQ(f.sink.shown.at(0).text, "어셈블 코드 에러 : ZQOUT.HEX");
  EXPECT_EQ(ProgramSizeText(4660), "Size : 1234 Byte");
  EXPECT_EQ(ProgramSizeText(0xABCDE), "Size : ABCDE Byte");
  platform::RecordingStatusPort status;
  f.studio->build.RomSize = 255;
  ShowProgramSize(status, f.studio->build.RomSize);
  EXPECT_EQ(status.texts.back(), "Size : FF Byte");
}

TEST(SumRomImage, SumsTheCountedBytesOnly) {
  StudioFixture f;
  EXPECT_TRUE(SumRomImage(f.studio->build, f.folder));  // no image
  WriteFile(f.folder / kImageFileName, std::string("\x01\x02\xFF\xFF\xFF", 5));
  f.studio->build.RomSize = 3;
  ASSERT_FALSE(SumRomImage(f.studio->build, f.folder));
  EXPECT_EQ(f.studio->build.RomSum, 0x0102);
  // 300 bytes of FF wrap round 16 bits.
  WriteFile(f.folder / kImageFileName, std::string(300, '\xFF'));
  f.studio->build.RomSize = 300;
  ASSERT_FALSE(SumRomImage(f.studio->build, f.folder));
  EXPECT_EQ(f.studio->build.RomSum, (300 * 255) & 0xFFFF);
  // An image shorter than RomSize is not the image.
  f.studio->build.RomSize = 301;
  EXPECT_TRUE(SumRomImage(f.studio->build, f.folder));
}

}  // namespace
