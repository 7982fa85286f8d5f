#include "shell/file_commands.h"

#include <optional>
#include <system_error>

#include "compiler/memo_file.h"
#include "compiler/monitoring_refusal.h"
#include "compiler/program_file.h"
#include "compiler/watch_file.h"
#include "shell/settings.h"
#include "shell/shell_texts.h"

namespace shell {
namespace {

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

std::string SaveAsName(std::string name) {
  if (name.size() < 4 || LowerAscii(name.substr(name.size() - 4)) != ".qsl") name += ".QSL";
  return name;
}

std::string FileCommands::Caption(const char* prefix, std::string_view path) {
  return prefix + LowerAscii(path) + title::kEnd;
}

FileCommands::FileCommands(compiler::Studio& studio, ProfileFile& profile, RecentFiles& recent, FileCommandHost& host,
                           std::filesystem::path studioFolder)
    : studio_(studio), profile_(profile), recent_(recent), host_(host), studioFolder_(std::move(studioFolder)) {}

void FileCommands::Message(const std::string& caption, const std::string& text, MsgIcon icon) {
  studio_.messages->Show({caption, text, icon, MsgButtons::Ok});
}

bool FileCommands::Unsaved() {
  // The PLC page hands its edits to the document only when it is left or the program saved;
  // while it is shown they count as changes all the same.
  if (host_.PlcSetupEdited()) MarkChanged();
  return studio_.shell.Unsaved();
}

bool FileCommands::MayReplaceProgram() {
  if (!Unsaved()) return true;
  MsgResult answer = studio_.messages->Show({msg::kCaptionQuestion, msg::kSourceChanged.Pick(studio_.shell.KoreanMenu),
                                             MsgIcon::Question, MsgButtons::YesNoCancel});
  if (answer == MsgResult::No) return true;
  if (answer == MsgResult::Yes) return Save(After::Closing) == Stored::Saved;
  return false;
}

void FileCommands::New() {
  if (compiler::RefuseWhileMonitoring(studio_) || !MayReplaceProgram()) return;
  studio_.shell.CurFilePath = kUntitled;
  host_.SetCaption(Caption(title::kNew, kUntitled));
  host_.ClearLadderView();
  studio_.ClearProgram();
  studio_.shell.MemoChanged = false;  // the memo page keeps its text, which no memo file holds yet
  ShowFromTop();
  // The panel shows the cleared setup as its model allows it, and the document takes that
  // back, so that a new program counts as unchanged and the first save stores what is shown.
  host_.PlcSetupLoad();
  host_.PlcSetupFix();
  studio_.shell.SourceSaved = true;
  host_.RedrawLadder();
  // The new program is drawn at once: the ladder takes the keys, whatever held them (the
  // side panel, the mnemonic view), and shows its cursor on the first cell.
  host_.FocusBoard();
}

void FileCommands::ShowFromTop() {
  studio_.doc.CurCol = studio_.doc.CurRow = studio_.doc.TopRow = 0;
  studio_.editor.selection.BlockActive = false;
  host_.ResetLadderView();
}

FileCommands::OpenResult FileCommands::OpenProgram(const std::string& path) {
  if (!compiler::LoadProgramFile(studio_, path)) return OpenResult::NotOpened;
  studio_.shell.CurFilePath = path;
  studio_.shell.SourceSaved = true;
  ShowFromTop();
  host_.SetDeviceMap();

  compiler::LoadMemoFile(studio_, path);
  host_.MemoReplaced();

  // A program without a watch file keeps the watch list as it is.
  if (compiler::OpenWatchFile(studio_, path)) host_.WatchReplaced();

  host_.ShowPlcPage();
  studio_.FindEndLine();
  host_.RedrawLadder();
  return OpenResult::Opened;
}

void FileCommands::Open() {
  if (compiler::RefuseWhileMonitoring(studio_) || !MayReplaceProgram()) return;
  std::string name = host_.AskOpenName(kOpenFilter);
  if (name.empty() || OpenProgram(name) != OpenResult::Opened) return;
  host_.SetCaption(Caption(title::kOpened, name));
  recent_.Update(profile_, studio_.shell.CurFilePath);
  host_.RecentFilesChanged();
}

void FileCommands::Import() {
  if (compiler::RefuseWhileMonitoring(studio_)) return;
  std::string name = host_.AskOpenName(kOpenFilter);
  if (name.empty()) return;
  if (!compiler::ImportProgramFile(studio_, name)) return;
  MarkChanged();
  ShowFromTop();
  host_.RedrawLadder();
  host_.FocusBoard();
}

void FileCommands::OpenRecent(int index) {
  if (index < 1 || index > RecentFiles::kItems) return;
  std::string path = recent_.Caption(index);
  if (IsEmptyEntry(path)) return;
  if (!FileExists(path)) {
    Message(msg::kCaptionErrorUpper, msg::kOpenError.Pick(studio_.shell.KoreanMenu) + path, MsgIcon::Information);
    return;
  }
  if (!MayReplaceProgram() || OpenProgram(path) != OpenResult::Opened) return;
  host_.SetCaption(Caption(title::kOpened, path));
  host_.FocusBoard();
  if (path != recent_.Caption(1)) {
    recent_.Promote(profile_, index, path);
    host_.RecentFilesChanged();
  }
}


FileCommands::OneNotice::OneNotice(FileCommands& files) : files_(files) {
  if (files_.oneNoticeScopes_++ == 0) files_.noticeTold_ = false;
}

FileCommands::OneNotice::~OneNotice() { --files_.oneNoticeScopes_; }

bool FileCommands::TellCellsLeftOut(After after) {
  const std::optional<int> row = compiler::FirstRowLeftOut(studio_.doc);
  if (!row) return true;
  MarkChanged();  // the cells the file left out are not saved
  const bool korean = studio_.shell.KoreanMenu;
  if (after == After::Closing) {
    // Closing now would throw away what the notice says to keep: ask, keeping by default.
    MsgResult answer = studio_.messages->Show(
        {msg::kCaptionMessage, msg::CellsAfterEnd(*row + 1, korean) + "\r\n" + msg::kCloseAnyway.Pick(korean),
         MsgIcon::Question, MsgButtons::YesNo, platform::MsgDefault::Second});
    return answer == MsgResult::Yes;
  }
  if (oneNoticeScopes_ > 0 && noticeTold_) return false;
  noticeTold_ = true;
  Message(msg::kCaptionMessage, msg::CellsAfterEnd(*row + 1, korean), MsgIcon::Information);
  return false;
}

bool FileCommands::AskToReplaceCompanions(const std::string& path, compiler::KeptFiles& kept) {
  int endCol = 0, endRow = 0;
  if (!studio_.doc.FindEndCell(endCol, endRow)) return true;  // the save refuses before it writes anything
  const compiler::ForeignFiles foreign = compiler::ForeignCompanions(studio_, path);
  for (const auto& [file, keep] : {std::pair{&foreign.memo, &kept.memo}, std::pair{&foreign.watch, &kept.watch}}) {
    if (file->empty()) continue;
    const MsgResult answer = studio_.messages->Show(
        {msg::kCaptionOverwrite, msg::kOverwriteFile.Pick(studio_.shell.KoreanMenu) + *file + "] ", MsgIcon::Question,
         MsgButtons::YesNoCancel, platform::MsgDefault::Second});
    if (answer == MsgResult::Cancel) {
      host_.FocusBoard();
      return false;
    }
    *keep = answer != MsgResult::Yes;
  }
  return true;
}

FileCommands::Stored FileCommands::StoreProgram(const std::string& path, After after) {
  compiler::KeptFiles kept;
  if (!AskToReplaceCompanions(path, kept)) return Stored::NotSaved;
  host_.PlcSetupFix();
  // The save refuses a cell it cannot store: the cursor shows the cell it names.
  if (const std::optional<compiler::CellPlace> cell = compiler::FirstUnstorableCell(studio_.doc)) {
    studio_.doc.SelectErrorCell(cell->col, cell->row);
    host_.ShowCursorCell();
  }
  if (compiler::SaveProgram(studio_, path, studioFolder_, kept) != compiler::SaveResult::Saved)
    return Stored::NotSaved;
  // A memo or watch list that did not reach its file was named; the program is not closed then.
  const bool whole = !Unsaved();
  const bool mayClose = TellCellsLeftOut(whole ? after : After::Staying);
  return whole && mayClose ? Stored::Saved : Stored::KeptOpen;
}

compiler::SaveResult FileCommands::Save() {
  return Save(After::Staying) != Stored::NotSaved ? compiler::SaveResult::Saved : compiler::SaveResult::NotSaved;
}

compiler::SaveResult FileCommands::SaveAs() {
  return SaveAs(After::Staying) != Stored::NotSaved ? compiler::SaveResult::Saved : compiler::SaveResult::NotSaved;
}

FileCommands::Stored FileCommands::Save(After after) {
  if (studio_.FindEndLine()) {
    Message(msg::kCaptionError, msg::kEndNotFound.Pick(studio_.shell.KoreanMenu), MsgIcon::Information);
    return Stored::NotSaved;
  }
  if (studio_.shell.CurFilePath == kUntitled) return SaveAs(after);
  return StoreProgram(studio_.shell.CurFilePath, after);
}

FileCommands::Stored FileCommands::SaveAs(After after) {
  std::string name = host_.AskSaveName(kSaveFilter);
  if (name.empty()) return Stored::NotSaved;
  name = SaveAsName(name);
  if (FileExists(name)) {
    MsgResult answer = studio_.messages->Show({msg::kCaptionOverwrite, std::string(msg::kOverwrite) + name + "] ",
                                               MsgIcon::Question, MsgButtons::YesNoCancel});
    if (answer != MsgResult::Yes) {
      host_.FocusBoard();
      return Stored::NotSaved;
    }
  }
  // The name is taken only once the program was written under it.
  const Stored stored = StoreProgram(name, after);
  if (stored == Stored::NotSaved) return stored;
  studio_.shell.CurFilePath = name;
  host_.SetCaption(Caption(title::kOpened, name));
  recent_.Update(profile_, name);
  host_.RecentFilesChanged();
  return stored;
}

bool FileCommands::QueryClose() {
  if (!Unsaved()) return true;
  MsgResult answer = studio_.messages->Show({msg::kCaptionQuestion, msg::kSourceChanged.Pick(studio_.shell.KoreanMenu),
                                             MsgIcon::Question, MsgButtons::YesNoCancel});
  if (answer == MsgResult::No) return true;
  if (answer != MsgResult::Yes) return false;
  if (studio_.shell.CurFilePath == kUntitled) {
    static_cast<void>(SaveAs(After::Staying));
    return false;  // the window stays open; the next close asks again unless it was saved
  }
  return StoreProgram(studio_.shell.CurFilePath, After::Closing) == Stored::Saved;
}

void FileCommands::ReopenLast() {
  std::string path = profile_.ReadString(ini::kLastOpen, "File1", kNoEntry);
  if (path.rfind("Untitled", 0) == 0 || path.rfind("none", 0) == 0) {
    New();
    return;
  }
  std::error_code ec;
  bool exists = std::filesystem::is_regular_file(path, ec);
  if (ec && ec != std::errc::no_such_file_or_directory) {
    New();  // a name that cannot even be probed
    return;
  }
  if (!exists) {
    Message(msg::kCaptionErrorUpper, msg::kFileNotFound.Pick(studio_.shell.KoreanMenu) + path, MsgIcon::Information);
    New();
    return;
  }
  host_.SetCaption(Caption(title::kStartup, path));
  if (OpenProgram(path) != OpenResult::Opened) New();
}

}  // namespace shell
