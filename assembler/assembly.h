// One assembly run of aq71. Every part of the assembler keeps what a run changes (settings,
// files, names, segments, statements, expressions, macros, listing, diagnostics) in an
// Assembly: a fresh Assembly starts from nothing, and ending it frees the whole run, so a second
// run in the same process cannot see anything of the first.
//
// The program's entry owns its Assembly and hands it down (assembler_main, assemble_A03; each
// module's accessor has a form that takes the run). Modules that are not handed the run reach
// it as current_assembly(): the run bound by an AssemblyScope, else one made on first use.
#pragma once

#include <cstddef>
#include <memory>
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

// The run in progress: the one an AssemblyScope binds, else one made on first use.
Assembly& current_assembly();
// Ends the run made on first use, if any, and starts a fresh one (tests; a bound run stays).
void start_assembly();

// Makes a run the current one while the scope lasts; the one current before comes back after.
class AssemblyScope {
 public:
  explicit AssemblyScope(Assembly& run);
  ~AssemblyScope();
  AssemblyScope(const AssemblyScope&) = delete;
  AssemblyScope& operator=(const AssemblyScope&) = delete;

 private:
  Assembly* previous_;
};

}  // namespace aq71
