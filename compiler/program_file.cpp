#include "compiler/program_file.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>

#include "compiler/file_messages.h"
#include "compiler/memo_file.h"
#include "compiler/watch_file.h"
#include "platform/ansi_text.h"
#include "platform/file_read.h"
#include "platform/message_box.h"

namespace compiler {
namespace {

constexpr std::string_view kMagic = "QSKL2000";
constexpr int kAliasMarker = 128;
constexpr int kOldAliasMarker = 50;  // older layout: AliasP 0..49 only
constexpr int kMaxText = 255;

// Messages of the program file, English and Korean; the path follows the text directly.
constexpr FileText kBadMagic{"File Format Error :", "읽어들일 수 없는 형식의 파일입니다."};
constexpr FileText kOldVersion{"This is old version File Format :", "이전포멧의 파일입니다. 읽어들 수 없습니다."};
constexpr FileText kVersionMismatch{"File Format Version Unmatch Error :", "파일의 버젼이 틀립니다. 읽어들 수 없습니다."};
constexpr FileText kDamaged{"File Format Error :", "파일 포멧에 이상이 발견되었습니다."};
constexpr FileText kNoEnd{"END Command Not Found !", "END명령을 찾을 수 없습니다."};
constexpr FileText kImportNoRoom{"Not enough free rows to import (a program has at most 1200 rows) :",
                                 "빈 줄이 모자라 가져올 수 없습니다 (프로그램은 최대 1200줄) :"};

// ---- writing ----

bool FitsByte(int v) { return v >= 0 && v <= 255; }

void Refuse(SaveRefusal* refusal, std::string english, std::string korean) {
  if (refusal) *refusal = {std::move(english), std::move(korean)};
}

bool CellRefusal(SaveRefusal* refusal, int col, int row, bool textTooLong) {
  const std::string x = std::to_string(col + 1), y = std::to_string(row + 1);
  std::string where = "column " + x + ", row " + y;
  std::string whereKo = x + "열 " + y + "행";
  if (textTooLong)
    Refuse(refusal, "The text of the cell at " + where + " is longer than 255 bytes. The program was not saved.",
           whereKo + " 셀의 텍스트가 255바이트를 넘어 저장할 수 없습니다.");
  else
    Refuse(refusal, "The cell at " + where + " holds a value outside 0 to 255. The program was not saved.",
           whereKo + " 셀에 0~255를 벗어난 값이 있어 저장할 수 없습니다.");
  return false;
}

bool ValueRefusal(SaveRefusal* refusal, const std::string& name, const std::string& nameKo, int value) {
  Refuse(refusal,
         "The value " + std::to_string(value) + " of the " + name + " is outside 0 to 255. The program was not saved.",
         nameKo + "의 값 " + std::to_string(value) + "이(가) 0~255를 벗어나 저장할 수 없습니다.");
  return false;
}

struct AliasTable {
  const platform::AnsiText* entries;
  int count;
  char letter;
  bool bits;  // indexed word x 8 + bit
};

std::string DeviceName(const AliasTable& table, int index) {
  if (table.bits) return table.letter + std::to_string(index / 8) + ":" + std::to_string(index % 8);
  return table.letter + std::to_string(index);
}

void PutText(std::string& out, const platform::AnsiText& text) {
  out.push_back(static_cast<char>(text.size()));
  out.append(text);
}

// ---- reading ----

// Sequential reads over a file's bytes; each read fails on a short file.
struct Cursor {
  std::string_view bytes;
  std::size_t pos = 0;

  bool Has(std::size_t n) const { return bytes.size() - pos >= n; }
  int U8() { return static_cast<unsigned char>(bytes[pos++]); }
  // A length byte and exactly that many bytes of text.
  bool Text(platform::AnsiText& out) {
    if (!Has(1)) return false;
    std::size_t n = static_cast<std::size_t>(U8());
    if (!Has(n)) return false;
    out.assign(bytes.substr(pos, n));
    pos += n;
    return true;
  }
};

ProgramFileStatus CheckHeader(Cursor& in) {
  for (int i = 0; i < 4; ++i)
    if (!in.Has(1) || in.U8() != static_cast<unsigned char>(kMagic[i])) return ProgramFileStatus::kBadMagic;
  if (!in.Has(1)) return ProgramFileStatus::kBadMagic;
  int version = in.U8();
  if (version == '1') return ProgramFileStatus::kOldVersion;
  if (version != '2') return ProgramFileStatus::kVersionMismatch;
  if (!in.Has(3)) return ProgramFileStatus::kDamaged;
  in.pos += 3;  // "000", not checked
  return ProgramFileStatus::kOk;
}

const FileText& StatusText(ProgramFileStatus status) {
  switch (status) {
    case ProgramFileStatus::kBadMagic:
      return kBadMagic;
    case ProgramFileStatus::kOldVersion:
      return kOldVersion;
    case ProgramFileStatus::kVersionMismatch:
      return kVersionMismatch;
    default:
      return kDamaged;
  }
}

// The most bytes the reader can take from a file: every cell with the longest text, the
// setup, every alias with the longest text, the port flags and the terminator. It never looks
// further, so a huge file (chosen under "all files") is not read whole.
constexpr std::size_t kLargestProgramFile =
    kMagic.size() + std::size_t{kProgramRows} * (kOutputCol + 1) * (6 + 1 + kMaxText) + 1 + 3 + 8 + 1 +
    std::size_t{kAliasPUsed + kAliasMUsed + kAliasKUsed + kAliasCUsed + kAliasTUsed} * (1 + kMaxText) + 256 + 1;

// Reads a program file for `path`. A path that names no file reads as an empty file (and so
// gives the format error); one that cannot be read, or is no regular file (a FIFO, a device,
// a folder), gives the open error.
bool ReadProgramBytes(Studio& studio, const std::string& path, std::string& bytes) {
  if (platform::ReadFileStart(path, bytes, kLargestProgramFile)) return true;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec) && !ec) {
    bytes.clear();
    return true;
  }
  ShowFileMessage(studio, kFileOpenError, path);
  return false;
}

// Reads and parses a whole program file; shows the message of any failure.
std::unique_ptr<ProgramDocument> ParseFile(Studio& studio, const std::string& path) {
  std::string bytes;
  if (!ReadProgramBytes(studio, path, bytes)) return nullptr;
  auto fresh = std::make_unique<ProgramDocument>();
  ProgramFileStatus status = DecodeProgramFile(bytes, *fresh);
  if (status != ProgramFileStatus::kOk) {
    ShowFileMessage(studio, StatusText(status), path);
    return nullptr;
  }
  return fresh;
}

// The five fields that row moves carry (MonDevBit stays with its position).
void MoveCell(ProgramDocument& doc, int col, int from, int to) {
  doc.CellType[col][to] = doc.CellType[col][from];
  doc.CellText[col][to] = std::move(doc.CellText[col][from]);
  doc.VertLink[col][to] = doc.VertLink[col][from];
  doc.MonDevNum[col][to] = doc.MonDevNum[col][from];
  doc.MonDevKind[col][to] = doc.MonDevKind[col][from];
}

void ClearCell(ProgramDocument& doc, int col, int row) {
  doc.CellType[col][row] = 0;
  doc.CellText[col][row].clear();
  doc.VertLink[col][row] = 0;
  doc.MonDevNum[col][row] = 0;
  doc.MonDevKind[col][row] = 0;
}

// A build file (made afresh by every build) is not flushed to disk before it replaces the old.
bool WriteBytes(Studio& studio, const std::filesystem::path& target, const std::string& bytes,
                bool buildFile = false) {
  return WriteUserFile(studio, target.string(), bytes, buildFile);
}

// Encodes the document; shows the refusal when it cannot be stored.
bool Encode(Studio& studio, std::string& bytes) {
  SaveRefusal refusal;
  if (EncodeProgramFile(studio.doc, bytes, &refusal)) return true;
  ShowFileMessage(studio, refusal.english, refusal.korean, "");
  return false;
}

}  // namespace

std::optional<CellPlace> FirstUnstorableCell(const ProgramDocument& doc) {
  int endRow = -1, endCol = -1;
  if (!doc.FindEndCell(endCol, endRow)) return std::nullopt;
  for (int row = 0; row <= endRow; ++row) {
    for (int col = 0; col <= kOutputCol; ++col) {
      if (!FitsByte(doc.CellType[col][row]) || !FitsByte(doc.VertLink[col][row]) ||
          doc.CellText[col][row].size() > kMaxText)
        return CellPlace{col, row};
      if (row == endRow && col == endCol) break;
    }
  }
  return std::nullopt;
}

bool EncodeProgramFile(const ProgramDocument& doc, std::string& bytes, SaveRefusal* refusal) {
  int endRow = -1, endCol = -1;
  if (!doc.FindEndCell(endCol, endRow)) {
    Refuse(refusal, kNoEnd.english, kNoEnd.korean);
    return false;
  }

  // Check every value before anything is stored.
  if (const std::optional<CellPlace> cell = FirstUnstorableCell(doc)) {
    const int col = cell->col, row = cell->row;
    const bool valuesFit = FitsByte(doc.CellType[col][row]) && FitsByte(doc.VertLink[col][row]);
    return CellRefusal(refusal, col, row, valuesFit);
  }
  std::size_t size = kMagic.size() + 2 + 13 + 256 + 1;
  for (int row = 0; row <= endRow; ++row) {
    for (int col = 0; col <= kOutputCol; ++col) {
      size += 7 + doc.CellText[col][row].size();
      if (row == endRow && col == endCol) break;
    }
  }
  const PlcSetup& s = doc.Setup;
  if (!FitsByte(s.PlcModel)) return ValueRefusal(refusal, "PLC model code", "PLC 모델 코드", s.PlcModel);
  const int options[8] = {s.CommMode,     s.NodeNum,     s.UploadOpt,   s.Scan25Opt,
                          s.ClearKeepOpt, s.CompOption6, s.CompOption7, s.CompOption8};
  static const char* const kOptionNames[8] = {"communication mode", "node number",  "upload option", "scan time option",
                                              "clear keep option",  "COMP_OPTION6", "COMP_OPTION7",  "COMP_OPTION8"};
  static const char* const kOptionNamesKo[8] = {"통신 모드",           "노드 번호",    "업로드 옵션",  "스캔 타임 옵션",
                                                "킵 영역 클리어 옵션", "COMP_OPTION6", "COMP_OPTION7", "COMP_OPTION8"};
  for (int i = 0; i < 8; ++i)
    if (!FitsByte(options[i])) return ValueRefusal(refusal, kOptionNames[i], kOptionNamesKo[i], options[i]);
  for (int i = 0; i <= 255; ++i)
    if (!FitsByte(s.IoDir[i]))
      return ValueRefusal(refusal, "direction flag of P" + std::to_string(i / 8) + ":" + std::to_string(i % 8),
                          "P" + std::to_string(i / 8) + ":" + std::to_string(i % 8) + " 방향 플래그", s.IoDir[i]);
  const AliasTable tables[5] = {{doc.AliasP.data(), kAliasPUsed, 'P', true},
                                {doc.AliasM.data(), kAliasMUsed, 'M', true},
                                {doc.AliasK.data(), kAliasKUsed, 'K', true},
                                {doc.AliasC.data(), kAliasCUsed, 'C', false},
                                {doc.AliasT.data(), kAliasTUsed, 'T', false}};
  for (const AliasTable& t : tables) {
    for (int i = 0; i < t.count; ++i) {
      if (t.entries[i].size() > kMaxText) {
        std::string name = DeviceName(t, i);
        Refuse(refusal, "The alias of " + name + " is longer than 255 bytes. The program was not saved.",
               name + "의 별명이 255바이트를 넘어 저장할 수 없습니다.");
        return false;
      }
      size += 1 + t.entries[i].size();
    }
  }

  std::string out;
  out.reserve(size);
  out.append(kMagic);
  for (int row = 0; row <= endRow; ++row) {
    for (int col = 0; col <= kOutputCol; ++col) {
      int num = doc.MonDevNum[col][row], bit = doc.MonDevBit[col][row], kind = doc.MonDevKind[col][row];
      if (num < 0 || !FitsByte(bit) || !FitsByte(kind)) num = bit = kind = 0;
      out.push_back(static_cast<char>(doc.CellType[col][row]));
      out.push_back(static_cast<char>(doc.VertLink[col][row]));
      out.push_back(static_cast<char>(num & 0xFF));
      out.push_back(static_cast<char>(num >> 8));
      out.push_back(static_cast<char>(bit));
      out.push_back(static_cast<char>(kind));
      PutText(out, doc.CellText[col][row]);
      if (row == endRow && col == endCol) break;
    }
  }
  out.push_back(static_cast<char>(s.PlcModel));
  out.append(3, '\0');
  for (int v : options) out.push_back(static_cast<char>(v));
  out.push_back(static_cast<char>(kAliasMarker));
  for (const AliasTable& t : tables)
    for (int i = 0; i < t.count; ++i) PutText(out, t.entries[i]);
  for (int i = 0; i <= 255; ++i) out.push_back(static_cast<char>(s.IoDir[i]));
  out.push_back('\0');
  bytes = std::move(out);
  return true;
}

std::optional<int> FirstRowLeftOut(const ProgramDocument& doc) {
  int endCol = 0, endRow = 0;
  if (!doc.FindEndCell(endCol, endRow)) return std::nullopt;
  for (int col = endCol + 1; col <= kOutputCol; ++col)
    if (doc.CellUsed(col, endRow)) return endRow;
  for (int row = endRow + 1; row < kProgramRows; ++row)
    if (doc.RowUsed(row)) return row;
  return std::nullopt;
}

ProgramFileStatus DecodeProgramFile(std::string_view bytes, ProgramDocument& doc) {
  Cursor in{bytes};
  if (ProgramFileStatus header = CheckHeader(in); header != ProgramFileStatus::kOk) return header;

  int endRow = -1;
  for (int row = 0; row < kProgramRows && endRow < 0; ++row) {
    for (int col = 0; col <= kOutputCol; ++col) {
      if (!in.Has(6)) return ProgramFileStatus::kDamaged;
      doc.CellType[col][row] = static_cast<int16_t>(in.U8());
      doc.VertLink[col][row] = static_cast<int16_t>(in.U8());
      int lo = in.U8();
      int hi = in.U8();
      doc.MonDevNum[col][row] = static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
      doc.MonDevBit[col][row] = static_cast<int16_t>(in.U8());
      doc.MonDevKind[col][row] = static_cast<int16_t>(in.U8());
      if (!in.Text(doc.CellText[col][row])) return ProgramFileStatus::kDamaged;
      if (doc.CellText[col][row] == "END") {
        endRow = row;
        break;
      }
    }
  }
  if (endRow < 0) return ProgramFileStatus::kDamaged;  // every file the studio writes has one
  doc.EndRow = static_cast<int16_t>(endRow);

  PlcSetup& s = doc.Setup;
  if (!in.Has(1 + 3 + 8 + 1)) return ProgramFileStatus::kDamaged;
  s.PlcModel = static_cast<int16_t>(in.U8());
  in.pos += 3;
  for (int16_t* option : {&s.CommMode, &s.NodeNum, &s.UploadOpt, &s.Scan25Opt, &s.ClearKeepOpt, &s.CompOption6,
                          &s.CompOption7, &s.CompOption8})
    *option = static_cast<int16_t>(in.U8());
  s.UploadFlag = s.UploadOpt != 0;
  s.ClearKeepFlag = s.ClearKeepOpt != 0;

  int marker = in.U8();
  std::pair<platform::AnsiText*, int> tables[5] = {{doc.AliasP.data(), kAliasPUsed},
                                                   {doc.AliasM.data(), kAliasMUsed},
                                                   {doc.AliasK.data(), kAliasKUsed},
                                                   {doc.AliasC.data(), kAliasCUsed},
                                                   {doc.AliasT.data(), kAliasTUsed}};
  int tableCount = 0;
  if (marker == kAliasMarker) {
    tableCount = 5;
  } else if (marker == kOldAliasMarker) {
    tables[0].second = 50;
    tableCount = 1;
  }
  for (int t = 0; t < tableCount; ++t)
    for (int i = 0; i < tables[t].second; ++i)
      if (!in.Text(tables[t].first[i])) return ProgramFileStatus::kDamaged;

  if (!in.Has(256 + 1)) return ProgramFileStatus::kDamaged;
  for (int i = 0; i <= 255; ++i) s.IoDir[i] = static_cast<int16_t>(in.U8());
  if (in.U8() != 0) return ProgramFileStatus::kDamaged;
  return ProgramFileStatus::kOk;  // bytes after the terminator are not read
}

std::filesystem::path BackupPath(const std::filesystem::path& studioFolder) { return studioFolder / "QSKLBK.$$$"; }

bool WriteProgramFile(Studio& studio) {
  std::string bytes;
  if (!Encode(studio, bytes)) return true;
  return WriteBytes(studio, studio.shell.CurFilePath, bytes);
}

bool SaveBackup(Studio& studio, const std::filesystem::path& studioFolder) {
  std::string bytes;
  if (!Encode(studio, bytes)) return true;
  return WriteBytes(studio, BackupPath(studioFolder), bytes, true);
}

ForeignFiles ForeignCompanions(const Studio& studio, const std::string& path) {
  // Another file than `own`: it exists, and neither its name nor the file it names is `own`.
  auto foreign = [](const std::string& file, const std::string& own) {
    std::error_code ec;
    if (file.empty() || file == own || !std::filesystem::exists(file, ec)) return false;
    return own.empty() || !std::filesystem::equivalent(file, own, ec);
  };
  ForeignFiles files;
  if (std::string memo = MemoFilePath(path); MemoToWrite(studio, path) && foreign(memo, studio.shell.MemoFile))
    files.memo = std::move(memo);
  if (std::string watch = WatchFilePath(path); foreign(watch, studio.shell.WatchFile)) files.watch = std::move(watch);
  return files;
}

SaveResult SaveProgram(Studio& studio, const std::string& path, const std::filesystem::path& studioFolder,
                       KeptFiles kept) {
  if (studio.FindEndLine()) {
    ShowFileMessage(studio, kNoEnd, "");
    return SaveResult::NotSaved;
  }
  std::string bytes;
  if (!Encode(studio, bytes)) return SaveResult::NotSaved;
  if (WriteBytes(studio, path, bytes)) return SaveResult::NotSaved;
  // The backup is a spare copy: its failure is reported with its own path and the
  // program's companion files are still written.
  WriteBytes(studio, BackupPath(studioFolder), bytes);
  // An edit that did not reach its file. A file kept at the user's No holds another program's
  // text: an edit of the memo or the watch list is then in no file, one nobody made loses nothing.
  bool editLeft = kept.memo ? studio.shell.MemoChanged : SaveMemoFile(studio, path);
  if (kept.watch)
    editLeft |= WatchListEdited(studio);
  else
    editLeft |= SaveWatchFile(studio, path) && !WatchListStored(studio, path);
  studio.shell.SourceSaved = !editLeft;
  return SaveResult::Saved;
}

bool LoadProgramFile(Studio& studio, const std::string& path) {
  std::unique_ptr<ProgramDocument> fresh = ParseFile(studio, path);
  if (!fresh) return false;
  ProgramDocument& doc = studio.doc;
  // The cursor and the view stay where they were; everything the file holds is taken over.
  doc.CellType = fresh->CellType;
  doc.CellText = std::move(fresh->CellText);
  doc.VertLink = fresh->VertLink;
  doc.MonDevNum = fresh->MonDevNum;
  doc.MonDevBit = fresh->MonDevBit;
  doc.MonDevKind = fresh->MonDevKind;
  doc.EndRow = fresh->EndRow;
  doc.AliasP = std::move(fresh->AliasP);
  doc.AliasM = std::move(fresh->AliasM);
  doc.AliasK = std::move(fresh->AliasK);
  doc.AliasC = std::move(fresh->AliasC);
  doc.AliasT = std::move(fresh->AliasT);
  int16_t spareDir = doc.Setup.IoDir[256];
  doc.Setup = fresh->Setup;
  doc.Setup.IoDir[256] = spareDir;
  Clipboard& clip = studio.editor.clipboard;
  for (int col = 0; col <= kOutputCol; ++col)
    for (int row = 0; row < kProgramRows; ++row) {
      clip.ClipType[col][row] = 0;
      clip.ClipText[col][row].clear();
      clip.ClipLink[col][row] = 0;
    }
  studio.build.CompileInfo = false;
  return true;
}

bool ImportProgramFile(Studio& studio, const std::string& path) {
  std::unique_ptr<ProgramDocument> file = ParseFile(studio, path);
  if (!file) return false;
  ProgramDocument& doc = studio.doc;
  const int fileEnd = file->EndRow;  // rows 0..fileEnd-1 are inserted, then one empty row
  const int count = fileEnd + 1;
  const int at = doc.CurRow;
  int usedRows = 0;
  for (int row = kProgramRows - 1; row >= 0; --row)
    if (doc.RowUsed(row)) {
      usedRows = row + 1;
      break;
    }
  if (at < 0 || at >= kProgramRows || std::max(usedRows, at) + count > kProgramRows) {
    ShowFileMessage(studio, kImportNoRoom, path);
    return false;
  }
  for (int row = kProgramRows - 1; row >= at + count; --row)
    for (int col = 0; col <= kOutputCol; ++col) MoveCell(doc, col, row - count, row);
  for (int i = 0; i < count; ++i) {
    int row = at + i;
    for (int col = 0; col <= kOutputCol; ++col) {
      ClearCell(doc, col, row);
      if (i == fileEnd) continue;  // the file's END row becomes an empty row
      doc.CellType[col][row] = file->CellType[col][i];
      doc.CellText[col][row] = std::move(file->CellText[col][i]);
      doc.VertLink[col][row] = file->VertLink[col][i];
      doc.MonDevNum[col][row] = file->MonDevNum[col][i];
      doc.MonDevBit[col][row] = file->MonDevBit[col][i];
      doc.MonDevKind[col][row] = file->MonDevKind[col][i];
    }
  }
  doc.EndRow = static_cast<int16_t>(at + fileEnd);
  return true;
}

}  // namespace compiler
