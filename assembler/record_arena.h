// Records that live for the whole run and never move (other records point at them), made in
// chunks of N instead of one allocation each.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

namespace aq71 {

template <class T, std::size_t N = 256>
class RecordArena {
 public:
  RecordArena() = default;
  RecordArena(const RecordArena&) = delete;
  RecordArena& operator=(const RecordArena&) = delete;
  ~RecordArena() {
    for (std::size_t i = count_; i > 0; --i) at(i - 1).~T();
  }

  // A new value-initialised record.
  T& emplace_back() {
    if (count_ % N == 0) chunks_.emplace_back(new Slot[N]);
    T* record = ::new (static_cast<void*>(chunks_.back()[count_ % N].bytes)) T();
    ++count_;
    return *record;
  }
  std::size_t size() const { return count_; }

 private:
  struct Slot {
    alignas(T) unsigned char bytes[sizeof(T)];
  };
  T& at(std::size_t i) { return *std::launder(reinterpret_cast<T*>(chunks_[i / N][i % N].bytes)); }

  std::vector<std::unique_ptr<Slot[]>> chunks_;
  std::size_t count_ = 0;
};

}  // namespace aq71
