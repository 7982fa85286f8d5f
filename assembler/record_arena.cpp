#include "assembler/record_arena.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

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

// Whether the system backs memory with huge pages when asked (madvise) or always; read once.
bool huge_pages_offered() {
  static const bool offered = [] {
    std::FILE* f = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
    if (!f) return false;
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    return read && (std::strstr(line, "[always]") || std::strstr(line, "[madvise]"));
  }();
  return offered;
}

// A block of kHugeArenaBlock bytes aligned to its size and backed by a huge page where the
// system grants one, its pages present; nullptr when that cannot be had.
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
  if (::madvise(block, size, MADV_POPULATE_WRITE) == 0) return block;
#endif
  // Older systems: one write per small page brings the whole block in.
  for (std::size_t at = 0; at < size; at += 4096) static_cast<volatile char*>(block)[at] = 0;
  return block;
}

// The mapped length of a block of `bytes`: a block that nearly fills a huge page gets all of it.
std::size_t mapped_length(std::size_t bytes) {
  return bytes > kHugeArenaBlock / 2 && bytes <= kHugeArenaBlock ? kHugeArenaBlock : bytes;
}

}  // namespace

void* take_arena_block(std::size_t bytes) {
  if (!kMapBlocks || bytes < kMappedBlock) return ::operator new(bytes);
  const std::size_t length = mapped_length(bytes);
  if (length == kHugeArenaBlock && huge_pages_offered())
    if (void* block = take_huge_block()) return block;
  void* block = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
  return block;
}

void give_back_arena_block(void* block, std::size_t bytes) {
  if (!kMapBlocks || bytes < kMappedBlock)
    ::operator delete(block);
  else
    ::munmap(block, mapped_length(bytes));
}

}  // namespace aq71
