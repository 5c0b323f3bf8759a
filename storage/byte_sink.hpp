#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace borgo::storage {

// Takes a file's bytes front to back, in chunks of any size.
class ByteSink {
 public:
  virtual void write(std::string_view chunk) = 0;

 protected:
  ~ByteSink() = default;
};

// A file's content that writes itself into a sink. Its size is known before
// its first byte, so that a file's whole space can be reserved at once.
class FileContent {
 public:
  virtual std::uint64_t size() const = 0;
  virtual void write_to(ByteSink& sink) const = 0;

 protected:
  ~FileContent() = default;
};

// Keeps what it is given in memory.
class MemorySink final : public ByteSink {
 public:
  void write(std::string_view chunk) override { bytes_.append(chunk); }
  const std::string& bytes() const { return bytes_; }
  std::string take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

// The whole content, in memory.
inline std::string bytes_of(const FileContent& content) {
  MemorySink sink;
  content.write_to(sink);
  return sink.take();
}

// Content already in memory.
class BytesContent final : public FileContent {
 public:
  explicit BytesContent(std::string_view bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  void write_to(ByteSink& sink) const override { sink.write(bytes_); }

 private:
  std::string_view bytes_;
};

}  // namespace borgo::storage
