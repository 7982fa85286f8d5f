#include "compiler/macro_library.h"

#include <array>

#include "platform/ansi_text.h"
#include "platform/file_write.h"
#include "platform/message_box.h"

namespace compiler {
namespace {

// What the macros take for granted about the core's registers and the byte order.
constexpr std::string_view kHeader =
    "        ; NOW 는 현재 접점을 나타내는 중심 레지스터이다.\n"
    "        ; NOW_SAVE 는 바로 전의 NOW 상태를 보관하는 곳이다.\n"
    "        ; 모든 값은 상위 바이트가 먼저 저장된다. (상위 바이트, 하위 바이트 순)\n"
    "        ; 매크로는 레지스터와 메모리를 가능한 한 적게 사용하도록 설계하였다.\n"
    "        ; NOW 의 최상위 비트(현재 상태 비트)를 NOW 비트라 부른다.";

constexpr int kClosingBlankLines = 8;

constexpr const char* kCaption = "Korvane Studio Error !";

// Appends text (UTF-8, '\n' between lines) as CP949 lines, each ended by CR LF.
void AppendLines(std::string& out, std::string_view utf8) {
  auto ansi = platform::Utf8ToAnsi(utf8);
  std::string_view body = ansi ? std::string_view(*ansi) : utf8;
  for (char c : body) {
    if (c == '\n')
      out += "\r\n";
    else
      out += c;
  }
  out += "\r\n";
}

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '?' ||
         c == '$';
}

}  // namespace

std::string MarkLocalLabels(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (std::size_t i = 0; i < text.size();) {
    const bool starts = text.compare(i, 2, "M_") == 0 && (i == 0 || !IsNameChar(text[i - 1]));
    if (!starts) {
      out += text[i++];
      continue;
    }
    std::size_t end = i + 2;
    while (end < text.size() && IsNameChar(text[end])) ++end;
    out += kLocalLabelQuote;
    out += "M:";
    out.append(text, i + 2, end - i - 2);
    out += kLocalLabelQuote;
    i = end;
  }
  return out;
}

std::string MacroLibraryText() {
  const std::array<std::string_view, 11> groups = {
      MacroLibCompare(),     MacroLibRungLogic(), MacroLibMasterStepOutput(), MacroLibTimerEdgeCounter(),
      MacroLibDisplayText(), MacroLibDataMove(),  MacroLibArithmetic(),       MacroLibLogicRotate(),
      MacroLibProgramFlow(), MacroLibShift(),     MacroLibConversionSpecial()};
  std::string text = "\r\n";
  AppendLines(text, kHeader);
  for (std::string_view group : groups) {
    // Exactly one blank line stands between two groups, whatever blank lines a group begins with.
    while (!group.empty() && group.front() == '\n') group.remove_prefix(1);
    if (group.empty()) continue;
    text += "\r\n";
    AppendLines(text, MarkLocalLabels(group));
  }
  for (int i = 0; i < kClosingBlankLines; ++i) text += "\r\n";
  return text;
}

bool WriteMacroLib(Studio& studio, const std::filesystem::path& folder) {
  if (platform::WriteFileAtomically(folder / kMacroLibraryName, MacroLibraryText())) return false;
  if (studio.messages) {
    platform::Message m;
    m.caption = kCaption;
    m.text = "File Creation Error !";
    m.icon = platform::MsgIcon::Information;
    m.buttons = platform::MsgButtons::Ok;
    studio.messages->Show(m);
  }
  return true;
}

}  // namespace compiler
