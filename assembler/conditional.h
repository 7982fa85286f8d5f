// Conditional assembly: IF, ELSEIF, ELSE and ENDIF. The state of the innermost level decides
// whether lines are assembled; the scanner skips the lines of false branches.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "assembler/scanner.h"

namespace aq71 {

class Assembly;

// States of the innermost level.
enum CondState : int {
  COND_OUTSIDE = 0,     // no IF open: assembled
  COND_UNBALANCED = 1,  // after a level was closed that was never opened: skipped
  COND_TRUE = 2,        // branch whose condition was true
  COND_ELSE_TAKEN = 3,  // ELSE part of a level none of whose conditions was true
  COND_FALSE = 4,       // false branch, no branch of the level taken yet
  COND_DONE = 5,        // a branch of the level was taken: the rest is skipped
};

class BlockStack;
class SourceReader;

class ConditionalAssembly : public ConditionalControl {
 public:
  // The levels of one run: they pair with that run's block stack and its source lines.
  explicit ConditionalAssembly(Assembly& run);

  int state() const override;
  void set_state(int state) override;
  int depth() const override { return depth_; }
  void open_skipped_level() override;
  void close_level() override;
  bool in_macro_expansion() const override;

  // Tells whether a macro expansion is being read (installed by the macros; unset: never).
  std::function<bool()> macro_expansion_active;

  void reset();
  bool branch_taken() const { return !levels_.empty() && levels_.back().taken; }
  bool skipping() const;
  // Opens a level (IF).
  void open_level(bool condition, long line);
  // ELSE; false after error 58.
  bool do_else();
  // ELSEIF: the condition is read only when needed (the callback returns its value).
  template <class F>
  void do_elseif(F condition) {
    if (branch_taken()) {
      set_state(COND_DONE);
      return;
    }
    do_else();
    if ((state() & 127) != COND_ELSE_TAKEN) return;
    if (condition()) {
      set_state(COND_TRUE);
      levels_.back().taken = true;
    } else {
      set_state(COND_FALSE);
    }
  }
  // ENDIF.
  void do_endif();
  // Closes levels until only `depth` are open (EXITM leaving IF blocks of its expansion).
  void close_to_depth(int depth);

 private:
  struct Level {
    int state;
    bool taken;
  };
  std::vector<Level> levels_;
  int base_state_ = COND_OUTSIDE;
  int depth_ = 0;
  Assembly& run_;
  BlockStack& blocks_;
  SourceReader& reader_;
};

// The conditional levels of a run.
ConditionalAssembly& conditional_assembly(Assembly& run);

class Scanner;
struct SymbolNode;

// Directive handlers: the scanner's current token is the directive word.
void directive_if(Scanner& sc, SymbolNode* label);
void directive_elseif(Scanner& sc, SymbolNode* label);
void directive_else(Scanner& sc, SymbolNode* label);
void directive_endif(Scanner& sc, SymbolNode* label);

// The condition of IF and ELSEIF: an absolute expression, or two strings compared with =, ==,
// <>, !=, <, >, <= or >=. The current token is the first one of the condition.
bool read_condition(Scanner& sc);

}  // namespace aq71
