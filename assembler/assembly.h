// One assembly run of aq71. Every part of the assembler keeps what a run changes (settings,
// files, names, segments, statements, expressions, macros, listing, diagnostics) in an
// Assembly: a fresh Assembly starts from nothing, and ending it frees the whole run, so a second
// run in the same process cannot see anything of the first.
//
// The program's entry owns its Assembly and hands it down (assembler_main, assemble_A03): every
// module reaches the run through what it is given, never through a process-wide one.
#pragma once

#include <cstddef>
#include <type_traits>
#include <vector>

namespace aq71 {

class Assembly {
 public:
  Assembly() = default;
  ~Assembly();
  Assembly(const Assembly&) = delete;
  Assembly& operator=(const Assembly&) = delete;

  // This run's state of type T, made when first asked for: a T that takes the run in its
  // constructor gets this one (it keeps the other parts of the run it works with).
  template <class T>
  T& part() {
    static const std::size_t slot = next_slot();
    if (slot < parts_.size() && parts_[slot].object) return *static_cast<T*>(parts_[slot].object);
    return *static_cast<T*>(make(
        slot,
        [](Assembly& run) -> void* {
          if constexpr (std::is_constructible_v<T, Assembly&>)
            return new T(run);
          else
            return new T();
        },
        [](void* p) { delete static_cast<T*>(p); }));
  }

 private:
  struct Part {
    void* object = nullptr;
    void (*destroy)(void*) = nullptr;
  };
  static std::size_t next_slot();
  void* make(std::size_t slot, void* (*create)(Assembly&), void (*destroy)(void*));

  std::vector<Part> parts_;
  std::vector<std::size_t> order_;  // creation order: parts are destroyed the other way round
};

}  // namespace aq71
