#include "tools/shared/output_file.hpp"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>
#include <utility>

#include "storage/file_error.hpp"
#include "storage/open_file.hpp"
#include "storage/replace_file.hpp"
#include "tools/shared/refusal.hpp"

namespace borgo::tools {
namespace {

#ifndef _WIN32
bool is_stream(std::filesystem::file_type type) {
  return type == std::filesystem::file_type::fifo || type == std::filesystem::file_type::character;
}

[[noreturn]] void fail(const std::filesystem::path& path, int error) {
  throw storage::FileError(path, std::strerror(error != 0 ? error : EIO));
}

// A descriptor's bytes, each chunk written whole: each round writes at least
// one byte or fails, and an interrupted write is tried again a bounded number
// of times. The descriptor is closed by its owner, also on a failure.
class DescriptorSink final : public storage::ByteSink {
 public:
  DescriptorSink(int fd, const std::filesystem::path& path) : fd_(fd), path_(path) {}
  ~DescriptorSink() {
    if (fd_ >= 0) ::close(fd_);
  }
  DescriptorSink(const DescriptorSink&) = delete;
  DescriptorSink& operator=(const DescriptorSink&) = delete;

  void write(std::string_view chunk) override {
    constexpr std::size_t kChunk = 1 << 20;
    constexpr int kInterruptions = 100;
    int interruptions = 0;
    for (std::size_t done = 0; done < chunk.size();) {
      const ssize_t n = ::write(fd_, chunk.data() + done, std::min(kChunk, chunk.size() - done));
      if (n < 0 && errno == EINTR && ++interruptions < kInterruptions) continue;
      if (n <= 0) fail(path_, n < 0 ? errno : EIO);
      done += static_cast<std::size_t>(n);
    }
  }
  void close() {
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && errno != EINTR) fail(path_, errno);
  }

 private:
  int fd_;
  const std::filesystem::path& path_;
};

// Writes into a FIFO or a character device as it stands. What is opened is
// checked again, since the name may have been swapped for a file meanwhile.
void write_into_stream(const std::filesystem::path& path, const storage::FileContent& content) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) fail(path, errno);
  DescriptorSink sink(fd, path);
  struct stat opened {};
  if (::fstat(fd, &opened) != 0) fail(path, errno);
  if (!S_ISFIFO(opened.st_mode) && !S_ISCHR(opened.st_mode)) {
    throw Refusal("'" + path.string() + "' stopped being a FIFO or a device while it was opened");
  }
  content.write_to(sink);
  sink.close();
}
#endif

// Standard output's bytes; a failed write shows on the stream, which the
// tool checks before it ends.
class StreamSink final : public storage::ByteSink {
 public:
  explicit StreamSink(std::ostream& out) : out_(out) {}
  void write(std::string_view chunk) override {
    out_.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  }

 private:
  std::ostream& out_;
};

}  // namespace

void check_output_folder(std::string_view name) {
  if (name == "-") return;
  const std::filesystem::path path{std::string(name)};
  const std::filesystem::path folder = path.parent_path();
  if (folder.empty()) return;
  std::error_code failed;
  const std::filesystem::file_status status = std::filesystem::status(folder, failed);
  if (std::filesystem::is_directory(status)) return;
  if (status.type() == std::filesystem::file_type::not_found) {
    throw Refusal("cannot write '" + path.string() + "': there is no folder '" + folder.string() +
                  "'");
  }
  if (failed) throw storage::FileError(folder, failed.message());
  throw Refusal("cannot write '" + path.string() + "': '" + folder.string() + "' is not a folder");
}

OutputWritten write_output(std::string_view name, std::string_view bytes, std::ostream& out) {
  return write_output(name, storage::BytesContent(bytes), out);
}

OutputWritten write_output(std::string_view name, const storage::FileContent& content,
                           std::ostream& out, storage::FileKind kind) {
  if (name == "-") {
    StreamSink sink(out);
    content.write_to(sink);
    return OutputWritten::kStream;
  }
  const std::filesystem::path path{std::string(name)};
#ifndef _WIN32
  std::error_code failed;
  const std::filesystem::file_status link = std::filesystem::symlink_status(path, failed);
  if (failed && link.type() != std::filesystem::file_type::not_found) {
    throw storage::FileError(path, failed.message());
  }
  if (is_stream(link.type())) {
    write_into_stream(path, content);
    return OutputWritten::kStream;
  }
  if (link.type() == std::filesystem::file_type::symlink) {
    const std::filesystem::file_status target = std::filesystem::status(path, failed);
    if (failed || !is_stream(target.type())) {
      throw Refusal("'" + path.string() +
                    "' is a symbolic link: name the file itself, or '-' for standard output");
    }
    write_into_stream(path, content);
    return OutputWritten::kStream;
  }
#endif
  storage::replace_file(path, content, kind);
  return OutputWritten::kFile;
}

void check_new_outputs(std::span<const std::filesystem::path> paths, bool replace) {
  std::string in_the_way;
  std::string not_files;
  for (const std::filesystem::path& path : paths) {
    std::error_code failed;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, failed);
    if (status.type() == std::filesystem::file_type::not_found) continue;
    if (failed) throw storage::FileError(path, failed.message());
    if (status.type() != std::filesystem::file_type::regular) {
      not_files += "\n  " + path.string();
    } else if (!replace) {
      in_the_way += "\n  " + path.string();
    }
  }
  if (!not_files.empty()) {
    throw Refusal("these are there and are not plain files, which are never written over:" +
                  not_files + "\nMove them, or write elsewhere.");
  }
  if (!in_the_way.empty()) {
    throw Refusal("these files are there already and would be overwritten:" + in_the_way +
                  "\nMove them, or give --force to replace them.");
  }
}

void write_new_output(const std::filesystem::path& path, std::string_view bytes, bool replace) {
  if (replace) {
    storage::replace_file(path, bytes);
    return;
  }
  std::FILE* file = storage::create_new_file(path);
  if (file == nullptr) {
    const int failure = errno;
    if (failure == EEXIST) {
      throw Refusal("'" + path.string() + "' appeared while the command ran; it is left as it is");
    }
    throw storage::FileError(path, std::strerror(failure != 0 ? failure : EIO));
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int write_failure = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    const int failure = !written ? write_failure : errno;
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    throw storage::FileError(path, std::strerror(failure != 0 ? failure : EIO));
  }
}

}  // namespace borgo::tools
