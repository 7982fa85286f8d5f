#pragma once
// A fresh studio folder per test and small file helpers for the build road's tests.

#include <filesystem>
#include <memory>
#include <string>

#include "compiler/studio_state.h"
#include "platform/message_box.h"

namespace build_test {

std::filesystem::path FreshFolder(const std::string& tag);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

// A studio with a recording message sink, working in its own fresh folder.
struct StudioFixture {
  StudioFixture();
  ~StudioFixture();
  std::unique_ptr<compiler::Studio> studio;
  platform::RecordingMessageSink sink;
  std::filesystem::path folder;
};

}  // namespace build_test
