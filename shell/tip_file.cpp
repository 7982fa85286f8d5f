#include "shell/tip_file.h"

#include "platform/file_read.h"

namespace shell {

namespace {

bool IsSeparator(std::string_view line) { return line.substr(0, 10) == "----------"; }

}  // namespace

TipTexts ParseTipFile(std::string_view bytes) {
  TipTexts tips;
  int running = 0;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    std::string_view line = bytes.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    pos = end == std::string_view::npos ? bytes.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (IsSeparator(line)) {
      ++running;
    } else if (running < kMaxTips) {
      platform::AnsiText& text = tips.TipText[static_cast<size_t>(running)];
      text.append(line);
      text.append("\r\n\r\n");
    }
  }
  tips.TipCount = running < kMaxTips ? running : kMaxTips - 1;
  return tips;
}

bool LoadTipFile(const std::filesystem::path& folder, TipTexts& tips, platform::MessageSink& messages,
                 bool koreanMenu) {
  std::string bytes;
  if (!platform::ReadWholeFile(folder / kTipFileName, bytes)) {
    platform::Message m;
    m.caption = "Korvane Studio Error !";
    m.text = platform::Pick(koreanMenu, "Tip Text File Open Error !!!", "팁 파일을 열 수 없습니다 !!!");
    m.icon = platform::MsgIcon::Information;
    messages.Show(m);
    return true;
  }
  tips = ParseTipFile(bytes);
  return false;
}

void TipState::Next() {
  ++TipIndex;
  if (TipIndex > tips.TipCount) TipIndex = 0;
}

void TipState::Previous() {
  --TipIndex;
  if (TipIndex < 0) TipIndex = tips.TipCount;
}

const platform::AnsiText& TipState::Shown() const {
  static const platform::AnsiText empty;
  if (TipIndex < 0 || TipIndex >= kMaxTips) return empty;
  return tips.TipText[static_cast<size_t>(TipIndex)];
}

}  // namespace shell
