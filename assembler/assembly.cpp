#include "assembler/assembly.h"

namespace aq71 {

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

}  // namespace aq71
