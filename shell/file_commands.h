#pragma once
// The File menu's commands (New, Open, Import, the recent files, Save, Save As), the shared
// open routine, the close question and the reopening of the last program at start-up.
// The window supplies what only it can do through FileCommandHost; the program document and
// its files are read and written by the compiler library.
//
// Unsaved edits are never lost silently: New, Open and a recent file ask the close question
// first when the program has changed, and an edit still on the PLC page counts. An edit stays
// unsaved until its bytes reached its file: a memo or watch list that a save could not write,
// cells after END that the program file leaves out, and a memo or watch list edit kept out of
// another program's file at the user's No. A save on the way to closing or replacing the
// program that leaves such cells out asks whether to close it anyway. A save writes over
// another program's memo or watch file only after asking. A program that cannot be read
// changes nothing, and a name is taken (path, caption, recent list) only after its file was
// written.

#include <filesystem>
#include <string>
#include <string_view>

#include "compiler/program_file.h"
#include "compiler/studio_state.h"
#include "shell/profile_ini.h"
#include "shell/recent_files.h"

namespace shell {

inline constexpr const char* kUntitled = "Untitled.qsl";

// What the commands need from the window. Defaults do nothing.
class FileCommandHost {
 public:
  virtual ~FileCommandHost() = default;
  // File dialogs; an empty result means the user cancelled.
  virtual std::string AskOpenName(const std::string& filter) = 0;
  virtual std::string AskSaveName(const std::string& filter) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // Clears the ladder view for a new program (background and cursor).
  virtual void ClearLadderView() {}
  // The document's cursor and TopRow were set anew (a program was read, made or imported):
  // the view shows them without moving them; no block selected.
  virtual void ResetLadderView() {}
  virtual void RedrawLadder() {}
  // The document's cursor and TopRow were put on a cell to be looked at (one the program
  // file cannot store): the view shows it there with the cursor, the board holding the keys.
  virtual void ShowCursorCell() {}
  virtual void FocusBoard() {}
  // The device map follows the model of the document.
  virtual void SetDeviceMap() {}
  // The PLC setup panel: copy its state into the document / show the document's setup.
  virtual void PlcSetupFix() {}
  virtual void PlcSetupLoad() {}
  // The PLC page is shown and holds an edit of the user's that differs from the document's
  // setup (it reaches the document when the page is left or the program saved).
  virtual bool PlcSetupEdited() { return false; }
  // Shows the PLC page of the side panel (which loads the panel from the document).
  virtual void ShowPlcPage() { PlcSetupLoad(); }
  // The memo text or the watch list of the studio was replaced: show it.
  virtual void MemoReplaced() {}
  virtual void WatchReplaced() {}
  // The recent-file items changed.
  virtual void RecentFilesChanged() {}
};

class FileCommands {
 public:
  FileCommands(compiler::Studio& studio, ProfileFile& profile, RecentFiles& recent, FileCommandHost& host,
               std::filesystem::path studioFolder);

  // A new program, the cursor on its first cell and the ladder holding the keys.
  void New();
  void Open();
  void Import();
  void OpenRecent(int index);
  // Saved when the program file was written; NotSaved after a refusal, a failure (its
  // message was shown) or a cancelled dialog or question. A save that leaves out cells after
  // END still writes the file and then says so, naming the first row left out; the program
  // then stays changed. Where the new name's memo or watch file exists and is another
  // program's, the save asks first, naming it ("Overwrite ? [" + path + "] ", No the default):
  // No keeps that file and writes the rest (an edit of the memo or watch list kept out of it
  // stays unsaved), Cancel writes nothing.
  compiler::SaveResult Save();
  compiler::SaveResult SaveAs();

  // While one lives, the saves of one command say at most once that cells after END were
  // left out (Auto saves twice).
  class OneNotice {
   public:
    explicit OneNotice(FileCommands& files);
    ~OneNotice();
    OneNotice(const OneNotice&) = delete;
    OneNotice& operator=(const OneNotice&) = delete;

   private:
    FileCommands& files_;
  };

  // Reads `path` as the current program with its memo and watch list; the path becomes the
  // current one. On failure (the reader has shown why) nothing changes.
  enum class [[nodiscard]] OpenResult { Opened, NotOpened };
  OpenResult OpenProgram(const std::string& path);

  // The close question, asked when the program has unsaved edits: true when the window may
  // close (nothing to save, No, or Yes and the save reached every file, or left cells after END
  // out and the user closes anyway); false keeps it open (Cancel, or a save that failed or left
  // an edit unsaved). For an untitled program Yes runs Save As and the window stays open
  // whatever came of it; the next close asks again unless everything was saved.
  bool QueryClose();

  // Start-up: reopens the program of File1, or starts a new program.
  void ReopenLast();

  // The program holds edits that are not saved, those on the PLC page included.
  bool Unsaved();

  // Marks the program as changed (every edit of the document calls it).
  void MarkChanged() { studio_.shell.SourceSaved = false; }

  static std::string Caption(const char* prefix, std::string_view path);

 private:
  // What follows a save: the program stays open (Save, Save As, Auto), or it is closed or
  // replaced (the Yes of the close question and of New, Open and a recent file).
  enum class After { Staying, Closing };
  // Saved: every edit reached its file, or the user closes anyway; the program may be closed.
  // KeptOpen: the program file was written, but an edit is still unsaved (a memo or watch list
  // that could not be written, cells after END that the file does not hold).
  enum class Stored { Saved, NotSaved, KeptOpen };
  Stored Save(After after);
  Stored SaveAs(After after);
  // Every save of the program: the questions about another program's memo and watch file, the
  // PLC panel into the document, SaveProgram, and the notice of cells left out.
  Stored StoreProgram(const std::string& path, After after);
  // Cells after END left out by the save just made: the program stays changed, and the user is
  // told, or asked whether to close anyway when `after` is Closing. True: nothing was left out,
  // or the user closes anyway.
  bool TellCellsLeftOut(After after);
  // Asks before a save as `path` writes over another program's memo or watch file; a No goes
  // into `kept`. False: the user cancelled the save.
  bool AskToReplaceCompanions(const std::string& path, compiler::KeptFiles& kept);
  // Before the program is replaced: asks to save a changed program. False: keep it.
  bool MayReplaceProgram();
  // The cursor on the first cell, the view from the first row, no block selected.
  void ShowFromTop();
  void Message(const std::string& caption, const std::string& text, platform::MsgIcon icon);

  compiler::Studio& studio_;
  ProfileFile& profile_;
  RecentFiles& recent_;
  FileCommandHost& host_;
  std::filesystem::path studioFolder_;
  int oneNoticeScopes_ = 0;  // OneNotice guards alive
  bool noticeTold_ = false;  // told once under them
};

// The name Save As uses: ".QSL" appended unless the name already ends in ".qsl" (any case).
std::string SaveAsName(std::string name);

// ASCII letters to lower case (the window captions show the path so).
std::string LowerAscii(std::string_view text);

}  // namespace shell
