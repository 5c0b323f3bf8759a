#pragma once

#include <cstddef>

namespace borgo::port {

// Memory for a program's few big blocks, megabytes each, written once from
// front to back (the compile's line plan and compiled files). Every
// fresh page costs a fault when first written, and with 4 KiB pages those
// faults weigh more than the writing itself. A block of 2 MiB or more is
// therefore aligned to 2 MiB and, on Linux, offered transparent huge pages,
// so that it fills with one fault per 2 MiB. Smaller blocks are ordinary.
void* allocate_large_block(std::size_t bytes);
void free_large_block(void* block, std::size_t bytes) noexcept;

template <typename T>
struct LargeBlockAllocator {
  using value_type = T;

  LargeBlockAllocator() = default;
  template <typename U>
  LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) { return static_cast<T*>(allocate_large_block(n * sizeof(T))); }
  void deallocate(T* block, std::size_t n) noexcept { free_large_block(block, n * sizeof(T)); }

  template <typename U>
  bool operator==(const LargeBlockAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace borgo::port
