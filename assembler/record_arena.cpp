#include "assembler/record_arena.h"

#include <sys/mman.h>

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

}  // namespace

void* take_arena_block(std::size_t bytes) {
  if (kMapBlocks && bytes >= kMappedBlock) {
    void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    return block;
  }
  return ::operator new(bytes);
}

void give_back_arena_block(void* block, std::size_t bytes) {
  if (kMapBlocks && bytes >= kMappedBlock)
    ::munmap(block, bytes);
  else
    ::operator delete(block);
}

}  // namespace aq71
