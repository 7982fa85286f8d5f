// Records that live for the whole run and never move (other records point at them), made in
// chunks of N instead of one allocation each.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
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

// Text that lives for the whole run and never moves, kept in blocks of BLOCK bytes (a longer
// text gets a block of its own).
class TextArena {
 public:
  static constexpr std::size_t BLOCK = 64 * 1024;

  // A copy of `text`, with `tail` appended when it is not 0.
  std::string_view keep(std::string_view text, char tail = 0) {
    const std::size_t size = text.size() + (tail ? 1 : 0);
    if (!current_ || size > BLOCK - used_) {
      if (size > BLOCK / 4) return store(blocks_.emplace_back(new char[size]).get(), text, tail);
      blocks_.emplace_back(new char[BLOCK]);
      current_ = blocks_.back().get();
      used_ = 0;
    }
    std::string_view kept = store(current_ + used_, text, tail);
    used_ += size;
    return kept;
  }

 private:
  static std::string_view store(char* at, std::string_view text, char tail) {
    if (!text.empty()) std::memcpy(at, text.data(), text.size());
    if (tail) at[text.size()] = tail;
    return {at, text.size() + (tail ? 1 : 0)};
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  char* current_ = nullptr;
  std::size_t used_ = BLOCK;
};

}  // namespace aq71
