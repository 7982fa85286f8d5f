// Bodies of the #define names without parameter list, by name, as the cross reference's
// #define table shows them. The records themselves are in define_records.h.
#pragma once

#include <map>
#include <string>

#include "assembler/define_records.h"
#include "assembler/ident_tree.h"

namespace aq71 {

inline std::map<std::string, std::string, std::less<>> command_line_defines(Assembly& run) {
  std::map<std::string, std::string, std::less<>> out;
  ident_tree(run).for_each_node([&](SymbolNode* n) {
    if (n->define && n->define->param_count == DEFINE_OBJECT) out.emplace(n->name, n->define->body);
  });
  return out;
}

}  // namespace aq71
