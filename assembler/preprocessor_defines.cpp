#include "assembler/preprocessor_defines.h"

namespace aq71 {

namespace {
std::map<std::string, std::string, std::less<>> g_defines;
} // namespace

int define_symbol_A02(std::string_view name, std::string_view body, long /*origin_line*/) {
    auto [it, inserted] = g_defines.insert_or_assign(std::string(name), std::string(body));
    return inserted ? 0 : 1;
}

int undefine_symbol_A02(std::string_view name) {
    auto it = g_defines.find(name);
    if (it == g_defines.end()) return 1;
    g_defines.erase(it);
    return 0;
}

const std::map<std::string, std::string, std::less<>>& command_line_defines() { return g_defines; }
void reset_command_line_defines() { g_defines.clear(); }

} // namespace aq71
