// Arenas of aq71: records and texts that live for the whole run and never move.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace aq71 {

// Memory for arena blocks. A large block is mapped without its pages; the arena makes them present
// a step at a time (prepare_arena_block) just before it writes there: a run that makes many
// records would otherwise take one page fault per page on first touch, which costs more than
// writing the records, and pages it never reaches cost no memory. A block of more than half of
// kHugeArenaBlock bytes taken with `huge_page` is aligned to kHugeArenaBlock and asked to be
// backed by one huge page where the system offers them: one page to bring in instead of 512,
// but all of it is memory from the first write on.
void* take_arena_block(std::size_t bytes, bool huge_page = false);
void give_back_arena_block(void* block, std::size_t bytes);
// Makes more of a block of `bytes` present, beginning at `prepared` (the bytes already present);
// returns how many are present now (more than `prepared` while the block has more).
std::size_t prepare_arena_block(void* block, std::size_t bytes, std::size_t prepared);

// Once an arena holds kHugeArenaFrom bytes, its next blocks are kHugeArenaBlock bytes: few
// blocks, and their pages are only made present as the arena fills them. Once it holds
// kHugePagesFrom bytes, they are huge-page blocks: the unused end of the last one is then a
// small part of the arena.
inline constexpr std::size_t kHugeArenaBlock = 2 * 1024 * 1024;
inline constexpr std::size_t kHugeArenaFrom = 2 * kHugeArenaBlock;
inline constexpr std::size_t kHugePagesFrom = 8 * kHugeArenaBlock;

// Records that live for the whole run and never move (other records point at them), made in
// blocks instead of one allocation each. The first block holds FIRST records; each next one twice
// as many, up to LAST; once the arena holds kHugeArenaFrom bytes, blocks are kHugeArenaBlock bytes.
template <class T, std::size_t FIRST = 64, std::size_t LAST = 4096>
class RecordArena {
 public:
  RecordArena() = default;
  RecordArena(const RecordArena&) = delete;
  RecordArena& operator=(const RecordArena&) = delete;
  ~RecordArena() {
    for (Block& b : blocks_) {
      if constexpr (!std::is_trivially_destructible_v<T>)
        for (std::size_t i = 0; i < b.used; ++i) std::launder(reinterpret_cast<T*>(b.slots + i))->~T();
      give_back_arena_block(b.slots, b.capacity * sizeof(Slot));
    }
  }

  // A new value-initialised record.
  T& emplace_back() {
    if (blocks_.empty() || blocks_.back().used == blocks_.back().ready) grow();
    Block& b = blocks_.back();
    T* record = ::new (static_cast<void*>(b.slots + b.used)) T();
    ++b.used;
    ++count_;
    return *record;
  }
  std::size_t size() const { return count_; }

  // Walks the records in the order they were made, from a given place on.
  class Cursor {
   public:
    Cursor() = default;
    T& operator*() const { return *record(); }
    T* record() const { return std::launder(reinterpret_cast<T*>(arena_->blocks_[block_].slots + slot_)); }
    Cursor& operator++() {
      if (++slot_ == arena_->blocks_[block_].capacity) {
        ++block_;
        slot_ = 0;
      }
      return *this;
    }

   private:
    friend class RecordArena;
    Cursor(const RecordArena* arena, std::size_t block, std::size_t slot) : arena_(arena), block_(block), slot_(slot) {}
    const RecordArena* arena_ = nullptr;
    std::size_t block_ = 0;
    std::size_t slot_ = 0;
  };
  // At the record made `index`-th (0: the first); index < size().
  Cursor cursor(std::size_t index) const {
    const auto after = std::upper_bound(blocks_.begin(), blocks_.end(), index,
                                        [](std::size_t i, const Block& b) { return i < b.first; });
    const std::size_t block = static_cast<std::size_t>(after - blocks_.begin()) - 1;
    return Cursor(this, block, index - blocks_[block].first);
  }
  T& operator[](std::size_t index) const { return *cursor(index); }
  // The record made `index`-th (index < size()) and how many records from it on lie side by
  // side in its block, itself included: T pointers step through them.
  std::pair<T*, std::size_t> neighbours(std::size_t index) const {
    const Cursor at = cursor(index);
    const Block& b = blocks_[at.block_];
    return {at.record(), b.used - at.slot_};
  }

  // The place of a record made here (the latest blocks are looked at first); size() for one
  // that is not.
  std::size_t index_of(const T* record) const {
    const auto at = reinterpret_cast<std::uintptr_t>(record);
    for (std::size_t i = blocks_.size(); i-- > 0;) {
      const Block& b = blocks_[i];
      const auto from = reinterpret_cast<std::uintptr_t>(b.slots);
      if (at >= from && at < from + b.used * sizeof(Slot)) return b.first + (at - from) / sizeof(Slot);
    }
    return count_;
  }

 private:
  struct Slot {
    alignas(T) unsigned char bytes[sizeof(T)];
  };
  static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "records are placed in plain allocations");
  static_assert(sizeof(Slot) == sizeof(T), "records of a block lie side by side as in an array");
  struct Block {
    Slot* slots;
    std::size_t used;
    std::size_t capacity;
    std::size_t first;     // place of its first record among all records
    std::size_t prepared;  // bytes present
    std::size_t ready;     // slots in the bytes present
  };

  // Makes room for the next record: more of the last block, or a new block.
  void grow() {
    if (blocks_.empty() || blocks_.back().capacity == blocks_.back().used) {
      std::size_t capacity = blocks_.empty() ? FIRST : std::min(blocks_.back().capacity * 2, LAST);
      const std::size_t held = count_ * sizeof(Slot);
      if (held >= kHugeArenaFrom) capacity = std::max(capacity, kHugeArenaBlock / sizeof(Slot));
      const bool huge_page = held >= kHugePagesFrom;
      Slot* slots = static_cast<Slot*>(take_arena_block(capacity * sizeof(Slot), huge_page));
      blocks_.push_back({slots, 0, capacity, count_, 0, 0});
    }
    Block& b = blocks_.back();
    b.prepared = prepare_arena_block(b.slots, b.capacity * sizeof(Slot), b.prepared);
    b.ready = std::min(b.capacity, b.prepared / sizeof(Slot));
    while (b.ready == b.used) {  // a record that spans the step's end
      b.prepared = prepare_arena_block(b.slots, b.capacity * sizeof(Slot), b.prepared);
      b.ready = std::min(b.capacity, b.prepared / sizeof(Slot));
    }
  }

  std::vector<Block> blocks_;
  std::size_t count_ = 0;
};

// Text that lives for the whole run and never moves, kept in blocks of BLOCK bytes, or of
// kHugeArenaBlock bytes once the arena holds kHugeArenaFrom (a longer text gets a block of its own).
class TextArena {
 public:
  static constexpr std::size_t BLOCK = 64 * 1024;

  TextArena() = default;
  TextArena(const TextArena&) = delete;
  TextArena& operator=(const TextArena&) = delete;
  ~TextArena() {
    for (const Block& b : blocks_) give_back_arena_block(b.bytes, b.size);
  }

  // A copy of `text`, with `tail` appended when it is not 0.
  std::string_view keep(std::string_view text, char tail = 0) { return keep_after({}, text, tail); }
  // The same, the copy beginning at an even address.
  std::string_view keep_even(std::string_view text, char tail = 0) {
    used_ += used_ & 1;  // a block's end is even: the next copy fits or gets a new block
    return keep_after({}, text, tail);
  }

  // The same with `head` in front, in one piece: the view holds `head` too.
  std::string_view keep_after(std::string_view head, std::string_view text, char tail = 0) {
    const std::size_t size = head.size() + text.size() + (tail ? 1 : 0);
    if (!current_ || size > current_size_ - used_) {
      if (size > BLOCK / 4) return store(new_block(size), size, head, text, tail);
      current_size_ = held_ >= kHugeArenaFrom ? kHugeArenaBlock : BLOCK;
      current_ = new_block(current_size_);
      used_ = 0;
      prepared_ = 0;
    }
    while (size > prepared_ - used_) prepared_ = prepare_arena_block(current_, current_size_, prepared_);
    std::string_view kept = store(current_ + used_, head, text, tail);
    used_ += size;
    return kept;
  }

 private:
  static std::string_view store(char* at, std::string_view head, std::string_view text, char tail) {
    if (!head.empty()) std::memcpy(at, head.data(), head.size());
    if (!text.empty()) std::memcpy(at + head.size(), text.data(), text.size());
    const std::size_t size = head.size() + text.size();
    if (tail) at[size] = tail;
    return {at, size + (tail ? 1 : 0)};
  }

  // A block of its own for one text has all its pages present.
  static std::string_view store(char* block, std::size_t size, std::string_view head, std::string_view text,
                                char tail) {
    for (std::size_t prepared = 0; prepared < size;) prepared = prepare_arena_block(block, size, prepared);
    return store(block, head, text, tail);
  }

  char* new_block(std::size_t size) {
    blocks_.reserve(blocks_.size() + 1);
    char* bytes = static_cast<char*>(take_arena_block(size));
    blocks_.push_back({bytes, size});
    held_ += size;
    return bytes;
  }

  struct Block {
    char* bytes;
    std::size_t size;
  };
  std::vector<Block> blocks_;
  char* current_ = nullptr;
  std::size_t current_size_ = 0;
  std::size_t used_ = 0;
  std::size_t prepared_ = 0;  // bytes of the current block present
  std::size_t held_ = 0;  // bytes in all blocks
};

}  // namespace aq71
