#include "assembler/record_arena.h"

#include <sys/mman.h>

#include <algorithm>
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

}  // namespace

void* take_arena_block(std::size_t bytes) {
  if (!mapped(bytes)) return ::operator new(bytes);
  void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
  // Pages come one step at a time: a huge page would bring in the whole of a block the run
  // may never fill.
  ::madvise(block, bytes, MADV_NOHUGEPAGE);
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
    ::munmap(block, bytes);
}

}  // namespace aq71
