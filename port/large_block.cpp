#include "port/large_block.hpp"

#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace borgo::port {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

void* allocate_large_block(std::size_t bytes) {
  if (bytes < kHugePage) return ::operator new(bytes);
  void* block = ::operator new (bytes, std::align_val_t{kHugePage});
#ifdef __linux__
  // The whole huge pages inside the block; the rest keeps ordinary pages.
  // Advice only: where the system has no huge pages to give, nothing changes.
  ::madvise(block, bytes / kHugePage * kHugePage, MADV_HUGEPAGE);
#endif
  return block;
}

void free_large_block(void* block, std::size_t bytes) noexcept {
  if (bytes < kHugePage) {
    ::operator delete(block);
  } else {
    ::operator delete (block, std::align_val_t{kHugePage});
  }
}

}  // namespace borgo::port
