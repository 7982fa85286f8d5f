#pragma once
// The tip of the day: the tip file "tip.txt" in the studio's folder (CP949 text; a line that
// starts with ten hyphens separates two tips), the 31 tip texts read from it and the tip
// shown.

#include <array>
#include <filesystem>
#include <string_view>

#include "platform/ansi_text.h"
#include "platform/message_box.h"

namespace shell {

constexpr int kMaxTips = 31;
constexpr const char* kTipFileName = "tip.txt";

struct TipTexts {
  // Each line of a tip followed by CR LF CR LF, so the lines show with an empty line between
  // them. CP949 bytes.
  std::array<platform::AnsiText, kMaxTips> TipText{};
  int TipCount = 0;  // index of the last tip read, 0..30
};

// Splits the file's bytes into tips. Lines end at LF (a CR before it is dropped).
TipTexts ParseTipFile(std::string_view bytes);

// Reads folder/tip.txt into tips. Returns true on failure, after showing the error; the
// old tips stay then.
bool LoadTipFile(const std::filesystem::path& folder, TipTexts& tips, platform::MessageSink& messages, bool koreanMenu);

// The tip window's state for the run.
struct TipState {
  TipTexts tips;
  int TipIndex = 0;

  void Next();
  void Previous();
  // The tip shown, or an empty text for an index outside the table.
  const platform::AnsiText& Shown() const;
};

// The first tip shown: the last digit of the seconds of the current time.
constexpr int FirstTipIndex(int seconds) { return seconds % 10; }

}  // namespace shell
