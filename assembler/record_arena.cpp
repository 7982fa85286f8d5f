#include "assembler/record_arena.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <new>

namespace aq71 {

namespace {

// Blocks from this size on are mapped (the allocator would map them anyway, without their pages).
constexpr std::size_t kMappedBlock = 128 * 1024;

// Under the address sanitizer every block comes from the allocator, so that leak checks see the
// heap pointers records hold.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMapBlocks = false;
#else
constexpr bool kMapBlocks = true;
#endif

// Pages of a mapped block are made present this many bytes at a time.
constexpr std::size_t kPrepareStep = 16 * 1024;

bool mapped(std::size_t bytes) { return kMapBlocks && bytes >= kMappedBlock; }

// The mapped length of a block of `bytes`: a block that nearly fills a huge page gets all of it.
std::size_t mapped_length(std::size_t bytes) {
  return bytes > kHugeArenaBlock / 2 && bytes <= kHugeArenaBlock ? kHugeArenaBlock : bytes;
}

// A block of kHugeArenaBlock bytes aligned to its size and asked to be backed by a huge page
// (the first step that makes a page of it present brings in all of it); nullptr when no such
// mapping can be had.
void* take_huge_block() {
  const std::size_t size = kHugeArenaBlock;
  void* wide = ::mmap(nullptr, 2 * size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (wide == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(wide);
  const std::uintptr_t aligned = (start + size - 1) & ~(std::uintptr_t{size} - 1);
  if (aligned > start) ::munmap(wide, aligned - start);
  if (const std::size_t tail = start + 2 * size - (aligned + size)) ::munmap(reinterpret_cast<void*>(aligned + size), tail);
  void* block = reinterpret_cast<void*>(aligned);
  ::madvise(block, size, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
  ::madvise(block, size, MADV_POPULATE_WRITE);
#endif
  return block;
}

}  // namespace

void* take_arena_block(std::size_t bytes, bool huge_page) {
  if (!mapped(bytes)) return ::operator new(bytes);
  const std::size_t length = mapped_length(bytes);
  if (huge_page && length == kHugeArenaBlock)
    if (void* block = take_huge_block()) return block;
  void* block = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
  // Pages come one step at a time: a huge page would bring in the whole of a block the run
  // may never fill.
  ::madvise(block, length, MADV_NOHUGEPAGE);
  return block;
}

std::size_t prepare_arena_block(void* block, std::size_t bytes, std::size_t prepared) {
  if (!mapped(bytes)) return bytes;  // the allocator's memory: faults as it comes
  const std::size_t to = std::min(bytes, prepared + kPrepareStep);
  // The step begins at a page boundary (a whole step before it, or the block's start).
  char* from = static_cast<char*>(block) + prepared;
#ifdef MADV_POPULATE_WRITE
  if (::madvise(from, to - prepared, MADV_POPULATE_WRITE) == 0) return to;
#endif
  // Older systems: one write per page brings the step in.
  for (std::size_t at = prepared; at < to; at += 4096) static_cast<volatile char*>(block)[at] = 0;
  return to;
}

void give_back_arena_block(void* block, std::size_t bytes) {
  if (!mapped(bytes))
    ::operator delete(block);
  else
    ::munmap(block, mapped_length(bytes));
}

}  // namespace aq71
