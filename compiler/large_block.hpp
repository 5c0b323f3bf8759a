#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

namespace borgo::compiler {

// Memory for the compile's few big blocks: the line plan's values and the
// compiled files' bytes, megabytes each, written once from front to back. Every
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

// The bytes of a compiled file: one block of the file's final size, left
// uncleared because every byte of it is written once.
class FileBytes {
 public:
  FileBytes() = default;
  explicit FileBytes(std::size_t size)
      : bytes_(size != 0 ? static_cast<char*>(allocate_large_block(size)) : nullptr), size_(size) {}
  FileBytes(FileBytes&& other) noexcept
      : bytes_(std::exchange(other.bytes_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  FileBytes& operator=(FileBytes&& other) noexcept {
    std::swap(bytes_, other.bytes_);
    std::swap(size_, other.size_);
    return *this;
  }
  ~FileBytes() {
    if (bytes_ != nullptr) free_large_block(bytes_, size_);
  }

  char* data() { return bytes_; }
  const char* data() const { return bytes_; }
  std::size_t size() const { return size_; }
  char operator[](std::size_t i) const { return bytes_[i]; }
  operator std::string_view() const { return {bytes_, size_}; }

 private:
  char* bytes_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace borgo::compiler
