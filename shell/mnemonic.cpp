#include "shell/mnemonic.h"

#include "platform/ansi_text.h"
#include "platform/file_read.h"

namespace shell {

std::string MnemonicFileOf(MnemonicKey key, int plcModel) {
  const char* core = plcModel > 9 ? "ZQCORE2" : "ZQCORE3";
  switch (key) {
    case MnemonicKey::F8:
      return kTranslatorOutput;
    case MnemonicKey::F9:
      return std::string(core) + ".LST";
    case MnemonicKey::F10:
      return std::string(core) + ".S71";
  }
  return {};
}

bool MnemonicKeysIgnored(const std::string& curFilePath) { return curFilePath.compare(0, 8, "Untitled") == 0; }

std::string MnemonicText(const std::filesystem::path& folder, const std::string& name) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(folder / name, ec)) return {};
  std::string bytes;
  if (!platform::ReadWholeFile(folder / name, bytes)) return {};
  return platform::AnsiToUtf8Lossy(bytes);
}

}  // namespace shell
