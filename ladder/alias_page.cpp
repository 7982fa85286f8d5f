#include "ladder/alias_page.h"

#include "compiler/operands.h"
#include "platform/ansi_text.h"
#include "platform/message_box.h"

namespace ladder {

namespace {

const std::string kCaptionError = "Korvane Studio Error !";
const std::string kDuplicate = "Already exsiting Word, Try another word !";
const std::string kDuplicateKo = "이미 사용중인 단어입니다. 다른 단어를 사용하세요 !";
const std::string kUnencodable = "This word has characters a program file cannot hold !";
const std::string kUnencodableKo = "프로그램 파일에 저장할 수 없는 문자가 있습니다 !";

constexpr char kPages[] = {'P', 'M', 'K', 'C', 'T'};

platform::AnsiText Trimmed(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  return platform::AnsiText(text.substr(b, e - b));
}

}  // namespace

std::optional<AliasPageInfo> AliasPageOf(char letter) {
  switch (letter) {
    case 'P':
      return AliasPageInfo{'P', compiler::kAliasPUsed, true};
    case 'M':
      return AliasPageInfo{'M', compiler::kAliasMUsed, true};
    case 'K':
      return AliasPageInfo{'K', compiler::kAliasKUsed, true};
    case 'C':
      return AliasPageInfo{'C', compiler::kAliasCUsed, false};
    case 'T':
      return AliasPageInfo{'T', compiler::kAliasTUsed, false};
    default:
      return std::nullopt;
  }
}

char AliasPageOfTab(int tabIndex) { return tabIndex >= 1 && tabIndex <= 5 ? kPages[tabIndex - 1] : 0; }

std::string AliasLabel(char page, int entry) {
  switch (page) {
    case 'P':
      return "   P" + std::to_string(entry / 8) + ":" + std::to_string(entry % 8);
    case 'M':
      return "  M" + std::to_string(entry / 8) + ":" + std::to_string(entry % 8);
    case 'K':
      return "   K" + std::to_string(entry / 8) + ":" + std::to_string(entry % 8);
    case 'C':
      return "    C" + std::to_string(entry);
    case 'T':
      return "    T" + std::to_string(entry);
    default:
      return {};
  }
}

platform::AnsiText* AliasTable(compiler::ProgramDocument& doc, char page) {
  switch (page) {
    case 'P':
      return doc.AliasP.data();
    case 'M':
      return doc.AliasM.data();
    case 'K':
      return doc.AliasK.data();
    case 'C':
      return doc.AliasC.data();
    case 'T':
      return doc.AliasT.data();
    default:
      return nullptr;
  }
}

const platform::AnsiText* AliasTable(const compiler::ProgramDocument& doc, char page) {
  return AliasTable(const_cast<compiler::ProgramDocument&>(doc), page);
}

int16_t& AliasTop(compiler::AliasPageState& state, char page) {
  switch (page) {
    case 'M':
      return state.AliasTopM;
    case 'K':
      return state.AliasTopK;
    case 'C':
      return state.AliasTopC;
    case 'T':
      return state.AliasTopT;
    default:
      return state.AliasTopP;
  }
}

std::vector<AliasRow> LayOutAliasPage(const compiler::ProgramDocument& doc, char page, int top, int innerHeight,
                                      int lineHeight) {
  std::vector<AliasRow> rows;
  const auto info = AliasPageOf(page);
  if (!info || lineHeight <= 0) return rows;
  const platform::AnsiText* table = AliasTable(doc, page);
  int y = 0;
  for (int n = std::max(top, 0); n < info->entries; ++n) {
    AliasRow row;
    row.entry = n;
    row.y = y;
    row.label = AliasLabel(page, n);
    row.aliasUtf8 = platform::AnsiToUtf8Lossy(table[n]);
    y += lineHeight;
    row.rule = y <= innerHeight;
    row.ruleColor = info->bitDevice && n % 8 == 7 ? kAliasBlack : kAliasGrey;
    rows.push_back(row);
    if (!row.rule) break;
  }
  return rows;
}

std::optional<AliasEditorPlace> AliasClick(const compiler::AliasPageState& state, int mouseY, int lineHeight,
                                           int innerWidth, int scrollBarWidth) {
  const auto info = AliasPageOf(state.AliasType);
  if (!info || lineHeight <= 0 || mouseY < 0) return std::nullopt;
  const int row = mouseY / lineHeight;
  const int top = AliasTop(const_cast<compiler::AliasPageState&>(state), state.AliasType);
  const int entry = top + row;
  if (entry < 0 || entry >= info->entries) return std::nullopt;
  AliasEditorPlace place;
  place.entry = entry;
  place.top = row * lineHeight;
  place.width = innerWidth - kAliasLabelWidth - scrollBarWidth - 20;
  return place;
}

std::string AliasEntryText(const compiler::Studio& studio, char page, int entry) {
  const auto info = AliasPageOf(page);
  if (!info || entry < 0 || entry >= info->entries) return {};
  return platform::AnsiToUtf8Lossy(AliasTable(studio.doc, page)[entry]);
}

static void ShowError(compiler::Studio& studio, const std::string& en, const std::string& ko) {
  if (studio.messages) {
    studio.messages->Show({kCaptionError, platform::Pick(studio.shell.KoreanMenu, en, ko),
                           platform::MsgIcon::Information, platform::MsgButtons::Ok});
  }
}

AliasCommit CommitAlias(compiler::Studio& studio, std::string_view typedUtf8) {
  const compiler::AliasPageState& state = studio.editor.aliasPage;
  const auto info = AliasPageOf(state.AliasType);
  if (!info || state.AliasSel < 0 || state.AliasSel >= info->entries) return AliasCommit::NoEntry;
  platform::AnsiText& entry = AliasTable(studio.doc, state.AliasType)[state.AliasSel];
  const std::optional<platform::AnsiText> ansi = platform::Utf8ToAnsi(typedUtf8);
  if (!ansi) {
    ShowError(studio, kUnencodable, kUnencodableKo);
    return AliasCommit::Unencodable;
  }
  const platform::AnsiText text = Trimmed(*ansi);
  if (text.empty()) {
    if (!entry.empty()) studio.shell.SourceSaved = false;
    entry.clear();
    return AliasCommit::Cleared;
  }
  const platform::AnsiText upper = compiler::AnsiUpper(text);
  for (char page : kPages) {
    const auto other = AliasPageOf(page);
    const platform::AnsiText* entries = AliasTable(studio.doc, page);
    for (int n = 0; n < other->entries; ++n) {
      if (page == state.AliasType && n == state.AliasSel) continue;
      if (!entries[n].empty() && compiler::AnsiUpper(Trimmed(entries[n])) == upper) {
        ShowError(studio, kDuplicate, kDuplicateKo);
        return AliasCommit::Duplicate;
      }
    }
  }
  if (entry != text) studio.shell.SourceSaved = false;
  entry = text;
  return AliasCommit::Stored;
}

}  // namespace ladder
