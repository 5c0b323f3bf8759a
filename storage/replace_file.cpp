#include "storage/replace_file.hpp"

#ifdef __linux__
#include <fcntl.h>
#include <sys/random.h>
#endif
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "storage/file_error.hpp"
#include "storage/open_file.hpp"

namespace borgo::storage {
namespace {

namespace fs = std::filesystem;

// Names tried for one temporary file before giving up. With names from 64
// random bits, a second try is needed only when someone planted something
// under the first name.
constexpr int kTemporaryNameTries = 16;

constexpr std::string_view kTemporaryPrefix = "borgo-";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::size_t kTemporaryDigits = 16;

ReplaceFaultHook& fault_hook() {
  static ReplaceFaultHook hook;
  return hook;
}

TemporaryNameSource& name_source() {
  static TemporaryNameSource source;
  return source;
}

int injected_fault(ReplaceStep step, const fs::path& path) {
  const ReplaceFaultHook& hook = fault_hook();
  return hook ? hook(step, path) : 0;
}

std::uint64_t random_value() {
  if (const TemporaryNameSource& source = name_source()) return source();
#ifdef __linux__
  // One system call, where a std::random_device made for each name first
  // asks the processor what it offers, which a virtual machine answers
  // slowly.
  if (std::uint64_t drawn = 0;
      ::getrandom(&drawn, sizeof drawn, 0) == static_cast<ssize_t>(sizeof drawn)) {
    return drawn;
  }
#endif
  std::random_device random;
  std::uint64_t value = 0;
  for (int bits = 0; bits < 64; bits += 32) value = value << 32 | (random() & 0xffffffffu);
  return value;
}

int last_error() { return errno != 0 ? errno : EIO; }

// The name matches temporary_file_name's pattern exactly. Compared in the
// file system's own characters, which on Windows are wide.
bool is_temporary_name(const fs::path::string_type& name) {
  if (name.size() != kTemporaryPrefix.size() + kTemporaryDigits + kTemporarySuffix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < kTemporaryPrefix.size(); ++i) {
    if (name[i] != static_cast<fs::path::value_type>(kTemporaryPrefix[i])) return false;
  }
  for (std::size_t i = 0; i < kTemporaryDigits; ++i) {
    const auto c = name[kTemporaryPrefix.size() + i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  const std::size_t suffix = kTemporaryPrefix.size() + kTemporaryDigits;
  for (std::size_t i = 0; i < kTemporarySuffix.size(); ++i) {
    if (name[suffix + i] != static_cast<fs::path::value_type>(kTemporarySuffix[i])) return false;
  }
  return true;
}

// The permissions of the regular file at `path`; none when nothing, or
// something other than a regular file, stands there (a link is not looked
// through: the rename replaces the link itself).
std::optional<fs::perms> old_file_permissions(const fs::path& path) {
  std::error_code failed;
  const fs::file_status status = fs::symlink_status(path, failed);
  if (failed || !fs::is_regular_file(status)) return std::nullopt;
  return status.permissions();
}

// Reserves a large file's whole space before its first byte goes in: a full
// disk shows at once, with nothing written, and the file's blocks are laid
// out together. On ext4 it also spares the rename over the old file the
// writeback it would otherwise start for blocks not yet allocated, the
// largest cost of a replacement (the kernel writes the file back later, as
// it does any plain write). A small file goes in with its first write, which
// meets a full disk just as soon; reserving its blocks would only make them
// real at once, and a file deleted soon after (a description, read back and
// removed by the compile) would then cost the disk a discard of them. A file
// system that cannot reserve space is written to as it is. Returns the errno
// of a failure, 0 otherwise.
constexpr std::uint64_t kReservedFromBytes = 64 * 1024;

int reserve_space([[maybe_unused]] std::FILE* file, [[maybe_unused]] std::uint64_t size) {
#ifdef __linux__
  if (size < kReservedFromBytes) return 0;
  if (::fallocate(::fileno(file), 0, 0, static_cast<off_t>(size)) == 0) return 0;
  const int failure = last_error();
  return failure == EOPNOTSUPP || failure == ENOSYS ? 0 : failure;
#else
  return 0;
#endif
}

// Gives the new file the old one's permissions. Only a change is asked
// for, so that a file system without permissions (where every file has
// the same) is not asked at all. Returns the errno of a failure, 0 otherwise.
int keep_permissions([[maybe_unused]] std::FILE* file,
                     [[maybe_unused]] const std::optional<fs::perms>& old) {
#ifndef _WIN32
  if (!old) return 0;
  const mode_t wanted = static_cast<mode_t>(*old & fs::perms::mask);
  struct stat made {};
  if (::fstat(::fileno(file), &made) != 0) return last_error();
  if ((made.st_mode & 07777) != wanted && ::fchmod(::fileno(file), wanted) != 0) {
    return last_error();
  }
#endif
  return 0;
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

// The new file beside the one it replaces, removed again on every path but
// its rename over the old one.
class TemporaryFile {
 public:
  // Creates the file under the first free name of those the random source
  // gives. Throws FileError naming `target`.
  TemporaryFile(const fs::path& target, FileKind kind) {
    for (int tries = 0; tries < kTemporaryNameTries; ++tries) {
      path_ = target.parent_path() / temporary_file_name(random_value());
      errno = 0;
      file_ = create_new_file(path_, kind == FileKind::kProgram);
      if (file_ != nullptr) return;
      const int failure = last_error();
      if (failure != EEXIST) throw FileError(target, std::strerror(failure));
    }
    throw FileError(target, "no free name for a temporary file beside it after " +
                                std::to_string(kTemporaryNameTries) + " tries");
  }
  ~TemporaryFile() {
    close();
    if (!renamed_) {
      std::error_code ignored;
      fs::remove(path_, ignored);
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  std::FILE* file() const { return file_; }

  // Returns the errno of a failure to close, 0 otherwise.
  int close() {
    if (file_ == nullptr) return 0;
    errno = 0;
    const int closed = std::fclose(file_);
    file_ = nullptr;
    return closed != 0 ? last_error() : 0;
  }

  void rename_over(const fs::path& target, std::error_code& failed) {
    fs::rename(path_, target, failed);
    renamed_ = !failed;
  }

 private:
  fs::path path_;
  std::FILE* file_ = nullptr;
  bool renamed_ = false;
};

// Writes `content` into `file`; returns the errno of the first failure, 0 on
// success.
int write_content(std::FILE* file, const FileContent& content) {
  // Contents hand over their bytes in large pieces (whole documents, 64 KiB
  // chunks of a compiled file). Unbuffered, each piece is one write; through
  // stdio's buffer it would be a block-sized part and a rest copied again.
  if (std::setvbuf(file, nullptr, _IONBF, 0) != 0) return last_error();
  const std::uint64_t size = content.size();
  int failure = reserve_space(file, size);
  if (failure != 0) return failure;
  FileSink sink(file);
  content.write_to(sink);
  if (sink.failure() != 0) return sink.failure();
  if (sink.written() != size) {
    throw std::logic_error("a file's content wrote " + std::to_string(sink.written()) +
                           " bytes, not the " + std::to_string(size) + " it announced");
  }
  return std::fflush(file) != 0 ? last_error() : 0;
}

}  // namespace

std::string temporary_file_name(std::uint64_t random) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string name(kTemporaryPrefix);
  for (int shift = 60; shift >= 0; shift -= 4) name += kDigits[(random >> shift) & 0xf];
  name += kTemporarySuffix;
  return name;
}

void replace_file(const fs::path& path, const FileContent& content, FileKind kind) {
  errno = 0;
  if (int fault = injected_fault(ReplaceStep::kCreate, path); fault != 0) {
    throw FileError(path, std::strerror(fault));
  }
  const std::optional<fs::perms> old = old_file_permissions(path);
  // The user's way of keeping a file as it is; a rename over it would
  // not ask.
  if (old && (*old & fs::perms::owner_write) == fs::perms::none) {
    throw FileError(path, "is read-only");
  }
  TemporaryFile temporary(path, kind);
  int failure = keep_permissions(temporary.file(), old);
  if (failure == 0) failure = write_content(temporary.file(), content);
  if (failure == 0) failure = injected_fault(ReplaceStep::kWrite, path);
  if (const int closed = temporary.close(); failure == 0) failure = closed;
  if (failure != 0) throw FileError(path, std::strerror(failure));

  std::error_code renamed;
  if (int fault = injected_fault(ReplaceStep::kRename, path); fault != 0) {
    renamed = std::error_code(fault, std::generic_category());
  } else {
    temporary.rename_over(path, renamed);
  }
  if (renamed) throw FileError(path, renamed.message());
}

void replace_file(const fs::path& path, std::string_view bytes) {
  replace_file(path, BytesContent(bytes));
}

bool is_temporary_file_name(const fs::path& name) { return is_temporary_name(name.native()); }

void remove_stale_temporaries(const fs::path& folder) {
  std::error_code failed;
  fs::directory_iterator entries(folder, failed);
  if (failed) throw FileError(folder, failed.message());
  for (; entries != fs::directory_iterator(); entries.increment(failed)) {
    const fs::directory_entry& entry = *entries;
    if (!is_temporary_name(entry.path().filename().native())) continue;
    const fs::file_status status = entry.symlink_status(failed);
    if (failed) throw FileError(entry.path(), failed.message());
    if (!fs::is_regular_file(status) && !fs::is_symlink(status)) continue;
    if (!fs::remove(entry.path(), failed) && failed) {
      throw FileError(entry.path(), failed.message());
    }
  }
  if (failed) throw FileError(folder, failed.message());
}

void set_replace_fault_hook(ReplaceFaultHook hook) { fault_hook() = std::move(hook); }

void set_temporary_name_source(TemporaryNameSource source) { name_source() = std::move(source); }

}  // namespace borgo::storage
