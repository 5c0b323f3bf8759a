#pragma once

// What the benchmarks share: the plain write that is the baseline, a clock,
// and the compile from bytes with its files left in memory.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/compile.hpp"
#include "storage/byte_sink.hpp"
#include "tests/support/scratch_folder.hpp"

namespace borgo::bench {

// Stops the whole run: a benchmark whose input is wrong measures nothing.
[[noreturn]] inline void fail_loudly(const std::string& what) {
  std::fprintf(stderr, "borgo_bench: %s\n", what.c_str());
  std::exit(EXIT_FAILURE);
}

using borgo::testing::ScratchFolder;

// A named file's bytes.
struct NamedFile {
  std::string name;
  std::string bytes;
};

// The baseline: each file written with one write call, replacing the old one.
inline void write_plainly(const std::filesystem::path& folder,
                          const std::vector<NamedFile>& files) {
  for (const NamedFile& file : files) {
    const std::filesystem::path path = folder / file.name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) fail_loudly("cannot create " + path.string());
    const ssize_t written = ::write(fd, file.bytes.data(), file.bytes.size());
    if (written != static_cast<ssize_t>(file.bytes.size()))
      fail_loudly("cannot write " + path.string());
    if (::close(fd) != 0) fail_loudly("cannot close " + path.string());
  }
}

// A program's peak resident memory in bytes, the most of a few runs;
// `arguments` are shell words.
std::int64_t peak_rss_of(const std::filesystem::path& program, const std::string& arguments);

// Lets the disk finish the writes already made, so that a timed write does
// not wait behind the one before it.
inline void settle_disk() { ::sync(); }

// Seconds taken by `work`.
template <typename Work>
double seconds_of(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  std::forward<Work>(work)();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Takes a compiled file's bytes and keeps only their count: the bytes are
// made, as they are for a file, but not copied again.
class DiscardingSink final : public storage::ByteSink {
 public:
  void write(std::string_view chunk) override {
    benchmark::DoNotOptimize(chunk.data());
    bytes_ += chunk.size();
  }
  std::uint64_t bytes() const { return bytes_; }

 private:
  std::uint64_t bytes_ = 0;
};

// The compile of two descriptions already in memory, with the line file.
inline compiler::Compilation compile_scenario(std::string_view line_description,
                                              std::string_view train_description) {
  return compiler::compile({.line_name = "Borgo_Mar",
                            .train_name = "TX 903",
                            .write_line_file = 1,
                            .line_description = line_description,
                            .train_description = train_description});
}

// The whole compile, from the descriptions' bytes to the compiled files'
// bytes, left in memory: what it recorded and how many bytes it made.
struct InMemoryCompile {
  std::int32_t error_number = 0;
  std::uint64_t bytes = 0;
};

inline InMemoryCompile compile_in_memory(std::string_view line_description,
                                         std::string_view train_description) {
  const compiler::Compilation result = compile_scenario(line_description, train_description);
  InMemoryCompile out{result.outcome.error_number, 0};
  for (const compiler::CompiledFile& file : result.files) {
    DiscardingSink sink;
    file.write_to(sink);
    out.bytes += sink.bytes();
  }
  return out;
}

// The compiled files of two descriptions, each with its name and bytes.
inline std::vector<NamedFile> compiled_files_of(std::string_view line_description,
                                                std::string_view train_description) {
  const compiler::Compilation result = compile_scenario(line_description, train_description);
  if (result.outcome.error_number != 0 || !result.outcome.has_files) {
    fail_loudly("the scenario records error " + std::to_string(result.outcome.error_number));
  }
  std::vector<NamedFile> files;
  for (const compiler::CompiledFile& file : result.files) {
    files.push_back({file.name(), storage::bytes_of(file)});
  }
  return files;
}

}  // namespace borgo::bench
