#include "compiler/program_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <string>

#include "compiler/memo_file.h"
#include "compiler/studio_state.h"
#include "compiler/watch_file.h"
#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/message_box.h"
#include "platform/tests/ordinary_user_support.h"

using namespace compiler;
namespace fs = std::filesystem;

namespace {

const std::string kKo2 = "\xB0\xA1\xC7\xD1";  // two Korean characters in CP949

struct TempDir {
  fs::path path;
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "zqv-progfile-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
};

std::string ReadFile(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(platform::ReadWholeFile(path, bytes)) << path;
  return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  ASSERT_TRUE(platform::WriteFileAtomically(path, bytes));
}

// The bytes this process has read so far, by the system's count of its reads.
long long BytesReadSoFar() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return -1;
}

std::unique_ptr<Studio> MakeStudio(platform::RecordingMessageSink& sink) {
  auto studio = std::make_unique<Studio>();
  studio->messages = &sink;
  return studio;
}

// A program touching every stored field: Korean texts, links, monitor attributes, every
// alias table, the options and the port flags, with END at (3, endRow).
void FillProgram(ProgramDocument& doc, int endRow = 40) {
  std::mt19937 rng(7);
  for (int row = 0; row < endRow; ++row)
    for (int col = 0; col <= kOutputCol; ++col) {
      if (rng() % 3 == 0) continue;
      doc.CellType[col][row] = static_cast<int16_t>(rng() % 13);
      doc.VertLink[col][row] = static_cast<int16_t>(rng() % 2);
      doc.MonDevNum[col][row] = static_cast<int16_t>(rng() % 32768);
      doc.MonDevBit[col][row] = static_cast<int16_t>(rng() % 8);
      doc.MonDevKind[col][row] = static_cast<int16_t>(rng() % 13);
      doc.CellText[col][row] = (rng() % 4 == 0) ? "'" + kKo2 + " note" : "P" + std::to_string(rng() % 16) + ":1";
    }
  doc.CellType[2][endRow] = kContactNO;
  doc.CellText[2][endRow] = "M0:0";
  doc.CellType[3][endRow] = kBox;
  doc.CellText[3][endRow] = "END";
  doc.EndRow = static_cast<int16_t>(endRow);
  doc.AliasP[0] = "START";
  doc.AliasP[127] = kKo2;
  doc.AliasM[1023] = "M_LAST";
  doc.AliasK[5] = "KEEP" + kKo2;
  doc.AliasC[255] = "CNT";
  doc.AliasT[1] = std::string(255, 'T');
  PlcSetup& s = doc.Setup;
  s.PlcModel = 10;
  s.CommMode = 3;
  s.NodeNum = 255;
  s.UploadOpt = 0;
  s.Scan25Opt = 1;
  s.ClearKeepOpt = 1;
  s.CompOption6 = 0;
  s.CompOption7 = 2;
  s.CompOption8 = 9;
  for (int i = 0; i < 256; ++i) s.IoDir[i] = static_cast<int16_t>(i % 3 == 0 ? 0 : 1);
}

std::string Encoded(const ProgramDocument& doc) {
  std::string bytes;
  SaveRefusal refusal;
  EXPECT_TRUE(EncodeProgramFile(doc, bytes, &refusal)) << refusal.english;
  return bytes;
}

std::string EndOnlyFile(int col, int row) {
  auto doc = std::make_unique<ProgramDocument>();
  doc->CellType[col][row] = kBox;
  doc->CellText[col][row] = "END";
  return Encoded(*doc);
}

void ExpectSameCells(const ProgramDocument& a, const ProgramDocument& b, int lastRow) {
  for (int row = 0; row <= lastRow; ++row)
    for (int col = 0; col <= kOutputCol; ++col) {
      SCOPED_TRACE("col " + std::to_string(col) + " row " + std::to_string(row));
      ASSERT_EQ(a.CellType[col][row], b.CellType[col][row]);
      ASSERT_EQ(a.CellText[col][row], b.CellText[col][row]);
      ASSERT_EQ(a.VertLink[col][row], b.VertLink[col][row]);
      ASSERT_EQ(a.MonDevNum[col][row], b.MonDevNum[col][row]);
      ASSERT_EQ(a.MonDevBit[col][row], b.MonDevBit[col][row]);
      ASSERT_EQ(a.MonDevKind[col][row], b.MonDevKind[col][row]);
    }
}

}  // namespace

// ---- format ----

TEST(ProgramFileFormat, EndOnlyDocumentHasTheDerivedLayout) {
  std::string bytes = EndOnlyFile(4, 7);
  ASSERT_EQ(bytes.size(), 2775u);
  EXPECT_EQ(bytes.substr(0, 8), "QSKL2000");
  // 81 records of 7 bytes, then the END record.
  const std::size_t end = 8 + 81 * 7;
  EXPECT_EQ(bytes.substr(end, 10), std::string("\x06\x00\x00\x00\x00\x00\x03"
                                               "END",
                                               10));
  const std::size_t setup = end + 10;
  EXPECT_EQ(bytes[setup], 1);  // default model
  EXPECT_EQ(bytes.substr(setup + 1, 3), std::string(3, '\0'));
  EXPECT_EQ(bytes.substr(setup + 4, 8), std::string("\x01\x00\x01\x00\x00\x01\x01\x01", 8));
  EXPECT_EQ(static_cast<unsigned char>(bytes[setup + 12]), 128);
  EXPECT_EQ(bytes.substr(setup + 13, 1920), std::string(1920, '\0'));
  EXPECT_EQ(bytes.substr(setup + 13 + 1920, 256), std::string(256, '\x01'));
  EXPECT_EQ(bytes.back(), '\0');

  auto doc = std::make_unique<ProgramDocument>();
  ASSERT_EQ(DecodeProgramFile(bytes, *doc), ProgramFileStatus::kOk);
  EXPECT_EQ(doc->EndRow, 7);
  EXPECT_EQ(doc->CellText[4][7], "END");
  EXPECT_TRUE(doc->CellText[5][7].empty());
}

// The file ends at END; what was drawn after it is found by its first row, and storing it
// stays exactly as before.
TEST(ProgramFileFormat, CellsAfterEndAreFoundByTheirFirstRow) {
  auto doc = std::make_unique<ProgramDocument>();
  EXPECT_EQ(FirstRowLeftOut(*doc), std::nullopt);  // no END: nothing to leave out
  doc->CellType[3][6] = kContactNO;
  doc->CellText[3][6] = "P0:1";
  EXPECT_EQ(FirstRowLeftOut(*doc), std::nullopt);

  doc->CellType[4][2] = kBox;
  doc->CellText[4][2] = "END";
  doc->CellType[0][2] = kContactNO;  // before END in its row: stored
  doc->CellText[0][2] = "P0:0";
  const std::string stored = [&] {
    auto endOnly = std::make_unique<ProgramDocument>();
    endOnly->CellType[4][2] = kBox;
    endOnly->CellText[4][2] = "END";
    endOnly->CellType[0][2] = kContactNO;
    endOnly->CellText[0][2] = "P0:0";
    return Encoded(*endOnly);
  }();
  EXPECT_EQ(FirstRowLeftOut(*doc), 6);
  EXPECT_EQ(Encoded(*doc), stored);

  doc->CellType[10][2] = kCoil;  // right of END in its row
  EXPECT_EQ(FirstRowLeftOut(*doc), 2);
  doc->CellType[10][2] = kEmpty;
  doc->CellText[6][2] = "'note";  // a text alone
  EXPECT_EQ(FirstRowLeftOut(*doc), 2);
  doc->CellText[6][2].clear();

  // Only empty cells after END: monitor attributes are made by each build, not drawn.
  doc->CellType[3][6] = kEmpty;
  doc->CellText[3][6].clear();
  doc->MonDevNum[5][2] = doc->MonDevKind[5][2] = 3;
  doc->MonDevNum[1][9] = doc->MonDevKind[1][9] = 3;
  doc->CellType[11][5] = kContactNO;  // the spare column and row are never stored or drawn
  doc->CellType[0][kProgramRows] = kContactNO;
  EXPECT_EQ(FirstRowLeftOut(*doc), std::nullopt);

  // A vertical link alone counts, in END's row and in the last row.
  doc->VertLink[7][2] = 1;
  EXPECT_EQ(FirstRowLeftOut(*doc), 2);
  doc->VertLink[7][2] = 0;
  doc->VertLink[0][kProgramRows - 1] = 1;
  EXPECT_EQ(FirstRowLeftOut(*doc), kProgramRows - 1);
  EXPECT_EQ(Encoded(*doc), stored);

  // Only the first END counts: a later one is itself left out. One in the very last cell
  // leaves nothing out.
  doc->CellText[9][1] = "END";
  EXPECT_EQ(FirstRowLeftOut(*doc), 2);
  auto last = std::make_unique<ProgramDocument>();
  last->CellText[kOutputCol][kProgramRows - 1] = "END";
  EXPECT_EQ(FirstRowLeftOut(*last), std::nullopt);
}

TEST(ProgramFileFormat, TextLengthsAreCountedInBytes) {
  auto doc = std::make_unique<ProgramDocument>();
  doc->CellText[0][0] = kKo2 + "1";
  doc->CellText[2][0] = "END";
  std::string bytes = Encoded(*doc);
  EXPECT_EQ(bytes.substr(8 + 6, 6), std::string("\x05") + kKo2 + "1");
  EXPECT_EQ(bytes[8 + 12 + 6], '\0');  // empty text of (1, 0): one 00 byte

  // A length byte that ends on a lead byte takes exactly that many bytes.
  std::string odd = bytes;
  odd[8 + 6] = 1;
  odd.erase(8 + 8, 4);
  auto back = std::make_unique<ProgramDocument>();
  ASSERT_EQ(DecodeProgramFile(odd, *back), ProgramFileStatus::kOk);
  EXPECT_EQ(back->CellText[0][0], "\xB0");
  EXPECT_EQ(back->CellText[2][0], "END");
}

TEST(ProgramFileFormat, RoundTripKeepsCellsSetupAndAliasesByteForByte) {
  auto doc = std::make_unique<ProgramDocument>();
  FillProgram(*doc);
  doc->MonDevNum[0][0] = 32767;
  std::string bytes = Encoded(*doc);

  auto back = std::make_unique<ProgramDocument>();
  ASSERT_EQ(DecodeProgramFile(bytes, *back), ProgramFileStatus::kOk);
  ExpectSameCells(*doc, *back, 40);
  EXPECT_EQ(back->EndRow, 40);
  EXPECT_TRUE(back->CellText[4][40].empty());  // right of END: not stored
  EXPECT_EQ(back->AliasP, doc->AliasP);
  EXPECT_EQ(back->AliasM, doc->AliasM);
  EXPECT_EQ(back->AliasK, doc->AliasK);
  EXPECT_EQ(back->AliasC, doc->AliasC);
  EXPECT_EQ(back->AliasT, doc->AliasT);
  const PlcSetup &a = doc->Setup, &b = back->Setup;
  EXPECT_EQ(b.PlcModel, 10);
  EXPECT_EQ(b.CommMode, a.CommMode);
  EXPECT_EQ(b.NodeNum, 255);
  EXPECT_EQ(b.CompOption8, 9);
  EXPECT_EQ(b.IoDir, a.IoDir);
  EXPECT_FALSE(b.UploadFlag);
  EXPECT_TRUE(b.ClearKeepFlag);
  EXPECT_EQ(Encoded(*back), bytes);
}

TEST(ProgramFileFormat, ReaderKeepsUntrustedValuesAsData) {
  auto doc = std::make_unique<ProgramDocument>();
  doc->CellType[0][0] = 200;
  doc->VertLink[0][0] = 7;
  doc->MonDevKind[0][0] = 99;
  doc->CellText[1][0] = "END";
  std::string bytes = Encoded(*doc);
  bytes[8 + 2] = '\xFF';  // monitor number 0xFFFF: a signed -1
  bytes[8 + 3] = '\xFF';
  auto back = std::make_unique<ProgramDocument>();
  ASSERT_EQ(DecodeProgramFile(bytes, *back), ProgramFileStatus::kOk);
  EXPECT_EQ(back->CellType[0][0], 200);
  EXPECT_EQ(back->VertLink[0][0], 7);
  EXPECT_EQ(back->MonDevKind[0][0], 99);
  EXPECT_EQ(back->MonDevNum[0][0], -1);
  // Written back, the monitor attributes that do not fit become zeros; the rest stays.
  std::string again = Encoded(*back);
  EXPECT_EQ(again.substr(8, 6), std::string("\xC8\x07\x00\x00\x00\x00", 6));
}

TEST(ProgramFileFormat, AliasMarkersAndTrailingBytes) {
  auto doc = std::make_unique<ProgramDocument>();
  doc->CellText[0][0] = "END";
  doc->AliasM[3] = "X";
  std::string bytes = Encoded(*doc);
  const std::size_t marker = 8 + 10 + 12;
  ASSERT_EQ(static_cast<unsigned char>(bytes[marker]), 128);

  // Marker 50: fifty P texts only.
  std::string old = bytes.substr(0, marker) + "\x32";
  for (int i = 0; i < 50; ++i) old += i == 49 ? std::string("\x02PZ") : std::string(1, '\0');
  old += std::string(256, '\0') + std::string(1, '\0');
  auto back = std::make_unique<ProgramDocument>();
  ASSERT_EQ(DecodeProgramFile(old, *back), ProgramFileStatus::kOk);
  EXPECT_EQ(back->AliasP[49], "PZ");
  EXPECT_TRUE(back->AliasM[3].empty());
  EXPECT_EQ(back->Setup.IoDir[0], 0);

  // Any other marker: the port flags follow directly; trailing bytes are never read.
  std::string none = bytes.substr(0, marker) + "\x07" + std::string(256, '\0') + std::string(1, '\0') + "junk";
  back = std::make_unique<ProgramDocument>();
  ASSERT_EQ(DecodeProgramFile(none, *back), ProgramFileStatus::kOk);
  EXPECT_TRUE(back->AliasM[3].empty());
  EXPECT_EQ(back->Setup.IoDir[255], 0);
}

TEST(ProgramFileFormat, HeaderVersionAndDamageAreTold) {
  std::string good = EndOnlyFile(0, 0);
  auto scratch = std::make_unique<ProgramDocument>();  // reused: only the status matters here
  auto decode = [&scratch](const std::string& bytes) { return DecodeProgramFile(bytes, *scratch); };
  std::string v = good;
  v[4] = '1';
  EXPECT_EQ(decode(v), ProgramFileStatus::kOldVersion);
  v[4] = '3';
  EXPECT_EQ(decode(v), ProgramFileStatus::kVersionMismatch);
  v = good;
  v[5] = 'x';
  v[7] = '\xFF';
  EXPECT_EQ(decode(v), ProgramFileStatus::kOk);  // bytes 5 to 7 are not checked
  v = good;
  v[3] = 'X';
  EXPECT_EQ(decode(v), ProgramFileStatus::kBadMagic);
  EXPECT_EQ(decode(""), ProgramFileStatus::kBadMagic);
  EXPECT_EQ(decode("QSK"), ProgramFileStatus::kBadMagic);
  v = good;
  v.back() = 1;
  EXPECT_EQ(decode(v), ProgramFileStatus::kDamaged);

  // No END record in 1200 rows.
  std::string noEnd = "QSKL2000";
  for (int i = 0; i < kProgramRows * 11; ++i) noEnd += std::string(7, '\0');
  noEnd += good.substr(8 + 10);
  EXPECT_EQ(decode(noEnd), ProgramFileStatus::kDamaged);

  // Every truncation of a full file is refused.
  auto doc = std::make_unique<ProgramDocument>();
  FillProgram(*doc, 3);
  std::string full = Encoded(*doc);
  for (std::size_t n = 0; n < full.size(); ++n) {
    ProgramFileStatus s = decode(full.substr(0, n));
    ASSERT_TRUE(s == ProgramFileStatus::kDamaged || s == ProgramFileStatus::kBadMagic) << n;
  }
}

TEST(ProgramFileFormat, WriterRefusesWhatItCannotStore) {
  auto doc = std::make_unique<ProgramDocument>();
  std::string bytes = "old";
  SaveRefusal r;
  EXPECT_FALSE(EncodeProgramFile(*doc, bytes, &r));
  EXPECT_EQ(r.english, "END Command Not Found !");
  EXPECT_EQ(bytes, "old");

  doc->CellText[5][9] = "END";
  std::string box = "OUT ";
  for (int i = 0; i < 128; ++i) box += "\xB0\xA1";
  doc->CellText[3][2] = box;
  EXPECT_FALSE(EncodeProgramFile(*doc, bytes, &r));
  // The cell as the status bar names it (X:4 Y:3), counted from 1.
  EXPECT_EQ(r.english, "The text of the cell at column 4, row 3 is longer than 255 bytes. The program was not saved.");
  EXPECT_NE(r.korean.find("4열 3행"), std::string::npos) << r.korean;
  ASSERT_TRUE(FirstUnstorableCell(*doc).has_value());
  EXPECT_EQ(FirstUnstorableCell(*doc)->col, 3);
  EXPECT_EQ(FirstUnstorableCell(*doc)->row, 2);
  doc->CellText[3][2] = std::string(255, 'A');
  EXPECT_TRUE(EncodeProgramFile(*doc, bytes, &r));
  EXPECT_FALSE(FirstUnstorableCell(*doc).has_value());
  doc->CellText[6][9] = box;  // right of END: not stored, so no matter
  EXPECT_TRUE(EncodeProgramFile(*doc, bytes, &r));
  EXPECT_FALSE(FirstUnstorableCell(*doc).has_value());


  doc->AliasM[8 * 3 + 5] = std::string(256, 'm');
  EXPECT_FALSE(EncodeProgramFile(*doc, bytes, &r));
  EXPECT_NE(r.english.find("M3:5"), std::string::npos) << r.english;
  doc->AliasM[8 * 3 + 5].clear();
  doc->AliasT[17] = box;
  EXPECT_FALSE(EncodeProgramFile(*doc, bytes, &r));
  EXPECT_NE(r.korean.find("T17"), std::string::npos);
  doc->AliasT[17].clear();

  doc->Setup.NodeNum = 300;
  EXPECT_FALSE(EncodeProgramFile(*doc, bytes, &r));
  EXPECT_NE(r.english.find("value 300 of the node number"), std::string::npos) << r.english;
  doc->Setup.NodeNum = 0;
  doc->Setup.IoDir[13] = -1;
  EXPECT_FALSE(EncodeProgramFile(*doc, bytes, &r));
  EXPECT_NE(r.korean.find("P1:5 방향 플래그"), std::string::npos) << r.korean;
  doc->Setup.IoDir[13] = 0;
  doc->CellType[0][0] = 256;
  EXPECT_FALSE(EncodeProgramFile(*doc, bytes, &r));
  EXPECT_NE(r.english.find("The cell at column 1, row 1 holds a value outside 0 to 255."), std::string::npos)
      << r.english;
  ASSERT_TRUE(FirstUnstorableCell(*doc).has_value());
  EXPECT_EQ(FirstUnstorableCell(*doc)->row, 0);
  doc->CellType[0][0] = 0;

  doc->MonDevBit[1][1] = 300;
  doc->MonDevKind[1][1] = 6;
  doc->MonDevNum[1][1] = 4;
  ASSERT_TRUE(EncodeProgramFile(*doc, bytes, &r));
  EXPECT_EQ(bytes.substr(8 + 12 * 7, 6), std::string(6, '\0'));  // cell (1, 1)
}

// ---- commands ----

TEST(ProgramFileCommands, SaveWritesProgramBackupMemoAndWatchFile) {
  TempDir dir;
  fs::create_directory(dir.path / "studio");
  platform::RecordingMessageSink sink;
  auto studio = MakeStudio(sink);
  FillProgram(studio->doc);
  studio->shell.CurFilePath = dir / "prog.QSL";
  studio->shell.SourceSaved = false;
  studio->shell.MemoText = "first line\n" + std::string("\xEA\xB0\x80");  // UTF-8 Korean
  studio->shell.MemoChanged = true;
  studio->watch.WatchCount = 1;
  studio->watch.WatchName[0] = "P0:1";

  EXPECT_EQ(SaveProgram(*studio, studio->shell.CurFilePath, dir.path / "studio"), SaveResult::Saved);
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_TRUE(studio->shell.SourceSaved);
  std::string program = ReadFile(dir / "prog.QSL");
  EXPECT_EQ(program, Encoded(studio->doc));
  EXPECT_EQ(ReadFile((dir.path / "studio" / "QSKLBK.$$$").string()), program);
  EXPECT_EQ(ReadFile(dir / "prog.txt"), "first line\r\n\xB0\xA1");
  EXPECT_EQ(ReadFile(dir / "prog.wch"), EncodeWatchFile(studio->watch));
  std::string memo;
  MemoFormat format;
  ASSERT_TRUE(DecodeMemo(ReadFile(dir / "prog.txt"), memo, format));
  EXPECT_EQ(memo, studio->shell.MemoText);
  EXPECT_FALSE(studio->shell.MemoChanged);

  // An emptied memo writes nothing: the memo file stays as it is, and the edit is done with.
  studio->shell.MemoText.clear();
  studio->shell.MemoChanged = true;
  EXPECT_EQ(SaveProgram(*studio, studio->shell.CurFilePath, dir.path / "studio"), SaveResult::Saved);
  EXPECT_EQ(ReadFile(dir / "prog.txt"), "first line\r\n\xB0\xA1");
  EXPECT_FALSE(studio->shell.MemoChanged);
  EXPECT_TRUE(studio->shell.SourceSaved);
  studio->shell.CurFilePath = dir / "other.qsl";
  EXPECT_EQ(SaveProgram(*studio, studio->shell.CurFilePath, dir.path / "studio"), SaveResult::Saved);
  EXPECT_FALSE(fs::exists(dir.path / "other.txt"));
  EXPECT_TRUE(fs::exists(dir.path / "other.wch"));
}

TEST(ProgramFileCommands, FailedSavesKeepTheOldFileAndSayWhy) {
  TempDir dir;
  platform::RecordingMessageSink sink;
  auto studio = MakeStudio(sink);
  studio->shell.CurFilePath = dir / "prog.qsl";
  studio->shell.SourceSaved = false;
  WriteFile(dir / "prog.qsl", "old program");

  // No END cell: nothing written.
  EXPECT_EQ(SaveProgram(*studio, studio->shell.CurFilePath, dir.path), SaveResult::NotSaved);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "END Command Not Found !");
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Error !");
  EXPECT_EQ(sink.shown[0].icon, platform::MsgIcon::Information);
  studio->shell.KoreanMenu = true;
  EXPECT_EQ(SaveProgram(*studio, studio->shell.CurFilePath, dir.path), SaveResult::NotSaved);
  EXPECT_EQ(sink.shown[1].text, "END명령을 찾을 수 없습니다.");

  // A value that does not fit: refused, the old file stays.
  studio->doc.CellText[0][3] = "END";
  studio->doc.Setup.NodeNum = 256;
  EXPECT_EQ(SaveProgram(*studio, studio->shell.CurFilePath, dir.path), SaveResult::NotSaved);
  EXPECT_NE(sink.shown[2].text.find("256"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "prog.qsl"), "old program");
  EXPECT_FALSE(studio->shell.SourceSaved);
  EXPECT_FALSE(fs::exists(dir.path / "QSKLBK.$$$"));
  studio->doc.Setup.NodeNum = 1;

  // An unwritable target: a folder stands where the file should be.
  studio->shell.KoreanMenu = false;
  studio->shell.MemoText = "memo";
  studio->shell.MemoChanged = true;
  fs::create_directory(dir.path / "blocked.qsl");
  studio->shell.CurFilePath = dir / "blocked.qsl";
  EXPECT_EQ(SaveProgram(*studio, studio->shell.CurFilePath, dir.path), SaveResult::NotSaved);
  EXPECT_EQ(sink.shown.back().text, "File Save Error :" + dir / "blocked.qsl");
  EXPECT_FALSE(studio->shell.SourceSaved);
  EXPECT_FALSE(fs::exists(dir.path / "blocked.txt"));
  EXPECT_FALSE(fs::exists(dir.path / "blocked.wch"));
  EXPECT_FALSE(fs::exists(dir.path / "QSKLBK.$$$"));

  // A backup that cannot be written is named with its own path; the program is saved.
  sink.shown.clear();
  studio->shell.CurFilePath = dir / "prog.qsl";
  studio->shell.KoreanMenu = true;
  EXPECT_EQ(SaveProgram(*studio, studio->shell.CurFilePath, dir.path / "prog.qsl"), SaveResult::Saved);  // the folder is a regular file
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text,
            "파일 세이브도중 에러가 발생했습니다. " + (dir.path / "prog.qsl" / "QSKLBK.$$$").string());
  EXPECT_TRUE(studio->shell.SourceSaved);
  EXPECT_EQ(ReadFile(dir / "prog.qsl"), Encoded(studio->doc));
  EXPECT_EQ(ReadFile(dir / "prog.txt"), "memo");
  EXPECT_TRUE(fs::exists(dir.path / "prog.wch"));

}

// A save after which the memo or the watch list did not reach its file leaves the program
// counted as changed, so that the save question comes again; once they are written it is saved.
TEST(ProgramFileCommands, AnEditThatDidNotReachItsFileLeavesTheProgramChanged) {
  TempDir dir;
  platform::RecordingMessageSink sink;
  auto studio = MakeStudio(sink);
  studio->doc.CellText[0][2] = "END";
  studio->shell.CurFilePath = dir / "prog.qsl";
  studio->shell.SourceSaved = false;
  studio->shell.MemoText = "memo";
  studio->shell.MemoChanged = true;
  fs::create_directory(dir.path / "prog.txt");  // the memo cannot be written there
  ASSERT_EQ(SaveProgram(*studio, dir / "prog.qsl", dir.path), SaveResult::Saved);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "File Save Error :" + dir / "prog.txt");
  EXPECT_EQ(ReadFile(dir / "prog.qsl"), Encoded(studio->doc));
  EXPECT_FALSE(studio->shell.SourceSaved);
  EXPECT_TRUE(studio->shell.MemoChanged);
  fs::remove(dir.path / "prog.txt");
  ASSERT_EQ(SaveProgram(*studio, dir / "prog.qsl", dir.path), SaveResult::Saved);
  EXPECT_EQ(ReadFile(dir / "prog.txt"), "memo");
  EXPECT_TRUE(studio->shell.SourceSaved);

  // An entry added to the watch list, whose file cannot be written.
  studio->watch.WatchCount = 1;
  studio->watch.WatchName[0] = "P0:1";
  studio->shell.SourceSaved = false;
  fs::remove(dir.path / "prog.wch");
  fs::create_directory(dir.path / "prog.wch");
  sink.shown.clear();
  ASSERT_EQ(SaveProgram(*studio, dir / "prog.qsl", dir.path), SaveResult::Saved);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "File Save Error :" + dir / "prog.wch");
  EXPECT_FALSE(studio->shell.SourceSaved);
  fs::remove(dir.path / "prog.wch");
  ASSERT_EQ(SaveProgram(*studio, dir / "prog.qsl", dir.path), SaveResult::Saved);
  EXPECT_EQ(ReadFile(dir / "prog.wch"), EncodeWatchFile(studio->watch));
  EXPECT_TRUE(studio->shell.SourceSaved);

  // A watch file the user may not write that holds the list as it is loses nothing: the user
  // is told, and the program counts as saved.
  ASSERT_TRUE(ordinary_user::Give(dir.path));
  const int status = ordinary_user::Run([&] {
    platform::RecordingMessageSink childSink;
    studio->messages = &childSink;
    const std::string program = dir / "ro.qsl";
    CHILD_CHECK(platform::WriteFileAtomically(program, Encoded(studio->doc)));
    CHILD_CHECK(platform::WriteFileAtomically(dir / "ro.wch", EncodeWatchFile(studio->watch)));
    CHILD_CHECK(chmod((dir / "ro.wch").c_str(), 0444) == 0);
    CHILD_CHECK(LoadProgramFile(*studio, program));
    studio->shell.CurFilePath = program;
    LoadMemoFile(*studio, program);
    CHILD_CHECK(LoadWatchFile(*studio, program));
    studio->doc.CellText[0][0] = "P0:2";
    studio->shell.SourceSaved = false;
    const fs::path folder = dir.path / "child";  // the backup's
    fs::create_directory(folder);
    CHILD_CHECK(SaveProgram(*studio, program, folder) == SaveResult::Saved);
    CHILD_CHECK(childSink.shown.size() == 1 && childSink.shown[0].text == "File Open Error :" + dir / "ro.wch");
    CHILD_CHECK(studio->shell.SourceSaved);
    studio->watch.WatchAddr[0] = 7;  // now it holds an edit
    studio->shell.SourceSaved = false;
    CHILD_CHECK(SaveProgram(*studio, program, folder) == SaveResult::Saved);
    CHILD_CHECK(childSink.shown.size() == 2);
    CHILD_CHECK(!studio->shell.SourceSaved);
    return 0;
  });
  studio->messages = &sink;
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << ordinary_user::Ending(status);
}

// A memo or watch file kept at the user's No holds another program's text: an edited memo or
// watch list reached no file and the program stays changed, while one nobody changed since its
// own file was read or written loses nothing.
TEST(ProgramFileCommands, AnEditKeptOutOfAnotherProgramsFileLeavesTheProgramChanged) {
  TempDir dir;
  platform::RecordingMessageSink sink;
  auto studio = MakeStudio(sink);
  studio->doc.CellText[0][2] = "END";
  const std::string mine = dir / "mine.qsl", theirs = dir / "theirs.qsl";
  studio->shell.CurFilePath = mine;
  studio->shell.MemoText = "typed";
  studio->shell.MemoChanged = true;
  studio->watch.WatchCount = 1;
  studio->watch.WatchName[0] = "P0:1";
  WriteFile(dir / "theirs.txt", "their memo");
  WriteFile(dir / "theirs.wch", "their list");
  auto savedKeepingTheirs = [&] {
    studio->shell.SourceSaved = false;
    EXPECT_EQ(SaveProgram(*studio, theirs, dir.path, {.memo = true, .watch = true}), SaveResult::Saved);
    EXPECT_EQ(ReadFile(dir / "theirs.txt"), "their memo");
    EXPECT_EQ(ReadFile(dir / "theirs.wch"), "their list");
    return studio->shell.SourceSaved;
  };
  EXPECT_FALSE(savedKeepingTheirs());
  EXPECT_TRUE(studio->shell.MemoChanged);
  ASSERT_EQ(SaveProgram(*studio, mine, dir.path), SaveResult::Saved);  // the memo and the list into their own files
  EXPECT_TRUE(savedKeepingTheirs());
  EXPECT_FALSE(studio->shell.MemoChanged);
  studio->shell.MemoChanged = true;  // the memo edited again
  EXPECT_FALSE(savedKeepingTheirs());
  studio->shell.MemoChanged = false;
  studio->watch.WatchAddr[0] = 7;  // an entry changed
  EXPECT_FALSE(savedKeepingTheirs());
  studio->watch.WatchCount = 0;  // All Clear of a list its file holds
  EXPECT_FALSE(savedKeepingTheirs());
  studio->shell.WatchStored.clear();  // an empty list that no file held
  EXPECT_TRUE(savedKeepingTheirs());
  EXPECT_TRUE(sink.shown.empty()) << sink.shown[0].text;
}

// A program kept in two folders by a link is saved into the linked file; the links stay, the
// memo and watch files keep the names made from the path that was opened, and nothing else
// appears in either folder.
TEST(ProgramFileCommands, SaveThroughALinkReachesTheLinkedProgram) {
  TempDir dir;
  const fs::path work = dir.path / "work", real = dir.path / "real";
  for (const fs::path& folder : {work, real}) fs::create_directory(folder);
  platform::RecordingMessageSink sink;
  auto studio = MakeStudio(sink);
  studio->doc.CellText[0][2] = "END";
  WriteFile((real / "prog.qsl").string(), Encoded(studio->doc));
  WriteFile((real / "prog.txt").string(), "old memo");
  WriteFile((real / "prog.wch").string(), "WATCH200 of the real folder");
  fs::create_symlink("../real/prog.qsl", work / "prog.qsl");
  fs::create_symlink("../real/prog.txt", work / "prog.txt");
  auto link = [&](const char* name) {
    struct stat st {};
    EXPECT_EQ(lstat((work / name).c_str(), &st), 0);
    return std::make_pair(fs::read_symlink(work / name).string(), st.st_ino);
  };
  const auto programLink = link("prog.qsl"), memoLink = link("prog.txt");

  const std::string opened = (work / "prog.qsl").string();
  ASSERT_TRUE(LoadProgramFile(*studio, opened));
  studio->doc.CellText[0][0] = "P0:1";
  studio->shell.MemoText = "new memo";
  studio->shell.MemoChanged = true;
  EXPECT_EQ(SaveProgram(*studio, opened, dir.path), SaveResult::Saved);
  EXPECT_TRUE(sink.shown.empty());

  EXPECT_EQ(link("prog.qsl"), programLink);
  EXPECT_EQ(link("prog.txt"), memoLink);
  EXPECT_EQ(ReadFile((real / "prog.qsl").string()), Encoded(studio->doc));
  EXPECT_EQ(ReadFile((real / "prog.txt").string()), "new memo");
  EXPECT_EQ(ReadFile((real / "prog.wch").string()), "WATCH200 of the real folder");
  EXPECT_EQ(ReadFile((work / "prog.wch").string()), EncodeWatchFile(studio->watch));
  for (const fs::path& folder : {work, real}) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"prog.qsl", "prog.txt", "prog.wch"})) << folder;
  }
}

// A save keeps who owns the program and its other names: root saving a user's program, memo
// and watch file leaves them the user's, with their modes; a program with a second name (a
// hard link in another folder) is saved into the one file both names lead to.
TEST(ProgramFileCommands, ASaveKeepsTheOwnerAndTheOtherNamesOfTheFiles) {
  TempDir dir;
  const fs::path work = dir.path / "work", other = dir.path / "other";
  for (const fs::path& folder : {work, other}) fs::create_directory(folder);
  platform::RecordingMessageSink sink;
  auto studio = MakeStudio(sink);
  studio->doc.CellText[0][2] = "END";
  const std::string opened = (work / "prog.qsl").string();
  for (const char* name : {"prog.qsl", "prog.txt", "prog.wch"}) {
    WriteFile((work / name).string(), name == std::string("prog.qsl") ? Encoded(studio->doc) : "old");
    ASSERT_TRUE(ordinary_user::Give(work / name));
    ASSERT_EQ(chmod((work / name).c_str(), 0640), 0);
  }
  fs::create_hard_link(work / "prog.qsl", other / "same.qsl");
  ASSERT_TRUE(LoadProgramFile(*studio, opened));
  studio->doc.CellText[0][0] = "P0:1";
  studio->shell.MemoText = "new memo";
  studio->shell.MemoChanged = true;
  studio->watch.WatchCount = 1;
  EXPECT_EQ(SaveProgram(*studio, opened, dir.path), SaveResult::Saved);
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_TRUE(ReadFile((other / "same.qsl").string()) == Encoded(studio->doc)) << "the other name kept the old program";
  EXPECT_EQ(fs::hard_link_count(work / "prog.qsl"), 2u);
  EXPECT_EQ(ReadFile((work / "prog.txt").string()), "new memo");
  EXPECT_EQ(ReadFile((work / "prog.wch").string()), EncodeWatchFile(studio->watch));
  for (const char* name : {"prog.qsl", "prog.txt", "prog.wch"}) {
    struct stat st {};
    ASSERT_EQ(stat((work / name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << name;
    if (geteuid() == 0) {
      EXPECT_EQ(st.st_uid, ordinary_user::kId) << name;
      EXPECT_EQ(st.st_gid, ordinary_user::kId) << name;
    }
  }
}

TEST(ProgramFileCommands, LoadReplacesTheDocumentOnlyWhenTheWholeFileWasRead) {
  TempDir dir;
  platform::RecordingMessageSink sink;
  auto studio = MakeStudio(sink);
  auto source = std::make_unique<ProgramDocument>();
  FillProgram(*source);
  WriteFile(dir / "good.qsl", Encoded(*source));

  ProgramDocument& doc = studio->doc;
  doc.CellText[0][100] = "old";
  doc.CellText[9][200] = "END";
  doc.MonDevBit[7][300] = 5;
  doc.CurCol = 4;
  doc.CurRow = 99;
  doc.TopRow = 90;
  doc.Setup.IoDir[256] = 77;
  studio->editor.clipboard.ClipText[1][1] = "clip";
  studio->build.CompileInfo = true;

  struct Case {
    std::string name, bytes, english, korean;
  };
  std::string good = Encoded(*source);
  std::string v1 = good, v3 = good, bad = good, term = good;
  v1[4] = '1';
  v3[4] = '9';
  bad[0] = 'X';
  term.back() = 5;
  const Case cases[] = {
      {"v1.qsl", v1, "This is old version File Format :", "이전포멧의 파일입니다. 읽어들 수 없습니다."},
      {"v3.qsl", v3, "File Format Version Unmatch Error :", "파일의 버젼이 틀립니다. 읽어들 수 없습니다."},
      {"bad.qsl", bad, "File Format Error :", "읽어들일 수 없는 형식의 파일입니다."},
      {"term.qsl", term, "File Format Error :", "파일 포멧에 이상이 발견되었습니다."},
      {"short.qsl", good.substr(0, good.size() / 2), "File Format Error :", "파일 포멧에 이상이 발견되었습니다."},
  };
  for (const Case& c : cases) {
    WriteFile(dir / c.name, c.bytes);
    for (bool korean : {false, true}) {
      sink.shown.clear();
      studio->shell.KoreanMenu = korean;
      EXPECT_FALSE(LoadProgramFile(*studio, dir / c.name)) << c.name;
      ASSERT_EQ(sink.shown.size(), 1u);
      EXPECT_EQ(sink.shown[0].text, (korean ? c.korean : c.english) + dir / c.name);
      EXPECT_EQ(doc.CellText[0][100], "old");
    }
  }
  studio->shell.KoreanMenu = false;
  sink.shown.clear();
  EXPECT_FALSE(LoadProgramFile(*studio, dir / "missing.qsl"));  // names no file: read as empty
  EXPECT_EQ(sink.shown.back().text, "File Format Error :" + dir / "missing.qsl");
  EXPECT_FALSE(fs::exists(dir.path / "missing.qsl"));
  EXPECT_FALSE(LoadProgramFile(*studio, dir.path.string()));  // a folder cannot be read
  EXPECT_EQ(sink.shown.back().text, "File Open Error :" + dir.path.string());
  EXPECT_EQ(doc.CellText[9][200], "END");
  EXPECT_TRUE(studio->build.CompileInfo);

  sink.shown.clear();
  ASSERT_TRUE(LoadProgramFile(*studio, dir / "good.qsl"));
  EXPECT_TRUE(sink.shown.empty());
  ExpectSameCells(doc, *source, 40);
  EXPECT_TRUE(doc.CellText[0][100].empty());
  EXPECT_TRUE(doc.CellText[9][200].empty());
  EXPECT_EQ(doc.EndRow, 40);
  EXPECT_EQ(doc.AliasT[1], source->AliasT[1]);
  EXPECT_EQ(doc.Setup.PlcModel, 10);
  EXPECT_EQ(doc.Setup.IoDir[3], 0);
  EXPECT_EQ(doc.Setup.IoDir[256], 77);
  EXPECT_EQ(doc.CurRow, 99);
  EXPECT_EQ(doc.TopRow, 90);
  EXPECT_TRUE(studio->editor.clipboard.ClipText[1][1].empty());
  EXPECT_FALSE(studio->build.CompileInfo);
}

TEST(ProgramFileCommands, ImportInsertsRowsAtTheCursor) {
  TempDir dir;
  platform::RecordingMessageSink sink;
  auto studio = MakeStudio(sink);
  auto file = std::make_unique<ProgramDocument>();
  file->CellText[0][0] = "P1:0";
  file->CellType[0][0] = kContactNO;
  file->MonDevBit[0][0] = 3;
  file->CellText[10][1] = "M2:2";
  file->VertLink[4][1] = 1;
  file->CellText[1][2] = "X";
  file->CellText[2][2] = "END";
  file->Setup.PlcModel = 3;
  file->AliasP[0] = "FROMFILE";
  WriteFile(dir / "part.qsl", Encoded(*file));

  ProgramDocument& doc = studio->doc;
  for (int row = 0; row < 20; ++row) doc.CellText[0][row] = "R" + std::to_string(row);
  doc.CellText[5][20] = "END";
  doc.MonDevKind[0][10] = 6;
  doc.Setup.PlcModel = 5;
  doc.AliasP[0] = "MINE";
  doc.Setup.IoDir[0] = 0;
  doc.CurRow = 10;
  studio->shell.SourceSaved = true;
  studio->build.CompileInfo = true;

  ASSERT_TRUE(ImportProgramFile(*studio, dir / "part.qsl"));
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_EQ(doc.CellText[0][9], "R9");
  EXPECT_EQ(doc.CellText[0][10], "P1:0");
  EXPECT_EQ(doc.CellType[0][10], kContactNO);
  EXPECT_EQ(doc.MonDevBit[0][10], 3);
  EXPECT_EQ(doc.MonDevKind[0][10], 0);
  EXPECT_TRUE(doc.CellText[0][11].empty());
  EXPECT_EQ(doc.CellText[10][11], "M2:2");
  EXPECT_EQ(doc.VertLink[4][11], 1);
  for (int col = 0; col <= kOutputCol; ++col) EXPECT_TRUE(doc.CellText[col][12].empty()) << col;
  EXPECT_EQ(doc.CellText[0][13], "R10");
  EXPECT_EQ(doc.MonDevKind[0][13], 6);
  EXPECT_EQ(doc.CellText[0][22], "R19");
  EXPECT_EQ(doc.CellText[5][23], "END");
  EXPECT_EQ(doc.EndRow, 12);
  EXPECT_EQ(doc.Setup.PlcModel, 5);
  EXPECT_EQ(doc.AliasP[0], "MINE");
  EXPECT_EQ(doc.Setup.IoDir[0], 0);
  EXPECT_TRUE(studio->shell.SourceSaved);
  EXPECT_TRUE(studio->build.CompileInfo);
}

TEST(ProgramFileCommands, ImportRefusesBadFilesAndRowsThatDoNotFit) {
  TempDir dir;
  platform::RecordingMessageSink sink;
  auto studio = MakeStudio(sink);
  auto file = std::make_unique<ProgramDocument>();
  file->CellText[0][2] = "END";  // three rows
  std::string bytes = Encoded(*file);
  WriteFile(dir / "part.qsl", bytes);
  WriteFile(dir / "cut.qsl", bytes.substr(0, bytes.size() - 300));
  ProgramDocument& doc = studio->doc;
  doc.CellText[3][1197] = "LAST";
  doc.CurRow = 0;

  EXPECT_FALSE(ImportProgramFile(*studio, dir / "cut.qsl"));
  EXPECT_EQ(sink.shown.back().text, "File Format Error :" + dir / "cut.qsl");
  studio->shell.KoreanMenu = true;
  EXPECT_FALSE(ImportProgramFile(*studio, dir / "part.qsl"));  // 1198 used rows + 3 > 1200
  EXPECT_EQ(sink.shown.back().text, "빈 줄이 모자라 가져올 수 없습니다 (프로그램은 최대 1200줄) :" + dir / "part.qsl");
  EXPECT_EQ(doc.CellText[3][1197], "LAST");
  EXPECT_TRUE(doc.CellText[3][1200].empty());

  doc.CellText[3][1197].clear();
  doc.CellText[3][1196] = "LAST";
  ASSERT_TRUE(ImportProgramFile(*studio, dir / "part.qsl"));  // exactly fits
  EXPECT_EQ(doc.CellText[3][1199], "LAST");

  doc.ClearProgram();
  doc.CurRow = 1198;  // below the used rows the cursor row counts
  EXPECT_FALSE(ImportProgramFile(*studio, dir / "part.qsl"));
  doc.CurRow = 1197;
  EXPECT_TRUE(ImportProgramFile(*studio, dir / "part.qsl"));
  EXPECT_EQ(doc.EndRow, 1199);
}

// The reader never looks past the largest program a file can hold, so Open and Import read
// no more of a huge file than that: a program followed by 64 MiB of anything opens after
// reading less than 4 MiB.
TEST(ProgramFileCommands, AHugeFileIsReadOnlyAsFarAsAProgramReaches) {
  TempDir dir;
  platform::RecordingMessageSink sink;
  auto studio = MakeStudio(sink);
  auto source = std::make_unique<ProgramDocument>();
  FillProgram(*source);
  WriteFile(dir / "huge.qsl", Encoded(*source));
  fs::resize_file(dir / "huge.qsl", 64 << 20);
  const long long before = BytesReadSoFar();
  ASSERT_GE(before, 0);
  ASSERT_TRUE(LoadProgramFile(*studio, dir / "huge.qsl"));
  studio->doc.CurRow = 50;
  ASSERT_TRUE(ImportProgramFile(*studio, dir / "huge.qsl"));
  EXPECT_LT(BytesReadSoFar() - before, 2 * (4 << 20));
  EXPECT_TRUE(sink.shown.empty());
  ExpectSameCells(studio->doc, *source, 40);
}

TEST(ProgramFileCommands, CompanionPathsNeverNameTheProgram) {
  EXPECT_EQ(MemoFilePath("/a/prog.qsl"), "/a/prog.txt");
  EXPECT_EQ(WatchFilePath("/a/PROG.QsL"), "/a/PROG.wch");
  EXPECT_EQ(WatchFilePath("/s/QSKLBK.$$$"), "/s/QSKLBK.wch");
  EXPECT_EQ(MemoFilePath("/a/notes.txt"), "/a/notes.txt.txt");
  EXPECT_EQ(MemoFilePath("x"), "x.txt");
  EXPECT_EQ(MemoFilePath("/d.qsl/prog"), "/d.qsl/prog.txt");
  EXPECT_EQ(MemoFilePath("/a/" + std::string("\xEA\xB0\x80") + ".qsl"), "/a/\xEA\xB0\x80.txt");
  EXPECT_EQ(BackupPath("/opt/zqv"), fs::path("/opt/zqv/QSKLBK.$$$"));
}

TEST(ProgramFileFuzz, DamagedFilesAreRefusedOrReadWithoutHarm) {
  auto doc = std::make_unique<ProgramDocument>();
  FillProgram(*doc, 6);
  const std::string good = Encoded(*doc);
  std::mt19937 rng(12345);
  int accepted = 0;
  auto fresh = std::make_unique<ProgramDocument>();  // reused to keep the run short
  for (int i = 0; i < 3000; ++i) {
    std::string bytes = good;
    switch (i % 3) {
      case 0:
        bytes.resize(rng() % bytes.size());
        break;
      case 1:
        for (int k = 1 + rng() % 4; k > 0; --k) bytes[rng() % bytes.size()] ^= static_cast<char>(1u << (rng() % 8));
        break;
      default:
        for (int k = 1 + rng() % 8; k > 0; --k) bytes[8 + rng() % 600] = static_cast<char>(rng());
        break;
    }
    ProgramFileStatus status = DecodeProgramFile(bytes, *fresh);
    if (status != ProgramFileStatus::kOk) continue;
    ++accepted;
    ASSERT_GE(fresh->EndRow, 0);
    ASSERT_LT(fresh->EndRow, kProgramRows);
    std::string again;
    EncodeProgramFile(*fresh, again);  // whatever was read can be offered to the writer
  }
  EXPECT_GT(accepted, 0);
}

// ---- the memo file ----

namespace {
// A memo as this system's own editors write it: UTF-8 with LF line ends (59 bytes).
const std::string kUtf8Memo =
    "\xEB\xA9\x94\xEB\xAA\xA8: \xED\x8E\x8C\xED\x94\x84 A \xEB\x9D\xBC\xEC\x9D\xB8 "
    "\xEC\x84\xA4\xEC\xA0\x95\xEA\xB0\x92 \xE2\x9C\x93 \xE2\x80\x94 2026\nsecond line\n";
const std::string kNotText = "line one \x80\xff\xfe end";

// A studio with an END-only program, written as each of `names` in `dir`.
std::unique_ptr<Studio> StudioWithPrograms(platform::RecordingMessageSink& sink, const TempDir& dir,
                                           std::initializer_list<const char*> names) {
  auto studio = MakeStudio(sink);
  studio->doc.CellText[0][2] = "END";
  for (const char* name : names) WriteFile(dir / name, Encoded(studio->doc));
  return studio;
}

// The memo edited to `text` as the memo box does it, then the program `name` in `dir` saved;
// returns the bytes of its memo file.
std::string SaveWithMemo(Studio& studio, const TempDir& dir, const std::string& name, const std::string& text) {
  studio.shell.MemoText = text;
  studio.shell.MemoChanged = true;
  EXPECT_EQ(SaveProgram(studio, dir / name, dir.path), SaveResult::Saved);
  return ReadFile(MemoFilePath(dir / name));
}

// Opens `path` as the Open command does: the program, then its memo.
bool OpenWithMemo(Studio& studio, const std::string& path) {
  if (!LoadProgramFile(studio, path)) return false;
  studio.shell.CurFilePath = path;
  LoadMemoFile(studio, path);
  return true;
}
}  // namespace

TEST(MemoFile, ReadsUtf8OrCp949AndWritesAnEditBackInTheFileForm) {
  ASSERT_EQ(kUtf8Memo.size(), 59u);
  std::string text;
  MemoFormat format;
  ASSERT_TRUE(DecodeMemo(kUtf8Memo, text, format));
  EXPECT_EQ(format, (MemoFormat{true, false}));
  EXPECT_EQ(text, kUtf8Memo);
  std::string bytes;
  ASSERT_TRUE(EncodeMemo(text + "\xF0\x9F\x98\x80\n", format, bytes));  // UTF-8 holds what CP949 cannot
  EXPECT_EQ(bytes, kUtf8Memo + "\xF0\x9F\x98\x80\n");

  // CP949 keeps its line ends, CR LF or LF; a memo without a line end gets CR LF.
  ASSERT_TRUE(DecodeMemo("first\r\n" + kKo2 + "\r\n", text, format));
  EXPECT_EQ(format, (MemoFormat{false, true}));
  EXPECT_EQ(text, "first\n\xEA\xB0\x80\xED\x95\x9C\n");
  ASSERT_TRUE(EncodeMemo(text + "x\n", format, bytes));
  EXPECT_EQ(bytes, "first\r\n" + kKo2 + "\r\nx\r\n");
  // A lone CR is no line end and stays one, also right before a CR LF.
  ASSERT_TRUE(DecodeMemo("a\rb\r\r\nc\r\n", text, format));
  EXPECT_EQ(text, "a\rb\r\nc\n");
  ASSERT_TRUE(EncodeMemo("X" + text, format, bytes));
  EXPECT_EQ(bytes, "Xa\rb\r\r\nc\r\n");
  ASSERT_TRUE(DecodeMemo("a\nb" + kKo2, text, format));
  EXPECT_EQ(format, (MemoFormat{false, false}));
  ASSERT_TRUE(EncodeMemo(text + "\nc", format, bytes));
  EXPECT_EQ(bytes, "a\nb" + kKo2 + "\nc");
  ASSERT_TRUE(DecodeMemo("plain", text, format));
  EXPECT_EQ(format, MemoFormat{});
  ASSERT_TRUE(EncodeMemo("plain\nmore", format, bytes));
  EXPECT_EQ(bytes, "plain\r\nmore");
  EXPECT_FALSE(EncodeMemo("\xF0\x9F\x98\x80", format, bytes));  // no CP949 form

  // A byte order mark belongs to the file, not to the text: the memo page does not show it,
  // and an edit is written back behind it.
  const std::string bom = "\xEF\xBB\xBF";
  ASSERT_TRUE(DecodeMemo(bom + "note\r\n", text, format));
  EXPECT_EQ(text, "note\n");
  ASSERT_TRUE(EncodeMemo("Xnote\n", format, bytes));
  EXPECT_EQ(bytes, bom + "Xnote\r\n");
  ASSERT_TRUE(DecodeMemo("plain", text, format));
  ASSERT_TRUE(EncodeMemo("plain", format, bytes));
  EXPECT_EQ(bytes, "plain");

  // Bytes that are text in neither encoding are refused, not turned into "?".
  text = "kept";
  EXPECT_FALSE(DecodeMemo(kNotText, text, format));
  EXPECT_EQ(text, "kept");
  EXPECT_FALSE(DecodeMemo(kKo2.substr(0, 3), text, format));  // cut in a character
}

// A save of the program leaves a memo the user did not edit byte for byte as it is: one in
// UTF-8, and one that is no text (reported at open, naming the file). Edited, each is written:
// the UTF-8 memo in UTF-8 with its LF line ends, the other as a new memo.
TEST(MemoFile, ASaveWritesTheMemoOnlyWhenItWasEdited) {
  TempDir dir;
  platform::RecordingMessageSink sink;
  auto studio = StudioWithPrograms(sink, dir, {"utf8.qsl", "binary.qsl"});
  WriteFile(dir / "utf8.txt", kUtf8Memo);
  WriteFile(dir / "binary.txt", kNotText);

  ASSERT_TRUE(OpenWithMemo(*studio, dir / "utf8.qsl"));
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_EQ(studio->shell.MemoText, kUtf8Memo);
  studio->doc.CellText[0][0] = "P0:1";
  ASSERT_EQ(SaveProgram(*studio, dir / "utf8.qsl", dir.path), SaveResult::Saved);
  EXPECT_EQ(ReadFile(dir / "utf8.txt"), kUtf8Memo);
  EXPECT_EQ(ReadFile(dir / "utf8.qsl"), Encoded(studio->doc));

  studio->shell.MemoText += "third\n";
  studio->shell.MemoChanged = true;
  ASSERT_EQ(SaveProgram(*studio, dir / "utf8.qsl", dir.path), SaveResult::Saved);
  EXPECT_EQ(ReadFile(dir / "utf8.txt"), kUtf8Memo + "third\n");
  EXPECT_FALSE(studio->shell.MemoChanged);
  EXPECT_TRUE(sink.shown.empty());

  for (bool korean : {false, true}) {
    sink.shown.clear();
    studio->shell.KoreanMenu = korean;
    ASSERT_TRUE(OpenWithMemo(*studio, dir / "binary.qsl"));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Error !");
    EXPECT_EQ(sink.shown[0].icon, platform::MsgIcon::Information);
    const std::string& text = sink.shown[0].text;
    EXPECT_EQ(text.find(korean ? "메모 파일 형식 에러 (UTF-8도 CP949도 아닌 텍스트) :" + dir / "binary.txt"
                               : "Memo File Format Error (neither UTF-8 nor CP949 text) :" + dir / "binary.txt"),
              0u)
        << text;
    EXPECT_EQ(studio->shell.MemoText, "");
    studio->doc.CellText[0][0] = korean ? "P0:2" : "P0:3";
    ASSERT_EQ(SaveProgram(*studio, dir / "binary.qsl", dir.path), SaveResult::Saved);
    EXPECT_EQ(ReadFile(dir / "binary.txt"), kNotText);
  }
  EXPECT_EQ(SaveWithMemo(*studio, dir, "binary.qsl", "new\nmemo"), "new\r\nmemo");
}

// A memo that holds a character CP949 has no code for (an accented letter, an emoji) is written
// in UTF-8 with the line ends of its file, so that it can always be saved, and reads back as
// the same text.
TEST(MemoFile, TextThatCp949CannotHoldIsWrittenInUtf8) {
  TempDir dir;
  platform::RecordingMessageSink sink;
  auto studio = StudioWithPrograms(sink, dir, {"new.qsl", "prog.qsl"});

  studio->shell.CurFilePath = dir / "new.qsl";
  studio->shell.SourceSaved = false;
  EXPECT_EQ(SaveWithMemo(*studio, dir, "new.qsl", "caf\xC3\xA9\nline"), "caf\xC3\xA9\r\nline");
  EXPECT_TRUE(sink.shown.empty()) << sink.shown[0].text;
  EXPECT_FALSE(studio->shell.MemoChanged);
  EXPECT_TRUE(studio->shell.SourceSaved);

  // A CP949 memo with LF line ends that gets an emoji becomes a UTF-8 memo as a whole.
  WriteFile(dir / "prog.txt", "first\n" + kKo2 + "\n");
  ASSERT_TRUE(OpenWithMemo(*studio, dir / "prog.qsl"));
  const std::string edited = studio->shell.MemoText + "\xF0\x9F\x98\x80\n";
  EXPECT_EQ(SaveWithMemo(*studio, dir, "prog.qsl", edited), "first\n\xEA\xB0\x80\xED\x95\x9C\n\xF0\x9F\x98\x80\n");
  EXPECT_TRUE(sink.shown.empty()) << sink.shown[0].text;
  ASSERT_TRUE(OpenWithMemo(*studio, dir / "prog.qsl"));
  EXPECT_EQ(studio->shell.MemoText, edited);
  // and stays UTF-8 from then on
  EXPECT_EQ(SaveWithMemo(*studio, dir, "prog.qsl", edited + "more\n"),
            "first\n\xEA\xB0\x80\xED\x95\x9C\n\xF0\x9F\x98\x80\nmore\n");
}

// An edit back to an empty memo writes nothing and leaves the memo file as it is, also one that
// could not be read and that the user so never saw (a letter typed and taken back, then Save).
TEST(MemoFile, AnEmptiedMemoLeavesTheMemoFileAsItIs) {
  TempDir dir;
  platform::RecordingMessageSink sink;
  auto studio = StudioWithPrograms(sink, dir, {"prog.qsl"});
  std::string unreadable;
  while (unreadable.size() < 4000) unreadable += kNotText;
  WriteFile(dir / "prog.txt", unreadable);
  ASSERT_TRUE(OpenWithMemo(*studio, dir / "prog.qsl"));
  EXPECT_EQ(sink.shown.size(), 1u);  // the memo is no text
  EXPECT_EQ(studio->shell.MemoText, "");
  studio->shell.MemoText = "X";
  studio->shell.MemoText.clear();
  studio->shell.MemoChanged = true;
  studio->shell.SourceSaved = false;
  ASSERT_EQ(SaveProgram(*studio, dir / "prog.qsl", dir.path), SaveResult::Saved);
  EXPECT_EQ(ReadFile(dir / "prog.txt"), unreadable);
  EXPECT_EQ(sink.shown.size(), 1u);
  EXPECT_FALSE(studio->shell.MemoChanged);
  EXPECT_TRUE(studio->shell.SourceSaved);
}

// Saved under another name, the memo goes with the program when it holds text, in its form;
// an empty memo makes no memo file there.
TEST(MemoFile, SaveAsTakesTheMemoAlong) {
  TempDir dir;
  platform::RecordingMessageSink sink;
  auto studio = StudioWithPrograms(sink, dir, {"prog.qsl"});
  WriteFile(dir / "prog.txt", kUtf8Memo);
  ASSERT_TRUE(OpenWithMemo(*studio, dir / "prog.qsl"));
  ASSERT_EQ(SaveProgram(*studio, dir / "copy.qsl", dir.path), SaveResult::Saved);
  EXPECT_EQ(ReadFile(dir / "copy.txt"), kUtf8Memo);
  studio->shell.MemoText.clear();
  ASSERT_EQ(SaveProgram(*studio, dir / "empty.qsl", dir.path), SaveResult::Saved);
  EXPECT_FALSE(fs::exists(dir.path / "empty.txt"));
  EXPECT_EQ(ReadFile(dir / "prog.txt"), kUtf8Memo);
  EXPECT_TRUE(sink.shown.empty());
}

// A memo the user may not read (another user's, mode 600) is reported at open with its path
// and the reason, shown empty, and a save of the program leaves it as it is.
TEST(MemoFile, AMemoTheUserCannotReadIsReportedAndKept) {
  TempDir dir;
  ASSERT_TRUE(ordinary_user::Give(dir.path));
  const std::string notes = "Important commissioning notes";
  WriteFile(dir / "prog.txt", notes);
  ASSERT_EQ(chmod((dir / "prog.txt").c_str(), geteuid() == 0 ? 0600 : 0), 0);
  const int status = ordinary_user::Run([&] {
    platform::RecordingMessageSink sink;
    auto studio = MakeStudio(sink);
    studio->doc.CellText[0][2] = "END";
    CHILD_CHECK(platform::WriteFileAtomically(dir / "prog.qsl", Encoded(studio->doc)));
    CHILD_CHECK(OpenWithMemo(*studio, dir / "prog.qsl"));
    CHILD_CHECK(sink.shown.size() == 1);
    CHILD_CHECK(sink.shown[0].text.find("Memo File Open Error (no permission to read it) :" + dir / "prog.txt") == 0);
    CHILD_CHECK(studio->shell.MemoText.empty());
    studio->doc.CellText[0][0] = "P0:1";
    CHILD_CHECK(SaveProgram(*studio, dir / "prog.qsl", dir.path) == SaveResult::Saved);
    CHILD_CHECK(sink.shown.size() == 1);
    return 0;
  });
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << ordinary_user::Ending(status);
  ASSERT_EQ(chmod((dir / "prog.txt").c_str(), 0600), 0);
  EXPECT_EQ(ReadFile(dir / "prog.txt"), notes);
}

// A memo file larger than 16 MiB is no memo a user typed (a program "data.qsl" beside someone's
// "data.txt"): the memo box would take minutes to show it. It is reported, the page stays
// empty, and the file is kept as it is by the next save.
TEST(MemoFile, AMemoFileLargerThan16MiBIsReportedAndKept) {
  TempDir dir;
  platform::RecordingMessageSink sink;
  auto studio = MakeStudio(sink);
  studio->doc.CellText[0][2] = "END";
  WriteFile(dir / "data.qsl", Encoded(studio->doc));
  const std::string data(std::size_t{16} << 20, 'd');
  WriteFile(dir / "data.txt", data + "\n");
  for (bool korean : {false, true}) {
    sink.shown.clear();
    studio->shell.KoreanMenu = korean;
    studio->shell.MemoText = "old";
    ASSERT_TRUE(OpenWithMemo(*studio, dir / "data.qsl"));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text.find(korean ? "메모 파일 오픈 에러 (16 MiB보다 큽니다) :" + dir / "data.txt"
                                             : "Memo File Open Error (larger than 16 MiB) :" + dir / "data.txt"),
              0u)
        << sink.shown[0].text;
    EXPECT_TRUE(studio->shell.MemoText.empty());
  }
  studio->doc.CellText[0][0] = "P0:1";
  EXPECT_EQ(SaveProgram(*studio, dir / "data.qsl", dir.path), SaveResult::Saved);
  EXPECT_EQ(ReadFile(dir / "data.txt"), data + "\n");

  WriteFile(dir / "data.txt", data);  // 16 MiB is still a memo
  sink.shown.clear();
  ASSERT_TRUE(OpenWithMemo(*studio, dir / "data.qsl"));
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_EQ(studio->shell.MemoText.size(), data.size());
}

// A save writes only where the user may write: a read-only program keeps its bytes and the
// open-error message names it (its memo and watch file are then not written); a read-only
// memo is named the same way while the program is saved; in a folder that takes no new file
// the program, its memo and watch file are written into the files themselves.
TEST(ProgramFileCommands, ASaveWritesOnlyWhereTheUserMayWrite) {
  TempDir dir;
  ASSERT_TRUE(ordinary_user::Give(dir.path));
  const int status = ordinary_user::Run([&] {
    platform::RecordingMessageSink sink;
    auto studio = MakeStudio(sink);
    studio->doc.CellText[0][2] = "END";
    const std::string old = Encoded(studio->doc);
    fs::create_directory(dir.path / "shared");
    for (const char* name :
         {"ro.qsl", "ro.txt", "ro.wch", "shared/prog.qsl", "shared/prog.txt", "shared/prog.wch", "shared/bare.qsl"})
      CHILD_CHECK(platform::WriteFileAtomically(dir / name, old));
    fs::create_directory(dir.path / "studio");
    CHILD_CHECK(chmod((dir / "ro.qsl").c_str(), 0444) == 0);
    CHILD_CHECK(chmod((dir.path / "shared").c_str(), 0555) == 0);

    studio->doc.CellText[0][0] = "P0:1";
    studio->shell.MemoText = "edited";
    studio->shell.MemoChanged = true;
    studio->shell.SourceSaved = false;
    studio->shell.CurFilePath = dir / "ro.qsl";
    CHILD_CHECK(SaveProgram(*studio, dir / "ro.qsl", dir.path / "studio") == SaveResult::NotSaved);
    CHILD_CHECK(sink.shown.size() == 1 && sink.shown[0].text == "File Open Error :" + dir / "ro.qsl");
    for (const char* name : {"ro.qsl", "ro.txt", "ro.wch"}) CHILD_CHECK(ReadFile(dir / name) == old);
    CHILD_CHECK(!studio->shell.SourceSaved);

    CHILD_CHECK(chmod((dir / "ro.qsl").c_str(), 0644) == 0);
    CHILD_CHECK(chmod((dir / "ro.txt").c_str(), 0444) == 0);
    studio->shell.KoreanMenu = true;
    CHILD_CHECK(SaveProgram(*studio, dir / "ro.qsl", dir.path / "studio") == SaveResult::Saved);
    CHILD_CHECK(sink.shown.size() == 2 && sink.shown[1].text == "파일 오픈 에러 :" + dir / "ro.txt");
    CHILD_CHECK(ReadFile(dir / "ro.qsl") == Encoded(studio->doc) && ReadFile(dir / "ro.txt") == old);
    CHILD_CHECK(studio->shell.MemoChanged);  // still to be saved
    CHILD_CHECK(!studio->shell.SourceSaved);

    studio->shell.CurFilePath = dir / "shared/prog.qsl";
    CHILD_CHECK(SaveProgram(*studio, dir / "shared/prog.qsl", dir.path / "studio") == SaveResult::Saved);
    CHILD_CHECK(sink.shown.size() == 2);
    CHILD_CHECK(ReadFile(dir / "shared/prog.qsl") == Encoded(studio->doc));
    CHILD_CHECK(ReadFile(dir / "shared/prog.txt") == "edited");
    CHILD_CHECK(ReadFile(dir / "shared/prog.wch") == EncodeWatchFile(studio->watch));
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path / "shared")) names.insert(entry.path().filename());
    CHILD_CHECK(names == (std::set<std::string>{"bare.qsl", "prog.qsl", "prog.txt", "prog.wch"}));

    // No watch file can be made there: for an empty watch list that is no loss and no message.
    studio->shell.CurFilePath = dir / "shared/bare.qsl";
    CHILD_CHECK(SaveProgram(*studio, dir / "shared/bare.qsl", dir.path / "studio") == SaveResult::Saved);
    CHILD_CHECK(sink.shown.size() == 2);
    CHILD_CHECK(ReadFile(dir / "shared/bare.qsl") == Encoded(studio->doc));
    studio->watch.WatchCount = 1;
    CHILD_CHECK(SaveProgram(*studio, dir / "shared/bare.qsl", dir.path / "studio") == SaveResult::Saved);
    CHILD_CHECK(sink.shown.size() == 3 && sink.shown[2].text == "파일 오픈 에러 :" + dir / "shared/bare.wch");
    CHILD_CHECK(chmod((dir.path / "shared").c_str(), 0755) == 0);
    return 0;
  });
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << ordinary_user::Ending(status);
}
