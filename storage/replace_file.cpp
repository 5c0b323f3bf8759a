#include "storage/replace_file.hpp"

#ifdef __linux__
#include <fcntl.h>
#endif

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "storage/file_error.hpp"
#include "storage/open_file.hpp"
#include "storage/process_id.hpp"

namespace borgo::storage {
namespace {

ReplaceFaultHook& fault_hook() {
  static ReplaceFaultHook hook;
  return hook;
}

int injected_fault(ReplaceStep step, const std::filesystem::path& path) {
  const ReplaceFaultHook& hook = fault_hook();
  return hook ? hook(step, path) : 0;
}

// The process id keeps two programs replacing the same file at once from
// writing into one temporary file.
std::filesystem::path temporary_beside(const std::filesystem::path& path) {
  static std::atomic<unsigned> counter{0};
  std::filesystem::path temporary = path;
  temporary += ".partial-" + std::to_string(process_id()) + "-" + std::to_string(counter++);
  return temporary;
}

int last_error() { return errno != 0 ? errno : EIO; }

// Reserves the whole file's space before the first byte goes in: a full disk
// shows at once, with nothing written, and the file's blocks are laid out
// together. On ext4 it also spares the rename over the old file the
// writeback it would otherwise start for blocks not yet allocated, the
// largest cost of a replacement (the kernel writes the file back later, as
// it does any plain write). A file system that cannot reserve space is
// written to as it is. Returns the errno of a failure, 0 otherwise.
int reserve_space([[maybe_unused]] std::FILE* file, [[maybe_unused]] std::uint64_t size) {
#ifdef __linux__
  if (size == 0 || ::fallocate(::fileno(file), 0, 0, static_cast<off_t>(size)) == 0) return 0;
  const int failure = last_error();
  return failure == EOPNOTSUPP || failure == ENOSYS ? 0 : failure;
#else
  return 0;
#endif
}

// Hands each chunk to the file and keeps the first failure; later chunks
// are dropped once one has failed.
class FileSink final : public ByteSink {
 public:
  explicit FileSink(std::FILE* file) : file_(file) {}

  void write(std::string_view chunk) override {
    if (failure_ != 0 || chunk.empty()) return;
    if (std::fwrite(chunk.data(), 1, chunk.size(), file_) != chunk.size()) {
      failure_ = last_error();
    }
    written_ += chunk.size();
  }
  int failure() const { return failure_; }
  std::uint64_t written() const { return written_; }

 private:
  std::FILE* file_;
  int failure_ = 0;
  std::uint64_t written_ = 0;
};

// Writes `content` to the new file `temporary`, which stands in for `path`;
// returns the errno of the first failure, 0 on success.
int write_new_file(const std::filesystem::path& temporary, const std::filesystem::path& path,
                   const FileContent& content) {
  if (int fault = injected_fault(ReplaceStep::kCreate, path); fault != 0) return fault;
  std::FILE* file = open_file(temporary, "wb");
  if (file == nullptr) return last_error();
  const std::uint64_t size = content.size();
  int failure = reserve_space(file, size);
  if (failure == 0) {
    FileSink sink(file);
    try {
      content.write_to(sink);
    } catch (...) {
      std::fclose(file);
      throw;
    }
    failure = sink.failure();
    if (failure == 0 && sink.written() != size) {
      std::fclose(file);
      throw std::logic_error("a file's content wrote " + std::to_string(sink.written()) +
                             " bytes, not the " + std::to_string(size) + " it announced");
    }
  }
  if (std::fflush(file) != 0 && failure == 0) failure = last_error();
  if (failure == 0) failure = injected_fault(ReplaceStep::kWrite, path);
  if (std::fclose(file) != 0 && failure == 0) failure = last_error();
  return failure;
}

}  // namespace

void replace_file(const std::filesystem::path& path, const FileContent& content) {
  const std::filesystem::path temporary = temporary_beside(path);
  errno = 0;
  int failure = 0;
  try {
    failure = write_new_file(temporary, path, content);
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw;
  }
  if (failure != 0) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw FileError(path, std::strerror(failure));
  }
  std::error_code renamed;
  if (int fault = injected_fault(ReplaceStep::kRename, path); fault != 0) {
    renamed = std::error_code(fault, std::generic_category());
  } else {
    std::filesystem::rename(temporary, path, renamed);
  }
  if (renamed) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw FileError(path, renamed.message());
  }
}

void replace_file(const std::filesystem::path& path, std::string_view bytes) {
  replace_file(path, BytesContent(bytes));
}

void set_replace_fault_hook(ReplaceFaultHook hook) { fault_hook() = std::move(hook); }

}  // namespace borgo::storage
