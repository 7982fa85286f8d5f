#pragma once
// The alias page of the side panel: five pages (P, M, K, C, T), each a list of entries with a
// label and the entry's alias, rules between the rows, a first entry of its own, and an
// in-place editor opened by a click on a row and committed with Enter.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/studio_state.h"
#include "ladder/drawing_surface.h"  // Color

namespace ladder {

constexpr Color kAliasGrey = 0xC0C0C0;
constexpr Color kAliasBlack = 0x000000;
constexpr int kAliasLabelWidth = 820;  // the grey label column (twips)
constexpr int kAliasEditorLeft = 840;

// Facts of one page.
struct AliasPageInfo {
  char letter;
  int entries;     // entries of the table (the scroll maximum is entries - 1)
  bool bitDevice;  // P, M and K: labelled word:bit, black rule under bit 7
};

// The page of a letter ('P', 'M', 'K', 'C', 'T'); nullopt for anything else.
std::optional<AliasPageInfo> AliasPageOf(char letter);
// The page letter of a tab index 1..5 (P, M, K, C, T); 0 outside.
char AliasPageOfTab(int tabIndex);

// "   P15:7", "  M0:0", "    T12".
std::string AliasLabel(char page, int entry);

// The table of a page in the document (nullptr for no page).
platform::AnsiText* AliasTable(compiler::ProgramDocument& doc, char page);
const platform::AnsiText* AliasTable(const compiler::ProgramDocument& doc, char page);

// The first entry shown of a page (each page keeps its own).
int16_t& AliasTop(compiler::AliasPageState& state, char page);

// One row of a drawn page.
struct AliasRow {
  int entry = 0;
  int y = 0;  // top of the row (twips)
  std::string label;
  std::string aliasUtf8;
  bool rule = false;  // a rule under the row at y + lineHeight
  Color ruleColor = kAliasGrey;
};

// The rows of a page from its first entry: the row that ends below innerHeight is the last
// one and gets no rule.
std::vector<AliasRow> LayOutAliasPage(const compiler::ProgramDocument& doc, char page, int top, int innerHeight,
                                      int lineHeight);

// Where the in-place editor opens for a click at y (twips): the entry and the editor's
// top; nullopt when no page is chosen or the click lies below the table's last entry.
struct AliasEditorPlace {
  int entry = 0;
  int top = 0;
  int left = kAliasEditorLeft;
  int width = 0;
};
std::optional<AliasEditorPlace> AliasClick(const compiler::AliasPageState& state, int mouseY, int lineHeight,
                                           int innerWidth, int scrollBarWidth);

enum class AliasCommit {
  Cleared,      // empty text: the entry is now empty
  Stored,       // the entry holds the text
  Duplicate,    // another entry already has that alias: message shown, nothing changed
  NoEntry,      // no page chosen or the entry lies outside its table
  Unencodable,  // characters the program file's code page cannot hold: message shown
};

// Enter in the editor of entry state.AliasSel on page state.AliasType with the text typed
// (UTF-8). The alias is stored trimmed; it must differ, ignoring letter case, from every
// other entry of the five tables. A change marks the program as not saved.
AliasCommit CommitAlias(compiler::Studio& studio, std::string_view typedUtf8);

// The entry's current alias as the editor shows it (UTF-8).
std::string AliasEntryText(const compiler::Studio& studio, char page, int entry);

}  // namespace ladder
