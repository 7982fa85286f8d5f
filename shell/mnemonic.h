#pragma once
// The mnemonic view: a read-only look at the files a build leaves in the studio's folder
// (the translator's output, the assembler listing and the core source of the model).

#include <filesystem>
#include <optional>
#include <string>

namespace shell {

enum class MnemonicKey { F8, F9, F10 };

constexpr const char* kTranslatorOutput = "QS2OUT.$$$";  // shown when the tab is chosen

// The file of a key: F8 the translator's output; F9 the listing and F10 the core source of
// the model (the ZQCORE2 files for models above 9, else ZQCORE3).
std::string MnemonicFileOf(MnemonicKey key, int plcModel);

// A new program that was never saved has no files to show: the keys do nothing while the
// current file path starts with "Untitled".
bool MnemonicKeysIgnored(const std::string& curFilePath);

// The text of folder/name for the view (CP949 turned into UTF-8); empty when the file is
// missing or unreadable.
std::string MnemonicText(const std::filesystem::path& folder, const std::string& name);

}  // namespace shell
