#pragma once
// The control channel of the simulated module: one text command per line, one reply line
// each ("ok ..." or "error ..."). See docs/zqvsim.md for the commands.

#include <string>

#include "tools/zqvsim/core/module_core.h"

namespace zqvsim {

// Carries out one command line; *quit is set by "quit".
std::string RunControl(ModuleCore& core, const std::string& line, bool* quit);

// "--model N" style profile words shared by the command line and "profile".
bool ApplyProfileSetting(Profile& profile, const std::string& key, const std::string& value, std::string* error);
std::string DescribeProfile(const Profile& profile);

}  // namespace zqvsim
