// One assembly run of aq71. Every part of the assembler keeps what a run changes (settings,
// files, names, segments, statements, expressions, macros, listing, diagnostics) in the
// current Assembly: a fresh Assembly starts from nothing, and ending it frees the whole run, so
// a second run in the same process cannot see anything of the first.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace aq71 {

class Assembly {
 public:
  Assembly() = default;
  ~Assembly();
  Assembly(const Assembly&) = delete;
  Assembly& operator=(const Assembly&) = delete;

  // This run's state of type T, made when first asked for.
  template <class T>
  T& part() {
    static const std::size_t slot = next_slot();
    if (slot < parts_.size() && parts_[slot].object) return *static_cast<T*>(parts_[slot].object);
    return *static_cast<T*>(make(
        slot, [] { return static_cast<void*>(new T()); }, [](void* p) { delete static_cast<T*>(p); }));
  }

 private:
  struct Part {
    void* object = nullptr;
    void (*destroy)(void*) = nullptr;
  };
  static std::size_t next_slot();
  void* make(std::size_t slot, void* (*create)(), void (*destroy)(void*));

  std::vector<Part> parts_;
  std::vector<std::size_t> order_;  // creation order: parts are destroyed the other way round
};

// The run in progress (made on first use).
Assembly& current_assembly();
// Ends the run in progress, if any, and starts a fresh one.
void start_assembly();

}  // namespace aq71
