// #define records. A record hangs on the symbol node of its name (SymbolNode::define); a name
// has at most one. Bodies are stored encoded: formal n (1-based) is the two bytes 1 and n, a
// stringized formal is '"', 1, n, '"'. The preprocessor makes them (preprocessor.h), the
// expansion reads them (define_expansion.h).
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace aq71 {

inline constexpr int DEFINE_OBJECT = -1;      // name without parameter list
inline constexpr int DEFINE_PREDEFINED = -2;  // value computed when used
inline constexpr int MAX_FORMALS = 37;
inline constexpr char FORMAL_MARK = '\x01';

struct DefineRec {
  int param_count = DEFINE_OBJECT;     // -1, -2, or 0 to 37
  int active = 0;                      // expansions of this name under way
  std::string body;                    // encoded body text
  std::function<std::string()> value;  // predefined symbols
  long origin_line = 0;
  int origin_file = 0;
  std::vector<std::pair<int, long>> references;  // file index and line of each expansion
};

}  // namespace aq71
