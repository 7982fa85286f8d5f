#include "assembler/assembly.h"

namespace aq71 {

namespace {

std::unique_ptr<Assembly>& current() {
  static std::unique_ptr<Assembly> run;
  return run;
}

Assembly* bound = nullptr;  // the run of the innermost AssemblyScope

}  // namespace

Assembly::~Assembly() {
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    Part& p = parts_[*it];
    p.destroy(p.object);
    p.object = nullptr;
  }
}

std::size_t Assembly::next_slot() {
  static std::size_t count = 0;
  return count++;
}

void* Assembly::make(std::size_t slot, void* (*create)(Assembly&), void (*destroy)(void*)) {
  // The new part may itself ask for others while it is being made.
  void* object = create(*this);
  if (slot >= parts_.size()) parts_.resize(slot + 1);
  parts_[slot] = Part{object, destroy};
  order_.push_back(slot);
  return object;
}

Assembly& current_assembly() {
  if (bound) return *bound;
  std::unique_ptr<Assembly>& run = current();
  if (!run) run = std::make_unique<Assembly>();
  return *run;
}

void start_assembly() {
  std::unique_ptr<Assembly>& run = current();
  run.reset();  // the old run goes first: its parts may still refer to one another
  run = std::make_unique<Assembly>();
}

AssemblyScope::AssemblyScope(Assembly& run) : previous_(bound) { bound = &run; }

AssemblyScope::~AssemblyScope() { bound = previous_; }

}  // namespace aq71
